// Start-up cost of the catalogue: loading seven list files of 200 records each, and larger
// files to show the load stays linear in the number of lines.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <fstream>
#include <string>
#include <string_view>

#include "game/line_buffer.h"
#include "skin/catalogue.h"

namespace {

// A list file in the usual shape: a comment, then records with blank lines between them.
std::string listFile(std::string_view name, int records) {
    std::string text = "; parts for " + std::string(name) + "\r\n";
    for (int k = 0; k < records; ++k) {
        const std::string number = std::to_string(k);
        text += "<NEW>\r\nparts\\" + std::string(name) + "\\part" + number +
                ".bmp\r\nPart number " + number + "\r\n\r\n";
    }
    return text;
}

void BM_CatalogueLoad(benchmark::State& state) {
    const auto records = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    for (const vestura::CategoryInfo& category : vestura::kCategories) {
        std::ofstream(folder + std::string(category.listFile), std::ios::binary)
            << listFile(category.listFile, records);
    }
    vestura::Catalogue catalogue;
    vestura::LineBuffer buffer;
    for (auto _ : state) {
        catalogue.load(folder, buffer);
        benchmark::DoNotOptimize(catalogue.entries(vestura::Category::Boots).captions.data());
    }
    const auto recordsLoaded = static_cast<int64_t>(records) * vestura::kCategoryCount;
    state.SetItemsProcessed(state.iterations() * recordsLoaded);
    state.SetComplexityN(recordsLoaded);
}
BENCHMARK(BM_CatalogueLoad)
    ->Arg(200)
    ->Arg(2000)
    ->Arg(8000)  // about 420 KiB a file, within the line buffer's 512 KiB
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
