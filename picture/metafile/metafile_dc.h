// MetafileDc: the drawing state that the WMF and EMF players share (mapping, objects,
// current pen, brush, font, colours, position, path, clip, saved states) and the drawing
// operations both formats reduce to, painted onto a QPainter mapped into a target rect.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QString>
#include <QTransform>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "picture/fonts.h"
#include "picture/limits.h"
#include "picture/metafile/metafile_clip.h"

namespace vestura {

// The mapping modes, numbered as in the metafile records.
enum class MapMode {
    Text = 1,
    LoMetric = 2,
    HiMetric = 3,
    LoEnglish = 4,
    HiEnglish = 5,
    Twips = 6,
    Isotropic = 7,
    Anisotropic = 8
};

// Where a metafile's device space lands: `frame` (in device units) fills the target rect;
// the metric mapping modes need the device units per millimetre.
struct MetafileDevice {
    QRectF frame;
    double unitsPerMmX = 1;
    double unitsPerMmY = 1;
    MapMode initialMode = MapMode::Text;
};

struct LogFont {
    int height = 0;  // logical units; negative: character height, positive: cell height
    int width = 0;
    int escapement = 0;  // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QString face;

    bool operator==(const LogFont&) const = default;
};

struct GdiObject {
    enum class Kind { Pen, Brush, Font, Other };
    GdiObject() = default;
    explicit GdiObject(QPen pen) : kind(Kind::Pen), pen(std::move(pen)) {}
    explicit GdiObject(QBrush brush) : kind(Kind::Brush), brush(std::move(brush)) {}
    explicit GdiObject(LogFont font) : kind(Kind::Font), font(std::move(font)) {}

    Kind kind = Kind::Other;
    QPen pen;
    QBrush brush;
    LogFont font;
};

// Text alignment flags as the records give them.
inline constexpr int kTextAlignUpdateCp = 1;
inline constexpr int kTextAlignRight = 2;
inline constexpr int kTextAlignCenter = 6;
inline constexpr int kTextAlignBottom = 8;
inline constexpr int kTextAlignBaseline = 24;

// Arc-shaped figures share their geometry.
enum class ArcKind { Arc, Pie, Chord };

class MetafileDc {
public:
    // Objects beyond this table index are ignored: a hostile index cannot make us allocate.
    static constexpr std::size_t kMaxObjects = limits::kMetafileMaxObjects;

    // `workBudget`: the work units this playback may spend (see limits.h).
    MetafileDc(QPainter& painter, const QRectF& target, const MetafileDevice& device,
               double workBudget = static_cast<double>(limits::kMetafileWorkBudget));
    ~MetafileDc();
    MetafileDc(const MetafileDc&) = delete;
    MetafileDc& operator=(const MetafileDc&) = delete;

    // Playback work. spend() takes `work` units from the budget; when they do not fit it
    // takes none, the budget counts as spent for good and it returns false: the players
    // then end playback, and a drawing call that was refused draws nothing.
    bool spend(double work);
    bool exhausted() const { return exhausted_; }
    double workLeft() const { return workLeft_; }
    // Charges an embedded bitmap of `pixels` decoded pixels drawn into `dest` (logical
    // units); false when it does not fit.
    bool spendOnBitmap(double pixels, const QRectF& dest);

    // Mapping.
    void setMapMode(int mode);
    void setWindowOrg(QPointF org);
    void setWindowExt(QSizeF ext);
    void setViewportOrg(QPointF org);
    void setViewportExt(QSizeF ext);
    void offsetWindowOrg(QPointF delta);
    void setWorldTransform(const QTransform& world);
    void modifyWorldTransform(const QTransform& world, int mode);

    // Attributes.
    void setBkMode(int mode) { state_.bkOpaque = mode == 2; }
    void setBkColor(QColor color) { state_.bkColor = color; }
    void setTextColor(QColor color) { state_.textColor = color; }
    void setPolyFillMode(int mode);
    void setTextAlign(int align) { state_.textAlign = align; }

    // Objects: WMF puts a new object into the lowest free slot, EMF names the slot.
    void addObject(GdiObject object);
    void putObject(std::size_t index, GdiObject object);
    void selectObject(std::size_t index);
    void selectStockObject(std::uint32_t which);
    void deleteObject(std::size_t index);

    // Drawing, in logical coordinates.
    void moveTo(QPointF point);
    void lineTo(QPointF point);
    void polyline(const QPolygonF& points);
    void polylineTo(const QPolygonF& points);
    void polygon(const QPolygonF& points);
    void polyPolygon(const std::vector<QPolygonF>& polygons);
    void polyPolyline(const std::vector<QPolygonF>& polylines);
    void polyBezier(const QPolygonF& points);
    void polyBezierTo(const QPolygonF& points);
    void rectangle(const QRectF& box);
    void roundRect(const QRectF& box, QSizeF corner);
    void ellipse(const QRectF& box);
    void arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end);
    // Draws `text` at `reference` aligned by the text-align flags; `dx` (when not empty)
    // gives each character's advance in logical units; `opaqueBox` is filled with the
    // background colour first.
    void text(QPointF reference, const QString& text, std::span<const double> dx,
              const std::optional<QRectF>& opaqueBox, const std::optional<QRectF>& clipBox);
    void image(const QRectF& dest, const QImage& image, const QRectF& source,
               std::uint32_t rasterOp);

