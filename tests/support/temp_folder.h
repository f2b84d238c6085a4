// A fresh temporary folder per test, removed with everything in it afterwards.
#pragma once

#include <QTemporaryDir>
#include <string>

#include "common/file_io.h"

namespace vestura::test {

class TempFolder {
public:
    // The folder's path, ending with the platform separator.
    std::string path() const;
    std::string file(const std::string& name) const { return path() + name; }

    void write(const std::string& name, std::string_view content) const;
    std::string read(const std::string& name) const;

private:
    QTemporaryDir dir_;
};

// Whole-file helpers for tests.
void writeFile(const std::string& path, std::string_view content);
std::string readFile(const std::string& path);
Bytes toBytes(std::string_view text);

}  // namespace vestura::test
