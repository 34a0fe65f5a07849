// The one way in for whole files: every reader loads its file here with its own size
// limit, then parses the bytes in memory. Nothing here knows any file format.
#pragma once

#include <cstdint>
#include <vector>

enum class FileStatus {
  kRead,        // the whole file is in the buffer
  kCannotOpen,  // no such file, no permission, no name given
  kCannotRead,  // opened, but reading failed (a folder: error EISDIR; an I/O error): the
                // buffer holds what was read before the failure (nothing when out of memory)
  kTooLarge,    // longer than the limit: the buffer holds its first maxBytes bytes
};

struct FileResult {
  FileStatus status = FileStatus::kRead;
  int error = 0;  // errno of a failed open or read; 0 otherwise

  bool Read() const { return status == FileStatus::kRead; }
};

// What every reader says when the name given for a file is a folder's.
constexpr const char* kFolderNotFile = "this is a folder, not a file";

// Reads the file at `path` into `bytes` (replacing what it held), at most `maxBytes`
// bytes. A null or empty path cannot be opened (ENOENT). Pipes and other files
// without a known size are read the same way, to their end or the limit.
FileResult ReadWholeFile(const char* path, uint64_t maxBytes, std::vector<uint8_t>* bytes);
