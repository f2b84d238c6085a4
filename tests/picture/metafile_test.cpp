// TMetafile: recognising placeable WMF and EMF data, their sizes, and playing their records.
#include <gtest/gtest.h>

#include <QPainter>
#include <chrono>

#include "common/errors.h"
#include "picture/display.h"
#include "picture/metafile/metafile.h"
#include "picture/picture.h"
#include "tests/support/le_writer.h"
#include "tests/support/metafile_builder.h"
#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

using test::EmfBuilder;
using test::WmfBuilder;

constexpr QRgb kBackground = 0xFF00FF00;  // drawn first, must show where nothing paints
constexpr int kSolid = 0;
constexpr int kNullPen = 5;

QImage canvas(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(kBackground);
    return image;
}

QImage render(const Bytes& file, QSize size) {
    TMetafile metafile;
    metafile.loadFromBytes(file);
    QImage image = canvas(size);
    QPainter painter(&image);
    metafile.draw(painter, QRect(QPoint(0, 0), size));
    return image;
}

// What QPainter draws for the shapes the test metafiles hold: a red rectangle, a blue
// ellipse and a yellow triangle, filled, with no outline, without antialiasing.
QImage referenceShapes(QSize size, QPoint offset = {}) {
    QImage image = canvas(size);
    QPainter painter(&image);
    painter.translate(offset);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(Qt::red));
    painter.drawRect(QRectF(4, 4, 20, 12));
    painter.setBrush(QColor(Qt::blue));
    painter.drawEllipse(QRectF(30, 6, 26, 18));
    painter.setBrush(QColor(Qt::yellow));
    painter.drawPolygon(QPolygonF({QPointF(8, 60), QPointF(32, 30), QPointF(56, 60)}));
    return image;
}

const std::vector<QPoint> kTriangle{{8, 60}, {32, 30}, {56, 60}};

// A 64 x 64 unit placeable WMF at 96 units per inch: one unit is one pixel.
Bytes wmfShapes() {
    return WmfBuilder(0, 0, 64, 64, 96)
        .createPen(kNullPen, 0, Qt::black)  // object 0
        .selectObject(0)
        .createBrush(kSolid, Qt::red)  // 1
        .selectObject(1)
        .rectangle(4, 4, 24, 16)
        .createBrush(kSolid, Qt::blue)  // 2
        .selectObject(2)
        .ellipse(30, 6, 56, 24)
        .createBrush(kSolid, Qt::yellow)  // 3
        .selectObject(3)
        .polygon(kTriangle)
        .build();
}

// The same drawing as an EMF whose frame is 64 x 64 pixels of its reference device.
EmfBuilder emfCanvas() {
    return EmfBuilder(0, 0, 1700, 1700, QSize(64, 64), QSize(17, 17));
}

Bytes emfShapes(EmfBuilder builder = emfCanvas()) {
    return builder.selectObject(test::kEmfStockNullPen)
        .createBrush(1, kSolid, Qt::red)
        .selectObject(1)
        .rectangle(4, 4, 24, 16)
        .createBrush(2, kSolid, Qt::blue)
        .selectObject(2)
        .ellipse(30, 6, 56, 24)
        .createBrush(3, kSolid, Qt::yellow)
        .selectObject(3)
        .polygon16(kTriangle)
        .build();
}

// Equal images, or a message naming how many pixels differ and the first one that does.
testing::AssertionResult sameImage(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size()) {
        return testing::AssertionFailure() << "sizes differ";
    }
    int differing = 0;
    QString first;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            if (actual.pixel(x, y) != expected.pixel(x, y)) {
                if (differing++ == 0) {
                    first = QString("(%1, %2): %3 instead of %4")
                                .arg(x)
                                .arg(y)
                                .arg(actual.pixel(x, y), 8, 16)
                                .arg(expected.pixel(x, y), 8, 16);
                }
            }
        }
    }
    if (differing == 0) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << differing << " pixels differ, first " << first.toStdString();
}

int countPixels(const QImage& image, QRgb color) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixel(x, y) == color;
        }
    }
    return count;
}

// ---- Recognition and size ----

struct SizeCase {
    const char* name;
    Bytes file;
    bool enhanced;
    QSize hundredthsMm;
    QSize pixels;
};

