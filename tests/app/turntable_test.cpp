// The 3D view's Ctrl+Shift+S: a turntable from the view on screen saved as asked, with a
// progress dialog whose Cancel leaves nothing on disk; the dialog's bounds.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>

#include "app/model_view_window.h"
#include "app/turntable_save.h"
#include "model/clump_reader.h"
#include "tests/support/animation_decoder.h"
#include "tests/support/fake_desktop_services.h"
#include "tests/support/rw_writer.h"
#include "tests/support/temp_folder.h"

namespace vestura::test {
namespace {

constexpr int kSaveMs = 20000;

int filesIn(const std::string& folder) {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator(folder),
                                          std::filesystem::directory_iterator()));
}

class TurntableSaving : public ::testing::Test {
protected:
    TurntableSaving()
        : window(
              services, [](QWidget*, const QString&) { return std::nullopt; }, nullptr) {
        window.setModel(readClump(writeDff(cubeClump(), kStamp34)));
        window.setSkin(cubeSkin());
        window.setSkinName(QStringLiteral("Ray"));
        window.setTurntableChooser([this](QWidget*, const TurntableRequest& suggestion) {
            suggested.push_back(suggestion);
            return chosen;
        });
        window.resize(200, 200);
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void pressCtrlShiftS() {
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    }
    bool waitForTheSave() {
        return QTest::qWaitFor([&] { return window.turntableSave() == nullptr; }, kSaveMs);
    }

    FakeDesktopServices services;
    ModelViewWindow window;
    std::optional<TurntableRequest> chosen;
    std::vector<TurntableRequest> suggested;
    TempFolder folder;
};

TEST_F(TurntableSaving, CtrlShiftSSavesAWholeTurnFromTheViewOnScreen) {
    QTest::keyClick(&window, Qt::Key_Right);  // 15 degrees
    QTest::keyClick(&window, Qt::Key_Down);   // tilted 15 degrees
    chosen = TurntableRequest{AnimationFormat::WebP, 6, 10, 40, folder.file("turn.webp"), {}};
    pressCtrlShiftS();
    ASSERT_EQ(suggested.size(), 1U);
    EXPECT_EQ(QFileInfo(QString::fromStdString(suggested[0].path)).fileName(), "Ray-turntable");
    ASSERT_TRUE(waitForTheSave());
    EXPECT_TRUE(services.messages.empty());

    const DecodedAnimation decoded = decodeAnimationFile(folder.file("turn.webp"));
    ASSERT_EQ(decoded.frames.size(), 6U);
    EXPECT_EQ(decoded.loops, 0);
    const Mesh mesh = readClump(writeDff(cubeClump(), kStamp34));
    for (int k = 0; k < 6; ++k) {
        const QImage truth = renderView(mesh, cubeSkin(), {15.0F + 60.0F * k, 15, 1}, {40, 40});
        EXPECT_EQ(decoded.frames[static_cast<std::size_t>(k)], truth) << "frame " << k;
    }
    // The view says where it went.
    EXPECT_TRUE(window.hintText().startsWith("Saved turn.webp ("))
        << window.hintText().toStdString();
    EXPECT_EQ(window.hintOpacity(), 1);

    // The next save offers the same settings, in the folder this one went to; a lossy WebP
    // is asked for by its quality.
    chosen->path = folder.file("small.webp");
    chosen->quality = 80;
    pressCtrlShiftS();
    ASSERT_EQ(suggested.size(), 2U);
    EXPECT_EQ(suggested[1].frames, 6);
    EXPECT_EQ(suggested[1].size, 40);
    EXPECT_EQ(suggested[1].path, folder.file("Ray-turntable"));
    ASSERT_TRUE(waitForTheSave());
    EXPECT_NE(folder.read("small.webp").find("VP8 "), std::string::npos);  // lossy frames
    EXPECT_EQ(folder.read("turn.webp").find("VP8 "), std::string::npos);
}

TEST_F(TurntableSaving, CancellingLeavesNoFileAndTheOldOneAsItWas) {
    folder.write("old.gif", "old animation");
    chosen = TurntableRequest{AnimationFormat::Gif, 360, 25, 320, folder.file("old.gif"), {}};
    pressCtrlShiftS();
    ASSERT_NE(window.turntableSave(), nullptr);
    QProgressDialog* progress = window.turntableSave()->progressDialog();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->maximum(), 720);  // a GIF looks at every frame twice
    EXPECT_TRUE(QTest::qWaitFor([&] { return progress->isVisible(); }, kSaveMs));
    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    ASSERT_TRUE(waitForTheSave());
    EXPECT_EQ(folder.read("old.gif"), "old animation");
    EXPECT_EQ(filesIn(folder.path()), 1);  // no temporary file either
    EXPECT_TRUE(services.messages.empty());

