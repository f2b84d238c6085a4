// The libjpeg error manager and the one place that sets its jump target.
#include "picture/jpeg/jpeg_errors.h"

namespace vestura::jpeg {

namespace {

ErrorManager& errorsOf(j_common_ptr info) {
    return *reinterpret_cast<ErrorManager*>(info->err);
}

[[noreturn]] void errorExit(j_common_ptr info) {
    std::longjmp(errorsOf(info).jumpTarget, 1);
}

void emitMessage(j_common_ptr, int) {}
void outputMessage(j_common_ptr) {}
void formatMessage(j_common_ptr, char*) {}

void resetErrorManager(j_common_ptr info) {
    info->err->num_warnings = 0;
    info->err->msg_code = 0;
}

}  // namespace

void attachErrorManager(jpeg_decompress_struct& info, ErrorManager& errors) {
    jpeg_std_error(&errors.manager);  // message tables and the remaining fields
    errors.manager.error_exit = &errorExit;
    errors.manager.emit_message = &emitMessage;
    errors.manager.output_message = &outputMessage;
    errors.manager.format_message = &formatMessage;
    errors.manager.reset_error_mgr = &resetErrorManager;
    info.err = &errors.manager;
}

// Only trivially destructible objects live in this frame and in the step's, so leaving them
// by longjmp skips nothing that C++ would have to clean up.
int callWithJumpTarget(ErrorManager& errors, void (*step)(void*), void* context) {
    if (setjmp(errors.jumpTarget) != 0) {
        return errors.manager.msg_code;
    }
    step(context);
    return kNoFailure;
}

}  // namespace vestura::jpeg
