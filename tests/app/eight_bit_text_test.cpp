// 8-bit text in the window: a game folder whose name is not valid UTF-8 keeps its bytes
// through the settings file, Save, Start Vice and the folder dialog, while the field and
// the selectors show text decoded as Windows-1252.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/app/window_fixture.h"

namespace vestura::test {
namespace {

class EightBitText : public WindowTest {
protected:
    void SetUp() override {
        folder = game.file("gam\xE9");  // "gamé" in Windows-1252
        std::filesystem::create_directories(folder + "/skins");
        writeEmptyCatalogue();
    }
    std::string folder;
};

TEST_F(EightBitText, AGameFolderFromTheSettingsFileKeepsItsBytesForSaveAndStartVice) {
    useGameFolder(folder + "/");
    writeFile(folder + "/gta-vc.exe", "x");
    createWindow();
    EXPECT_EQ(form->Edit1->text(), QString::fromStdString(game.file("gam\u00E9/")));

    form->Button3Click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Skin saved");
    EXPECT_EQ(std::filesystem::file_size(folder + "/skins/NewSkin.bmp"), 197686u);

    form->vdClick();
    ASSERT_EQ(services.programs.size(), 1u);
    EXPECT_EQ(services.programs[0].workingFolder, folder + "/");
    EXPECT_EQ(services.programs[0].arguments.back(), folder + "/gta-vc.exe");
}

TEST_F(EightBitText, AFolderFromTheDialogIsStoredAsItsBytes) {
    createWindow();
    services.folderAnswer = folder;
    form->Button2Click();
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(program.read("vestu.cfg"), folder + "/\r\n");
    form->Button3Click();
    EXPECT_EQ(std::filesystem::file_size(folder + "/skins/NewSkin.bmp"), 197686u);
}

TEST_F(EightBitText, CaptionsShowAsUtf8WhenValidElseAsWindows1252) {
    program.write("e.ls", "<NEW>\r\na.bmp\r\nCaf\xE9 \x80\r\n<NEW>\r\nb.bmp\r\nCaf\xC3\xA9\r\n");
    createWindow();
    EXPECT_EQ(form->ComboBox1->itemText(1), QString::fromUtf8("Caf\u00E9 \u20AC"));
    EXPECT_EQ(form->ComboBox1->itemText(2), QString::fromUtf8("Caf\u00E9"));
}

}  // namespace
}  // namespace vestura::test