    // Closing the window while it saves ends the work the same way.
    chosen->path = folder.file("new.gif");
    pressCtrlShiftS();
    ASSERT_NE(window.turntableSave(), nullptr);
    window.close();
    ASSERT_TRUE(waitForTheSave());
    EXPECT_EQ(filesIn(folder.path()), 1);
}

TEST_F(TurntableSaving, ADeclinedDialogDoesNothingAndAFailedWriteIsReported) {
    pressCtrlShiftS();  // the chooser answers nothing
    EXPECT_EQ(window.turntableSave(), nullptr);
    EXPECT_TRUE(services.messages.empty());

    chosen = TurntableRequest{AnimationFormat::Png, 4, 12, 24, folder.file("missing/turn.png"), {}};
    pressCtrlShiftS();
    ASSERT_TRUE(waitForTheSave());
    ASSERT_EQ(services.messages.size(), 1U);
    EXPECT_EQ(
        services.messages[0].text.rfind("Cannot create file " + folder.file("missing/turn.png"), 0),
        0U)
        << services.messages[0].text;
}

TEST(TurntableDialogBounds, OkStaysOffPastThePixelBudgetAndTheFieldsHoldTheirRanges) {
    TurntableDialog dialog({AnimationFormat::Gif, 36, 12, 512, "/x/Ray-turntable", {}}, nullptr);
    EXPECT_EQ(dialog.format()->currentText(), "GIF (256 colours)");
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    dialog.size()->setValue(1025);  // 36 x 1025 x 1025
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    EXPECT_NE(dialog.summary().indexOf("36 x 1024 x 1024"), -1) << dialog.summary().toStdString();
    dialog.frames()->setValue(4);
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    for (QSpinBox* box : {dialog.frames(), dialog.fps(), dialog.size()}) {
        box->setValue(100000);
    }
    const TurntableRequest request = dialog.request();
    EXPECT_EQ(request.frames, 360);
    EXPECT_EQ(request.fps, 50);
    EXPECT_EQ(request.size, 4096);
    EXPECT_EQ(request.path, "/x/Ray-turntable");
    EXPECT_FALSE(dialog.okButton()->isEnabled());

    // Each format the list offers, and a lossy WebP suggested is shown as such.
    const std::vector<std::pair<QString, std::optional<int>>> offered{
        {"Animated WebP (lossless)", std::nullopt},
        {"Animated WebP (smaller, lossy)", 80},
        {"GIF (256 colours)", std::nullopt},
        {"Animated PNG", std::nullopt}};
    ASSERT_EQ(dialog.format()->count(), static_cast<int>(offered.size()));
    for (int k = 0; k < dialog.format()->count(); ++k) {
        dialog.format()->setCurrentIndex(k);
        EXPECT_EQ(dialog.format()->currentText(), offered[static_cast<std::size_t>(k)].first);
        EXPECT_EQ(dialog.request().quality, offered[static_cast<std::size_t>(k)].second);
    }
    TurntableDialog lossy({AnimationFormat::WebP, 36, 12, 512, "/x/Ray-turntable", 80}, nullptr);
    EXPECT_EQ(lossy.format()->currentIndex(), 1);

    // A lossless WebP has a side of its own, for its encoder's memory; the lossy one not.
    lossy.frames()->setValue(4);
    lossy.size()->setValue(2561);
    EXPECT_TRUE(lossy.okButton()->isEnabled());
    lossy.format()->setCurrentIndex(0);
    EXPECT_FALSE(lossy.okButton()->isEnabled());
    EXPECT_NE(lossy.summary().indexOf("lossless WebP is at most 2560"), -1);
}

TEST(TurntableFileName, ATypedExtensionChoosesTheFormatElseTheChosenOneIsAdded) {
    using Result = std::pair<QString, AnimationFormat>;
    EXPECT_EQ(animationFileFor("/a/turn", AnimationFormat::Gif),
              Result("/a/turn.gif", AnimationFormat::Gif));
    EXPECT_EQ(animationFileFor("/a/turn.PNG", AnimationFormat::WebP),
              Result("/a/turn.PNG", AnimationFormat::Png));
    EXPECT_EQ(animationFileFor("/a.b/turn.jpg", AnimationFormat::WebP),
              Result("/a.b/turn.jpg.webp", AnimationFormat::WebP));
}

}  // namespace
}  // namespace vestura::test
