// The preview: the base skin and the seven part slots, and the one composition routine that
// both the window's preview and Save draw through.
#pragma once

#include <QImage>
#include <QRect>
#include <array>
#include <memory>
#include <optional>
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
    // Set through Preview::setColour. While a colour is set, the slot draws `coloured`: the
    // part as it shows in its box, made once when the picture, its box or the colour changes.
    std::optional<QRgb> colour;
    QImage coloured;      // ARGB32_Premultiplied, covering the box inside the frame
    QPoint colouredAt;    // its top-left corner in the frame
    std::string colouredFailure;  // what drawing the part for its coloured copy raised
};

// The preview frame's background, which shows wherever no layer covers it.
inline constexpr QRgb kPreviewBackground = 0xFF8CC6FF;

class Preview {
public:
    Preview();  // every slot empty, at its initial place; the beard slot hidden
    // Each slot's picture notifies this preview, so it stays where it was made.
    Preview(const Preview&) = delete;
    Preview& operator=(const Preview&) = delete;

    void setBaseSkin(std::shared_ptr<TGraphic> baseSkin);
    const std::shared_ptr<TGraphic>& baseSkin() const { return baseSkin_; }

    // Gives the category's part a colour (see colourise()), or none. The coloured copy is
    // made now and again whenever the slot's picture changes, never while drawing; the colour
    // key of the jeans slot is decided on the part as loaded, before it is coloured.
    void setColour(Category c, std::optional<QRgb> colour);

    // Selection change of a category's selector: index 0 hides the slot (its picture
    // stays); any other index shows the slot first, then loads `picturePath` into it.
    // A failed load raises and leaves the slot shown with its previous picture.
    void select(Category c, int index, const std::string& picturePath);

    const PreviewSlot& slot(Category c) const { return slots_[static_cast<std::size_t>(c)]; }
    PreviewSlot& slot(Category c) { return slots_[static_cast<std::size_t>(c)]; }

    // Draws the base skin and the visible slots in stacking order, with the painter's origin
    // at the preview frame's top-left, everything clipped to the frame (the frame's
    // background is the caller's). A picture that fails while drawing (a JPEG's first
    // decode) does not stop the others; its message is returned.
    std::vector<std::string> compose(QPainter& painter);

    // The 256 x 256 skin as the preview shows it, composed off-screen through compose()
    // (RGB32). Messages of pictures that failed while drawing are appended to `failures`.
    QImage renderSkin(std::vector<std::string>& failures);

private:
    void pictureChanged(Category c);
    void recolour(Category c);

    std::shared_ptr<TGraphic> baseSkin_;
    std::array<PreviewSlot, kCategoryCount> slots_;
};

}  // namespace vestura
