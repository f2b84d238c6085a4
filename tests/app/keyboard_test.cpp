// Enter and Escape: which button they press, by focus and modifier keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/program_info.h"
#include "tests/app/window_fixture.h"

namespace vestura::test {
namespace {

enum class Effect { None, Closes, ShowsAbout, Saves };

struct KeyCase {
    const char* focus;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    Effect effect;
};

std::string describe(const ::testing::TestParamInfo<KeyCase>& info) {
    std::string name = std::string(info.param.focus) + "_" +
                       (info.param.key == Qt::Key_Escape ? "Escape" : "Enter");
    if (info.param.modifiers.testFlag(Qt::ShiftModifier))
        name += "_Shift";
    if (info.param.modifiers.testFlag(Qt::ControlModifier))
        name += "_Ctrl";
    if (info.param.modifiers.testFlag(Qt::AltModifier))
        name += "_Alt";
    if (info.param.key == Qt::Key_Enter)
        name += "_Keypad";
    return name;
}

class KeyboardTest : public WindowTest, public ::testing::WithParamInterface<KeyCase> {
protected:
    void SetUp() override {
        writeEmptyCatalogue();
        useGameFolder(game.path());  // holds no skins folder: Save reports that it cannot write
        createWindow();
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    Effect effectSeen() const {
        if (!form->isVisible())
            return Effect::Closes;
        if (services.messages.empty())
            return Effect::None;
        const MessageCall& shown = services.messages.front();
        if (shown.text == aboutText())
            return Effect::ShowsAbout;
        if (shown.text.rfind("Cannot create file ", 0) == 0)
            return Effect::Saves;
        return Effect::None;
    }
};

TEST_P(KeyboardTest, PressesTheRightButton) {
    QWidget* focus = form->findChild<QWidget*>(QString::fromLatin1(GetParam().focus));
    ASSERT_NE(focus, nullptr);
    focus->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), focus);
    QTest::keyClick(focus, GetParam().key, GetParam().modifiers);
    EXPECT_EQ(effectSeen(), GetParam().effect);
    EXPECT_LE(services.messages.size(), 1u);
}

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;

INSTANTIATE_TEST_SUITE_P(
    EnterAndEscape, KeyboardTest,
    ::testing::Values(KeyCase{"Edit2", Qt::Key_Escape, kNone, Effect::Closes},
                      KeyCase{"ComboBox4", Qt::Key_Escape, kNone, Effect::Closes},
                      KeyCase{"Button4", Qt::Key_Escape, kNone, Effect::Closes},
                      KeyCase{"Edit2", Qt::Key_Return, kNone, Effect::Saves},
                      KeyCase{"Edit2", Qt::Key_Enter, Qt::KeypadModifier, Effect::Saves},
                      KeyCase{"Edit1", Qt::Key_Return, kNone, Effect::Saves},
                      KeyCase{"ComboBox1", Qt::Key_Return, kNone, Effect::Saves},
                      KeyCase{"Button4", Qt::Key_Return, kNone, Effect::ShowsAbout},
                      KeyCase{"Button1", Qt::Key_Return, kNone, Effect::Closes},
                      KeyCase{"Edit2", Qt::Key_Return, Qt::ShiftModifier, Effect::None},
                      KeyCase{"Button4", Qt::Key_Return, Qt::ControlModifier, Effect::None},
                      KeyCase{"Edit2", Qt::Key_Return, Qt::AltModifier, Effect::None},
                      KeyCase{"Edit2", Qt::Key_Escape, Qt::ShiftModifier, Effect::None},
                      KeyCase{"Button3", Qt::Key_Escape, Qt::ControlModifier, Effect::None},
                      KeyCase{"ComboBox1", Qt::Key_Escape, Qt::AltModifier, Effect::None}),
    describe);

TEST_F(WindowTest, ExitClosesTheWindowWithoutAsking) {
    writeEmptyCatalogue();
    createWindow();
    form->show();
    form->Button1->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(services.kinds.empty());
}

}  // namespace
}  // namespace vestura::test