class MetafileSize : public testing::TestWithParam<SizeCase> {};

TEST_P(MetafileSize, MeasuresInHundredthsOfMillimetreAndPixels) {
    TMetafile metafile;
    metafile.loadFromBytes(GetParam().file);
    EXPECT_EQ(metafile.enhanced(), GetParam().enhanced);
    EXPECT_EQ(QSize(metafile.mmWidth(), metafile.mmHeight()), GetParam().hundredthsMm);
    EXPECT_EQ(QSize(metafile.width(), metafile.height()), GetParam().pixels);
    EXPECT_FALSE(metafile.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, MetafileSize,
    testing::Values(
        // 2 x 1 inches at the display's 96 dpi.
        SizeCase{"PlaceableTwipsAtDisplayDpi", WmfBuilder(0, 0, 2880, 1440, 1440).build(), false,
                 QSize(5080, 2540), QSize(192, 96)},
        SizeCase{"PlaceableOffsetBox", WmfBuilder(-100, 50, 900, 550, 1000).build(), false,
                 QSize(2540, 1270), QSize(96, 48)},
        // 0 units per inch counts as 96 for the size, and the reference device is 96 dpi.
        SizeCase{"PlaceableWithoutUnitsPerInch", WmfBuilder(0, 0, 300, 150, 0).build(), false,
                 QSize(7938, 3969), QSize(300, 150)},
        // 50.8 x 25.4 mm on a 1024 x 768 px, 320 x 240 mm device: 162.56 x 81.28 px.
        SizeCase{"EnhancedFrameAndDevice",
                 EmfBuilder(0, 0, 5080, 2540, QSize(1024, 768), QSize(320, 240)).build(), true,
                 QSize(5080, 2540), QSize(163, 81)},
        SizeCase{"EnhancedOffsetFrame",
                 EmfBuilder(1000, 1000, 3540, 3540, QSize(1920, 1440), QSize(508, 381)).build(),
                 true, QSize(2540, 2540), QSize(96, 96)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MetafileSize, PlaceableWithUnitsPerInchFollowsTheDisplayDpi) {
    const DisplayInfo saved = display();
    DisplayInfo dense = saved;
    dense.logicalDpiY = 120;
    setDisplay(dense);
    TMetafile metafile;
    metafile.loadFromBytes(WmfBuilder(0, 0, 96, 48, 96).build());
    setDisplay(saved);
    EXPECT_EQ(QSize(metafile.width(), metafile.height()), QSize(120, 60));
}

struct InvalidCase {
    const char* name;
    Bytes file;
};

class MetafileInvalid : public testing::TestWithParam<InvalidCase> {};

TEST_P(MetafileInvalid, FailsWithMetafileIsNotValid) {
    TMetafile metafile;
    try {
        metafile.loadFromBytes(GetParam().file);
        FAIL() << "loaded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.message(), "Metafile is not valid");
    }
}

Bytes truncated(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

Bytes withValue(Bytes bytes, std::size_t at, std::int32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
    }
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MetafileInvalid,
    testing::Values(
        InvalidCase{"Empty", {}},
        InvalidCase{"ShorterThanPlaceableHeader",
                    truncated(WmfBuilder(0, 0, 9, 9, 96).build(), 21)},
        InvalidCase{"BadChecksum", WmfBuilder(0, 0, 9, 9, 96, {.badChecksum = true}).build()},
        InvalidCase{"WrongKey", WmfBuilder(0, 0, 9, 9, 96, {.key = 0x9AC6CDD6}).build()},
        InvalidCase{"WrongStandardHeader",
                    WmfBuilder(0, 0, 9, 9, 96, {.standardVersion = 0x0200}).build()},
        InvalidCase{"NoStandardHeader", truncated(WmfBuilder(0, 0, 9, 9, 96).build(), 30)},
        InvalidCase{"InvertedBox", WmfBuilder(9, 0, 0, 9, 96).build()},
        InvalidCase{"HugePlaceable", WmfBuilder(-32000, 0, 32000, 10, 1).build()},
        // A valid EMF cut to 100 bytes is no longer recognised as one.
        InvalidCase{"EnhancedOfOnly100Bytes", truncated(emfShapes(), 100)},
        InvalidCase{"EnhancedWithoutDeviceSize", withValue(emfShapes(), 72, 0)},
        InvalidCase{"EnhancedWithoutDeviceMillimetres", withValue(emfShapes(), 84, 0)},
        InvalidCase{"EnhancedHeaderLongerThanFile", withValue(emfShapes(), 4, 100000)},
        InvalidCase{"EnhancedInvertedFrame", withValue(emfShapes(), 32, -5)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MetafileLoad, ContentDecidesTheKindNotTheExtension) {
    test::TempFolder folder;
    const Bytes emf = emfShapes();
    folder.write("drawing.wmf",
                 std::string_view(reinterpret_cast<const char*>(emf.data()), emf.size()));
    TPicture picture;
    picture.loadFromFile(folder.file("drawing.wmf"));
    auto* metafile = dynamic_cast<TMetafile*>(picture.graphic());
    ASSERT_NE(metafile, nullptr);
    EXPECT_TRUE(metafile->enhanced());
}

TEST(MetafileLoad, KeepsItsOwnCopyOfTheBytes) {
    Bytes file = wmfShapes();
    TMetafile metafile;
    metafile.loadFromBytes(file);
    std::fill(file.begin(), file.end(), 0);
    QImage image = canvas(QSize(64, 64));
    QPainter painter(&image);
    metafile.draw(painter, QRect(0, 0, 64, 64));
    painter.end();
    EXPECT_TRUE(sameImage(image, referenceShapes(QSize(64, 64))));
}

// ---- Playback ----

TEST(MetafilePlayback, WmfShapesMatchQPainterPixelForPixel) {
    EXPECT_TRUE(sameImage(render(wmfShapes(), QSize(64, 64)), referenceShapes(QSize(64, 64))));
}

TEST(MetafilePlayback, EmfShapesMatchQPainterPixelForPixel) {
    EXPECT_TRUE(sameImage(render(emfShapes(), QSize(64, 64)), referenceShapes(QSize(64, 64))));
}

TEST(MetafilePlayback, UnpaintedAreaShowsWhatLiesBelow) {
    const QImage image = render(wmfShapes(), QSize(64, 64));
    EXPECT_EQ(image.pixel(0, 0), kBackground);
    EXPECT_EQ(image.pixel(63, 63), kBackground);
    EXPECT_EQ(image.pixel(10, 10), qRgb(255, 0, 0));
}

TEST(MetafilePlayback, DrawsOnlyInsideTheTargetRect) {
    TMetafile metafile;
    metafile.loadFromBytes(wmfShapes());
    QImage image = canvas(QSize(128, 128));
    QPainter painter(&image);
    metafile.draw(painter, QRect(32, 32, 64, 64));
    painter.end();
    QImage expected = canvas(QSize(128, 128));
    QPainter(&expected).drawImage(32, 32, referenceShapes(QSize(64, 64)));
    EXPECT_TRUE(sameImage(image, expected));
}

TEST(MetafilePlayback, ScalesTheFrameIntoTheRect) {
    const QImage image = render(WmfBuilder(0, 0, 10, 10, 96)
                                    .createPen(kNullPen, 0, Qt::black)
                                    .selectObject(0)
                                    .createBrush(kSolid, Qt::red)
                                    .selectObject(1)
                                    .rectangle(0, 0, 5, 10)
                                    .build(),
                                QSize(40, 20));
    EXPECT_EQ(image.pixel(19, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(20, 10), kBackground);
    EXPECT_EQ(countPixels(image, qRgb(255, 0, 0)), 20 * 20);
}

TEST(MetafilePlayback, WmfWindowMapsOntoThePicture) {
    // The window says the picture is 32 units wide: a 16-unit rectangle covers half of it.
    const QImage image = render(WmfBuilder(0, 0, 64, 64, 96)
                                    .setWindow(0, 0, 32, 32)
                                    .createPen(kNullPen, 0, Qt::black)
                                    .selectObject(0)
                                    .createBrush(kSolid, Qt::red)
                                    .selectObject(1)
                                    .rectangle(0, 0, 16, 32)
                                    .build(),
                                QSize(64, 64));
    EXPECT_EQ(countPixels(image, qRgb(255, 0, 0)), 32 * 64);
}

TEST(MetafilePlayback, EmfWorldTransformMovesTheDrawing) {
    constexpr std::uint32_t kSetWorldTransform = 35;
    test::LeWriter xform;
    xform.f32(1).f32(0).f32(0).f32(1).f32(5).f32(7);
    const QImage image = render(
        emfShapes(emfCanvas().recordBytes(kSetWorldTransform, xform.result())), QSize(64, 64));
    EXPECT_TRUE(sameImage(image, referenceShapes(QSize(64, 64), QPoint(5, 7))));
}

TEST(MetafilePlayback, ClipRectLimitsLaterDrawing) {
    constexpr std::uint16_t kIntersectClipRect = 0x0416;
    const QImage image = render(WmfBuilder(0, 0, 64, 64, 96)
                                    .record(kIntersectClipRect, {64, 32, 0, 0})
                                    .createPen(kNullPen, 0, Qt::black)
                                    .selectObject(0)
                                    .createBrush(kSolid, Qt::red)
                                    .selectObject(1)
                                    .rectangle(0, 0, 64, 64)
                                    .build(),
                                QSize(64, 64));
    EXPECT_EQ(countPixels(image, qRgb(255, 0, 0)), 32 * 64);
}

TEST(MetafilePlayback, RestoreDcBringsBackTheBrush) {
    constexpr std::uint16_t kSaveDc = 0x001E, kRestoreDc = 0x0127;
    const QImage image = render(WmfBuilder(0, 0, 64, 64, 96)
                                    .createPen(kNullPen, 0, Qt::black)
                                    .selectObject(0)
                                    .createBrush(kSolid, Qt::red)
                                    .selectObject(1)
                                    .record(kSaveDc, {})
                                    .createBrush(kSolid, Qt::blue)
                                    .selectObject(2)
                                    .record(kRestoreDc, {-1})
                                    .rectangle(0, 0, 64, 64)
                                    .build(),
                                QSize(64, 64));
    EXPECT_EQ(countPixels(image, qRgb(255, 0, 0)), 64 * 64);
}

TEST(MetafilePlayback, TextIsDrawnInTheTextColour) {
    constexpr std::uint16_t kSetTextColor = 0x0209, kSetBkMode = 0x0102, kTextOut = 0x0521;
    constexpr int kTransparent = 1;
    const QImage image = render(WmfBuilder(0, 0, 64, 32, 96)
                                    .record(kSetTextColor, {0x00FF, 0})  // red
                                    .record(kSetBkMode, {kTransparent})
                                    .record(kTextOut, {2, 'H' | 'I' << 8, 4, 4})
                                    .build(),
                                QSize(64, 32));
    EXPECT_GT(countPixels(image, qRgb(255, 0, 0)), 10);
}

TEST(MetafilePlayback, PieRunsCounterClockwiseFromStartToEnd) {
    constexpr std::uint16_t kPie = 0x081A;
    // From the right-hand end of the middle line round to the top: the top-right quarter.
    const QImage image = render(WmfBuilder(0, 0, 64, 64, 96)
                                    .createPen(kNullPen, 0, Qt::black)
                                    .selectObject(0)
                                    .createBrush(kSolid, Qt::red)
                                    .selectObject(1)
                                    .record(kPie, {0, 32, 32, 64, 64, 64, 0, 0})
                                    .build(),
                                QSize(64, 64));
    EXPECT_EQ(image.pixel(48, 16), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(16, 16), kBackground);
    EXPECT_EQ(image.pixel(48, 48), kBackground);
    EXPECT_EQ(image.pixel(16, 48), kBackground);
}

TEST(MetafilePlayback, EmfFilledPathMatchesQPainter) {
    constexpr std::uint32_t kBeginPath = 59, kEndPath = 60, kCloseFigure = 61, kFillPath = 62;
    constexpr std::uint32_t kMoveToEx = 27, kLineTo = 54;
    const Bytes emf = emfCanvas()
                          .createBrush(1, kSolid, Qt::yellow)
                          .selectObject(1)
                          .record(kBeginPath, {})
                          .record(kMoveToEx, {8, 60})
                          .record(kLineTo, {32, 30})
                          .record(kLineTo, {56, 60})
                          .record(kCloseFigure, {})
                          .record(kEndPath, {})
                          .record(kFillPath, {0, 0, 64, 64})
                          .build();
    QImage expected = canvas(QSize(64, 64));
    QPainter painter(&expected);
    QPainterPath path(QPointF(8, 60));
    path.lineTo(32, 30);
    path.lineTo(56, 60);
    path.closeSubpath();
    painter.fillPath(path, QColor(Qt::yellow));
    painter.end();
    EXPECT_TRUE(sameImage(render(emf, QSize(64, 64)), expected));
}

// A 2 x 2 picture: red, green over blue, white.
QImage quadrants() {
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(1, 0, qRgb(0, 255, 0));
    picture.setPixel(0, 1, qRgb(0, 0, 255));
    picture.setPixel(1, 1, qRgb(255, 255, 255));
    return picture;
}

void expectQuadrants(const QImage& image) {
    EXPECT_EQ(image.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(50, 10), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(10, 50), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(50, 50), qRgb(255, 255, 255));
}

TEST(MetafilePlayback, WmfStretchDibDrawsTheDibUpright) {
    expectQuadrants(
        render(WmfBuilder(0, 0, 64, 64, 96)
                   .stretchDib(QRect(0, 0, 64, 64), test::dib24(quadrants()), QSize(2, 2))
                   .build(),
               QSize(64, 64)));
}

TEST(MetafilePlayback, EmfStretchDiBitsDrawsTheDibUpright) {
    expectQuadrants(
        render(emfCanvas()
                   .stretchDiBits(QRect(0, 0, 64, 64), test::dib24(quadrants()), QSize(2, 2))
                   .build(),
               QSize(64, 64)));
}

// Records that would stop a careless player: each ends playback there and then; the
// rectangle after it is never drawn.
struct BrokenRecordCase {
    const char* name;
    Bytes record;
};

class WmfBrokenRecord : public testing::TestWithParam<BrokenRecordCase> {};

TEST_P(WmfBrokenRecord, EndsPlaybackQuietly) {
    const auto started = std::chrono::steady_clock::now();
    const QImage image = render(WmfBuilder(0, 0, 64, 64, 96)
                                    .createBrush(kSolid, Qt::red)
                                    .selectObject(0)
                                    .raw(GetParam().record)
                                    .rectangle(0, 0, 64, 64)
                                    .build(),
                                QSize(64, 64));
    EXPECT_EQ(countPixels(image, qRgb(255, 0, 0)), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WmfBrokenRecord,
    testing::Values(BrokenRecordCase{"SizeZero", test::LeWriter().u32(0).u16(0x041B).result()},
                    BrokenRecordCase{"SizeTwoWords", test::LeWriter().u32(2).u16(0x041B).result()},
                    BrokenRecordCase{"PastTheEnd",
                                     test::LeWriter().u32(0x7FFFFFFF).u16(0x041B).result()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EmfBrokenRecord, SizeZeroEndsPlayback) {
    const Bytes zero = test::LeWriter().u32(43).u32(0).result();
    const QImage image = render(emfShapes(emfCanvas().raw(zero)), QSize(64, 64));
    EXPECT_EQ(countPixels(image, qRgb(255, 0, 0)), 0);
}

TEST(MetafilePlayback, UnknownRecordsAreSkipped) {
    const Bytes emf = emfShapes(emfCanvas().record(0x7777, {1, 2, 3}));
    EXPECT_TRUE(sameImage(render(emf, QSize(64, 64)), referenceShapes(QSize(64, 64))));
    const Bytes wmf = WmfBuilder(0, 0, 64, 64, 96)
                          .record(0x0999, {1, 2, 3})
                          .createPen(kNullPen, 0, Qt::black)
                          .selectObject(0)
                          .createBrush(kSolid, Qt::red)
                          .selectObject(1)
                          .rectangle(4, 4, 24, 16)
                          .build();
    EXPECT_EQ(countPixels(render(wmf, QSize(64, 64)), qRgb(255, 0, 0)), 20 * 12);
}

}  // namespace
}  // namespace vestura
