// Decoding of the pictures the main window shows, into plain pixels for display. Every decoder
// reports its progress to the optional receiver, which may stop it (pictures/progress.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/faults.h"
#include "pictures/progress.h"

// A picture that cannot be read or decoded; the message is shown to the user as it is.
class PictureError : public MessageError {
 public:
  using MessageError::MessageError;
};

// A picture refused for its size before any pixel is decoded, whatever reads it.
inline PictureError TooLarge(int64_t width, int64_t height) {
  return PictureError("Картинка слишком велика для показа (" + std::to_string(width) + " x " +
                      std::to_string(height) + " пикс.)");
}

// Opaque pixels 0xFFRRGGBB, row by row from the top left.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

// The decoders shrink while they decode, since the picture is only ever drawn stretched to a
// small area: the result is at least min_width x min_height when the source is at least that
// big, never bigger than the source, and each axis is reduced on its own (averaging whole
// boxes of source pixels), so the proportions may change. Memory stays bounded by the result,
// not the source: a 20000 x 20000 picture never exists at full size. Transparency is composed
// over the background after shrinking: a shown pixel is the exact average of its box's pixels
// composed, rounded once.
//
// JPEG: libjpeg scales by n/8 while decoding (the smallest n that keeps the minimum), then the
// rows are box-averaged further. Any library error, and image data that ends too early (the
// warnings JWRN_JPEG_EOF and JWRN_HIT_MARKER), raises PictureError "JPEG error #<libjpeg
// message number>".
Picture DecodeJpegFile(const std::string& path, int min_width, int min_height,
                       DecodeProgress* progress = nullptr);
Picture DecodeJpegMemory(const unsigned char* data, size_t size, int min_width, int min_height,
                         DecodeProgress* progress = nullptr);

// PNG of any colour type, bit depth and interlacing; transparency is composed over the
// background colour 0xRRGGBB. Width or height above 65535 is refused before decoding.
Picture DecodePngFile(const std::string& path, int min_width, int min_height, uint32_t background,
                      DecodeProgress* progress = nullptr);
Picture DecodePngMemory(const unsigned char* data, size_t size, int min_width, int min_height,
                        uint32_t background, DecodeProgress* progress = nullptr);

// Windows bitmaps: the OS/2 core header and the Windows headers up to version 5; 1, 4 and 8 bits
// with a palette, 16 and 32 bits with default or given masks, 24 bits; uncompressed, RLE8, RLE4
// or bit fields; bottom-up or top-down. Alpha (the fourth byte of 32-bit pixels, or an alpha
// mask) is composed over the background colour 0xRRGGBB unless every pixel's alpha is zero, and
// so are the pixels an RLE bitmap leaves unwritten. A palette index beyond the palette is black.
// A size above 65535 per side or 2^28 pixels raises PictureError "Картинка слишком велика для
// показа (W x H пикс.)"; a damaged or cut file "Bitmap image is not valid". `progress` hears
// of every row and may stop the decoder (DecodeCancelled).
Picture DecodeBmpFile(const std::string& path, int min_width, int min_height, uint32_t background,
                      DecodeProgress* progress = nullptr);
Picture DecodeBmpMemory(const unsigned char* data, size_t size, int min_width, int min_height,
                        uint32_t background, DecodeProgress* progress = nullptr);

// Windows icons (and cursors): the entry with the most pixels, then the most bits per pixel, as
// the directory lists them. A PNG entry is decoded as a PNG; a bitmap entry as above (without
// compression), made transparent where its AND mask has a 1 unless it has alpha of its own.
// Damage raises PictureError "Icon image is not valid".
Picture DecodeIcoFile(const std::string& path, int min_width, int min_height, uint32_t background,
                      DecodeProgress* progress = nullptr);
Picture DecodeIcoMemory(const unsigned char* data, size_t size, int min_width, int min_height,
                        uint32_t background, DecodeProgress* progress = nullptr);
