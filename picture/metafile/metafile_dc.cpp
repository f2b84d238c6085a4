#include "picture/metafile/metafile_dc.h"

#include <algorithm>
#include <cmath>

namespace vestura {

namespace {

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

}  // namespace

MetafileDc::MetafileDc(QPainter& painter, const QRectF& target, const MetafileDevice& device,
                       double workBudget)
    : painter_(painter),
      callerTransform_(painter.transform()),
      target_(target),
      device_(device),
      workLeft_(workBudget) {
    // Only this much of the device can change: the target, within the caller's clip and
    // the device itself.
    visible_ = callerTransform_.mapRect(target);
    if (painter.hasClipping()) {
        visible_ &= callerTransform_.mapRect(painter.clipBoundingRect());
    }
    if (const QPaintDevice* surface = painter.device()) {
        visible_ &= QRectF(0, 0, surface->width(), surface->height());
    }
    if (!visible_.isValid()) {
        visible_ = QRectF();
    }
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

// A new object takes the lowest empty slot, else a new one at the end; a full table drops
// it. The empty slots are kept in order, so finding one never walks the table.
void MetafileDc::addObject(GdiObject object) {
    if (!freeSlots_.empty()) {
        objects_[*freeSlots_.begin()] = std::move(object);
        freeSlots_.erase(freeSlots_.begin());
    } else if (objects_.size() < kMaxObjects) {
        objects_.emplace_back(std::move(object));
    }
}

void MetafileDc::putObject(std::size_t index, GdiObject object) {
    if (index >= kMaxObjects) {
        return;
    }
    for (std::size_t hole = objects_.size(); hole < index; ++hole) {
        freeSlots_.insert(freeSlots_.end(), hole);
    }
    if (index >= objects_.size()) {
        objects_.resize(index + 1);
    }
    objects_[index] = std::move(object);
    freeSlots_.erase(index);
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
    if (index < objects_.size() && objects_[index]) {
        objects_[index].reset();
        freeSlots_.insert(index);
    }
}

// ---- Drawing ----

QPen MetafileDc::painterPen(const QTransform& t) const {
    QPen pen = state_.pen;
    if (pen.style() != Qt::NoPen && !pen.isCosmetic() &&
        pen.widthF() * std::sqrt(std::abs(t.determinant())) < kThinPenPixels) {
        pen.setWidth(0);
        pen.setCapStyle(Qt::FlatCap);
    }
    return pen;
}

void MetafileDc::prepare(bool withPen, bool withBrush) {
    const QTransform t = logicalToCaller();
    painter_.setTransform(t);
    const QPen pen = withPen ? painterPen(t) : QPen(Qt::NoPen);
    painter_.setPen(pen);
    painter_.setBrush(withBrush ? state_.brush : QBrush(Qt::NoBrush));
    // The background mode only matters to hatched brushes and broken lines; leaving it
    // transparent otherwise keeps QPainter on its plain fill paths.
    const bool patterned = pen.style() > Qt::SolidLine || state_.brush.style() > Qt::SolidPattern;
    painter_.setBackground(state_.bkColor);
    painter_.setBackgroundMode(state_.bkOpaque && patterned ? Qt::OpaqueMode : Qt::TransparentMode);
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
    if (relative == 0 || keep < 0 || keep >= depth ||
        !spendOnClip(saved_[static_cast<std::size_t>(keep)].clip)) {
        return;
    }
    state_ = saved_[static_cast<std::size_t>(keep)];
    saved_.resize(static_cast<std::size_t>(keep));
    applyClip();
}

void MetafileDc::intersectClipRect(const QRectF& box) {
    // The intersection walks the current region, then the painter rasterises the result.
    if (!spendOnClip(state_.clip) || !spendOnClip(state_.clip)) {
        return;
    }
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
