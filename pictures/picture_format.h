// Inside the pictures library: how a picture file's format is told, by the extension of its name
// or by its first bytes (the table of pictures/picture_format.cpp).
#pragma once

#include <string_view>

// The extension of a path: the text after the last "." of its last component, spelled as there;
// empty when there is none.
std::string_view ExtensionOf(std::string_view path);

namespace picture_detail {

// The first bytes of every PNG file, and of a PNG inside an icon.
inline constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1A\n", 8};

}  // namespace picture_detail
