// The animation writers, each file read back by another decoder: every frame there, in
// order, exactly (lossless WebP, APNG) or as the nearest colour of the one palette (GIF),
// looping forever at the frame rate asked for, later frames storing only what changed.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <limits>
#include <ostream>

#include "picture/anim/animation_writer.h"
#include "tests/support/animation_decoder.h"

namespace vestura {
namespace {

constexpr QSize kSize(48, 32);
constexpr int kBlock = 6;

// A gradient of 1,536 colours with a block moving across it: each frame differs from the
// one before only around the block.
QImage movingBlock(int k) {
    QImage frame(kSize, QImage::Format_RGB32);
    for (int y = 0; y < kSize.height(); ++y) {
        for (int x = 0; x < kSize.width(); ++x) {
            frame.setPixel(x, y, qRgb(x * 5, y * 7, 100));
        }
    }
    QPainter(&frame).fillRect(4 * k, 10, kBlock, kBlock, QColor(255, 40 * k % 256, 0));
    return frame;
}

int squaredDistance(QRgb a, QRgb b) {
    const int r = qRed(a) - qRed(b), g = qGreen(a) - qGreen(b), bl = qBlue(a) - qBlue(b);
    return r * r + g * g + bl * bl;
}

// Every pixel of `shown` is a palette colour as near to `truth`'s pixel as any.
::testing::AssertionResult nearestInPalette(const QImage& shown, const QImage& truth,
                                            const std::vector<QRgb>& palette) {
    for (int y = 0; y < truth.height(); ++y) {
        for (int x = 0; x < truth.width(); ++x) {
            int best = std::numeric_limits<int>::max();
            for (const QRgb colour : palette) {
                best = std::min(best, squaredDistance(colour, truth.pixel(x, y)));
            }
            if (squaredDistance(shown.pixel(x, y), truth.pixel(x, y)) != best) {
                return ::testing::AssertionFailure() << "pixel " << x << "," << y;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

struct Written {
    AnimationFormat format;
    const char* name;
    test::DecodedAnimation (*decode)(const Bytes&);
    friend void PrintTo(const Written& written, std::ostream* out) { *out << written.name; }
};

class AnimationWriter : public ::testing::TestWithParam<Written> {
protected:
    AnimationSettings settings(int frames = 7, int fps = 12) const {
        AnimationSettings s;
        s.format = GetParam().format;
        s.frames = frames;
        s.fps = fps;
        s.size = kSize;
        return s;
    }
};

TEST_P(AnimationWriter, EveryFrameReadsBackInOrderLoopingForeverAtItsRate) {
    const std::optional<Bytes> file = encodeAnimation(settings(), movingBlock);
    ASSERT_TRUE(file);
    const test::DecodedAnimation decoded = GetParam().decode(*file);
    ASSERT_EQ(decoded.frames.size(), 7U);
    EXPECT_EQ(decoded.loops, 0);
    double elapsed = 0;
    for (int k = 0; k < 7; ++k) {
        const QImage& shown = decoded.frames[static_cast<std::size_t>(k)];
        if (GetParam().format == AnimationFormat::Gif) {
            EXPECT_TRUE(nearestInPalette(shown, movingBlock(k), decoded.palette)) << "frame " << k;
        } else {
            EXPECT_EQ(shown, movingBlock(k)) << "frame " << k;
        }
        // Each frame starts within one of the format's time units of k / 12 s.
        EXPECT_NEAR(elapsed, k / 12.0, 0.01) << "frame " << k;
        elapsed += decoded.seconds[static_cast<std::size_t>(k)];
    }
    EXPECT_NEAR(elapsed, 7 / 12.0, 0.005);  // the whole turn, within half a unit
}

TEST_P(AnimationWriter, ProgressCountsEveryStepAndStoppingGivesNoFile) {
    const int total = 5 * framePasses(GetParam().format);
    std::vector<int> told;
    ASSERT_TRUE(encodeAnimation(settings(5), movingBlock, [&](int done, int all) {
        EXPECT_EQ(all, total);
        told.push_back(done);
        return true;
    }));
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back(), total);
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));

    int drawn = 0;
    const auto source = [&](int k) {
        ++drawn;
        return movingBlock(k);
    };
    EXPECT_FALSE(encodeAnimation(settings(5), source, [](int done, int) { return done < 2; }));
    EXPECT_EQ(drawn, 2);  // nothing more is asked for once told to stop
}

INSTANTIATE_TEST_SUITE_P(
    Formats, AnimationWriter,
    ::testing::Values(Written{AnimationFormat::WebP, "WebP", &test::decodeWebP},
                      Written{AnimationFormat::Gif, "Gif", &test::decodeGif},
                      Written{AnimationFormat::Png, "Apng", &test::decodeApng}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AnimationRectangles, LaterGifAndApngFramesStoreOnlyTheRectangleThatChanged) {
    for (const Written written : {Written{AnimationFormat::Gif, "Gif", &test::decodeGif},
                                  Written{AnimationFormat::Png, "Apng", &test::decodeApng}}) {
        SCOPED_TRACE(written.name);
        const AnimationSettings settings{written.format, 7, 12, kSize, {}};
        const test::DecodedAnimation decoded =
            written.decode(*encodeAnimation(settings, movingBlock));
        ASSERT_EQ(decoded.rectangles.size(), 7U);
        EXPECT_EQ(decoded.rectangles[0], QRect(QPoint(0, 0), kSize));
        for (int k = 1; k < 7; ++k) {
            // The block's place before and after the move.
            EXPECT_EQ(decoded.rectangles[static_cast<std::size_t>(k)],
                      QRect(4 * (k - 1), 10, 4 + kBlock, kBlock))
                << "frame " << k;
        }
    }
}

TEST(Apng, ShowsItsFirstFrameToAReaderThatKnowsNoAnimation) {
    AnimationSettings settings{AnimationFormat::Png, 4, 10, kSize, {}};
    const Bytes file = *encodeAnimation(settings, movingBlock);
    const QImage still = QImage::fromData(file.data(), static_cast<int>(file.size()), "PNG");
    EXPECT_EQ(still.convertToFormat(QImage::Format_RGB32), movingBlock(0));
}

TEST(Gif, FramesOfAtMost256ColoursKeepThemExactly) {
    const auto fewColours = [](int k) {
        QImage frame = movingBlock(k);
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width(); ++x) {
                frame.setPixel(x, y, frame.pixel(x, y) & 0xFFC0C0C0);  // 4 levels a channel
            }
        }
        return frame;
    };
    const AnimationSettings settings{AnimationFormat::Gif, 6, 12, kSize, {}};
    const test::DecodedAnimation decoded = test::decodeGif(*encodeAnimation(settings, fewColours));
    ASSERT_EQ(decoded.frames.size(), 6U);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(decoded.frames[static_cast<std::size_t>(k)], fewColours(k)) << "frame " << k;
    }
}

TEST(WebP, AQualityMakesItLossyAndClose) {
    const AnimationSettings settings{AnimationFormat::WebP, 4, 12, kSize, 90};
    const test::DecodedAnimation decoded = test::decodeWebP(*encodeAnimation(settings, movingBlock));
    ASSERT_EQ(decoded.frames.size(), 4U);
    EXPECT_EQ(decoded.loops, 0);
    const QImage truth = movingBlock(3);
    std::int64_t error = 0;
    for (int y = 0; y < kSize.height(); ++y) {
        for (int x = 0; x < kSize.width(); ++x) {
            error += squaredDistance(decoded.frames[3].pixel(x, y), truth.pixel(x, y));
        }
    }
    EXPECT_NE(decoded.frames[3], truth);                  // lossy
    EXPECT_LT(error / (kSize.width() * kSize.height()), 3 * 8 * 8);  // within 8 a channel on average
}

}  // namespace
}  // namespace vestura
