// fileNameBytes: a path Qt decoded, mapped back to the entries of the file system.
#include "app/file_name_bytes.h"

#include <QFile>
#include <string_view>

#include "common/path_case.h"
#include "common/text8.h"

namespace vestura {

std::string fileNameBytes(const QString& path) {
    const std::string asEncoded = QFile::encodeName(path).toStdString();
    if (!path.startsWith(QLatin1Char('/'))) {
        return asEncoded;
    }
    // An entry stands for a component (UTF-8, as Qt encodes it) when it shows as that
    // component: decoded by Qt, or as the program shows 8-bit text.
    return resolveComponents(asEncoded, [](std::string_view entry, std::string_view component) {
        const std::string name(entry);
        return QFile::decodeName(name.c_str()).toStdString() == component ||
               text8::decoded(name) == component;
    });
}

}  // namespace vestura
