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
// The content goes to a temporary file in the same folder, every write is checked for its
// full length, then the temporary file replaces the target in one rename. On any failure
// the existing file is left exactly as it was and no temporary file remains. Where no new
// file can be made in the folder (a write-protected folder holding a writable file), the
// existing file is rewritten in place instead. Failures:
//   EFCreateError "Cannot create file <path>": the folder is missing or not writable, the
//     path is a folder, or the existing file is read-only;
//   EWriteError "Stream write error": a write stored fewer bytes than asked (a full disk).
void writeFileSafely(const std::string& path, std::initializer_list<ByteView> pieces);
void writeFileSafely(const std::string& path, std::span<const ByteView> pieces);

// The two halves of writeFileSafely, for a caller that writes many files and makes them
// durable together: the new content waits complete in a temporary file beside its target
// until commit() renames it into place. Dropping a PendingFile that was not committed
// removes its temporary file, so the target is left exactly as it was. Where no temporary
// file can be made beside an existing writable file, the content waits in memory and
// commit() rewrites the file in place.
struct PendingFileEntry;  // what the signal handler knows of a temporary file

class PendingFile {
public:
    // Writes the pieces into a new temporary file in the target's folder (a symbolic link
    // is followed to the file it names). Raises as writeFileSafely; nothing is left behind.
    PendingFile(const std::string& path, std::span<const ByteView> pieces);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::string& path() const { return path_; }
    // The folder holding the temporary file, for syncFolder().
    const std::string& folder() const { return folder_; }

    // Makes this one file's content durable. Raises EWriteError "Stream write error".
    void sync() const;
    // Replaces the target with the new content in one rename. Raises EFCreateError
    // "Cannot create file <path>", removing the temporary file.
    void commit();

private:
    void discard();  // removes the temporary file unless committed
    void forget();   // takes the temporary file off the signal handler's list

    std::string path_;
    std::string target_;
    std::string folder_;
    std::string temporary_;  // empty when the file is rewritten in place
    Bytes inPlace_;          // the content, for a rewrite in place
    std::unique_ptr<PendingFileEntry> entry_;
};

// Makes durable, in one barrier, every file written so far in `folder`'s file system (on
// Linux one syncfs). Raises EWriteError "Stream write error" when the system reports that
// some data could not be stored.
void syncFolder(const std::string& folder);

// From now on an interrupt, hang-up or termination signal first removes the temporary
// files of every PendingFile not yet committed, then ends the process as the signal would.
void removePendingFilesOnSignal();

}  // namespace vestura
