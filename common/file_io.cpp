#include "common/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

#include "common/errors.h"
#include "common/messages.h"

namespace vestura {

RegularFile::RegularFile(const std::string& path) {
    // O_NONBLOCK: opening a FIFO with no writer, or some devices, would otherwise wait
    // forever. Regular files ignore the flag, and nothing else is read.
    if (!path.empty()) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    }
    struct stat status {};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        throw EFOpenError(msg::format(msg::kCannotOpenFile, path));
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
            throw EReadError(std::string(msg::kStreamReadError));
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

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

using File = std::unique_ptr<std::FILE, FileCloser>;

// Writes every piece unbuffered, so each write reports what the system really stored: a
// buffered write can "succeed" into the buffer and lose its tail on a full disk. False
// when any write stored less, or the final flush and close failed.
bool writeAll(File file, std::initializer_list<ByteView> pieces) {
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    for (const ByteView piece : pieces) {
        if (!piece.empty() &&
            std::fwrite(piece.data(), 1, piece.size(), file.get()) != piece.size()) {
            return false;
        }
    }
    return std::fclose(file.release()) == 0;
}

// A new, empty file beside `path` that nobody else has, or null when the folder takes no
// new file. Its name is the target's with a random tail.
File createTemporaryBeside(const std::string& path, std::string& temporary) {
    constexpr int kAttempts = 16;
    std::random_device random;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        char tail[16];
        std::snprintf(tail, sizeof tail, ".%08x~", static_cast<unsigned>(random()));
        temporary = path + tail;
        File file(std::fopen(temporary.c_str(), "wbx"));
        if (file || errno != EEXIST) {
            return file;
        }
    }
    return nullptr;
}

}  // namespace

void writeFileSafely(const std::string& path, std::initializer_list<ByteView> pieces) {
    const std::filesystem::path target(path);  // the bytes as they are, on POSIX
    std::error_code error;
    const auto status = std::filesystem::status(target, error);
    const bool exists = std::filesystem::exists(status);
    // Replacing by rename would also replace a read-only file; refuse it as opening it for
    // writing would. Opening it without truncating tests exactly that.
    if (std::filesystem::is_directory(status) ||
        (exists && !File(std::fopen(path.c_str(), "r+b")))) {
        throw EFCreateError(msg::format(msg::kCannotCreateFile, path));
    }
    std::string temporary;
    File file = createTemporaryBeside(path, temporary);
    if (!file) {
        // A write-protected folder holding a writable file: no new file can be made beside
        // it, so the existing file is rewritten in place.
        File inPlace(exists ? std::fopen(path.c_str(), "wb") : nullptr);
        if (!inPlace) {
            throw EFCreateError(msg::format(msg::kCannotCreateFile, path));
        }
        if (!writeAll(std::move(inPlace), pieces)) {
            throw EWriteError(std::string(msg::kStreamWriteError));
        }
        return;
    }
    const std::filesystem::path temporaryPath(temporary);
    if (!writeAll(std::move(file), pieces)) {
        std::filesystem::remove(temporaryPath, error);
        throw EWriteError(std::string(msg::kStreamWriteError));
    }
    if (exists) {
        // The new content keeps the old file's permissions.
        std::filesystem::permissions(temporaryPath, status.permissions(), error);
    }
    std::filesystem::rename(temporaryPath, target, error);
    if (error) {
        std::filesystem::remove(temporaryPath, error);
        throw EFCreateError(msg::format(msg::kCannotCreateFile, path));
    }
}

}  // namespace vestura
