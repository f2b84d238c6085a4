// vestura-cli render writes byte for byte the file the window's Save writes for the same
// selections, over the shipped catalogue with every picture kind in it.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <sstream>

#include "cli/commands.h"
#include "tests/app/window_fixture.h"

namespace vestura::test {
namespace {

class RenderMatchesSave : public WindowTest {
protected:
    void SetUp() override {
        std::filesystem::copy(VESTURA_CATALOGUE_DIR, program.path(),
                              std::filesystem::copy_options::recursive);
        useGameFolder(game.path());
        ASSERT_TRUE(QDir().mkdir(QString::fromLocal8Bit(game.file("skins"))));
        createWindow();
        ASSERT_TRUE(services.messages.empty()) << services.messages[0].text;
    }

    // Picks entry `index` of every selector, as the user would, and saves as `name`.
    std::string saveFromWindow(const std::array<int, kCategoryCount>& indices,
                               const std::string& name) {
        const std::array<QComboBox*, kCategoryCount> selectors = {
            form->ComboBox1, form->ComboBox2, form->ComboBox4, form->ComboBox5,
            form->ComboBox6, form->ComboBox7, form->ComboBox3};
        for (std::size_t i = 0; i < kCategoryCount; ++i) {
            selectors[i]->setCurrentIndex(indices[i]);
            emit selectors[i]->activated(indices[i]);
        }
        form->Edit2->setText(QString::fromStdString(name));
        form->Button3->click();
        return readFile(game.path() + "skins/" + name + ".bmp");
    }

    std::string renderFromCli(const std::array<int, kCategoryCount>& indices,
                              const std::string& name) {
        std::vector<std::string> arguments = {"render", "--folder", program.path()};
        for (std::size_t i = 0; i < kCategoryCount; ++i) {
            arguments.push_back("--" + std::string(kCategories[i].cliName));
            arguments.push_back(std::to_string(indices[i]));
        }
        const std::string output = game.file(name + "-cli.bmp");
        arguments.insert(arguments.end(), {"--output", output});
        std::ostringstream out, err;
        EXPECT_EQ(cli::run(arguments, "/nowhere/", out, err), 0) << err.str();
        return readFile(output);
    }
};

TEST_F(RenderMatchesSave, ForSeveralOutfitsOfEveryPictureKind) {
    const std::array<std::array<int, kCategoryCount>, 5> outfits = {{
        {1, 1, 1, 1, 1, 1, 1},  // metafiles, 24-bit, progressive JPEG
        {2, 3, 2, 2, 4, 2, 3},  // EMF, RLE8, icon, .jpeg, RLE8 jeans
        {3, 5, 4, 5, 5, 5, 5},  // 8-bit, 4-bit, 1-bit, bit fields, greyscale JPEG
        {6, 6, 6, 6, 1, 6, 1},  // PNG and TGA with their alpha, over a JPEG shirt
        {0, 0, 0, 0, 0, 0, 0},  // the plain base skin
    }};
    for (std::size_t n = 0; n < outfits.size(); ++n) {
        const std::string name = "outfit" + std::to_string(n);
        const std::string saved = saveFromWindow(outfits[n], name);
        EXPECT_EQ(saved.size(), 197686u) << name;
        EXPECT_TRUE(saved == renderFromCli(outfits[n], name)) << name;
    }
    for (const MessageCall& message : services.messages) {
        EXPECT_EQ(message.text, "Skin saved");
    }
}

}  // namespace
}  // namespace vestura::test
