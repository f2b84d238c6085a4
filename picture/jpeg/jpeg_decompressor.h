// A libjpeg decompressor that reads JPEG data from memory, with the program's error handling:
// a fatal libjpeg error ends the running step and surfaces as EJPEG "JPEG error #<code>".
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>

#include "common/file_io.h"
#include "picture/jpeg/jpeg_library.h"

namespace vestura::jpeg {

// Multi-scan data with more scans than this is refused: each scan costs a pass over the
// whole coefficient buffer, so a small hostile file could otherwise keep us busy for ages.
// Real progressive files have about ten; trusted decoders' own fuzz harnesses stop at 100.
inline constexpr int kMaxScans = 100;
// And the scans times the frame's blocks, so that a big frame allows fewer scans: about
// 10 ns a block here for an empty scan, so this bounds the scan passes to a fraction of a
// second.
inline constexpr std::int64_t kMaxScanBlocks = std::int64_t{1} << 24;

// The 8 x 8 blocks of every component of the frame (known once the headers are read).
std::int64_t frameBlocks(const jpeg_decompress_struct& info);

// How many scans the frame may have: kMaxScans, fewer for frames so big that kMaxScans
// passes would exceed kMaxScanBlocks.
int scanLimit(const jpeg_decompress_struct& info);

// The libjpeg code reported when kMaxScans is exceeded. libjpeg has no code of its own for
// this; "invalid progressive parameters" is the closest fit.
inline constexpr int kTooManyScansCode = JERR_BAD_PROGRESSION;

struct DecompressorState;

class Decompressor {
public:
    // Creates the decompressor (jpeg_create_decompress) and attaches `data` as its source.
    // The bytes must outlive the decompressor. Raises EJPEG when libjpeg refuses.
    explicit Decompressor(ByteView data);
    ~Decompressor();  // jpeg_destroy_decompress, on every path
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct& info();

    // Runs `step`, which calls into libjpeg. A fatal libjpeg error leaves the step at once
    // through longjmp, so the step's frames must hold only trivially destructible objects
    // and must not throw; the error is then raised here as EJPEG with libjpeg's code.
    template <typename Step>
    void run(Step&& step) {
        using Callable = std::remove_reference_t<Step>;
        runGuarded([](void* callable) { (*static_cast<Callable*>(callable))(); }, &step);
    }

    // Raises EJPEG "JPEG error #<code>" from ordinary C++ code (outside a step).
    [[noreturn]] static void raise(int code);

private:
    void runGuarded(void (*step)(void*), void* context);

    struct Destroy {
        void operator()(DecompressorState* state) const;
    };
    std::unique_ptr<DecompressorState, Destroy> state_;
};

}  // namespace vestura::jpeg
