// The Open dialog and the list model behind it.
#include "app/open_skin_dialog.h"

#include <QAbstractListModel>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>
#include <vector>

#include "app/file_name_bytes.h"
#include "app/skin_listing.h"
#include "common/errors.h"
#include "common/text8.h"
#include "picture/file_formats.h"

namespace vestura {

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(text8::decoded(s));
}

QString modifiedText(std::int64_t nanoseconds) {
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(nanoseconds / 1000000);
    return QLocale::system().toString(when, QLocale::ShortFormat);
}

}  // namespace

// The skins as rows: name, date and whether an outfit is recorded, with the small picture
// asked for the first time a row is drawn.
class SkinListModel final : public QAbstractListModel {
public:
    explicit SkinListModel(QObject* parent)
        : QAbstractListModel(parent), queue_(std::make_unique<BackgroundQueue>()) {
        QPixmap blank(OpenSkinDialog::kThumbnailSize, OpenSkinDialog::kThumbnailSize);
        blank.fill(Qt::transparent);
        placeholder_ = QIcon(blank);
    }

    // Reads `folder` on the queue, once; `listed` runs when the rows are in.
    void list(const std::string& folder, std::function<void()> listed) {
        queue_->post([this, folder, listed = std::move(listed)]() -> BackgroundQueue::Done {
            auto skins = std::make_shared<std::vector<SkinFile>>(listSkins(folder));
            return [this, skins, listed] {
                beginResetModel();
                skins_ = std::move(*skins);
                thumbnails_.assign(skins_.size(), Thumbnail());
                endResetModel();
                listed();
            };
        });
    }

    const SkinFile& skin(int row) const { return skins_.at(static_cast<std::size_t>(row)); }
    int asked() const { return asked_; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(skins_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) {
            return {};
        }
        const SkinFile& skin = skins_[static_cast<std::size_t>(index.row())];
        const Thumbnail& thumbnail = thumbnails_[static_cast<std::size_t>(index.row())];
        switch (role) {
            case Qt::DisplayRole:
                return text(skin.name) + QLatin1Char('\n') + modifiedText(skin.modified) +
                       QLatin1Char('\n') +
                       (skin.hasOutfit ? QStringLiteral("Opens with its parts and colours")
                                       : QStringLiteral("Opens as the base"));
            case Qt::DecorationRole:
                ask(index.row());
                return thumbnail.icon.isNull() ? placeholder_ : thumbnail.icon;
            case Qt::ToolTipRole:
                return thumbnail.failure.isEmpty()
                           ? text(skin.path)
                           : text(skin.path) + QLatin1Char('\n') + thumbnail.failure;
            default:
                return {};
        }
    }

private:
    struct Thumbnail {
        bool asked = false;
        QIcon icon;
        QString failure;
    };

    void ask(int row) const {
        Thumbnail& thumbnail = thumbnails_[static_cast<std::size_t>(row)];
        if (thumbnail.asked) {
            return;
        }
        thumbnail.asked = true;
        ++asked_;
        auto* self = const_cast<SkinListModel*>(this);
        queue_->post([self, row, path = skin(row).path]() -> BackgroundQueue::Done {
            QImage image;
            QString failure;
            try {
                image = skinThumbnail(path, OpenSkinDialog::kThumbnailSize);
            } catch (const Exception& e) {
                failure = text(e.message());
            } catch (const std::bad_alloc&) {
                failure = QStringLiteral("Out of memory");
            }
            return [self, row, image, failure] { self->made(row, image, failure); };
        });
    }

    void made(int row, const QImage& image, const QString& failure) {
        Thumbnail& thumbnail = thumbnails_[static_cast<std::size_t>(row)];
        thumbnail.icon = image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
        thumbnail.failure = failure;
        const QModelIndex at = index(row);
        emit dataChanged(at, at, {Qt::DecorationRole, Qt::ToolTipRole});
    }

    std::vector<SkinFile> skins_;
    mutable std::vector<Thumbnail> thumbnails_;
    mutable int asked_ = 0;
    QIcon placeholder_;
    // Last, so it goes first: no result arrives for a model being destroyed.
    std::unique_ptr<BackgroundQueue> queue_;
};

