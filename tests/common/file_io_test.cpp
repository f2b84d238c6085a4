#include "common/file_io.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "common/errors.h"
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

// A full disk, made real without root: the child may not write files larger than 1000
// bytes, and SIGXFSZ is ignored so the write comes back short instead of killing it.
TEST(WriteFileSafely, FullDiskFailsWithWriteErrorAndKeepsTheOldFile) {
    TempFolder folder;
    folder.write("skin.bmp", "old skin");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        const Bytes header(54, 'h'), pixels(4000, 'p');
        try {
            writeFileSafely(folder.file("skin.bmp"), {header, pixels});
        } catch (const EWriteError& e) {
            _exit(e.message() == "Stream write error" ? 0 : 2);
        } catch (...) {
            _exit(3);
        }
        _exit(4);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(folder.read("skin.bmp"), "old skin");
    EXPECT_EQ(filesIn(folder.path()), 1);
}

}  // namespace
}  // namespace vestura
