// Metafile playback work: a spent budget ends playback and keeps what was drawn; the
// object table numbers new objects as before; ordinary pictures are far from the budget.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFileInfo>
#include <QPaintEngine>
#include <QPainter>
#include <QtMath>
#include <climits>
#include <cmath>
#include <functional>
#include <ostream>

#include "common/file_io.h"
#include "picture/limits.h"
#include "picture/metafile/metafile.h"
#include "picture/metafile/metafile_clip.h"
#include "tests/support/metafile_builder.h"

namespace vestura {
namespace {

using test::EmfBuilder;
using test::WmfBuilder;

constexpr QRgb kBackground = 0xFF00FF00;
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr int kSolid = 0;
constexpr int kNullPen = 5;
constexpr double kUnlimited = 1e18;
constexpr std::uint16_t kWmfDeleteObject = 0x01F0;

QImage canvas(QSize size = QSize(64, 64)) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(kBackground);
    return image;
}

// Plays `file` onto `image` with `budget` units; returns the units spent.
double play(const Bytes& file, QImage& image, double budget) {
    TMetafile metafile;
    metafile.loadFromBytes(file);
    QPainter painter(&image);
    return budget - metafile.drawWithBudget(painter, image.rect(), budget);
}

int countPixels(const QImage& image, QRgb color, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += image.pixel(x, y) == color;
        }
    }
    return count;
}

const QRect kLeftHalf(0, 0, 32, 64);
const QRect kRightHalf(32, 0, 32, 64);

// Red over the left half, then the blue brush selected for what follows.
WmfBuilder wmfLeftHalfRed() {
    WmfBuilder wmf(0, 0, 64, 64, 96);
    wmf.createPen(kNullPen, 0, Qt::black)  // object 0
        .selectObject(0)
        .createBrush(kSolid, Qt::red)   // 1
        .createBrush(kSolid, Qt::blue)  // 2
        .selectObject(1)
        .rectangle(0, 0, 32, 64)
        .selectObject(2);
    return wmf;
}

QImage blueDib() {
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(kBlue);
    return picture;
}

struct StopCase {
    const char* name;
    // Paints the right half blue.
    std::function<void(WmfBuilder&)> rightHalf;
};

class MetafileBudget : public testing::TestWithParam<StopCase> {};

// The budget covers the left half and a little more: enough for a tiny record, not for the
// one that paints the right half. Playback ends at that record; the tiny record after it is
// not drawn although it alone would fit.
TEST_P(MetafileBudget, EndsPlaybackAtTheRecordItCannotPayForAndKeepsWhatWasDrawn) {
    QImage probe = canvas();
    const double prefix = play(wmfLeftHalfRed().build(), probe, kUnlimited);

    WmfBuilder wmf = wmfLeftHalfRed();
    GetParam().rightHalf(wmf);
    const Bytes file = wmf.rectangle(0, 0, 2, 2).build();  // blue, tiny

    QImage whole = canvas();
    play(file, whole, kUnlimited);
    ASSERT_EQ(countPixels(whole, kBlue, kRightHalf), 32 * 64) << "the case must paint";

    QImage cut = canvas();
    const double budget = prefix + limits::kMetafileRecordWork + 1000;
    EXPECT_LE(play(file, cut, budget), budget);
    EXPECT_EQ(countPixels(cut, kRed, kLeftHalf), 32 * 64);
    EXPECT_EQ(countPixels(cut, kBackground, kRightHalf), 32 * 64);
}

