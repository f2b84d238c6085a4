// The preview's slots: their start-up state, how a loaded picture sizes them, and what a
// selection change does when the load succeeds or fails.
#include <gtest/gtest.h>

#include "common/errors.h"
#include "common/messages.h"
#include "skin/preview.h"
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

INSTANTIATE_TEST_SUITE_P(
    Preview, FailedSelection,
    ::testing::Values(std::pair{"glasses.png", "Unknown picture file extension (.png)"},
                      std::pair{"", "Unknown picture file extension (.)"},  // the folder
                      std::pair{"missing.bmp", "Cannot open file %s"}));

TEST(PreviewSelection, PickingAnEntryAgainShowsTheNewlyLoadedPicture) {
    test::TempFolder folder;
    folder.write("empty.bmp", "");  // loads as a 0 x 0 bitmap
    Preview preview;
    for (const Category c : {Category::Glasses, Category::Shirt}) {
        PreviewSlot& slot = preview.slot(c);
        slot.picture.assign(bitmapOf(patterned({50, 30}, 3)));
        const TGraphic* old = slot.picture.graphic();
        preview.select(c, 0, "");
        preview.select(c, 1, folder.file("empty.bmp"));
        EXPECT_TRUE(slot.visible);
        EXPECT_NE(slot.picture.graphic(), old);
        EXPECT_EQ(slot.box.size(), c == Category::Shirt ? QSize(105, 129) : QSize(0, 0));
    }
    const auto base = std::make_shared<TBitmap>(patterned({kSkinSize, kSkinSize}, 4));
    preview.setBaseSkin(base);
    std::vector<std::string> failures;
    EXPECT_EQ(preview.renderSkin(failures), base->image().convertToFormat(QImage::Format_RGB32));
    EXPECT_TRUE(failures.empty());
}

}  // namespace
}  // namespace vestura
