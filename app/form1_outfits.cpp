// TForm1 and outfits: opening a skin with its recorded outfit or as the base skin, the base
// shown under the preview, the parts' colours and their swatch menu, a random outfit, and
// the outfit Save records beside each skin.
#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <filesystem>

#include "app/builtin_art.h"
#include "app/colour_menu.h"
#include "app/failure_reporting.h"
#include "app/field_style.h"
#include "app/form1.h"
#include "app/layout.h"
#include "app/open_skin_dialog.h"
#include "app/preview_widget.h"
#include "app/program_info.h"
#include "common/errors.h"
#include "common/messages.h"
#include "common/platform.h"
#include "common/text8.h"
#include "game/skins_check.h"
#include "skin/image_graphic.h"
#include "skin/outfit.h"

namespace vestura {

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(text8::decoded(s));
}

constexpr std::string_view kSkinSuffix = ".bmp";
// The cross after the base skin's name, a link back to the built-in base.
constexpr const char* kBackLink = "&nbsp;<a href=\"#\" style=\"text-decoration: none\">&times;</a>";
constexpr std::string_view kNotRecorded =
    "The skin is saved, but its outfit is not recorded: opening it again will not bring back "
    "these parts and colours";

// The folder holding `path`, ending with a separator, and the file's name.
std::string folderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() || folder.ends_with(platform::kPathSeparator)
               ? folder
               : folder + platform::kPathSeparator;
}
std::string nameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// The name a skin file is saved under: its file name without ".bmp" in any letter case.
std::string skinNameOf(const std::string& fileName) {
    const bool bmp =
        fileName.size() > kSkinSuffix.size() &&
        text8::equalsIgnoringCase(
            std::string_view(fileName).substr(fileName.size() - kSkinSuffix.size()), kSkinSuffix);
    return bmp ? fileName.substr(0, fileName.size() - kSkinSuffix.size()) : fileName;
}

std::string absolutePath(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    return absolute.empty() ? path : absolute.lexically_normal().string();
}

// "Cannot open file x: it is a folder" as one line for a list of what did not come back.
std::string withCause(const Exception& e) {
    return e.cause().empty() ? e.message() : e.message() + ": " + e.cause();
}

std::optional<QRgb> chooseColourInDialog(QWidget* parent, const QString& title,
                                         std::optional<QRgb> current) {
    const QColor chosen = QColorDialog::getColor(
        current ? QColor::fromRgb(*current) : QColor(Qt::white), parent, title);
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return chosen.rgb();
}

}  // namespace

void TForm1::openSkin() {
    runGuarded(services_, [this] {
        const SkinChooser choose = skinChooser_ ? skinChooser_ : chooseSkinToOpen;
        if (const std::optional<std::string> path = choose(this, skinsFolderOf(gameFolder()))) {
            openSkinFile(*path);
        }
    });
}

void TForm1::openSkinFile(const std::string& path) {
    runGuarded(services_, [&] {
        const std::string folder = folderOf(path);
        const std::string name = nameOf(path);
        std::optional<Outfit> outfit;
        try {
            outfit = recordedOutfit(folder, name);
        } catch (const OutfitLineError& e) {
            reportFailureText(services_, "The outfit recorded for " + name + " cannot be read",
                              folder + std::string(kOutfitsFileName) + ", " + e.message() +
                                  ". Nothing was opened");
            return;
        }
        if (outfit) {
            applyOutfit(*outfit, folder, name);
            return;
        }
        // A picture that fails to load raises here, before anything has changed.
        setBase(loadBaseSkin(path), absolutePath(path));
        previewWidget->refresh();
        refreshModelView();
    });
}

