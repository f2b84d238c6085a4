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
        [&] { writeFileSafely(folder.file("skin.bmp"), {header, pixels}); }, 1000));
    EXPECT_EQ(folder.read("skin.bmp"), "old skin");
    EXPECT_EQ(filesIn(folder.path()), 1);
}

}  // namespace
}  // namespace vestura
