// The libjpeg error manager: a fatal error jumps back to the step that called the library,
// carrying libjpeg's code; warnings and trace messages are dropped.
#pragma once

#include <csetjmp>

#include "picture/jpeg/jpeg_library.h"

namespace vestura::jpeg {

// Plain data only, like everything libjpeg may leave by longjmp.
struct ErrorManager {
    jpeg_error_mgr manager;  // first, so libjpeg's pointer to it is a pointer to us
    std::jmp_buf jumpTarget;
};

// Makes `errors` the error manager of `info`; call before jpeg_create_decompress.
void attachErrorManager(jpeg_decompress_struct& info, ErrorManager& errors);

// Returned by callWithJumpTarget when the step finished without a fatal error. libjpeg's
// codes are all non-negative.
inline constexpr int kNoFailure = -1;

// Runs step(context) with `errors` ready to catch a fatal libjpeg error. Returns kNoFailure,
// or libjpeg's code for the fatal error that ended the step.
int callWithJumpTarget(ErrorManager& errors, void (*step)(void*), void* context);

}  // namespace vestura::jpeg
