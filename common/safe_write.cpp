// The one safe way anything is written to disk: a temporary file beside the target, every
// write checked, then one rename; or, where the folder takes no new file, a rewrite in place.
// Paths are bytes throughout, so a folder whose name is not valid UTF-8 works too.
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#endif

#include "common/errors.h"
#include "common/file_io.h"
#include "common/messages.h"

namespace vestura {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

using File = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void failCreate(const std::string& path) {
    throw EFCreateError(msg::format(msg::kCannotCreateFile, path));
}

[[noreturn]] void failWrite() {
    throw EWriteError(std::string(msg::kStreamWriteError));
}

// Writes every piece unbuffered, so each write reports what the system really stored: a
// buffered write can "succeed" into the buffer and lose its tail on a full disk. False
// when any write stored less, or the final close failed.
bool writeAll(File file, std::span<const ByteView> pieces) {
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    for (const ByteView piece : pieces) {
        if (!piece.empty() &&
            std::fwrite(piece.data(), 1, piece.size(), file.get()) != piece.size()) {
            return false;
        }
    }
    return std::fclose(file.release()) == 0;
}

// The file a write to `path` really replaces: a symbolic link is followed to its target, so
// the link itself stays.
std::filesystem::path resolvedTarget(const std::string& path) {
    std::filesystem::path file(path);
    constexpr int kMaxLinks = 128;
    std::error_code error;
    for (int depth = 0; depth < kMaxLinks && std::filesystem::is_symlink(file, error); ++depth) {
        const std::filesystem::path link = std::filesystem::read_symlink(file, error);
        if (error) {
            break;
        }
        file = link.is_absolute() ? link : file.parent_path() / link;
    }
    return file;
}

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

void makeDurable(std::FILE* file) {
#ifdef _WIN32
    const int failed = _commit(_fileno(file));
#elif defined(__linux__)
    const int failed = fdatasync(fileno(file));
#else
    const int failed = fsync(fileno(file));
#endif
    if (failed != 0) {
        failWrite();
    }
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

// A new, empty file beside `target` that nobody else has, or null when the folder takes no
// new file. Its name is the target's with a random tail. The signal handler learns of it
// before it exists, so an interrupt never leaves it behind.
File createTemporaryBeside(const std::string& target, std::string& temporary,
                           std::unique_ptr<PendingFileEntry>& entry) {
    constexpr int kAttempts = 16;
    // Seeded once per thread: opening the system's random source for every file costs more
    // than writing a skin. A clash only means another attempt (the file is made exclusively).
    thread_local std::minstd_rand random(std::random_device{}());
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        char tail[16];
        std::snprintf(tail, sizeof tail, ".%08x~", static_cast<unsigned>(random()));
        const EndingSignalsHeld held;
        temporary = target + tail;
        File file(std::fopen(temporary.c_str(), "wbx"));
        if (file) {
            entry = std::make_unique<PendingFileEntry>(PendingFileEntry{temporary.c_str()});
            entry->next = pendingFiles;
            if (pendingFiles != nullptr) {
                pendingFiles->previous = entry.get();
            }
            pendingFiles = entry.get();
            return file;
        }
        if (errno != EEXIST) {
            break;  // not a name clash: the folder refuses new files
        }
    }
    temporary.clear();
    return nullptr;
}

}  // namespace

PendingFile::PendingFile(const std::string& path, std::span<const ByteView> pieces) : path_(path) {
    const std::filesystem::path target = resolvedTarget(path);
    std::error_code error;
    const auto status = std::filesystem::status(target, error);
    const bool exists = std::filesystem::exists(status);
    // Replacing by rename would also replace a read-only file; refuse it as opening it for
    // writing would. Opening it without truncating tests exactly that.
    if (path.empty() || std::filesystem::is_directory(status) ||
        (exists && !File(std::fopen(target.c_str(), "r+b")))) {
        failCreate(path);
    }
    target_ = target.string();
    folder_ = target.has_parent_path() ? target.parent_path().string() : std::string(".");

    File file = createTemporaryBeside(target_, temporary_, entry_);
    if (!file) {
        // A write-protected folder holding a writable file: no new file can be made beside
        // it, so commit() rewrites the existing file in place.
        if (!exists) {
            failCreate(path);
        }
        for (const ByteView piece : pieces) {
            inPlace_.insert(inPlace_.end(), piece.begin(), piece.end());
        }
        return;
    }
    if (exists) {
        // The new content keeps the old file's permissions.
        std::filesystem::permissions(temporary_, status.permissions(), error);
    }
    if (!writeAll(std::move(file), pieces)) {
        discard();  // a constructor that throws gets no destructor call
        failWrite();
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
    if (temporary_.empty()) {
        return;  // a rewrite in place is made durable as commit() writes it
    }
    const File file(std::fopen(temporary_.c_str(), "r+b"));
    if (!file) {
        failWrite();
    }
    makeDurable(file.get());
}

void PendingFile::commit() {
    if (temporary_.empty()) {
        File file(std::fopen(target_.c_str(), "wb"));
        if (!file) {
            failCreate(path_);
        }
        const ByteView content(inPlace_);
        if (!writeAll(std::move(file), std::span<const ByteView>(&content, 1))) {
            failWrite();
        }
        return;
    }
    std::error_code error;
    {
        const EndingSignalsHeld held;
        std::filesystem::rename(temporary_, target_, error);
        if (!error) {
            forget();  // the temporary file is the target now
        }
    }
    if (error) {
        failCreate(path_);  // the owner discards the temporary file
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
        failWrite();
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
