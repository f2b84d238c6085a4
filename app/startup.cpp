// Start-up: the program folder, the application's title and screen facts, the main window
// and the event loop.
#include "app/startup.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <filesystem>
#include <memory>

#include "app/failure_reporting.h"
#include "app/form1.h"
#include "app/program_info.h"
#include "common/platform.h"
#include "picture/display.h"
#include "skin/catalogue.h"

namespace vestura {

namespace {
constexpr int kSystemIconSize = 32;
}

QtCommandLine::QtCommandLine(int argc, char* argv[]) {
    // Qt names the application after argv[0]; it gets nothing after it.
    this->argv[0] = argc > 0 && argv[0] != nullptr ? argv[0] : noName_;
}

std::string programFolderOf(const QString& applicationDirPath) {
    std::string folder = QDir::toNativeSeparators(applicationDirPath).toLocal8Bit().toStdString();
    if (folder.empty() || folder.back() != platform::kPathSeparator) {
        folder.push_back(platform::kPathSeparator);
    }
    return folder;
}

std::string programFolder() {
#ifdef __linux__
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && executable.has_parent_path()) {
        std::string folder = executable.parent_path().string();
        if (folder.empty() || folder.back() != platform::kPathSeparator) {
            folder.push_back(platform::kPathSeparator);
        }
        return folder;
    }
#endif
    return programFolderOf(QCoreApplication::applicationDirPath());
}

void prepareApplication() {
    QApplication::setApplicationName(
        QString::fromUtf8(kApplicationTitle.data(), qsizetype(kApplicationTitle.size())));
    DisplayInfo info;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        info.bitsPerPixel = screen->depth();
        info.logicalDpiY = qRound(screen->logicalDotsPerInchY());
    }
    info.iconSize = kSystemIconSize;
    setDisplay(info);
}

int runMainWindow(DesktopServices& services, const std::function<void(TForm1&)>& beforeShow,
                  const std::string& catalogueFolder) {
    runGuarded(services, [&] {
        const std::string program = programFolder();
        TForm1 form(services, program,
                    catalogueFolder.empty() ? catalogueFolderOf(program) : catalogueFolder);
        form.FormCreate();
        if (beforeShow) {
            beforeShow(form);
        }
        form.show();
        QApplication::exec();
    });
    return 0;
}

}  // namespace vestura
