// The 3D view: opened by F3 or a double-click on the preview frame, following the selectors
// and the skin name, and handled by drag, wheel, keys, Ctrl+S and Escape, with a hint of its
// controls; a missing model is reported instead.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QTest>
#include <vector>

#include "app/model_view_window.h"
#include "model/clump_reader.h"
#include "tests/app/window_fixture.h"
#include "tests/support/made_up_home.h"
#include "tests/support/rw_writer.h"

namespace vestura::test {
namespace {

class ModelViewTest : public WindowTest {
protected:
    void SetUp() override { useGameFolder(game.path()); }

    void writeModel() const {
        writeArchive(game.path(), {{"PLAYER.DFF", writeDff(cubeClump(), kStamp34)},
                                   {"player.dff", Bytes(100, 0)}});
    }
    TForm1& showWindow() {
        createWindow();
        form->show();
        QApplication::setActiveWindow(form.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        return *form;
    }
};

TEST_F(ModelViewTest, F3OpensTheViewTitledAsItsOwnWindowAndLeavesTheMainWindowAlone) {
    writeModel();
    writeEmptyCatalogue();
    TForm1& window = showWindow();
    const QSize before = window.size();
    QTest::keyClick(window.ComboBox1, Qt::Key_F3);
    ASSERT_NE(window.modelView(), nullptr);
    EXPECT_TRUE(window.modelView()->isVisible());
    EXPECT_TRUE(window.modelView()->isWindow());
    EXPECT_EQ(window.modelView()->windowTitle(), "Vestura 3D view");
    EXPECT_EQ(window.size(), before);
    EXPECT_TRUE(services.messages.empty());
    EXPECT_FALSE(window.modelView()->turntableRunning());  // it holds still until asked
}

TEST_F(ModelViewTest, ADoubleClickOnThePreviewFrameOpensItAndTheFrameSaysSo) {
    writeModel();
    writeEmptyCatalogue();
    TForm1& window = showWindow();
    EXPECT_NE(window.GroupBox1->toolTip().indexOf("F3"), -1);
    QTest::mouseDClick(window.GroupBox1, Qt::LeftButton, {}, QPoint(60, 120));
    ASSERT_NE(window.modelView(), nullptr);
    EXPECT_TRUE(window.modelView()->isVisible());
}

TEST_F(ModelViewTest, AMissingModelIsReportedWithTheFileLookedFor) {
    writeEmptyCatalogue();
    TForm1& window = showWindow();
    QTest::keyClick(window.ComboBox1, Qt::Key_F3);
    ASSERT_EQ(services.messages.size(), 1U);
    EXPECT_EQ(services.messages[0].text,
              "Player model not found: " + game.path() + "models/gta3.img");
    EXPECT_EQ(services.messages[0].caption, "Vestura");
    EXPECT_EQ(services.messages[0].flags, mb::kWarning);
    EXPECT_TRUE(window.modelView() == nullptr || !window.modelView()->isVisible());
}

TEST_F(ModelViewTest, ADamagedModelIsReportedAsNotValid) {
    writeArchive(game.path(), {{"player.dff", Bytes(100, 0)}});
    writeEmptyCatalogue();
    TForm1& window = showWindow();
    QTest::keyClick(window.ComboBox1, Qt::Key_F3);
    ASSERT_EQ(services.messages.size(), 1U);
    EXPECT_EQ(services.messages[0].text.rfind("Player model is not valid: ", 0), 0U);
}

// One square facing the viewer at yaw 0, showing the whole skin.
Bytes sheetModel() {
    RwClump clump;
    clump.frames.resize(1);
    RwGeometry g;
    g.positions = {{1, 1, 0}, {-1, 1, 0}, {1, -1, 0}, {-1, -1, 0}};
    g.uvs = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    g.triangles = {{0, 1, 2}, {1, 3, 2}};
    clump.geometries = {g};
    clump.atomics = {{0, 0}};
    return writeDff(clump, kStamp34);
}

TEST_F(ModelViewTest, ChangingASelectorChangesTheView) {
    writeArchive(game.path(), {{"player.dff", sheetModel()}});
    writePart("red.bmp", 256, 256, qRgb(0, 200, 0));
    program.write("e.ls", "<NEW>\r\nred.bmp\r\nGreen\r\n");
    for (const char* name : {"p.ls", "c.ls", "h.ls", "k.ls", "b.ls", "j.ls"}) {
        program.write(name, "");
    }
    TForm1& window = showWindow();
    QTest::keyClick(window.ComboBox1, Qt::Key_F3);
    ASSERT_NE(window.modelView(), nullptr);
    const QImage before = window.modelView()->picture();
    window.ComboBox1->setCurrentIndex(1);
    window.ComboBox1Change();
    EXPECT_NE(window.modelView()->picture(), before);
}

TEST_F(ModelViewTest, F5InTheViewReadsTheCatalogueAgain) {
    writeModel();
    writeEmptyCatalogue();
    TForm1& window = showWindow();
    QTest::keyClick(window.ComboBox1, Qt::Key_F3);
    ASSERT_NE(window.modelView(), nullptr);
    writePart("red.bmp", 20, 20, qRgb(250, 0, 0));
    program.write("e.ls", "<NEW>\r\nred.bmp\r\nRed\r\n");
    QTest::keyClick(window.modelView(), Qt::Key_F5, Qt::ControlModifier);  // F5 alone only
    EXPECT_EQ(window.ComboBox1->count(), 1);
    QTest::keyClick(window.modelView(), Qt::Key_F5);
    EXPECT_EQ(window.ComboBox1->count(), 2);
}

// The name at opening, and each name typed while the view is open.
TEST_F(ModelViewTest, SavedViewsAreNamedAfterTheSkinNameField) {
    writeModel();
    writeEmptyCatalogue();
    TForm1& window = showWindow();
    window.Edit2->setText(QStringLiteral("Tommy"));
    QTest::keyClick(window.ComboBox1, Qt::Key_F3);
    ASSERT_NE(window.modelView(), nullptr);
    EXPECT_EQ(QFileInfo(window.modelView()->suggestedSavePath()).fileName(), "Tommy-view.png");
    struct Typed {
        const char* text;
        const char* file;
    };
    for (const Typed typed : {Typed{"  Ray ", "Ray-view.png"},
                              {"", "skin-view.png"},
                              {"   ", "skin-view.png"},
                              {"../up", "skin-view.png"}}) {
        window.Edit2->setText(QString::fromLatin1(typed.text));
        EXPECT_EQ(QFileInfo(window.modelView()->suggestedSavePath()).fileName(), typed.file)
            << '"' << typed.text << '"';
    }
}

class ViewHandling : public ::testing::Test {
protected:
    ViewHandling()
        : window(
              services,
              [this](QWidget*, const QString& suggestion) {
                  suggested.push_back(suggestion);
                  return chosen;
              },
              nullptr) {
        window.setModel(readClump(writeDff(cubeClump(), kStamp34)));
        window.setSkin(cubeSkin());
        window.resize(200, 200);
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F1);  // the hint put away: the screen is the picture
    }

