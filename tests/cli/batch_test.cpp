// Recipes batches at their edges: files past the caps, a folder that takes no new file on a
// full disk, and the real executable killed, terminated or cut off from its reader mid-batch.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "cli/recipes.h"
#include "tests/support/cli_run.h"
#include "tests/support/full_disk.h"
#include "tests/support/temp_folder.h"
#include "tests/support/unprivileged.h"

namespace vestura::cli {
namespace {

using test::TempFolder;

const std::string kCatalogue = VESTURA_CATALOGUE_DIR;

std::string repeated(const std::string& piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

// Refused with the file's name, or the recipe count when read.
std::string readOutcome(const std::string& path) {
    try {
        return std::to_string(readRecipes(path).size()) + " recipes";
    } catch (const RecipesRefused& e) {
        return e.message();
    }
}

TEST(RecipesFile, PastACapIsRefusedNamingTheFileAndAtTheCapIsRead) {
    TempFolder folder;
    const std::string path = folder.file("recipes.txt");
    folder.write("recipes.txt", "");
    std::filesystem::resize_file(path, kMaxRecipesFileBytes + 1);  // sparse
    EXPECT_EQ(readOutcome(path), "Recipes file " + path + " is larger than 4 MiB");
    std::filesystem::resize_file(path, 0);
    std::filesystem::resize_file(path, kMaxRecipesFileBytes);  // NUL bytes: one long line
    EXPECT_EQ(readOutcome(path), "Recipes file " + path + ": line 1 is longer than 16 KiB");
    folder.write("recipes.txt", repeated("\n", kMaxRecipesFileBytes));
    EXPECT_EQ(readOutcome(path), "0 recipes");

    const std::string atLineCap = "a.bmp" + std::string(kMaxRecipeLineBytes - 5, ' ');
    folder.write("recipes.txt", "\n\n" + atLineCap + "\n" + atLineCap + " \n");
    EXPECT_EQ(readOutcome(path), "Recipes file " + path + ": line 4 is longer than 16 KiB");
    folder.write("recipes.txt", atLineCap);
    EXPECT_EQ(readOutcome(path), "1 recipes");

    folder.write("recipes.txt", repeated("a.bmp hat=1\n\n", kMaxRecipes));
    EXPECT_EQ(readOutcome(path), std::to_string(kMaxRecipes) + " recipes");
    folder.write("recipes.txt", repeated("a.bmp hat=1\n\n", kMaxRecipes) + "?");
    EXPECT_EQ(readOutcome(path), "Recipes file " + path + " holds more than 10000 recipes");
}

TEST(RecipesFile, RefusedFileFailsTheRunBeforeAnySkin) {
    TempFolder folder;
    folder.write("recipes.txt", folder.file("a.bmp") + "\n" + repeated(" ", 1 << 20));
    const test::CliOutcome outcome =
        test::runCli({"render", "--folder", kCatalogue, "--recipes", folder.file("recipes.txt")});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err,
              "Recipes file " + folder.file("recipes.txt") + ": line 2 is longer than 16 KiB.\n");
    EXPECT_FALSE(std::filesystem::exists(folder.file("a.bmp")));
}

// A skin rewritten in place is written before the next line is made (so a batch into such
// a folder holds one skin's bytes, not all of them); on a full disk its old file stays whole.
TEST(RecipesIntoProtectedFolder, EachSkinIsRewrittenAtOnceAndAFullDiskKeepsTheOld) {
    TempFolder skins, work;
    test::openToUnprivileged(skins.path());
    test::openToUnprivileged(work.path());
    skins.write("old.bmp", "old skin");
    test::giveToUnprivileged(skins.file("old.bmp"));
    const std::string recipes = work.file("recipes.txt");
    work.write("recipes.txt", skins.file("old.bmp") + " glasses=1\nx.bmp hat=1\n");
    chmod(skins.path().c_str(), 0555);
    const int status = test::runUnprivileged([&] {
        return test::exitStatusOnFullDisk(
            [&] {
                const test::CliOutcome outcome =
                    test::runCli({"render", "--folder", kCatalogue, "--recipes", recipes});
                return outcome.err ==
                               recipes +
                                   ":1: Stream write error: the file is larger than allowed.\n" +
                                   recipes + ":2: unknown category hat in hat=1.\n"
                           ? 0
                           : 1;
            },
            100000);
    });
    chmod(skins.path().c_str(), 0755);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(skins.read("old.bmp"), "old skin");
}

// ---- The real executable, stopped mid-batch ------------------------------------------------

constexpr int kBatchLines = 400;
constexpr int kPlacedBeforeStop = 20;
constexpr auto kPatience = std::chrono::seconds(60);

int temporaryFilesIn(const std::string& folder) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        count += entry.path().filename().string().ends_with('~') ? 1 : 0;
    }
    return count;
}

int entriesIn(const std::string& folder) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

// Starts vestura-cli on a recipes file, its standard error on `errFd`.
pid_t startBatch(const std::string& recipes, int errFd) {
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(errFd >= 0 ? errFd : null, STDERR_FILENO);
        const std::string cli = VESTURA_BIN_DIR "/vestura-cli";
        execl(cli.c_str(), cli.c_str(), "render", "--folder", kCatalogue.c_str(), "--recipes",
              recipes.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

std::string batch(const TempFolder& skins, int lines, const std::string& last = "") {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += skins.file("skin" + std::to_string(i) + ".bmp") +
                " glasses=" + std::to_string(i % 3) + " shirt=" + std::to_string(i % 4) + "\n";
    }
    return text + last;
}

// Waits until the folder holds `entries` entries or the child has ended; true when the
// child still runs.
bool runningWhenFolderHolds(pid_t child, const std::string& folder, int entries) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(child, nullptr, WNOHANG) == child) {
            return false;
        }
        if (entriesIn(folder) >= entries) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class StoppedBatch : public testing::TestWithParam<int> {};

// Killed outright, a batch leaves at most the one temporary file it was renaming; ended by
// a signal it can catch, it leaves none. Either way what was placed is whole.
TEST_P(StoppedBatch, LeavesAtMostOneTemporaryFile) {
    const int signal = GetParam();
    TempFolder skins, work;
    work.write("recipes.txt", batch(skins, kBatchLines));
    const pid_t child = startBatch(work.file("recipes.txt"), -1);
    ASSERT_GT(child, 0);
    ASSERT_TRUE(runningWhenFolderHolds(child, skins.path(), kPlacedBeforeStop));
    kill(child, signal);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
    EXPECT_LE(temporaryFilesIn(skins.path()), signal == SIGKILL ? 1 : 0);
    for (const auto& entry : std::filesystem::directory_iterator(skins.path())) {
        if (entry.path().extension() == ".bmp") {
            EXPECT_EQ(std::filesystem::file_size(entry.path()), 197686u) << entry.path();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, StoppedBatch, testing::Values(SIGKILL, SIGTERM),
                         [](const auto& info) {
                             return std::string(info.param == SIGKILL ? "Kill" : "Terminate");
                         });

// A batch whose reader has gone (a pipe into `head -c 10`) ends at its first report, with
// no temporary file left.
TEST(ClosedPipeBatch, EndsWithNoTemporaryFile) {
    TempFolder skins, work;
    work.write("recipes.txt", batch(skins, 30, "x.bmp hat=1\n"));
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);  // the child keeps only its copy as standard error
    const pid_t child = startBatch(work.file("recipes.txt"), ends[1]);
    close(ends[0]);
    close(ends[1]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE);
    EXPECT_EQ(temporaryFilesIn(skins.path()), 0);
}

}  // namespace
}  // namespace vestura::cli
