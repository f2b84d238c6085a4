// The one safe way anything is written to disk. A regular file (or a new one) gets its new
// content in a file beside it that has no name until it is complete (Linux O_TMPFILE; a
// temporary name elsewhere), every write checked, then takes the target's place in one
// rename. Where the folder takes no new file, the existing file is rewritten in place once
// its new size is reserved. A character device or FIFO is written directly; nothing else is
// replaced. Paths are bytes throughout, so a folder whose name is not valid UTF-8 works too.
#include <fcntl.h>
#include <sys/stat.h>

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
#include <pthread.h>
#include <unistd.h>
#endif

#include "common/errors.h"
#include "common/failure_text.h"
#include "common/file_io.h"
#include "common/messages.h"

namespace vestura {

namespace {

constexpr int kNoFile = -1;

// Both take the cause from errno as it stands where they are called, before any clean-up.
[[noreturn]] void failCreate(const std::string& path, int error = errno) {
    throw EFCreateError(msg::format(msg::kCannotCreateFile, path), causeOfError(error));
}

[[noreturn]] void failWrite(int error = errno) {
    throw EWriteError(std::string(msg::kStreamWriteError), causeOfError(error));
}

// Writes every piece, each write checked for what the system really stored: a short write is
// retried for the rest, and a write that stores nothing (a full disk) fails.
bool writeAll(int fd, std::span<const ByteView> pieces) {
    for (const ByteView piece : pieces) {
        std::size_t done = 0;
        while (done < piece.size()) {
            const auto n = ::write(fd, piece.data() + done, piece.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                if (n == 0) {
                    errno = ENOSPC;  // nothing stored and no error: the disk is full
                }
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
    }
    return true;
}

std::size_t totalSize(std::span<const ByteView> pieces) {
    std::size_t size = 0;
    for (const ByteView piece : pieces) {
        size += piece.size();
    }
    return size;
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
// Signals that end the process while a temporary file may have a name. A closed output pipe
// is among them, so a batch piped into a reader that stops early ends without litter.
constexpr std::array<int, 4> kEndingSignals = {SIGINT, SIGHUP, SIGTERM, SIGPIPE};
#endif

// Holds back the ending signals while a temporary file gets or loses its name, so the
// handler never sees the list of them half-linked.
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

bool makeDurable(int fd) {
#ifdef _WIN32
    return _commit(fd) == 0;
#elif defined(__linux__)
    return ::fdatasync(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

// Makes room for `size` bytes in the file before anything of it is overwritten, so a disk
// too full for the new content fails here with the old content whole.
bool reserve(int fd, std::uint64_t size) {
#ifdef _WIN32
    return _chsize_s(fd, static_cast<__int64>(size)) == 0;
#else
    int error = 0;
    do {
        error = ::posix_fallocate(fd, 0, static_cast<off_t>(size));
    } while (error == EINTR);
    if (error != 0) {
        errno = error;  // posix_fallocate returns its error instead of setting it
    }
    return error == 0;
#endif
}

bool resize(int fd, std::uint64_t size) {
#ifdef _WIN32
    return _chsize_s(fd, static_cast<__int64>(size)) == 0;
#else
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0;
#endif
}

bool unnamedFilesPreferred = true;

// The target's name with a random tail: the name a temporary file takes beside it.
std::string temporaryName(const std::string& target) {
    // Seeded once per thread: opening the system's random source for every file costs more
    // than writing a skin. A clash only means another attempt (names are taken exclusively).
    thread_local std::minstd_rand random(std::random_device{}());
    char tail[16];
    std::snprintf(tail, sizeof tail, ".%08x~", static_cast<unsigned>(random()));
    return target + tail;
}

constexpr int kNameAttempts = 16;

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

// What the target is, and so which way the new content goes.
enum class TargetKind { Missing, Regular, Stream, Refused };

TargetKind kindOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return errno == ENOENT ? TargetKind::Missing : TargetKind::Refused;
    }
    if (S_ISREG(status.st_mode)) {
        return TargetKind::Regular;
    }
#ifndef _WIN32
    if (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)) {
        return TargetKind::Stream;
    }
#endif
    errno = EISDIR;              // for the message: something that is not a file is in the way
    return TargetKind::Refused;  // a folder, a block device, a socket
}

// Opens a character device or FIFO for writing, without waiting: a FIFO with no reader is
// refused rather than waited for. The writes then wait as any writer's would.
int openStream(const std::string& path) {
#ifdef _WIN32
    (void)path;
    return kNoFile;
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat status {};
    if (fd >= 0 && ::fstat(fd, &status) == 0 &&
        (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)) &&
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0) {
        return fd;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return kNoFile;
#endif
}

// An unnamed file in `folder`, or -1 where the file system makes none.
int createUnnamed(const std::string& folder) {
#ifdef O_TMPFILE
    if (unnamedFilesPreferred) {
        return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    }
#else
    (void)folder;
#endif
    return kNoFile;
}

// Gives the unnamed file `fd` the name `name`, which must be free.
bool nameUnnamed(int fd, const std::string& name) {
#ifdef O_TMPFILE
    // Through /proc any user may link the file; AT_EMPTY_PATH needs a privilege.
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    return errno != EEXIST && ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0;
#else
    (void)fd;
    (void)name;
    return false;
#endif
}

}  // namespace

void preferUnnamedFiles(bool preferred) {
    unnamedFilesPreferred = preferred;
}

PendingFile::PendingFile(const std::string& path, std::span<const ByteView> pieces) : path_(path) {
    const TargetKind kind = path.empty() ? TargetKind::Refused : kindOf(path);
    if (kind == TargetKind::Refused) {
        failCreate(path);
    }
    if (kind == TargetKind::Stream) {
        writeDirectly(pieces);
        return;
    }
    const std::filesystem::path target = resolvedTarget(path);
    target_ = target.string();
    folder_ = target.has_parent_path() ? target.parent_path().string() : std::string(".");
    if (kind == TargetKind::Regular) {
        // Replacing by rename would also replace a read-only file; refuse it as opening it
        // for writing would. Opening it without truncating tests exactly that.
        const int fd = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            failCreate(path);
        }
        ::close(fd);
    }
    fd_ = createUnnamed(folder_);
    way_ = Way::Unnamed;
    if (fd_ == kNoFile) {
        createNamed();
    }
    if (fd_ == kNoFile) {
        // A folder that takes no new file (write-protected or immutable) holding a writable
        // file: commit() rewrites that file in place.
        if (kind != TargetKind::Regular) {
            failCreate(path);
        }
        way_ = Way::InPlace;
        inPlace_.reserve(totalSize(pieces));
        for (const ByteView piece : pieces) {
            inPlace_.insert(inPlace_.end(), piece.begin(), piece.end());
        }
        return;
    }
    keepPermissions(kind == TargetKind::Regular);
    if (!writeAll(fd_, pieces)) {
        const int error = errno;
        discard();  // a constructor that throws gets no destructor call
        failWrite(error);
    }
}

PendingFile::~PendingFile() {
    discard();
}

void PendingFile::writeDirectly(std::span<const ByteView> pieces) {
    way_ = Way::Direct;
    fd_ = openStream(path_);
    if (fd_ == kNoFile) {
        failCreate(path_);
    }
    const bool written = writeAll(fd_, pieces);
    const int error = errno;
    closeFile();
    if (!written) {
        failWrite(error);
    }
}

// A new file with a temporary name beside the target, for a file system without unnamed
// files. The signal handler learns of it before it exists, so an interrupt never leaves it.
void PendingFile::createNamed() {
    way_ = Way::Named;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const EndingSignalsHeld held;
        temporary_ = temporaryName(target_);
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            entry_ = std::make_unique<PendingFileEntry>(PendingFileEntry{temporary_.c_str()});
            entry_->next = pendingFiles;
            if (pendingFiles != nullptr) {
                pendingFiles->previous = entry_.get();
            }
            pendingFiles = entry_.get();
            return;
        }
        if (errno != EEXIST) {
            break;  // not a name clash: the folder refuses new files
        }
    }
    fd_ = kNoFile;
    temporary_.clear();
}

