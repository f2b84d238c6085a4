// MetafileDc's text: fonts from the metafile's logical fonts, placed by the text-align
// flags, kept upright whatever the mapping.
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <utility>

#include "picture/fonts.h"
#include "picture/metafile/metafile_dc.h"

namespace vestura {

namespace {

// Device-space text sizes are kept within this range: a hostile font height must not make
// the font engine rasterise gigantic glyphs.
constexpr double kMinTextPixels = 1;
constexpr double kMaxTextPixels = 2048;
constexpr double kDefaultTextPixels = 16;  // a font of height 0: the usual screen size
constexpr double kMaxTextStretch = 16;     // widest or narrowest anisotropic text scaling

}  // namespace

QFont MetafileDc::deviceFont(const QString& family, double pixelSize) const {
    const LogFont& log = state_.font;
    QFont font(family);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
    if (log.height > 0) {
        // A positive height is the cell height: shrink the font until its line fits.
        const double cell = QFontMetricsF(font).height();
        if (cell > 0) {
            font.setPixelSize(
                std::max(1, static_cast<int>(std::lround(pixelSize * pixelSize / cell))));
        }
    }
    constexpr int kMaxWeight = 1000;
    font.setWeight(static_cast<QFont::Weight>(log.weight <= 0 ? int{QFont::Normal}
                                                              : std::min(log.weight, kMaxWeight)));
    font.setItalic(log.italic);
    font.setUnderline(log.underline);
    font.setStrikeOut(log.strikeOut);
    return font;
}

const QFont* MetafileDc::keptFont(int pixels) const {
    const auto found = std::find_if(fonts_.begin(), fonts_.end(), [&](const DeviceFont& kept) {
        return kept.pixels == pixels && kept.log == state_.font;
    });
    return found != fonts_.end() ? &found->font : nullptr;
}

const QFont& MetafileDc::keepFont(int pixels, QFont font) {
    if (fonts_.size() == limits::kMetafileKeptFonts) {
        fonts_.erase(fonts_.begin());
    }
    fonts_.push_back({state_.font, pixels, std::move(font)});
    return fonts_.back().font;
}

void MetafileDc::text(QPointF reference, const QString& text, std::span<const double> dx,
                      const std::optional<QRectF>& opaqueBox,
                      const std::optional<QRectF>& clipBox) {
    if (recording_) {
        return;
    }
    if (state_.textAlign & kTextAlignUpdateCp) {
        reference = state_.position;
    }
    painter_.save();
    if (clipBox) {
        painter_.setTransform(logicalToCaller());
        painter_.setClipRect(clipBox->normalized(), Qt::IntersectClip);
    }
    if (opaqueBox) {
        if (!spendOnFilledBox(*opaqueBox)) {
            painter_.restore();
            return;
        }
        prepare(false, false);
        painter_.fillRect(opaqueBox->normalized(), state_.bkColor);
    }
    drawTextRun(reference, text, dx);
    painter_.restore();
}

// Text stays upright and left-to-right whatever the mapping: the reference point is mapped,
// the font is sized in device pixels and only the escapement rotates it.
void MetafileDc::drawTextRun(QPointF reference, const QString& text, std::span<const double> dx) {
    const QTransform t = logicalToCaller();
    const double sx = std::hypot(t.m11(), t.m12());
    const double sy = std::hypot(t.m21(), t.m22());
    if (!(sx > 0) || !(sy > 0) || !std::isfinite(sx) || !std::isfinite(sy) || text.isEmpty()) {
        return;
    }
    requireFonts();
    const double wanted =
        state_.font.height == 0 ? kDefaultTextPixels : std::abs(state_.font.height) * sy;
    const double pixels = std::clamp(wanted, kMinTextPixels, kMaxTextPixels);
    const int size = std::max(1, static_cast<int>(std::lround(pixels)));
    const QFont* kept = keptFont(size);
    const QString face =
        state_.font.face.isEmpty() ? QStringLiteral("Liberation Sans") : state_.font.face;
    // A font not kept is set up first, after its face is matched when that is not resolved
    // yet; then every glyph is laid out, and rasterised by an amount that grows with its size.
    const double setup =
        kept != nullptr ? 0
                        : limits::kMetafileFontSetupWork +
                              (faces_.known(face) ? 0 : limits::kMetafileFaceMatchWork);
    if (!spend(setup + limits::kMetafileTextRunWork +
               static_cast<double>(text.size()) *
                   (limits::kMetafileGlyphWork +
                    pixels * pixels * limits::kMetafileGlyphSquareShare))) {
        return;
    }
    const QFont font = kept != nullptr ? *kept : keepFont(size, deviceFont(faces_.family(face), pixels));
    const QFontMetricsF metrics(font);
    const double xUnit = std::clamp(sx / sy, 1 / kMaxTextStretch, kMaxTextStretch);

    std::vector<double> advances;  // per character, in the frame's x units
    for (qsizetype i = 0; i < text.size(); ++i) {
        advances.push_back(std::cmp_less(i, dx.size()) ? dx[i] * sy
                                                       : metrics.horizontalAdvance(text[i]));
    }
    double width = 0;
    for (double advance : advances) {
        width += advance;
    }

    const int align = state_.textAlign;
    double x = 0;
    if ((align & kTextAlignCenter) == kTextAlignCenter) {
        x = -width / 2;
    } else if (align & kTextAlignRight) {
        x = -width;
    }
    double y = metrics.ascent();
    if ((align & kTextAlignBaseline) == kTextAlignBaseline) {
        y = 0;
    } else if (align & kTextAlignBottom) {
        y = -metrics.descent();
    }

    const QPointF anchor = t.map(reference);
    QTransform frame = QTransform::fromTranslate(anchor.x(), anchor.y());
    frame.rotate(-state_.font.escapement / 10.0);
    frame.scale(xUnit, 1);
    painter_.setTransform(frame);
    if (state_.bkOpaque && !spend(visibleArea(frame.mapRect(
                               QRectF(x, y - metrics.ascent(), width, metrics.height()))))) {
        return;
    }
    if (state_.bkOpaque) {
        painter_.fillRect(QRectF(x, y - metrics.ascent(), width, metrics.height()), state_.bkColor);
    }
    painter_.setFont(font);
    painter_.setPen(state_.textColor);
    if (dx.empty()) {
        painter_.drawText(QPointF(x, y), text);
    } else {
        for (qsizetype i = 0; i < text.size(); ++i) {
            painter_.drawText(QPointF(x, y), QString(text[i]));
            x += advances[i];
        }
    }
    if (align & kTextAlignUpdateCp) {
        state_.position.rx() += width * xUnit / sx;
    }
}

}  // namespace vestura
