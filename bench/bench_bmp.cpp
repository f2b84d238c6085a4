// BMP decoding speed: our reader against the floor (a fresh buffer of the decoded size
// filled by memcpy of the file's pixel bytes) and against QImageReader on the same bytes.
// Inputs: 2048 x 2048 at 24 bits, 2048 x 2048 RLE8 (flat and grainy), 1448 x 1448 at
// 16 bits 5-6-5: the largest of each that the decoded-size budget admits (stored rows and
// the 32-bit display copy within 32 MiB).
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/bmp/bmp_reader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kLarge = 2048;
constexpr int kMedium = 1448;
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

struct Sample {
    Bytes file;
    std::size_t pixelOffset = 0;
    std::size_t decodedBytes = 0;  // the output image's size
};

void put16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A file with a 40-byte header; `extra` (masks, colour table) goes between header and pixels.
Sample makeFile(int width, int height, int bits, std::uint32_t compression, const Bytes& extra,
                const Bytes& pixels, std::size_t decodedBytes) {
    Sample sample;
    Bytes& out = sample.file;
    const auto offset =
        static_cast<std::uint32_t>(kFileHeaderSize + kInfoHeaderSize + extra.size());
    out = {'B', 'M'};
    put32(out, offset + static_cast<std::uint32_t>(pixels.size()));
    put32(out, 0);
    put32(out, offset);
    put32(out, kInfoHeaderSize);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(bits));
    put32(out, compression);
    put32(out, static_cast<std::uint32_t>(pixels.size()));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, bits <= 8 ? 256 : 0);
    put32(out, 0);
    out.insert(out.end(), extra.begin(), extra.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    sample.pixelOffset = offset;
    sample.decodedBytes = decodedBytes;
    return sample;
}

std::uint32_t noise(std::uint32_t x, std::uint32_t y) {
    std::uint32_t h = x * 374761393u + y * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

Bytes grayTable() {
    Bytes table;
    for (int i = 0; i < 256; ++i) {
        table.insert(table.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                   static_cast<std::uint8_t>(i / 2), 0});
    }
    return table;
}

const Sample& rgb24() {
    static const Sample sample = [] {
        const std::size_t row = (kLarge * 3 + 3) / 4 * 4;
        Bytes pixels(row * kLarge);
        for (int y = 0; y < kLarge; ++y) {
            for (int x = 0; x < kLarge * 3; ++x) {
                pixels[y * row + x] = static_cast<std::uint8_t>(x + y + (noise(x, y) & 15));
            }
        }
        return makeFile(kLarge, kLarge, 24, 0, {}, pixels, pixels.size());
    }();
    return sample;
}

// RLE8 of one row of indexes: runs of 3 or more encoded, the rest in absolute runs.
void encodeRow(const std::uint8_t* row, int width, Bytes& out) {
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 255 && row[x + run] == row[x]) {
            ++run;
        }
        if (run >= 3) {
            out.insert(out.end(), {static_cast<std::uint8_t>(run), row[x]});
            x += run;
            continue;
        }
        int literal = 0;  // until the next run of 3
        while (x + literal < width && literal < 255 &&
               !(x + literal + 2 < width && row[x + literal] == row[x + literal + 1] &&
                 row[x + literal] == row[x + literal + 2])) {
            ++literal;
        }
        if (literal < 3) {
            for (int i = 0; i < literal; ++i) {
                out.insert(out.end(), {1, row[x + i]});
            }
        } else {
            out.insert(out.end(), {0, static_cast<std::uint8_t>(literal)});
            out.insert(out.end(), row + x, row + x + literal);
            if (literal % 2 != 0) {
                out.push_back(0);
            }
        }
        x += literal;
    }
    out.insert(out.end(), {0, 0});
}

template <typename IndexAt>
Sample rle8(IndexAt indexAt) {
    Bytes pixels;
    std::vector<std::uint8_t> row(kLarge);
    for (int y = 0; y < kLarge; ++y) {
        for (int x = 0; x < kLarge; ++x) {
            row[x] = indexAt(x, y);
        }
        encodeRow(row.data(), kLarge, pixels);
    }
    pixels.insert(pixels.end(), {0, 1});
    return makeFile(kLarge, kLarge, 8, 1, grayTable(), pixels,
                    static_cast<std::size_t>(kLarge) * kLarge);
}

const Sample& rle8Flat() {
    static const Sample sample =
        rle8([](int x, int y) { return static_cast<std::uint8_t>((x / 200) * 7 + (y / 64) * 3); });
    return sample;
}

const Sample& rle8Grainy() {
    static const Sample sample = rle8([](int x, int y) {
        // Mostly short runs of 1 to 4 pixels, some longer, like a dithered picture.
        return static_cast<std::uint8_t>(noise(x / (1 + (noise(x / 16, y) & 3)), y) & 0x3F);
    });
    return sample;
}

const Sample& rgb16() {
    static const Sample sample = [] {
        const std::size_t row = kMedium * 2;
        Bytes pixels(row * kMedium);
        for (int y = 0; y < kMedium; ++y) {
            for (int x = 0; x < kMedium; ++x) {
                const std::uint32_t v = noise(x, y) & 0xFFFF;
                pixels[y * row + 2 * x] = static_cast<std::uint8_t>(v);
                pixels[y * row + 2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
            }
        }
        Bytes masks;
        put32(masks, 0xF800);
        put32(masks, 0x07E0);
        put32(masks, 0x001F);
        return makeFile(kMedium, kMedium, 16, 3, masks, pixels,
                        static_cast<std::size_t>(kMedium) * kMedium * 4);
    }();
    return sample;
}

void ours(benchmark::State& state, const Sample& (*input)()) {
    const Sample& sample = input();
    for (auto _ : state) {
        vestura::DecodedBitmap decoded = vestura::readBmpFile(sample.file);
        benchmark::DoNotOptimize(decoded.image.constBits());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sample.decodedBytes));
}

void floor(benchmark::State& state, const Sample& (*input)()) {
    const Sample& sample = input();
    const std::size_t stored = sample.file.size() - sample.pixelOffset;
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[sample.decodedBytes]);
        std::memcpy(buffer.get(), sample.file.data() + sample.pixelOffset,
                    std::min(stored, sample.decodedBytes));
        benchmark::DoNotOptimize(buffer.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sample.decodedBytes));
}

void qtReader(benchmark::State& state, const Sample& (*input)()) {
    const Sample& sample = input();
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(sample.file.data()),
                                static_cast<qsizetype>(sample.file.size()));
    for (auto _ : state) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "bmp");
        const QImage image = reader.read();
        if (image.isNull()) {
            state.SkipWithError("QImageReader could not read the file");
            break;
        }
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sample.decodedBytes));
}

#define BMP_BENCH(name, input)                                             \
    BENCHMARK_CAPTURE(ours, name, &input)->Unit(benchmark::kMillisecond);  \
    BENCHMARK_CAPTURE(floor, name, &input)->Unit(benchmark::kMillisecond); \
    BENCHMARK_CAPTURE(qtReader, name, &input)->Unit(benchmark::kMillisecond)

BMP_BENCH(rgb24_2048, rgb24);
BMP_BENCH(rle8_flat_2048, rle8Flat);
BMP_BENCH(rle8_grainy_2048, rle8Grainy);
BMP_BENCH(rgb16_565_1448, rgb16);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
