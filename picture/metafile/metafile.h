// TMetafile: a picture drawn by playing a placeable Windows metafile (WMF) or an enhanced
// metafile (EMF) through our own record players. The content, not the extension, decides
// which kind a file is.
#pragma once

#include <cstdint>
#include <vector>

#include "picture/graphic.h"
#include "picture/metafile/metafile_dc.h"

namespace vestura {

// A placeable WMF whose header gives 0 units per inch is measured against this reference
// device: a 96-dpi screen of 1920 x 1440 pixels, exactly 508 x 381 mm.
inline constexpr int kReferenceDeviceWidthPx = 1920;
inline constexpr int kReferenceDeviceHeightPx = 1440;
inline constexpr int kReferenceDeviceWidthMm = 508;
inline constexpr int kReferenceDeviceHeightMm = 381;

class TMetafile final : public TGraphic {
public:
    int width() const override { return width_; }
    int height() const override { return height_; }
    bool empty() const override { return data_.empty(); }

    // Recognises the data and takes a copy of it; anything that is neither an enhanced
    // metafile nor a valid placeable one raises EInvalidGraphic "Metafile is not valid".
    void loadFromBytes(std::span<const std::uint8_t> file) override;
    [[noreturn]] void refuseOversizedFile() const override;

    // Plays the records scaled into `rect`. Whatever they leave unpainted stays as it was.
    void draw(QPainter& painter, const QRect& rect) override;
    // The same with `workBudget` units of playback work (see limits.h) instead of the
    // usual budget; returns the units left when playback ended.
    double drawWithBudget(QPainter& painter, const QRect& rect, double workBudget);

    bool enhanced() const { return enhanced_; }
    // The picture's size in units of 0.01 mm.
    int mmWidth() const { return mmWidth_; }
    int mmHeight() const { return mmHeight_; }

private:
    void loadEnhanced(std::span<const std::uint8_t> file);
    void loadPlaceable(std::span<const std::uint8_t> file);

    std::vector<std::uint8_t> data_;
    bool enhanced_ = false;
    MetafileDevice device_;
    int width_ = 0;
    int height_ = 0;
    int mmWidth_ = 0;
    int mmHeight_ = 0;
};

}  // namespace vestura
