#include "common/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/errors.h"
#include "tests/support/full_disk.h"
#include "tests/support/temp_folder.h"
#include "tests/support/unprivileged.h"

namespace vestura {
namespace {

using test::TempFolder;

int filesIn(const std::string& folder) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

TEST(ReadWholeFile, ReadsEveryByteIncludingNul) {
    TempFolder folder;
    const std::string content("a\0b\r\nc", 6);
    folder.write("f.bin", content);
    const Bytes bytes = readWholeFile(folder.file("f.bin"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);
}

// Only regular files are read: a FIFO with no writer would block open() forever, a device
// never ends. Each fails at once, also through a link.
TEST(ReadWholeFile, FilesThatAreNoFilesCannotBeOpened) {
    TempFolder folder;
    ASSERT_EQ(mkfifo(folder.file("fifo.bmp").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", folder.file("zero.bmp"));
    std::filesystem::create_symlink(folder.file("fifo.bmp"), folder.file("fifo-link.bmp"));
    for (const char* name : {"fifo.bmp", "zero.bmp", "fifo-link.bmp"}) {
        const std::string path = folder.file(name);
        try {
            readWholeFile(path);
            ADD_FAILURE() << "no failure for " << path;
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.message(), "Cannot open file " + path);
        }
    }
}

TEST(ReadFileUpTo, FileOverTheBoundIsNotRead) {
    TempFolder folder;
    folder.write("f.bin", "12345");
    EXPECT_EQ(readFileUpTo(folder.file("f.bin"), 4), std::nullopt);
    const std::optional<Bytes> bytes = readFileUpTo(folder.file("f.bin"), 5);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "12345");
}

TEST(ReadWholeFile, MissingFileOrFolderCannotBeOpened) {
    TempFolder folder;
    for (const std::string& path : {folder.file("missing.bmp"), folder.path(), std::string()}) {
        try {
            readWholeFile(path);
            ADD_FAILURE() << "no failure for " << path;
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.message(), "Cannot open file " + path);
        }
    }
}

TEST(WriteFileSafely, WritesPiecesInOrderAndReplacesALargerFile) {
    TempFolder folder;
    folder.write("skin.bmp", std::string(5000, 'x'));
    const Bytes a = test::toBytes("head"), b = test::toBytes("-body");
    writeFileSafely(folder.file("skin.bmp"), {a, ByteView(), b});
    EXPECT_EQ(folder.read("skin.bmp"), "head-body");
    EXPECT_EQ(filesIn(folder.path()), 1);  // no temporary file left
}

TEST(WriteFileSafely, MissingFolderOrFolderTargetCannotBeCreated) {
    TempFolder folder;
    std::filesystem::create_directory(folder.file("taken"));
    const Bytes data = test::toBytes("data");
    for (const std::string& path : {folder.file("nowhere/skin.bmp"), folder.file("taken")}) {
        try {
            writeFileSafely(path, {data});
            ADD_FAILURE() << "no failure for " << path;
        } catch (const EFCreateError& e) {
            EXPECT_EQ(e.message(), "Cannot create file " + path);
        }
    }
    EXPECT_EQ(filesIn(folder.path()), 1);
}

// A write-protected folder: no temporary file can be made beside the target. A writable
// file there is rewritten in place; a read-only one, or a new name, still fails and leaves
// the folder as it was. Run as an ordinary user, whom the protection binds.
struct ProtectedFolderCase {
    const char* name;
    bool fileWritable;
    const char* target;
    const char* expected;  // the content of "skin.bmp" afterwards
    int status;            // 0 written, 1 Cannot create file, 2 another failure
};

class WriteIntoProtectedFolder : public testing::TestWithParam<ProtectedFolderCase> {};

TEST_P(WriteIntoProtectedFolder, RewritesOnlyAWritableFileInPlace) {
    const ProtectedFolderCase& c = GetParam();
    TempFolder folder;
    test::openToUnprivileged(folder.path());
    folder.write("skin.bmp", "old");
    test::giveToUnprivileged(folder.file("skin.bmp"));
    chmod(folder.file("skin.bmp").c_str(), c.fileWritable ? 0644 : 0444);
    chmod(folder.path().c_str(), 0555);
    const std::string path = folder.file(c.target);
    const int status = test::runUnprivileged([&] {
        try {
            writeFileSafely(path, {test::toBytes("new")});
            return 0;
        } catch (const EFCreateError& e) {
            return e.message() == "Cannot create file " + path ? 1 : 2;
        } catch (...) {
            return 2;
        }
    });
    chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(folder.read("skin.bmp"), c.expected);
    EXPECT_EQ(filesIn(folder.path()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteIntoProtectedFolder,
    testing::Values(ProtectedFolderCase{"WritableFile", true, "skin.bmp", "new", 0},
                    ProtectedFolderCase{"ReadOnlyFile", false, "skin.bmp", "old", 1},
                    ProtectedFolderCase{"NewFile", true, "other.bmp", "old", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteFileSafely, FullDiskFailsWithWriteErrorAndKeepsTheOldFile) {
    TempFolder folder;
    folder.write("skin.bmp", "old skin");
    const Bytes header(54, 'h'), pixels(4000, 'p');
    EXPECT_TRUE(test::failsWithStreamWriteErrorOnFullDisk(
        [&] {
            writeFileSafely(folder.file("skin.bmp"), {header, pixels});
        },
        1000));
    EXPECT_EQ(folder.read("skin.bmp"), "old skin");
    EXPECT_EQ(filesIn(folder.path()), 1);
}

}  // namespace
}  // namespace vestura
