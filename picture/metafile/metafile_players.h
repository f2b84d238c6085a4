// The WMF and EMF record players: each walks its records and drives a MetafileDc. Unknown
// records are skipped; a record whose size is too small, runs past the data, or comes after
// kMaxPlaybackRecords records ends playback.
#pragma once

#include <cstdint>
#include <span>

#include "picture/metafile/metafile_dc.h"

namespace vestura {

inline constexpr std::size_t kMaxPlaybackRecords = std::size_t{1} << 20;

// The WMF standard header (after the placeable header): type 1 or 2, header size 9 words,
// version 0x100 or 0x300.
inline constexpr std::size_t kWmfHeaderBytes = 18;
bool wmfHeaderValid(std::span<const std::uint8_t> wmf);

// `wmf` starts at the standard header; `emf` at the EMF header record.
void playWmf(std::span<const std::uint8_t> wmf, MetafileDc& dc);
void playEmf(std::span<const std::uint8_t> emf, MetafileDc& dc);

// Shared by both players.
QColor colorFromRef(std::uint32_t colorRef);
QPen penFromStyle(std::uint32_t style, double width, QColor color);
QBrush brushFromStyle(std::uint32_t style, QColor color, std::uint32_t hatch);
// Pattern and DIB-pattern brushes are not decoded: they fill mid-grey.
QBrush patternBrush();
// 8-bit text in the Windows-1252 code page.
QString ansiString(std::span<const std::uint8_t> bytes);
// Draws the `source` part of a DIB into `dest` (logical units). For a bottom-up DIB the
// source's y counts from the picture's bottom row, as the blit records define it.
void drawDib(MetafileDc& dc, std::span<const std::uint8_t> dib, const QRectF& dest,
             const QRectF& source, std::uint32_t rasterOp);

}  // namespace vestura
