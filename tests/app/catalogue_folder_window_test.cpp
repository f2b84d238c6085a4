// A window given a catalogue folder of its own (the user's, or --catalogue) reads the list
// files and parts from there, at start-up and on F5, and keeps the settings in the program
// folder.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>

#include "app/preview_widget.h"
#include "tests/app/window_fixture.h"

namespace vestura::test {
namespace {

class CatalogueFolderWindow : public WindowTest {
protected:
    void writeCatalogue(const TempFolder& folder, const std::string& caption, QRgb colour) const {
        for (const CategoryInfo& category : kCategories) {
            folder.write(std::string(category.listFile), "");
        }
        folder.write("c.ls", "<NEW>\r\nparts\\chain.bmp\r\n" + caption + "\r\n");
        std::filesystem::create_directory(folder.file("parts"));
        QImage image(20, 20, QImage::Format_RGB888);
        image.fill(colour);
        ASSERT_TRUE(image.save(QString::fromLocal8Bit(folder.file("parts/chain.bmp")), "BMP"));
    }
    QImage shown() const { return form->previewWidget->grab().toImage(); }

    TempFolder own;
};

TEST_F(CatalogueFolderWindow, ReadsListsAndPartsThereAndSettingsInTheProgramFolder) {
    writeCatalogue(program, "Shipped", qRgb(250, 0, 0));
    writeCatalogue(own, "Mine", qRgb(0, 0, 250));
    useGameFolder(game.path());
    game.write("gta-vc.exe", "");
    form = std::make_unique<TForm1>(services, program.path(), own.path());
    form->FormCreate();
    EXPECT_TRUE(services.kinds.empty());
    ASSERT_EQ(form->ComboBox4->count(), 2);
    EXPECT_EQ(form->ComboBox4->itemText(1), QStringLiteral("Mine"));
    form->ComboBox4->setCurrentIndex(1);
    emit form->ComboBox4->activated(1);
    EXPECT_EQ(shown().pixel(224, 163), qRgb(0, 0, 250));

    own.write("c.ls", "<NEW>\r\nparts\\chain.bmp\r\nMine, renamed\r\n");
    QTest::keyClick(form->ComboBox4, Qt::Key_F5);
    EXPECT_EQ(form->ComboBox4->itemText(1), QStringLiteral("Mine, renamed"));
    EXPECT_EQ(form->Edit1->text().toStdString(), game.path());  // from the program folder's settings
}

}  // namespace
}  // namespace vestura::test
