// Save: the written skin equals the preview's pixels; the replace question; write failures.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

#include "app/preview_widget.h"
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

TEST_F(SaveTest, ReportsAMissingSkinsFolderAndSavesNothing) {
    createWindow();
    ASSERT_TRUE(QDir(QString::fromLocal8Bit(game.file("skins"))).removeRecursively());
    form->Button3->click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Cannot create file " + skinPath + ".");
    EXPECT_EQ(services.messages[0].caption, "Vestura");
    EXPECT_EQ(services.messages[0].flags, 16u);
}

}  // namespace
}  // namespace vestura::test
