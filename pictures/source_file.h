// Opening a picture file with the message the user sees when that fails.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace picture_detail {

// Raises PictureError "Cannot open file \"<shown>\". <reason>".
[[noreturn]] void ThrowCannotOpen(const std::string& shown, const std::string& reason);

// A regular file opened for reading; raises PictureError "Cannot open file \"<shown>\".
// <reason>". Opening never blocks: a FIFO, a device or a directory is refused at once (a FIFO
// would wait for a writer, a device may never end).
class SourceFile {
 public:
  explicit SourceFile(const std::string& path) : SourceFile(path, path) {}
  // `shown` is the name in the message, when the local name differs from it.
  SourceFile(const std::string& path, const std::string& shown);
  ~SourceFile();
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  FILE* get() const { return file_; }
  size_t Size() const { return size_; }

 private:
  FILE* file_ = nullptr;
  size_t size_ = 0;
};

}  // namespace picture_detail
