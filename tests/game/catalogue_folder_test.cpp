// Which folder the list files come from: the user's own catalogue when it holds a list file.
#include "game/catalogue_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QByteArray>
#include <filesystem>

#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

using test::TempFolder;

// HOME and XDG_DATA_HOME set as given (a null value unsets) for the object's life.
class DataHome {
public:
    DataHome(const QByteArray& home, const QByteArray& data)
        : home_(qgetenv("HOME")), data_(qgetenv("XDG_DATA_HOME")) {
        set("HOME", home);
        set("XDG_DATA_HOME", data);
    }
    ~DataHome() {
        set("HOME", home_);
        set("XDG_DATA_HOME", data_);
    }

private:
    static void set(const char* name, const QByteArray& value) {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
    QByteArray home_, data_;
};

struct FolderCase {
    const char* name;
    bool absoluteData;  // XDG_DATA_HOME absolute (else relative, which is ignored)
    const char* make;   // what lies in the user's catalogue folder
    bool userTaken;
};

class CatalogueFolderTest : public ::testing::TestWithParam<FolderCase> {};

TEST_P(CatalogueFolderTest, IsTheUsersWhenItHoldsAListFile) {
    const FolderCase& c = GetParam();
    const TempFolder home, data;
    const DataHome variables(QByteArray::fromStdString(home.path()),
                             c.absoluteData ? QByteArray::fromStdString(data.path()) : "rel");
    const std::string own = (c.absoluteData ? data.path() : home.path() + ".local/share/") +
                            "vestura/catalogue/";
    EXPECT_EQ(userCatalogueFolder(), own);
    std::filesystem::create_directories(own);
    const std::string made = c.make;
    if (made == "file") {
        test::writeFile(own + "k.ls", "");
    } else if (made == "folder") {
        std::filesystem::create_directory(own + "k.ls");
    } else if (made == "link") {
        ASSERT_EQ(::symlink((home.path() + "elsewhere.ls").c_str(), (own + "k.ls").c_str()), 0);
    } else if (made == "other") {
        test::writeFile(own + "notes.txt", "");
    }
    EXPECT_EQ(catalogueFolder("/program/", {"e.ls", "k.ls"}), c.userTaken ? own : "/program/");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CatalogueFolderTest,
    ::testing::Values(FolderCase{"ListFileInDataHome", true, "file", true},
                      FolderCase{"ListFileBelowHomeWhenDataHomeIsRelative", false, "file", true},
                      FolderCase{"EmptyFolder", true, "", false},
                      FolderCase{"OtherFilesOnly", true, "other", false},
                      FolderCase{"FolderNamedLikeAListFile", false, "folder", false},
                      FolderCase{"LinkToNothing", true, "link", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CatalogueFolder, IsTheProgramFolderWithoutHomeOrDataHome) {
    const DataHome variables{QByteArray{}, QByteArray{}};
    EXPECT_EQ(userCatalogueFolder(), "");
    EXPECT_EQ(catalogueFolder("/program/", {"e.ls"}), "/program/");
}

}  // namespace
}  // namespace vestura
