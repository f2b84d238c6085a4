// The catalogue loader: "<NEW>" records in the list files, default entries and the
// consequences of a list file that cannot be read.
#include "skin/catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "common/errors.h"
#include "game/line_buffer.h"
#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

using test::TempFolder;
using Lines = std::vector<std::string>;
using namespace std::string_literals;

// Writes every list file, empty unless given.
void writeListFiles(const TempFolder& folder, const std::map<std::string, std::string>& given) {
    for (const CategoryInfo& category : kCategories) {
        const std::string name(category.listFile);
        const auto found = given.find(name);
        folder.write(name, found != given.end() ? found->second : "");
    }
}

struct RecordCase {
    const char* name;
    std::string file;  // the glasses list file
    Lines captions;    // after the default entry
    Lines paths;
    std::vector<int> recordLines;
};

class CatalogueRecords : public testing::TestWithParam<RecordCase> {};

TEST_P(CatalogueRecords, FindsEveryMarker) {
    const RecordCase& c = GetParam();
    TempFolder folder;
    writeListFiles(folder, {{"e.ls", c.file}});
    Catalogue catalogue;
    LineBuffer buffer;
    catalogue.load(folder.path(), buffer);
    const CategoryEntries& glasses = catalogue.entries(Category::Glasses);
    Lines captions{"None"};
    captions.insert(captions.end(), c.captions.begin(), c.captions.end());
    EXPECT_EQ(glasses.captions, captions);
    EXPECT_EQ(glasses.paths, c.paths);
    EXPECT_EQ(glasses.recordLines, c.recordLines);
    EXPECT_EQ(glasses.selected, 0);
}

const std::string kLong(5000, 'c');

