// F5 reads the catalogue again: selectors keep their captions where they still exist, fall
// back to the default entry where not, and the preview follows, pictures read anew.
#include <gtest/gtest.h>

#include <QDialog>
#include <QTest>
#include <filesystem>

#include "app/catalogue_watcher.h"
#include "app/preview_widget.h"
#include "tests/app/window_fixture.h"

namespace vestura::test {
namespace {

class ReloadTest : public WindowTest {
protected:
    void pick(QComboBox* box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    QImage shown() const { return form->previewWidget->grab().toImage(); }
    void pressF5(QWidget* on) { QTest::keyClick(on, Qt::Key_F5); }
};

TEST_F(ReloadTest, SelectorsKeepTheirCaptionsAndThePreviewFollowsTheNewFiles) {
    writeEmptyCatalogue();
    writePart("red.bmp", 20, 20, qRgb(250, 0, 0));
    writePart("green.bmp", 20, 20, qRgb(0, 250, 0));
    program.write("c.ls", "<NEW>\r\nred.bmp\r\nRed\r\n<NEW>\r\ngreen.bmp\r\nGreen\r\n");
    program.write("e.ls", "<NEW>\r\nred.bmp\r\nGone soon\r\n");
    createWindow();
    pick(form->ComboBox4, 2);  // Green
    pick(form->ComboBox1, 1);  // Gone soon
    EXPECT_EQ(shown().pixel(224, 163), qRgb(0, 250, 0));

    // A new entry before Green, Green's picture repainted blue, the glasses entry renamed.
    writePart("green.bmp", 30, 10, qRgb(0, 0, 250));
    program.write("c.ls",
                  "<NEW>\r\nred.bmp\r\nRed\r\n<NEW>\r\nred.bmp\r\nNew\r\n"
                  "<NEW>\r\ngreen.bmp\r\nGreen\r\n");
    program.write("e.ls", "<NEW>\r\nred.bmp\r\nRenamed\r\n");
    pressF5(form->ComboBox4);

    EXPECT_TRUE(services.kinds.empty());
    EXPECT_EQ(form->ComboBox4->count(), 4);
    EXPECT_EQ(form->ComboBox4->currentText(), QStringLiteral("Green"));
    EXPECT_EQ(form->ComboBox4->currentIndex(), 3);
    EXPECT_EQ(form->preview().slot(Category::Chain).box, QRect(224, 163, 30, 10));
    EXPECT_EQ(shown().pixel(224, 163), qRgb(0, 0, 250));
    EXPECT_EQ(form->ComboBox1->currentIndex(), 0);  // back to "None"
    EXPECT_EQ(form->ComboBox1->itemText(1), QStringLiteral("Renamed"));
    EXPECT_FALSE(form->preview().slot(Category::Glasses).visible);
}

// Saving a list file or the picture of a part shown reloads by itself, once the writing has
// settled, as F5 does.
TEST_F(ReloadTest, AChangeOnDiskReloadsByItself) {
    writeEmptyCatalogue();
    writePart("red.bmp", 20, 20, qRgb(250, 0, 0));
    program.write("c.ls", "<NEW>\r\nred.bmp\r\nRed\r\n");
    createWindow();
    pick(form->ComboBox4, 1);
    EXPECT_EQ(shown().pixel(224, 163), qRgb(250, 0, 0));

    writePart("red.bmp", 20, 20, qRgb(0, 0, 250));  // the picture shown, repainted
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown().pixel(224, 163) == qRgb(0, 0, 250); }, 5000));

