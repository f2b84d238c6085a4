#include "common/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/errors.h"
#include "common/failure_text.h"
#include "common/messages.h"

namespace vestura {

namespace {

// Why a file could not be opened for reading; 0 stands for something that is not a file.
std::string openFailureCause(int error) {
    switch (error) {
        case 0:
            return "it is not a regular file";
        case ENOENT:
            return "the file does not exist";
        default:
            return causeOfError(error);
    }
}

}  // namespace

RegularFile::RegularFile(const std::string& path) {
    // O_NONBLOCK: opening a FIFO with no writer, or some devices, would otherwise wait
    // forever. Regular files ignore the flag, and nothing else is read.
    errno = ENOENT;  // what an empty path means
    if (!path.empty()) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    }
    struct stat status {};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
        const int error = fd_ < 0 ? errno : 0;
        if (fd_ >= 0) {
            ::close(fd_);
        }
        throw EFOpenError(msg::format(msg::kCannotOpenFile, path), openFailureCause(error));
    }
    size_ = static_cast<std::uint64_t>(status.st_size);
}

RegularFile::~RegularFile() {
    ::close(fd_);
}

std::size_t RegularFile::read(void* into, std::size_t count) {
    auto* bytes = static_cast<std::uint8_t*>(into);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd_, bytes + got, count - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw EReadError(std::string(msg::kStreamReadError), causeOfError(errno));
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return got;
}

std::size_t RegularFile::readAt(std::uint64_t offset, void* into, std::size_t count) {
    auto* bytes = static_cast<std::uint8_t*>(into);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd_, bytes + got, count - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw EReadError(std::string(msg::kStreamReadError), causeOfError(errno));
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return got;
}

std::optional<Bytes> readFileUpTo(const std::string& path, std::uint64_t maxBytes) {
    RegularFile file(path);
    if (file.size() > maxBytes) {
        return std::nullopt;
    }
    Bytes bytes(static_cast<std::size_t>(file.size()));
    bytes.resize(file.read(bytes.data(), bytes.size()));
    // A file that grew since it was opened: take the rest too, within the bound.
    constexpr std::size_t kChunk = 64 * 1024;
    std::uint8_t chunk[kChunk];
    for (std::size_t got = 0; (got = file.read(chunk, kChunk)) > 0;) {
        if (got > maxBytes - bytes.size()) {
            return std::nullopt;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

Bytes readWholeFile(const std::string& path) {
    return *readFileUpTo(path, UINT64_MAX);
}

}  // namespace vestura
