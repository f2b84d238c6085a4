// A DesktopServices for tests: records every call in order and answers message boxes and
// the folder dialog from a script.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/desktop_services.h"
#include "game/launch.h"

namespace vestura::test {

struct MessageCall {
    std::string text;
    std::string caption;
    unsigned flags = 0;
    std::string detail;
};

class FakeDesktopServices final : public DesktopServices {
public:
    enum class Kind { Message, ChooseFolder, OpenUrl, StartProgram };

    using DesktopServices::showMessage;
    int showMessage(const std::string& text, const std::string& caption, unsigned flags,
                    const std::string& detail) override {
        kinds.push_back(Kind::Message);
        messages.push_back({text, caption, flags, detail});
        if (onMessage) {
            onMessage(messages.back());
        }
        if (answers.empty()) {
            return (flags & mb::kButtonsMask) == mb::kYesNo ? mb::kIdYes : mb::kIdOk;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    // The "dialog" stays open until its places have arrived, unless told not to wait.
    std::optional<std::string> chooseFolder(const std::string& title,
                                            const FolderPlaces& places) override {
        kinds.push_back(Kind::ChooseFolder);
        folderTitles.push_back(title);
        placesFound.push_back(places);
        if (onFolderDialogOpen) {
            onFolderDialogOpen();
        }
        if (waitForPlaces) {
            FolderPlaces arriving = places;
            arriving.waitForFinished();
        }
        folderPlaces.push_back(places.isFinished() && places.resultCount() > 0
                                   ? places.result()
                                   : std::vector<FolderPlace>());
        return onChooseFolder ? onChooseFolder(title, folderPlaces.back()) : folderAnswer;
    }

    void openUrl(const std::string& url) override {
        kinds.push_back(Kind::OpenUrl);
        urls.push_back(url);
    }

    void startProgram(const ProcessCommand& command,
                      std::function<void(const std::string&)> onEarlyFailure) override {
        kinds.push_back(Kind::StartProgram);
        programs.push_back(command);
        earlyFailures.push_back(std::move(onEarlyFailure));
    }

    // Script.
    std::deque<int> answers;                  // message-box answers, in order; then Yes / OK
    std::optional<std::string> folderAnswer;  // nullopt: the dialog is cancelled
    std::function<void(const MessageCall&)> onMessage;  // runs while the "box" is open
    std::function<void()> onFolderDialogOpen;           // runs as the dialog opens, places or not
    bool waitForPlaces = true;
    // When set, answers the folder dialog in place of folderAnswer.
    std::function<std::optional<std::string>(const std::string&, const std::vector<FolderPlace>&)>
        onChooseFolder;

    // Record.
    std::vector<Kind> kinds;
    std::vector<MessageCall> messages;
    std::vector<std::string> folderTitles;
    std::vector<std::vector<FolderPlace>> folderPlaces;  // the sidebar of each folder dialog
    std::vector<FolderPlaces> placesFound;  // each dialog's places, as they were handed over
    std::vector<std::string> urls;
    std::vector<ProcessCommand> programs;
    std::vector<std::function<void(const std::string&)>> earlyFailures;  // call one to fail it
};

}  // namespace vestura::test
