// TForm1: the main window. Builds the fixed layout, wires each control's events to its
// handler and runs every handler inside the failure guard. The work itself lives in the
// skin/, game/ and picture/ layers.
#pragma once

#include <QMenu>
#include <QPointer>
#include <QRgb>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/desktop_services.h"
#include "game/line_buffer.h"
#include "skin/catalogue.h"
#include "skin/categories.h"
#include "skin/preview.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vestura {

class CatalogueWatcher;
class DesktopServices;
class ModelViewWindow;
class PreviewWidget;
class TGraphic;
struct Outfit;

class TForm1 final : public QWidget {
    Q_OBJECT

public:
    // `programFolder` is the executable's folder, ending with a separator; it holds the
    // settings file. The list files and parts are read from `catalogueFolder` (also ending
    // with a separator), by default the program folder.
    TForm1(DesktopServices& services, std::string programFolder, std::string catalogueFolder = {});
    ~TForm1() override;

    // The creation handler, run once before the window is first shown: makes the program
    // folder current, empties the selectors, runs the settings step, loads the catalogue.
    void FormCreate();

    // The event handlers, named after their control and event.
    void ComboBox1Change();
    void ComboBox2Change();
    void ComboBox3Change();
    void ComboBox4Change();
    void ComboBox5Change();
    void ComboBox6Change();
    void ComboBox7Change();
    void Button1Click();  // Exit
    void Button2Click();  // choose the game folder
    void Button3Click();  // Save
    void Button4Click();  // About
    void vdClick();       // start the game
    void Label13Click();
    void Label13MouseMove();
    void Label13MouseLeave();
    // F5: reads the seven list files again; each selector keeps the entry with the same
    // caption when there still is one (else its default entry), and the preview follows.
    void FormReloadCatalogue();

    // Opens the 3D view of the composed skin on the game folder's player model (F3, or a
    // double-click on the preview frame); a missing or damaged model is reported instead.
    void openModelView();
    // The 3D view, once opened.
    ModelViewWindow* modelView() const { return modelView_; }

    const Preview& preview() const { return preview_; }

    // Ctrl+O, the "Open..." button and the preview's menu: asks which skin or picture to
    // open, then opens it as openSkinFile does.
    void openSkin();
    // A skin whose folder's outfits record has its line comes back as it was made: its
    // entries (a caption no longer listed leaves its category at the default entry, and one
    // box names them), colours, base and name. Any other picture becomes the base skin, and
    // the selectors keep what they show. A record that cannot be read, or a picture that
    // cannot, is reported and changes nothing.
    void openSkinFile(const std::string& path);
    // Ctrl+R: an entry in every category, each as likely as any other of its category, the
    // default entry among them. Colours and the base stay.
    void randomOutfit();
    void seedRandomOutfits(std::uint32_t seed) { random_.seed(seed); }
    // Gives the category's part a colour, or none; the selector shows it.
    void setPartColour(Category category, std::optional<QRgb> colour);
    std::optional<QRgb> partColour(Category category) const;
    // The swatch menu of the category's selector, opened at `globalPos`; the one open.
    void showColourMenu(Category category, const QPoint& globalPos);
    QMenu* colourMenu() const { return colourMenu_; }
    // Back to the built-in base skin.
    void useBuiltInBase();
    // The picture the base skin was read from; empty for the built-in one.
    const std::optional<std::string>& basePath() const { return basePath_; }

    // Which skin or picture to open: the Open dialog over the skins folder (ending with a
    // separator; empty when the game folder has none). A test passes its own.
    using SkinChooser = std::function<std::optional<std::string>(
        QWidget* parent, const std::optional<std::string>& skinsFolder)>;
    void setSkinChooser(SkinChooser chooser) { skinChooser_ = std::move(chooser); }
    // "Other..." in the swatch menu: the platform's colour dialog. A test passes its own.
    using ColourChooser = std::function<std::optional<QRgb>(QWidget* parent, const QString& title,
                                                            std::optional<QRgb> current)>;
    void setColourChooser(ColourChooser chooser) { colourChooser_ = std::move(chooser); }

