#include "pictures/source_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "pictures/picture.h"

namespace picture_detail {

void ThrowCannotOpen(const std::string& shown, const std::string& reason) {
  throw PictureError("Cannot open file \"" + shown + "\". " + reason);
}

SourceFile::SourceFile(const std::string& path, const std::string& shown) {
  // Without O_NONBLOCK opening a FIFO waits until some other process opens it for writing.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) ThrowCannotOpen(shown, std::strerror(errno));
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const int error = errno;
    ::close(fd);
    ThrowCannotOpen(shown, std::strerror(error));
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    ThrowCannotOpen(shown, S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "Not a regular file");
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  file_ = ::fdopen(fd, "rb");
  if (file_ == nullptr) {
    const int error = errno;
    ::close(fd);
    ThrowCannotOpen(shown, std::strerror(error));
  }
  size_ = static_cast<size_t>(info.st_size);
}

SourceFile::~SourceFile() {
  std::fclose(file_);
}

}  // namespace picture_detail
