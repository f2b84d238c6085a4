#include "common/file_io.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QString>
#include <array>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#endif

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

#ifndef _WIN32
// Signals that end the process while a batch may hold temporary files.
constexpr std::array<int, 3> kEndingSignals = {SIGINT, SIGHUP, SIGTERM};
#endif

// Holds back the ending signals while the list of temporary files changes, so the handler
// never sees it half-linked.
class EndingSignalsHeld {
public:
    EndingSignalsHeld() {
#ifndef _WIN32
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : kEndingSignals) {
            sigaddset(&held, signal);
        }
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
#endif
    }
    ~EndingSignalsHeld() {
#ifndef _WIN32
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
#endif
    }
    EndingSignalsHeld(const EndingSignalsHeld&) = delete;
    EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

private:
#ifndef _WIN32
    sigset_t previous_;
#endif
};

void makeDurable(int descriptor) {
#ifdef _WIN32
    const int failed = _commit(descriptor);
#elif defined(__linux__)
    const int failed = fdatasync(descriptor);
#else
    const int failed = fsync(descriptor);
#endif
    if (failed != 0) {
        throw EWriteError(std::string(msg::kStreamWriteError));
    }
}

// The file a write to `path` really replaces: a symbolic link is followed to its target,
// so the link itself stays.
QString resolvedTarget(const QString& path) {
    QFileInfo file(path);
    constexpr int kMaxLinks = 128;
    for (int depth = 0; depth < kMaxLinks && file.isSymLink(); ++depth) {
        file.setFile(file.symLinkTarget());
    }
    return file.filePath();
}

// Makes a file that did not exist before, beside `target`, for writing.
bool createBeside(const QString& target, QFile& file) {
    constexpr int kAttempts = 64;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const quint32 tag = QRandomGenerator::global()->generate();
        file.setFileName(target + QStringLiteral(".%1").arg(tag, 8, 16, QLatin1Char('0')));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            return true;
        }
        if (!file.exists()) {
            return false;  // not a name clash: the folder refuses new files
        }
    }
    return false;
}

}  // namespace

struct PendingFileEntry {
    const char* temporary;
    PendingFileEntry* previous = nullptr;
    PendingFileEntry* next = nullptr;
};

namespace {

PendingFileEntry* volatile pendingFiles = nullptr;

#ifndef _WIN32
extern "C" void removePendingFilesAndEnd(int signal) {
    for (const PendingFileEntry* file = pendingFiles; file != nullptr; file = file->next) {
        ::unlink(file->temporary);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif

}  // namespace

PendingFile::PendingFile(const std::string& path, std::span<const ByteView> pieces) : path_(path) {
    const QString name = QString::fromLocal8Bit(path);
    const QFileInfo target(resolvedTarget(name));
    // Replacing by rename would also replace a read-only file; refuse it as opening it for
    // writing would.
    if (path.empty() || target.isDir() || (target.exists() && !target.isWritable())) {
        throw EFCreateError(msg::format(msg::kCannotCreateFile, path));
    }
    target_ = target.filePath().toLocal8Bit().toStdString();
    folder_ = target.absolutePath().toLocal8Bit().toStdString();

    QFile file;
    {
        const EndingSignalsHeld held;
        if (!createBeside(target.filePath(), file)) {
            throw EFCreateError(msg::format(msg::kCannotCreateFile, path));
        }
        temporary_ = file.fileName().toLocal8Bit().toStdString();
        entry_ = std::make_unique<PendingFileEntry>(PendingFileEntry{temporary_.c_str()});
        entry_->next = pendingFiles;
        if (pendingFiles != nullptr) {
            pendingFiles->previous = entry_.get();
        }
        pendingFiles = entry_.get();
    }
    try {
        writePieces(file, target, pieces);
    } catch (...) {
        file.close();
        discard();  // a constructor that throws gets no destructor call
        throw;
    }
}

void PendingFile::writePieces(QFile& file, const QFileInfo& target,
                              std::span<const ByteView> pieces) {
    if (target.exists()) {
        file.setPermissions(target.permissions());
    }
    // Unbuffered, so each write reports what the system really stored: a buffered write
    // can "succeed" into the buffer and lose its tail on a full disk.
    for (const ByteView piece : pieces) {
        const auto size = static_cast<qint64>(piece.size());
        if (size > 0 && file.write(reinterpret_cast<const char*>(piece.data()), size) != size) {
            throw EWriteError(std::string(msg::kStreamWriteError));
        }
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        throw EWriteError(std::string(msg::kStreamWriteError));
    }
}

PendingFile::~PendingFile() {
    discard();
}

void PendingFile::discard() {
    if (entry_) {
        const EndingSignalsHeld held;
        std::remove(temporary_.c_str());
        forget();
    }
}

void PendingFile::forget() {
    if (entry_->previous != nullptr) {
        entry_->previous->next = entry_->next;
    } else {
        pendingFiles = entry_->next;
    }
    if (entry_->next != nullptr) {
        entry_->next->previous = entry_->previous;
    }
    entry_.reset();
}

void PendingFile::sync() const {
    QFile file(QString::fromLocal8Bit(temporary_));
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        throw EWriteError(std::string(msg::kStreamWriteError));
    }
    makeDurable(file.handle());
}

void PendingFile::commit() {
    std::error_code error;
    {
        const EndingSignalsHeld held;
        std::filesystem::rename(temporary_, target_, error);
        if (!error) {
            forget();  // the temporary file is the target now
        }
    }
    if (error) {
        throw EFCreateError(msg::format(msg::kCannotCreateFile, path_));  // the owner discards it
    }
}

void syncFolder(const std::string& folder) {
#ifdef __linux__
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool stored = descriptor >= 0 && ::syncfs(descriptor) == 0;
    if (descriptor >= 0) {
        ::close(descriptor);
    }
    if (!stored) {
        throw EWriteError(std::string(msg::kStreamWriteError));
    }
#elif defined(_WIN32)
    (void)folder;  // no barrier for a whole volume: each file's content was flushed at close
#else
    (void)folder;
    ::sync();
#endif
}

void removePendingFilesOnSignal() {
#ifndef _WIN32
    for (const int signal : kEndingSignals) {
        struct sigaction action {};
        action.sa_handler = removePendingFilesAndEnd;
        sigemptyset(&action.sa_mask);
        for (const int other : kEndingSignals) {
            sigaddset(&action.sa_mask, other);
        }
        sigaction(signal, &action, nullptr);
    }
#endif
}

void writeFileSafely(const std::string& path, std::span<const ByteView> pieces) {
    PendingFile file(path, pieces);
    file.sync();
    file.commit();
}

void writeFileSafely(const std::string& path, std::initializer_list<ByteView> pieces) {
    writeFileSafely(path, std::span<const ByteView>(pieces.begin(), pieces.size()));
}

}  // namespace vestura
