// The 3D view: opened by F3 or a double-click on the preview frame, following the selectors,
// and handled by drag, wheel, Space, Ctrl+S and Escape; a missing model is reported instead.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QTest>

#include "app/model_view_window.h"
#include "model/clump_reader.h"
#include "tests/app/window_fixture.h"
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
    EXPECT_EQ(services.messages[0].text, "Player model not found: " + game.path() + "models/gta3.img");
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

class ViewHandling : public ::testing::Test {
protected:
    ViewHandling()
        : window(services, [this](QWidget*) { return chosen; }, nullptr) {
        window.setModel(readClump(writeDff(cubeClump(), kStamp34)));
        window.setSkin(cubeSkin());
        window.resize(200, 200);
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    FakeDesktopServices services;
    std::optional<std::string> chosen;
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
    QTRY_VERIFY(window.angles().yawDegrees >= 2 * ModelViewWindow::kTurntableDegrees);
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_FALSE(window.turntableRunning());
}

TEST_F(ViewHandling, AViewStoppedAtTheFillBudgetSaysSoOnScreenOnly) {
    EXPECT_EQ(window.grab().toImage().convertToFormat(QImage::Format_RGB32), window.picture());
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
    EXPECT_EQ(withPngSuffix(QStringLiteral("/home/me.d/view")), QStringLiteral("/home/me.d/view.png"));
    EXPECT_EQ(withPngSuffix(QStringLiteral("/home/me/view.png")), QStringLiteral("/home/me/view.png"));
    EXPECT_EQ(withPngSuffix(QStringLiteral("/home/me/view.PNG")), QStringLiteral("/home/me/view.PNG"));
}

}  // namespace
}  // namespace vestura::test
