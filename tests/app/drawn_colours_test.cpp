// The layout's colours as the style draws them: each selector's whole field in its colour
// beside the style's own drop-down button, and the preview frame's panel in its colour.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionComboBox>

#include "app/layout.h"
#include "tests/app/window_fixture.h"

namespace vestura::test {
namespace {

// The pixels of `area` in `image` that differ from `colour`, at most a few, as text.
std::string pixelsOtherThan(const QImage& image, const QRect& area, QRgb colour) {
    std::string found;
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qRed(pixel) == qRed(colour) && qGreen(pixel) == qGreen(colour) &&
                qBlue(pixel) == qBlue(colour)) {
                continue;
            }
            if (++count <= 4) {
                found += "(" + std::to_string(x) + "," + std::to_string(y) +
                         ")=" + std::to_string(qRed(pixel)) + "," + std::to_string(qGreen(pixel)) +
                         "," + std::to_string(qBlue(pixel)) + " ";
            }
        }
    }
    return count == 0 ? std::string() : std::to_string(count) + " pixels, " + found;
}

// Runs each case under one of the styles Qt always has, then restores the style.
class DrawnColoursTest : public WindowTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        savedStyle_ = QApplication::style()->name();
        QApplication::setStyle(QStyleFactory::create(QString::fromLatin1(GetParam())));
        writeEmptyCatalogue();
        createWindow();
        form->show();
    }
    void TearDown() override {
        form.reset();
        QApplication::setStyle(QStyleFactory::create(savedStyle_));
    }

    // What the style draws for a selector of the same size whose field is a line edit:
    // its drop-down button is the one every selector should show.
    static QImage plainDropDown(const QComboBox* like) {
        QComboBox plain;
        plain.setEditable(true);
        plain.setFont(like->font());
        plain.resize(like->size());
        return plain.grab().toImage();
    }

    static QRect subControl(const QComboBox* box, QStyle::SubControl part) {
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = true;
        option.subControls = QStyle::SC_All;
        return box->style()->subControlRect(QStyle::CC_ComboBox, &option, part, box);
    }

private:
    QString savedStyle_;
};

TEST_P(DrawnColoursTest, SelectorsShowTheirColourOverTheWholeFieldBesideTheUsualButton) {
    for (QComboBox* box : {form->ComboBox1, form->ComboBox2, form->ComboBox3, form->ComboBox4,
                           form->ComboBox5, form->ComboBox6, form->ComboBox7}) {
        SCOPED_TRACE(box->objectName().toStdString());
        box->setCurrentIndex(-1);  // no caption over the field
        const QImage drawn = box->grab().toImage();
        const QRect field = subControl(box, QStyle::SC_ComboBoxEditField);
        ASSERT_FALSE(field.isEmpty());
        EXPECT_EQ(pixelsOtherThan(drawn, field, layout::kSelectorColour), "");

        const QRect arrow = subControl(box, QStyle::SC_ComboBoxArrow).adjusted(2, 2, -2, -2);
        const QImage plain = plainDropDown(box);
        ASSERT_FALSE(arrow.isEmpty());
        EXPECT_EQ(drawn.copy(arrow).convertToFormat(QImage::Format_RGB32),
                  plain.copy(arrow).convertToFormat(QImage::Format_RGB32))
            << "the drop-down button is the style's own";
    }
}

TEST_P(DrawnColoursTest, PreviewFrameShowsItsColourAroundTheBaseSkin) {
    const QImage drawn = form->GroupBox1->grab().toImage();
    // Between the frame's two-pixel etched line and the base skin at (8, 17): the left,
    // right and bottom margins; and above the line, right of the title.
    const int right = form->GroupBox1->width() - 3;
    const int bottom = form->GroupBox1->height() - 3;
    const QRect margins[] = {
        QRect(QPoint(2, 18), QPoint(7, bottom)),
        QRect(QPoint(264, 18), QPoint(right, bottom)),
        QRect(QPoint(2, 273), QPoint(right, bottom)),
        QRect(QPoint(80, 0), QPoint(right + 2, 12)),
    };
    for (const QRect& margin : margins) {
        EXPECT_EQ(pixelsOtherThan(drawn, margin, layout::kPreviewColour), "")
            << margin.x() << "," << margin.y() << " " << margin.width() << "x" << margin.height();
    }
}

// Dropped down, a selector's list is a plain list in the selector's colour, entries 13 pixels
// high, not a menu in the menu's colours.
TEST_P(DrawnColoursTest, DroppedDownListsShowTheSelectorsColourAndThirteenPixelEntries) {
    for (QComboBox* box : {form->ComboBox1, form->ComboBox3}) {
        SCOPED_TRACE(box->objectName().toStdString());
        box->addItems({QStringLiteral("Aviator sunglasses"), QStringLiteral("Round sunglasses")});
        box->setCurrentIndex(0);
        box->showPopup();
        QAbstractItemView* list = box->view();
        ASSERT_TRUE(list->isVisible());
        for (int row = 0; row < box->count(); ++row) {
            EXPECT_EQ(list->visualRect(box->model()->index(row, 0)).height(),
                      layout::kSelectorEntryHeight);
        }
        // Right of the captions, in an entry that is not the current one.
        const QRect second = list->visualRect(box->model()->index(1, 0));
        const QImage drawn = list->viewport()->grab().toImage();
        const QRect blank(second.right() - 20, second.top() + 1, 16, second.height() - 2);
        EXPECT_EQ(pixelsOtherThan(drawn, blank, layout::kSelectorColour), "");
        box->hidePopup();
    }
}

INSTANTIATE_TEST_SUITE_P(Styles, DrawnColoursTest, ::testing::Values("Fusion", "Windows"));

}  // namespace
}  // namespace vestura::test
