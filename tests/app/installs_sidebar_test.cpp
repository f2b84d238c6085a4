// Found installs in the folder dialog's sidebar, and Start Vice for a Steam copy.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QPromise>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <future>

#include "app/qt_desktop_services.h"
#include "tests/app/window_fixture.h"
#include "tests/support/made_up_home.h"

namespace vestura::test {
namespace {

const std::string kSteamGame = "lib/steamapps/common/Grand Theft Auto Vice City";
const std::string kWineGame = ".wine/drive_c/Games/GTA Vice City";

class SidebarTest : public WindowTest {
protected:
    void SetUp() override {
        home.game(kSteamGame);
        home.game(kWineGame);
        home.file(".local/share/Steam/steamapps/libraryfolders.vdf",
                  "\"libraryfolders\" { \"1\" { \"path\" \"" + home.path("lib") + "\" } }");
        writeEmptyCatalogue();
        searchHome = true;
        createWindow();
    }
    MadeUpHome home;
    HomeVariables variables{home.home()};
};

TEST_F(SidebarTest, FolderDialogOffersTheFoundInstallsAndKeepsItsOutcome) {
    const QString before = form->Edit1->text();
    form->Button2->click();  // cancelled
    ASSERT_EQ(services.folderTitles, std::vector<std::string>{"Directory with VICE CITY"});
    ASSERT_EQ(services.folderPlaces.size(), 1u);
    const std::vector<FolderPlace>& places = services.folderPlaces[0];
    ASSERT_EQ(places.size(), 2u);
    EXPECT_EQ(places[0].folder, home.path(kWineGame + "/"));
    EXPECT_EQ(places[0].label, "wine: ~/" + kWineGame + "/");
    EXPECT_EQ(places[1].folder, home.path(kSteamGame + "/"));
    EXPECT_EQ(places[1].label, "steam: ~/" + kSteamGame + "/");
    EXPECT_EQ(form->Edit1->text(), before);

    services.folderAnswer = home.path(kSteamGame);
    form->Button2->click();
    EXPECT_EQ(form->Edit1->text().toStdString(), home.path(kSteamGame + "/"));
}

TEST_F(SidebarTest, QtFolderDialogListsThePlacesInItsSidebar) {
    QtDesktopServices qt;
    QList<QUrl> sidebar;
    QString title;
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            sidebar = dialog->sidebarUrls();
            title = dialog->windowTitle();
            dialog->reject();
        }
    });
    poll->start(0);
    const std::vector<FolderPlace> places{{home.path(kSteamGame + "/"), "steam: here"},
                                          {home.path(kWineGame + "/"), "wine: there"}};
    EXPECT_FALSE(qt.chooseFolder("Directory with VICE CITY", QtFuture::makeReadyFuture(places)));
    EXPECT_EQ(title, "Directory with VICE CITY");
    EXPECT_TRUE(
        sidebar.contains(QUrl::fromLocalFile(QString::fromStdString(home.path(kSteamGame)))));
    EXPECT_TRUE(
        sidebar.contains(QUrl::fromLocalFile(QString::fromStdString(home.path(kWineGame)))));
}

// Holds a search for installs until the test lets it go. The wait has a limit, so a window
// that searched before opening its dialog makes the test fail rather than hang.
class HeldSearch {
public:
    TForm1::InstallFinder finder(std::vector<FolderPlace> places) {
        return [this, places] {
            released_.wait_for(std::chrono::seconds(5));
            ended_ = true;
            return places;
        };
    }
    void release() { gate_.set_value(); }
    bool ended() const { return ended_; }

private:
    std::promise<void> gate_;
    std::shared_future<void> released_ = gate_.get_future().share();
    std::atomic<bool> ended_ = false;
};

const std::vector<FolderPlace> kHeldPlaces{{"/held/game/", "steam: /held/game/"}};