INSTANTIATE_TEST_SUITE_P(
    Records, MetafileBudget,
    testing::Values(StopCase{"Rectangle", [](WmfBuilder& w) { w.rectangle(32, 0, 64, 64); }},
                    StopCase{"Polygon",
                             [](WmfBuilder& w) {
                                 w.polygon({{32, 0}, {64, 0}, {64, 64}, {32, 64}});
                             }},
                    StopCase{"StretchDib",
                             [](WmfBuilder& w) {
                                 w.stretchDib(QRect(32, 0, 32, 64), test::dib24(blueDib()),
                                              QSize(4, 4));
                             }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MetafileBudget, EmfPlaybackEndsTheSameWay) {
    const auto left = [] {
        EmfBuilder emf(0, 0, 1700, 1700, QSize(64, 64), QSize(17, 17));
        emf.selectObject(test::kEmfStockNullPen)
            .createBrush(1, kSolid, Qt::red)
            .createBrush(2, kSolid, Qt::blue)
            .selectObject(1)
            .rectangle(0, 0, 32, 64)
            .selectObject(2);
        return emf;
    };
    QImage probe = canvas();
    const double prefix = play(left().build(), probe, kUnlimited);
    const Bytes file = left().rectangle(32, 0, 64, 64).rectangle(0, 0, 2, 2).build();
    QImage cut = canvas();
    play(file, cut, prefix + limits::kMetafileRecordWork + 1000);
    EXPECT_EQ(countPixels(cut, kRed, kLeftHalf), 32 * 64);
    EXPECT_EQ(countPixels(cut, kBackground, kRightHalf), 32 * 64);
}

TEST(MetafileBudget, AnEmbeddedBitmapIsPaidForByItsDecodedSize) {
    // A 1 x 4096 strip drawn into a 1-pixel box costs its 4096 decoded pixels.
    QImage strip(4096, 1, QImage::Format_RGB32);
    strip.fill(kBlue);
    const Bytes file = WmfBuilder(0, 0, 64, 64, 96)
                           .stretchDib(QRect(0, 0, 1, 1), test::dib24(strip), strip.size())
                           .build();
    QImage image = canvas();
    EXPECT_GE(play(file, image, kUnlimited), 4096 * limits::kMetafileBitmapPixelWork);
}

// ---- Broken pens ----

constexpr int kDotPen = 2;
constexpr int kFlatEnds = 0x1200;  // flat caps, bevel joins

TEST(MetafileBudget, ABrokenPenIsPaidForByItsDotsInThePensOwnUnits) {
    // One column stretched a thousandfold across and squeezed as much along: its 5,461
    // round dots lie within a few pixels, each a 2000-pixel sliver QPainter outlines finely.
    const Bytes file = EmfBuilder(0, 0, 1700, 1700, QSize(64, 64), QSize(17, 17))
                           .setWorldTransform(QTransform(1000, 0, 0, 0.001, 0, 0))
                           .createPen(1, kDotPen, 2, Qt::black)
                           .selectObject(1)
                           .polyline16({QPoint(0, 0), QPoint(0, 32767)})
                           .build();
    QImage image = canvas();
    play(file, image, static_cast<double>(limits::kMetafileWorkBudget));
    EXPECT_EQ(countPixels(image, kBackground, image.rect()), 64 * 64);
}

TEST(MetafileBudget, ALongBrokenLineDrawnInPiecesKeepsItsPattern) {
    // 249 columns of 500 pixels, 20,000 dots: several pieces' worth.
    std::vector<QPoint> points;
    for (int i = 0; i < 249; ++i) {
        points.emplace_back(4 + 2 * i, i % 2 == 0 ? 4 : 504);
    }
    const QSize size(512, 512);
    const Bytes file = EmfBuilder(0, 0, 13600, 13600, size, QSize(136, 136))
                           .createPen(1, kDotPen | kFlatEnds, 2, Qt::black)
                           .selectObject(1)
                           .polyline16(points)
                           .build();
    QImage pieces = canvas(size);
    play(file, pieces, kUnlimited);
    QImage whole = canvas(size);
    {
        QPainter painter(&whole);
        QPen pen(Qt::black, 2, Qt::DotLine, Qt::FlatCap, Qt::BevelJoin);
        painter.setPen(pen);
        painter.setBackground(Qt::white);  // a metafile's gaps are filled by default
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.drawPolyline(QPolygon(QList<QPoint>(points.begin(), points.end())));
    }
    // Where two pieces meet, the cut ends and restarts a dot: a few pixels each.
    int differ = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            differ += pieces.pixel(x, y) != whole.pixel(x, y);
        }
    }
    EXPECT_LT(differ, 100);
}

// ---- Fonts ----

// A face name no installed font has.
QString unknownFace(int i) {
    return QStringLiteral("Vzq Unmatched %1").arg(i);
}

// One short run of text for every font, each made for it: a face and a character height.
using Font = std::pair<QString, int>;
double spentOnText(const std::vector<Font>& fonts) {
    EmfBuilder emf(0, 0, 1700, 1700, QSize(64, 64), QSize(17, 17));
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        emf.createFont(1, -fonts[i].second, fonts[i].first).selectObject(1).textOut(0, 8, "Ab");
    }
    QImage image = canvas();
    return play(emf.build(), image, kUnlimited);
}

