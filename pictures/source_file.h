// Opening a picture file with the message the user sees when that fails.
#pragma once

#include <cstdio>
#include <string>

namespace picture_detail {

// A file opened for reading; raises PictureError "Cannot open file \"<path>\". <reason>".
class SourceFile {
 public:
  explicit SourceFile(const std::string& path);
  ~SourceFile();
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  FILE* get() const { return file_; }

 private:
  FILE* file_;
};

}  // namespace picture_detail
