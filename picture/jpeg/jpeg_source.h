// The libjpeg data source that serves JPEG data held in memory, in chunks of up to 4096
// bytes, and makes data that stops early end like a complete image.
#pragma once

#include "common/file_io.h"
#include "picture/jpeg/jpeg_library.h"

namespace vestura::jpeg {

// Plain data only: it lives inside the decompressor's state, which libjpeg may leave by
// longjmp at any point.
struct MemorySource {
    jpeg_source_mgr manager;  // first, so libjpeg's pointer to it is a pointer to us
    const JOCTET* data;
    std::size_t size;
    std::size_t offset;  // bytes of `data` handed to the library so far
    bool started;        // a read has been made
};

// Makes `source` the data source of `info`, reading `data` from its start.
void attachMemorySource(jpeg_decompress_struct& info, MemorySource& source, ByteView data);

}  // namespace vestura::jpeg