// How many of the runs paid for a new face and font: what they spent beyond as many runs
// in one font, which pays once.
double newFontsPaidFor(const std::vector<Font>& fonts) {
    const std::vector<Font> one(fonts.size(), fonts.front());
    return (spentOnText(fonts) - spentOnText(one)) /
               (limits::kMetafileFaceMatchWork + limits::kMetafileFontSetupWork) +
           1;
}

TEST(MetafileBudget, EachDistinctFaceAndFontIsPaidForOnceWhateverItsRuns) {
    constexpr int kRuns = 40;
    std::vector<Font> distinct, same;
    for (int i = 0; i < kRuns; ++i) {
        distinct.emplace_back(unknownFace(i), 12);
        same.emplace_back(unknownFace(0), 12);
    }
    EXPECT_NEAR(newFontsPaidFor(distinct), kRuns, 0.5);
    EXPECT_LT(spentOnText(same) - spentOnText({same[0]}),
              (kRuns - 1) * limits::kMetafileFontSetupWork / 8);

    // One face in many sizes: each size a new font, the face resolved once.
    std::vector<Font> sizes;
    for (int i = 0; i < kRuns; ++i) {
        sizes.emplace_back(unknownFace(0), 8 + i);
    }
    const double spentOnSizes = spentOnText(sizes) - spentOnText(same);
    EXPECT_GE(spentOnSizes, (kRuns - 1) * limits::kMetafileFontSetupWork);
    EXPECT_LT(spentOnSizes, (kRuns - 1) * limits::kMetafileFontSetupWork +
                                limits::kMetafileFaceMatchWork);
}

TEST(MetafileBudget, APlaybackKeepsItsLastFacesAndFontsAndPaysAgainForOnesItLetGo) {
    // Every face twice, in turn: all kept, each paid for once; one more than are kept,
    // each is let go before its turn comes again.
    const auto inTurn = [](std::size_t faces) {
        std::vector<Font> runs;
        for (std::size_t i = 0; i < 2 * faces; ++i) {
            runs.emplace_back(unknownFace(static_cast<int>(i % faces)), 12);
        }
        return newFontsPaidFor(runs);
    };
    static_assert(limits::kMetafileResolvedFaces == limits::kMetafileKeptFonts);
    constexpr std::size_t kKept = limits::kMetafileResolvedFaces;
    EXPECT_NEAR(inTurn(kKept), kKept, 0.5);
    EXPECT_NEAR(inTurn(kKept + 1), 2 * (kKept + 1), 0.5);
}

// ---- Object table ----

WmfBuilder& brush(WmfBuilder& wmf, QColor color) {
    return wmf.createBrush(kSolid, color);
}

// Fills the 16 x 16 box number `box` (0..15, row by row) with object `index`.
WmfBuilder& paintWith(WmfBuilder& wmf, int index, int box) {
    const int x = box % 4 * 16, y = box / 4 * 16;
    return wmf.selectObject(index).rectangle(x, y, x + 16, y + 16);
}

QRgb boxColour(const QImage& image, int box) {
    return image.pixel(box % 4 * 16 + 8, box / 4 * 16 + 8);
}

TEST(MetafileObjectTable, ANewObjectTakesTheLowestFreeSlot) {
    WmfBuilder wmf(0, 0, 64, 64, 96);
    brush(wmf, Qt::red);    // 0
    brush(wmf, Qt::green);  // 1
    brush(wmf, Qt::blue);   // 2
    wmf.record(kWmfDeleteObject, {1});
    brush(wmf, Qt::yellow);  // 1 again
    wmf.record(kWmfDeleteObject, {0});
    wmf.record(kWmfDeleteObject, {2});
    brush(wmf, Qt::cyan);     // 0
    brush(wmf, Qt::magenta);  // 2
    brush(wmf, Qt::white);    // 3
    for (int index = 0; index < 4; ++index) {
        paintWith(wmf, index, index);
    }
    QImage image = canvas();
    play(wmf.build(), image, kUnlimited);
    EXPECT_EQ(boxColour(image, 0), qRgb(0, 255, 255));
    EXPECT_EQ(boxColour(image, 1), qRgb(255, 255, 0));
    EXPECT_EQ(boxColour(image, 2), qRgb(255, 0, 255));
    EXPECT_EQ(boxColour(image, 3), qRgb(255, 255, 255));
}

