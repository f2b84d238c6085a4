// Geometry for figures much larger than what shows of them: arcs built close enough to the
// ellipse at any size, and outlines cut down to a window in device pixels before QPainter
// sees them, so that what a figure costs follows what can show, not how far it reaches.
#pragma once

#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QTransform>
#include <cstddef>
#include <utility>
#include <vector>

namespace vestura::clip {

// How far a logical unit can reach on the device: the larger singular value of the
// transform's linear part.
double largestScale(const QTransform& t);

// True when `inner` lies within `outer`, edges included, whatever their widths (unlike
// QRectF::contains, which counts no line as inside); false for a coordinate that is NaN.
bool within(const QRectF& inner, const QRectF& outer);

// The point at `degrees` (counter-clockwise from 3 o'clock, as Qt counts) on the ellipse
// inscribed in `box`.
QPointF arcPoint(const QRectF& box, double degrees);

// Appends to `path`, whose current point is the arc's start, the arc of the ellipse inscribed
// in `box` from `startDegrees` over `sweepDegrees`. Where the ellipse reaches at most
// `deviceRadius` pixels from its centre, this is the arc QPainterPath::arcTo makes; larger
// arcs are cut into more cubic pieces, so that they stay within a fraction of a pixel of the
// ellipse however far they reach (as far as double precision goes).
// Starts a new subpath at the arc's start, where appendArc() takes it from.
void arcMoveTo(QPainterPath& path, const QRectF& box, double startDegrees, double deviceRadius);
void appendArc(QPainterPath& path, const QRectF& box, double startDegrees, double sweepDegrees,
               double deviceRadius);
void addEllipse(QPainterPath& path, const QRectF& box, double deviceRadius);
// A rectangle with elliptic corners of radii `rx` x `ry` (logical units), as
// QPainterPath::addRoundedRect(…, Qt::AbsoluteSize) makes it.
void addRoundedRect(QPainterPath& path, const QRectF& box, double rx, double ry,
                    double deviceRadius);

// Flattens `path` (device pixels, lines and cubics) into one polygon per subpath: finely
// (within a fraction of a pixel) wherever a piece comes near `window`, by a single chord
// wherever a piece lies wholly outside it. Such a chord lies outside the window too, so the
// polygons cover and cross the window exactly as the path does. Returns false, with `out`
// incomplete, when that takes more than `maxPoints` points, or when a point is not finite.
bool flatten(const QPainterPath& path, const QRectF& window, std::size_t maxPoints,
             std::vector<QPolygonF>& out);

// The part of `polygon` (taken as closed) inside `box`; the winding number of every point
// inside `box` is kept, so either fill rule fills there as before.
QPolygonF clipPolygon(const QPolygonF& polygon, const QRectF& box);

// The part of the segment a-b inside `box`, as the range [from, to] of its parameter (0 at a,
// 1 at b), by Liang-Barsky; from > to when no part is.
std::pair<double, double> insideRange(QPointF a, QPointF b, const QRectF& box);

// A stretch of a polyline inside a box, with the length of the polyline before it measured
// in the caller's units (for a broken pen's pattern).
struct Run {
    QPolygonF points;
    double before = 0;
};

// The stretches of `line` inside `box`. `units` maps a device vector to the units `before`
// counts (its translation is ignored). When `joinEnds` is set and the line is a closed ring
// (last point equal to the first) that ends and starts inside the box, the last stretch and
// the first are joined into one, so the ring's corner at its start keeps its join.
std::vector<Run> clipPolyline(const QPolygonF& line, const QRectF& box, const QTransform& units,
                              bool joinEnds);

}  // namespace vestura::clip
