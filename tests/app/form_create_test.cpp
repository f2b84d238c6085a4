// The creation handler: settings step and catalogue load as the window shows them.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>

#include "common/platform.h"
#include "tests/app/window_fixture.h"

namespace vestura::test {
namespace {

QStringList itemsOf(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

TEST_F(WindowTest, FirstStartCreatesTheSettingsFileWithTheDefaultFolder) {
    writeEmptyCatalogue();
    createWindow();
    EXPECT_EQ(program.read("vestu.cfg"), platform::defaultGameFolder() + "\r\n");
    EXPECT_EQ(form->Edit1->text().toLocal8Bit().toStdString(), platform::defaultGameFolder());
    EXPECT_TRUE(services.kinds.empty());
}

TEST_F(WindowTest, ShowsTheFolderOfTheSettingsFileAndMakesTheProgramFolderCurrent) {
    writeEmptyCatalogue();
    program.write("vestu.cfg", "/games/vc/\nsecond line\n");
    createWindow();
    EXPECT_EQ(form->Edit1->text(), "/games/vc/");
    EXPECT_EQ(QDir::currentPath() + "/", QString::fromLocal8Bit(program.path()));
}

TEST_F(WindowTest, FillsEachSelectorWithItsDefaultEntryThenTheCatalogueCaptions) {
    writeEmptyCatalogue();
    program.write("e.ls", "<NEW>\r\nparts\\a.bmp\r\nRound\r\ncomment\n<NEW>\nb.bmp\nSquare\n");
    program.write("b.ls", "<NEW>\rboots.bmp\rCowboy\r");
    createWindow();
    EXPECT_EQ(itemsOf(form->ComboBox1), QStringList({"None", "Round", "Square"}));
    EXPECT_EQ(itemsOf(form->ComboBox2), QStringList({"None"}));
    EXPECT_EQ(itemsOf(form->ComboBox3), QStringList({"Usual", "Cowboy"}));
    for (const QComboBox* box : {form->ComboBox1, form->ComboBox2, form->ComboBox3, form->ComboBox4,
                                 form->ComboBox5, form->ComboBox6, form->ComboBox7}) {
        EXPECT_EQ(box->currentIndex(), 0) << box->objectName().toStdString();
    }
    // Filling the selectors runs no change handler: the preview shows the plain base skin.
    for (const CategoryInfo& category : kCategories) {
        EXPECT_EQ(form->preview().slot(category.category).picture.graphic(), nullptr);
    }
    EXPECT_TRUE(services.kinds.empty());
}

TEST_F(WindowTest, MissingListFileIsReportedOnceAndLeavesTheLaterSelectorsEmpty) {
    writeEmptyCatalogue();
    program.write("e.ls", "<NEW>\r\na.bmp\r\nRound\r\n");
    QFile::remove(QString::fromLocal8Bit(program.file("p.ls")));
    createWindow();

    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Cannot open file " + program.file("p.ls") + ".");
    EXPECT_EQ(services.messages[0].caption, "Vestura");
    EXPECT_EQ(services.messages[0].flags, 16u);

    EXPECT_EQ(itemsOf(form->ComboBox1), QStringList({"None", "Round"}));
    EXPECT_EQ(form->ComboBox1->currentIndex(), 0);
    EXPECT_EQ(itemsOf(form->ComboBox2), QStringList({"None"}));
    EXPECT_EQ(form->ComboBox2->currentIndex(), -1);
    EXPECT_EQ(form->ComboBox2->currentText(), "");
    for (const QComboBox* later :
         {form->ComboBox4, form->ComboBox5, form->ComboBox6, form->ComboBox7, form->ComboBox3}) {
        EXPECT_EQ(later->count(), 0) << later->objectName().toStdString();
    }
}

TEST_F(WindowTest, SettingsFileThatCannotBeCreatedLeavesEverySelectorEmpty) {
    writeEmptyCatalogue();
    ASSERT_TRUE(QDir().mkdir(QString::fromLocal8Bit(program.file("vestu.cfg"))));
    createWindow();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Cannot create file " + program.file("vestu.cfg") + ".");
    EXPECT_EQ(form->Edit1->text().toLocal8Bit().toStdString(), platform::defaultGameFolder());
    for (const QComboBox* box : {form->ComboBox1, form->ComboBox2, form->ComboBox3, form->ComboBox4,
                                 form->ComboBox5, form->ComboBox6, form->ComboBox7}) {
        EXPECT_EQ(box->count(), 0);
    }
}

TEST_F(WindowTest, FolderChoiceShowsAndStoresThePathWithOneSeparator) {
    writeEmptyCatalogue();
    program.write("vestu.cfg", "/old/\r\nkept\r\n");
    createWindow();
    services.folderAnswer = "/new/place";
    form->Button2->click();
    ASSERT_EQ(services.folderTitles.size(), 1u);
    EXPECT_EQ(services.folderTitles[0], "Directory with VICE CITY");
    EXPECT_EQ(form->Edit1->text(), "/new/place/");
    EXPECT_EQ(program.read("vestu.cfg"), "/new/place/\r\nkept\r\n");
}

TEST_F(WindowTest, CancelledFolderChoiceChangesNothing) {
    writeEmptyCatalogue();
    program.write("vestu.cfg", "/old/\r\n");
    createWindow();
    form->Button2->click();
    EXPECT_EQ(services.folderTitles.size(), 1u);
    EXPECT_EQ(form->Edit1->text(), "/old/");
    EXPECT_EQ(program.read("vestu.cfg"), "/old/\r\n");
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(WindowTest, FolderChoiceKeepsTheNewFolderWhenTheSettingsFileVanished) {
    writeEmptyCatalogue();
    program.write("vestu.cfg", "/old/\r\n");
    createWindow();
    QFile::remove(QString::fromLocal8Bit(program.file("vestu.cfg")));
    services.folderAnswer = "/new";
    form->Button2->click();
    EXPECT_EQ(form->Edit1->text(), "/new/");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Cannot open file " + program.file("vestu.cfg") + ".");
    EXPECT_FALSE(QFile::exists(QString::fromLocal8Bit(program.file("vestu.cfg"))));
}

}  // namespace
}  // namespace vestura::test
