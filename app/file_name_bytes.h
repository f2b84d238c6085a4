// Local file names between the bytes the system keeps and the text Qt shows. Qt decodes
// names as UTF-8 and cannot give back bytes that are not: a folder named "gam\xE9" reaches
// a file dialog's result as "gam\uFFFD", which names nothing, and Qt's own dialog does not
// list it at all.
#pragma once

#include <QString>
#include <string>

namespace vestura {

// The bytes of the existing local path shown as `path` (absolute, "/"-separated). Each
// component is taken as Qt encodes it when that exists, else as the one entry of its folder
// that shows as it: decoded by Qt ("gam\uFFFD") or as the program shows 8-bit text (UTF-8
// when valid, else Windows-1252: "gam\u00E9"). When a component has no such entry or
// several, the path is returned as Qt encodes it.
std::string fileNameBytes(const QString& path);

}  // namespace vestura