TEST(MetafileObjectTable, AFullTableDropsNewObjectsUntilOneIsDeleted) {
    WmfBuilder wmf(0, 0, 64, 64, 96);
    for (std::size_t i = 0; i < limits::kMetafileMaxObjects; ++i) {
        brush(wmf, Qt::red);
    }
    brush(wmf, Qt::blue);  // no room: dropped
    wmf.record(kWmfDeleteObject, {7});
    brush(wmf, Qt::yellow);  // 7
    paintWith(wmf, 7, 0);
    paintWith(wmf, static_cast<int>(limits::kMetafileMaxObjects - 1), 1);
    QImage image = canvas();
    play(wmf.build(), image, kUnlimited);
    EXPECT_EQ(boxColour(image, 0), qRgb(255, 255, 0));
    EXPECT_EQ(boxColour(image, 1), qRgb(255, 0, 0));
}

// ---- Figures far larger than the canvas ----

// A paint device that draws nothing and notes how far, in device pixels, the geometry
// QPainter hands its engine reaches: QPainter's own cost follows that, not what shows.
class ReachDevice : public QPaintDevice {
public:
    explicit ReachDevice(QSize size) : size_(size) {}
    QPaintEngine* paintEngine() const override { return &engine_; }

    // The union of every figure's device bounds, pens aside.
    QRectF reach() const { return engine_.reach; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        constexpr int kDpi = 96;
        switch (metric) {
            case PdmWidth:
                return size_.width();
            case PdmHeight:
                return size_.height();
            case PdmWidthMM:
                return size_.width() * 254 / (kDpi * 10);
            case PdmHeightMM:
                return size_.height() * 254 / (kDpi * 10);
            case PdmNumColors:
                return INT_MAX;
            case PdmDepth:
                return 32;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
            default:
                return kDpi;
        }
    }

private:
    class Engine : public QPaintEngine {
    public:
        Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        Type type() const override { return QPaintEngine::User; }
        void updateState(const QPaintEngineState& state) override {
            if (state.state() & QPaintEngine::DirtyTransform) {
                transform_ = state.transform();
            }
        }
        void drawPath(const QPainterPath& path) override {
            note(transform_.map(path).controlPointRect());
        }
        void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override {
            note(transform_.map(QPolygonF(QList<QPointF>(points, points + count))).boundingRect());
        }
        void drawEllipse(const QRectF& box) override { note(transform_.mapRect(box)); }
        void drawPixmap(const QRectF& target, const QPixmap&, const QRectF&) override {
            note(transform_.mapRect(target));
        }
        void drawTextItem(const QPointF&, const QTextItem&) override {}

        QRectF reach;

    private:
        void note(const QRectF& bounds) { reach = reach.isNull() ? bounds : reach | bounds; }
        QTransform transform_;
    };

    QSize size_;
    mutable Engine engine_;
};

constexpr int kGeometric = 0x10000;
constexpr int kArcDegrees = 20;
constexpr int kGiant = 10'000'000;  // logical units: far beyond QPainter's own coordinates

// The box of a circle of radius kGiant whose point at kArcDegrees (counter-clockwise from
// 3 o'clock) lies at `at`.
QRect giantCircle(QPointF at) {
    const double a = qDegreesToRadians(kArcDegrees);
    const QPointF centre = at - QPointF(kGiant * std::cos(a), -kGiant * std::sin(a));
    const QPoint c = centre.toPoint();
    return QRect(QPoint(c.x() - kGiant, c.y() - kGiant), QPoint(c.x() + kGiant, c.y() + kGiant));
}

// A point on the circle's ray at `degrees`.
QPoint giantRay(const QRect& box, int degrees) {
    const double a = qDegreesToRadians(degrees);
    return (QPointF(box.center()) + QPointF(kGiant * std::cos(a), -kGiant * std::sin(a))).toPoint();
}

