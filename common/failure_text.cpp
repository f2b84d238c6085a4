#include "common/failure_text.h"

#include <cerrno>
#include <cstring>

namespace vestura {

std::string withClosingPeriod(std::string text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') {
        text.push_back('.');
    }
    return text;
}

std::string causeOfError(int error) {
    switch (error) {
        case 0:
            return {};
        case ENOENT:
            return "the folder does not exist";
        case ENOTDIR:
            return "a part of the path is not a folder";
        case EISDIR:
            return "a folder is in the way";
        case EACCES:
        case EPERM:
            return "no permission";
        case ENOSPC:
        case EDQUOT:
            return "the disk is full";
        case EFBIG:
            return "the file is larger than allowed";
        case EROFS:
            return "the medium is read-only";
        case EINVAL:
        case ENAMETOOLONG:
        case EILSEQ:
            return "the name is not allowed";
        case ELOOP:
            return "too many symbolic links";
        case EIO:
            return "the disk could not be read or written";
        case ENOMEM:
            return "out of memory";
        case EMFILE:
        case ENFILE:
            return "too many open files";
        case EBUSY:
        case ETXTBSY:
            return "the file is in use";
        case EAGAIN:
            return "the file is locked or not ready";
        default: {
            std::string text = std::strerror(error);
            if (!text.empty() && text.front() >= 'A' && text.front() <= 'Z') {
                text.front() = char(text.front() - 'A' + 'a');
            }
            return text;
        }
    }
}

std::string failureLine(const std::string& message, const std::string& cause) {
    return withClosingPeriod(cause.empty() ? message : message + ": " + cause);
}

}  // namespace vestura
