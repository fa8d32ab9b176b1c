// Writers of PNG and JPEG files for the decoder tests and the benchmark: every picture is
// made at run time, row by row, so even huge ones never exist whole in memory.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// clang-format off
// libjpeg's header needs size_t and FILE declared before it.
#include <jpeglib.h>
// clang-format on

#include "pictures/picture.h"

namespace picture_writers {

// Fills source row y. PNG: one byte per sample up to 8 bits (libpng packs smaller depths),
// two bytes big-endian at 16 bits. JPEG: one byte per component.
using RowFill = std::function<void(int y, unsigned char* row)>;

struct PngLayout {
  int width = 1;
  int height = 1;
  int color_type = PNG_COLOR_TYPE_RGB;
  int bit_depth = 8;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<png_byte> palette_alpha;      // tRNS of a palette picture
  std::optional<png_color_16> transparent;  // tRNS of a grey or RGB picture
  int compression = 6;
};

int Channels(const PngLayout& layout);
std::vector<unsigned char> WritePng(const PngLayout& layout, const RowFill& fill);
void WritePngFile(const std::string& path, const PngLayout& layout, const RowFill& fill);

struct JpegLayout {
  int width = 1;
  int height = 1;
  int components = 3;
  J_COLOR_SPACE space =
      JCS_RGB;  // JCS_GRAYSCALE, JCS_RGB or JCS_CMYK (stored inverted, as Adobe does)
  bool progressive = false;
  // With `progressive`: this many scans instead of libjpeg's usual script: the DC scan, then
  // single AC coefficients of one component each, with successive approximation when needed.
  int scans = 0;
  bool arithmetic = false;  // arithmetic coding (SOF9 / SOF10) instead of Huffman
  int quality = 95;
};

std::vector<unsigned char> WriteJpeg(const JpegLayout& layout, const RowFill& fill);
void WriteJpegFile(const std::string& path, const JpegLayout& layout, const RowFill& fill);

// Offset of the first marker segment with this code (0xC0 for SOF0, 0xC2 for SOF2, 0xC9 for an
// arithmetic-coded frame); throws when there is none.
size_t FindJpegMarker(const std::vector<unsigned char>& jpeg, unsigned char code);
// Makes the frame `frame` claim another size than its data has.
void SetJpegFrameSize(std::vector<unsigned char>& jpeg, unsigned char frame, int width, int height);
// A small valid four-component arithmetic-coded picture whose frame then claims
// `width` x `height` pixels: its data ends within the first rows.
std::vector<unsigned char> DamagedArithmeticJpeg(int width, int height);

// A PNG chunk inside a file: `offset` is where its length field starts.
struct Chunk {
  size_t offset;
  uint32_t length;
  std::string type;
};

std::vector<Chunk> Chunks(const std::vector<unsigned char>& png);
const Chunk& FindChunk(const std::vector<Chunk>& chunks, const std::string& type);
// Recomputes the CRC of the chunk at `offset`, after its contents were changed.
void FixCrc(std::vector<unsigned char>& png, const Chunk& chunk);
// Inserts a chunk with a correct CRC before the first chunk of type `before`.
void InsertChunk(std::vector<unsigned char>& png, const std::string& before,
                 const std::string& type, const std::vector<unsigned char>& data);
void PutBigEndian32(std::vector<unsigned char>& bytes, size_t offset, uint32_t value);

// ---- Windows bitmaps and icons: headers around pixel data the caller has stored ----

// Compression codes of a bitmap's info header.
inline constexpr uint32_t kBmpRgb = 0, kBmpRle8 = 1, kBmpRle4 = 2, kBmpBitfields = 3,
                          kBmpAlphaBitfields = 6;

struct BmpLayout {
  int width = 1;
  int height = 1;  // negative: the rows are stored top-down
  int bits = 24;
  uint32_t compression = kBmpRgb;
  int header_size = 40;  // 12 (OS/2 core header: 16-bit sizes, 3-byte palette entries) to 124
  // Red, green, blue and maybe alpha: inside a header of 52 bytes or more, else after it.
  std::vector<uint32_t> masks = {};
  std::vector<uint32_t> palette = {};  // 0xRRGGBB
};

// The info header, masks, palette and pixel data, as an icon entry holds them.
std::vector<unsigned char> WriteDib(const BmpLayout& layout,
                                    const std::vector<unsigned char>& pixels);
// A bitmap file: the file header, then WriteDib.
std::vector<unsigned char> WriteBmp(const BmpLayout& layout,
                                    const std::vector<unsigned char>& pixels);
// Rows as an uncompressed bitmap stores them: rows[0] is the top row; each is padded to four
// bytes, and the bottom one comes first unless `top_down`.
std::vector<unsigned char> StoredRows(const std::vector<std::vector<unsigned char>>& rows,
                                      bool top_down = false);

struct IconEntry {
  int width = 16;  // as the directory lists the entry; 256 is written as 0
  int height = 16;
  int bits = 32;
  std::vector<unsigned char> data;  // a DIB of doubled height with its AND mask, or a PNG file
};

std::vector<unsigned char> WriteIco(const std::vector<IconEntry>& entries);

// A PNG file of 3 x 2 pixels in the layout's defaults, no two bytes of its rows alike.
std::vector<unsigned char> TinyPng();

// A 24-bit bitmap, bottom-up, whose bytes run in diagonal stripes.
std::vector<unsigned char> StripedBmp(int width, int height);

}  // namespace picture_writers
