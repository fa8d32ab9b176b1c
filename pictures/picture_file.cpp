#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "pictures/picture.h"

PictureError CannotOpen(const std::string& shown, const std::string& reason) {
  return PictureError("Cannot open file \"" + shown + "\". " + reason);
}

PictureFile::PictureFile(const std::string& path, const std::string& shown) {
  // Without O_NONBLOCK opening a FIFO waits until some other process opens it for writing.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw CannotOpen(shown, std::strerror(errno));
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const int error = errno;
    ::close(fd);
    throw CannotOpen(shown, std::strerror(error));
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    throw CannotOpen(shown, S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "Not a regular file");
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  file_ = ::fdopen(fd, "rb");
  if (file_ == nullptr) {
    const int error = errno;
    ::close(fd);
    throw CannotOpen(shown, std::strerror(error));
  }
  size_ = static_cast<size_t>(info.st_size);
}

PictureFile::~PictureFile() {
  std::fclose(file_);
}
