// Whole-file reading and the one safe way anything is written to disk.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vestura {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// A regular file open for reading. Only regular files are read: a folder, FIFO, device or
// socket (or a link to one) is refused at once, without waiting in open() for a writer or
// a device. Closed when the object ends.
class RegularFile {
public:
    // Opens the file; a missing, unreadable or not regular file raises EFOpenError
    // "Cannot open file <path>".
    explicit RegularFile(const std::string& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    // The file's size when it was opened.
    std::uint64_t size() const { return size_; }
    // Reads up to `count` bytes; fewer only at the end of the file. A failing read raises
    // EReadError "Stream read error".
    std::size_t read(void* into, std::size_t count);
    // Reads up to `count` bytes at `offset`, without moving the position read() uses; fewer
    // only at the end of the file. A failing read raises EReadError "Stream read error".
    std::size_t readAt(std::uint64_t offset, void* into, std::size_t count);

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// Reads every byte of the file (see RegularFile for what cannot be opened); a read that
// fails midway raises EReadError. Empty when the file holds more than `maxBytes`: nothing
// is read then.
std::optional<Bytes> readFileUpTo(const std::string& path, std::uint64_t maxBytes);

// Reads every byte of the file, however large.
Bytes readWholeFile(const std::string& path);

// Writes the pieces, in order, as the whole new content of the file at `path`.
// A regular file, or a new one, gets its content in a file of the same folder that has no
// name until it is complete (where the file system makes such files; else a temporary
// name), every write checked for its full length; then it replaces the target in one
// rename. On any failure the existing file is left exactly as it was and no temporary file
// remains. Where no new file can be made in the folder (a write-protected or immutable
// folder holding a writable file), the existing file is rewritten in place once room for
// the new size is reserved, so a full disk leaves it whole. A character device or a FIFO
// (`/dev/null`, `/dev/stdout`) is written directly; a FIFO with no reader is not waited
// for. Failures:
//   EFCreateError "Cannot create file <path>": the folder is missing or not writable, the
//     path is a folder, block device, socket or FIFO with no reader, or the existing file
//     is read-only;
//   EWriteError "Stream write error": a write stored fewer bytes than asked (a full disk).
void writeFileSafely(const std::string& path, std::initializer_list<ByteView> pieces);
void writeFileSafely(const std::string& path, std::span<const ByteView> pieces);

// The two halves of writeFileSafely, for a caller that writes many files and makes them
// durable together: the new content waits complete, unnamed where it can, until commit()
// puts it in place. Dropping a PendingFile that was not committed leaves the target exactly
// as it was and no temporary file. Where the content cannot wait unnamed (waitsUnnamed() is
// false) the caller commits it at once, so that a kill leaves at most one temporary file:
// a temporary name is kept only until its commit, the content of a rewrite in place waits
// in memory, and a device or FIFO was already written.
struct PendingFileEntry;  // what the signal handler knows of a temporary file

class PendingFile {
public:
    // Writes the pieces into a new file in the target's folder (a symbolic link is followed
    // to the file it names), or straight to a device or FIFO. Raises as writeFileSafely;
    // nothing is left behind.
    PendingFile(const std::string& path, std::span<const ByteView> pieces);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::string& path() const { return path_; }
    // The folder of the target, for syncFolder().
    const std::string& folder() const { return folder_; }
    // True when the content waits in a file without a name: a kill now leaves nothing.
    bool waitsUnnamed() const { return way_ == Way::Unnamed; }

    // Makes this one file's content durable. Raises EWriteError "Stream write error".
    void sync() const;
    // Puts the new content in place: in one rename, or by the rewrite in place. Raises
    // EFCreateError "Cannot create file <path>" or EWriteError "Stream write error",
    // leaving no temporary file.
    void commit();

private:
    enum class Way { Unnamed, Named, InPlace, Direct };

    void writeDirectly(std::span<const ByteView> pieces);
    void createNamed();
    void keepPermissions(bool targetExists);
    void placeUnnamed();
    void placeNamed();
    void rewriteInPlace();
    void closeFile();
    void discard();  // removes the temporary file unless committed
    void forget();   // takes the temporary file off the signal handler's list

    std::string path_;
    std::string target_;
    std::string folder_;
    Way way_ = Way::Direct;
    int fd_ = -1;            // the new content's file, until it is placed
    std::string temporary_;  // the temporary name, when the content has one
    Bytes inPlace_;          // the content, for a rewrite in place
    std::unique_ptr<PendingFileEntry> entry_;
};

// Where the file system makes unnamed files, PendingFile uses them unless told not to here;
// tests turn them off to take the way a file system without them takes.
void preferUnnamedFiles(bool preferred);

// Makes durable, in one barrier, every file written so far in `folder`'s file system (on
// Linux one syncfs). Raises EWriteError "Stream write error" when the system reports that
// some data could not be stored.
void syncFolder(const std::string& folder);

// From now on an interrupt, hang-up, termination or closed-pipe signal first removes the
// temporary files of every PendingFile not yet committed, then ends the process as the
// signal would.
void removePendingFilesOnSignal();

}  // namespace vestura
