#include "skin/catalogue_sheet.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QTextOption>
#include <algorithm>
#include <cstdlib>
#include <memory>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "common/errors.h"
#include "common/messages.h"
#include "picture/allocation.h"
#include "picture/fonts.h"
#include "picture/window_fonts.h"

namespace vestura {

namespace {

constexpr int kMargin = 12;         // around everything
constexpr int kColumnGap = 8;       // between two tiles of a row
constexpr int kHeadingHeight = 24;  // a heading's line, the room above its tiles included
constexpr int kCaptionGap = 2;      // between a tile and its caption
constexpr int kCaptionHeight = 14;
constexpr int kRowGap = 8;      // between a caption and the next row's tiles
constexpr int kSectionGap = 8;  // above every heading but the first, besides the row gap
constexpr int kNoteHeight = 20;
constexpr int kRowHeight = kSheetTileSide + kCaptionGap + kCaptionHeight + kRowGap;

constexpr int sheetWidth(int columns) {
    return 2 * kMargin + columns * kSheetTileSide + (columns - 1) * kColumnGap;
}

constexpr int kMarkWidth = 2;     // the failed tile's outline
constexpr int kMessageInset = 5;  // from the tile's edge to its message
constexpr int kMessagePixels = 9;
constexpr QRgb kTextColour = 0xFF000000;
constexpr QRgb kMessageColour = 0xFF800000;

// UTF-8 text as Qt draws it, cut after kMaxSheetText UTF-16 units with an ellipsis. At most
// four bytes make one unit, so only that many bytes are decoded; a sequence they cut short
// lies past the cut.
QString boundedText(const std::string& utf8) {
    constexpr std::size_t kBytes = 4 * kMaxSheetText;
    QString text =
        QString::fromUtf8(utf8.data(), static_cast<qsizetype>(std::min(utf8.size(), kBytes)));
    if (static_cast<std::size_t>(text.size()) > kMaxSheetText || utf8.size() > kBytes) {
        auto keep = static_cast<qsizetype>(std::min<std::size_t>(text.size(), kMaxSheetText));
        if (keep > 0 && text[keep - 1].isHighSurrogate()) {
            --keep;  // never half a character
        }
        text.truncate(keep);
        text.append(QChar(0x2026));
    }
    return text;
}

// The sheet's pixels (RGB32), in memory the system may map in large pages. A sheet is
// megabytes of pixels, each touched a few times: mapped 4 KiB at a time, as new memory is,
// the mapping costs more than drawing all the tiles of a sheet of some forty entries.
QImage sheetImage(QSize size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::size_t kLargePage = std::size_t{2} << 20;
    const std::size_t bytes =
        static_cast<std::size_t>(size.width()) * 4 * static_cast<std::size_t>(size.height());
    if (bytes >= kLargePage) {
        const std::size_t whole = (bytes + kLargePage - 1) / kLargePage * kLargePage;
        std::unique_ptr<void, decltype(&std::free)> memory(std::aligned_alloc(kLargePage, whole),
                                                           &std::free);
        if (!memory) {
            throw EOutOfResources(std::string(msg::kOutOfMemory));
        }
        ::madvise(memory.get(), whole, MADV_HUGEPAGE);  // a hint: without it, small pages
        QImage image(static_cast<uchar*>(memory.get()), size.width(), size.height(),
                     static_cast<qsizetype>(size.width()) * 4, QImage::Format_RGB32, &std::free,
                     memory.get());
        requirePixels(image, size);
        memory.release();  // the image frees it
        return image;
    }
#endif
    return allocateImage(size, QImage::Format_RGB32);
}

}  // namespace

SheetLayout::SheetLayout(const std::vector<SheetSection>& sections, std::int64_t maxPixels) {
    int widest = 0;
    for (const SheetSection& section : sections) {
        widest = std::max(widest, section.tiles);
    }
    columns_ = std::clamp(widest, kMinSheetColumns, kSheetColumns);
    width_ = sheetWidth(columns_);
    const std::int64_t maxHeight = maxPixels / width_;
    int bottom = place(sections, maxHeight - kMargin);
    if (leftOut_ > 0) {
        // Cut: again, with room for the line that says so.
        bottom = place(sections, maxHeight - kMargin - kNoteHeight);
        note_ = QRect(kMargin, bottom, width_ - 2 * kMargin, kNoteHeight);
        bottom += kNoteHeight;
    }
    size_ = QSize(width_, bottom + kMargin);
}

int SheetLayout::place(const std::vector<SheetSection>& sections, std::int64_t limit) {
    sections_.assign(sections.size(), Placed{});
    leftOut_ = 0;
    int bottom = kMargin;
    bool cut = false;
    for (std::size_t s = 0; s < sections.size(); ++s) {
        const int tiles = std::max(0, sections[s].tiles);
        const int top = s == 0 ? bottom : bottom + kSectionGap;
        const std::int64_t room = limit - (top + kHeadingHeight);
        const std::int64_t rows = std::clamp<std::int64_t>(
            room / kRowHeight, 0, (std::int64_t{tiles} + columns_ - 1) / columns_);
        if (!cut && room >= 0 && (tiles == 0 || rows > 0)) {
            sections_[s] = {top, static_cast<int>(std::min<std::int64_t>(tiles, rows * columns_))};
            bottom = static_cast<int>(top + kHeadingHeight + rows * kRowHeight);
        }
        // Once a section is cut short, the ones after it are left out whole.
        cut = cut || sections_[s].shown < tiles;
        leftOut_ += tiles - sections_[s].shown;
    }
    return bottom;
}

QRect SheetLayout::headingRect(std::size_t section) const {
    const Placed& placed = sections_[section];
    if (placed.headingTop < 0) {
        return {};
    }
    // The text sits on the lower part of its line, near the tiles it heads.
    return QRect(kMargin, placed.headingTop, width_ - 2 * kMargin, kHeadingHeight - 4);
}

QRect SheetLayout::tileRect(std::size_t section, int tile) const {
    const int column = tile % columns_;
    const int row = tile / columns_;
    return QRect(kMargin + column * (kSheetTileSide + kColumnGap),
                 sections_[section].headingTop + kHeadingHeight + row * kRowHeight, kSheetTileSide,
                 kSheetTileSide);
}

QRect SheetLayout::captionRect(std::size_t section, int tile) const {
    const QRect tileBox = tileRect(section, tile);
    return QRect(tileBox.left(), tileBox.bottom() + 1 + kCaptionGap, kSheetTileSide,
                 kCaptionHeight);
}

QImage tileImage(const QImage& picture) {
    const QSize tile(kSheetTileSide, kSheetTileSide);
    if (picture.size() == tile) {
        return picture;
    }
    if (picture.size() != tile * 2) {
        return requirePixels(picture.scaled(tile, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                             tile);
    }
    // A skin is exactly twice the tile's side: each tile pixel is the mean of the four it
    // covers, rounded, which costs a fraction of a general smooth scaling.
    const QImage source = convertedImage(picture, QImage::Format_RGB32);
    QImage scaled = allocateImage(tile, QImage::Format_RGB32);
    for (int y = 0; y < kSheetTileSide; ++y) {
        const auto* upper = reinterpret_cast<const QRgb*>(source.constScanLine(2 * y));
        const auto* lower = reinterpret_cast<const QRgb*>(source.constScanLine(2 * y + 1));
        auto* row = reinterpret_cast<QRgb*>(scaled.scanLine(y));
        for (int x = 0; x < kSheetTileSide; ++x) {
            const QRgb a = upper[2 * x], b = upper[2 * x + 1], c = lower[2 * x],
                       d = lower[2 * x + 1];
            const auto mean = [&](int (*channel)(QRgb)) {
                return (channel(a) + channel(b) + channel(c) + channel(d) + 2) / 4;
            };
            row[x] = qRgb(mean(qRed), mean(qGreen), mean(qBlue));
        }
    }
    return scaled;
}

CatalogueSheet::CatalogueSheet(const std::vector<SheetSection>& sections, std::int64_t maxPixels)
    : layout_(sections, maxPixels), picture_(sheetImage(layout_.size())) {
    picture_.fill(kSheetBackground);
    requireFonts();
    QPainter painter(&picture_);
    painter.setFont(linkFont());
    painter.setPen(QColor::fromRgb(kTextColour));
    const QFontMetrics metrics(painter.font());
    for (std::size_t s = 0; s < layout_.sectionCount(); ++s) {
        const QRect box = layout_.headingRect(s);
        if (!box.isEmpty()) {
            painter.drawText(
                box, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine,
                metrics.elidedText(boundedText(sections[s].heading), Qt::ElideRight, box.width()));
        }
    }
}

void CatalogueSheet::drawCaption(std::size_t section, int tile, const std::string& caption) {
    QPainter painter(&picture_);
    painter.setFont(windowFont());
    painter.setPen(QColor::fromRgb(kTextColour));
    const QRect box = layout_.captionRect(section, tile);
    painter.setClipRect(box);
    painter.drawText(
        box, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
        QFontMetrics(painter.font()).elidedText(boundedText(caption), Qt::ElideRight, box.width()));
}

void CatalogueSheet::drawTile(std::size_t section, int tile, const QImage& picture,
                              const std::string& caption) {
    {
        QPainter painter(&picture_);
        painter.drawImage(layout_.tileRect(section, tile).topLeft(), tileImage(picture));
    }
    drawCaption(section, tile, caption);
}

void CatalogueSheet::drawFailedTile(std::size_t section, int tile, const std::string& message,
                                    const std::string& caption) {
    const QRect box = layout_.tileRect(section, tile);
    {
        QPainter painter(&picture_);
        painter.fillRect(box, QColor::fromRgb(kFailedTileFill));
        QPen mark(QColor::fromRgb(kFailedTileMark));
        mark.setWidth(kMarkWidth);
        mark.setJoinStyle(Qt::MiterJoin);
        painter.setPen(mark);
        // A pen of width 2 on a rectangle shrunk by one pixel covers the tile's outer two
        // pixels exactly.
        painter.drawRect(QRectF(box).adjusted(1, 1, -1, -1));
        QFont small = windowFont(kMessagePixels);
        painter.setFont(small);
        painter.setPen(QColor::fromRgb(kMessageColour));
        const QRect inside =
            box.adjusted(kMessageInset, kMessageInset, -kMessageInset, -kMessageInset);
        painter.setClipRect(inside);
        // Lines break between words; a path, which has no spaces to break at, anywhere.
        QTextOption wrap(Qt::AlignLeft | Qt::AlignTop);
        wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        painter.drawText(QRectF(inside), boundedText(message), wrap);
    }
    drawCaption(section, tile, caption);
}

void CatalogueSheet::drawNote(const std::string& text) {
    const QRect box = layout_.noteRect();
    if (box.isEmpty()) {
        return;
    }
    QPainter painter(&picture_);
    painter.setFont(windowFont());
    painter.setPen(QColor::fromRgb(kMessageColour));
    painter.drawText(
        box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
        QFontMetrics(painter.font()).elidedText(boundedText(text), Qt::ElideRight, box.width()));
}

}  // namespace vestura