void TForm1::applyOutfit(const Outfit& outfit, const std::string& folder, const std::string& name) {
    std::vector<std::string> missing;
    std::array<int, kCategoryCount> entries{};
    for (const CategoryInfo& category : kCategories) {
        const auto at = static_cast<std::size_t>(category.category);
        if (const std::optional<std::string>& entry = outfit.entries[at]) {
            if (const std::optional<int> found =
                    findOutfitEntry(catalogue_, category.category, *entry)) {
                entries[at] = *found;
            } else {
                missing.push_back(std::string(category.label) + ": \"" + *entry + "\"");
            }
        }
    }
    std::shared_ptr<TGraphic> base = baseSkin();
    std::optional<std::string> basePath;
    std::string baseFailure;
    if (outfit.base) {
        // A base recorded without a folder lies beside the record.
        const std::string path = std::filesystem::path(*outfit.base).is_absolute()
                                     ? *outfit.base
                                     : folder + *outfit.base;
        try {
            base = loadBaseSkin(path);
            basePath = path;
        } catch (const Exception& e) {
            baseFailure = "the base skin " + path + " (" + withCause(e) + ")";
        }
    }
    setBase(std::move(base), std::move(basePath));
    for (const CategoryInfo& category : kCategories) {
        const auto at = static_cast<std::size_t>(category.category);
        runGuarded(services_, [&] { preview_.setColour(category.category, outfit.colours[at]); });
        showPartColour(category.category);
        reloadPart(category.category, entries[at]);
    }
    Edit2->setText(text(skinNameOf(name)));
    partsChanged();
    if (missing.empty() && baseFailure.empty()) {
        return;
    }
    std::string lines;
    for (const std::string& line : missing) {
        lines += "\n" + line;
    }
    if (!baseFailure.empty()) {
        lines += "\n" + baseFailure;
    }
    std::string detail;
    if (!missing.empty()) {
        detail = missing.size() == 1
                     ? "The part lists no longer have this entry: its category shows its default "
                       "entry."
                     : "The part lists no longer have these entries: their categories show their "
                       "default entries.";
    }
    if (!baseFailure.empty()) {
        detail += std::string(detail.empty() ? "" : " ") +
                  "The built-in base skin is shown in place of the one that cannot be read.";
    }
    services_.showMessage(name + " was opened without:" + lines, std::string(kApplicationTitle),
                          mb::kWarning, detail);
}

void TForm1::setBase(std::shared_ptr<TGraphic> base, std::optional<std::string> path) {
    preview_.setBaseSkin(std::move(base));
    basePath_ = std::move(path);
    showBase();
}

void TForm1::useBuiltInBase() {
    runGuarded(services_, [this] {
        setBase(baseSkin(), std::nullopt);
        previewWidget->refresh();
        refreshModelView();
    });
}

// "Base: Cool.bmp x", the name cut in its middle to fit, the cross a link back to the
// built-in base; the whole path in the tooltip.
void TForm1::showBase() {
    builtInBaseAction_->setEnabled(basePath_.has_value());
    if (!basePath_) {
        BaseLabel->hide();
        BaseLabel->clear();
        return;
    }
    const QString prefix = QStringLiteral("Base: ");
    const QString back = QStringLiteral(" \u00D7");
    const QFontMetrics metrics(BaseLabel->font());
    const int room = BaseLabel->width() - metrics.horizontalAdvance(prefix + back) - 2;
    const QString name =
        metrics.elidedText(text(nameOf(*basePath_)), Qt::ElideMiddle, std::max(room, 0));
    BaseLabel->setText(prefix + name.toHtmlEscaped() + QString::fromLatin1(kBackLink));
    BaseLabel->setToolTip(QStringLiteral("The base skin: %1\nThe cross or Ctrl+B goes back to "
                                         "the built-in one.")
                              .arg(text(*basePath_)));
    BaseLabel->show();
}

void TForm1::setPartColour(Category category, std::optional<QRgb> colour) {
    runGuarded(services_, [&] {
        preview_.setColour(category, colour);
        showPartColour(category);
        previewWidget->refresh();
        refreshModelView();
    });
}

std::optional<QRgb> TForm1::partColour(Category category) const {
    return preview_.slot(category).colour;
}

// The selector's swatch and its tooltip follow the part's colour.
void TForm1::showPartColour(Category category) {
    QComboBox* box = selector(category);
    const std::optional<QRgb>& colour = preview_.slot(category).colour;
    box->setProperty(kPartColourProperty, colour ? QVariant(QColor::fromRgb(*colour)) : QVariant());
    QString tip = QString::fromLatin1(layout::kSelectorTip);
    if (colour) {
        tip =
            QStringLiteral("Colour %1. ").arg(QString::fromStdString(formatColour(*colour))) + tip;
    }
    box->setToolTip(tip);
    box->update();
}

std::optional<Category> TForm1::categoryOf(const QObject* control) const {
    for (const CategoryInfo& category : kCategories) {
        if (selector(category.category) == control) {
            return category.category;
        }
    }
    return std::nullopt;
}

