// Which of the program's decoders reads a picture file: by the extension of its name, and for a
// name without one by the first bytes of the file. One table (pictures/picture_format.cpp) holds
// both rules; a file that has no extension and matches no row is left to the platform's readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pictures/picture.h"

// What a decoder of the table is asked for: at least this size, transparent parts in the
// background colour 0xRRGGBB, progress told to the optional receiver (pictures/progress.h).
struct DecodeRequest {
  int min_width = 1;
  int min_height = 1;
  uint32_t background = 0;
  DecodeProgress* progress = nullptr;
};

// The extension of a path: the text after the last "." of its last component, spelled as there;
// empty when there is none.
std::string_view ExtensionOf(std::string_view path);

// The file decoded by the decoder its extension names (compared without regard to ASCII letter
// case), or, without an extension, by the decoder whose signature the file starts with. Nothing
// when the name has no extension and the file matches no signature: the platform may read it.
// Raises MessageError "Unknown picture file extension (.<extension>)" for an extension no
// decoder takes (before the file is opened), PictureError "Cannot open file ..." for a file
// without extension that cannot be opened, and whatever the decoder raises.
std::optional<Picture> DecodePictureFile(const std::string& path, const DecodeRequest& request);

// The same for bytes in memory that a file of this name would hold.
std::optional<Picture> DecodePictureMemory(std::string_view name, const unsigned char* data,
                                           size_t size, const DecodeRequest& request);

namespace picture_detail {

// The first bytes of every PNG file, and of a PNG inside an icon.
inline constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1A\n", 8};

}  // namespace picture_detail
