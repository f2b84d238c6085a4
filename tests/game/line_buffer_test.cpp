// The scratch line buffer: how files split into lines, the editing rules, capacity and
// the failures of load and save.
#include "game/line_buffer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "common/errors.h"
#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

using test::TempFolder;
using namespace std::string_literals;

LineBuffer loaded(const TempFolder& folder, const std::string& content) {
    folder.write("t.txt", content);
    LineBuffer buffer;
    buffer.load(folder.file("t.txt"));
    return buffer;
}

std::vector<std::string> linesOf(const LineBuffer& buffer) {
    std::vector<std::string> lines;
    for (int i = 0; i < buffer.lineCount(); ++i) {
        lines.push_back(buffer.line(i));
    }
    return lines;
}

struct LoadCase {
    const char* name;
    std::string file;
    std::string text;  // after load
    std::vector<std::string> lines;
};

class LineBufferLoad : public testing::TestWithParam<LoadCase> {};

TEST_P(LineBufferLoad, NormalisesBreaksAndCountsLines) {
    TempFolder folder;
    const LoadCase& c = GetParam();
    const LineBuffer buffer = loaded(folder, c.file);
    EXPECT_EQ(buffer.text(), c.text);
    EXPECT_EQ(linesOf(buffer), c.lines);
    const int count = buffer.lineCount();
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(buffer.lineView(i), buffer.line(i));
    }
    for (const int pastEnd : {count, count + 1, count + 2, -1}) {
        EXPECT_EQ(buffer.line(pastEnd), "") << "line " << pastEnd;
        EXPECT_EQ(buffer.lineView(pastEnd), "") << "line " << pastEnd;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, LineBufferLoad,
    testing::Values(
        LoadCase{"Empty", "", "", {}}, LoadCase{"OneLineWithoutBreak", "a", "a", {"a"}},
        LoadCase{"CrLf", "a\r\nb\r\n", "a\r\nb\r\n", {"a", "b"}},
        LoadCase{"LfOnly", "a\nb\n", "a\r\nb\r\n", {"a", "b"}},
        LoadCase{"CrOnly", "a\rb\r", "a\r\nb\r\n", {"a", "b"}},
        LoadCase{"CrCrLfIsTwoBreaks", "a\r\r\nb", "a\r\n\r\nb", {"a", "", "b"}},
        LoadCase{"LfCrIsTwoBreaks", "a\n\rb", "a\r\n\r\nb", {"a", "", "b"}},
        LoadCase{"SingleBreak", "\n", "\r\n", {""}},
        LoadCase{"TwoTrailingBreaksCountOneEmptyLine", "a\r\n\r\n", "a\r\n\r\n", {"a", ""}},
        LoadCase{"LeadingBreak", "\rx", "\r\nx", {"", "x"}},
        LoadCase{"NulEndsTheText", "ab\0cd\r\nef"s, "ab", {"ab"}},
        LoadCase{"NulRightAfterCr", "a\r\0\nb"s, "a\r\n", {"a"}},
        LoadCase{"NulFirst", "\0abc"s, "", {}},
        LoadCase{"EightBitBytes", "\xe9t\xe9\n\xff", "\xe9t\xe9\r\n\xff", {"\xe9t\xe9", "\xff"}},
        LoadCase{"ByteOrderMarkAtTheStartIsSkipped", "\xEF\xBB\xBF<NEW>\r\nx", "<NEW>\r\nx",
                 {"<NEW>", "x"}},
        LoadCase{"ByteOrderMarkElsewhereIsText", "a\n\xEF\xBB\xBF", "a\r\n\xEF\xBB\xBF",
                 {"a", "\xEF\xBB\xBF"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineBuffer, CrAndLfSplitAcrossReadChunksMakeOneBreak) {
    TempFolder folder;
    for (const std::size_t at : {std::size_t{65535}, std::size_t{65536}, std::size_t{131071}}) {
        const LineBuffer buffer = loaded(folder, std::string(at, 'a') + "\r\nb");
        EXPECT_EQ(buffer.lineCount(), 2) << "break at " << at;
        EXPECT_EQ(buffer.line(1), "b");
    }
}

TEST(LineBuffer, LongLineIsReadCutButKeptWhole) {
    TempFolder folder;
    LineBuffer buffer = loaded(folder, std::string(5000, 'x') + "\ny");
    EXPECT_EQ(buffer.line(0), std::string(LineBuffer::kMaxLineLength, 'x'));
    EXPECT_EQ(buffer.lineView(0).size(), LineBuffer::kMaxLineLength);
    EXPECT_EQ(buffer.line(1), "y");
    buffer.save(folder.file("out.txt"));
    EXPECT_EQ(folder.read("out.txt"), std::string(5000, 'x') + "\r\ny");
}

TEST(LineBuffer, SavesLfAndCrOnlyFilesBackWithCrLf) {
    TempFolder folder;
    for (const std::string file : {"a\nb\n\nc", "a\rb\r\rc"}) {
        loaded(folder, file).save(folder.file("out.txt"));
        EXPECT_EQ(folder.read("out.txt"), "a\r\nb\r\n\r\nc");
    }
}

struct EditCase {
    const char* name;
    std::string before;  // file content loaded first
    int line;            // setLine index; -2 means add
    std::string s;
    std::string after;
};

class LineBufferEdit : public testing::TestWithParam<EditCase> {};

constexpr int kAdd = -2;

TEST_P(LineBufferEdit, ChangesTheText) {
    TempFolder folder;
    const EditCase& c = GetParam();
    LineBuffer buffer = loaded(folder, c.before);
    if (c.line == kAdd) {
        buffer.add(c.s);
    } else {
        buffer.setLine(c.line, c.s);
    }
    EXPECT_EQ(buffer.text(), c.after);
    buffer.save(folder.file("out.txt"));
    EXPECT_EQ(folder.read("out.txt"), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    SetLineAndAdd, LineBufferEdit,
    testing::Values(
        EditCase{"SetFirstOfEmptyGivesNoBreak", "", 0, "s", "s"},
        EditCase{"SetPastEmptyDoesNothing", "", 1, "s", ""},
        EditCase{"SetKeepsTheBreak", "a\r\nb\r\n", 0, "long", "long\r\nb\r\n"},
        EditCase{"SetLastLineWithoutBreak", "a\r\nb", 1, "x", "a\r\nx"},
        EditCase{"SetEmptyLastLine", "a\r\nb\r\n", 2, "x", "a\r\nb\r\nx"},
        EditCase{"SetPastEmptyLastLineDoesNothing", "a\r\nb\r\n", 3, "x", "a\r\nb\r\n"},
        EditCase{"SetNegativeDoesNothing", "a", -1, "x", "a"},
        EditCase{"SetToEmpty", "a\r\nb", 0, "", "\r\nb"},
        EditCase{"SetWholeLongLine", std::string(5000, 'x') + "\r\nb", 0, "y", "y\r\nb"},
        EditCase{"SetNormalisesBreaksInside", "a\r\nb", 0, "x\ny\rz", "x\r\ny\r\nz\r\nb"},
        EditCase{"SetStopsAtNul", "a\r\nb", 0, "x\0y"s, "x\r\nb"},
        EditCase{"AddToEmpty", "", kAdd, "x", "x\r\n"},
        EditCase{"AddNormalisesBreaksInside", "a", kAdd, "x\ny\r", "a\r\nx\r\ny\r\n"},
        EditCase{"AddEmptyToEmpty", "", kAdd, "", "\r\n"},
        EditCase{"AddAfterBreak", "a\r\n", kAdd, "x", "a\r\nx\r\n"},
        EditCase{"AddAfterLineWithoutBreak", "a", kAdd, "x", "a\r\nx"},
        EditCase{"AddAfterTwoBreaks", "a\r\n\r\n", kAdd, "x", "a\r\n\r\nx\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineBuffer, LinesFollowEverySetLineAddAndClear) {
    LineBuffer buffer;
    buffer.add("one");
    buffer.add("two");
    buffer.setLine(0, "1\n1b");
    EXPECT_EQ(linesOf(buffer), (std::vector<std::string>{"1", "1b", "two"}));
    buffer.setLine(3, "three");
    EXPECT_EQ(buffer.lineCount(), 4);
    EXPECT_EQ(buffer.line(3), "three");
    buffer.clear();
    EXPECT_EQ(buffer.lineCount(), 0);
    EXPECT_EQ(buffer.text(), "");
    buffer.setLine(0, "again");
    EXPECT_EQ(linesOf(buffer), std::vector<std::string>{"again"});
}

TEST(LineBuffer, LoadReplacesTheWholeText) {
    TempFolder folder;
    LineBuffer buffer = loaded(folder, "first\r\nfile\r\nlonger");
    folder.write("second.txt", "second");
    buffer.load(folder.file("second.txt"));
    EXPECT_EQ(buffer.text(), "second");
    EXPECT_EQ(buffer.lineCount(), 1);
}

TEST(LineBuffer, MissingFileOrFolderCannotBeOpenedAndBufferStays) {
    TempFolder folder;
    std::filesystem::create_directory(folder.file("dir"));
    LineBuffer buffer = loaded(folder, "kept\r\n");
    for (const std::string& path : {folder.file("missing.ls"), folder.file("dir"), ""s}) {
        try {
            buffer.load(path);
            ADD_FAILURE() << "no failure for " << path;
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.message(), "Cannot open file " + path);
        }
        EXPECT_EQ(buffer.text(), "kept\r\n");
        EXPECT_EQ(buffer.line(0), "kept");
    }
}

TEST(LineBuffer, UnreadableFileCannotBeOpened) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads any file";
    }
    TempFolder folder;
    folder.write("locked.cfg", "x");
    chmod(folder.file("locked.cfg").c_str(), 0);
    LineBuffer buffer;
    EXPECT_THROW(buffer.load(folder.file("locked.cfg")), EFOpenError);
}

struct CapacityCase {
    const char* name;
    std::string head;  // the file is head + count copies of fill
    std::size_t count;
    char fill;
    bool fits;
};

class LineBufferCapacity : public testing::TestWithParam<CapacityCase> {};

TEST_P(LineBufferCapacity, TextBeyondCapacityIsRefusedAndBufferStays) {
    TempFolder folder;
    const CapacityCase& c = GetParam();
    folder.write("big.ls", c.head + std::string(c.count, c.fill));
    LineBuffer buffer = loaded(folder, "kept");
    if (c.fits) {
        buffer.load(folder.file("big.ls"));
        EXPECT_LE(buffer.text().size(), LineBuffer::kCapacity);
        return;
    }
    try {
        buffer.load(folder.file("big.ls"));
        ADD_FAILURE() << "no failure";
    } catch (const ETextTooLarge& e) {
        EXPECT_EQ(e.message(), "Text exceeds memo capacity");
    }
    EXPECT_EQ(buffer.text(), "kept");
}

constexpr std::size_t kCap = LineBuffer::kCapacity;

// The capacity counts the text after normalisation: lone LFs grow, a NUL cuts it short.
// A file larger than the capacity is refused before it is read, whatever it holds.
INSTANTIATE_TEST_SUITE_P(
    Sizes, LineBufferCapacity,
    testing::Values(CapacityCase{"Full", "", kCap, 'a', true},
                    CapacityCase{"OneByteOver", "", kCap + 1, 'a', false},
                    CapacityCase{"LfsGrowPastIt", "", kCap / 2 + 1, '\n', false},
                    CapacityCase{"NulCutsFileShort", "ab\0"s, kCap - 3, '\n', true},
                    CapacityCase{"FileOverCapacity", "ab\0"s, kCap, 'a', false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineBuffer, SaveThatCannotCreateKeepsTheOldFile) {
    TempFolder folder;
    std::filesystem::create_directory(folder.file("dir"));
    LineBuffer buffer = loaded(folder, "new");
    for (const std::string& path : {folder.file("nowhere/vestu.cfg"), folder.file("dir")}) {
        try {
            buffer.save(path);
            ADD_FAILURE() << "no failure for " << path;
        } catch (const EFCreateError& e) {
            EXPECT_EQ(e.message(), "Cannot create file " + path);
        }
    }
}

TEST(LineBuffer, SaveOverReadOnlyFileFailsAndKeepsIt) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes read-only files";
    }
    TempFolder folder;
    folder.write("ro.cfg", "old");
    chmod(folder.file("ro.cfg").c_str(), 0444);
    LineBuffer buffer;
    buffer.add("new");
    EXPECT_THROW(buffer.save(folder.file("ro.cfg")), EFCreateError);
    EXPECT_EQ(folder.read("ro.cfg"), "old");
}

}  // namespace
}  // namespace vestura
