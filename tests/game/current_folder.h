// Makes a folder the process's current folder for the length of a test, as start-up makes
// the program folder current.
#pragma once

#include <filesystem>
#include <string>

namespace vestura::test {

class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~CurrentFolder() { std::filesystem::current_path(previous_); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::filesystem::path previous_;
};

}  // namespace vestura::test
