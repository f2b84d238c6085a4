// The Open dialog: the skins of the skins folder newest first, only regular files ending in
// .bmp, small pictures made off the window's thread and only for rows shown, Browse.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "app/open_skin_dialog.h"
#include "tests/support/temp_folder.h"

namespace vestura::test {
namespace {

namespace fs = std::filesystem;

class OpenSkinDialogTest : public ::testing::Test {
protected:
    // A small one-colour skin, last changed `ageSeconds` ago.
    void writeSkin(const std::string& name, QRgb colour, int ageSeconds) const {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(QString::fromStdString(folder.file(name)), "BMP"));
        fs::last_write_time(folder.file(name),
                            fs::file_time_type::clock::now() - std::chrono::seconds(ageSeconds));
    }
    std::unique_ptr<OpenSkinDialog> open(OpenSkinDialog::FileChooser browse = {}) {
        auto dialog = std::make_unique<OpenSkinDialog>(
            folder.path(),
            browse ? browse
                   : [](QWidget*, const std::string&) { return std::optional<std::string>(); },
            nullptr);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->listed(); }, 5000));
        return dialog;
    }
    static QStringList names(const OpenSkinDialog& dialog) {
        QStringList shown;
        const QAbstractItemModel* model = dialog.list()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            shown << model->index(row, 0).data().toString().section('\n', 0, 0);
        }
        return shown;
    }
    static QImage thumbnail(const OpenSkinDialog& dialog, int row) {
        const QIcon icon =
            dialog.list()->model()->index(row, 0).data(Qt::DecorationRole).value<QIcon>();
        return icon.pixmap(OpenSkinDialog::kThumbnailSize).toImage();
    }

    TempFolder folder;
};

TEST_F(OpenSkinDialogTest, ListsTheSkinsNewestFirstAndNothingElse) {
    writeSkin("a.bmp", qRgb(200, 0, 0), 300);
    writeSkin("C.BMP", qRgb(0, 200, 0), 10);
    writeSkin("b.bmp", qRgb(0, 0, 200), 100);
    fs::create_symlink(folder.file("a.bmp"), folder.file("z.bmp"));  // as old as a.bmp
    folder.write("notes.txt", "not a skin");
    fs::create_directory(folder.file("folder.bmp"));
    ASSERT_EQ(::mkfifo(folder.file("pipe.bmp").c_str(), 0600), 0);
    folder.write("outfits.txt", "b.bmp shirt=1\n");
    auto dialog = open();
    EXPECT_EQ(names(*dialog), QStringList({"C.BMP", "b.bmp", "a.bmp", "z.bmp"}));
    // Each with when it was last changed, and what opening it does.
    const QString newest = dialog->list()->model()->index(0, 0).data().toString();
    const QDateTime changed =
        QFileInfo(QString::fromStdString(folder.file("C.BMP"))).lastModified();
    EXPECT_EQ(newest.section('\n', 1, 1),
              QLocale::system().toString(changed, QLocale::ShortFormat));
    EXPECT_EQ(newest.section('\n', 2), "Opens as the base");
    EXPECT_EQ(dialog->list()->model()->index(1, 0).data().toString().section('\n', 2),
              "Opens with its parts and colours");

    // The newest is chosen to start with; Open takes it.
    EXPECT_TRUE(dialog->openButton()->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return thumbnail(*dialog, 0).pixel(30, 30) == qRgb(0, 200, 0); }, 5000));
    dialog->openButton()->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->chosen(), folder.file("C.BMP"));
}

// Hundreds of skins: the list is there at once, and only the rows shown ask for pictures.
TEST_F(OpenSkinDialogTest, MakesPicturesOnlyForTheRowsShown) {
    for (int i = 0; i < 300; ++i) {
        writeSkin("skin" + std::to_string(1000 + i) + ".bmp", qRgb(i % 256, 80, 80), i);
    }
    folder.write("broken.bmp", "BM not really");
    fs::last_write_time(folder.file("broken.bmp"),
                        fs::file_time_type::clock::now() + std::chrono::seconds(10));
    auto dialog = open();
    EXPECT_EQ(dialog->list()->model()->rowCount(), 301);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return thumbnail(*dialog, 1).pixel(10, 10) == qRgb(0, 80, 80); }, 5000));
    EXPECT_GT(dialog->thumbnailsAsked(), 0);
    EXPECT_LT(dialog->thumbnailsAsked(), 60);
    // The broken one is listed, first, with why it shows no picture.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return dialog->list()
                       ->model()
                       ->index(0, 0)
                       .data(Qt::ToolTipRole)
                       .toString()
                       .count('\n') > 0;
        },
        5000));
    EXPECT_EQ(names(*dialog).first(), "broken.bmp");
}

TEST_F(OpenSkinDialogTest, BrowsePicksAnyPictureAndNoSkinsFolderSaysSo) {
    std::string startedIn;
    auto dialog = open([&](QWidget*, const std::string& in) {
        startedIn = in;
        return std::optional<std::string>("/pictures/cool.png");
    });
    EXPECT_TRUE(names(*dialog).isEmpty());
    EXPECT_FALSE(dialog->openButton()->isEnabled());
    dialog->browseButton()->click();
    EXPECT_EQ(startedIn, folder.path());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->chosen(), "/pictures/cool.png");

    OpenSkinDialog none(std::nullopt, {}, nullptr);
    EXPECT_TRUE(none.listed());
    EXPECT_TRUE(none.findChild<QLabel*>()->text().contains("no skins folder"));
}

}  // namespace
}  // namespace vestura::test
