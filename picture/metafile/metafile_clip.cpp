#include "picture/metafile/metafile_clip.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vestura::clip {

namespace {

constexpr double kDegreesPerRadian = 180 / M_PI;
constexpr double kQuarterTurn = 90;

// How far the usual cubic for a quarter of a circle strays from it, per unit of radius; the
// error of a piece falls with the sixth power of its angle.
constexpr double kQuarterCubicError = 2.8e-4;
// How close, in pixels, an arc stays to its ellipse, and a flattened curve to the curve.
constexpr double kArcTolerance = 1.0 / 16;
constexpr double kFlatness = 0.2;
// Past this many pieces a quarter, the coordinates themselves are too coarse to gain by more.
constexpr int kMaxPiecesPerQuarter = 64;
// Halvings of one curve before a piece counts as flat whatever its shape: the parameter
// step is then below what double precision resolves along any curve we draw.
constexpr int kMaxHalvings = 48;

int piecesPerQuarter(double deviceRadius) {
    if (!(deviceRadius > 0)) {
        return 1;
    }
    const double pieces =
        std::ceil(std::pow(kQuarterCubicError * deviceRadius / kArcTolerance, 1.0 / 6));
    // Compared as a double first: a radius of 1e300 must not overflow the conversion.
    return pieces < kMaxPiecesPerQuarter ? std::max(1, static_cast<int>(pieces))
                                         : kMaxPiecesPerQuarter;
}

// The ellipse's point and its derivative at `radians`.
struct EllipsePoint {
    QPointF at;
    QPointF tangent;
};
EllipsePoint ellipseAt(const QRectF& box, double radians) {
    const double rx = box.width() / 2;
    const double ry = box.height() / 2;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    return {box.center() + QPointF(rx * c, -ry * s), QPointF(-rx * s, -ry * c)};
}

// ---- Flattening ----

struct Cubic {
    std::array<QPointF, 4> p;
    int halvings = 0;

    QRectF bounds() const {
        const auto [left, right] = std::minmax({p[0].x(), p[1].x(), p[2].x(), p[3].x()});
        const auto [top, bottom] = std::minmax({p[0].y(), p[1].y(), p[2].y(), p[3].y()});
        return QRectF(QPointF(left, top), QPointF(right, bottom));
    }

    // The farthest the control points stray from the chord; the curve strays less.
    double deviation() const {
        const QPointF d = p[3] - p[0];
        const double length = std::hypot(d.x(), d.y());
        double most = 0;
        for (int i = 1; i <= 2; ++i) {
            const QPointF v = p[i] - p[0];
            most = std::max(most, length > 0 ? std::abs(d.x() * v.y() - d.y() * v.x()) / length
                                             : std::hypot(v.x(), v.y()));
        }
        return most;
    }

