// The mouse wheel turns the focused selector only, wherever the pointer is.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include "tests/app/window_fixture.h"

namespace vestura::test {
namespace {

class WheelTest : public WindowTest {
protected:
    void SetUp() override {
        writePart("part.bmp", 8, 8, qRgb(0, 200, 0));
        writeCatalogueOf("part.bmp");
        createWindow();
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    // One notch towards the user (the next entry) over `box`.
    static void turnWheelOver(QComboBox* box) {
        const QPointF centre = QRectF(box->rect()).center();
        QWheelEvent notch(centre, box->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &notch);
    }
};

TEST_F(WheelTest, ANotchOverAnUnfocusedSelectorTurnsTheFocusedOne) {
    form->ComboBox1->setFocus();
    ASSERT_TRUE(form->ComboBox1->hasFocus());
    turnWheelOver(form->ComboBox2);
    EXPECT_EQ(form->ComboBox2->currentIndex(), 0);
    EXPECT_FALSE(form->preview().slot(Category::Beard).visible);
    EXPECT_EQ(form->ComboBox1->currentIndex(), 1);
    EXPECT_EQ(form->preview().slot(Category::Glasses).box.size(), QSize(8, 8));
}

TEST_F(WheelTest, ANotchOverTheFocusedSelectorTurnsIt) {
    form->ComboBox2->setFocus();
    turnWheelOver(form->ComboBox2);
    EXPECT_EQ(form->ComboBox2->currentIndex(), 1);
    EXPECT_TRUE(form->preview().slot(Category::Beard).visible);
}

TEST_F(WheelTest, WithAButtonFocusedNoSelectorTurns) {
    form->Button4->setFocus();
    turnWheelOver(form->ComboBox2);
    EXPECT_EQ(form->ComboBox2->currentIndex(), 0);
    EXPECT_EQ(form->ComboBox1->currentIndex(), 0);
}

}  // namespace
}  // namespace vestura::test
