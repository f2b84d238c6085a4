// vestura-cli template: the outlined base skin and a category's canvas, as PNG or BMP.
#include <gtest/gtest.h>

#include <QImage>

#include "picture/builtin.h"
#include "skin/preview.h"
#include "tests/support/cli_run.h"
#include "tests/support/temp_folder.h"

namespace vestura::cli {
namespace {

using test::runCli;

QImage baseSkin() {
    return loadBuiltinBitmap(BuiltinPicture::BaseSkin)
        ->image()
        .convertToFormat(QImage::Format_RGB32);
}

QImage written(const std::string& path) {
    return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
}

// Each box's top-left corner carries its own outline colour; a place outside every box
// and a box's inside away from its label are the base skin itself.
TEST(Template, OutlinesAndNamesEveryCategorysBoxOnTheBaseSkin) {
    test::TempFolder folder;
    for (const char* name : {"t.png", "t.BMP"}) {
        const auto outcome = runCli({"template", "--output", folder.file(name)});
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        const QImage skin = written(folder.file(name));
        ASSERT_EQ(skin.size(), QSize(kSkinSize, kSkinSize)) << name;
        const QImage base = baseSkin();
        std::vector<QRgb> corners;
        for (const CategoryInfo& row : kCategories) {
            const QPoint corner(row.frameX - kBaseSkinX, row.frameY - kBaseSkinY);
            EXPECT_NE(skin.pixel(corner), base.pixel(corner)) << row.cliName;
            EXPECT_EQ(skin.pixel(corner), skin.pixel(corner + QPoint(row.width - 1, 0)))
                << row.cliName << " in " << name;
            corners.push_back(skin.pixel(corner));
        }
        std::sort(corners.begin(), corners.end());
        EXPECT_EQ(std::unique(corners.begin(), corners.end()), corners.end()) << "one colour each";
        EXPECT_EQ(skin.pixel(70, 20), base.pixel(70, 20));
        EXPECT_EQ(skin.pixel(200, 120), base.pixel(200, 120));  // inside the beard's box
    }
}

TEST(Template, CategoryCanvasIsTheBaseSkinUnderItsBoxAtTheBoxSize) {
    test::TempFolder folder;
    const QImage base = baseSkin();
    ASSERT_EQ(
        runCli({"template", "--category", "glasses", "--output", folder.file("g.bmp")}).status, 0);
    EXPECT_EQ(written(folder.file("g.bmp")), base.copy(160, 39, 96, 44));
    // The shirt's box reaches one row past the skin: that row is the preview's background.
    ASSERT_EQ(runCli({"template", "--category", "shirt", "--output", folder.file("s.png")}).status,
              0);
    const QImage shirt = written(folder.file("s.png"));
    ASSERT_EQ(shirt.size(), QSize(105, 129));
    EXPECT_EQ(shirt.copy(0, 0, 105, 128), base.copy(87, 128, 105, 128));
    EXPECT_EQ(shirt.pixel(50, 128), kPreviewBackground);
}

TEST(Template, AskingForAnotherFormatOrAnUnknownCategoryIsAUsageError) {
    test::TempFolder folder;
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"template", "--output", folder.file("t.jpg")},
          {"template"},
          {"template", "--category", "hats", "--output", folder.file("t.png")},
          {"template", "--folder", folder.path(), "--output", folder.file("t.png")}}) {
        const auto outcome = runCli(words);
        EXPECT_TRUE(test::isUsageError(outcome)) << words.back() << outcome.err;
    }
}

}  // namespace
}  // namespace vestura::cli
