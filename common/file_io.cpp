#include "common/file_io.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <cstdio>
#include <filesystem>
#include <memory>

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

void writeFileSafely(const std::string& path, std::initializer_list<ByteView> pieces) {
    const QString name = QString::fromLocal8Bit(path);
    const QFileInfo target(name);
    // Replacing by rename would also replace a read-only file; refuse it as opening it for
    // writing would.
    if (target.isDir() || (target.exists() && !target.isWritable())) {
        throw EFCreateError(msg::format(msg::kCannotCreateFile, path));
    }
    QSaveFile file(name);
    // Unbuffered, so each write reports what the system really stored: a buffered write
    // can "succeed" into the buffer and lose its tail on a full disk.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        throw EFCreateError(msg::format(msg::kCannotCreateFile, path));
    }
    for (const ByteView piece : pieces) {
        const auto size = static_cast<qint64>(piece.size());
        if (size > 0 &&
            file.write(reinterpret_cast<const char*>(piece.data()), size) != size) {
            file.cancelWriting();
            throw EWriteError(std::string(msg::kStreamWriteError));
        }
    }
    if (!file.commit()) {
        if (file.error() == QFileDevice::RenameError) {
            throw EFCreateError(msg::format(msg::kCannotCreateFile, path));
        }
        throw EWriteError(std::string(msg::kStreamWriteError));
    }
}

}  // namespace vestura
