// Save: the written skin equals the preview's pixels; the replace question; write failures.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "app/preview_widget.h"
#include "game/skin_name.h"
#include "tests/app/window_fixture.h"

namespace vestura::test {
namespace {

class SaveTest : public WindowTest {
protected:
    void SetUp() override {
        writeEmptyCatalogue();
        useGameFolder(game.path());
        ASSERT_TRUE(QDir().mkdir(QString::fromLocal8Bit(game.file("skins"))));
        skinPath = game.path() + "skins/NewSkin.bmp";
    }

    void pick(QComboBox* box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    std::string skinPath;
};

TEST_F(SaveTest, WritesThePreviewsPixelsAndConfirms) {
    writePart("glasses.bmp", 120, 30, qRgb(200, 10, 10));  // wider than its box
    writePart("boots.bmp", 20, 300, qRgb(10, 200, 10));    // taller than the skin
    program.write("e.ls", "<NEW>\r\nglasses.bmp\r\nRed\r\n");
    program.write("b.ls", "<NEW>\r\nboots.bmp\r\nGreen\r\n");
    createWindow();
    pick(form->ComboBox1, 1);
    pick(form->ComboBox3, 1);
    ASSERT_TRUE(services.messages.empty()) << services.messages[0].text;

    form->Button3->click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Skin saved");
    EXPECT_EQ(services.messages[0].caption, "Info");
    EXPECT_EQ(services.messages[0].flags, 64u);

    const QImage saved(QString::fromLocal8Bit(skinPath));
    ASSERT_EQ(saved.size(), QSize(256, 256));
    const QImage shown = form->previewWidget->grab(QRect(8, 17, 256, 256))
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), shown);
    EXPECT_EQ(saved.pixel(160, 39), qRgb(200, 10, 10));  // the glasses' corner
    EXPECT_EQ(saved.pixel(5, 255), qRgb(10, 200, 10));   // the boots reach the bottom row
}

TEST_F(SaveTest, AsksBeforeReplacingAndKeepsTheFileOnNo) {
    createWindow();
    writeFile(skinPath, "old skin");
    services.answers = {mb::kIdNo};
    form->Button3->click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Replace skin?");
    EXPECT_EQ(services.messages[0].caption, "Question");
    EXPECT_EQ(services.messages[0].flags, 36u);
    EXPECT_EQ(readFile(skinPath), "old skin");
}

TEST_F(SaveTest, ReplacesOnYes) {
    createWindow();
    writeFile(skinPath, "old skin");
    services.answers = {mb::kIdYes};
    form->Button3->click();
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[1].text, "Skin saved");
    EXPECT_EQ(QImage(QString::fromLocal8Bit(skinPath)).size(), QSize(256, 256));
}

TEST_F(SaveTest, SavesUnderTheTypedNameWithoutAskingForANewFile) {
    createWindow();
    form->Edit2->setText("Blue");
    form->Button3->click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Skin saved");
    EXPECT_FALSE(QImage(QString::fromLocal8Bit(game.path() + "skins/Blue.bmp")).isNull());
}

TEST_F(SaveTest, BracketsInTheNameAreNoPatternForTheReplaceQuestion) {
    createWindow();
    const std::string other = game.path() + "skins/a.bmp";
    writeFile(other, "other skin");
    form->Edit2->setText("[ab]");
    form->Button3->click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Skin saved");
    EXPECT_EQ(QImage(QString::fromLocal8Bit(game.path() + "skins/[ab].bmp")).size(),
              QSize(256, 256));
    EXPECT_EQ(readFile(other), "other skin");
}

// Without the game in the folder, no skins folder is made: the save fails and says why.
TEST_F(SaveTest, ReportsAMissingSkinsFolderAndSavesNothing) {
    createWindow();
    ASSERT_TRUE(QDir(QString::fromLocal8Bit(game.file("skins"))).removeRecursively());
    form->Button3->click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Cannot create file " + skinPath + ".");
    EXPECT_EQ(services.messages[0].detail,
              "The folder does not exist; gta-vc.exe is not in the game folder: \"...\" chooses "
              "the folder that holds it.");
    EXPECT_EQ(services.messages[0].caption, "Vestura");
    EXPECT_EQ(services.messages[0].flags, 16u);
    EXPECT_FALSE(QDir(QString::fromLocal8Bit(game.file("skins"))).exists());
}

