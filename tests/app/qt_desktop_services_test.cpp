// The Qt message box behind showMessage: icon and buttons from the flags, the pressed
// button's identifier, and the focus given back afterwards.
#include "app/qt_desktop_services.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

namespace vestura::test {
namespace {

// Runs `act` on the message box as soon as it is the program's modal window.
void whenBoxShows(std::function<void(QMessageBox&)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act = std::move(act)] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(*box);
        }
    });
    poll->start(0);
}

struct BoxCase {
    unsigned flags;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton pressed;
    int answer;
};

class MessageBoxFlags : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxFlags, ShowsTheIconAndButtonsAndAnswersThePressedButton) {
    QtDesktopServices services;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QString caption;
    QString text;
    whenBoxShows([&](QMessageBox& box) {
        icon = box.icon();
        buttons = box.standardButtons();
        caption = box.windowTitle();
        text = box.text();
        box.button(GetParam().pressed)->click();
    });
    EXPECT_EQ(services.showMessage("first line\nsecond line", "Caption", GetParam().flags),
              GetParam().answer);
    EXPECT_EQ(icon, GetParam().icon);
    EXPECT_EQ(buttons, GetParam().buttons);
    EXPECT_EQ(caption, "Caption");
    EXPECT_EQ(text, "first line\nsecond line");
}

INSTANTIATE_TEST_SUITE_P(
    Flags, MessageBoxFlags,
    ::testing::Values(
        BoxCase{16, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok, mb::kIdOk},
        BoxCase{36, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes,
                mb::kIdYes},
        BoxCase{36, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No,
                mb::kIdNo},
        BoxCase{48, QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok, mb::kIdOk},
        BoxCase{64, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok, mb::kIdOk}));

// The cause under the message is plain text, whatever it holds.
TEST(QtMessageBox, ShowsTheDetailUnderTheTextAsWritten) {
    QtDesktopServices services;
    QString informative;
    bool plain = false;
    whenBoxShows([&](QMessageBox& box) {
        informative = box.informativeText();
        const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        plain = label != nullptr && label->textFormat() == Qt::PlainText;
        box.button(QMessageBox::Ok)->click();
    });
    services.showMessage("The skin name holds \"<\".", "Vestura", mb::kWarning, "<b>not bold</b>");
    EXPECT_EQ(informative, "<b>not bold</b>");
    EXPECT_TRUE(plain);
}

TEST(QtMessageBox, GivesTheFocusBackToTheControlThatHadIt) {
    QWidget window;
    auto* first = new QLineEdit(&window);
    auto* second = new QLineEdit(&window);
    second->move(0, 40);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    second->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), second);

    QtDesktopServices services;
    bool modalToTheWindow = false;
    whenBoxShows([&](QMessageBox& box) {
        modalToTheWindow = box.isModal() && !QApplication::activeModalWidget()->isHidden();
        box.button(QMessageBox::Ok)->click();
    });
    services.showMessage("text", "caption", mb::kInformation);
    EXPECT_TRUE(modalToTheWindow);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }));
    EXPECT_EQ(QApplication::focusWidget(), second);
    EXPECT_NE(QApplication::focusWidget(), first);
}

}  // namespace
}  // namespace vestura::test