    // An editor's save: a new file renamed over the list file.
    program.write("c.ls.new", "<NEW>\r\nred.bmp\r\nRed\r\n<NEW>\r\nred.bmp\r\nAlso red\r\n");
    std::filesystem::rename(program.file("c.ls.new"), program.file("c.ls"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->ComboBox4->count() == 3; }, 5000));
    EXPECT_EQ(form->ComboBox4->currentText(), QStringLiteral("Red"));
    EXPECT_TRUE(services.kinds.empty());

    // A change made while a dialog is open is read once the dialog has closed.
    QDialog dialog(form.get());
    dialog.setModal(true);
    dialog.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    program.write("c.ls", "<NEW>\r\nred.bmp\r\nRed\r\n");
    QTest::qWait(3 * CatalogueWatcher::kSettleMs);
    EXPECT_EQ(form->ComboBox4->count(), 3);
    dialog.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->ComboBox4->count() == 2; }, 5000));
}

// A list file that cannot be read is reported, and keeps its list and its pick; every other
// list is read again, and the preview still draws exactly what the selectors name (what
// Save would write).
TEST_F(ReloadTest, AListFileThatCannotBeReadKeepsItsListAndTheOthersAreReadAgain) {
    writeEmptyCatalogue();
    writePart("red.bmp", 20, 20, qRgb(250, 0, 0));
    program.write("c.ls", "<NEW>\r\nred.bmp\r\nChain\r\n");
    program.write("k.ls", "<NEW>\r\nred.bmp\r\nShirt\r\n");
    createWindow();
    pick(form->ComboBox4, 1);
    pick(form->ComboBox6, 1);  // read after the failing list file
    program.write("k.ls", "<NEW>\r\nred.bmp\r\nShirt\r\n<NEW>\r\nred.bmp\r\nNew shirt\r\n");
    std::filesystem::remove(program.file("c.ls"));
    pressF5(form.get());
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Cannot open file " + program.file("c.ls") + ".");
    EXPECT_NE(services.messages[0].detail.find("Its list stays as it was"), std::string::npos)
        << services.messages[0].detail;
    EXPECT_EQ(form->ComboBox4->count(), 2);
    EXPECT_EQ(form->ComboBox4->currentText(), QStringLiteral("Chain"));
    EXPECT_TRUE(form->preview().slot(Category::Chain).visible);
    EXPECT_EQ(form->ComboBox6->count(), 3);
    EXPECT_EQ(form->ComboBox6->currentText(), QStringLiteral("Shirt"));
    EXPECT_EQ(shown().pixel(224, 163), qRgb(250, 0, 0));

    // Once the file is back, the next reload takes it.
    program.write("c.ls", "");
    pressF5(form.get());
    EXPECT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(form->ComboBox4->count(), 1);
    EXPECT_EQ(form->ComboBox6->currentText(), QStringLiteral("Shirt"));
}

// A picked part whose file no longer loads is reported; its selector returns to the default
// entry and its slot is emptied, so the old picture is drawn neither now nor on a later pick.
TEST_F(ReloadTest, APickedPartThatNoLongerLoadsReturnsToTheDefaultEntry) {
    writeEmptyCatalogue();
    QImage part(20, 20, QImage::Format_ARGB32);
    part.fill(qRgba(250, 0, 0, 255));
    ASSERT_TRUE(part.save(QString::fromLocal8Bit(program.file("sun.png")), "PNG"));
    program.write("e.ls", "<NEW>\r\nsun.png\r\nSun\r\n");
    createWindow();
    const QImage bare = shown();
    pick(form->ComboBox1, 1);
    ASSERT_NE(shown(), bare);
    program.write("sun.png", "not a picture");
    pressF5(form.get());

    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "PNG image is not valid.");
    EXPECT_EQ(form->ComboBox1->currentIndex(), 0);
    EXPECT_FALSE(form->preview().slot(Category::Glasses).visible);
    EXPECT_EQ(form->preview().slot(Category::Glasses).picture.graphic(), nullptr);
    EXPECT_EQ(shown(), bare);

    pick(form->ComboBox1, 1);  // picked again: the failure is reported, nothing stale drawn
    EXPECT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(shown(), bare);
}

}  // namespace
}  // namespace vestura::test
