// Whole-file reading with a limit, through the plain POSIX calls so that every
// failure keeps its errno for the caller's message.
#include "io/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

namespace {

// Closes the descriptor on every way out of the reader.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

FileResult Failure(FileStatus status, int error) {
  FileResult result;
  result.status = status;
  result.error = error;
  return result;
}

}  // namespace

FileResult ReadWholeFile(const char* path, uint64_t maxBytes, std::vector<uint8_t>* bytes) {
  bytes->clear();
  if (path == nullptr || path[0] == '\0') return Failure(FileStatus::kCannotOpen, ENOENT);
  const FileDescriptor file(open(path, O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return Failure(FileStatus::kCannotOpen, errno);

  try {
    // The size is only a hint that spares the buffer its regrowth; the reading below
    // decides, as the file may change or not report a size at all.
    struct stat info {};
    const bool known = fstat(file.get(), &info) == 0;
    // A folder opens like a file; say what it is rather than how reading it failed.
    if (known && S_ISDIR(info.st_mode)) return Failure(FileStatus::kCannotRead, EISDIR);
    if (known && S_ISREG(info.st_mode) && info.st_size > 0) {
      bytes->reserve(static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(info.st_size), maxBytes)));
    }
    uint8_t chunk[65536];
    for (;;) {
      const ssize_t got = read(file.get(), chunk, sizeof chunk);
      if (got < 0) {
        if (errno == EINTR) continue;
        return Failure(FileStatus::kCannotRead, errno);
      }
      if (got == 0) return FileResult();
      const uint64_t room = maxBytes - bytes->size();
      if (static_cast<uint64_t>(got) > room) {
        bytes->insert(bytes->end(), chunk, chunk + room);
        return Failure(FileStatus::kTooLarge, 0);
      }
      bytes->insert(bytes->end(), chunk, chunk + got);
    }
  } catch (const std::bad_alloc&) {
    bytes->clear();
    return Failure(FileStatus::kCannotRead, ENOMEM);
  }
}
