// Start-up cost of the main window: building TForm1 with its whole layout, then its
// creation handler (settings step, catalogue of seven list files of 200 records, filling the
// selectors), on the offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <fstream>
#include <string>

#include "app/desktop_services.h"
#include "app/form1.h"
#include "skin/categories.h"

namespace {

// Answers every box with OK and records nothing: a failure would show up as a count.
class SilentServices final : public vestura::DesktopServices {
public:
    using DesktopServices::showMessage;
    int showMessage(const std::string&, const std::string&, unsigned, const std::string&) override {
        ++messages;
        return vestura::mb::kIdOk;
    }
    std::optional<std::string> chooseFolder(const std::string&,
                                            const vestura::FolderPlaces&) override {
        return {};
    }
    void openUrl(const std::string&) override {}
    void startProgram(const vestura::ProcessCommand&,
                      std::function<void(const std::string&)>) override {}
    int messages = 0;
};

std::string listFile(int records) {
    std::string text;
    for (int k = 0; k < records; ++k) {
        const std::string number = std::to_string(k);
        text += "<NEW>\r\nparts\\part" + number + ".bmp\r\nPart number " + number + "\r\n";
    }
    return text;
}

void BM_MainWindowStartUp(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    for (const vestura::CategoryInfo& category : vestura::kCategories) {
        std::ofstream(folder + std::string(category.listFile), std::ios::binary)
            << listFile(static_cast<int>(state.range(0)));
    }
    SilentServices services;
    for (auto _ : state) {
        vestura::TForm1 form(services, folder);
        form.FormCreate();
        benchmark::DoNotOptimize(&form);
    }
    state.counters["messages"] = services.messages;
}
BENCHMARK(BM_MainWindowStartUp)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
