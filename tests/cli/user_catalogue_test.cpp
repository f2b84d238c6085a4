// The user's own catalogue ($XDG_DATA_HOME/vestura/catalogue/) as the default folder of the
// list files: taken over the tool's folder, never over --folder, and never for the settings.
#include <gtest/gtest.h>

#include <QByteArray>
#include <filesystem>

#include "tests/support/cli_run.h"
#include "tests/support/temp_folder.h"

namespace vestura::cli {
namespace {

using test::runCli;
using test::TempFolder;

// One entry per list file, captioned `caption`.
void writeCatalogue(const std::string& folder, const std::string& caption) {
    std::filesystem::create_directories(folder);
    for (const char* name : {"e.ls", "p.ls", "c.ls", "h.ls", "k.ls", "j.ls", "b.ls"}) {
        test::writeFile(folder + name, "<NEW>\r\nparts\\x.bmp\r\n" + caption + "\r\n");
    }
}

class UserCatalogue : public ::testing::Test {
protected:
    UserCatalogue() : saved_(qgetenv("XDG_DATA_HOME")) {
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.path()));
        writeCatalogue(program.path(), "Shipped");
    }
    ~UserCatalogue() override {
        if (saved_.isNull()) {
            qunsetenv("XDG_DATA_HOME");
        } else {
            qputenv("XDG_DATA_HOME", saved_);
        }
    }
    std::string own() const { return data.path() + "vestura/catalogue/"; }

    TempFolder program, data, other;

private:
    QByteArray saved_;
};

TEST_F(UserCatalogue, ListsTheShippedOnesUntilTheUserHasAListFile) {
    std::filesystem::create_directories(own());  // an empty folder changes nothing
    EXPECT_NE(runCli({"list"}, program.path()).out.find("\tShipped\t"), std::string::npos);

    writeCatalogue(own(), "Mine");
    const auto outcome = runCli({"list"}, program.path());
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("glasses\t1\tMine\tparts/x.bmp\n"), std::string::npos);
    EXPECT_EQ(outcome.out.find("Shipped"), std::string::npos);

    writeCatalogue(other.path(), "Named");
    const auto named = runCli({"list", "--folder", other.path()}, program.path());
    EXPECT_NE(named.out.find("\tNamed\t"), std::string::npos);
    EXPECT_EQ(named.out.find("Mine"), std::string::npos);
}

TEST_F(UserCatalogue, DoesNotMoveTheSettings) {
    writeCatalogue(own(), "Mine");
    const TempFolder game;
    std::filesystem::create_directory(game.file("skins"));
    game.write("skins/x.bmp", "junk");
    program.write("vestu.cfg", game.path() + "\r\n");
    const auto outcome = runCli({"doctor"}, program.path());
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "x.bmp\tnot a BMP file\n");
}

}  // namespace
}  // namespace vestura::cli