TEST_F(SidebarTest, TheDialogOpensWhileTheInstallsAreStillBeingFound) {
    HeldSearch search;
    form->setInstallFinder(search.finder(kHeldPlaces));
    bool endedWhenAsked = true;
    services.onFolderDialogOpen = [&] {
        endedWhenAsked = search.ended();
        search.release();
    };
    form->Button2->click();
    EXPECT_FALSE(endedWhenAsked);
    ASSERT_EQ(services.folderPlaces.size(), 1u);
    ASSERT_EQ(services.folderPlaces[0].size(), 1u);
    EXPECT_EQ(services.folderPlaces[0][0].label, kHeldPlaces[0].label);
}

TEST_F(SidebarTest, TheWindowMayCloseWhileItsSearchForInstallsRuns) {
    HeldSearch search;
    form->setInstallFinder(search.finder(kHeldPlaces));
    services.waitForPlaces = false;
    form->Button2->click();  // cancelled at once
    form.reset();
    search.release();
    FolderPlaces places = services.placesFound.at(0);
    places.waitForFinished();
    ASSERT_EQ(places.resultCount(), 1);
    EXPECT_EQ(places.result()[0].folder, kHeldPlaces[0].folder);
}

TEST_F(SidebarTest, QtFolderDialogAddsPlacesThatArriveWhileItIsOpen) {
    QtDesktopServices qt;
    QPromise<std::vector<FolderPlace>> arriving;
    arriving.start();
    const QUrl steam = QUrl::fromLocalFile(QString::fromStdString(home.path(kSteamGame)));
    bool listedAtOpening = true;
    bool listedOnArrival = false;
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        if (!arriving.future().isFinished()) {
            listedAtOpening = dialog->sidebarUrls().contains(steam);
            arriving.addResult(std::vector<FolderPlace>{{home.path(kSteamGame + "/"), "steam"}});
            arriving.finish();
        } else if (dialog->sidebarUrls().contains(steam)) {
            listedOnArrival = true;
            poll->stop();
            poll->deleteLater();
            dialog->reject();
        }
    });
    poll->start(0);
    EXPECT_FALSE(qt.chooseFolder("Directory with VICE CITY", arriving.future()));
    EXPECT_FALSE(listedAtOpening);
    EXPECT_TRUE(listedOnArrival);
}

// Puts executables "steam" and "wine" alone on the PATH for one test.
class ToolsOnPath {
public:
    explicit ToolsOnPath(const TempFolder& folder) : saved_(qgetenv("PATH")) {
        for (const char* name : {"steam", "wine"}) {
            writeFile(folder.file(name), "#!/bin/sh\n");
            QFile::setPermissions(QString::fromLocal8Bit(folder.file(name)),
                                  QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        qputenv("PATH", QByteArray::fromStdString(folder.path()));
    }
    ~ToolsOnPath() { qputenv("PATH", saved_); }

private:
    QByteArray saved_;
};

TEST_F(SidebarTest, StartViceStartsASteamCopyThroughSteam) {
    TempFolder tools;
    const ToolsOnPath onPath(tools);
    // The game folder is chosen as a user would, through the "..." dialog.
    services.folderAnswer = home.path(kSteamGame);
    form->Button2->click();
    form->vd->click();
    services.folderAnswer = home.path(kWineGame);
    form->Button2->click();
    form->vd->click();
    ASSERT_EQ(services.programs.size(), 2u);
    EXPECT_EQ(services.programs[0].program, "steam");
    EXPECT_EQ(services.programs[0].arguments, (std::vector<std::string>{"-applaunch", "12110"}));
    EXPECT_EQ(services.programs[1].program, "wine");
    ASSERT_EQ(services.programs[1].environment.size(), 1u);
    EXPECT_EQ(services.programs[1].environment[0].second, home.path(".wine"));
    EXPECT_TRUE(services.messages.empty());
}

}  // namespace
}  // namespace vestura::test
