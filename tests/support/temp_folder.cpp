#include "tests/support/temp_folder.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "common/platform.h"

namespace vestura::test {

std::string TempFolder::path() const {
    return dir_.path().toLocal8Bit().toStdString() + platform::kPathSeparator;
}

void TempFolder::write(const std::string& name, std::string_view content) const {
    writeFile(file(name), content);
}

std::string TempFolder::read(const std::string& name) const { return readFile(file(name)); }

void writeFile(const std::string& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) {
        throw std::runtime_error("test could not write " + path);
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("test could not read " + path);
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes toBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace vestura::test