    QImage shown() { return window.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    FakeDesktopServices services;
    std::optional<std::string> chosen;
    std::vector<QString> suggested;
    ModelViewWindow window;
};

TEST_F(ViewHandling, DraggingTurnsAndTiltsWithinLimitsAndADoubleClickResets) {
    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseMove(&window, QPoint(90, 50));
    EXPECT_GT(window.angles().yawDegrees, 0.0F);
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(90, 50));
    for (int drag = 0; drag < 3; ++drag) {  // down, far beyond the limit
        QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(90, 0));
        QTest::mouseMove(&window, QPoint(90, 199));
        QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(90, 199));
    }
    EXPECT_FLOAT_EQ(window.angles().pitchDegrees, 80.0F);
    QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_FLOAT_EQ(window.angles().yawDegrees, 0.0F);
    EXPECT_FLOAT_EQ(window.angles().pitchDegrees, 0.0F);
}

TEST_F(ViewHandling, TheArrowsTurnAndTiltByAStepWithinTheDragsLimitsAndHomeResets) {
    struct Press {
        Qt::Key key;
        float yaw, pitch;  // as dragging that way
    };
    constexpr float kStep = ModelViewWindow::kKeyTurnDegrees;
    for (const Press press : {Press{Qt::Key_Right, kStep, 0},
                              {Qt::Key_Left, -kStep, 0},
                              {Qt::Key_Down, 0, kStep},
                              {Qt::Key_Up, 0, -kStep}}) {
        const ViewAngles before = window.angles();
        QTest::keyClick(&window, press.key);
        EXPECT_FLOAT_EQ(window.angles().yawDegrees, before.yawDegrees + press.yaw) << press.key;
        EXPECT_FLOAT_EQ(window.angles().pitchDegrees, before.pitchDegrees + press.pitch)
            << press.key;
    }
    for (int press = 0; press < 10; ++press) {
        QTest::keyClick(&window, Qt::Key_Down);
    }
    EXPECT_FLOAT_EQ(window.angles().pitchDegrees, kMaxPitchDegrees);
    QTest::keyClick(&window, Qt::Key_Right);
    QTest::keyClick(&window, Qt::Key_Plus);
    QTest::keyClick(&window, Qt::Key_Home);
    EXPECT_FLOAT_EQ(window.angles().yawDegrees, 0.0F);
    EXPECT_FLOAT_EQ(window.angles().pitchDegrees, 0.0F);
    EXPECT_FLOAT_EQ(window.angles().zoom, 1.0F);
}

