#include "skin/skin_template.h"

#include <QFont>
#include <QPainter>

#include "picture/allocation.h"
#include "picture/fonts.h"
#include "picture/graphic.h"
#include "skin/preview.h"

namespace vestura {

namespace {

// One outline colour per category, in table order: apart from each other and from skin
// tones and denim.
constexpr std::array<QRgb, kCategoryCount> kOutlineColors = {
    0xFFFF2020, 0xFF20E020, 0xFFFFE000, 0xFF00E0FF, 0xFFFF40FF, 0xFFFF8000, 0xFFFFFFFF};
constexpr int kLabelPixels = 9;
constexpr int kLowestSlotLevel = 2;  // the base skin is level 1
constexpr int kLabelInset = 2;

// The base skin drawn on the preview frame's background.
QImage baseSkinImage(TGraphic& baseSkin) {
    QImage skin = allocateImage(kSkinSize, kSkinSize, QImage::Format_RGB32);
    skin.fill(kPreviewBackground);
    QPainter painter(&skin);
    baseSkin.draw(painter, QRect(0, 0, baseSkin.width(), baseSkin.height()));
    return skin;
}

}  // namespace

QRect skinBox(Category c) {
    const CategoryInfo& row = info(c);
    return QRect(row.frameX - kBaseSkinX, row.frameY - kBaseSkinY, row.width, row.height);
}

QImage outlinedSkin(TGraphic& baseSkin) {
    QImage skin = baseSkinImage(baseSkin);
    requireFonts();
    QPainter painter(&skin);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(kLabelPixels);
    painter.setFont(font);
    // In stacking order, so where boxes meet the outline on top is the part on top.
    std::array<const CategoryInfo*, kCategoryCount> byStacking{};
    for (const CategoryInfo& row : kCategories) {
        byStacking[static_cast<std::size_t>(row.stacking - kLowestSlotLevel)] = &row;
    }
    for (const CategoryInfo* category : byStacking) {
        const CategoryInfo& row = *category;
        const QRect box = skinBox(row.category);
        const QColor color =
            QColor::fromRgb(kOutlineColors[static_cast<std::size_t>(row.category)]);
        painter.setPen(color);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box.adjusted(0, 0, -1, -1));  // the outline lies on the box's edge pixels
        // The name over a dark shadow, readable on light and dark skin alike.
        const QRect label = box.adjusted(kLabelInset, kLabelInset, -kLabelInset, -kLabelInset);
        const QString name = QString::fromLatin1(row.cliName.data(), row.cliName.size());
        painter.setPen(Qt::black);
        painter.drawText(label.translated(1, 1), Qt::AlignLeft | Qt::AlignTop, name);
        painter.setPen(color);
        painter.drawText(label, Qt::AlignLeft | Qt::AlignTop, name);
    }
    return skin;
}

QImage partCanvas(TGraphic& baseSkin, Category c) {
    const QRect box = skinBox(c);
    QImage canvas = allocateImage(box.width(), box.height(), QImage::Format_RGB32);
    canvas.fill(kPreviewBackground);
    QPainter painter(&canvas);
    painter.drawImage(QPoint(0, 0), baseSkinImage(baseSkin),
                      box & QRect(0, 0, kSkinSize, kSkinSize));
    return canvas;
}

}  // namespace vestura
