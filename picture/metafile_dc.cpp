#include "picture/metafile_dc.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace vestura {

namespace {

// Device-space text sizes are kept within this range: a hostile font height must not make
// the font engine rasterise gigantic glyphs.
constexpr double kMinTextPixels = 1;
constexpr double kMaxTextPixels = 2048;
constexpr double kDefaultTextPixels = 16;  // a font of height 0: the usual screen size
constexpr double kMaxTextStretch = 16;     // widest or narrowest anisotropic text scaling
constexpr double kStraightAngle = 180.0;
constexpr double kFullTurn = 360.0;
constexpr std::size_t kMaxSavedStates = 4096;
// A geometric pen thinner than this on the device draws as the one-pixel cosmetic pen.
constexpr double kThinPenPixels = 1.5;
// The largest scale a world transform element may carry; beyond it the record is ignored.
constexpr double kMaxTransformElement = 1e6;

double millimetresPerUnit(MapMode mode) {
    switch (mode) {
        case MapMode::LoMetric:
            return 0.1;
        case MapMode::HiMetric:
            return 0.01;
        case MapMode::LoEnglish:
            return 0.254;
        case MapMode::HiEnglish:
            return 0.0254;
        case MapMode::Twips:
            return 25.4 / 1440;
        default:
            return 0;
    }
}

bool finiteTransform(const QTransform& t) {
    const double elements[] = {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
    return std::all_of(std::begin(elements), std::end(elements), [](double v) {
        return std::isfinite(v) && std::abs(v) <= kMaxTransformElement * kMaxTransformElement;
    });
}

bool usableWorldTransform(const QTransform& t) {
    const double scales[] = {t.m11(), t.m12(), t.m21(), t.m22()};
    return finiteTransform(t) && t.type() != QTransform::TxProject &&
           std::all_of(std::begin(scales), std::end(scales),
                       [](double v) { return std::abs(v) <= kMaxTransformElement; }) &&
           t.isInvertible();
}

// The parametric angle, in Qt's counter-clockwise degrees, of the ray from the box's centre
// through `point`.
double rayAngle(const QRectF& box, QPointF point) {
    const QPointF centre = box.center();
    const double rx = box.width() / 2;
    const double ry = box.height() / 2;
    if (rx == 0 || ry == 0) {
        return 0;
    }
    return std::atan2(-(point.y() - centre.y()) / ry, (point.x() - centre.x()) / rx) *
           kStraightAngle / M_PI;
}

QPainterPath polygonPath(const QPolygonF& points, bool closed) {
    QPainterPath path;
    if (points.isEmpty()) {
        return path;
    }
    path.moveTo(points.front());
    for (qsizetype i = 1; i < points.size(); ++i) {
        path.lineTo(points[i]);
    }
    if (closed) {
        path.closeSubpath();
    }
    return path;
}

// Cubic segments from `from` through each following triple of points.
void appendBeziers(QPainterPath& path, const QPolygonF& points, qsizetype first) {
    for (qsizetype i = first; i + 2 < points.size(); i += 3) {
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    }
}

}  // namespace

MetafileDc::MetafileDc(QPainter& painter, const QRectF& target, const MetafileDevice& device)
    : painter_(painter), callerTransform_(painter.transform()), target_(target), device_(device) {
    const QRectF frame = device.frame;
    const double sx = frame.width() != 0 ? target.width() / frame.width() : 1;
    const double sy = frame.height() != 0 ? target.height() / frame.height() : 1;
    deviceToTarget_ = QTransform::fromTranslate(-frame.left(), -frame.top()) *
                      QTransform::fromScale(sx, sy) *
                      QTransform::fromTranslate(target.left(), target.top());
    state_.mapMode = device.initialMode;
    if (device.initialMode == MapMode::Anisotropic) {
        state_.windowOrg = state_.viewportOrg = frame.topLeft();
        state_.windowExt = state_.viewportExt = frame.size();
    }
    state_.pen = QPen(Qt::black, 0);
    state_.pen.setCapStyle(Qt::FlatCap);
    state_.brush = QBrush(Qt::white);
    painter_.save();
    applyClip();
}

MetafileDc::~MetafileDc() {
    painter_.restore();
}

// ---- Mapping ----

void MetafileDc::setMapMode(int mode) {
    if (mode >= static_cast<int>(MapMode::Text) && mode <= static_cast<int>(MapMode::Anisotropic)) {
        state_.mapMode = static_cast<MapMode>(mode);
    }
}

void MetafileDc::setWindowOrg(QPointF org) {
    state_.windowOrg = org;
}
void MetafileDc::setViewportOrg(QPointF org) {
    state_.viewportOrg = org;
}
void MetafileDc::offsetWindowOrg(QPointF delta) {
    state_.windowOrg += delta;
}

void MetafileDc::setWindowExt(QSizeF ext) {
    if (ext.width() != 0 && ext.height() != 0) {
        state_.windowExt = ext;
    }
}

void MetafileDc::setViewportExt(QSizeF ext) {
    if (ext.width() != 0 && ext.height() != 0) {
        state_.viewportExt = ext;
    }
}

void MetafileDc::setWorldTransform(const QTransform& world) {
    if (usableWorldTransform(world)) {
        state_.world = world;
    }
}

void MetafileDc::modifyWorldTransform(const QTransform& world, int mode) {
    constexpr int kIdentity = 1, kLeftMultiply = 2, kRightMultiply = 3, kSet = 4;
    switch (mode) {
        case kIdentity:
            state_.world = QTransform();
            break;
        case kLeftMultiply:
            setWorldTransform(world * state_.world);
            break;
        case kRightMultiply:
            setWorldTransform(state_.world * world);
            break;
        case kSet:
            setWorldTransform(world);
            break;
        default:
            break;
    }
}

QTransform MetafileDc::pageTransform() const {
    double sx = 1;
    double sy = 1;
    const MapMode mode = state_.mapMode;
    if (const double mm = millimetresPerUnit(mode); mm > 0) {
        sx = mm * device_.unitsPerMmX;
        sy = -mm * device_.unitsPerMmY;  // the metric modes count y upwards
    } else if (mode == MapMode::Isotropic || mode == MapMode::Anisotropic) {
        sx = state_.viewportExt.width() / state_.windowExt.width();
        sy = state_.viewportExt.height() / state_.windowExt.height();
        if (mode == MapMode::Isotropic) {
            const double scale = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(scale, sx);
            sy = std::copysign(scale, sy);
        }
    }
    return QTransform::fromTranslate(-state_.windowOrg.x(), -state_.windowOrg.y()) *
           QTransform::fromScale(sx, sy) *
           QTransform::fromTranslate(state_.viewportOrg.x(), state_.viewportOrg.y());
}

QTransform MetafileDc::logicalToCaller() const {
    return state_.world * pageTransform() * deviceToTarget_ * callerTransform_;
}

// ---- Objects ----

void MetafileDc::setPolyFillMode(int mode) {
    constexpr int kWinding = 2;
    state_.fillRule = mode == kWinding ? Qt::WindingFill : Qt::OddEvenFill;
}

void MetafileDc::addObject(GdiObject object) {
    const auto free = std::find_if(objects_.begin(), objects_.end(),
                                   [](const auto& slot) { return !slot.has_value(); });
    if (free != objects_.end()) {
        *free = std::move(object);
    } else if (objects_.size() < kMaxObjects) {
        objects_.emplace_back(std::move(object));
    }
}

void MetafileDc::putObject(std::size_t index, GdiObject object) {
    if (index >= kMaxObjects) {
        return;
    }
    if (index >= objects_.size()) {
        objects_.resize(index + 1);
    }
    objects_[index] = std::move(object);
}

void MetafileDc::selectObject(std::size_t index) {
    if (index >= objects_.size() || !objects_[index]) {
        return;
    }
    const GdiObject& object = *objects_[index];
    switch (object.kind) {
        case GdiObject::Kind::Pen:
            state_.pen = object.pen;
            break;
        case GdiObject::Kind::Brush:
            state_.brush = object.brush;
            break;
        case GdiObject::Kind::Font:
            state_.font = object.font;
            break;
        case GdiObject::Kind::Other:
            break;
    }
}

void MetafileDc::selectStockObject(std::uint32_t which) {
    enum : std::uint32_t {
        kWhiteBrush,
        kLtGrayBrush,
        kGrayBrush,
        kDkGrayBrush,
        kBlackBrush,
        kNullBrush,
        kWhitePen,
        kBlackPen,
        kNullPen,
        kFirstFont = 10,
        kLastFont = 17,
        kDcBrush = 18,
        kDcPen = 19
    };
    constexpr int kGreys[] = {0xFF, 0xC0, 0x80, 0x40, 0x00};
    if (which <= kBlackBrush) {
        const int grey = kGreys[which];
        state_.brush = QBrush(QColor(grey, grey, grey));
    } else if (which == kNullBrush) {
        state_.brush = Qt::NoBrush;
    } else if (which == kWhitePen || which == kBlackPen || which == kDcPen) {
        state_.pen = QPen(which == kWhitePen ? Qt::white : Qt::black, 0);
        state_.pen.setCapStyle(Qt::FlatCap);
    } else if (which == kNullPen) {
        state_.pen = Qt::NoPen;
    } else if (which >= kFirstFont && which <= kLastFont) {
        state_.font = LogFont();
    } else if (which == kDcBrush) {
        state_.brush = QBrush(Qt::white);
    }
}

void MetafileDc::deleteObject(std::size_t index) {
    if (index < objects_.size()) {
        objects_[index].reset();
    }
}

// ---- Drawing ----

void MetafileDc::prepare(bool withPen, bool withBrush) {
    const QTransform t = logicalToCaller();
    painter_.setTransform(t);
    QPen pen = withPen ? state_.pen : QPen(Qt::NoPen);
    if (pen.style() != Qt::NoPen && !pen.isCosmetic() &&
        pen.widthF() * std::sqrt(std::abs(t.determinant())) < kThinPenPixels) {
        pen.setWidth(0);
        pen.setCapStyle(Qt::FlatCap);
    }
    painter_.setPen(pen);
    painter_.setBrush(withBrush ? state_.brush : QBrush(Qt::NoBrush));
    // The background mode only matters to hatched brushes and broken lines; leaving it
    // transparent otherwise keeps QPainter on its plain fill paths.
    const bool patterned = pen.style() > Qt::SolidLine || state_.brush.style() > Qt::SolidPattern;
    painter_.setBackground(state_.bkColor);
    painter_.setBackgroundMode(state_.bkOpaque && patterned ? Qt::OpaqueMode : Qt::TransparentMode);
}

void MetafileDc::shape(const QPainterPath& figure, bool closed) {
    if (recording_) {
        recording_->addPath(figure);
        return;
    }
    QPainterPath path = figure;
    path.setFillRule(state_.fillRule);
    prepare(true, closed);
    painter_.drawPath(path);
}

void MetafileDc::moveTo(QPointF point) {
    state_.position = point;
    if (recording_) {
        recording_->moveTo(point);
    }
}

void MetafileDc::lineTo(QPointF point) {
    if (recording_) {
        if (recording_->elementCount() == 0) {
            recording_->moveTo(state_.position);
        }
        recording_->lineTo(point);
    } else {
        prepare(true, false);
        painter_.drawLine(state_.position, point);
    }
    state_.position = point;
}

void MetafileDc::polyline(const QPolygonF& points) {
    if (recording_) {
        recording_->addPath(polygonPath(points, false));
    } else if (points.size() > 1) {
        prepare(true, false);
        painter_.drawPolyline(points);
    }
}

void MetafileDc::polylineTo(const QPolygonF& points) {
    for (const QPointF& point : points) {
        lineTo(point);
    }
}

void MetafileDc::polygon(const QPolygonF& points) {
    if (points.size() < 2) {
        return;
    }
    if (recording_) {
        shape(polygonPath(points, true), true);
    } else {
        prepare(true, true);
        painter_.drawPolygon(points, state_.fillRule);
    }
}

void MetafileDc::polyPolygon(const std::vector<QPolygonF>& polygons) {
    QPainterPath path;
    for (const QPolygonF& points : polygons) {
        path.addPath(polygonPath(points, true));
    }
    shape(path, true);
}

void MetafileDc::polyPolyline(const std::vector<QPolygonF>& polylines) {
    for (const QPolygonF& points : polylines) {
        polyline(points);
    }
}

void MetafileDc::polyBezier(const QPolygonF& points) {
    if (points.isEmpty()) {
        return;
    }
    QPainterPath path(points.front());
    appendBeziers(path, points, 1);
    shape(path, false);
}

void MetafileDc::polyBezierTo(const QPolygonF& points) {
    if (points.size() < 3) {
        return;
    }
    if (recording_) {
        if (recording_->elementCount() == 0) {
            recording_->moveTo(state_.position);
        }
        appendBeziers(*recording_, points, 0);
    } else {
        QPainterPath path(state_.position);
        appendBeziers(path, points, 0);
        shape(path, false);
    }
    state_.position = points[(points.size() / 3) * 3 - 1];
}

// Rectangles, ellipses and polygons outside a path go through QPainter's own primitives,
// whose aliased rasterisation differs from a general path's by a pixel here and there.
void MetafileDc::rectangle(const QRectF& box) {
    if (!recording_) {
        prepare(true, true);
        painter_.drawRect(box.normalized());
        return;
    }
    QPainterPath path;
    path.addRect(box.normalized());
    shape(path, true);
}

void MetafileDc::roundRect(const QRectF& box, QSizeF corner) {
    QPainterPath path;
    path.addRoundedRect(box.normalized(), std::abs(corner.width()) / 2,
                        std::abs(corner.height()) / 2, Qt::AbsoluteSize);
    shape(path, true);
}

void MetafileDc::ellipse(const QRectF& box) {
    if (!recording_) {
        prepare(true, true);
        painter_.drawEllipse(box.normalized());
        return;
    }
    QPainterPath path;
    path.addEllipse(box.normalized());
    shape(path, true);
}

void MetafileDc::arc(ArcKind kind, const QRectF& rawBox, QPointF start, QPointF end) {
    const QRectF box = rawBox.normalized();
    const double from = rayAngle(box, start);
    double sweep = rayAngle(box, end) - from;
    if (sweep <= 0) {
        sweep += kFullTurn;  // figures run counter-clockwise; equal ends make a full turn
    }
    QPainterPath path;
    if (kind == ArcKind::Pie) {
        path.moveTo(box.center());
        path.arcTo(box, from, sweep);
    } else {
        path.arcMoveTo(box, from);
        path.arcTo(box, from, sweep);
    }
    if (kind != ArcKind::Arc) {
        path.closeSubpath();
    }
    shape(path, kind != ArcKind::Arc);
}

QFont MetafileDc::deviceFont(double pixelSize) const {
    const LogFont& log = state_.font;
    QFont font(log.face.isEmpty() ? QStringLiteral("Liberation Sans") : log.face);
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
    const double wanted =
        state_.font.height == 0 ? kDefaultTextPixels : std::abs(state_.font.height) * sy;
    const QFont font = deviceFont(std::clamp(wanted, kMinTextPixels, kMaxTextPixels));
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

void MetafileDc::image(const QRectF& dest, const QImage& picture, const QRectF& source,
                       std::uint32_t rasterOp) {
    enum : std::uint32_t {
        kBlackness = 0x00000042,
        kNop = 0x00AA0029,
        kPatCopy = 0x00F00021,
        kWhiteness = 0x00FF0062,
        kSrcAnd = 0x008800C6,
        kSrcInvert = 0x00660046,
        kSrcPaint = 0x00EE0086
    };
    if (recording_ || rasterOp == kNop || dest.width() == 0 || dest.height() == 0) {
        return;
    }
    prepare(false, false);
    if (rasterOp == kBlackness || rasterOp == kWhiteness || rasterOp == kPatCopy) {
        painter_.fillRect(dest.normalized(), rasterOp == kPatCopy     ? state_.brush
                                             : rasterOp == kBlackness ? QBrush(Qt::black)
                                                                      : QBrush(Qt::white));
        return;
    }
    const QRectF wanted = source.normalized();
    const QRectF shown = wanted & QRectF(picture.rect());
    if (shown.isEmpty() || wanted.isEmpty()) {
        return;
    }
    // Only the part of the source inside the picture is drawn, at its share of the target.
    const QRectF box = dest.normalized();
    const double kx = box.width() / wanted.width();
    const double ky = box.height() / wanted.height();
    const bool flipX = dest.width() < 0;
    const bool flipY = dest.height() < 0;
    const double left = flipX ? wanted.right() - shown.right() : shown.left() - wanted.left();
    const double top = flipY ? wanted.bottom() - shown.bottom() : shown.top() - wanted.top();
    const QRectF target(box.left() + left * kx, box.top() + top * ky, shown.width() * kx,
                        shown.height() * ky);
    const QImage part = picture.copy(shown.toAlignedRect()).mirrored(flipX, flipY);
    switch (rasterOp) {
        case kSrcAnd:
            painter_.setCompositionMode(QPainter::CompositionMode_Multiply);
            break;
        case kSrcPaint:
            painter_.setCompositionMode(QPainter::CompositionMode_Lighten);
            break;
        case kSrcInvert:
            painter_.setCompositionMode(QPainter::CompositionMode_Difference);
            break;
        default:
            break;
    }
    painter_.drawImage(target, part);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// ---- Paths ----

void MetafileDc::beginPath() {
    recording_ = QPainterPath();
}

void MetafileDc::endPath() {
    if (recording_) {
        path_ = *recording_;
        recording_.reset();
    }
}

void MetafileDc::closeFigure() {
    if (recording_) {
        recording_->closeSubpath();
    }
}

void MetafileDc::fillPath() {
    path_.setFillRule(state_.fillRule);
    prepare(false, true);
    painter_.drawPath(path_);
    path_ = QPainterPath();
}

void MetafileDc::strokePath() {
    prepare(true, false);
    painter_.strokePath(path_, painter_.pen());
    path_ = QPainterPath();
}

void MetafileDc::strokeAndFillPath() {
    path_.setFillRule(state_.fillRule);
    prepare(true, true);
    painter_.drawPath(path_);
    path_ = QPainterPath();
}

// ---- States and clipping ----

void MetafileDc::saveDc() {
    if (saved_.size() < kMaxSavedStates) {
        saved_.push_back(state_);
    }
}

void MetafileDc::restoreDc(int relative) {
    const auto depth = static_cast<long long>(saved_.size());
    // Negative: that many levels back; positive: the state the n-th save kept.
    const long long keep = relative < 0 ? depth + relative : relative - 1LL;
    if (relative == 0 || keep < 0 || keep >= depth) {
        return;
    }
    state_ = saved_[static_cast<std::size_t>(keep)];
    saved_.resize(static_cast<std::size_t>(keep));
    applyClip();
}

void MetafileDc::intersectClipRect(const QRectF& box) {
    QPainterPath area;
    area.addPolygon(logicalToCaller().map(QPolygonF(box.normalized())));
    area.closeSubpath();
    state_.clip = state_.clip ? state_.clip->intersected(area) : area;
    applyClip();
}

// The painter's clip is always the caller's, narrowed to the target rect and to the
// metafile's own clip; it is rebuilt from the painter state saved at the start.
void MetafileDc::applyClip() {
    painter_.restore();
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_.setTransform(callerTransform_);
    painter_.setClipRect(target_, Qt::IntersectClip);
    if (state_.clip) {
        painter_.setClipPath(*state_.clip, Qt::IntersectClip);
    }
}

}  // namespace vestura