    // What finds the game installs offered in the folder dialog's sidebar. It runs on a
    // worker thread while the dialog is open, so it must share nothing with the window.
    using InstallFinder = std::function<std::vector<FolderPlace>()>;
    void setInstallFinder(InstallFinder finder) { installFinder_ = std::move(finder); }

    // The controls, named as in the layout.
    QWidget* Image2 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QComboBox* ComboBox4 = nullptr;
    QComboBox* ComboBox5 = nullptr;
    QComboBox* ComboBox6 = nullptr;
    QComboBox* ComboBox7 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* vd = nullptr;
    PreviewWidget* previewWidget = nullptr;
    // In room the layout leaves free: "Open..." above Save, the base skin's name under the
    // preview (shown while it is not the built-in one).
    QPushButton* OpenButton = nullptr;
    QLabel* BaseLabel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLabels();
    void buildControls();
    void buildPreview();
    void buildOutfitControls();
    void wireEvents();

    QComboBox* selector(Category category) const;
    void selectorChanged(Category category);
    void reloadPart(Category category, int index);
    void fillSelectors();
    void startGameFolder();
    void countInstallsMeanwhile(const InstallFinder& finder);
    void loadCatalogue();
    // One box naming every list file that failed, and what became of their lists.
    void reportListFailures(const std::vector<ListFileFailure>& failures, bool reloading);
    void markGameFolder();
    void watchCatalogue();
    void catalogueChangedOnDisk();
    void report(const std::string& message);
    template <typename Handler>
    void guarded(Handler&& handler);

    bool handleKey(QObject* watched, QEvent* event);
    bool handleWheel(QObject* watched, QEvent* event);
    bool handleLinkEvent(QEvent* event);
    bool handleColourMenuRequest(QObject* watched, QEvent* event);
    std::optional<Category> categoryOf(const QObject* control) const;
    void showPreviewMenu(const QPoint& globalPos);
    void chooseOtherColour(Category category);

    void applyOutfit(const Outfit& outfit, const std::string& folder, const std::string& name);
    void setBase(std::shared_ptr<TGraphic> base, std::optional<std::string> path);
    void showBase();
    void showPartColour(Category category);
    // The selectors, preview and 3D view follow the slots, and the watcher their pictures.
    void partsChanged();
    // Save's refusal to write over the picture the base skin was read from.
    bool refusedAsBase(const std::string& skinPath);
    // Keeps the outfit of the skin just written in its folder's record; a failure is
    // reported and leaves the skin as written.
    void recordSavedOutfit(const std::string& skinPath);

    void showGameFolder(const std::string& folder);
    std::string gameFolder() const;
    std::string skinName() const;

    DesktopServices& services_;
    InstallFinder installFinder_;
    const std::string programFolder_;
    const std::string catalogueFolder_;
    std::string gameFolder_;  // the bytes Edit1 shows decoded

    // Data holders: the scratch line buffer, the catalogue (selector captions and the seven
    // path lists) and the preview's slots with their pictures.
    LineBuffer Memo1;
    Catalogue catalogue_;
    Preview preview_;

    // The entry each slot shows: where a selector returns when its new part fails to load.
    std::array<int, kCategoryCount> shownEntry_{};
    std::size_t installsFound_ = 0;  // by the search at start-up, when it ran
    // Reloads as F5 does when a list file or a shown part's picture changes on disk.
    CatalogueWatcher* catalogueWatcher_ = nullptr;

    bool linkPressed_ = false;  // the left button went down on the contact link

    std::optional<std::string> basePath_;
    std::mt19937 random_;
    SkinChooser skinChooser_;
    ColourChooser colourChooser_;
    QAction* openAction_ = nullptr;
    QAction* randomAction_ = nullptr;
    QAction* builtInBaseAction_ = nullptr;
    QPointer<QMenu> colourMenu_;  // while one is open

    // Shows the composed skin in the 3D view when it is open.
    void refreshModelView();
    ModelViewWindow* modelView_ = nullptr;
};

}  // namespace vestura
