// MetafileDc's figures, paths and pictures: each is drawn at once, or added to the path
// being recorded between BEGINPATH and ENDPATH.
#include <cmath>

#include "picture/metafile/metafile_clip.h"
#include "picture/metafile/metafile_dc.h"

namespace vestura {

namespace {

constexpr double kStraightAngle = 180.0;
constexpr double kFullTurn = 360.0;

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

bool MetafileDc::drewInPieces(const QPolygonF& points, bool closed) {
    return state_.pen.style() > Qt::SolidLine && drewInPieces(polygonPath(points, closed), closed);
}

bool MetafileDc::drewInPieces(const QPainterPath& figure, bool filled) {
    if (state_.pen.style() <= Qt::SolidLine || !strokesInPieces(figure)) {
        return false;
    }
    if (filled) {
        QPainterPath area = figure;
        area.setFillRule(state_.fillRule);
        prepare(false, true);
        painter_.drawPath(area);
    }
    prepare(true, false);
    const QTransform t = painter_.transform();
    bool invertible = false;
    const QTransform back = t.inverted(&invertible);
    if (!invertible) {
        return true;
    }
    // Curves are flattened as finely as the device needs, then taken back to logical units,
    // where the pen's pattern is laid out.
    const QPen pen = painter_.pen();
    const double unitsPerPiece = patternUnitsPerPiece(pen, t);
    for (const QPolygonF& outline : figure.toSubpathPolygons(t)) {
        strokeInPieces(back.map(outline), pen, unitsPerPiece);
    }
    return true;
}

void MetafileDc::strokeInPieces(const QPolygonF& outline, const QPen& pen, double unitsPerPiece,
                                double offset) {
    auto strokePiece = [this, piecePen = pen](const QPolygonF& piece, double offset) mutable {
        piecePen.setDashOffset(offset);
        painter_.setPen(piecePen);
        painter_.drawPolyline(piece);
    };
    QPolygonF piece;
    double used = 0;  // pattern units in the piece; `offset`: those before it
    for (const QPointF& to : outline) {
        if (piece.isEmpty()) {
            piece.append(to);
            continue;
        }
        QPointF from = piece.back();
        double units = std::hypot(to.x() - from.x(), to.y() - from.y()) / pen.widthF();
        while (used + units > unitsPerPiece) {
            const double take = unitsPerPiece - used;
            const QPointF cut = from + (to - from) * (take / units);
            piece.append(cut);
            strokePiece(piece, offset);
            offset += unitsPerPiece;
            piece = QPolygonF{cut};
            used = 0;
            from = cut;
            units -= take;
        }
        piece.append(to);
        used += units;
    }
    if (piece.size() > 1) {
        strokePiece(piece, offset);
    }
}

double MetafileDc::deviceRadius(const QRectF& box) const {
    return clip::largestScale(logicalToCaller()) *
           std::max(std::abs(box.width()), std::abs(box.height())) / 2;
}

bool MetafileDc::reachesFar(const QRectF& box) const {
    if (recording_) {
        return false;
    }
    const double near = limits::kMetafileNearFigurePixels;
    return !clip::within(logicalToCaller().mapRect(box.normalized()),
                         visible_.adjusted(-near, -near, near, near));
}

// Fills are cut just outside the visible area, strokes where the pen no longer reaches it;
// the cuts' own edges and ends lie where nothing shows. A broken pen's pattern goes on from
// where the outline had it at each cut, as far as the flattened outline measures it.
bool MetafileDc::drewClipped(const QPainterPath& figure, bool filled, bool stroked) {
    if (!reachesFar(figure.controlPointRect())) {
        return false;
    }
    const QTransform t = logicalToCaller();
    const QPen pen = painterPen(t);
    const bool withPen = stroked && pen.style() != Qt::NoPen;
    const bool withBrush = filled && state_.brush.style() != Qt::NoBrush;
    bool invertible = false;
    const QTransform back = t.inverted(&invertible);
    const double elements = figure.elementCount();
    if (visible_.isEmpty() || !invertible || !(withPen || withBrush)) {
        spendOnClipped(elements, {}, {});
        return true;
    }
    constexpr double kEdge = 2;
    const double reach = kEdge + (withPen ? penPixels(t) : 0);
    const QRectF fillBox = visible_.adjusted(-kEdge, -kEdge, kEdge, kEdge);
    const QRectF strokeBox = visible_.adjusted(-reach, -reach, reach, reach);
    // Flattening stops once its points could not be paid for, a wide pen's work included.
    const double perPoint =
        limits::kMetafileClippedPointWork + (withPen ? strokedPointWork(t) : 0);
    const double affordable =
        std::floor((workLeft_ - elements * limits::kMetafileClippedPointWork) / perPoint);
    const std::size_t maxPoints =
        affordable < static_cast<double>(limits::kMetafileMaxClippedPoints)
            ? static_cast<std::size_t>(std::max(0.0, affordable))
            : limits::kMetafileMaxClippedPoints;
    std::vector<QPolygonF> outlines;
    if (!clip::flatten(t.map(figure), strokeBox, maxPoints, outlines)) {
        exhausted_ = true;
        return true;
    }
    double points = elements;
    std::vector<QPolygonF> areas;
    std::vector<clip::Run> runs;
    const QTransform units = pen.isCosmetic()
                                 ? QTransform::fromScale(1 / std::max(1.0, pen.widthF()),
                                                         1 / std::max(1.0, pen.widthF()))
                                 : back * QTransform::fromScale(1 / pen.widthF(), 1 / pen.widthF());
    for (const QPolygonF& outline : outlines) {
        points += static_cast<double>(outline.size());
        if (withBrush) {
            if (QPolygonF area = clip::clipPolygon(outline, fillBox); area.size() > 2) {
                areas.push_back(back.map(area));
            }
        }
        if (withPen) {
            for (clip::Run& run :
                 clip::clipPolyline(outline, strokeBox, units, pen.style() == Qt::SolidLine)) {
                run.points = back.map(run.points);
                runs.push_back(std::move(run));
            }
        }
    }
    if (!spendOnClipped(points, areas, runs)) {
        return true;
    }
    if (!areas.empty()) {
        QPainterPath area;
        for (const QPolygonF& polygon : areas) {
            area.addPolygon(polygon);
            area.closeSubpath();
        }
        area.setFillRule(state_.fillRule);
        prepare(false, true);
        painter_.drawPath(area);
    }
    if (!runs.empty()) {
        prepare(true, false);
        const QPen drawn = painter_.pen();
        if (drawn.style() <= Qt::SolidLine) {
            QPainterPath lines;
            for (const clip::Run& run : runs) {
                lines.addPolygon(run.points);
            }
            painter_.drawPath(lines);
        } else if (drawn.isCosmetic()) {
            QPen dashed = drawn;
            for (const clip::Run& run : runs) {
                dashed.setDashOffset(run.before);
                painter_.setPen(dashed);
                painter_.drawPolyline(run.points);
            }
        } else {
            const double unitsPerPiece = patternUnitsPerPiece(drawn, t);
            for (const clip::Run& run : runs) {
                strokeInPieces(run.points, drawn, unitsPerPiece, run.before);
            }
        }
    }
    return true;
}

void MetafileDc::shape(const QPainterPath& figure, bool closed) {
    if (drewClipped(figure, closed, true)) {
        return;
    }
    if (!spendOnFigure(figure, closed, true)) {
        return;
    }
    if (recording_) {
        recording_->addPath(figure);
        return;
    }
    if (drewInPieces(figure, closed)) {
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
    const QPolygonF line({state_.position, point});
    if (reachesFar(line.boundingRect()) && drewClipped(polygonPath(line, false), false, true)) {
        state_.position = point;
        return;
    }
    if (!spendOnFigure(line, false, false, true)) {
        return;
    }
    if (recording_) {
        if (recording_->elementCount() == 0) {
            recording_->moveTo(state_.position);
        }
        recording_->lineTo(point);
    } else if (!drewInPieces(QPolygonF({state_.position, point}), false)) {
        prepare(true, false);
        painter_.drawLine(state_.position, point);
    }
    state_.position = point;
}

void MetafileDc::polyline(const QPolygonF& points) {
    if (reachesFar(points.boundingRect()) && drewClipped(polygonPath(points, false), false, true)) {
        return;
    }
    if (!spendOnFigure(points, false, false, true)) {
        return;
    }
    if (recording_) {
        recording_->addPath(polygonPath(points, false));
    } else if (points.size() > 1 && !drewInPieces(points, false)) {
        prepare(true, false);
        painter_.drawPolyline(points);
    }
}

void MetafileDc::polylineTo(const QPolygonF& points) {
    for (const QPointF& point : points) {
        if (exhausted()) {
            return;
        }
        lineTo(point);
    }
}

void MetafileDc::polygon(const QPolygonF& points) {
    if (points.size() < 2) {
        return;
    }
    if (recording_ || reachesFar(points.boundingRect())) {
        shape(polygonPath(points, true), true);
    } else if (spendOnFigure(points, true, true, true) && !drewInPieces(points, true)) {
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
        if (exhausted()) {
            return;
        }
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
        if (!spendOnFigure(points, false, false, false)) {
            return;
        }
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
    if (!recording_ && !reachesFar(box)) {
        if (!spendOnFigure(QPolygonF(box.normalized()), true, true, true) ||
            drewInPieces(QPolygonF(box.normalized()), true)) {
            return;
        }
        prepare(true, true);
        painter_.drawRect(box.normalized());
        return;
    }
    QPainterPath path;
    path.addRect(box.normalized());
    shape(path, true);
}

void MetafileDc::roundRect(const QRectF& box, QSizeF corner) {
    const QRectF r = box.normalized();
    const double rx = std::abs(corner.width()) / 2;
    const double ry = std::abs(corner.height()) / 2;
    QPainterPath path;
    clip::addRoundedRect(
        path, r, rx, ry,
        deviceRadius(QRectF(0, 0, std::min(2 * rx, r.width()), std::min(2 * ry, r.height()))));
    shape(path, true);
}

// QPainter's own ellipse is exact, but walks the whole outline: it draws only ellipses near
// the visible area, paid for by their span; the others are cut down first.
void MetafileDc::ellipse(const QRectF& rawBox) {
    const QRectF box = rawBox.normalized();
    QPainterPath outline;
    clip::addEllipse(outline, box, deviceRadius(box));
    if (recording_ || reachesFar(box)) {
        shape(outline, true);
        return;
    }
    if (!spendOnFigure(outline, true, true) || !spendOnEllipseSpan(box) ||
        drewInPieces(outline, true)) {
        return;
    }
    prepare(true, true);
    painter_.drawEllipse(box);
}

void MetafileDc::arc(ArcKind kind, const QRectF& rawBox, QPointF start, QPointF end) {
    const QRectF box = rawBox.normalized();
    const double from = rayAngle(box, start);
    double sweep = rayAngle(box, end) - from;
    if (sweep <= 0) {
        sweep += kFullTurn;  // figures run counter-clockwise; equal ends make a full turn
    }
    const double radius = deviceRadius(box);
    QPainterPath path;
    if (kind == ArcKind::Pie) {
        path.moveTo(box.center());
    } else {
        clip::arcMoveTo(path, box, from, radius);
    }
    clip::appendArc(path, box, from, sweep, radius);
    if (kind != ArcKind::Arc) {
        path.closeSubpath();
    }
    shape(path, kind != ArcKind::Arc);
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
    if (!spendOnFilledBox(dest)) {
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
    if (drewClipped(path_, true, false)) {
        path_ = QPainterPath();
        return;
    }
    if (!spendOnFigure(path_, true, false)) {
        return;
    }
    path_.setFillRule(state_.fillRule);
    prepare(false, true);
    painter_.drawPath(path_);
    path_ = QPainterPath();
}

void MetafileDc::strokePath() {
    if (drewClipped(path_, false, true)) {
        path_ = QPainterPath();
        return;
    }
    if (!spendOnFigure(path_, false, true)) {
        return;
    }
    if (!drewInPieces(path_, false)) {
        prepare(true, false);
        painter_.strokePath(path_, painter_.pen());
    }
    path_ = QPainterPath();
}

void MetafileDc::strokeAndFillPath() {
    if (drewClipped(path_, true, true)) {
        path_ = QPainterPath();
        return;
    }
    if (!spendOnFigure(path_, true, true)) {
        return;
    }
    path_.setFillRule(state_.fillRule);
    if (!drewInPieces(path_, true)) {
        prepare(true, true);
        painter_.drawPath(path_);
    }
    path_ = QPainterPath();
}

}  // namespace vestura
