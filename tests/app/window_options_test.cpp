// The window's command line: --catalogue DIR, --help, --version; every other word left alone.
#include "app/window_options.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

struct OptionsCase {
    const char* name;
    std::vector<std::string> words;  // "@" stands for the temporary folder's path
    const char* catalogue;           // "@" likewise; "@sub/" below it
    const char* error;               // the start of the usage error, or empty
    bool help = false;
    bool version = false;
};

class WindowOptionsTest : public ::testing::TestWithParam<OptionsCase> {};

std::string filledIn(std::string text, const std::string& folder) {
    if (const auto at = text.find('@'); at != std::string::npos) {
        text.replace(at, 1, folder);
    }
    return text;
}

TEST_P(WindowOptionsTest, ReadsItsOwnOptionsOnly) {
    const OptionsCase& c = GetParam();
    const test::TempFolder temp;
    std::filesystem::create_directory(temp.file("sub"));
    test::writeFile(temp.file("file"), "");
    std::vector<std::string> words;
    for (const std::string& word : c.words) {
        words.push_back(filledIn(word, temp.path()));
    }
    const WindowOptions options = readWindowOptions(words, temp.path());
    EXPECT_EQ(options.catalogue, filledIn(c.catalogue, temp.path()));
    EXPECT_TRUE(options.error.starts_with(c.error)) << options.error;
    EXPECT_EQ(options.error.empty(), std::string(c.error).empty());
    EXPECT_EQ(options.help, c.help);
    EXPECT_EQ(options.version, c.version);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowOptionsTest,
    ::testing::Values(
        OptionsCase{"Nothing", {}, "", ""},
        OptionsCase{"QtOptionsLeftAlone", {"-reverse", "-style", "windows", "x"}, "", ""},
        OptionsCase{"AbsoluteFolder", {"--catalogue", "@sub"}, "@sub/", ""},
        OptionsCase{"RelativeFolder", {"--catalogue", "sub/"}, "@sub/", ""},
        OptionsCase{"JoinedValue", {"--catalogue=@sub"}, "@sub/", ""},
        OptionsCase{"LastOneCounts", {"--catalogue", "@", "--catalogue", "sub"}, "@sub/", ""},
        OptionsCase{"NoValue", {"--catalogue"}, "", "--catalogue needs a folder"},
        OptionsCase{"EmptyValue", {"--catalogue="}, "", "--catalogue needs a folder"},
        OptionsCase{"MissingFolder", {"--catalogue", "none"}, "", "--catalogue needs a folder"},
        OptionsCase{"FileNotFolder", {"--catalogue", "file"}, "", "--catalogue needs a folder"},
        OptionsCase{"Help", {"--help"}, "", "", true},
        OptionsCase{"Version", {"--version"}, "", "", false, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vestura
