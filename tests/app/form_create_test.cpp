// The creation handler: settings step and catalogue load as the window shows them.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTest>

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

// A player whose only copy is Steam's: the first start takes it, stores it, and the tooltip
// counts what was found; a folder without the game, with nothing found, is kept and marked.
TEST_F(WindowTest, FirstStartTakesTheFirstInstallFoundAndMarksAFolderWithoutTheGame) {
    writeEmptyCatalogue();
    game.write("gta-vc.exe", "MZ");
    TempFolder other;
    installs = {game.path(), other.path()};
    createWindow();
    EXPECT_EQ(form->Edit1->text().toLocal8Bit().toStdString(), game.path());
    EXPECT_EQ(program.read("vestu.cfg"), game.path() + "\r\n");
    EXPECT_TRUE(form->Edit1->toolTip().contains("2 game installs were found"))
        << form->Edit1->toolTip().toStdString();
    const QColor usual = form->Edit1->palette().color(QPalette::Base);
    EXPECT_TRUE(services.kinds.empty());

    installs.clear();
    useGameFolder(other.path());
    createWindow();
    EXPECT_EQ(form->Edit1->text().toLocal8Bit().toStdString(), other.path());
    EXPECT_EQ(program.read("vestu.cfg"), other.path() + "\r\n");
    EXPECT_TRUE(form->Edit1->toolTip().startsWith("gta-vc.exe is not in this folder."));
    EXPECT_NE(form->Edit1->palette().color(QPalette::Base), usual);
    EXPECT_TRUE(services.kinds.empty());  // nothing asks at start-up

    services.folderAnswer = game.path();  // choosing the game's folder clears the mark
    form->Button2->click();
    EXPECT_EQ(form->Edit1->palette().color(QPalette::Base), usual);

    // Settings naming the game: the installs are counted after the start, for the tooltip.
    installs = {game.path(), other.path(), "/third/"};
    createWindow();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return form->Edit1->toolTip().contains("3 game installs were found"); }));
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

// Each list file that cannot be read empties only its own selector; one box names them all.
TEST_F(WindowTest, MissingListFilesAreReportedInOneBoxAndSpoilOnlyTheirCategories) {
    writeEmptyCatalogue();
    program.write("e.ls", "<NEW>\r\na.bmp\r\nRound\r\n");
    program.write("k.ls", "<NEW>\r\nk.bmp\r\nPolo\r\n");
    QFile::remove(QString::fromLocal8Bit(program.file("p.ls")));
    QFile::remove(QString::fromLocal8Bit(program.file("h.ls")));
    createWindow();

    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Cannot open file " + program.file("p.ls") +
                                             ".\nCannot open file " + program.file("h.ls") + ".");
    EXPECT_EQ(services.messages[0].caption, "Vestura");
    EXPECT_EQ(services.messages[0].flags, 16u);
    EXPECT_NE(services.messages[0].detail.find(
                  "p.ls (Beard, moustache or mask): the file does not exist."),
              std::string::npos)
        << services.messages[0].detail;

    EXPECT_EQ(itemsOf(form->ComboBox1), QStringList({"None", "Round"}));
    EXPECT_EQ(itemsOf(form->ComboBox2), QStringList({"None"}));
    EXPECT_EQ(itemsOf(form->ComboBox5), QStringList({"Usual"}));
    EXPECT_EQ(itemsOf(form->ComboBox6), QStringList({"Usual", "Polo"}));
    for (const QComboBox* box : {form->ComboBox1, form->ComboBox2, form->ComboBox3, form->ComboBox4,
                                 form->ComboBox5, form->ComboBox6, form->ComboBox7}) {
        EXPECT_EQ(box->currentIndex(), 0) << box->objectName().toStdString();
    }
}

// Settings that cannot be written anywhere are reported with their cause; every part still
// loads.
TEST_F(WindowTest, SettingsFileThatCannotBeCreatedIsReportedAndTheCatalogueLoads) {
    writeCatalogueOf("part.bmp");
    ASSERT_TRUE(QDir().mkdir(QString::fromLocal8Bit(program.file("vestu.cfg"))));
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    game.write("config", "a file, not a folder");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(game.file("config")));
    createWindow();
    qputenv("XDG_CONFIG_HOME", saved);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text,
              "Cannot create file " + game.file("config") + "/vestura/vestu.cfg.");
    EXPECT_EQ(services.messages[0].detail, "A part of the path is not a folder.");
    EXPECT_EQ(form->Edit1->text().toLocal8Bit().toStdString(), platform::defaultGameFolder());
    for (const QComboBox* box : {form->ComboBox1, form->ComboBox2, form->ComboBox3, form->ComboBox4,
                                 form->ComboBox5, form->ComboBox6, form->ComboBox7}) {
        EXPECT_EQ(box->count(), 2);
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

TEST_F(WindowTest, FolderChoiceWritesTheSettingsFileAgainWhenItVanished) {
    writeEmptyCatalogue();
    program.write("vestu.cfg", "/old/\r\n");
    createWindow();
    QFile::remove(QString::fromLocal8Bit(program.file("vestu.cfg")));
    services.folderAnswer = "/new";
    form->Button2->click();
    EXPECT_EQ(form->Edit1->text(), "/new/");
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(program.read("vestu.cfg"), "/new/\r\n");
}

}  // namespace
}  // namespace vestura::test
