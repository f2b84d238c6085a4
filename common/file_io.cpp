#include "common/file_io.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

#include "common/errors.h"
#include "common/messages.h"

namespace vestura {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

constexpr std::size_t kReadChunk = 64 * 1024;

}  // namespace

Bytes readWholeFile(const std::string& path) {
    std::error_code error;
    if (path.empty() || std::filesystem::is_directory(path, error)) {
        throw EFOpenError(msg::format(msg::kCannotOpenFile, path));
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        throw EFOpenError(msg::format(msg::kCannotOpenFile, path));
    }
    Bytes bytes;
    const auto size = std::filesystem::file_size(path, error);
    if (!error) {
        bytes.reserve(static_cast<std::size_t>(size));
    }
    std::uint8_t chunk[kReadChunk];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        throw EReadError(std::string(msg::kStreamReadError));
    }
    return bytes;
}

namespace {

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
