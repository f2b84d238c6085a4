// Whole-file reading and the one safe way anything is written to disk.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace vestura {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Reads every byte of the file. A missing file, a folder or an unreadable file raises
// EFOpenError "Cannot open file <path>"; a read that fails midway raises EReadError.
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

}  // namespace vestura