constexpr std::uint32_t kEmfRoundRect = 44;
constexpr std::uint32_t kEmfArc = 45;
constexpr std::uint32_t kEmfChord = 46;
constexpr std::uint32_t kEmfPie = 47;
constexpr std::uint32_t kEmfPolyBezier16 = 85;
constexpr std::uint32_t kEmfBeginPath = 59;
constexpr std::uint32_t kEmfEndPath = 60;
constexpr std::uint32_t kEmfStrokeAndFillPath = 63;
constexpr std::uint32_t kEmfStockNullBrush = 0x80000005;

// A figure through the picture's centre on the giant circle, in red with the black pen.
struct GiantCase {
    const char* name;
    bool filled;  // the circle's inside is filled
    std::function<void(EmfBuilder&, const QRect& circle)> draw;
};

void arcRecord(EmfBuilder& emf, std::uint32_t type, const QRect& box) {
    const QPoint from = giantRay(box, kArcDegrees - 10);
    const QPoint to = giantRay(box, kArcDegrees + 10);
    emf.record(type, {box.left(), box.top(), box.right(), box.bottom(), from.x(), from.y(), to.x(),
                      to.y()});
}

const GiantCase kGiantCases[] = {
    {"Ellipse", true,
     [](EmfBuilder& e, const QRect& c) { e.ellipse(c.left(), c.top(), c.right(), c.bottom()); }},
    {"Pie", true, [](EmfBuilder& e, const QRect& c) { arcRecord(e, kEmfPie, c); }},
    {"Chord", true, [](EmfBuilder& e, const QRect& c) { arcRecord(e, kEmfChord, c); }},
    {"Arc", false, [](EmfBuilder& e, const QRect& c) { arcRecord(e, kEmfArc, c); }},
    {"RoundRectCorner", true,
     [](EmfBuilder& e, const QRect& c) {
         // The top right corner is the circle's quarter; the rectangle reaches further left
         // and down.
         e.record(kEmfRoundRect, {c.left() - kGiant, c.top(), c.right(), c.bottom() + kGiant,
                                  2 * kGiant, 2 * kGiant});
     }},
    {"EllipseInAPath", true,
     [](EmfBuilder& e, const QRect& c) {
         e.record(kEmfBeginPath, {});
         e.ellipse(c.left(), c.top(), c.right(), c.bottom());
         e.record(kEmfEndPath, {}).record(kEmfStrokeAndFillPath, {0, 0, 0, 0});
     }},
};

constexpr int kSide = 64;

Bytes giantFigure(const GiantCase& c) {
    EmfBuilder emf(0, 0, 1700, 1700, QSize(kSide, kSide), QSize(17, 17));
    emf.createBrush(1, kSolid, Qt::red).selectObject(1);
    c.draw(emf, giantCircle(QPointF(kSide / 2, kSide / 2)));
    return emf.build();
}

void PrintTo(const GiantCase& c, std::ostream* out) {
    *out << c.name;
}

class GiantFigure : public testing::TestWithParam<GiantCase> {};

// The circle's outline crosses every row near x = 32, bending by less than a pixel; the
// pen is drawn where the circle is, its inside (to the left) is filled, its outside is not.
TEST_P(GiantFigure, ShowsItsOutlineWhereItCrossesTheCanvas) {
    QImage image = canvas(QSize(kSide, kSide));
    play(giantFigure(GetParam()), image, static_cast<double>(limits::kMetafileWorkBudget));
    const QRect box = giantCircle(QPointF(kSide / 2, kSide / 2));
    const QPointF centre = QRectF(box).center();
    for (int y = 8; y < kSide - 8; ++y) {
        SCOPED_TRACE(y);
        const double dy = y + 0.5 - centre.y();
        const double x = centre.x() + std::sqrt(double{kGiant} * kGiant - dy * dy);
        const int column = static_cast<int>(std::floor(x));
        int pen = 0;
        for (int dx = -2; dx <= 2; ++dx) {
            pen += image.pixel(column + dx, y) == qRgb(0, 0, 0);
        }
        EXPECT_GE(pen, 1);
        EXPECT_EQ(image.pixel(column - 4, y), GetParam().filled ? kRed : kBackground);
        EXPECT_EQ(image.pixel(column + 4, y), kBackground);
    }
}

