// MetafileDc's playback work: what a record asks QPainter to do, estimated from its
// arguments in device pixels before the painter is called, and charged to one budget per
// playback.
#include <algorithm>
#include <cmath>

#include "picture/limits.h"
#include "picture/metafile/metafile_clip.h"
#include "picture/metafile/metafile_dc.h"

namespace vestura {

namespace {

// The shortest period of Qt's dash patterns, in pen widths, each with one dash.
constexpr double kShortestDashPeriod = 3;

// The length of the segment a-b inside `box`.
double clippedLength(QPointF a, QPointF b, const QRectF& box) {
    const auto [from, to] = clip::insideRange(a, b, box);
    return to > from ? (to - from) * std::hypot(b.x() - a.x(), b.y() - a.y()) : 0;
}

// Sums up an outline given point by point, on the device and in logical units: its device
// bounds, its whole length in both, its device length inside the visible area, its element
// count and how many of them are curves.
class OutlineMeasure {
public:
    OutlineMeasure(const QRectF& window, const QTransform& t) : window_(window), t_(t) {}

    void moveTo(QPointF logical) {
        const QPointF p = t_.map(logical);
        include(p);
        last_ = p;
        lastLogical_ = logical;
    }
    void lineTo(QPointF logical) {
        const QPointF p = t_.map(logical);
        include(p);
        length += std::hypot(p.x() - last_.x(), p.y() - last_.y());
        logicalLength += std::hypot(logical.x() - lastLogical_.x(), logical.y() - lastLogical_.y());
        inside += clippedLength(last_, p, window_);
        last_ = p;
        lastLogical_ = logical;
    }

    QRectF bounds() const { return QRectF(QPointF(left_, top_), QPointF(right_, bottom_)); }

    double length = 0;
    double logicalLength = 0;
    double inside = 0;
    double elements = 0;
    double curves = 0;

private:
    void include(QPointF p) {
        left_ = std::min(left_, p.x());
        right_ = std::max(right_, p.x());
        top_ = std::min(top_, p.y());
        bottom_ = std::max(bottom_, p.y());
        ++elements;
    }

