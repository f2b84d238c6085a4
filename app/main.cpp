// Vestura's entry point. It reads --catalogue DIR, --help and --version and leaves every
// other word alone; the window's exit code is 0 on every path, a usage error's 2.
#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/qt_desktop_services.h"
#include "app/startup.h"
#include "app/window_options.h"

int main(int argc, char* argv[]) {
    std::error_code ignored;
    const vestura::WindowOptions options = vestura::readWindowOptions(
        std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc),
        std::filesystem::current_path(ignored).string());
    if (!options.error.empty()) {
        std::fprintf(stderr, "vestura: %s\nTry 'vestura --help'.\n", options.error.c_str());
        return 2;
    }
    if (options.help || options.version) {
        std::fputs(options.help ? vestura::kWindowUsage : vestura::kWindowVersion, stdout);
        return 0;
    }
    vestura::QtCommandLine commandLine(argc, argv);
    QApplication application(commandLine.argc, commandLine.argv);
    vestura::prepareApplication();
    vestura::QtDesktopServices services;
    return vestura::runMainWindow(services, {}, options.catalogue);
}
