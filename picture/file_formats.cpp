#include "picture/file_formats.h"

#include <algorithm>
#include <cctype>

#include "common/platform.h"
#include "picture/bmp/bitmap.h"
#include "picture/icon/icon.h"
#include "picture/jpeg/jpeg_image.h"
#include "picture/metafile/metafile.h"
#include "picture/png/png_image.h"
#include "picture/tga/tga_image.h"

namespace vestura {

namespace {

// Lower-casing of the 8-bit text through the C library's locale.
std::string lowerCased(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
}

template <typename Kind>
std::unique_ptr<TGraphic> make() {
    return std::make_unique<Kind>();
}

TFileFormatsList makeProgramTable() {
    TFileFormatsList table;
    table.add("wmf", "Metafiles", &make<TMetafile>);
    table.add("emf", "Enhanced Metafiles", &make<TMetafile>);
    table.add("ico", "Icons", &make<TIcon>);
    table.add("bmp", "Bitmaps", &make<TBitmap>);
    table.add("jpeg", "JPEG Image File", &make<TJPEGImage>);
    table.add("jpg", "JPEG Image File", &make<TJPEGImage>);
    table.add("png", "Portable Network Graphics", &make<TPngImage>);
    table.add("tga", "Truevision Targa", &make<TTgaImage>);
    return table;
}

}  // namespace

void TFileFormatsList::add(std::string_view extension, std::string_view description,
                           Factory create) {
    entries_.push_back({lowerCased(extension), std::string(description), create});
}

const TFileFormatsList::Entry* TFileFormatsList::find(std::string_view extension) const {
    const std::string key = lowerCased(extension);
    const auto found = std::find_if(entries_.rbegin(), entries_.rend(),
                                    [&](const Entry& entry) { return entry.extension == key; });
    return found == entries_.rend() ? nullptr : &*found;
}

const TFileFormatsList& fileFormats() {
    static const TFileFormatsList table = makeProgramTable();
    return table;
}

std::string pictureExtension(std::string_view path) {
    const auto last = std::find_if(path.rbegin(), path.rend(),
                                   [](char c) { return c == '.' || platform::isPathDelimiter(c); });
    if (last == path.rend() || *last != '.') {
        return {};
    }
    return std::string(last.base(), path.end());
}

}  // namespace vestura