OpenSkinDialog::OpenSkinDialog(std::optional<std::string> skinsFolder, FileChooser browse,
                               QWidget* parent)
    : QDialog(parent),
      skinsFolder_(std::move(skinsFolder)),
      chooseFile_(std::move(browse)),
      model_(new SkinListModel(this)),
      heading_(new QLabel(this)),
      list_(new QListView(this)) {
    setObjectName(QStringLiteral("OpenSkin"));
    setWindowTitle(QString::fromLatin1(kOpenSkinTitle));
    heading_->setTextFormat(Qt::PlainText);
    heading_->setWordWrap(true);
    list_->setModel(model_);
    list_->setIconSize(QSize(kThumbnailSize, kThumbnailSize));
    list_->setUniformItemSizes(true);  // rows not shown are never asked for their picture
    list_->setSpacing(2);
    list_->setTextElideMode(Qt::ElideMiddle);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* buttons = new QDialogButtonBox(this);
    open_ = buttons->addButton(QStringLiteral("&Open"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    browse_ = buttons->addButton(QStringLiteral("&Browse..."), QDialogButtonBox::ActionRole);
    browse_->setToolTip(QStringLiteral("Any picture: a skin from elsewhere becomes the base"));
    browse_->setAutoDefault(false);
    open_->setDefault(true);
    open_->setEnabled(false);

    auto* column = new QVBoxLayout(this);
    column->addWidget(heading_);
    column->addWidget(list_, 1);
    column->addWidget(buttons);
    resize(400, 460);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(open_, &QPushButton::clicked, this, [this] { openRow(list_->currentIndex().row()); });
    connect(browse_, &QPushButton::clicked, this, &OpenSkinDialog::browse);
    connect(list_, &QListView::activated, this,
            [this](const QModelIndex& index) { openRow(index.row()); });
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &OpenSkinDialog::updateOpenButton);

    if (skinsFolder_) {
        heading_->setText(QStringLiteral("Reading %1 ...").arg(text(*skinsFolder_)));
        model_->list(*skinsFolder_, [this] { showListing(); });
    } else {
        heading_->setText(
            QStringLiteral("The game folder has no skins folder yet. Browse... opens any "
                           "picture as the base."));
        listed_ = true;
    }
}

OpenSkinDialog::~OpenSkinDialog() = default;

int OpenSkinDialog::thumbnailsAsked() const {
    return model_->asked();
}

void OpenSkinDialog::showListing() {
    listed_ = true;
    if (model_->rowCount() == 0) {
        heading_->setText(QStringLiteral("No skins in %1 yet. Browse... opens any picture as "
                                         "the base.")
                              .arg(text(*skinsFolder_)));
        return;
    }
    heading_->setText(QStringLiteral("Skins in %1, newest first.").arg(text(*skinsFolder_)));
    list_->setCurrentIndex(model_->index(0));
    list_->setFocus();
}

void OpenSkinDialog::updateOpenButton() {
    open_->setEnabled(list_->currentIndex().isValid());
}

void OpenSkinDialog::openRow(int row) {
    if (row < 0 || row >= model_->rowCount()) {
        return;
    }
    chosen_ = model_->skin(row).path;
    accept();
}

void OpenSkinDialog::browse() {
    if (std::optional<std::string> picked = chooseFile_(this, skinsFolder_.value_or(""))) {
        chosen_ = std::move(picked);
        accept();
    }
}

std::optional<std::string> chooseSkinToOpen(QWidget* parent,
                                            const std::optional<std::string>& skinsFolder) {
    OpenSkinDialog dialog(skinsFolder, choosePictureFile, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.chosen();
}

std::optional<std::string> choosePictureFile(QWidget* parent, const std::string& folder) {
    QStringList patterns;
    for (const TFileFormatsList::Entry& entry : fileFormats().entries()) {
        patterns.append(QStringLiteral("*.") + QString::fromStdString(entry.extension));
    }
    const QString filter = QStringLiteral("Pictures (%1);;All files (*)").arg(patterns.join(' '));
    // A second browse in a run starts where the first one ended: where downloaded skins lie.
    static QString lastFolder;
    const QString start = !lastFolder.isEmpty() ? lastFolder
                          : folder.empty()      ? QDir::homePath()
                                                : text(folder);
    const QString path =
        QFileDialog::getOpenFileName(parent, QStringLiteral("Open a picture"), start, filter);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    lastFolder = QFileInfo(path).absolutePath();
    return fileNameBytes(path);
}

}  // namespace vestura
