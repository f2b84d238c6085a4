// The in-memory libjpeg data source: chunks of the held data, then a fake end-of-image.
#include "picture/jpeg/jpeg_source.h"

#include <algorithm>

namespace vestura::jpeg {

namespace {

constexpr std::size_t kChunkBytes = 4096;

// What the library reads once the data has run out: an end-of-image marker, so that data
// that stops early decodes as far as it goes, like a complete image.
constexpr JOCTET kEndOfImage[] = {0xFF, JPEG_EOI};

MemorySource& sourceOf(j_decompress_ptr info) {
    return *reinterpret_cast<MemorySource*>(info->src);
}

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr info) {
    MemorySource& source = sourceOf(info);
    if (source.offset < source.size) {
        const std::size_t chunk = std::min(kChunkBytes, source.size - source.offset);
        source.manager.next_input_byte = source.data + source.offset;
        source.manager.bytes_in_buffer = chunk;
        source.offset += chunk;
    } else {
        if (!source.started) {
            ERREXIT(info, JERR_INPUT_EMPTY);  // no data at all: fatal
        }
        WARNMS(info, JWRN_JPEG_EOF);  // dropped by the error manager
        source.manager.next_input_byte = kEndOfImage;
        source.manager.bytes_in_buffer = sizeof kEndOfImage;
    }
    source.started = true;
    return TRUE;
}

void skipInputData(j_decompress_ptr info, long count) {
    if (count <= 0) {
        return;
    }
    jpeg_source_mgr& manager = sourceOf(info).manager;
    auto remaining = static_cast<std::size_t>(count);
    while (remaining > manager.bytes_in_buffer) {
        remaining -= manager.bytes_in_buffer;
        fillInputBuffer(info);
    }
    manager.next_input_byte += remaining;
    manager.bytes_in_buffer -= remaining;
}

}  // namespace

void attachMemorySource(jpeg_decompress_struct& info, MemorySource& source, ByteView data) {
    source = MemorySource{};
    source.manager.init_source = &initSource;
    source.manager.fill_input_buffer = &fillInputBuffer;
    source.manager.skip_input_data = &skipInputData;
    source.manager.resync_to_restart = &jpeg_resync_to_restart;
    source.manager.term_source = &termSource;
    source.data = data.data();
    source.size = data.size();
    info.src = &source.manager;
}

}  // namespace vestura::jpeg
