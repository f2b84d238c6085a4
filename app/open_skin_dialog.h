// The Open dialog: the skins of the game's skins folder with a small picture of each, newest
// first, and "Browse..." for any picture file. The folder is read and the pictures are made
// off the window's thread, each only once its row is shown, so a folder of many skins never
// holds the dialog up.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QListView;
class QPushButton;

namespace vestura {

class SkinListModel;

inline constexpr const char* kOpenSkinTitle = "Open a skin";

class OpenSkinDialog final : public QDialog {
    Q_OBJECT

public:
    // Asks for any picture file the program reads, starting in `folder`; nullopt when the
    // user cancels.
    using FileChooser =
        std::function<std::optional<std::string>(QWidget* parent, const std::string& folder)>;

    static constexpr int kThumbnailSize = 64;

    // `skinsFolder` is the game's skins folder, ending with a separator; nullopt when the
    // game folder has none.
    OpenSkinDialog(std::optional<std::string> skinsFolder, FileChooser browse, QWidget* parent);
    ~OpenSkinDialog() override;

    // The path of the skin or picture chosen, once the dialog is accepted.
    const std::optional<std::string>& chosen() const { return chosen_; }

    QListView* list() const { return list_; }
    QPushButton* openButton() const { return open_; }
    QPushButton* browseButton() const { return browse_; }
    // True once the folder has been read and the list filled.
    bool listed() const { return listed_; }
    // How many rows have asked for their small picture so far.
    int thumbnailsAsked() const;

private:
    void showListing();
    void openRow(int row);
    void browse();
    void updateOpenButton();

    std::optional<std::string> skinsFolder_;
    FileChooser chooseFile_;
    SkinListModel* model_;
    QLabel* heading_;
    QListView* list_;
    QPushButton* open_;
    QPushButton* browse_;
    std::optional<std::string> chosen_;
    bool listed_ = false;
};

// The Open dialog, run modally over `parent`: the path of the skin or picture chosen.
std::optional<std::string> chooseSkinToOpen(QWidget* parent,
                                            const std::optional<std::string>& skinsFolder);

// The file dialog for any picture the program reads (the extensions of its picture table, in
// any letter case), opening in `folder` (the home folder when empty), or, after a first
// choice, in the folder of the picture chosen last.
std::optional<std::string> choosePictureFile(QWidget* parent, const std::string& folder);

}  // namespace vestura