    std::pair<Cubic, Cubic> halves() const {
        const QPointF a = (p[0] + p[1]) / 2, b = (p[1] + p[2]) / 2, c = (p[2] + p[3]) / 2;
        const QPointF ab = (a + b) / 2, bc = (b + c) / 2;
        const QPointF mid = (ab + bc) / 2;
        return {Cubic{{p[0], a, ab, mid}, halvings + 1}, Cubic{{mid, bc, c, p[3]}, halvings + 1}};
    }
};

bool outside(const QRectF& bounds, const QRectF& window) {
    return bounds.right() < window.left() || bounds.left() > window.right() ||
           bounds.bottom() < window.top() || bounds.top() > window.bottom();
}

bool finite(QPointF p) {
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

class Flattener {
public:
    Flattener(const QRectF& window, std::size_t maxPoints, std::vector<QPolygonF>& out)
        : window_(window), maxPoints_(maxPoints), out_(out) {}

    bool moveTo(QPointF p) {
        out_.emplace_back();
        return add(p);
    }

    bool add(QPointF p) {
        if (!finite(p) || ++points_ > maxPoints_) {
            return false;
        }
        out_.back().append(p);
        return true;
    }

    // A piece wholly outside the window is its chord (inside the control points' bounds,
    // so outside the window as well); a piece near it is halved until it is flat.
    bool cubic(const Cubic& curve) {
        std::vector<Cubic> stack{curve};
        while (!stack.empty()) {
            const Cubic piece = stack.back();
            stack.pop_back();
            if (outside(piece.bounds(), window_) || piece.halvings >= kMaxHalvings ||
                piece.deviation() <= kFlatness) {
                if (!add(piece.p[3])) {
                    return false;
                }
                continue;
            }
            const auto [first, second] = piece.halves();
            stack.push_back(second);
            stack.push_back(first);
        }
        return true;
    }

private:
    QRectF window_;
    std::size_t maxPoints_;
    std::size_t points_ = 0;
    std::vector<QPolygonF>& out_;
};

// ---- Clipping ----

// One side of the box: a point is inside when `inside` says so; `cross` is where a segment
// from inside to outside, or back, meets the side.
struct Side {
    int axis;      // 0: x, 1: y
    double limit;  // the side's coordinate
    bool low;      // the inside lies at or above `limit`

    bool inside(QPointF p) const {
        const double v = axis == 0 ? p.x() : p.y();
        return low ? v >= limit : v <= limit;
    }
    QPointF cross(QPointF a, QPointF b) const {
        const double va = axis == 0 ? a.x() : a.y();
        const double vb = axis == 0 ? b.x() : b.y();
        const double t = (limit - va) / (vb - va);
        QPointF p = a + (b - a) * t;
        (axis == 0 ? p.rx() : p.ry()) = limit;
        return p;
    }
};

}  // namespace

double largestScale(const QTransform& t) {
    const double sum =
        t.m11() * t.m11() + t.m12() * t.m12() + t.m21() * t.m21() + t.m22() * t.m22();
    const double det = t.determinant();
    return std::sqrt((sum + std::sqrt(std::max(0.0, sum * sum - 4 * det * det))) / 2);
}

bool within(const QRectF& inner, const QRectF& outer) {
    const QRectF a = inner.normalized();
    const QRectF b = outer.normalized();
    return a.left() >= b.left() && a.right() <= b.right() && a.top() >= b.top() &&
           a.bottom() <= b.bottom();
}

QPointF arcPoint(const QRectF& box, double degrees) {
    return ellipseAt(box, degrees / kDegreesPerRadian).at;
}

void arcMoveTo(QPainterPath& path, const QRectF& box, double startDegrees, double deviceRadius) {
    if (piecesPerQuarter(deviceRadius) == 1) {
        path.arcMoveTo(box, startDegrees);
    } else {
        path.moveTo(arcPoint(box, startDegrees));
    }
}

void appendArc(QPainterPath& path, const QRectF& box, double startDegrees, double sweepDegrees,
               double deviceRadius) {
    const int perQuarter = piecesPerQuarter(deviceRadius);
    if (perQuarter == 1) {
        path.arcTo(box, startDegrees, sweepDegrees);
        return;
    }
    const double turn = std::clamp(sweepDegrees, -4 * kQuarterTurn, 4 * kQuarterTurn);
    const int pieces =
        std::max(1, static_cast<int>(std::ceil(std::abs(turn) / kQuarterTurn * perQuarter)));
    const double step = turn / pieces / kDegreesPerRadian;
    const double start = startDegrees / kDegreesPerRadian;
    // The usual tangent length for a piece of `step` radians of a circle, stretched with it.
    const double k = 4.0 / 3 * std::tan(step / 4);
    EllipsePoint from = ellipseAt(box, start);
    path.lineTo(from.at);
    for (int i = 1; i <= pieces; ++i) {
        const EllipsePoint to = ellipseAt(box, start + i * step);
        path.cubicTo(from.at + from.tangent * k, to.at - to.tangent * k, to.at);
        from = to;
    }
}

void addEllipse(QPainterPath& path, const QRectF& box, double deviceRadius) {
    if (piecesPerQuarter(deviceRadius) == 1) {
        path.addEllipse(box);
        return;
    }
    path.moveTo(arcPoint(box, 0));
    appendArc(path, box, 0, -4 * kQuarterTurn, deviceRadius);  // clockwise, as Qt's
    path.closeSubpath();
}

void addRoundedRect(QPainterPath& path, const QRectF& box, double rx, double ry,
                    double deviceRadius) {
    const QRectF r = box.normalized();
    if (piecesPerQuarter(deviceRadius) == 1 || !(rx > 0) || !(ry > 0) || r.isNull()) {
        path.addRoundedRect(r, rx, ry, Qt::AbsoluteSize);
        return;
    }
    // Each corner is a quarter of an ellipse 2 rx x 2 ry, no wider than the rectangle.
    const double w = std::min(2 * rx, r.width());
    const double h = std::min(2 * ry, r.height());
    const QRectF topLeft(r.left(), r.top(), w, h);
    path.moveTo(arcPoint(topLeft, 2 * kQuarterTurn));
    appendArc(path, topLeft, 2 * kQuarterTurn, -kQuarterTurn, deviceRadius);
    appendArc(path, topLeft.translated(r.width() - w, 0), kQuarterTurn, -kQuarterTurn,
              deviceRadius);
    appendArc(path, QRectF(r.right() - w, r.bottom() - h, w, h), 0, -kQuarterTurn, deviceRadius);
    appendArc(path, QRectF(r.left(), r.bottom() - h, w, h), 3 * kQuarterTurn, -kQuarterTurn,
              deviceRadius);
    path.closeSubpath();
}

bool flatten(const QPainterPath& path, const QRectF& window, std::size_t maxPoints,
             std::vector<QPolygonF>& out) {
    Flattener flattener(window, maxPoints, out);
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QPointF p(e.x, e.y);
        bool ok = true;
        if (e.isMoveTo() || out.empty()) {
            ok = flattener.moveTo(p);
        } else if (e.isLineTo()) {
            ok = flattener.add(p);
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            ok = flattener.cubic(
                Cubic{{out.back().back(), p, QPointF(c2.x, c2.y), QPointF(end.x, end.y)}});
            i += 2;
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

QPolygonF clipPolygon(const QPolygonF& polygon, const QRectF& box) {
    const Side sides[] = {{0, box.left(), true},
                          {0, box.right(), false},
                          {1, box.top(), true},
                          {1, box.bottom(), false}};
    QPolygonF result = polygon;
    for (const Side& side : sides) {
        if (result.isEmpty()) {
            break;
        }
        QPolygonF kept;
        kept.reserve(result.size() + 4);
        QPointF previous = result.back();
        bool previousInside = side.inside(previous);
        for (const QPointF& p : result) {
            const bool pInside = side.inside(p);
            if (pInside != previousInside) {
                kept.append(side.cross(previous, p));
            }
            if (pInside) {
                kept.append(p);
            }
            previous = p;
            previousInside = pInside;
        }
        result = std::move(kept);
    }
    return result;
}

std::pair<double, double> insideRange(QPointF a, QPointF b, const QRectF& box) {
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    double from = 0;
    double to = 1;
    const double p[] = {-dx, dx, -dy, dy};
    const double q[] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(),
                        box.bottom() - a.y()};
    for (int k = 0; k < 4 && from <= to; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) {
                return {1, 0};  // parallel to that side, and outside it
            }
        } else if (const double r = q[k] / p[k]; p[k] < 0) {
            from = std::max(from, r);
        } else {
            to = std::min(to, r);
        }
    }
    return {from, to};
}

