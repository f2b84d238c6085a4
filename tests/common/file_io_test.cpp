#include "common/file_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
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

// Only a regular file is ever replaced. A character device or a FIFO with a reader takes
// the content directly and stays what it was; a block device, a socket, a FIFO with no
// reader and a folder are refused. Device nodes are made in the test's own folder (root
// only; otherwise those cases are skipped).
struct NodeTarget {
    const char* name;
    mode_t kind;      // S_IFCHR, S_IFBLK, S_IFIFO, S_IFSOCK or S_IFDIR
    dev_t device;     // for the device nodes
    bool withReader;  // a FIFO someone reads
    int status;       // 0 written, 1 Cannot create file, 2 Stream write error
};

class WriteToNode : public testing::TestWithParam<NodeTarget> {};

bool makeNode(const std::string& path, const NodeTarget& node) {
    if (node.kind == S_IFDIR) {
        return mkdir(path.c_str(), 0755) == 0;
    }
    if (node.kind == S_IFSOCK) {
        const int s = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        const bool bound = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(s);
        return bound;
    }
    return mknod(path.c_str(), node.kind | 0666, node.device) == 0;
}

TEST_P(WriteToNode, WritesOnlyStreamsDirectlyAndReplacesNothing) {
    const NodeTarget& node = GetParam();
    TempFolder folder;
    const std::string path = folder.file("skin.bmp");
    if (!makeNode(path, node)) {
        GTEST_SKIP() << "cannot make the node here (device nodes need root)";
    }
    const int reader = node.withReader ? open(path.c_str(), O_RDONLY | O_NONBLOCK) : -1;
    int status = 0;
    try {
        writeFileSafely(path, {test::toBytes("new skin")});
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.message(), "Cannot create file " + path);
        status = 1;
    } catch (const EWriteError&) {
        status = 2;
    }
    EXPECT_EQ(status, node.status);
    if (reader >= 0) {
        char got[16] = {};
        EXPECT_EQ(read(reader, got, sizeof got), 8);
        EXPECT_STREQ(got, "new skin");
        close(reader);
    }
    struct stat after {};
    ASSERT_EQ(lstat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & S_IFMT, node.kind);
    EXPECT_EQ(filesIn(folder.path()), 1);  // no temporary file left
}

INSTANTIATE_TEST_SUITE_P(Nodes, WriteToNode,
                         testing::Values(NodeTarget{"NullDevice", S_IFCHR, makedev(1, 3), false, 0},
                                         NodeTarget{"FullDevice", S_IFCHR, makedev(1, 7), false, 2},
                                         NodeTarget{"BlockDevice", S_IFBLK, makedev(7, 0), false,
                                                    1},
                                         NodeTarget{"FifoWithReader", S_IFIFO, 0, true, 0},
                                         NodeTarget{"FifoWithoutReader", S_IFIFO, 0, false, 1},
                                         NodeTarget{"Socket", S_IFSOCK, 0, false, 1},
                                         NodeTarget{"Folder", S_IFDIR, 0, false, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// A link to a device is followed to it and the device written; the link stays a link.
TEST(WriteFileSafely, LinkToADeviceWritesTheDeviceAndKeepsTheLink) {
    TempFolder folder;
    if (mknod(folder.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "device nodes need root";
    }
    std::filesystem::create_symlink(folder.file("null"), folder.file("skin.bmp"));
    writeFileSafely(folder.file("skin.bmp"), {test::toBytes("new skin")});
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("skin.bmp")));
    EXPECT_TRUE(std::filesystem::is_character_file(folder.file("null")));
    EXPECT_EQ(filesIn(folder.path()), 2);
}

// A folder that takes no new file, on a disk too full for the new content: the rewrite in
// place reserves the new size first, so the old file stays byte for byte; with room, the
// new content replaces a longer old one exactly.
TEST(WriteFileSafely, RewriteInPlaceOnAFullDiskKeepsTheOldFile) {
    TempFolder folder;
    test::openToUnprivileged(folder.path());
    const std::string old(600, 'o');
    folder.write("skin.bmp", old);
    test::giveToUnprivileged(folder.file("skin.bmp"));
    chmod(folder.path().c_str(), 0555);
    const std::string path = folder.file("skin.bmp");
    const Bytes big(4000, 'n'), small = test::toBytes("new");
    const int tooBig = test::runUnprivileged([&] {
        return test::failsWithStreamWriteErrorOnFullDisk([&] { writeFileSafely(path, {big}); },
                                                         1000)
                   ? 0
                   : 1;
    });
    const std::string afterFailure = folder.read("skin.bmp");
    const int fits = test::runUnprivileged([&] {
        writeFileSafely(path, {small});
        return 0;
    });
    chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(tooBig, 0);
    EXPECT_EQ(afterFailure, old);
    EXPECT_EQ(fits, 0);
    EXPECT_EQ(folder.read("skin.bmp"), "new");
    EXPECT_EQ(filesIn(folder.path()), 1);
}

// Until commit() the new content has no name in the folder, so a kill at any moment leaves
// nothing; where unnamed files are not used, the temporary name exists only until commit()
// and goes with a PendingFile that is dropped.
TEST(PendingFile, NewContentHasNoNameUntilCommitted) {
    TempFolder folder;
    folder.write("old.bmp", "old skin");
    const Bytes bytes = test::toBytes("new skin");
    const std::array<ByteView, 1> pieces = {ByteView(bytes)};
    {
        PendingFile replacing(folder.file("old.bmp"), pieces);
        PendingFile creating(folder.file("new.bmp"), pieces);
        EXPECT_TRUE(replacing.waitsUnnamed());
        EXPECT_EQ(filesIn(folder.path()), 1);
        replacing.commit();
        creating.commit();
    }
    EXPECT_EQ(folder.read("old.bmp"), "new skin");
    EXPECT_EQ(folder.read("new.bmp"), "new skin");
    EXPECT_EQ(filesIn(folder.path()), 2);

    preferUnnamedFiles(false);
    {
        PendingFile named(folder.file("old.bmp"), pieces);
        EXPECT_FALSE(named.waitsUnnamed());
        EXPECT_EQ(filesIn(folder.path()), 3);
    }
    preferUnnamedFiles(true);
    EXPECT_EQ(filesIn(folder.path()), 2);
}

}  // namespace
}  // namespace vestura
