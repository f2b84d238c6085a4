// The largest picture any decoder accepts, and the largest file any reader takes in. These
// are policy, not format limits: they keep a hostile header from making us allocate more
// than a part could ever show. Every decoder checks a picture's size against them, with
// overflow-safe 64-bit arithmetic, before allocating anything for it.
//
// Why these numbers. A part shows at most 273 x 281 pixels of itself (the largest slot), so
// anything much bigger is wasted. Loading and first drawing any one picture must stay well
// within 256 MiB above the program's idle footprint, and the window holds seven part
// pictures at once (the CLI's render holds the same seven), so one picture may keep at most
// 32 MiB: seven of them stay under 224 MiB. The budget counts every copy the program keeps
// of a picture's pixels: the decoded rows, the 32-bit copy made for drawing, an icon's made
// image with the decoder's own intermediate, a JPEG's coefficient buffer, a metafile's
// 32-bit canvas, a PNG's or TGA's one premultiplied image (drawn as it is) with libpng's
// working rows. 32 MiB is still a 2048 x 2048 true-colour bitmap (about 55 times the
// largest slot), or 2590 x 2590 at 8 bits.
//   kMaxDimension (8192 per side) is policy: 30 times the widest slot, for strips;
//   the area budget, not this, is what bounds memory.
//   kMaxPictureBytes (32 MiB) is safety: seven pictures stay under the 256 MiB goal.
//   kMaxFileBytes (64 MiB) is safety: a file is read whole before it is decoded, and no
//   picture the budget admits needs a file this large (the largest, a 32-bit bitmap at the
//   budget, is under 17 MiB); a larger file is refused before it is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace vestura::limits {

inline constexpr std::int64_t kMaxDimension = 8192;                       // pixels, per axis
inline constexpr std::int64_t kMaxPictureBytes = std::int64_t{32} << 20;  // every copy kept
inline constexpr std::int64_t kMaxFileBytes = std::int64_t{64} << 20;     // one file read
// The 32-bit copy a picture is drawn from (or drawn onto), per pixel.
inline constexpr std::int64_t kDisplayCopyBytes = 4;
// A PNG or TGA file is held whole while its picture is built, so the file adds to the
// picture's memory; with kMaxFileBytes it could put 64 MiB beside seven budget-sized parts.
// The largest picture the budget admits needs at most kMaxPictureBytes of pixel data in the
// file: a TGA's uncompressed 32-bit pixels, or a PNG's 8-bit RGBA rows stored without
// compression (compressed ones are smaller). The overhead covers the rest a real file holds:
// a PNG's row filter bytes, deflate and chunk headers and metadata chunks, a TGA's colour
// map, identification, run-length packet headers and footer. Anything larger is padding and
// is refused before it is read.
inline constexpr std::int64_t kAlphaFileOverheadBytes = std::int64_t{1} << 20;
inline constexpr std::int64_t kMaxAlphaFileBytes = kMaxPictureBytes + kAlphaFileOverheadBytes;

// Bytes of one stored row of `width` pixels at `bitsPerPixel`, padded to 4 bytes.
// Empty when width or bits are out of range.
std::optional<std::int64_t> paddedRowBytes(std::int64_t width, std::int64_t bitsPerPixel);

// True when a width x height picture fits the limits: each side at most kMaxDimension, and
// what is kept of it, `rowBytes` per row plus `bytesPerPixel` for every pixel (the display
// copy, a canvas, a decoder's intermediate) plus `otherBytes` held for the picture as a
// whole (a JPEG's coefficients), at most kMaxPictureBytes.
bool fits(std::int64_t width, std::int64_t height, std::int64_t rowBytes,
          std::int64_t bytesPerPixel = kDisplayCopyBytes, std::int64_t otherBytes = 0);

}  // namespace vestura::limits

// ---- Metafile playback work ----

