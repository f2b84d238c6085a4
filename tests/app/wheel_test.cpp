// The mouse wheel turns a selector only when the pointer is over it and it has the focus.
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

TEST_F(WheelTest, ANotchOverAnUnfocusedSelectorTurnsNothing) {
    form->ComboBox1->setFocus();
    ASSERT_TRUE(form->ComboBox1->hasFocus());
    turnWheelOver(form->ComboBox2);
    EXPECT_EQ(form->ComboBox2->currentIndex(), 0);
    EXPECT_FALSE(form->preview().slot(Category::Beard).visible);
    EXPECT_EQ(form->ComboBox1->currentIndex(), 0);
    EXPECT_EQ(form->preview().slot(Category::Glasses).picture.graphic(), nullptr);
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

// A window that is not in front still gets wheel turns from most desktops; none of its
// widgets has the focus then, but its focus widget is the selector that turns.
class InactiveWheelTest : public WheelTest {
protected:
    void SetUp() override {
        WheelTest::SetUp();
        form->ComboBox2->setFocus();
        other_.show();
        QApplication::setActiveWindow(&other_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other_));
        ASSERT_FALSE(form->isActiveWindow());
        ASSERT_EQ(form->focusWidget(), form->ComboBox2);
        ASSERT_FALSE(form->ComboBox2->hasFocus());
    }

    QWidget other_;
};

TEST_F(InactiveWheelTest, ANotchOverTheFocusSelectorTurnsIt) {
    turnWheelOver(form->ComboBox2);
    EXPECT_EQ(form->ComboBox2->currentIndex(), 1);
    EXPECT_TRUE(form->preview().slot(Category::Beard).visible);
}

TEST_F(InactiveWheelTest, ANotchOverAnotherSelectorTurnsNothing) {
    turnWheelOver(form->ComboBox5);
    EXPECT_EQ(form->ComboBox5->currentIndex(), 0);
    EXPECT_EQ(form->ComboBox2->currentIndex(), 0);
}

}  // namespace
}  // namespace vestura::test
