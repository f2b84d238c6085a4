// The desktop services on Qt: QMessageBox, QFileDialog, QDesktopServices, QProcess.
#pragma once

#include "app/desktop_services.h"

namespace vestura {

class QtDesktopServices final : public DesktopServices {
public:
    using DesktopServices::showMessage;
    int showMessage(const std::string& text, const std::string& caption, unsigned flags,
                    const std::string& detail) override;
    std::optional<std::string> chooseFolder(const std::string& title,
                                            const FolderPlaces& places) override;
    void openUrl(const std::string& url) override;
    void startProgram(const ProcessCommand& command,
                      std::function<void(const std::string& why)> onEarlyFailure) override;
};

}  // namespace vestura