// Each zoom key undone by one wheel notch the other way, and held at the wheel's bounds.
TEST_F(ViewHandling, PlusAndMinusZoomAsAWheelNotchWithinTheWheelsBounds) {
    const auto wheel = [this](int notches) {
        QWheelEvent event(QPointF(100, 100), window.mapToGlobal(QPointF(100, 100)), {},
                          {0, 120 * notches}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&window, &event);
    };
    struct Press {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int notches;
    };
    for (const Press press : {Press{Qt::Key_Plus, Qt::ShiftModifier, 1},
                              {Qt::Key_Equal, {}, 1},
                              {Qt::Key_Plus, Qt::KeypadModifier, 1},
                              {Qt::Key_Minus, {}, -1},
                              {Qt::Key_Minus, Qt::KeypadModifier, -1}}) {
        const float before = window.angles().zoom;
        QTest::keyClick(&window, press.key, press.modifiers);
        EXPECT_NE(window.angles().zoom, before) << press.key;
        wheel(-press.notches);
        EXPECT_FLOAT_EQ(window.angles().zoom, before) << press.key;
    }
    for (const Press press : {Press{Qt::Key_Plus, {}, 1}, {Qt::Key_Minus, {}, -1}}) {
        for (int step = 0; step < 50; ++step) {
            QTest::keyClick(&window, press.key);
        }
        const float held = window.angles().zoom;
        wheel(press.notches);
        EXPECT_EQ(window.angles().zoom, held) << press.key;
    }
}

// A box from `lo` to `hi` in one colour: every corner on the skin's point `uv`.
void addBox(Mesh& mesh, Vec3 lo, Vec3 hi, Vec2 uv) {
    const auto base = static_cast<std::uint32_t>(mesh.positions.size());
    for (int c = 0; c < 8; ++c) {
        mesh.positions.push_back(
            {(c & 1) ? hi.x : lo.x, (c & 2) ? hi.y : lo.y, (c & 4) ? hi.z : lo.z});
        mesh.uvs.push_back(uv);
    }
    for (const auto& face : std::array<std::array<std::uint32_t, 4>, 6>{{{0, 2, 4, 6},
                                                                         {1, 3, 5, 7},
                                                                         {0, 1, 4, 5},
                                                                         {2, 3, 6, 7},
                                                                         {0, 1, 2, 3},
                                                                         {4, 5, 6, 7}}}) {
        mesh.triangles.push_back({base + face[0], base + face[1], base + face[2]});
        mesh.triangles.push_back({base + face[1], base + face[3], base + face[2]});
    }
}

