// The choice of decoder on any bytes, at the main window's picture size: the bytes are the file,
// and their last byte also picks the file's name (without extension, with an extension the
// program knows in either letter case, or with one it does not). Whatever the choice, the result
// is a whole opaque picture, the platform's turn (a name without extension only) or a message;
// an unknown extension is named in its message; and a file without extension that one of the
// program's decoders takes reads exactly as the same file named with that decoder's extension.
// The last byte of a file leaves its signature whole, so the seeds of all decoders serve.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/picture_checks.h"
#include "pictures/picture.h"
#include "pictures/picture_format.h"

namespace {

constexpr const char* kNames[] = {"picture",     "picture.jpg", "picture.JPEG", "picture.png",
                                  "picture.Bmp", "picture.ico", "picture.wmf",  "picture.emf",
                                  "picture.gif", "a.b/picture"};
constexpr const char* kExtensions[] = {"jpg", "jpeg", "png", "bmp", "ico", "wmf", "emf"};

struct Outcome {
  enum { kPicture, kPlatform, kMessage } kind = kPlatform;
  std::string message;
  Picture picture;

  bool operator==(const Outcome& o) const {
    return kind == o.kind && message == o.message && picture.width == o.picture.width &&
           picture.height == o.picture.height && picture.pixels == o.picture.pixels;
  }
};

Outcome Read(const std::string& name, const uint8_t* data, size_t size) {
  Outcome outcome;
  try {
    std::optional<Picture> picture = DecodePictureMemory(
        name, data, size, {.min_width = 209, .min_height = 145, .background = 0x808000});
    if (picture) {
      CheckPicture(*picture, 65535);
      outcome.kind = Outcome::kPicture;
      outcome.picture = std::move(*picture);
    }
  } catch (const MessageError& error) {
    outcome.kind = Outcome::kMessage;
    outcome.message = error.message();
  }
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string name = kNames[data[size - 1] % std::size(kNames)];
  const Outcome outcome = Read(name, data, size);
  if (ExtensionOf(name).empty()) {
    if (outcome.kind == Outcome::kPlatform) return 0;
    bool same = false;
    for (const char* extension : kExtensions)
      same = same || Read(std::string("picture.") + extension, data, size) == outcome;
    Check(same);
  } else if (ExtensionOf(name) == "gif") {
    Check(outcome.kind == Outcome::kMessage &&
          outcome.message == "Unknown picture file extension (.gif)");
  } else {
    Check(outcome.kind != Outcome::kPlatform);
  }
  return 0;
}
