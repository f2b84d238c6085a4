// TFileFormatsList: which picture kind reads which file extension.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "picture/graphic.h"

namespace vestura {

class TFileFormatsList {
public:
    using Factory = std::unique_ptr<TGraphic> (*)();
    struct Entry {
        std::string extension;  // lower case, without the dot
        std::string description;
        Factory create;
    };

    // Adds an entry; the extension is stored lower-cased.
    void add(std::string_view extension, std::string_view description, Factory create);

    // The entry for an extension, compared case-insensitively; searched from the last
    // entry, so a later entry wins over an earlier one with the same extension.
    const Entry* find(std::string_view extension) const;

    const std::vector<Entry>& entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
};

// The program's table: wmf, emf, ico, bmp, jpeg, jpg, png, tga, in that order.
const TFileFormatsList& fileFormats();

// The text after the path's last ".", when that "." comes after the last path delimiter;
// otherwise empty. Keeps the path's own letter case.
std::string pictureExtension(std::string_view path);

}  // namespace vestura