    QRectF window_;
    QTransform t_;
    QPointF last_;
    QPointF lastLogical_;
    double left_ = INFINITY, top_ = INFINITY, right_ = -INFINITY, bottom_ = -INFINITY;
};

// The outline of a path, curves by their control points, whose polygon is never shorter
// than the curve.
OutlineMeasure measure(const QPainterPath& figure, const QRectF& window, const QTransform& t) {
    OutlineMeasure outline(window, t);
    for (int i = 0; i < figure.elementCount(); ++i) {
        const QPainterPath::Element e = figure.elementAt(i);
        if (e.isMoveTo()) {
            outline.moveTo(QPointF(e.x, e.y));
        } else {
            outline.lineTo(QPointF(e.x, e.y));
            outline.curves += e.isCurveTo() ? 1 : 0;
        }
    }
    return outline;
}

// Polygons, closed or not, measured as one outline.
OutlineMeasure measure(const std::vector<QPolygonF>& polygons, bool closed, const QRectF& window,
                       const QTransform& t) {
    OutlineMeasure outline(window, t);
    for (const QPolygonF& polygon : polygons) {
        if (polygon.isEmpty()) {
            continue;
        }
        outline.moveTo(polygon.front());
        for (qsizetype i = 1; i < polygon.size(); ++i) {
            outline.lineTo(polygon[i]);
        }
        if (closed) {
            outline.lineTo(polygon.front());
        }
    }
    return outline;
}

}  // namespace

bool MetafileDc::spend(double work) {
    if (exhausted_ || !(work <= workLeft_)) {
        exhausted_ = true;
        return false;
    }
    workLeft_ -= work;
    return true;
}

double MetafileDc::visibleArea(const QRectF& deviceBox) const {
    const QRectF shown = deviceBox.normalized() & visible_;
    return shown.isValid() ? shown.width() * shown.height() : 0;
}

// The pen's widest reach on the device, at least one pixel; 0 for no pen.
double MetafileDc::penPixels(const QTransform& t) const {
    const QPen& pen = state_.pen;
    if (pen.style() == Qt::NoPen) {
        return 0;
    }
    const double width = pen.isCosmetic() ? pen.widthF() : pen.widthF() * clip::largestScale(t);
    return std::isfinite(width) ? std::max(1.0, width) : INFINITY;
}

// What one dash of the painter's pen costs: QPainter outlines every dash of a geometric pen
// on its own, and a round end or join is a curve it flattens finely at the pen's size on the
// device, however the transform stretches it.
double MetafileDc::workPerDash(const QPen& pen, const QTransform& t) const {
    if (pen.isCosmetic()) {
        return limits::kMetafileDashWork;
    }
    const bool round = pen.capStyle() == Qt::RoundCap || pen.joinStyle() == Qt::RoundJoin;
    return limits::kMetafileOutlinedDashWork +
           (round ? limits::kMetafileRoundDashWork * penPixels(t) / 2 : 0);
}

// The dash pattern's units along an outline: a geometric pen's pattern is laid out in
// logical units, in pen widths; a cosmetic pen's in device pixels.
double MetafileDc::patternUnits(const QPen& pen, double logicalLength, double deviceLength) {
    return pen.isCosmetic() ? deviceLength / std::max(1.0, pen.widthF())
                            : logicalLength / pen.widthF();
}

// The work of the current pen's dashes along an outline; 0 for an unbroken pen.
double MetafileDc::dashWork(const QTransform& t, double logicalLength, double deviceLength) const {
    const QPen pen = painterPen(t);
    if (pen.style() <= Qt::SolidLine) {
        return 0;
    }
    return patternUnits(pen, logicalLength, deviceLength) / kShortestDashPeriod *
           workPerDash(pen, t);
}

double MetafileDc::patternUnitsPerPiece(const QPen& pen, const QTransform& t) const {
    return std::max(1.0, limits::kMetafileDashPieceWork / workPerDash(pen, t)) *
           kShortestDashPeriod;
}

bool MetafileDc::strokesInPieces(const QPainterPath& figure) const {
    const QTransform t = logicalToCaller();
    if (painterPen(t).isCosmetic()) {
        return false;  // a cosmetic pen is dashed pixel by pixel as it is drawn
    }
    const OutlineMeasure outline = measure(figure, visible_, t);
    return dashWork(t, outline.logicalLength, outline.length) > limits::kMetafileDashPieceWork;
}

namespace {

// What a geometric pen's outline costs QPainter beyond the pixels it covers: every element
// becomes a stretch of outline with a join, whose edges the rasteriser walks over every row
// they cross; every curve is offset to both sides, in more pieces the wider the pen; and a
// pen reaching far beyond the visible area makes QPainter clip every stretch itself.
double geometricPenElementWork(const QRectF& visible, double pen) {
    double work = limits::kMetafileStrokeElementWork +
                  std::min(pen, visible.height()) * limits::kMetafileStrokeRowWork;
    if (pen / 2 > limits::kMetafileFarFigurePixels) {
        work += limits::kMetafileFarPenElementWork;
    }
    return work;
}

double geometricPenWork(const OutlineMeasure& outline, const QRectF& visible, double pen) {
    const double perElement = geometricPenElementWork(visible, pen);
    const double perCurve =
        std::min(pen, limits::kMetafileCurveOffsetPixels) * limits::kMetafileStrokeRowWork;
    return outline.elements * perElement + outline.curves * perCurve;
}

// A figure's work from its measured outline: the painter call, its elements, the pixels it
// fills and strokes inside the visible area, the dashes of a broken pen over its whole
// length, what a geometric pen (`geometric`) costs on top, and a surcharge when it reaches
// so far out that QPainter clips it itself.
double figureWork(const OutlineMeasure& outline, const QRectF& visible, bool filled, double pen,
                  bool geometric, double dashes) {
    double work = limits::kMetafileDrawCallWork + outline.elements * limits::kMetafilePointWork;
    const QRectF bounds = outline.bounds();
    const double half = std::min(pen, 2 * (visible.width() + visible.height())) / 2;
    const QRectF reach = bounds.adjusted(-half, -half, half, half);
    const QRectF shown = reach & visible;
    const double shownArea = shown.isValid() ? shown.width() * shown.height() : 0;
    if (filled) {
        work += shownArea + outline.inside;
    }
    if (pen > 0) {
        work += std::min(outline.inside * pen, shownArea) + outline.inside + dashes;
    }
    if (geometric) {
        work += geometricPenWork(outline, visible, pen);
    }
    const double far = limits::kMetafileFarFigurePixels;
    if (!clip::within(reach, visible.adjusted(-far, -far, far, far))) {
        work += limits::kMetafileFarFigureWork;
    }
    return work;
}

}  // namespace

// A geometric pen is one QPainter outlines (a cosmetic one it draws pixel by pixel).
bool MetafileDc::geometricPen(const QTransform& t) const {
    const QPen pen = painterPen(t);
    return pen.style() != Qt::NoPen && !pen.isCosmetic();
}

double MetafileDc::strokedPointWork(const QTransform& t) const {
    return geometricPen(t) ? geometricPenElementWork(visible_, penPixels(t)) : 0;
}

bool MetafileDc::spendOnFigure(const QPainterPath& figure, bool filled, bool stroked) {
    if (recording_) {
        return spend(figure.elementCount() * limits::kMetafilePointWork);
    }
    const QTransform t = logicalToCaller();
    const double pen = stroked ? penPixels(t) : 0;
    const double margin = std::min(pen, visible_.width() + visible_.height());
    const OutlineMeasure outline =
        measure(figure, visible_.adjusted(-margin, -margin, margin, margin), t);
    const double dashes = stroked ? dashWork(t, outline.logicalLength, outline.length) : 0;
    return spend(figureWork(outline, visible_, filled, pen, stroked && geometricPen(t), dashes));
}

bool MetafileDc::spendOnFigure(const QPolygonF& points, bool closed, bool filled, bool stroked) {
    if (recording_) {
        return spend(static_cast<double>(points.size()) * limits::kMetafilePointWork);
    }
    if (points.isEmpty()) {
        return spend(limits::kMetafileDrawCallWork);
    }
    const QTransform t = logicalToCaller();
    const double pen = stroked ? penPixels(t) : 0;
    const double margin = std::min(pen, visible_.width() + visible_.height());
    OutlineMeasure outline(visible_.adjusted(-margin, -margin, margin, margin), t);
    outline.moveTo(points.front());
    for (qsizetype i = 1; i < points.size(); ++i) {
        outline.lineTo(points[i]);
    }
    if (closed) {
        outline.lineTo(points.front());
    }
    const double dashes = stroked ? dashWork(t, outline.logicalLength, outline.length) : 0;
    return spend(figureWork(outline, visible_, filled, pen, stroked && geometricPen(t), dashes));
}

bool MetafileDc::spendOnEllipseSpan(const QRectF& box) {
    const QRectF device = logicalToCaller().mapRect(box.normalized());
    return spend((device.width() + device.height()) * limits::kMetafileEllipseSpanWork);
}

bool MetafileDc::spendOnClipped(double points, const std::vector<QPolygonF>& areas,
                                const std::vector<clip::Run>& runs) {
    const QTransform t = logicalToCaller();
    double work = limits::kMetafileDrawCallWork + points * limits::kMetafileClippedPointWork;
    if (!areas.empty()) {
        work += figureWork(measure(areas, true, visible_, t), visible_, true, 0, false, 0);
    }
    if (!runs.empty()) {
        std::vector<QPolygonF> lines;
        lines.reserve(runs.size());
        for (const clip::Run& run : runs) {
            lines.push_back(run.points);
        }
        const double pen = penPixels(t);
        const double margin = std::min(pen, visible_.width() + visible_.height());
        const OutlineMeasure outline =
            measure(lines, false, visible_.adjusted(-margin, -margin, margin, margin), t);
        const double dashes = dashWork(t, outline.logicalLength, outline.length);
        // A broken pen's runs each start their pattern where the outline had it: a call each.
        const double calls = state_.pen.style() > Qt::SolidLine ? runs.size() - 1.0 : 0;
        work += figureWork(outline, visible_, false, pen, geometricPen(t), dashes) +
                calls * limits::kMetafileDrawCallWork;
    }
    return spend(work);
}

bool MetafileDc::spendOnFilledBox(const QRectF& box) {
    const QRectF device = logicalToCaller().mapRect(box.normalized());
    return spend(limits::kMetafileDrawCallWork + visibleArea(device));
}

// Setting a clip region makes the painter rasterise it over the rows it covers; an
// intersection walks every element of both regions.
bool MetafileDc::spendOnClip(const std::optional<QPainterPath>& clip) {
    double work = limits::kMetafileDrawCallWork;
    if (clip) {
        const double elements = clip->elementCount();
        const QRectF shown = clip->controlPointRect() & visible_;
        const double rows = shown.isValid() ? shown.height() : 0;
        work += elements * limits::kMetafileClipElementWork +
                rows * (1 + elements / 4) * limits::kMetafileClipRowWork;
    }
    return spend(work);
}

bool MetafileDc::spendOnBitmap(double pixels, const QRectF& dest) {
    if (!(pixels <= static_cast<double>(limits::kMetafileMaxBitmapPixels))) {
        exhausted_ = true;
        return false;
    }
    const QRectF device = logicalToCaller().mapRect(dest.normalized());
    return spend(limits::kMetafileDrawCallWork + pixels * limits::kMetafileBitmapPixelWork +
                 visibleArea(device));
}

}  // namespace vestura