// The new content keeps the old file's permissions.
void PendingFile::keepPermissions(bool targetExists) {
    if (!targetExists) {
        return;
    }
    std::error_code error;
    const auto permissions = std::filesystem::status(target_, error).permissions();
#ifdef O_TMPFILE
    if (way_ == Way::Unnamed) {
        ::fchmod(fd_, static_cast<mode_t>(permissions));
        return;
    }
#endif
    std::filesystem::permissions(temporary_, permissions, error);
}

void PendingFile::closeFile() {
    if (fd_ != kNoFile) {
        ::close(fd_);
        fd_ = kNoFile;
    }
}

void PendingFile::discard() {
    closeFile();  // an unnamed file is gone with it
    if (entry_) {
        const EndingSignalsHeld held;
        ::unlink(temporary_.c_str());
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
    if ((way_ == Way::Unnamed || way_ == Way::Named) && !makeDurable(fd_)) {
        failWrite();
    }
}

void PendingFile::commit() {
    switch (way_) {
        case Way::Unnamed:
            placeUnnamed();
            break;
        case Way::Named:
            placeNamed();
            break;
        case Way::InPlace:
            rewriteInPlace();
            break;
        case Way::Direct:
            break;  // written as it was made
    }
}

// Links the unnamed file in under the target's name when that is free, else under a
// temporary name that the rename then moves over the target. Ending signals wait meanwhile,
// so only a kill leaves a temporary name behind, and at most this one.
void PendingFile::placeUnnamed() {
    const EndingSignalsHeld held;
    bool placed = nameUnnamed(fd_, target_);
    for (int attempt = 0; !placed && errno == EEXIST && attempt < kNameAttempts; ++attempt) {
        const std::string temporary = temporaryName(target_);
        if (nameUnnamed(fd_, temporary)) {
            placed = std::rename(temporary.c_str(), target_.c_str()) == 0;
            if (!placed) {
                ::unlink(temporary.c_str());
                break;
            }
        }
    }
    closeFile();
    if (!placed) {
        failCreate(path_);
    }
}

void PendingFile::placeNamed() {
    closeFile();
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

// Reserves the new size before the first byte is overwritten: when the disk has no room the
// old file stays exactly as it was.
void PendingFile::rewriteInPlace() {
    fd_ = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    struct stat status {};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
        closeFile();
        failCreate(path_);
    }
    const auto oldSize = static_cast<std::uint64_t>(status.st_size);
    if (!reserve(fd_, inPlace_.size())) {
        const int error = errno;
        resize(fd_, oldSize);  // a reservation that failed part way may have grown the file
        closeFile();
        failWrite(error);
    }
    const ByteView content(inPlace_);
    const bool written = writeAll(fd_, std::span<const ByteView>(&content, 1)) &&
                         resize(fd_, inPlace_.size()) && makeDurable(fd_);
    const int error = errno;
    closeFile();
    Bytes().swap(inPlace_);
    if (!written) {
        failWrite(error);
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
