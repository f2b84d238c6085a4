// The preview's slots: their start-up state, how a loaded picture sizes them, and what a
// selection change does when the load succeeds or fails.
#include <gtest/gtest.h>

#include <array>

#include "common/errors.h"
#include "common/messages.h"
#include "picture/jpeg/jpeg_image.h"
#include "skin/preview.h"
#include "skin/skin_export.h"
#include "tests/support/icon_builder.h"
#include "tests/support/jpeg_encoder.h"
#include "tests/support/part_pictures.h"
#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

using test::bitmapOf;
using test::patterned;

QRect tableBox(const CategoryInfo& row) {
    return QRect(row.frameX, row.frameY, row.width, row.height);
}

TEST(PreviewSlots, StartEmptyAtTheirTableBoxesWithOnlyTheBeardHidden) {
    const Preview preview;
    for (const CategoryInfo& row : kCategories) {
        const PreviewSlot& slot = preview.slot(row.category);
        EXPECT_EQ(slot.box, tableBox(row)) << row.slot;
        EXPECT_EQ(slot.visible, row.category != Category::Beard) << row.slot;
        EXPECT_EQ(slot.picture.graphic(), nullptr) << row.slot;
    }
}

TEST(PreviewSlots, ALoadedPictureResizesOnlyTheSlotsThatTakeItsSize) {
    Preview preview;
    const QSize pictureSize(300, 20);
    for (const CategoryInfo& row : kCategories) {
        PreviewSlot& slot = preview.slot(row.category);
        slot.picture.assign(bitmapOf(patterned(pictureSize, 1)));
        const QSize expected = row.takesPictureSize ? pictureSize : tableBox(row).size();
        EXPECT_EQ(slot.box, QRect(QPoint(row.frameX, row.frameY), expected)) << row.slot;
        EXPECT_EQ(slot.picture.graphic()->transparent(), row.transparent) << row.slot;
    }
}

// A glasses slot holding a picture, hidden by its default entry, then given an entry whose
// picture cannot be loaded.
class FailedSelection : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(FailedSelection, ShowsTheSlotWithThePictureItHeld) {
    const auto& [name, message] = GetParam();
    test::TempFolder folder;
    const std::string path = folder.file(name);
    Preview preview;
    PreviewSlot& slot = preview.slot(Category::Glasses);
    slot.picture.assign(bitmapOf(patterned({50, 30}, 2)));
    const TGraphic* held = slot.picture.graphic();
    preview.select(Category::Glasses, 0, "");
    ASSERT_FALSE(slot.visible);
    try {
        preview.select(Category::Glasses, 2, path);
        ADD_FAILURE() << "no failure for " << path;
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), msg::format(message, path));
    }
    EXPECT_TRUE(slot.visible);
    EXPECT_EQ(slot.picture.graphic(), held);
    EXPECT_EQ(slot.box, QRect(168, 56, 50, 30));
}

std::string failureName(const ::testing::TestParamInfo<FailedSelection::ParamType>& info) {
    constexpr std::array<const char*, 3> kNames = {"UnknownExtension", "EmptyPath", "MissingFile"};
    return kNames.at(info.index);
}

INSTANTIATE_TEST_SUITE_P(
    Preview, FailedSelection,
    ::testing::Values(std::pair{"glasses.gif", "Unknown picture file extension (.gif)"},
                      std::pair{"", "Unknown picture file extension (.)"},  // the folder
                      std::pair{"missing.bmp", "Cannot open file %s"}),
    &failureName);

TEST(PreviewSelection, PickingAnEntryAgainShowsTheNewlyLoadedPicture) {
    test::TempFolder folder;
    const Bytes jpeg = test::encodeJpeg(patterned({60, 30}, 3));
    folder.write("part.jpg", std::string(jpeg.begin(), jpeg.end()));
    Preview preview;
    const auto base = std::make_shared<TBitmap>(patterned({kSkinSize, kSkinSize}, 4));
    preview.setBaseSkin(base);
    for (const CategoryInfo& row : kCategories) {
        PreviewSlot& slot = preview.slot(row.category);
        slot.picture.assign(bitmapOf(patterned({50, 30}, 5)));
        const TGraphic* old = slot.picture.graphic();
        preview.select(row.category, 0, "");
        preview.select(row.category, 1, folder.file("part.jpg"));
        EXPECT_TRUE(slot.visible) << row.slot;
        EXPECT_NE(slot.picture.graphic(), old) << row.slot;
        EXPECT_EQ(slot.picture.graphic()->transparent(), row.transparent) << row.slot;
        EXPECT_EQ(slot.box.size(), row.takesPictureSize ? QSize(60, 30) : tableBox(row).size())
            << row.slot;
        preview.select(row.category, 0, "");
    }
    preview.select(Category::Glasses, 1, folder.file("part.jpg"));
    std::vector<std::string> failures;
    const QImage skin = preview.renderSkin(failures);
    EXPECT_TRUE(failures.empty());
    auto* picture = dynamic_cast<TJPEGImage*>(preview.slot(Category::Glasses).picture.graphic());
    ASSERT_NE(picture, nullptr);
    const QPoint glasses(168 - kBaseSkinX, 56 - kBaseSkinY);
    EXPECT_EQ(skin.pixel(glasses + QPoint(59, 29)), picture->bitmap().image().pixel(59, 29));
    EXPECT_EQ(skin.pixel(glasses + QPoint(60, 29)), base->image().pixel(glasses + QPoint(60, 29)));
}

// A 48 x 48 icon: the slot takes that size at load, so the first paint, a repaint and the
// saved skin all show it whole and unscaled.
TEST(PreviewSlots, AnIconShowsTheSameAtEveryPaintAndInTheSavedSkin) {
    test::TempFolder folder;
    QImage picture(48, 48, QImage::Format_ARGB32);
    picture.fill(qRgb(200, 10, 10));
    for (int y = 0; y < 48; ++y) {
        picture.setPixel(47, y, qRgb(10, 10, 200));  // the last column tells a stretch or crop
    }
    const Bytes icon = test::IconBuilder().entry(48, 48, 0, test::pngBytes(picture)).build();
    folder.write("big.ico", std::string(icon.begin(), icon.end()));

    Preview preview;
    preview.select(Category::Glasses, 1, folder.file("big.ico"));
    const CategoryInfo& row = info(Category::Glasses);
    EXPECT_EQ(preview.slot(Category::Glasses).box, QRect(row.frameX, row.frameY, 48, 48));

    std::vector<std::string> failures;
    const QImage first = preview.renderSkin(failures);
    const QImage again = preview.renderSkin(failures);
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(first, again);
    const int x = row.frameX - kBaseSkinX, y = row.frameY - kBaseSkinY;
    EXPECT_EQ(first.pixel(x + 46, y + 10), qRgb(200, 10, 10));
    EXPECT_EQ(first.pixel(x + 47, y + 10), qRgb(10, 10, 200));

    writeSkinFile(folder.file("skin.bmp"), first);
    const QImage saved(QString::fromStdString(folder.file("skin.bmp")));
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), first);
}

}  // namespace
}  // namespace vestura
