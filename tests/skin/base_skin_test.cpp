// Any picture as the base skin: one of the skin's own size keeps its pixels exactly, any other
// is scaled to fill the skin, and the parts lie over it as over the built-in one.
#include <gtest/gtest.h>

#include "common/errors.h"
#include "picture/bmp/bmp_writer.h"
#include "skin/image_graphic.h"
#include "skin/preview.h"
#include "tests/support/part_pictures.h"
#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

using test::patterned;

TEST(BaseSkin, AForeignSkinIsTheBaseExactlyOrScaledToTheSkinsSize) {
    test::TempFolder folder;
    const QImage own = patterned(QSize(kSkinSize, kSkinSize), 7);
    const QImage small = patterned(QSize(64, 32), 9);
    const auto write = [&](const std::string& name, const QImage& image) {
        const Bytes file = encodeBmp24(image, {});
        test::writeFile(folder.file(name), std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
        return folder.file(name);
    };
    Preview preview;
    for (const CategoryInfo& row : kCategories) {
        preview.slot(row.category).visible = false;
    }
    std::vector<std::string> failures;
    preview.setBaseSkin(loadBaseSkin(write("own.bmp", own)));
    EXPECT_EQ(preview.renderSkin(failures), own.convertToFormat(QImage::Format_RGB32));

    preview.setBaseSkin(loadBaseSkin(write("small.bmp", small)));
    const QImage scaled = preview.renderSkin(failures);
    EXPECT_EQ(scaled.size(), QSize(kSkinSize, kSkinSize));
    // At the corners, smooth scaling has only the corner pixel to take from.
    EXPECT_EQ(scaled.pixel(0, 0), small.pixel(0, 0));
    EXPECT_EQ(scaled.pixel(255, 255), small.pixel(63, 31));
    EXPECT_TRUE(failures.empty());

    EXPECT_THROW(loadBaseSkin(folder.file("missing.bmp")), EFOpenError);
}

}  // namespace
}  // namespace vestura
