// The desktop services the window's handlers call: message boxes, the folder dialog,
// opening a link and starting a program. The program passes the Qt implementation; tests
// pass a fake that records the calls.
#pragma once

#include <QFuture>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vestura {

struct ProcessCommand;

// A folder offered in the folder chooser's sidebar, with the name it is shown under.
struct FolderPlace {
    std::string folder;  // 8-bit, as the window stores game folders
    std::string label;
};

// The places for the folder chooser's sidebar, which may still be being found while it is
// open; a default-made one has none.
using FolderPlaces = QFuture<std::vector<FolderPlace>>;

// Message-box flags with the values of the Windows API: a button set plus an icon.
namespace mb {
inline constexpr unsigned kOk = 0x00;
inline constexpr unsigned kYesNo = 0x04;
inline constexpr unsigned kButtonsMask = 0x0F;
inline constexpr unsigned kIconStop = 0x10;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr unsigned kIconMask = 0xF0;

// The four combinations the program shows.
inline constexpr unsigned kFailure = kOk | kIconStop;             // 16
inline constexpr unsigned kQuestion = kYesNo | kIconQuestion;     // 36
inline constexpr unsigned kWarning = kOk | kIconExclamation;      // 48
inline constexpr unsigned kInformation = kOk | kIconInformation;  // 64

// The identifier of the button the user pressed.
inline constexpr int kIdOk = 1;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace mb

class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // A message box modal to the whole program. Text and caption are 8-bit; lines of the
    // text are separated by "\n". `detail`, when not empty, is shown under the text in
    // smaller words: why it happened, what to do. Returns the pressed button (mb::kIdOk,
    // kIdYes, kIdNo). Afterwards the window that was active before is active again, with its
    // focus.
    virtual int showMessage(const std::string& text, const std::string& caption, unsigned flags,
                            const std::string& detail) = 0;
    int showMessage(const std::string& text, const std::string& caption, unsigned flags) {
        return showMessage(text, caption, flags, std::string());
    }

    // A modal folder chooser with `title` as its prompt and `places` added to its sidebar
    // when they arrive; it opens at once. No folder is preselected. The chosen folder's
    // absolute path (8-bit, no trailing separator except for a root), or nullopt when
    // cancelled.
    virtual std::optional<std::string> chooseFolder(const std::string& title,
                                                    const FolderPlaces& places) = 0;

    // Hands a link (a "mailto:" address) to the desktop. The outcome is not reported.
    virtual void openUrl(const std::string& url) = 0;

    // Starts the command as an independent process in its working folder and returns at
    // once. When it cannot be run, or ends with a failure within its first seconds,
    // `onEarlyFailure` is called later on the GUI thread with why, in one line.
    virtual void startProgram(const ProcessCommand& command,
                              std::function<void(const std::string& why)> onEarlyFailure) = 0;
};

}  // namespace vestura
