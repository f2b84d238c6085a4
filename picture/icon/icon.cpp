#include "picture/icon/icon.h"

#include <QPainter>
#include <algorithm>

#include "common/errors.h"
#include "common/messages.h"
#include "picture/builtin.h"
#include "picture/display.h"
#include "picture/metafile/metafile_record.h"

namespace vestura {

namespace {

constexpr std::size_t kHeaderBytes = 6;
constexpr std::uint16_t kDefaultIconType = 0;
constexpr std::uint16_t kIconType = 1;
// Above this depth the display shows any colour an entry can hold.
constexpr int kMaxPalettedDisplayBits = 8;

std::uint64_t displayColors() {
    const int bits = display().bitsPerPixel;
    if (bits > kMaxPalettedDisplayBits) {
        return kUnlimitedColors;
    }
    return std::uint64_t{1} << std::max(bits, 1);
}

}  // namespace

int TIcon::width() const {
    return made_ ? madeWidth_ : display().iconSize;
}
int TIcon::height() const {
    return made_ ? madeHeight_ : display().iconSize;
}

void TIcon::loadFromBytes(std::span<const std::uint8_t> file) {
    if (file.size() < kHeaderBytes) {
        throw EReadError(std::string(msg::kStreamReadError));
    }
    const std::uint16_t type = RecordView(file).u16(2);
    if (type != kDefaultIconType && type != kIconType) {
        throw EInvalidGraphic(std::string(msg::kIconInvalid));
    }
    if (type == kIconType) {
        readIconDirectory(file);  // a damaged file fails now, not at its first draw
    }
    data_.assign(file.begin(), file.end());
    type_ = type;
    made_ = false;
    image_ = QImage();
    // The entry is picked now, so the picture has its real size before anyone measures
    // it: a slot sized at load then matches every paint and the saved skin.
    image();
}

void TIcon::refuseOversizedFile() const {
    throw EInvalidGraphic(std::string(msg::kIconInvalid));
}

const QImage& TIcon::image() {
    if (made_) {
        return image_;
    }
    made_ = true;
    const std::vector<std::uint8_t> file =
        type_ == kIconType ? data_ : builtinPictureFile(BuiltinPicture::ProgramIcon);
    std::vector<IconEntry> entries;
    try {
        entries = readIconDirectory(file);
    } catch (const Exception&) {
        madeWidth_ = madeHeight_ = display().iconSize;
        return image_;
    }
    const IconEntry& entry = entries[pickIconEntry(entries, displayColors(), display().iconSize)];
    madeWidth_ = entry.width;
    madeHeight_ = entry.height;
    image_ = decodeIconEntry(file, entry);
    return image_;
}

void TIcon::draw(QPainter& painter, const QRect& rect) {
    if (empty() || image().isNull() || rect.isEmpty()) {
        return;
    }
    painter.drawImage(rect, image_);
}

}  // namespace vestura