// One budget per playback, in work units of roughly one device pixel of solid fill. Every
// record and drawing call is charged from its arguments, in device pixels clipped to what
// can show, before the painter is asked to do it; when a charge does not fit, playback ends
// there and what was drawn stays. The budget is policy; the per-item costs are measured
// against QPainter on this machine so that a spent budget is about a tenth of a second of
// CPU (a skin draws up to seven metafiles).
namespace vestura::limits {

inline constexpr std::int64_t kMetafileWorkBudget = std::int64_t{1} << 26;  // policy
// Costs, in work units: measured, so they keep a spent budget within its time.
inline constexpr double kMetafileRecordWork = 16;          // every record read
inline constexpr double kMetafileDrawCallWork = 256;       // every call into the painter
inline constexpr double kMetafilePointWork = 8;            // every point or curve element
inline constexpr double kMetafileDashWork = 16;            // every dash of a cosmetic pen
inline constexpr double kMetafileOutlinedDashWork = 1024;  // every dash of a wider pen, and
inline constexpr double kMetafileRoundDashWork = 2048;     // per pixel of its round ends' radius
inline constexpr double kMetafileClipElementWork = 64;     // every element of a clip region
inline constexpr double kMetafileClipRowWork = 4;          // every device row a clip covers
inline constexpr double kMetafileGlyphWork = 512;          // every glyph, plus ...
inline constexpr double kMetafileGlyphSquareShare = 1.0 / 16;  // ... this share of its em square
inline constexpr double kMetafileBitmapPixelWork = 8;          // every decoded bitmap pixel
// Text. Qt matches a face name against the installed fonts, and searches its whole list
// again for every font made from a name no installed font has (about 180 us each); setting
// up a font at a new size, weight or style loads and scales the font file (about 150 us,
// and Qt lets go of unused ones on its own, so a picture cycling through many is set up
// again and again). So a playback resolves each distinct face once, to the family Qt
// matches, and keeps the fonts it has set up; each face or font not kept is paid for. How
// many it keeps is policy: ordinary pictures use a handful.
inline constexpr double kMetafileFaceMatchWork = 1 << 17;   // every face not resolved yet
inline constexpr double kMetafileFontSetupWork = 1 << 17;   // every font not kept
inline constexpr double kMetafileTextRunWork = 1 << 13;     // every text run, about 9 us
inline constexpr std::size_t kMetafileResolvedFaces = 64;
inline constexpr std::size_t kMetafileKeptFonts = 64;
// A figure reaching this far beyond the visible area makes QPainter clip its outline
// itself, at a cost that does not shrink with what shows.
inline constexpr double kMetafileFarFigurePixels = 1 << 16;
inline constexpr double kMetafileFarFigureWork = 1 << 18;
// QPainter's ellipse walks its whole outline, whatever shows of it: per device pixel of the
// ellipse's width plus height.
inline constexpr double kMetafileEllipseSpanWork = 4;
// A geometric (wider than a pixel) pen: QPainter outlines every element, and the rasteriser
// walks the outline's edges over every row they cross; per element, and per row of the pen's
// width (up to the visible height) ...
inline constexpr double kMetafileStrokeElementWork = 512;
inline constexpr double kMetafileStrokeRowWork = 64;
// ... and a curve is offset to both sides in more pieces the wider the pen, up to this width.
inline constexpr double kMetafileCurveOffsetPixels = 2048;
// A pen reaching past kMetafileFarFigurePixels makes QPainter clip every element's outline.
inline constexpr double kMetafileFarPenElementWork = 1 << 17;
// A figure reaching further than this beyond the visible area is cut down by the player to
// what can show before QPainter draws it, so it costs what shows, not what it spans.
inline constexpr double kMetafileNearFigurePixels = 1 << 12;
// Every point of a figure cut down so: its path's elements (arcs in as many pieces as their
// size needs), and the points its outline is flattened into.
inline constexpr double kMetafileClippedPointWork = 64;
// Safety: the most points one figure's cut-down outline may take.
inline constexpr std::size_t kMetafileMaxClippedPoints = std::size_t{1} << 18;
// Safety: QPainter dashes a whole outline into memory before it fills the dashes, at about
// a fifth of a byte per work unit for round ends and less for flat ones; a broken wide pen's
// outline reaches the painter in pieces of at most this much dash work (about 1 MiB).
inline constexpr double kMetafileDashPieceWork = 1 << 22;
// Safety: larger embedded bitmaps are never decoded, whatever budget is left (four
// 32-bit copies of 8M pixels stay within 128 MiB).
inline constexpr std::int64_t kMetafileMaxBitmapPixels = std::int64_t{1} << 23;
// Safety: the object table's size, as the record formats allow it.
inline constexpr std::size_t kMetafileMaxObjects = 65536;

}  // namespace vestura::limits

// ---- PNG metadata ----

// The PNG decoder keeps none of a file's metadata (text, colour profiles, suggested
// palettes, unknown chunks): it skips them unread. These bound what libpng may still
// allocate for one ancillary chunk and how many it may keep, should one get through.
namespace vestura::limits {

inline constexpr std::size_t kPngMaxChunkAllocation = std::size_t{256} << 10;  // safety
inline constexpr std::uint32_t kPngMaxCachedChunks = 64;                        // safety
// libpng's working rows while decoding: the raw row and the one before it, at most
// 8 bytes a pixel (16-bit RGBA) each, plus one row pointer per row.
inline constexpr std::int64_t kPngWorkingBytesPerColumn = 2 * 8;
inline constexpr std::int64_t kPngBytesPerRowPointer = 8;

}  // namespace vestura::limits
