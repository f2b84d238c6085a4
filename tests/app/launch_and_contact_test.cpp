// Start Vice, About, and the contact link's hover shadow, warning and mail link.
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "tests/app/window_fixture.h"

namespace vestura::test {
namespace {

class LaunchTest : public WindowTest {
protected:
    void SetUp() override {
        writeEmptyCatalogue();
        createWindow();
    }
    void expectMissingMessage() const {
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].text, "File gta-vc.exe not found!");
        EXPECT_EQ(services.messages[0].caption, "Error");
        EXPECT_EQ(services.messages[0].flags, 48u);
        EXPECT_TRUE(services.programs.empty());
    }
    TempFolder tools;
};

TEST_F(LaunchTest, StartsTheGameThroughWineInTheGameFolder) {
    game.write("gta-vc.exe", "MZ");
    useGameFolder(game.path());
    createWindow();
    const WineOnPath wine(tools);
    form->vd->click();
    ASSERT_EQ(services.programs.size(), 1u);
    const ProcessCommand& started = services.programs[0];
    EXPECT_EQ(started.program, "wine");
    ASSERT_FALSE(started.arguments.empty());
    EXPECT_EQ(started.arguments.back(), game.path() + "gta-vc.exe");
    EXPECT_EQ(started.workingFolder, game.path());
    EXPECT_TRUE(services.messages.empty());
    EXPECT_TRUE(form->isEnabled());
}

// With neither wine nor the desktop's opener, the user learns what to install.
TEST_F(LaunchTest, SaysWhatToInstallWhenNothingCanStartTheGame) {
    game.write("GTA-VC.EXE", "MZ");  // as a copy from Windows may have it
    useGameFolder(game.path());
    createWindow();
    const QByteArray saved = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(tools.path()));
    form->vd->click();
    qputenv("PATH", saved);
    EXPECT_TRUE(services.programs.empty());
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Nothing on this computer can start the game.");
    EXPECT_NE(services.messages[0].detail.find("Install Wine"), std::string::npos);

    // The desktop's opener alone, with nothing on the desktop for Windows programs (it would
    // hand the game to the web browser), is no way to start it either; with a handler it is.
    const auto tool = [&](const std::string& name, const std::string& script) {
        writeFile(tools.file(name), "#!/bin/sh\n" + script);
        QFile::setPermissions(QString::fromLocal8Bit(tools.file(name)),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    };
    tool("xdg-open", "");
    tool("xdg-mime", "");
    qputenv("PATH", QByteArray::fromStdString(tools.path()));
    form->vd->click();
    EXPECT_TRUE(services.programs.empty());
    EXPECT_EQ(services.messages.size(), 2u);
    tool("xdg-mime", "[ \"$3\" = application/x-ms-dos-executable ] && echo wine.desktop\n");
    form->vd->click();
    qputenv("PATH", saved);
    ASSERT_EQ(services.programs.size(), 1u);
    EXPECT_EQ(services.programs[0].program, "xdg-open");
}

// A launcher that fails in its first seconds is reported with its first error line; the box
// comes from the launch's own report, after the click has returned.
TEST_F(LaunchTest, ReportsALauncherThatFailsAtOnce) {
    game.write("gta-vc.exe", "MZ");
    useGameFolder(game.path());
    createWindow();
    const WineOnPath wine(tools);
    form->vd->click();
    ASSERT_EQ(services.earlyFailures.size(), 1u);
    EXPECT_TRUE(services.messages.empty());
    services.earlyFailures[0]("exit status 1: wine: could not load kernel32.dll");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "The game did not start.");
    EXPECT_EQ(services.messages[0].detail,
              "wine: exit status 1: wine: could not load kernel32.dll");
}

TEST_F(LaunchTest, ReportsAMissingExecutable) {
    useGameFolder(game.path());
    createWindow();
    form->vd->click();
    expectMissingMessage();
}

TEST_F(LaunchTest, TakesAFolderNamedLikeTheExecutableForMissing) {
    ASSERT_TRUE(QDir().mkdir(QString::fromLocal8Bit(game.file("gta-vc.exe"))));
    useGameFolder(game.path());
    createWindow();
    form->vd->click();
    expectMissingMessage();
}

// A hand-written settings line without its final separator still names the game's folder:
// the start completes it, and the game is found there.
TEST_F(LaunchTest, CompletesAGameFolderWithoutItsSeparator) {
    game.write("gta-vc.exe", "MZ");
    std::string folder = game.path();
    folder.pop_back();
    useGameFolder(folder);
    createWindow();
    EXPECT_EQ(form->Edit1->text().toStdString(), game.path());
    EXPECT_EQ(program.read("vestu.cfg"), game.path() + "\r\n");
    const WineOnPath wine(tools);
    form->vd->click();
    ASSERT_EQ(services.programs.size(), 1u);
    EXPECT_EQ(services.programs[0].workingFolder, game.path());
}

TEST_F(WindowTest, AboutShowsItsEightLinesWithTheInformationIcon) {
    writeEmptyCatalogue();
    createWindow();
    form->Button4->click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text,
              "Vestura 1.1 by Kadrow\ne-mail: vestura@example.org\n\nMarch, 2004 year\n\n"
              "Special thanks to Rockstar for making superb games\n\nTested on Windows 2000\\XP");
    EXPECT_EQ(services.messages[0].caption, "About");
    EXPECT_EQ(services.messages[0].flags, 64u);
}

TEST_F(WindowTest, PointerOverTheLinkHidesItsShadowUntilItLeaves) {
    writeEmptyCatalogue();
    createWindow();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), form->Label13->mapToGlobal(QPointF(5, 5)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form->Label13, &move);
    EXPECT_FALSE(form->Label12->isVisible());
    QApplication::sendEvent(form->Label13, &move);
    EXPECT_FALSE(form->Label12->isVisible());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(form->Label13, &leave);
    EXPECT_TRUE(form->Label12->isVisible());
}

TEST_F(WindowTest, LinkClickWarnsFirstThenOpensTheMailLink) {
    writeEmptyCatalogue();
    createWindow();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    bool mailAskedWhileWarning = false;
    services.onMessage = [&](const MessageCall&) {
        mailAskedWhileWarning = !services.urls.empty();
    };
    QTest::mouseClick(form->Label13, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));

    using Kind = FakeDesktopServices::Kind;
    EXPECT_EQ(services.kinds, (std::vector<Kind>{Kind::Message, Kind::OpenUrl}));
    EXPECT_FALSE(mailAskedWhileWarning);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text,
              "WARNING!\n"
              "If you want to send a question, in a field a theme specify a symbol Q.\n"
              "If you want to send the remark, in a field a theme specify a symbol R.\n"
              "If you want to send something another, in a field a theme specify a symbol O.\n"
              "\nAll letters with other variants of theme will be removed.");
    EXPECT_EQ(services.messages[0].caption, "WARNING");
    EXPECT_EQ(services.messages[0].flags, 48u);
    EXPECT_EQ(services.urls, std::vector<std::string>{"mailto:vestura@example.org"});
}

}  // namespace
}  // namespace vestura::test
