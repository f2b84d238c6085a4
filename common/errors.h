// The failure classes every layer raises. Each carries the program's own message text
// (8-bit, as shown to the user); handlers never catch them, failure reporting shows them.
#pragma once

#include <exception>
#include <string>

namespace vestura {

class Exception : public std::exception {
public:
    // `cause` says in plain words why the system refused ("no permission", "the disk is
    // full"); the message stays the program's own text whatever the cause.
    explicit Exception(std::string message, std::string cause = {})
        : message_(std::move(message)), cause_(std::move(cause)) {}
    const std::string& message() const noexcept { return message_; }
    const std::string& cause() const noexcept { return cause_; }
    // The message, then ": " and the cause when there is one: the failure on one line.
    std::string withCause() const { return cause_.empty() ? message_ : message_ + ": " + cause_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
    std::string cause_;
};

#define VESTURA_EXCEPTION(Name)     \
    class Name : public Exception { \
    public:                         \
        using Exception::Exception; \
    }

VESTURA_EXCEPTION(EInvalidGraphic);  // a picture file that is not what its kind expects
VESTURA_EXCEPTION(EFOpenError);      // "Cannot open file %s"
VESTURA_EXCEPTION(EFCreateError);    // "Cannot create file %s"
VESTURA_EXCEPTION(EReadError);       // "Stream read error"
VESTURA_EXCEPTION(EWriteError);      // "Stream write error"
VESTURA_EXCEPTION(EJPEG);            // "JPEG error #%d"
VESTURA_EXCEPTION(EOSError);         // an operating-system failure with its own text
VESTURA_EXCEPTION(EOutOfResources);  // the platform ran out of something
VESTURA_EXCEPTION(ETextTooLarge);    // "Text exceeds memo capacity"

#undef VESTURA_EXCEPTION

// Raised only to abandon an operation: failure reporting drops it without a message.
class EAbort : public Exception {
public:
    EAbort() : Exception(std::string()) {}
};

}  // namespace vestura
