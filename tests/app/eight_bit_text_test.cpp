// 8-bit text in the window: a game folder whose name is not valid UTF-8 keeps its bytes
// through the settings file, Save, Start Vice and the folder dialog, while the field and
// the selectors show text decoded as Windows-1252.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "app/qt_desktop_services.h"
#include "tests/app/window_fixture.h"

namespace vestura::test {
namespace {

class EightBitText : public WindowTest {
protected:
    void SetUp() override {
        folder = game.file("gam\xE9");  // "gamé" in Windows-1252
        std::filesystem::create_directories(folder + "/skins");
        writeEmptyCatalogue();
    }
    std::string folder;
};

TEST_F(EightBitText, AGameFolderFromTheSettingsFileKeepsItsBytesForSaveAndStartVice) {
    useGameFolder(folder + "/");
    writeFile(folder + "/gta-vc.exe", "x");
    createWindow();
    EXPECT_EQ(form->Edit1->text(), QString::fromStdString(game.file("gam\u00E9/")));

    form->Button3Click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Skin saved");
    EXPECT_EQ(std::filesystem::file_size(folder + "/skins/NewSkin.bmp"), 197686u);

    const TempFolder tools;
    const WineOnPath wine(tools);
    form->vdClick();
    ASSERT_EQ(services.programs.size(), 1u);
    EXPECT_EQ(services.programs[0].workingFolder, folder + "/");
    EXPECT_EQ(services.programs[0].arguments.back(), folder + "/gta-vc.exe");
}

TEST_F(EightBitText, AFolderFromTheDialogIsStoredAsItsBytes) {
    createWindow();
    services.folderAnswer = folder;
    form->Button2Click();
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(program.read("vestu.cfg"), folder + "/\r\n");
    form->Button3Click();
    EXPECT_EQ(std::filesystem::file_size(folder + "/skins/NewSkin.bmp"), 197686u);
}

// In the open folder dialog: goes to `parent`, types `name` into the name field as a user
// would and presses Choose.
void typeIntoFolderDialog(const QString& parent, const QString& name) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, parent, name] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        dialog->setDirectory(parent);
        auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        if (field == nullptr || buttons == nullptr) {
            ADD_FAILURE() << "not Qt's own folder dialog";
            dialog->reject();
            return;
        }
        for (const QChar c : name) {  // QTest's key clicks take ASCII only
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(field, &press);
        }
        QPushButton* choose = buttons->button(QDialogButtonBox::Open);
        if (choose == nullptr || !choose->isEnabled()) {
            ADD_FAILURE() << "Choose is not enabled for " << name.toStdString();
            dialog->reject();
            return;
        }
        choose->click();
    });
    poll->start(10);
}

// Qt's dialog lists no folder whose name is not valid UTF-8; the user types the name as the
// program shows it.
TEST_F(EightBitText, AFolderTypedIntoQtsDialogKeepsItsBytesAndSavesIntoIt) {
    createWindow();
    QtDesktopServices qt;
    services.onChooseFolder = [&qt](const std::string& title, const std::vector<FolderPlace>&) {
        return qt.chooseFolder(title, {});
    };
    typeIntoFolderDialog(QString::fromStdString(game.path()), QString::fromUtf8("gam\u00E9"));
    form->Button2Click();
    ASSERT_TRUE(services.messages.empty()) << services.messages[0].text;
    EXPECT_EQ(program.read("vestu.cfg"), folder + "/\r\n");
    EXPECT_EQ(form->Edit1->text(), QString::fromStdString(game.file("gam\u00E9/")));

    form->Button3Click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Skin saved");
    EXPECT_EQ(std::filesystem::file_size(folder + "/skins/NewSkin.bmp"), 197686u);
}

TEST_F(EightBitText, CaptionsShowAsUtf8WhenValidElseAsWindows1252) {
    program.write("e.ls", "<NEW>\r\na.bmp\r\nCaf\xE9 \x80\r\n<NEW>\r\nb.bmp\r\nCaf\xC3\xA9\r\n");
    createWindow();
    EXPECT_EQ(form->ComboBox1->itemText(1), QString::fromUtf8("Caf\u00E9 \u20AC"));
    EXPECT_EQ(form->ComboBox1->itemText(2), QString::fromUtf8("Caf\u00E9"));
}

}  // namespace
}  // namespace vestura::test