INSTANTIATE_TEST_SUITE_P(Records, GiantFigure, testing::ValuesIn(kGiantCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A broken pen on a giant ellipse: the dashes along the crossing are drawn (the pattern
// over the whole outline would cost far more than the budget), with gaps between them.
TEST(GiantFigure, ShowsABrokenPensDashesWhereItCrossesTheCanvas) {
    constexpr int kDash = 1;
    for (const int width : {0, 3}) {
        SCOPED_TRACE(width);
        const QRect box = giantCircle(QPointF(kSide / 2, kSide / 2));
        EmfBuilder emf(0, 0, 1700, 1700, QSize(kSide, kSide), QSize(17, 17));
        emf.createPen(1, (width > 0 ? kGeometric : 0) | kDash | kFlatEnds, width, Qt::black)
            .selectObject(1)
            .selectObject(kEmfStockNullBrush)
            .ellipse(box.left(), box.top(), box.right(), box.bottom());
        QImage image = canvas(QSize(kSide, kSide));
        play(emf.build(), image, static_cast<double>(limits::kMetafileWorkBudget));
        int dashed = 0;
        for (int y = 0; y < kSide; ++y) {
            dashed += countPixels(image, qRgb(0, 0, 0), QRect(0, y, kSide, 1)) > 0;
        }
        EXPECT_GT(dashed, kSide / 4);
        EXPECT_LT(dashed, kSide * 7 / 8);
    }
}

// What playback hands QPainter reaches no further than the visible area's near margin,
// whatever the figures span: the kept fuzzing finds (QPainter's own ellipse walked all of
// a 10^12-pixel outline to show 48 x 48 pixels), the giant figures above, and the same
// stretched by a world transform. Each finishes well within the budget.
struct ReachCase {
    std::string name;
    Bytes file;
};

std::vector<ReachCase> reachCases() {
    std::vector<ReachCase> cases;
    QDirIterator it(QStringLiteral(VESTURA_CATALOGUE_DIR) + "../fuzz/crashes/metafile",
                    QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        cases.push_back(
            {QFileInfo(path).completeBaseName().toStdString(), readWholeFile(path.toStdString())});
    }
    for (const GiantCase& c : kGiantCases) {
        cases.push_back({c.name, giantFigure(c)});
        // A picture-sized ellipse, pie and polygon a world transform makes a million times larger.
        EmfBuilder emf(0, 0, 1700, 1700, QSize(kSide, kSide), QSize(17, 17));
        emf.createBrush(1, kSolid, Qt::red).selectObject(1);
        emf.setWorldTransform(QTransform(1e6, 0, 0, 1e6, -31.5e6, -31.5e6));
        c.draw(emf, QRect(2, 2, 60, 60));
        cases.push_back({std::string(c.name) + "Stretched", emf.build()});
    }
    return cases;
}

TEST(MetafileBudget, QPainterIsOnlyHandedFiguresNearWhatShows) {
    const std::vector<ReachCase> cases = reachCases();
    ASSERT_GE(cases.size(), 2 * std::size(kGiantCases) + 2);
    for (const ReachCase& c : cases) {
        TMetafile metafile;
        metafile.loadFromBytes(c.file);
        for (const QSize size :
             {QSize(48, 48), QSize(metafile.width(), metafile.height()), QSize(1024, 1024)}) {
            if (size.isEmpty()) {
                continue;  // nothing is drawn
            }
            SCOPED_TRACE(c.name + " at " + std::to_string(size.width()) + "x" +
                         std::to_string(size.height()));
            ReachDevice device(size);
            double left = 0;
            {
                QPainter painter(&device);
                left = metafile.drawWithBudget(painter, QRect(QPoint(), size),
                                               static_cast<double>(limits::kMetafileWorkBudget));
            }
            const double margin = limits::kMetafileNearFigurePixels + 4;
            EXPECT_TRUE(
                device.reach().isNull() ||
                clip::within(device.reach(),
                             QRectF(QPoint(), size).adjusted(-margin, -margin, margin, margin)))
                << device.reach().x() << "," << device.reach().y() << " " << device.reach().width()
                << "x" << device.reach().height();
            EXPECT_GT(left, static_cast<double>(limits::kMetafileWorkBudget) / 2);
        }
    }
}

// Figures whose cost QPainter does not bound by what shows, on a 48 x 48 canvas: each is
// paid for by what it makes QPainter do, so that one playback fits at most `perPlayback`
// of them (what QPainter takes for that many, measured, is well under a second).
struct CostlyCase {
    const char* name;
    double perPlayback;
    std::function<void(EmfBuilder&)> once;
};

std::vector<QPoint> zigzag(int points) {
    std::vector<QPoint> line;
    for (int i = 0; i < points; ++i) {
        line.emplace_back(20 + i % 2 * 8, 4 + i % 40);
    }
    return line;
}

void polyBezier16(EmfBuilder& emf, const std::vector<QPoint>& points) {
    std::vector<std::int32_t> values{0, 0, 0, 0, static_cast<std::int32_t>(points.size())};
    for (const QPoint& p : points) {
        values.push_back((p.x() & 0xFFFF) | p.y() << 16);
    }
    emf.record(kEmfPolyBezier16, values);
}

const CostlyCase kCostlyCases[] = {
    // QPainter's ellipse walks its whole outline, 12,000 pixels across (about 50 us).
    {"EllipseAroundTheCanvas", 20'000, [](EmfBuilder& e) { e.ellipse(-2000, -4000, 4000, 2000); }},
    // A pen wider than the canvas: every segment's outline and join crosses every row
    // (about 8 ms for 2,000 segments).
    {"WidePenPolyline", 125,
     [](EmfBuilder& e) {
         e.createPen(2, kGeometric, 10'000, Qt::black).selectObject(2).polyline16(zigzag(2000));
     }},
    // A wide pen offsets every curve to both sides in many pieces (about 20 ms for 150).
    {"WidePenCurves", 50,
     [](EmfBuilder& e) {
         e.createPen(2, kGeometric, 10'000, Qt::black).selectObject(2);
         polyBezier16(e, zigzag(301));
     }},
    // A pen reaching far beyond the canvas makes QPainter clip every join itself (about
    // 25 ms for 200).
    {"FarReachingPen", 40,
     [](EmfBuilder& e) {
         e.createPen(2, kGeometric, 1'000'000'000, Qt::black)
             .selectObject(2)
             .polyline16(zigzag(200));
     }},
};

void PrintTo(const CostlyCase& c, std::ostream* out) {
    *out << c.name;
}

class CostlyFigure : public testing::TestWithParam<CostlyCase> {};

TEST_P(CostlyFigure, IsPaidForByWhatItMakesQPainterDo) {
    const auto spentOn = [](int copies) {
        EmfBuilder emf(0, 0, 1700, 1700, QSize(64, 64), QSize(17, 17));
        emf.createBrush(1, kSolid, Qt::red).selectObject(1);
        for (int i = 0; i < copies; ++i) {
            GetParam().once(emf);
        }
        QImage image = canvas(QSize(48, 48));
        return play(emf.build(), image, kUnlimited);
    };
    EXPECT_GE(spentOn(2) - spentOn(1),
              static_cast<double>(limits::kMetafileWorkBudget) / GetParam().perPlayback);
}

INSTANTIATE_TEST_SUITE_P(Records, CostlyFigure, testing::ValuesIn(kCostlyCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Ordinary pictures ----

std::vector<std::string> ordinaryMetafiles() {
    std::vector<std::string> files;
    const QString catalogue = QStringLiteral(VESTURA_CATALOGUE_DIR);
    for (const QString& folder : {catalogue, catalogue + "../fuzz/corpus/metafile"}) {
        QDirIterator it(folder, {"*.wmf", "*.emf"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            files.push_back(it.next().toStdString());
        }
    }
    return files;
}

TEST(MetafileBudget, OrdinaryPicturesDrawAsWithoutABudgetAndSpendLittleOfIt) {
    const std::vector<std::string> files = ordinaryMetafiles();
    ASSERT_GE(files.size(), 6U);
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        const Bytes file = readWholeFile(path);
        TMetafile metafile;
        metafile.loadFromBytes(file);
        const QSize size(metafile.width(), metafile.height());
        QImage budgeted = canvas(size);
        {
            QPainter painter(&budgeted);
            metafile.draw(painter, budgeted.rect());
        }
        QImage unlimited = canvas(size);
        const double spent = play(file, unlimited, kUnlimited);
        EXPECT_EQ(budgeted, unlimited);
        EXPECT_LT(spent, static_cast<double>(limits::kMetafileWorkBudget) / 100);
    }
}

}  // namespace
}  // namespace vestura
