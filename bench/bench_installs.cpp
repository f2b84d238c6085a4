// The install finder on a home folder with a few thousand entries in the places it searches
// (goal: under 100 ms), beside a plain walk over every entry of the same tree as yardstick.
// bench/games.sh times the whole `vestura-cli games` process over the same layout.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "game/installs.h"

namespace {

namespace fs = std::filesystem;

void touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

// Steam with 150 games of 6 files, ~/.wine with a Windows folder of 2,000 files and 40
// programs, and 4 Lutris prefixes of 300 files: about 4,500 entries.
void buildHome(const fs::path& home) {
    const fs::path steam = home / ".local/share/Steam/steamapps";
    for (int g = 0; g < 150; ++g) {
        for (int f = 0; f < 6; ++f) {
            touch(steam / "common" / ("Game " + std::to_string(g)) / ("file" + std::to_string(f)));
        }
        touch(steam / ("appmanifest_" + std::to_string(1000 + g) + ".acf"));
    }
    touch(steam / "common/Grand Theft Auto Vice City/gta-vc.exe");
    const fs::path drive = home / ".wine/drive_c";
    for (int f = 0; f < 2000; ++f) {
        touch(drive / "windows/system32" / ("lib" + std::to_string(f) + ".dll"));
    }
    for (int p = 0; p < 40; ++p) {
        for (int f = 0; f < 10; ++f) {
            touch(drive / "Program Files" / ("App " + std::to_string(p)) / "bin" /
                  ("part" + std::to_string(f)));
        }
    }
    touch(drive / "Games/GTA Vice City/gta-vc.exe");
    for (int l = 0; l < 4; ++l) {
        for (int f = 0; f < 300; ++f) {
            touch(home / "Games" / ("prefix" + std::to_string(l)) / "drive_c/windows" /
                  ("f" + std::to_string(f)));
        }
    }
}

class Home {
public:
    Home() { buildHome(path()); }
    fs::path path() const { return dir_.path().toStdString(); }

private:
    QTemporaryDir dir_;
};

const Home& home() {
    static const Home instance;
    return instance;
}

void BM_FindInstalls(benchmark::State& state) {
    const vestura::InstallSearchRoots roots{home().path().string(), {}, {}};
    for (auto _ : state) {
        const auto installs = vestura::findInstalls(roots);
        if (installs.size() != 2) {
            state.SkipWithError("the finder did not find the two installs");
        }
        benchmark::DoNotOptimize(installs.data());
    }
}
BENCHMARK(BM_FindInstalls)->Unit(benchmark::kMillisecond);

// The yardstick: visiting every entry of the tree once, as `find` does.
void BM_WalkEveryEntry(benchmark::State& state) {
    for (auto _ : state) {
        std::size_t entries = 0;
        for (const auto& entry : fs::recursive_directory_iterator(home().path())) {
            benchmark::DoNotOptimize(entry);
            ++entries;
        }
        state.counters["entries"] = static_cast<double>(entries);
    }
}
BENCHMARK(BM_WalkEveryEntry)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
