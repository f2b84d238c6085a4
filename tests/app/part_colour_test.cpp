// Part colours in the window: the swatch menu on every selector (right-click, the menu key,
// Shift+F10), "Other..." and "No colour", the swatch the selector shows, and the colour in the
// preview, the saved skin and the 3D view.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTest>

#include "app/colour_menu.h"
#include "app/model_view_window.h"
#include "app/preview_widget.h"
#include "skin/colourise.h"
#include "tests/app/window_fixture.h"
#include "tests/support/rw_writer.h"

namespace vestura::test {
namespace {

constexpr QRgb kPart = qRgb(150, 110, 90);

class PartColourTest : public WindowTest {
protected:
    void SetUp() override {
        writePart("part.bmp", 30, 30, kPart);
        writeCatalogueOf("part.bmp");
        useGameFolder(game.path());
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(game.file("skins"))));
        createWindow();
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        for (QComboBox* box : selectors()) {
            box->setCurrentIndex(1);
            emit box->activated(1);
        }
    }

    std::vector<QComboBox*> selectors() const {
        return {form->ComboBox1, form->ComboBox2, form->ComboBox4, form->ComboBox5,
                form->ComboBox6, form->ComboBox7, form->ComboBox3};
    }
    QMenu* openMenu() const {
        QMenu* menu = form->colourMenu();
        return menu != nullptr && menu->isVisible() ? menu : nullptr;
    }
    // As a click on the entry does: the entry acts and the menu closes.
    void choose(QMenu* menu, const QString& text) {
        action(menu, text)->trigger();
        closeMenu();
    }
    QAction* action(QMenu* menu, const QString& text) const {
        for (QAction* a : menu->actions()) {
            if (a->text() == text) {
                return a;
            }
        }
        ADD_FAILURE() << "no menu entry " << text.toStdString();
        return nullptr;
    }
    void closeMenu() {
        if (QMenu* menu = openMenu()) {
            menu->close();
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return openMenu() == nullptr; }, 2000));
    }
    // Where the category's part starts in the composed skin.
    static QPoint partAt(Category c) {
        return {info(c).frameX - kBaseSkinX + 2, info(c).frameY - kBaseSkinY + 2};
    }
};

TEST_F(PartColourTest, EverySelectorOpensItsMenuByMouseMenuKeyAndShiftF10) {
    struct Way {
        const char* name;
        std::function<void(QComboBox*)> open;
    };
    const std::vector<Way> ways = {
        {"right-click",
         [&](QComboBox* box) {
             QTest::mouseClick(form->windowHandle(), Qt::RightButton, Qt::NoModifier,
                               box->geometry().center());
         }},
        {"menu key", [](QComboBox* box) { QTest::keyClick(box, Qt::Key_Menu); }},
        {"Shift+F10", [](QComboBox* box) { QTest::keyClick(box, Qt::Key_F10, Qt::ShiftModifier); }},
    };
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        const Category category = kCategories[i].category;
        QComboBox* box = form->findChild<QComboBox*>(
            QString::fromStdString(std::string(kCategories[i].selector)));
        for (const Way& way : ways) {
            SCOPED_TRACE(std::string(kCategories[i].label) + ", " + way.name);
            box->setFocus();
            way.open(box);
            ASSERT_TRUE(QTest::qWaitFor([&] { return openMenu() != nullptr; }, 2000));
            QMenu* menu = openMenu();
            EXPECT_EQ(box->currentIndex(), 1);  // no list dropped down, no entry changed
            // Twelve swatches, then "Other..." and "No colour", none checked yet.
            QStringList texts;
            for (const QAction* a : menu->actions()) {
                texts << a->text();
                EXPECT_FALSE(a->isChecked());
            }
            EXPECT_EQ(texts.size(), 15);
            EXPECT_EQ(texts.mid(12), QStringList({"", "Other...", "No colour"}));
            EXPECT_FALSE(action(menu, "No colour")->isEnabled());
            closeMenu();
        }
        // A swatch gives the part its colour; the menu then shows it checked.
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Menu);
        ASSERT_TRUE(QTest::qWaitFor([&] { return openMenu() != nullptr; }, 2000));
        choose(openMenu(), "Teal");
        EXPECT_EQ(form->partColour(category), 0xFF22A095u);
        EXPECT_EQ(box->property("partColour").value<QColor>().rgb(), 0xFF22A095u);
        EXPECT_TRUE(box->toolTip().startsWith("Colour #22A095."));
    }
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(PartColourTest, OtherAsksTheColourDialogAndNoColourTakesTheColourAway) {
    const Category shirt = Category::Shirt;
    form->setPartColour(shirt, 0xFFE61919);
    colourAnswer = 0xFF123456;
    form->showColourMenu(shirt, QPoint(10, 10));
    ASSERT_NE(openMenu(), nullptr);
    EXPECT_TRUE(action(openMenu(), "Red")->isChecked());
    choose(openMenu(), "Other...");
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->partColour(shirt) == 0xFF123456u; }, 2000));
    ASSERT_EQ(colourAsked.size(), 1u);
    EXPECT_EQ(colourAsked[0], 0xFFE61919u);  // the dialog starts from the part's colour

    // A colour no swatch has is listed, checked, beside them.
    form->showColourMenu(shirt, QPoint(10, 10));
    ASSERT_NE(openMenu(), nullptr);
    EXPECT_TRUE(action(openMenu(), "#123456")->isChecked());
    colourAnswer.reset();  // the dialog cancelled: the colour stays
    choose(openMenu(), "Other...");
    ASSERT_TRUE(QTest::qWaitFor([&] { return colourAsked.size() == 2; }, 2000));
    EXPECT_EQ(form->partColour(shirt), 0xFF123456u);

    form->showColourMenu(shirt, QPoint(10, 10));
    choose(openMenu(), "No colour");
    EXPECT_FALSE(form->partColour(shirt));
    EXPECT_FALSE(form->ComboBox6->property("partColour").isValid());

    // On the default entry no part shows: the menu says where the colour will show, and the
    // colour waits for the next part picked.
    form->ComboBox6->setCurrentIndex(0);
    emit form->ComboBox6->activated(0);
    form->showColourMenu(shirt, QPoint(10, 10));
    ASSERT_NE(openMenu(), nullptr);
    EXPECT_EQ(openMenu()->actions()[0]->text(), "Shows on the part picked in the list");
    EXPECT_FALSE(openMenu()->actions()[0]->isEnabled());
    choose(openMenu(), "Pink");
    form->ComboBox6->setCurrentIndex(1);
    emit form->ComboBox6->activated(1);
    const QPoint shirtAt(info(shirt).frameX + 2, info(shirt).frameY + 2);
    EXPECT_EQ(form->previewWidget->grab().toImage().pixel(shirtAt),
              colourisedPixel(kPart, 0xFFE64C99));
}

