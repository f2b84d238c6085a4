// Qt implementations of the desktop services. Every modal box gives the focus back to the
// window and control that had it.
#include "app/qt_desktop_services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHash>
#include <QKeyEvent>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QUrl>

#include "app/detached_process.h"
#include "common/text8.h"
#include "game/launch.h"

namespace vestura {

namespace {

// 8-bit text as the user sees it.
QString text(const std::string& s) {
    return QString::fromStdString(text8::decoded(s));
}

// Remembers the active window and its focused control, and restores both when the modal
// box that follows has closed.
class FocusKeeper {
public:
    FocusKeeper() : window_(QApplication::activeWindow()), focus_(QApplication::focusWidget()) {}
    ~FocusKeeper() {
        if (window_) {
            window_->activateWindow();
        }
        if (focus_) {
            focus_->setFocus(Qt::OtherFocusReason);
        }
    }
    QWidget* window() const { return window_; }

    FocusKeeper(const FocusKeeper&) = delete;
    FocusKeeper& operator=(const FocusKeeper&) = delete;

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> focus_;
};

// A message box that, like the message boxes of Windows, puts its caption, text and buttons
// on the clipboard when the user presses Ctrl+C.
class MessageBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!event->matches(QKeySequence::Copy)) {
            QMessageBox::keyPressEvent(event);
            return;
        }
        const QString rule = QStringLiteral("---------------------------\n");
        QString buttonTexts;
        for (const QAbstractButton* button : buttons()) {
            buttonTexts += button->text().remove(QLatin1Char('&')) + QStringLiteral("   ");
        }
        QGuiApplication::clipboard()->setText(rule + windowTitle() + QLatin1Char('\n') + rule +
                                              text() + QLatin1Char('\n') + rule + buttonTexts +
                                              QLatin1Char('\n') + rule);
    }
};

// Shows the sidebar entries of found installs under their own names rather than the last
// component of their folder, which is the same for most installs.
class PlaceLabelDelegate final : public QStyledItemDelegate {
public:
    PlaceLabelDelegate(QHash<QUrl, QString> labels, QObject* parent)
        : QStyledItemDelegate(parent), labels_(std::move(labels)) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        // The sidebar's model keeps each entry's URL in the role after Qt::UserRole.
        const auto label = labels_.constFind(index.data(Qt::UserRole + 1).toUrl());
        if (label != labels_.constEnd()) {
            option->text = *label;
        }
    }

private:
    QHash<QUrl, QString> labels_;
};

QMessageBox::Icon iconOf(unsigned flags) {
    switch (flags & mb::kIconMask) {
        case mb::kIconStop:
            return QMessageBox::Critical;
        case mb::kIconQuestion:
            return QMessageBox::Question;
        case mb::kIconExclamation:
            return QMessageBox::Warning;
        case mb::kIconInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons buttonsOf(unsigned flags) {
    return (flags & mb::kButtonsMask) == mb::kYesNo ? QMessageBox::Yes | QMessageBox::No
                                                    : QMessageBox::StandardButtons(QMessageBox::Ok);
}

}  // namespace

int QtDesktopServices::showMessage(const std::string& message, const std::string& caption,
                                   unsigned flags) {
    const FocusKeeper keeper;
    MessageBox box(iconOf(flags), text(caption), text(message), buttonsOf(flags), keeper.window());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return mb::kIdYes;
        case QMessageBox::No:
            return mb::kIdNo;
        default:
            return mb::kIdOk;
    }
}

std::optional<std::string> QtDesktopServices::chooseFolder(const std::string& title,
                                                           const std::vector<FolderPlace>& places) {
    const FocusKeeper keeper;
    QFileDialog dialog(keeper.window(), text(title));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (!places.empty()) {
        // Only Qt's own dialog takes extra sidebar entries and their names.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QList<QUrl> urls = dialog.sidebarUrls();
        QHash<QUrl, QString> labels;
        for (const FolderPlace& place : places) {
            const QUrl url = QUrl::fromLocalFile(text(place.folder));
            urls.append(url);
            labels.insert(url, text(place.label));
        }
        dialog.setSidebarUrls(urls);
        if (auto* sidebar = dialog.findChild<QListView*>(QStringLiteral("sidebar"))) {
            sidebar->setItemDelegate(new PlaceLabelDelegate(std::move(labels), sidebar));
            sidebar->setTextElideMode(Qt::ElideMiddle);
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString folder = dialog.selectedFiles().constFirst();
    return QDir::toNativeSeparators(folder).toLocal8Bit().toStdString();
}

void QtDesktopServices::openUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(text(url)));
}

void QtDesktopServices::startProgram(const ProcessCommand& command) {
    startDetached(command);
}

}  // namespace vestura
