#include "common/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/errors.h"
#include "tests/support/full_disk.h"
#include "tests/support/temp_folder.h"

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

TEST(WriteFileSafely, ReadOnlyFolderKeepsTheOldFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    TempFolder folder;
    folder.write("skin.bmp", "old");
    chmod(folder.path().c_str(), 0555);
    const Bytes data = test::toBytes("new");
    EXPECT_THROW(writeFileSafely(folder.file("skin.bmp"), {data}), EFCreateError);
    chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(folder.read("skin.bmp"), "old");
    EXPECT_EQ(filesIn(folder.path()), 1);
}

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