// A real install that has never had a skin: Save makes its skins folder.
TEST_F(SaveTest, MakesTheSkinsFolderBesideTheGame) {
    ASSERT_TRUE(QDir(QString::fromLocal8Bit(game.file("skins"))).removeRecursively());
    game.write("gta-vc.exe", "MZ");
    createWindow();
    form->Edit2->setText("FirstTry");
    form->Button3->click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Skin saved");
    EXPECT_EQ(QImage(QString::fromLocal8Bit(game.path() + "skins/FirstTry.bmp")).size(),
              QSize(256, 256));
}

// A link in the skins folder is never written through, whether its file exists or not; a
// skin in another letter case is the one replaced, after the question.
TEST_F(SaveTest, NeverWritesThroughALinkAndReplacesASkinInAnotherCase) {
    createWindow();
    game.write("victim.txt", "precious");
    for (const char* target : {"victim.txt", "created.bmp"}) {
        SCOPED_TRACE(target);
        services.messages.clear();
        std::filesystem::remove(skinPath);
        std::filesystem::create_symlink(game.file(target), skinPath);
        form->Button3->click();
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].text, "Cannot create file " + skinPath + ".");
    }
    EXPECT_EQ(game.read("victim.txt"), "precious");
    EXPECT_FALSE(std::filesystem::exists(game.file("created.bmp")));

    std::filesystem::remove(skinPath);
    writeFile(game.path() + "skins/LANCE.BMP", "old skin");
    form->Edit2->setText("Lance");
    services.messages.clear();
    form->Button3->click();
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[0].text, "Replace skin?");
    EXPECT_EQ(std::filesystem::file_size(game.path() + "skins/LANCE.BMP"), 197686u);
    EXPECT_FALSE(std::filesystem::exists(game.path() + "skins/Lance.bmp"));
}

// The name is checked as typed before anything is written; a refused one says why and what
// is allowed, and nothing lands anywhere.
TEST_F(SaveTest, RefusesNamesTheGameCannotUseAndWritesNothing) {
    createWindow();
    struct Case {
        const char* typed;
        const char* refusal;  // nullptr: saved as `saved`
        const char* saved;
    } cases[] = {
        {"", "The skin name is empty.", nullptr},
        {"   ", "The skin name is empty.", nullptr},
        {"..", "The skin name \"..\" names a folder, not a file.", nullptr},
        {"../evil", "The skin name holds \"/\".", nullptr},
        {"a\\b", "The skin name holds \"\\\".", nullptr},
        {"Tom\u00E1s Caf\u00E9",
         "The skin name holds characters that are not plain ASCII, which the game cannot read.",
         nullptr},
        {"Lance.bmp", nullptr, "Lance.bmp"},
        {"  Tommy  ", nullptr, "Tommy.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        services.messages.clear();
        form->Edit2->setText(QString::fromUtf8(c.typed));
        form->Button3->click();
        ASSERT_EQ(services.messages.size(), 1u);
        if (c.refusal != nullptr) {
            EXPECT_EQ(services.messages[0].text, c.refusal);
            EXPECT_EQ(services.messages[0].detail, std::string(kSkinNameRule));
            EXPECT_EQ(services.messages[0].flags, 48u);
        } else {
            EXPECT_EQ(services.messages[0].text, "Skin saved");
            EXPECT_TRUE(QFile::exists(QString::fromLocal8Bit(game.path() + "skins/" + c.saved)));
        }
    }
    const QStringList written =
        QDir(QString::fromLocal8Bit(game.file("skins"))).entryList(QDir::Files | QDir::Hidden);
    // Beside the two skins, the record of their outfits.
    EXPECT_EQ(written, QStringList({"Lance.bmp", "outfits.txt", "Tommy.bmp"}));
    EXPECT_EQ(QDir(QString::fromLocal8Bit(game.path())).entryList(QDir::Files | QDir::Hidden),
              QStringList());
}

}  // namespace
}  // namespace vestura::test
