#include "pictures/source_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "pictures/picture.h"

namespace picture_detail {
namespace {

[[noreturn]] void ThrowCannotOpen(const std::string& path, int error) {
  throw PictureError("Cannot open file \"" + path + "\". " + std::strerror(error));
}

}  // namespace

SourceFile::SourceFile(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
  if (file_ == nullptr) ThrowCannotOpen(path, errno);
  // A directory opens fine here and would only fail at the first read, as an "empty" picture.
  struct stat info {};
  if (fstat(fileno(file_), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(file_);
    ThrowCannotOpen(path, EISDIR);
  }
}

SourceFile::~SourceFile() { std::fclose(file_); }

}  // namespace picture_detail
