// The file existence test: files, folders, missing names and wildcard patterns.
#include "game/file_exists.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/game/current_folder.h"
#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

using test::TempFolder;

struct ExistsCase {
    const char* name;
    std::string path;  // relative to the test folder
    bool exists;
};

class FileExistsTest : public testing::TestWithParam<ExistsCase> {
protected:
    // A folder with files, a read-only and a hidden file, folders, and names that look
    // like patterns.
    static void SetUpTestSuite() {
        folder_ = new TempFolder;
        for (const char* file :
             {"file.txt", "ro.txt", ".hidden", "a[1].bmp", "ab", "ba", "c.bmp"}) {
            folder_->write(file, "x");
        }
        chmod(folder_->file("ro.txt").c_str(), 0444);
        for (const char* dir : {"sub", "aa", "bb"}) {
            std::filesystem::create_directory(folder_->file(dir));
        }
        folder_->write("sub/inner.bmp", "x");
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static TempFolder* folder_;
};

TempFolder* FileExistsTest::folder_ = nullptr;

TEST_P(FileExistsTest, FindsFilesButNotFolders) {
    const ExistsCase& c = GetParam();
    EXPECT_EQ(FileExists(folder_->file(c.path)), c.exists) << folder_->file(c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileExistsTest,
    testing::Values(
        ExistsCase{"File", "file.txt", true}, ExistsCase{"ReadOnlyFile", "ro.txt", true},
        ExistsCase{"HiddenFile", ".hidden", true},
        ExistsCase{"FileInSubfolder", "sub/inner.bmp", true}, ExistsCase{"Folder", "sub", false},
        ExistsCase{"FolderWithSeparator", "sub/", false},
        ExistsCase{"FileWithSeparator", "file.txt/", false},
        ExistsCase{"Missing", "missing.txt", false},
        ExistsCase{"MissingFolder", "nowhere/file.txt", false},
        ExistsCase{"TheFolderItself", "", false}, ExistsCase{"StarMatchesFile", "*.txt", true},
        ExistsCase{"QuestionMatchesFile", "fil?.txt", true},
        ExistsCase{"BracketsAreOrdinary", "[f]ile.txt", false},
        ExistsCase{"BracketedSkinNameIsNotAPattern", "[cd].bmp", false},
        ExistsCase{"BracketsBesideAStarAreLiteral", "a[1]*", true},
        ExistsCase{"BackslashIsLiteral", "a\\[1]*", false},
        ExistsCase{"StarMatchesHiddenFile", "*hidden", true},
        ExistsCase{"PatternMatchingOnlyFolder", "su?", false},
        ExistsCase{"PatternMatchingNothing", "*.none", false},
        ExistsCase{"PatternInSubfolder", "sub/*.bmp", true},
        ExistsCase{"PatternInFolderPartIsLiteral", "s*/inner.bmp", false},
        ExistsCase{"FirstMatchIsAFolder", "a?", false}, ExistsCase{"FirstMatchIsAFile", "b?", true},
        ExistsCase{"LiteralNameWithBrackets", "a[1].bmp", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FileExists, EmptyPathIsMissing) {
    EXPECT_FALSE(FileExists(""));
}

TEST(FileExists, BareNamesAndPatternsAreLookedUpInTheCurrentFolder) {
    TempFolder folder;
    folder.write("gta-vc.exe", "x");
    const test::CurrentFolder current(folder.path());
    EXPECT_TRUE(FileExists("gta-vc.exe"));
    EXPECT_TRUE(FileExists("gta-*.exe"));
    EXPECT_FALSE(FileExists("vestu.cfg"));
}

}  // namespace
}  // namespace vestura
