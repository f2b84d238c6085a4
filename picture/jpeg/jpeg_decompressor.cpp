// The decompressor's state (libjpeg's structures with our error manager, data source and
// scan limit) and the guarded calls into the library.
#include "picture/jpeg/jpeg_decompressor.h"

#include <algorithm>

#include "common/errors.h"
#include "common/messages.h"
#include "picture/jpeg/jpeg_errors.h"
#include "picture/jpeg/jpeg_source.h"

namespace vestura::jpeg {

// Plain data, held on the heap by Decompressor so that no frame libjpeg can longjmp out of
// owns it.
struct DecompressorState {
    jpeg_decompress_struct info;
    ErrorManager errors;
    MemorySource source;
    jpeg_progress_mgr progress;
};

namespace {

// libjpeg calls this before each step of its input and output loops; each new scan of a
// multi-scan file passes through here before it is decoded.
void limitScans(j_common_ptr common) {
    auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > kMaxScans ||
        (info->input_scan_number > 1 && info->input_scan_number > scanLimit(*info))) {
        ERREXIT(info, kTooManyScansCode);
    }
}

}  // namespace

std::int64_t frameBlocks(const jpeg_decompress_struct& info) {
    std::int64_t blocks = 0;
    for (int c = 0; info.comp_info != nullptr && c < info.num_components; ++c) {
        blocks +=
            std::int64_t{info.comp_info[c].width_in_blocks} * info.comp_info[c].height_in_blocks;
    }
    return blocks;
}

int scanLimit(const jpeg_decompress_struct& info) {
    const std::int64_t blocks = std::max<std::int64_t>(frameBlocks(info), 1);
    return static_cast<int>(std::min<std::int64_t>(kMaxScans, kMaxScanBlocks / blocks));
}

void Decompressor::Destroy::operator()(DecompressorState* state) const {
    // Safe also when creation failed: jpeg_create_decompress clears `mem` first thing.
    jpeg_destroy_decompress(&state->info);
    delete state;
}

Decompressor::Decompressor(ByteView data) : state_(new DecompressorState{}) {
    DecompressorState& state = *state_;
    attachErrorManager(state.info, state.errors);
    run([&state] { jpeg_create_decompress(&state.info); });
    attachMemorySource(state.info, state.source, data);
    state.progress.progress_monitor = &limitScans;
    state.info.progress = &state.progress;
}

Decompressor::~Decompressor() = default;

jpeg_decompress_struct& Decompressor::info() {
    return state_->info;
}

void Decompressor::raise(int code) {
    throw EJPEG(msg::format(msg::kJpegError, code));
}

void Decompressor::runGuarded(void (*step)(void*), void* context) {
    const int code = callWithJumpTarget(state_->errors, step, context);
    if (code != kNoFailure) {
        raise(code);
    }
}

}  // namespace vestura::jpeg
