// A sheet of a catalogue: each entry's picture as a captioned 128 x 128 tile, up to eight
// to a row, grouped by category under a heading each, lettered in the window's fonts. The layout
// is worked out before anything is drawn, so the sheet's size is known, and bounded, first.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vestura {

inline constexpr int kSheetTileSide = 128;
inline constexpr int kSheetColumns = 8;
// A sheet whose longest section has fewer tiles is only as wide as that section (but never
// narrower than this, so that a heading has room): a pack of a few entries is not a strip of
// white.
inline constexpr int kMinSheetColumns = 4;
// The most pixels a sheet may have: 32 x 1024 x 1024, 128 MiB as 32-bit pixels, the most that
// Qt's image readers open by default (and about what a 36-frame turntable at 1024 x 1024
// holds). At the sheet's width that is some 1,600 tiles; the tiles past it are left out,
// and the sheet says how many.
inline constexpr std::int64_t kMaxSheetPixels = std::int64_t{32} * 1024 * 1024;
// A caption or a message longer than this is cut before it is laid out: a tile shows some
// thirty characters of a caption and a few hundred of a message, and laying out a line
// costs by its length.
inline constexpr std::size_t kMaxSheetText = 400;

// The sheet's background, and the outline and fill that mark a tile whose entry failed.
inline constexpr QRgb kSheetBackground = 0xFFFFFFFF;
inline constexpr QRgb kFailedTileMark = 0xFFD01010;
inline constexpr QRgb kFailedTileFill = 0xFFFFECEC;

struct SheetSection {
    std::string heading;  // UTF-8
    int tiles = 0;
};

// Where each heading, tile and caption lies.
class SheetLayout {
public:
    // Lays the sections out in order, each heading on a line of its own and its tiles in
    // rows below it, as long as the sheet stays within `maxPixels`; what does not fit is left
    // out whole from that tile on, and a line at the bottom is kept for saying so.
    explicit SheetLayout(const std::vector<SheetSection>& sections,
                         std::int64_t maxPixels = kMaxSheetPixels);

    QSize size() const { return size_; }
    int columns() const { return columns_; }
    std::size_t sectionCount() const { return sections_.size(); }
    // The section's tiles that are drawn: all of them, unless the sheet was cut.
    int tilesShown(std::size_t section) const { return sections_[section].shown; }
    // The tiles of every section that did not fit.
    std::int64_t tilesLeftOut() const { return leftOut_; }
    // Empty for a section left out whole.
    QRect headingRect(std::size_t section) const;
    QRect tileRect(std::size_t section, int tile) const;
    QRect captionRect(std::size_t section, int tile) const;
    // The line that says what was left out; empty when nothing was.
    QRect noteRect() const { return note_; }

private:
    // Lays the sections out with no row reaching below `limit`; returns the bottom of the last.
    int place(const std::vector<SheetSection>& sections, std::int64_t limit);

    struct Placed {
        int headingTop = -1;  // -1: left out
        int shown = 0;
    };
    std::vector<Placed> sections_;
    std::int64_t leftOut_ = 0;
    int columns_ = kSheetColumns;
    int width_ = 0;
    QRect note_;
    QSize size_;
};

// A sheet being drawn: the headings at once, then each tile as its entry is made.
class CatalogueSheet {
public:
    // Makes the sheet's picture (RGB32) and draws the headings. Needs fonts (picture/fonts.h);
    // raises "Out of memory" when the picture cannot be had.
    explicit CatalogueSheet(const std::vector<SheetSection>& sections,
                            std::int64_t maxPixels = kMaxSheetPixels);

    const SheetLayout& layout() const { return layout_; }
    const QImage& picture() const { return picture_; }

    // The picture as tileImage() makes it, with its caption (UTF-8) under it, cut to the
    // tile's width.
    void drawTile(std::size_t section, int tile, const QImage& picture, const std::string& caption);
    // An empty tile marked as failed, with `message` (UTF-8) in small type inside it.
    void drawFailedTile(std::size_t section, int tile, const std::string& message,
                        const std::string& caption);
    // `text` on the line kept for saying what was left out.
    void drawNote(const std::string& text);

private:
    void drawCaption(std::size_t section, int tile, const std::string& caption);

    SheetLayout layout_;
    QImage picture_;
};

// `picture` as a tile shows it, 128 x 128 (RGB32): as it is at that size; a 256 x 256 skin
// with each pixel the rounded mean of the four it covers; any other size scaled smoothly.
QImage tileImage(const QImage& picture);

}  // namespace vestura