// The selector shows its colour as a small swatch before the entry's text, inside the field.
TEST_F(PartColourTest, TheSelectorShowsItsColourWithoutMoving) {
    const QRect place = form->ComboBox6->geometry();
    const QImage plain = form->ComboBox6->grab().toImage().convertToFormat(QImage::Format_RGB32);
    form->setPartColour(Category::Shirt, 0xFF2059DF);
    const QImage coloured = form->ComboBox6->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(form->ComboBox6->geometry(), place);
    int swatch = 0;
    for (int y = 0; y < coloured.height(); ++y) {
        for (int x = 0; x < coloured.width() / 3; ++x) {
            swatch += coloured.pixel(x, y) == 0xFF2059DFu ? 1 : 0;
        }
    }
    EXPECT_GE(swatch, 36);  // at least a 6 x 6 square inside its edge
    EXPECT_NE(coloured, plain);
    form->setPartColour(Category::Shirt, std::nullopt);
    EXPECT_EQ(form->ComboBox6->grab().toImage().convertToFormat(QImage::Format_RGB32), plain);
}

// Every part coloured: the preview shows it, Save writes it, and the 3D view wears it.
TEST_F(PartColourTest, ColoursShowInThePreviewTheSavedSkinAndThe3DView) {
    writeArchive(game.path(), {{"player.dff", writeDff(cubeClump(), kStamp34)}});
    form->openModelView();
    ASSERT_NE(form->modelView(), nullptr);
    const QImage plainView = form->modelView()->picture();
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        form->setPartColour(kCategories[i].category, kSwatches[i].colour);
    }
    EXPECT_NE(form->modelView()->picture(), plainView);
    form->Button3->click();
    ASSERT_EQ(services.messages.size(), 1u) << services.messages[0].text;
    const QImage saved(QString::fromStdString(game.path() + "skins/NewSkin.bmp"));
    const QImage preview = form->previewWidget->grab(QRect(8, 17, 256, 256))
                               .toImage()
                               .convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), preview);
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        const Category c = kCategories[i].category;
        if (c == Category::Jeans) {
            continue;  // its picture's bottom-left colour is its see-through key
        }
        SCOPED_TRACE(kCategories[i].label);
        EXPECT_EQ(saved.pixel(partAt(c)), colourisedPixel(kPart, kSwatches[i].colour));
    }
}

}  // namespace
}  // namespace vestura::test
