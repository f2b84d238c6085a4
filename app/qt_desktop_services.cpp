// Qt implementations of the desktop services. Every modal box gives the focus back to the
// window and control that had it.
#include "app/qt_desktop_services.h"

#include <sys/stat.h>
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QUrl>

#include "app/detached_process.h"
#include "app/file_name_bytes.h"
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
    using QStyledItemDelegate::QStyledItemDelegate;

    void addLabel(const QUrl& url, const QString& label) { labels_.insert(url, label); }

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

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A folder dialog whose answer is the chosen folder's bytes. Qt's own dialog does not list
// a folder whose name is not valid UTF-8 and refuses it when typed ("Directory not found");
// this one takes such a folder when its name, typed as the program shows it ("gam\u00E9"
// for "gam\xE9") or as Qt decoded it, stands for exactly one existing folder.
class FolderDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QStringList files = selectedFiles();
        if (!files.isEmpty() && !isFolder(QFile::encodeName(files.constFirst()).toStdString())) {
            if (std::optional<std::string> folder = selectedFolder()) {
                chosen_ = std::move(folder);
                QDialog::accept();
                return;
            }
        }
        QFileDialog::accept();
    }

    // The bytes of the folder chosen, however the dialog was accepted.
    std::optional<std::string> chosen() const {
        if (result() != QDialog::Accepted) {
            return std::nullopt;
        }
        if (chosen_) {
            return chosen_;
        }
        const QStringList files = selectedFiles();
        if (files.isEmpty()) {
            return std::nullopt;
        }
        return fileNameBytes(files.constFirst());
    }

protected:
    void showEvent(QShowEvent* event) override {
        QFileDialog::showEvent(event);
        watchNameField();
    }

private:
    std::optional<std::string> selectedFolder() const {
        const QStringList files = selectedFiles();
        if (files.isEmpty()) {
            return std::nullopt;
        }
        std::string folder = fileNameBytes(files.constFirst());
        return isFolder(folder) ? std::optional(std::move(folder)) : std::nullopt;
    }

    // Qt's dialog enables Choose only for a name it lists; a typed name standing for a
    // folder it cannot list enables it too. Runs after the dialog's own update, which is
    // connected first.
    void watchNameField() {
        auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        if (watching_ || field == nullptr || buttons == nullptr) {
            return;
        }
        watching_ = true;
        connect(field, &QLineEdit::textChanged, this, [this, buttons] {
            QPushButton* choose = buttons->button(QDialogButtonBox::Open);
            if (choose != nullptr && !choose->isEnabled() && selectedFolder()) {
                choose->setEnabled(true);
            }
        });
    }

    std::optional<std::string> chosen_;
    bool watching_ = false;
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
                                   unsigned flags, const std::string& detail) {
    const FocusKeeper keeper;
    MessageBox box(iconOf(flags), text(caption), text(message), buttonsOf(flags), keeper.window());
    box.setTextFormat(Qt::PlainText);
    if (!detail.empty()) {
        box.setInformativeText(text(detail));
        // Shown as written: a cause may hold "<" and must never read as markup.
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
            label->setTextFormat(Qt::PlainText);
        }
    }
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

namespace {

// Adds `places` to the sidebar of Qt's own dialog, under their names.
void addToSidebar(QFileDialog& dialog, const std::vector<FolderPlace>& places) {
    auto* sidebar = dialog.findChild<QListView*>(QStringLiteral("sidebar"));
    if (places.empty() || sidebar == nullptr) {
        return;
    }
    auto* labels = dynamic_cast<PlaceLabelDelegate*>(sidebar->itemDelegate());
    if (labels == nullptr) {
        labels = new PlaceLabelDelegate(sidebar);
        sidebar->setItemDelegate(labels);
        sidebar->setTextElideMode(Qt::ElideMiddle);
    }
    QList<QUrl> urls = dialog.sidebarUrls();
    for (const FolderPlace& place : places) {
        const QUrl url = QUrl::fromLocalFile(text(place.folder));
        urls.append(url);
        labels->addLabel(url, text(place.label));
    }
    dialog.setSidebarUrls(urls);
}

}  // namespace

std::optional<std::string> QtDesktopServices::chooseFolder(const std::string& title,
                                                           const FolderPlaces& places) {
    const FocusKeeper keeper;
    FolderDialog dialog(keeper.window(), text(title));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (places.isFinished()) {
        if (places.resultCount() > 0 && !places.result().empty()) {
            // Only Qt's own dialog takes extra sidebar entries and their names.
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            addToSidebar(dialog, places.result());
        }
    } else {
        // The places arrive while the dialog is open; the watcher goes with the dialog.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* watcher = new QFutureWatcher<std::vector<FolderPlace>>(&dialog);
        QObject::connect(watcher, &QFutureWatcherBase::finished, &dialog, [&dialog, watcher] {
            if (watcher->future().resultCount() > 0) {
                addToSidebar(dialog, watcher->result());
            }
        });
        watcher->setFuture(places);
    }
    dialog.exec();
    return dialog.chosen();
}

void QtDesktopServices::openUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(text(url)));
}

void QtDesktopServices::startProgram(const ProcessCommand& command,
                                     std::function<void(const std::string& why)> onEarlyFailure) {
    startWatched(command, QCoreApplication::instance(), std::move(onEarlyFailure));
}

}  // namespace vestura
