// Save's cost: composing a skin with all seven parts shown and writing it, beside a plain
// copy of a skin file's bytes and beside the write alone. Goal: compose + write < 0.5 ms.
// Colouring: the same skin with all seven parts coloured, composed as the preview redraws it
// and with every part's coloured copy made again, as a new outfit does. Goal: each at most
// 1.5 x BM_ComposeSkin of the same run.
#include <benchmark/benchmark.h>

#include <QColor>
#include <QTemporaryDir>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/bmp/bitmap.h"
#include "skin/preview.h"
#include "skin/skin_export.h"

namespace vestura {
namespace {

constexpr std::size_t kSkinFileSize = 197686;

QImage patterned(int width, int height, int seed, QImage::Format format) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb((x * 7 + seed) & 0xFF, (y * 5) & 0xFF, (x + y) & 0xFF));
        }
    }
    return image.convertToFormat(format);
}

// The preview as Save finds it: the base skin (8 bits, as built in) and every part loaded
// at its box size, in the forms the BMP reader delivers (24-bit and 8-bit pictures).
class LoadedPreview {
public:
    LoadedPreview() {
        preview_.setBaseSkin(
            std::make_shared<TBitmap>(patterned(kSkinSize, kSkinSize, 0, QImage::Format_Indexed8)));
        int seed = 1;
        for (const CategoryInfo& row : kCategories) {
            const auto format = seed % 2 ? QImage::Format_BGR888 : QImage::Format_Indexed8;
            QImage picture = patterned(row.width, row.height, seed++, format);
            preview_.slot(row.category).picture.assign(std::make_unique<TBitmap>(picture));
            preview_.slot(row.category).visible = true;
        }
        std::vector<std::string> failures;
        preview_.renderSkin(failures);  // each bitmap makes its display copy once
    }

    QImage render() {
        std::vector<std::string> failures;
        return preview_.renderSkin(failures);
    }

    // Every part in a colour of its own, `shift` turning them all.
    void colourAll(int shift) {
        for (const CategoryInfo& row : kCategories) {
            const int hue = (static_cast<int>(row.category) * 50 + shift) % 360;
            preview_.setColour(row.category, QColor::fromHsl(hue, 200, 128).rgb());
        }
    }

private:
    Preview preview_;
};

// A temporary folder on the system's temporary disk (arg 0), or in memory (arg 1, /dev/shm)
// to show what the write costs apart from the disk's flush.
std::unique_ptr<QTemporaryDir> skinsFolder(const benchmark::State& state) {
    return state.range(0) == 0 ? std::make_unique<QTemporaryDir>()
                               : std::make_unique<QTemporaryDir>("/dev/shm/vestura-XXXXXX");
}

void BM_CopySkinFileBytes(benchmark::State& state) {
    std::vector<char> from(kSkinFileSize, 'a'), to(kSkinFileSize);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kSkinFileSize);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopySkinFileBytes);

void BM_ComposeSkin(benchmark::State& state) {
    LoadedPreview preview;
    for (auto _ : state) {
        benchmark::DoNotOptimize(preview.render());
    }
}
BENCHMARK(BM_ComposeSkin)->Unit(benchmark::kMicrosecond);

void BM_ComposeSkinColoured(benchmark::State& state) {
    LoadedPreview preview;
    preview.colourAll(0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(preview.render());
    }
}
BENCHMARK(BM_ComposeSkinColoured)->Unit(benchmark::kMicrosecond);

void BM_ComposeSkinRecoloured(benchmark::State& state) {
    LoadedPreview preview;
    int shift = 0;
    for (auto _ : state) {
        preview.colourAll(shift = (shift + 1) % 360);
        benchmark::DoNotOptimize(preview.render());
    }
}
BENCHMARK(BM_ComposeSkinRecoloured)->Unit(benchmark::kMicrosecond);

void BM_WriteSkinFile(benchmark::State& state) {
    LoadedPreview preview;
    const QImage skin = preview.render();
    const auto folder = skinsFolder(state);
    const std::string path = folder->path().toStdString() + "/NewSkin.bmp";
    for (auto _ : state) {
        writeSkinFile(path, skin);
    }
}
BENCHMARK(BM_WriteSkinFile)->Unit(benchmark::kMicrosecond)->ArgName("in_memory")->Arg(0)->Arg(1);

void BM_ComposeAndWriteSkin(benchmark::State& state) {
    LoadedPreview preview;
    const auto folder = skinsFolder(state);
    const std::string path = folder->path().toStdString() + "/NewSkin.bmp";
    for (auto _ : state) {
        writeSkinFile(path, preview.render());
    }
}
BENCHMARK(BM_ComposeAndWriteSkin)
    ->Unit(benchmark::kMicrosecond)
    ->ArgName("in_memory")
    ->Arg(0)
    ->Arg(1);

}  // namespace
}  // namespace vestura

BENCHMARK_MAIN();
