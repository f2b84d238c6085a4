#include "picture/png/png_writer.h"

#include <QBuffer>
#include <string>

#include "common/errors.h"
#include "common/messages.h"

namespace vestura {

Bytes encodePng(const QImage& picture) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) {
        throw EOutOfResources(std::string(msg::kOutOfMemory));
    }
    return Bytes(data.begin(), data.end());
}

}  // namespace vestura
