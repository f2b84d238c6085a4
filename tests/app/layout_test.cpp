// The main window's fixed layout: names, places, sizes, texts, colours, fonts, tab order.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/program_info.h"
#include "common/platform.h"
#include "tests/app/window_fixture.h"

namespace vestura::test {
namespace {

class LayoutTest : public WindowTest {
protected:
    // The layout as it shows with the game in its folder (a folder without it is marked).
    void SetUp() override {
        writeEmptyCatalogue();
        game.write("gta-vc.exe", "MZ");
        useGameFolder(game.path());
        createWindow();
    }
    template <typename Widget = QWidget>
    Widget* control(const char* name) const {
        auto* widget = form->findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
};

struct PlacedControl {
    const char* name;
    const char* className;
    int x, y, width, height;
    const char* text;
    QRgb colour;  // the field's background; 0 when the platform's
};

// Controls with a window of their own and the fixed-size pictures and label.
const PlacedControl kPlaced[] = {
    {"Image2", "vestura::BackgroundWidget", 0, 0, 472, 376, "", 0},
    {"Label10", "QLabel", 8, 288, 273, 13, "For viewing a new skin in game use GTA", 0},
    {"GroupBox1", "QGroupBox", 8, 8, 273, 281, "Preview", 0xFF8CC6FF},
    {"ComboBox1", "QComboBox", 288, 24, 169, 21, "", 0xFF9BCDFF},
    {"ComboBox2", "QComboBox", 288, 64, 169, 21, "", 0xFF9BCDFF},
    {"ComboBox4", "QComboBox", 288, 104, 169, 21, "", 0xFF9BCDFF},
    {"ComboBox5", "QComboBox", 288, 144, 169, 21, "", 0xFF9BCDFF},
    {"ComboBox6", "QComboBox", 288, 184, 169, 21, "", 0xFF9BCDFF},
    {"ComboBox7", "QComboBox", 288, 224, 169, 21, "", 0xFF9BCDFF},
    {"ComboBox3", "QComboBox", 288, 264, 169, 21, "", 0xFF9BCDFF},
    {"Edit1", "QLineEdit", 16, 318, 209, 21, nullptr, 0xFF1C8DFF},
    {"Button2", "QPushButton", 224, 319, 25, 20, "...", 0},
    {"Edit2", "QLineEdit", 256, 316, 129, 21, "NewSkin", 0xFF9BCDFF},
    {"Button3", "QPushButton", 392, 312, 73, 25, "Save", 0},
    {"Button1", "QPushButton", 8, 344, 81, 25, "Exit", 0},
    {"Button4", "QPushButton", 96, 344, 81, 25, "About", 0},
    {"vd", "QPushButton", 184, 344, 81, 25, "Start Vice", 0},
    // Inside the preview frame, relative to it.
    {"Image1", "QWidget", 8, 17, 256, 256, "", 0},
    {"p", "QWidget", 136, 17, 128, 128, "", 0},
    {"e", "QWidget", 168, 56, 96, 44, "", 0},
    {"c", "QWidget", 224, 163, 40, 40, "", 0},
    {"h", "QWidget", 103, 17, 33, 84, "", 0},
    {"k", "QWidget", 95, 145, 105, 129, "", 0},
    {"j", "QWidget", 8, 101, 94, 172, "", 0},
    {"b", "QWidget", 8, 17, 56, 72, "", 0},
};

QString textOf(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        return edit->text();
    if (const auto* button = qobject_cast<const QPushButton*>(widget))
        return button->text();
    if (const auto* frame = qobject_cast<const QGroupBox*>(widget))
        return frame->title();
    return QString();
}

TEST_F(LayoutTest, PlacesEveryControlWithItsNameSizeTextAndColour) {
    for (const PlacedControl& expected : kPlaced) {
        SCOPED_TRACE(expected.name);
        const QWidget* widget = control(expected.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), expected.className);
        EXPECT_EQ(widget->geometry(),
                  QRect(expected.x, expected.y, expected.width, expected.height));
        if (expected.text != nullptr) {
            EXPECT_EQ(textOf(widget), QString::fromLatin1(expected.text));
        }
        if (expected.colour != 0) {
            const QPalette::ColorRole role =
                qobject_cast<const QGroupBox*>(widget) ? QPalette::Window : QPalette::Base;
            EXPECT_EQ(widget->palette().color(role).rgba(), expected.colour);
        }
    }
}

struct TextLabel {
    const char* name;
    int x, y;
    const char* text;  // nullptr: the contact address
};

const TextLabel kTextLabels[] = {
    {"Label11", 272, 341, "Send questions and remarks on"},
    {"Label12", 272, 355, nullptr},
    {"Label13", 273, 356, nullptr},
    {"Label3", 16, 304, "Folder with Vice City"},
    {"Label9", 256, 304, "The name of a skin"},
    {"Label1", 288, 8, "Eye-glasses"},
    {"Label2", 288, 48, "Beard, moustache or mask"},
    {"Label4", 288, 88, "Chain or singlet"},
    {"Label5", 288, 128, "Hours or figure"},
    {"Label6", 288, 168, "Shirt"},
    {"Label7", 288, 208, "Jeans"},
    {"Label8", 288, 248, "Boots"},
};

TEST_F(LayoutTest, SizesLabelsToTheirTextInTheirFont) {
    for (const TextLabel& expected : kTextLabels) {
        SCOPED_TRACE(expected.name);
        const auto* label = control<QLabel>(expected.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->pos(), QPoint(expected.x, expected.y));
        const QString text = expected.text != nullptr ? QString::fromLatin1(expected.text)
                                                      : QString::fromLatin1(kContactAddress);
        EXPECT_EQ(label->text(), text);
        const QFontMetrics metrics(label->font());
        // The box hugs the text: its advance and line height, give or take the glyphs'
        // overhang.
        EXPECT_EQ(label->size(), label->sizeHint());
        EXPECT_GE(label->width(), metrics.horizontalAdvance(text));
        EXPECT_LE(label->width(), metrics.horizontalAdvance(text) + 2);
        EXPECT_GE(label->height(), metrics.height());
        EXPECT_LE(label->height(), metrics.height() + 2);
        EXPECT_FALSE(label->autoFillBackground());  // the background shows between letters
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
    }
}

TEST_F(LayoutTest, UsesTheWindowFontAndTheBoldLinkFont) {
    const QFontInfo window(form->font());
    EXPECT_EQ(window.pixelSize(), 11);
    EXPECT_FALSE(window.bold());
    EXPECT_TRUE(window.family() == "MS Sans Serif" || window.family() == "Liberation Sans")
        << window.family().toStdString();
    for (const char* name : {"Label12", "Label13"}) {
        const QFontInfo link(control(name)->font());
        EXPECT_EQ(link.pixelSize(), 13) << name;
        EXPECT_TRUE(link.bold()) << name;
    }
    EXPECT_EQ(control("Label12")->palette().color(QPalette::WindowText).rgb(), 0xFF000000u);
    EXPECT_EQ(control("Label13")->palette().color(QPalette::WindowText).rgb(), 0xFF006CD9u);
    EXPECT_EQ(control("Label10")->font().pixelSize(), 11);
}

TEST_F(LayoutTest, DrawsTheLinkOverItsShadowOnePixelRightAndDown) {
    const QWidget* shadow = control("Label12");
    const QWidget* link = control("Label13");
    EXPECT_EQ(link->pos() - shadow->pos(), QPoint(1, 1));
    const QObjectList& children = form->children();
    EXPECT_GT(children.indexOf(link), children.indexOf(shadow));
    EXPECT_TRUE(shadow->isVisibleTo(form.get()));
}

TEST_F(LayoutTest, FramesAFixedWindowWithoutMaximiseButton) {
    EXPECT_EQ(form->windowTitle(), "Vestura by Kadrow (version 1.1)");
    EXPECT_EQ(form->size(), QSize(472, 376));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(form->pos(), QPoint(300, 157));
    const Qt::WindowFlags flags = form->windowFlags();
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(form->windowIcon().availableSizes().contains(QSize(32, 32)));
}

TEST_F(LayoutTest, LimitsTheFieldsAsTheLayoutSays) {
    const auto* folder = control<QLineEdit>("Edit1");
    EXPECT_TRUE(folder->isReadOnly());
    EXPECT_EQ(folder->text().toLocal8Bit().toStdString(), game.path());
    EXPECT_EQ(control<QLineEdit>("Edit2")->maxLength(), 25);
    for (const char* name : {"ComboBox1", "ComboBox2", "ComboBox3", "ComboBox4", "ComboBox5",
                             "ComboBox6", "ComboBox7"}) {
        EXPECT_FALSE(control<QComboBox>(name)->isEditable()) << name;
    }
    EXPECT_TRUE(control<QPushButton>("Button3")->isDefault());
    EXPECT_EQ(control("GroupBox1")->focusPolicy(), Qt::NoFocus);
}

TEST_F(LayoutTest, ShowsTheBeardSlotOnlyWhenPicked) {
    for (const CategoryInfo& category : kCategories) {
        const QWidget* slot = control(std::string(category.slot).c_str());
        EXPECT_EQ(slot->isVisibleTo(form.get()), category.category != Category::Beard)
            << category.slot;
    }
}

const char* const kTabOrder[] = {"ComboBox1", "ComboBox2", "ComboBox4", "ComboBox5", "ComboBox6",
                                 "ComboBox7", "ComboBox3", "Edit1",     "Button2",   "Edit2",
                                 "Button3",   "Button1",   "Button4",   "vd"};

TEST_F(LayoutTest, TabAndShiftTabFollowTheTabColumn) {
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    ASSERT_EQ(QApplication::focusWidget(), control("ComboBox1"));

    const int count = static_cast<int>(std::size(kTabOrder));
    for (int step = 1; step <= count; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), kTabOrder[step % count]) << step;
    }
    for (int step = count - 1; step >= 0; --step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), kTabOrder[step]) << step;
    }
}

}  // namespace
}  // namespace vestura::test