INSTANTIATE_TEST_SUITE_P(
    ListFiles, CatalogueRecords,
    testing::Values(
        RecordCase{"Empty", "", {}, {}, {}},
        RecordCase{"OneRecord", "<NEW>\r\nround.bmp\r\nRound\r\n", {"Round"}, {"round.bmp"}, {1}},
        RecordCase{"BackToBack",
                   "<NEW>\r\na.bmp\r\nA\r\n<NEW>\r\nb.bmp\r\nB\r\n",
                   {"A", "B"},
                   {"a.bmp", "b.bmp"},
                   {1, 4}},
        RecordCase{
            "LfOnly", "<NEW>\na.bmp\nA\n<NEW>\nb.bmp\nB\n", {"A", "B"}, {"a.bmp", "b.bmp"}, {1, 4}},
        RecordCase{
            "CrOnly", "<NEW>\ra.bmp\rA\r<NEW>\rb.bmp\rB\r", {"A", "B"}, {"a.bmp", "b.bmp"}, {1, 4}},
        RecordCase{"SeparatedByOtherLines",
                   "; glasses\r\n\r\n<NEW>\r\na.bmp\r\nA\r\nnote\r\n\r\n\r\n<NEW>\r\nb.bmp\r\nB",
                   {"A", "B"},
                   {"a.bmp", "b.bmp"},
                   {3, 9}},
        RecordCase{"NearMarkersIgnored",
                   "<NEW> \r\na\r\nA\r\n<new>\r\nb\r\nB\r\n <NEW>\r\nc\r\nC\r\n<NEW>x\r\n",
                   {},
                   {},
                   {}},
        RecordCase{"MarkerAsCaptionStartsASecondRecord",
                   "<NEW>\r\na.bmp\r\n<NEW>\r\nb.bmp\r\nB",
                   {"<NEW>", "B"},
                   {"a.bmp", "b.bmp"},
                   {1, 3}},
        RecordCase{"MarkerAsPath",
                   "<NEW>\r\n<NEW>\r\nx.bmp\r\nX",
                   {"x.bmp", "X"},
                   {"<NEW>", "x.bmp"},
                   {1, 2}},
        RecordCase{"MarkerOnLastLine",
                   "<NEW>\r\na.bmp\r\nA\r\n<NEW>\r\n",
                   {"A", ""},
                   {"a.bmp", ""},
                   {1, 4}},
        RecordCase{"MarkerOnSecondToLastLine", "<NEW>\r\nlast.bmp", {""}, {"last.bmp"}, {1}},
        RecordCase{"EmptyPathAndCaptionKept", "<NEW>\r\n\r\n\r\n", {""}, {""}, {1}},
        RecordCase{"DuplicateCaptionsKeptInOrder",
                   "<NEW>\nb.bmp\nSame\n<NEW>\na.bmp\nSame\n",
                   {"Same", "Same"},
                   {"b.bmp", "a.bmp"},
                   {1, 4}},
        RecordCase{"LongCaptionCut",
                   "<NEW>\r\nl.bmp\r\n" + kLong,
                   {kLong.substr(0, 4096)},
                   {"l.bmp"},
                   {1}},
        RecordCase{"BackslashesBecomeSeparators",
                   "<NEW>\r\nparts\\glasses\\round.bmp\r\nRound",
                   {"Round"},
                   {"parts/glasses/round.bmp"},
                   {1}},
        RecordCase{
            "NulEndsTheList", "<NEW>\r\na.bmp\r\nA\r\n\0<NEW>\r\nb\r\nB"s, {"A"}, {"a.bmp"}, {1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Catalogue, EveryCategoryGetsItsDefaultAndItsOwnFile) {
    TempFolder folder;
    std::map<std::string, std::string> files;
    for (const CategoryInfo& category : kCategories) {
        const std::string name(category.listFile);
        files[name] = "<NEW>\r\nparts\\" + name + ".bmp\r\n" + name + " part\r\n";
    }
    writeListFiles(folder, files);
    Catalogue catalogue;
    LineBuffer buffer;
    catalogue.load(folder.path(), buffer);
    for (const CategoryInfo& category : kCategories) {
        const std::string name(category.listFile);
        const CategoryEntries& entries = catalogue.entries(category.category);
        EXPECT_TRUE(entries.loaded);
        EXPECT_EQ(entries.captions, (Lines{std::string(category.defaultEntry), name + " part"}));
        EXPECT_EQ(catalogue.pathOf(category.category, 1), "parts/" + name + ".bmp");
        EXPECT_EQ(entries.selected, 0);
    }
    EXPECT_EQ(buffer.text(), files["b.ls"]);  // the buffer holds the last list file read
}

// A list file that cannot be read leaves only its own category at its default entry; every
// other category loads, and each failure comes back with its cause.
TEST(Catalogue, AMissingListFileSpoilsOnlyItsOwnCategory) {
    TempFolder folder;
    writeListFiles(folder, {{"e.ls", "<NEW>\r\ng.bmp\r\nG\r\n"},
                            {"c.ls", "<NEW>\r\nc\r\nC\r\n"},
                            {"b.ls", "<NEW>\r\nb\r\nB\r\n"}});
    std::filesystem::remove(folder.file("p.ls"));
    std::filesystem::remove(folder.file("h.ls"));
    std::filesystem::create_directory(folder.file("h.ls"));  // not a file
    Catalogue catalogue;
    LineBuffer buffer;
    const std::vector<ListFileFailure> failures = catalogue.load(folder.path(), buffer);
    ASSERT_EQ(failures.size(), 2U);
    EXPECT_EQ(failures[0].category, Category::Beard);
    EXPECT_EQ(failures[0].message, "Cannot open file " + folder.file("p.ls"));
    EXPECT_EQ(failures[0].cause, "the file does not exist");
    EXPECT_EQ(failures[1].category, Category::Watch);
    EXPECT_EQ(failures[1].cause, "it is not a regular file");
    EXPECT_EQ(catalogue.entries(Category::Glasses).captions, (Lines{"None", "G"}));
    EXPECT_EQ(catalogue.entries(Category::Chain).captions, (Lines{"Usual", "C"}));
    EXPECT_EQ(catalogue.entries(Category::Boots).captions, (Lines{"Usual", "B"}));
    for (const Category failed : {Category::Beard, Category::Watch}) {
        const CategoryEntries& entries = catalogue.entries(failed);
        EXPECT_TRUE(entries.loaded);
        EXPECT_EQ(entries.captions.size(), 1U);
        EXPECT_TRUE(entries.paths.empty());
        EXPECT_EQ(entries.selected, 0);
    }
}

TEST(Catalogue, LoadingAgainOrClearingStartsAfresh) {
    TempFolder folder;
    writeListFiles(folder, {{"k.ls", "<NEW>\r\nk.bmp\r\nK\r\n"}});
    Catalogue catalogue;
    LineBuffer buffer;
    catalogue.load(folder.path(), buffer);
    catalogue.load(folder.path(), buffer);
    EXPECT_EQ(catalogue.entries(Category::Shirt).captions, (Lines{"Usual", "K"}));
    catalogue.clear();
    for (const CategoryInfo& category : kCategories) {
        const CategoryEntries& entries = catalogue.entries(category.category);
        EXPECT_FALSE(entries.loaded);
        EXPECT_TRUE(entries.captions.empty());
        EXPECT_TRUE(entries.recordLines.empty());
        EXPECT_EQ(entries.selected, -1);
    }
}

}  // namespace
}  // namespace vestura
