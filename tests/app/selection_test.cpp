// Selection changes through the window: the preview's slots, their named layers, the paint,
// and failures while loading or while drawing.
#include <gtest/gtest.h>

#include <QTest>

#include "app/preview_widget.h"
#include "tests/app/window_fixture.h"
#include "tests/support/jpeg_encoder.h"
#include "tests/support/part_pictures.h"

namespace vestura::test {
namespace {

class SelectionTest : public WindowTest {
protected:
    void pick(QComboBox* box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    QWidget* layer(const char* name) const {
        return form->previewWidget->findChild<QWidget*>(QString::fromLatin1(name));
    }
    QImage shown() const { return form->previewWidget->grab().toImage(); }
};

TEST_F(SelectionTest, PickedPartResizesItsSlotAndIsPainted) {
    writeEmptyCatalogue();
    writePart("mask.bmp", 60, 90, qRgb(0, 0, 250));
    program.write("p.ls", "<NEW>\r\nmask.bmp\r\nBlue mask\r\n");
    createWindow();
    pick(form->ComboBox2, 1);
    EXPECT_TRUE(services.kinds.empty());
    ASSERT_NE(layer("p"), nullptr);
    EXPECT_EQ(layer("p")->geometry(), QRect(136, 17, 60, 90));
    EXPECT_TRUE(layer("p")->isVisibleTo(form.get()));
    EXPECT_EQ(shown().pixel(136 + 59, 17 + 89), qRgb(0, 0, 250));
}

TEST_F(SelectionTest, DefaultEntryHidesTheSlotAndTheNextPickShowsTheNewPicture) {
    writeEmptyCatalogue();
    writePart("red.bmp", 20, 20, qRgb(250, 0, 0));
    writePart("green.bmp", 20, 20, qRgb(0, 250, 0));
    program.write("c.ls", "<NEW>\r\nred.bmp\r\nRed\r\n<NEW>\r\ngreen.bmp\r\nGreen\r\n");
    createWindow();
    pick(form->ComboBox4, 1);
    EXPECT_EQ(shown().pixel(224, 163), qRgb(250, 0, 0));
    pick(form->ComboBox4, 0);
    EXPECT_FALSE(layer("c")->isVisibleTo(form.get()));
    EXPECT_NE(shown().pixel(224, 163), qRgb(250, 0, 0));
    pick(form->ComboBox4, 2);
    EXPECT_TRUE(layer("c")->isVisibleTo(form.get()));
    EXPECT_EQ(shown().pixel(224, 163), qRgb(0, 250, 0));
    EXPECT_TRUE(services.kinds.empty());
}

// A part that fails to load is reported with its cause, and its selector goes back to the
// entry the preview shows, so that the selector, the preview and Save agree.
TEST_F(SelectionTest, FailedLoadReturnsTheSelectorToThePartShown) {
    writeEmptyCatalogue();
    writePart("red.bmp", 20, 20, qRgb(250, 0, 0));
    program.write("c.ls", "<NEW>\r\nred.bmp\r\nRed\r\n<NEW>\r\nparts/missing.bmp\r\nGone\r\n");
    createWindow();
    for (const int entry : {0, 1}) {
        SCOPED_TRACE(entry);
        services.messages.clear();
        pick(form->ComboBox4, entry);
        pick(form->ComboBox4, 2);
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].text,
                  "Cannot open file " + program.path() + "parts/missing.bmp.");
        EXPECT_EQ(services.messages[0].detail, "The file does not exist.");
        EXPECT_EQ(services.messages[0].caption, "Vestura");
        EXPECT_EQ(form->ComboBox4->currentIndex(), entry);
        EXPECT_EQ(layer("c")->isVisibleTo(form.get()), entry == 1);
        EXPECT_EQ(entry == 1, shown().pixel(224, 163) == qRgb(250, 0, 0));
    }
    form->Button4->click();
    EXPECT_EQ(services.messages.back().caption, "About");
}

TEST_F(SelectionTest, DecodeFailureWhilePaintingIsReportedOnceAfterThePaint) {
    writeEmptyCatalogue();
    // A progressive JPEG whose scans run past the decoder's limit: it loads, and fails at
    // its first draw.
    const Bytes damaged =
        jpegWithRepeatedLastScan(encodeJpeg(patterned({94, 100}, 3), {.progressive = true}), 991);
    writeFile(program.file("jeans.jpg"),
              std::string_view(reinterpret_cast<const char*>(damaged.data()), damaged.size()));
    program.write("j.ls", "<NEW>\r\njeans.jpg\r\nTorn\r\n");
    createWindow();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));

    pick(form->ComboBox7, 1);
    EXPECT_TRUE(services.kinds.empty());  // the load itself succeeds
    form->previewWidget->repaint();
    EXPECT_TRUE(services.kinds.empty());  // nothing is shown from inside the paint
    ASSERT_TRUE(QTest::qWaitFor([&] { return services.messages.size() == 1; }));
    EXPECT_EQ(services.messages[0].text.rfind("JPEG error #", 0), 0u) << services.messages[0].text;
    EXPECT_EQ(services.messages[0].text.back(), '.');
    EXPECT_EQ(services.messages[0].caption, "Vestura");

    form->previewWidget->repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(services.messages.size(), 1u);
}

}  // namespace
}  // namespace vestura::test