    // Paths.
    void beginPath();
    void endPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();

    // States and clipping.
    void saveDc();
    void restoreDc(int relative);
    void intersectClipRect(const QRectF& box);

private:
    struct State {
        MapMode mapMode = MapMode::Text;
        QPointF windowOrg;
        QSizeF windowExt{1, 1};
        QPointF viewportOrg;
        QSizeF viewportExt{1, 1};
        QTransform world;
        QPen pen;
        QBrush brush;
        LogFont font;
        QColor textColor = Qt::black;
        QColor bkColor = Qt::white;
        bool bkOpaque = true;
        Qt::FillRule fillRule = Qt::OddEvenFill;
        int textAlign = 0;
        QPointF position;
        std::optional<QPainterPath> clip;  // in the caller's coordinates
    };

    // What a figure costs, from its outline in logical units, before it is drawn.
    bool spendOnFigure(const QPainterPath& figure, bool filled, bool stroked);
    bool spendOnFigure(const QPolygonF& points, bool closed, bool filled, bool stroked);
    bool spendOnFilledBox(const QRectF& box);
    // QPainter walks an ellipse's whole outline, however little of it shows.
    bool spendOnEllipseSpan(const QRectF& box);
    // What a figure cut down to the visible area costs: the `points` of its path and its
    // flattened outline, then the `areas` filled and the `runs` stroked (logical units).
    bool spendOnClipped(double points, const std::vector<QPolygonF>& areas,
                        const std::vector<clip::Run>& runs);
    bool spendOnClip(const std::optional<QPainterPath>& clip);
    double penPixels(const QTransform& t) const;
    bool geometricPen(const QTransform& t) const;
    // What the current pen adds to every point of an outline QPainter strokes under `t`.
    double strokedPointWork(const QTransform& t) const;
    // A broken pen's dashes: what each costs, how many pattern units an outline holds, what
    // they cost along an outline, and how many units one painter call may take.
    double workPerDash(const QPen& pen, const QTransform& t) const;
    static double patternUnits(const QPen& pen, double logicalLength, double deviceLength);
    double dashWork(const QTransform& t, double logicalLength, double deviceLength) const;
    double patternUnitsPerPiece(const QPen& pen, const QTransform& t) const;
    // True when the current pen's dashes along `figure` are too many for one painter call.
    bool strokesInPieces(const QPainterPath& figure) const;
    double visibleArea(const QRectF& deviceBox) const;

    QTransform pageTransform() const;
    QTransform logicalToCaller() const;
    // The current pen as the painter gets it under `t`.
    QPen painterPen(const QTransform& t) const;
    void prepare(bool withPen, bool withBrush);
    // When the current pen's dashes along `figure` are too many for one painter call: fills
    // it when asked, strokes its outline in pieces of bounded dash work, each continuing the
    // pattern where the one before ended, and returns true. Otherwise draws nothing.
    bool drewInPieces(const QPainterPath& figure, bool filled);
    bool drewInPieces(const QPolygonF& points, bool closed);
    // `offset`: the pattern units of the outline before this one.
    void strokeInPieces(const QPolygonF& outline, const QPen& pen, double unitsPerPiece,
                        double offset = 0);
    // How far the ellipse inscribed in `box` (logical units) reaches on the device.
    double deviceRadius(const QRectF& box) const;
    // True when `box` (logical units) reaches far beyond the visible area on the device, and
    // no path is being recorded.
    bool reachesFar(const QRectF& box) const;
    // When `figure` reaches far beyond the visible area: pays for and draws the part of it
    // that can show, cut down by us, and returns true (having drawn nothing when it could
    // not pay). Otherwise does nothing and returns false: QPainter draws it whole.
    bool drewClipped(const QPainterPath& figure, bool filled, bool stroked);
    void applyClip();
    // Draws a figure, or adds it to the path being recorded.
    void shape(const QPainterPath& figure, bool closed);
    void drawTextRun(QPointF reference, const QString& text, std::span<const double> dx);
    QFont deviceFont(const QString& family, double pixelSize) const;
    // The current font set up at `pixels` device pixels, when this playback still keeps it.
    const QFont* keptFont(int pixels) const;
    const QFont& keepFont(int pixels, QFont font);

    QPainter& painter_;
    QTransform callerTransform_;
    QRectF target_;
    MetafileDevice device_;
    QTransform deviceToTarget_;
    State state_;
    std::vector<State> saved_;
    std::vector<std::optional<GdiObject>> objects_;
    std::set<std::size_t> freeSlots_;        // the empty slots below objects_.size()
    std::optional<QPainterPath> recording_;  // between BEGINPATH and ENDPATH
    QPainterPath path_;                      // the path ENDPATH closed
    QRectF visible_;                         // where drawing can show, in device pixels
    FaceFamilies faces_{limits::kMetafileResolvedFaces};
    // The fonts set up for text runs, with what each was made from, oldest first. Keeping
    // a font keeps Qt's engine for it.
    struct DeviceFont {
        LogFont log;
        int pixels = 0;
        QFont font;
    };
    std::vector<DeviceFont> fonts_;
    double workLeft_;
    bool exhausted_ = false;
};

}  // namespace vestura