// A red trunk with one green arm, on the side the front view shows on the viewer's right:
// the figure's left arm, which 3 must show in front of the trunk.
TEST_F(ViewHandling, OneTwoAndThreeShowTheFrontTheBackAndTheLeftSideLevel) {
    Mesh figure;
    addBox(figure, {-1, -2, -0.5F}, {1, 2, 0.5F}, {0.15F, 0.25F});        // cubeSkin's red
    addBox(figure, {-2, -0.5F, -0.3F}, {-1, 1.5F, 0.3F}, {0.5F, 0.25F});  // and green
    window.setModel(figure);
    const auto armSeen = [](const QImage& picture, int x0, int x1) {
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = x0; x < x1; ++x) {
                if (faceColour(picture.pixel(x, y)) == kCubePlusX) {
                    return true;
                }
            }
        }
        return false;
    };
    struct Side {
        Qt::Key key;
        QRgb centre;
        bool armOnTheLeft, armOnTheRight;
    };
    for (const Side side : {Side{Qt::Key_3, kCubePlusX, true, true},
                            {Qt::Key_1, kCubeMinusZ, false, true},
                            {Qt::Key_2, kCubeMinusZ, true, false}}) {
        QTest::keyClick(&window, Qt::Key_Down);  // tilted and turned: the key levels it
        QTest::keyClick(&window, Qt::Key_Right);
        QTest::keyClick(&window, side.key);
        EXPECT_FLOAT_EQ(window.angles().pitchDegrees, 0.0F) << side.key;
        const QImage picture = window.picture();
        const int middle = picture.width() / 2;
        EXPECT_EQ(faceColour(picture.pixel(middle, middle)), side.centre) << side.key;
        EXPECT_EQ(armSeen(picture, 0, middle - 1), side.armOnTheLeft) << side.key;
        EXPECT_EQ(armSeen(picture, middle + 1, picture.width()), side.armOnTheRight) << side.key;
    }
}

TEST_F(ViewHandling, TheWheelZooms) {
    const QImage before = window.picture();
    QWheelEvent wheel(QPointF(100, 100), window.mapToGlobal(QPointF(100, 100)), {}, {0, 120},
                      Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&window, &wheel);
    EXPECT_GT(window.angles().zoom, 1.0F);
    EXPECT_NE(window.picture(), before);
}

TEST_F(ViewHandling, SpaceStartsAndStopsTheTurntableAtTheGamesSpeed) {
    QTest::keyClick(&window, Qt::Key_Space);
    ASSERT_TRUE(window.turntableRunning());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window.angles().yawDegrees >= 2 * ModelViewWindow::kTurntableDegrees; }));
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_FALSE(window.turntableRunning());
}

TEST_F(ViewHandling, AViewStoppedAtTheFillBudgetSaysSoOnScreenOnly) {
    EXPECT_EQ(shown(), window.picture());
    // 100 squares one behind the other, each covering most of the window.
    Mesh layers;
    for (int layer = 0; layer < 100; ++layer) {
        const auto base = static_cast<std::uint32_t>(layers.positions.size());
        const float z = static_cast<float>(layer) * 1e-3F;
        for (const Vec3 p : {Vec3{-1, -1, z}, Vec3{1, -1, z}, Vec3{-1, 1, z}, Vec3{1, 1, z}}) {
            layers.positions.push_back(p);
            layers.uvs.push_back({0.1F, 0.1F});
        }
        layers.triangles.push_back({base, base + 1, base + 2});
        layers.triangles.push_back({base + 1, base + 3, base + 2});
    }
    window.setModel(layers);
    window.resize(kMaxViewSide / 4, kMaxViewSide / 4);
    const QImage shown = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage picture = window.picture();  // what Ctrl+S saves
    ASSERT_EQ(shown.size(), picture.size());
    EXPECT_NE(shown, picture);
    // The note sits in the lower left corner; the rest is the picture.
    EXPECT_EQ(shown.copy(shown.width() / 2, 0, shown.width() / 2, shown.height() / 2),
              picture.copy(shown.width() / 2, 0, shown.width() / 2, shown.height() / 2));
}