// A right-click on a selector, the context-menu key or Shift+F10 on one opens its swatch
// menu: with the mouse where it was clicked, from the keyboard under the field.
bool TForm1::handleColourMenuRequest(QObject* watched, QEvent* event) {
    const std::optional<Category> category = categoryOf(watched);
    if (!category) {
        return false;
    }
    const QWidget* box = selector(*category);
    const QPoint underField = box->mapToGlobal(QPoint(0, box->height()));
    if (event->type() == QEvent::ContextMenu) {
        const auto* request = static_cast<QContextMenuEvent*>(event);
        showColourMenu(*category, request->reason() == QContextMenuEvent::Mouse
                                      ? request->globalPos()
                                      : underField);
        return true;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool menuKey = key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier;
    const bool shiftF10 = key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
    if (!menuKey && !shiftF10) {
        return false;
    }
    showColourMenu(*category, underField);
    return true;
}

// The menu opens without waiting for it: the window goes on while it is shown, and what is
// picked in it arrives later.
void TForm1::showColourMenu(Category category, const QPoint& globalPos) {
    if (colourMenu_ != nullptr && colourMenu_->isVisible()) {
        return;  // one request, as the menu key may send both a key and a menu event
    }
    // The default entry shows no part of the list, so nothing takes the colour yet.
    const QString note = selector(category)->currentIndex() > 0
                             ? QString()
                             : QStringLiteral("Shows on the part picked in the list");
    colourMenu_ = makeColourMenu(
        this, QString::fromStdString(std::string(info(category).label)) + " colour", note,
        partColour(category),
        [this, category](std::optional<QRgb> colour) { setPartColour(category, colour); },
        [this, category] {
            // After the menu has closed, not inside its handler.
            QTimer::singleShot(0, this, [this, category] { chooseOtherColour(category); });
        });
    colourMenu_->popup(globalPos);
}

void TForm1::chooseOtherColour(Category category) {
    runGuarded(services_, [&] {
        const ColourChooser choose = colourChooser_ ? colourChooser_ : chooseColourInDialog;
        const QString title =
            QString::fromStdString(std::string(info(category).label)) + QStringLiteral(" colour");
        if (const std::optional<QRgb> colour = choose(this, title, partColour(category))) {
            setPartColour(category, *colour);
        }
    });
}

void TForm1::showPreviewMenu(const QPoint& globalPos) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PreviewMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(openAction_);
    menu->addAction(randomAction_);
    menu->addAction(builtInBaseAction_);
    menu->addSeparator();
    QAction* worn = menu->addAction(QStringLiteral("See it worn"));
    worn->setShortcut(QKeySequence(Qt::Key_F3));  // shown only; F3 works through handleKey
    connect(worn, &QAction::triggered, this, &TForm1::openModelView);
    menu->popup(globalPos);
}

void TForm1::randomOutfit() {
    runGuarded(services_, [this] {
        for (const CategoryInfo& category : kCategories) {
            const int count = selector(category.category)->count();
            if (count > 0) {
                reloadPart(category.category,
                           std::uniform_int_distribution<int>(0, count - 1)(random_));
            }
        }
        partsChanged();
    });
}

void TForm1::partsChanged() {
    watchCatalogue();
    previewWidget->refresh();
    refreshModelView();
}

bool TForm1::refusedAsBase(const std::string& skinPath) {
    std::error_code error;
    if (!basePath_ || !std::filesystem::equivalent(skinPath, *basePath_, error) || error) {
        return false;
    }
    services_.showMessage(
        nameOf(skinPath) + " is the base skin of this one.", std::string(kApplicationTitle),
        mb::kWarning,
        "Saving over it would lose the picture this skin is made on. Choose "
        "another name, or go back to the built-in base with the cross beside its name under "
        "the preview.");
    return true;
}

void TForm1::recordSavedOutfit(const std::string& skinPath) {
    try {
        Outfit outfit;
        outfit.skin = nameOf(skinPath);
        for (const CategoryInfo& category : kCategories) {
            const auto at = static_cast<std::size_t>(category.category);
            outfit.entries[at] = outfitEntryText(catalogue_, category.category, shownEntry_[at]);
            outfit.colours[at] = preview_.slot(category.category).colour;
        }
        outfit.base = basePath_;
        recordOutfit(folderOf(skinPath), outfit);
    } catch (const Exception& e) {
        reportFailureText(services_, e.message(),
                          e.cause().empty() ? std::string(kNotRecorded)
                                            : e.cause() + ". " + std::string(kNotRecorded));
    } catch (const std::bad_alloc&) {
        reportFailureText(services_, std::string(msg::kOutOfMemory), std::string(kNotRecorded));
    } catch (const std::exception& e) {
        reportFailureText(services_, e.what(), std::string(kNotRecorded));
    }
}

}  // namespace vestura
