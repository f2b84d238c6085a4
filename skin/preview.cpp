#include "skin/preview.h"

#include <QPainter>
#include <algorithm>

#include "common/errors.h"
#include "picture/allocation.h"
#include "picture/graphic.h"
#include "skin/colourise.h"

namespace vestura {

namespace {

constexpr QRect kFrameRect(0, 0, kFrameWidth, kFrameHeight);

// The base skin lies at stacking level 1; the slots above it start here.
constexpr int kLowestSlotLevel = 2;

// The categories from the lowest slot to the topmost, by the table's stacking column.
constexpr std::array<Category, kCategoryCount> stackingOrder() {
    std::array<Category, kCategoryCount> order{};
    for (const CategoryInfo& row : kCategories) {
        order[static_cast<std::size_t>(row.stacking - kLowestSlotLevel)] = row.category;
    }
    return order;
}

constexpr std::array<Category, kCategoryCount> kStackingOrder = stackingOrder();

constexpr bool isPermutation(const std::array<Category, kCategoryCount>& order) {
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (std::count(order.begin(), order.end(), static_cast<Category>(i)) != 1) {
            return false;
        }
    }
    return true;
}
static_assert(isPermutation(kStackingOrder), "every slot has its own stacking level");

// Restores the painter's clip however the draw between ends.
class SavedPainterState {
public:
    explicit SavedPainterState(QPainter& painter) : painter_(painter) { painter_.save(); }
    ~SavedPainterState() { painter_.restore(); }
    SavedPainterState(const SavedPainterState&) = delete;
    SavedPainterState& operator=(const SavedPainterState&) = delete;

private:
    QPainter& painter_;
};

// Draws the picture at its natural size from the box's top-left corner, showing only what
// lies inside both the box and the frame. A slot that takes its picture's size has a box
// of exactly that size, so only the frame cuts it; the fixed slots cut at their box.
void drawLayer(QPainter& painter, TGraphic& graphic, const QRect& box) {
    if ((box & kFrameRect).isEmpty()) {
        return;  // a zero-sized slot is not painted at all
    }
    const QRect place(box.topLeft(), QSize(graphic.width(), graphic.height()));
    const QRect shown = place & box & kFrameRect;
    if (shown.isEmpty()) {
        // A fixed slot still paints a picture of 0 x 0: the draw is what runs a JPEG's
        // decode pass, and an empty JPEG fails there.
        const SavedPainterState saved(painter);
        painter.setClipRect(QRect(box.topLeft(), QSize(0, 0)), Qt::IntersectClip);
        graphic.draw(painter, place);
        return;
    }
    if (shown == place) {
        graphic.draw(painter, place);  // the usual case: no clip needed
        return;
    }
    const SavedPainterState saved(painter);
    painter.setClipRect(shown, Qt::IntersectClip);
    graphic.draw(painter, place);
}

}  // namespace

Preview::Preview() {
    for (const CategoryInfo& row : kCategories) {
        PreviewSlot& s = slot(row.category);
        s.visible = row.shownAtStart;
        s.box = QRect(row.frameX, row.frameY, row.width, row.height);
        s.picture.setOnChange([this, c = row.category] { pictureChanged(c); });
    }
}

void Preview::setBaseSkin(std::shared_ptr<TGraphic> baseSkin) {
    baseSkin_ = std::move(baseSkin);
}

void Preview::pictureChanged(Category c) {
    PreviewSlot& s = slot(c);
    TGraphic* graphic = s.picture.graphic();
    if (graphic != nullptr) {
        graphic->setTransparent(info(c).transparent);
    }
    if (info(c).takesPictureSize) {
        s.box.setSize(QSize(s.picture.width(), s.picture.height()));
    }
    recolour(c);
}

void Preview::setColour(Category c, std::optional<QRgb> colour) {
    slot(c).colour = colour;
    recolour(c);
}

void Preview::recolour(Category c) {
    PreviewSlot& s = slot(c);
    s.coloured = QImage();
    s.colouredFailure.clear();
    TGraphic* graphic = s.picture.graphic();
    if (!s.colour || graphic == nullptr) {
        return;
    }
    // The part drawn as compose() would draw it, onto a see-through canvas over what the
    // slot can show: a keyed bitmap leaves its key colour out here, so the key is the part's
    // own and never a colour the colouring made.
    const QRect area = s.box & kFrameRect;
    QImage canvas = allocateImage(area.isEmpty() ? QSize(1, 1) : area.size(),
                                  QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.translate(-area.topLeft());
        try {
            drawLayer(painter, *graphic, s.box);
        } catch (const Exception& e) {
            s.colouredFailure = e.message();  // reported by the next compose()
        }
    }
    colourise(canvas, *s.colour);
    s.coloured = std::move(canvas);
    s.colouredAt = area.topLeft();
}

void Preview::select(Category c, int index, const std::string& picturePath) {
    PreviewSlot& s = slot(c);
    if (index == 0) {
        s.visible = false;
        return;
    }
    // Shown before the load, so a failed load leaves the slot shown with its old picture.
    s.visible = true;
    s.picture.loadFromFile(picturePath);
}

std::vector<std::string> Preview::compose(QPainter& painter) {
    std::vector<std::string> failures;
    const auto drawGuarded = [&](TGraphic& graphic, const QRect& box) {
        try {
            drawLayer(painter, graphic, box);
        } catch (const Exception& e) {
            failures.push_back(e.message());  // the other layers still draw
        }
    };
    if (baseSkin_) {
        // The base skin's control takes its picture's size, like the slots that do.
        drawGuarded(*baseSkin_,
                    QRect(kBaseSkinX, kBaseSkinY, baseSkin_->width(), baseSkin_->height()));
    }
    for (const Category c : kStackingOrder) {
        PreviewSlot& s = slot(c);
        if (!s.visible || s.picture.graphic() == nullptr) {
            continue;
        }
        if (!s.colour) {
            drawGuarded(*s.picture.graphic(), s.box);
            continue;
        }
        if (!s.colouredFailure.empty()) {
            failures.push_back(std::move(s.colouredFailure));  // once, as the first draw's
            s.colouredFailure.clear();
        }
        painter.drawImage(s.colouredAt, s.coloured);
    }
    return failures;
}

QImage Preview::renderSkin(std::vector<std::string>& failures) {
    QImage skin = allocateImage(kSkinSize, kSkinSize, QImage::Format_RGB32);
    skin.fill(kPreviewBackground);
    QPainter painter(&skin);
    painter.translate(-kBaseSkinX, -kBaseSkinY);
    std::vector<std::string> drawn = compose(painter);
    failures.insert(failures.end(), drawn.begin(), drawn.end());
    return skin;
}

}  // namespace vestura
