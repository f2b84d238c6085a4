// The preview: the base skin and the seven part slots, and the one composition routine that
// both the window's preview and Save draw through.
#pragma once

#include <QImage>
#include <QRect>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "skin/categories.h"

class QPainter;

namespace vestura {

class TGraphic;

struct PreviewSlot {
    TPicture picture;
    bool visible = false;
    QRect box;  // place and size inside the preview frame
};

class Preview {
public:
    Preview();  // every slot empty, at its initial place; the beard slot hidden

    void setBaseSkin(std::shared_ptr<TGraphic> baseSkin);

    // Selection change of a category's selector: index 0 hides the slot (its picture
    // stays); any other index shows the slot first, then loads `picturePath` into it.
    // A failed load raises and leaves the slot shown with its previous picture.
    void select(Category c, int index, const std::string& picturePath);

    const PreviewSlot& slot(Category c) const { return slots_[static_cast<std::size_t>(c)]; }
    PreviewSlot& slot(Category c) { return slots_[static_cast<std::size_t>(c)]; }

    // Draws the base skin and the visible slots in stacking order, with the painter's origin
    // at the preview frame's top-left. A picture that fails while drawing (a JPEG's first
    // decode) does not stop the others; its message is returned.
    std::vector<std::string> compose(QPainter& painter);

    // The 256 x 256 skin as the preview shows it, composed off-screen (RGB32).
    QImage renderSkin(std::vector<std::string>& failures);

private:
    std::shared_ptr<TGraphic> baseSkin_;
    std::array<PreviewSlot, kCategoryCount> slots_;
};

}  // namespace vestura