std::vector<Run> clipPolyline(const QPolygonF& line, const QRectF& box, const QTransform& units,
                              bool joinEnds) {
    std::vector<Run> runs;
    if (line.size() < 2) {
        return runs;
    }
    const auto measure = [&units](QPointF a, QPointF b) {
        const QPointF d = b - a;
        return std::hypot(units.m11() * d.x() + units.m21() * d.y(),
                          units.m12() * d.x() + units.m22() * d.y());
    };
    double walked = 0;
    bool open = false;  // the last run goes on
    bool firstAtStart = false;
    for (qsizetype i = 1; i < line.size(); ++i) {
        const QPointF a = line[i - 1];
        const QPointF b = line[i];
        const auto [from, to] = insideRange(a, b, box);
        const double length = measure(a, b);
        if (from <= to && std::isfinite(from) && std::isfinite(to)) {
            const QPointF enter = from > 0 ? a + (b - a) * from : a;
            const QPointF leave = to < 1 ? a + (b - a) * to : b;
            if (!open || from > 0) {
                runs.push_back({QPolygonF{enter}, walked + length * from});
                if (i == 1 && from == 0) {
                    firstAtStart = true;
                }
            }
            runs.back().points.append(leave);
            open = to >= 1;
        } else {
            open = false;
        }
        walked += length;
    }
    const bool ring = line.front() == line.back();
    if (joinEnds && ring && open && firstAtStart && runs.size() > 1) {
        QPolygonF& last = runs.back().points;
        last.append(runs.front().points.mid(1));
        runs.erase(runs.begin());
    }
    return runs;
}

}  // namespace vestura::clip
