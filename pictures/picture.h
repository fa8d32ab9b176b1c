// The pictures library as its users see it: decoding the pictures the main window shows into
// plain pixels for display, with the decoder a file's extension or first bytes choose, or with
// one decoder by name. Every decoder takes the same request and reports its progress to the
// request's optional receiver, which may stop it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/faults.h"

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

// A file that cannot be opened or read as a picture file: PictureError "Cannot open file
// \"<shown>\". <reason>".
PictureError CannotOpen(const std::string& shown, const std::string& reason);

// Opaque pixels 0xFFRRGGBB, row by row from the top left.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

// A built-in picture decoded when the program is built, at the size it is shown at on a usual
// screen, so that start-up needs no decoder (pictures/bake_picture.cpp). The pixels are as the
// decoders give them.
struct BakedPicture {
  int width;
  int height;
  const uint32_t* pixels;
};

// How far a decoder has come, and the caller's way to stop it. A decoder calls Advance now and
// then (at least once every few milliseconds of work, and once for every source row it decodes)
// with the work done so far out of the work in all, in units of its own choosing (rows, rows of
// each pass or scan, bytes). Answering false stops the decoder: it frees what it holds and
// throws DecodeCancelled. Advance is called on the decoder's thread.
class DecodeProgress {
 public:
  virtual bool Advance(int64_t done, int64_t total) = 0;

 protected:
  ~DecodeProgress() = default;
};

// The caller stopped the decoding: nothing is shown for it.
class DecodeCancelled : public SilentAbort {};

// What every decoder is asked for: at least this size, transparent parts in the background
// colour 0xRRGGBB (a JPEG has none), progress told to the optional receiver.
struct DecodeRequest {
  int min_width = 1;
  int min_height = 1;
  uint32_t background = 0;
  DecodeProgress* progress = nullptr;
};

// The file decoded by the decoder its extension names (compared without regard to ASCII letter
// case), or, without an extension, by the decoder whose signature the file starts with. Nothing
// when the name has no extension and the file matches no signature: the platform may read it.
// Raises MessageError "Unknown picture file extension (.<extension>)" for an extension no
// decoder takes (before the file is opened), CannotOpen for a file without extension that
// cannot be opened, and whatever the decoder raises. One table (pictures/picture_format.cpp)
// holds both rules.
std::optional<Picture> DecodePictureFile(const std::string& path, const DecodeRequest& request);

// The same for bytes in memory that a file of this name would hold.
std::optional<Picture> DecodePictureMemory(std::string_view name, const unsigned char* data,
                                           size_t size, const DecodeRequest& request);

// A regular file opened for reading as every decoder opens it; raises CannotOpen. Opening never
// blocks: a FIFO, a device or a directory is refused at once (a FIFO would wait for a writer, a
// device may never end).
class PictureFile {
 public:
  explicit PictureFile(const std::string& path) : PictureFile(path, path) {}
  // `shown` is the name in the message, when the local name differs from it.
  PictureFile(const std::string& path, const std::string& shown);
  ~PictureFile();
  PictureFile(const PictureFile&) = delete;
  PictureFile& operator=(const PictureFile&) = delete;

  FILE* get() const { return file_; }
  size_t Size() const { return size_; }

 private:
  FILE* file_ = nullptr;
  size_t size_ = 0;
};

// The decoders themselves, each from a file or from memory. They shrink while they decode,
// since the picture is only ever drawn stretched to a small area: the result is at least
// min_width x min_height when the source is at least that big, never bigger than the source, and
// each axis is reduced on its own (averaging whole boxes of source pixels), so the proportions
// may change. Memory stays bounded by the result, not the source: a 20000 x 20000 picture never
// exists at full size. Transparency is composed over the background after shrinking: a shown
// pixel is the exact average of its box's pixels composed, rounded once.

// JPEG: libjpeg scales by n/8 while decoding (the smallest n that keeps the minimum), then the
// rows are box-averaged further. Any library error, and image data that ends too early (the
// warnings JWRN_JPEG_EOF and JWRN_HIT_MARKER), raises PictureError "JPEG error #<libjpeg
// message number>".
Picture DecodeJpegFile(const std::string& path, const DecodeRequest& request);
Picture DecodeJpegMemory(const unsigned char* data, size_t size, const DecodeRequest& request);

// PNG of any colour type, bit depth and interlacing. Width or height above 65535 is refused
// before decoding.
Picture DecodePngFile(const std::string& path, const DecodeRequest& request);
Picture DecodePngMemory(const unsigned char* data, size_t size, const DecodeRequest& request);

// Windows bitmaps: the OS/2 core header and the Windows headers up to version 5; 1, 4 and 8 bits
// with a palette, 16 and 32 bits with default or given masks, 24 bits; uncompressed, RLE8, RLE4
// or bit fields; bottom-up or top-down. Alpha (the fourth byte of 32-bit pixels, or an alpha
// mask) is composed over the background unless every pixel's alpha is zero, and so are the
// pixels an RLE bitmap leaves unwritten. A palette index beyond the palette is black. A size
// above 65535 per side or 2^28 pixels raises TooLarge; a damaged or cut file PictureError "Bitmap
// image is not valid". The progress receiver hears of every row.
Picture DecodeBmpFile(const std::string& path, const DecodeRequest& request);
Picture DecodeBmpMemory(const unsigned char* data, size_t size, const DecodeRequest& request);

// Windows icons (and cursors): the entry with the most pixels, then the most bits per pixel, as
// the directory lists them. A PNG entry is decoded as a PNG; a bitmap entry as above (without
// compression), made transparent where its AND mask has a 1 unless it has alpha of its own.
// Damage raises PictureError "Icon image is not valid".
Picture DecodeIcoFile(const std::string& path, const DecodeRequest& request);
Picture DecodeIcoMemory(const unsigned char* data, size_t size, const DecodeRequest& request);