TEST_F(ViewHandling, AWindowWiderThanTheLargestPictureShowsItInTheMiddle) {
    window.resize(kMaxViewSide + 1000, 60);
    const QImage shown = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.width(), kMaxViewSide + 1000);
    EXPECT_EQ(faceColour(shown.pixel(shown.width() / 2, 30)), kCubeMinusZ);
    EXPECT_EQ(shown.pixel(0, 30), kViewBackground);
    EXPECT_EQ(shown.pixel(shown.width() - 1, 30), kViewBackground);
}

constexpr int kHintGoneMs = ModelViewWindow::kHintHoldMs + ModelViewWindow::kHintFadeMs + 2000;

// Over the picture only, so what Ctrl+S saves is the model alone.
TEST_F(ViewHandling, OpeningShowsTheControlsHintOnScreenOnlyUntilItFadesAndF1BringsItBack) {
    window.hide();
    window.show();
    EXPECT_NE(shown(), window.picture());
    TempFolder folder;
    chosen = folder.file("view.png");
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(QImage(QString::fromStdString(*chosen)).convertToFormat(QImage::Format_RGB32),
              window.picture());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.hintOpacity() == 0; }, kHintGoneMs));
    EXPECT_EQ(shown(), window.picture());
    QTest::keyClick(&window, Qt::Key_F1);
    EXPECT_NE(shown(), window.picture());
    QTest::keyClick(&window, Qt::Key_F1);  // at once, while it holds: put away again
    EXPECT_EQ(shown(), window.picture());
}

// The first save offers the Pictures folder, or the home folder without one; each later save
// the folder the last one went to, whatever the name.
TEST_F(ViewHandling, CtrlSSuggestsTheSkinsNameInTheFolderOfTheLastSave) {
    MadeUpHome home;
    const HomeVariables variables(home.home());
    const auto save = [this] {
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        return suggested.back();
    };
    const auto at = [](const std::string& folder, const char* file) {
        return QDir(QString::fromStdString(folder)).filePath(QString::fromLatin1(file));
    };
    EXPECT_EQ(save(), at(home.home(), "skin-view.png"));  // cancelled
    home.folder("Pictures");
    window.setSkinName(QStringLiteral("Tommy"));
    EXPECT_EQ(save(), at(home.path("Pictures"), "Tommy-view.png"));
    TempFolder folder;
    chosen = folder.file("view.png");
    save();
    chosen = folder.file("missing/view.png");  // fails: reported, and not remembered
    EXPECT_EQ(save(), at(folder.path(), "Tommy-view.png"));
    EXPECT_EQ(services.messages.size(), 1U);
    window.setSkinName(QStringLiteral("a/b"));
    EXPECT_EQ(save(), at(folder.path(), "skin-view.png"));
}

TEST_F(ViewHandling, CtrlSSavesTheViewAsAPngAndEscapeCloses) {
    TempFolder folder;
    chosen = folder.file("view.png");
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    const QImage saved(QString::fromStdString(*chosen));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), window.picture());
    chosen.reset();  // cancelled: nothing is written, nothing reported
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(services.messages.empty());
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST(ViewFileName, ANameWithoutSuffixBecomesAPng) {
    EXPECT_EQ(withPngSuffix(QStringLiteral("/home/me/view")), QStringLiteral("/home/me/view.png"));
    EXPECT_EQ(withPngSuffix(QStringLiteral("/home/me.d/view")),
              QStringLiteral("/home/me.d/view.png"));
    EXPECT_EQ(withPngSuffix(QStringLiteral("/home/me/view.png")),
              QStringLiteral("/home/me/view.png"));
    EXPECT_EQ(withPngSuffix(QStringLiteral("/home/me/view.PNG")),
              QStringLiteral("/home/me/view.PNG"));
}

}  // namespace
}  // namespace vestura::test
