// Paths as Qt shows them, mapped back to the bytes of the entries they stand for.
#include "app/file_name_bytes.h"

#include <gtest/gtest.h>

#include <QFile>
#include <filesystem>

#include "tests/support/temp_folder.h"

namespace vestura::test {
namespace {

struct BytesCase {
    const char* name;
    std::string shownAs;  // the bytes Qt decodes into the path it shows, below the folder
    std::string expected;
};

void PrintTo(const BytesCase& c, std::ostream* out) {
    *out << c.name;
}

class FileNameBytes : public ::testing::TestWithParam<BytesCase> {
protected:
    // Folders named in UTF-8, in Windows-1252, two that Qt shows alike, and one whose
    // name is the replacement character itself.
    static void SetUpTestSuite() {
        root_ = new TempFolder;
        for (const char* folder :
             {"caf\xC3\xA9/skins", "gam\xE9/skins", "two\xE8", "two\xE9", "sub/fffd\xEF\xBF\xBD",
              "sub/fffd\xE9", "both\xE9", "both\xC3\xA9"}) {
            std::filesystem::create_directories(root_->file(folder));
        }
    }
    static void TearDownTestSuite() {
        delete root_;
        root_ = nullptr;
    }
    static TempFolder* root_;
};

TempFolder* FileNameBytes::root_ = nullptr;

TEST_P(FileNameBytes, GivesTheBytesOfTheOneEntryShownSo) {
    const BytesCase& c = GetParam();
    const QString shown = QFile::decodeName(QByteArray::fromStdString(root_->file(c.shownAs)));
    EXPECT_EQ(fileNameBytes(shown), root_->file(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileNameBytes,
    ::testing::Values(
        BytesCase{"Utf8", "caf\xC3\xA9/skins", "caf\xC3\xA9/skins"},
        BytesCase{"Windows1252Folder", "gam\xE9", "gam\xE9"},
        BytesCase{"Windows1252FolderWithSeparator", "gam\xE9/", "gam\xE9/"},
        BytesCase{"BelowAWindows1252Folder", "gam\xE9/skins", "gam\xE9/skins"},
        BytesCase{"MissingBelowAWindows1252Folder", "gam\xE9/none", "gam\xEF\xBF\xBD/none"},
        BytesCase{"TwoShownAlikeAreNeitherTaken", "two\xE8", "two\xEF\xBF\xBD"},
        BytesCase{"TheReplacementCharacterAsWrittenFirst", "sub/fffd\xE9", "sub/fffd\xEF\xBF\xBD"}),
    [](const auto& info) { return std::string(info.param.name); });

// A name typed as the program shows 8-bit names: UTF-8 when it exists so, else the one
// folder whose Windows-1252 name reads so.
TEST_F(FileNameBytes, TakesANameAsTheProgramShowsIt) {
    const auto shown = [](const std::string& utf8) {
        return QString::fromStdString(root_->file(utf8));
    };
    EXPECT_EQ(fileNameBytes(shown("gam\u00E9/skins")), root_->file("gam\xE9/skins"));
    EXPECT_EQ(fileNameBytes(shown("both\u00E9")), root_->file("both\xC3\xA9"));
    EXPECT_EQ(fileNameBytes(shown("two\u00E9")), root_->file("two\xE9"));
}

TEST(FileNameBytesOf, ARelativePathIsEncodedAsItIs) {
    EXPECT_EQ(fileNameBytes(QStringLiteral("gam\uFFFD")), "gam\xEF\xBF\xBD");
}

}  // namespace
}  // namespace vestura::test
