#include "picture_writers.h"

#include <zlib.h>

#include <cstdlib>
#include <stdexcept>

namespace picture_writers {
namespace {

[[noreturn]] void PngWriteError(png_structp, png_const_charp message) {
  throw std::runtime_error(std::string("PNG writer: ") + message);
}
void PngWriteWarning(png_structp, png_const_charp) {}

void AppendBytes(png_structp png, png_bytep data, size_t size) {
  auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}
void FlushNothing(png_structp) {}

// Throwing out of libpng's callbacks is fine here: the writers are test code, and the
// structs are destroyed by the guard below.
void WritePngTo(const PngLayout& layout, const RowFill& fill, std::vector<unsigned char>* memory,
                FILE* file) {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngWriteError, PngWriteWarning);
  png_infop info = png_create_info_struct(png);
  struct Guard {
    png_structp* png;
    png_infop* info;
    ~Guard() { png_destroy_write_struct(png, info); }
  } guard{&png, &info};
  if (memory != nullptr) {
    png_set_write_fn(png, memory, AppendBytes, FlushNothing);
  } else {
    png_init_io(png, file);
  }
  png_set_compression_level(png, layout.compression);
  png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width),
               static_cast<png_uint_32>(layout.height), layout.bit_depth, layout.color_type,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!layout.palette.empty()) {
    png_set_PLTE(png, info, layout.palette.data(), static_cast<int>(layout.palette.size()));
  }
  if (!layout.palette_alpha.empty()) {
    png_set_tRNS(png, info, layout.palette_alpha.data(),
                 static_cast<int>(layout.palette_alpha.size()), nullptr);
  } else if (layout.transparent) {
    png_color_16 colour = *layout.transparent;
    png_set_tRNS(png, info, nullptr, 0, &colour);
  }
  png_write_info(png, info);
  if (layout.bit_depth < 8) png_set_packing(png);
  const int passes = png_set_interlace_handling(png);
  const size_t row_bytes = static_cast<size_t>(layout.width) *
                           static_cast<size_t>(Channels(layout)) * (layout.bit_depth == 16 ? 2 : 1);
  std::vector<unsigned char> row(row_bytes);
  // With interlacing libpng wants every full row once per pass and picks out that pass's pixels.
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < layout.height; ++y) {
      fill(y, row.data());
      png_write_row(png, row.data());
    }
  }
  png_write_end(png, nullptr);
}

struct JpegFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void JpegWriteError(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  throw JpegFailure(std::string("JPEG writer: ") + text);
}

void WriteJpegTo(const JpegLayout& layout, const RowFill& fill, std::vector<unsigned char>* memory,
                 FILE* file) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  errors.error_exit = JpegWriteError;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  struct Guard {
    jpeg_compress_struct* cinfo;
    unsigned char** buffer;
    ~Guard() {
      jpeg_destroy_compress(cinfo);
      std::free(*buffer);
    }
  } guard{&cinfo, &buffer};
  jpeg_create_compress(&cinfo);
  if (memory != nullptr) {
    jpeg_mem_dest(&cinfo, &buffer, &size);
  } else {
    jpeg_stdio_dest(&cinfo, file);
  }
  cinfo.image_width = static_cast<JDIMENSION>(layout.width);
  cinfo.image_height = static_cast<JDIMENSION>(layout.height);
  cinfo.input_components = layout.components;
  cinfo.in_color_space = layout.space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, layout.quality, TRUE);
  std::vector<jpeg_scan_info> script;
  if (layout.progressive && layout.scans > 0) {
    const int comps = layout.components;
    // Enough bits of successive approximation that first scans and refinements reach the count.
    int low_bit = 0;
    while (1 + (low_bit + 1) * 63 * comps < layout.scans) ++low_bit;
    jpeg_scan_info dc{};
    dc.comps_in_scan = comps;
    for (int c = 0; c < comps; ++c) dc.component_index[c] = c;
    script.push_back(dc);
    for (int bit = low_bit; bit >= 0; --bit) {
      for (int k = 1; k <= 63; ++k) {
        for (int c = 0; c < comps && static_cast<int>(script.size()) < layout.scans; ++c) {
          jpeg_scan_info ac{};
          ac.comps_in_scan = 1;
          ac.component_index[0] = c;
          ac.Ss = ac.Se = k;
          ac.Ah = bit == low_bit ? 0 : bit + 1;
          ac.Al = bit;
          script.push_back(ac);
        }
      }
    }
    cinfo.scan_info = script.data();
    cinfo.num_scans = static_cast<int>(script.size());
  } else if (layout.progressive) {
    jpeg_simple_progression(&cinfo);
  }
  cinfo.arith_code = layout.arithmetic ? TRUE : FALSE;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(layout.width) *
                                 static_cast<size_t>(layout.components));
  JSAMPROW rows[1] = {row.data()};
  for (int y = 0; y < layout.height; ++y) {
    fill(y, row.data());
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  if (memory != nullptr) memory->assign(buffer, buffer + size);
}

struct File {
  FILE* file;
  explicit File(const std::string& path) : file(std::fopen(path.c_str(), "wb")) {
    if (file == nullptr) throw std::runtime_error("cannot create " + path);
  }
  ~File() { std::fclose(file); }
};

uint32_t BigEndian32(const std::vector<unsigned char>& bytes, size_t offset) {
  return uint32_t{bytes.at(offset)} << 24 | uint32_t{bytes.at(offset + 1)} << 16 |
         uint32_t{bytes.at(offset + 2)} << 8 | uint32_t{bytes.at(offset + 3)};
}

}  // namespace

int Channels(const PngLayout& layout) {
  switch (layout.color_type) {
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 1;
  }
}

std::vector<unsigned char> WritePng(const PngLayout& layout, const RowFill& fill) {
  std::vector<unsigned char> out;
  WritePngTo(layout, fill, &out, nullptr);
  return out;
}

void WritePngFile(const std::string& path, const PngLayout& layout, const RowFill& fill) {
  File file(path);
  WritePngTo(layout, fill, nullptr, file.file);
}

std::vector<unsigned char> WriteJpeg(const JpegLayout& layout, const RowFill& fill) {
  std::vector<unsigned char> out;
  WriteJpegTo(layout, fill, &out, nullptr);
  return out;
}

void WriteJpegFile(const std::string& path, const JpegLayout& layout, const RowFill& fill) {
  File file(path);
  WriteJpegTo(layout, fill, nullptr, file.file);
}

std::vector<Chunk> Chunks(const std::vector<unsigned char>& png) {
  std::vector<Chunk> chunks;
  for (size_t offset = 8; offset + 12 <= png.size();) {
    const uint32_t length = BigEndian32(png, offset);
    chunks.push_back({offset, length,
                      std::string(png.begin() + static_cast<long>(offset) + 4,
                                  png.begin() + static_cast<long>(offset) + 8)});
    offset += 12 + size_t{length};
  }
  return chunks;
}

const Chunk& FindChunk(const std::vector<Chunk>& chunks, const std::string& type) {
  for (const Chunk& chunk : chunks) {
    if (chunk.type == type) return chunk;
  }
  throw std::runtime_error("no chunk " + type);
}

void PutBigEndian32(std::vector<unsigned char>& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes.at(offset + static_cast<size_t>(i)) = static_cast<unsigned char>(value >> (24 - 8 * i));
}

void FixCrc(std::vector<unsigned char>& png, const Chunk& chunk) {
  const uLong crc = crc32(0L, png.data() + chunk.offset + 4, static_cast<uInt>(chunk.length + 4));
  PutBigEndian32(png, chunk.offset + 8 + chunk.length, static_cast<uint32_t>(crc));
}

void InsertChunk(std::vector<unsigned char>& png, const std::string& before,
                 const std::string& type, const std::vector<unsigned char>& data) {
  const size_t at = FindChunk(Chunks(png), before).offset;
  std::vector<unsigned char> bytes(12 + data.size());
  PutBigEndian32(bytes, 0, static_cast<uint32_t>(data.size()));
  std::copy(type.begin(), type.end(), bytes.begin() + 4);
  std::copy(data.begin(), data.end(), bytes.begin() + 8);
  png.insert(png.begin() + static_cast<long>(at), bytes.begin(), bytes.end());
  FixCrc(png, {at, static_cast<uint32_t>(data.size()), type});
}

size_t FindJpegMarker(const std::vector<unsigned char>& jpeg, unsigned char code) {
  for (size_t at = 2; at + 4 <= jpeg.size();) {
    if (jpeg[at] != 0xFF) break;
    if (jpeg[at + 1] == code) return at;
    at += 2 + (size_t{jpeg[at + 2]} << 8 | jpeg[at + 3]);
  }
  throw std::runtime_error("no marker");
}

void SetJpegFrameSize(std::vector<unsigned char>& jpeg, unsigned char frame, int width,
                      int height) {
  const size_t at = FindJpegMarker(jpeg, frame);
  jpeg[at + 5] = static_cast<unsigned char>(height >> 8);
  jpeg[at + 6] = static_cast<unsigned char>(height);
  jpeg[at + 7] = static_cast<unsigned char>(width >> 8);
  jpeg[at + 8] = static_cast<unsigned char>(width);
}

std::vector<unsigned char> DamagedArithmeticJpeg(int width, int height) {
  JpegLayout layout;
  layout.width = layout.height = 32;
  layout.components = 4;
  layout.space = JCS_CMYK;
  layout.arithmetic = true;
  std::vector<unsigned char> jpeg = WriteJpeg(layout, [](int y, unsigned char* row) {
    for (int x = 0; x < 32 * 4; ++x) row[x] = static_cast<unsigned char>(x * 2 + y);
  });
  SetJpegFrameSize(jpeg, 0xC9, width, height);
  return jpeg;
}

namespace {

void PutLittleEndian(std::vector<unsigned char>& bytes, size_t offset, uint32_t value, int size) {
  for (int i = 0; i < size; ++i)
    bytes.at(offset + static_cast<size_t>(i)) = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

std::vector<unsigned char> WriteDib(const BmpLayout& layout,
                                    const std::vector<unsigned char>& pixels) {
  const bool core = layout.header_size == 12;
  const size_t header = static_cast<size_t>(layout.header_size);
  const bool masks_inside = header >= 52;
  std::vector<unsigned char> dib(header + (masks_inside ? 0 : 4 * layout.masks.size()));
  PutLittleEndian(dib, 0, static_cast<uint32_t>(header), 4);
  if (core) {
    PutLittleEndian(dib, 4, static_cast<uint32_t>(layout.width), 2);
    PutLittleEndian(dib, 6, static_cast<uint32_t>(layout.height), 2);
    PutLittleEndian(dib, 8, 1, 2);
    PutLittleEndian(dib, 10, static_cast<uint32_t>(layout.bits), 2);
  } else {
    PutLittleEndian(dib, 4, static_cast<uint32_t>(layout.width), 4);
    PutLittleEndian(dib, 8, static_cast<uint32_t>(layout.height), 4);
    PutLittleEndian(dib, 12, 1, 2);
    PutLittleEndian(dib, 14, static_cast<uint32_t>(layout.bits), 2);
    PutLittleEndian(dib, 16, layout.compression, 4);
    PutLittleEndian(dib, 20, static_cast<uint32_t>(pixels.size()), 4);
    PutLittleEndian(dib, 32, static_cast<uint32_t>(layout.palette.size()), 4);
    for (size_t i = 0; i < layout.masks.size(); ++i) {
      if (!masks_inside || 40 + 4 * i < header)
        PutLittleEndian(dib, 40 + 4 * i, layout.masks[i], 4);
    }
  }
  for (const uint32_t colour : layout.palette) {
    dib.push_back(static_cast<unsigned char>(colour));
    dib.push_back(static_cast<unsigned char>(colour >> 8));
    dib.push_back(static_cast<unsigned char>(colour >> 16));
    if (!core) dib.push_back(0);
  }
  dib.insert(dib.end(), pixels.begin(), pixels.end());
  return dib;
}

std::vector<unsigned char> WriteBmp(const BmpLayout& layout,
                                    const std::vector<unsigned char>& pixels) {
  const std::vector<unsigned char> dib = WriteDib(layout, pixels);
  std::vector<unsigned char> bmp(14);
  bmp[0] = 'B';
  bmp[1] = 'M';
  PutLittleEndian(bmp, 2, static_cast<uint32_t>(14 + dib.size()), 4);
  PutLittleEndian(bmp, 10, static_cast<uint32_t>(14 + dib.size() - pixels.size()), 4);
  bmp.insert(bmp.end(), dib.begin(), dib.end());
  return bmp;
}

std::vector<unsigned char> StoredRows(const std::vector<std::vector<unsigned char>>& rows,
                                      bool top_down) {
  std::vector<unsigned char> stored;
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::vector<unsigned char>& row = rows[top_down ? i : rows.size() - 1 - i];
    stored.insert(stored.end(), row.begin(), row.end());
    stored.resize(stored.size() + (4 - row.size() % 4) % 4);
  }
  return stored;
}

std::vector<unsigned char> WriteIco(const std::vector<IconEntry>& entries) {
  std::vector<unsigned char> ico(6 + 16 * entries.size());
  PutLittleEndian(ico, 2, 1, 2);
  PutLittleEndian(ico, 4, static_cast<uint32_t>(entries.size()), 2);
  for (size_t i = 0; i < entries.size(); ++i) {
    const IconEntry& entry = entries[i];
    const size_t at = 6 + 16 * i;
    ico[at] = static_cast<unsigned char>(entry.width);  // 256 becomes 0
    ico[at + 1] = static_cast<unsigned char>(entry.height);
    PutLittleEndian(ico, at + 4, 1, 2);
    PutLittleEndian(ico, at + 6, static_cast<uint32_t>(entry.bits), 2);
    PutLittleEndian(ico, at + 8, static_cast<uint32_t>(entry.data.size()), 4);
    PutLittleEndian(ico, at + 12, static_cast<uint32_t>(ico.size()), 4);
    ico.insert(ico.end(), entry.data.begin(), entry.data.end());
  }
  return ico;
}

std::vector<unsigned char> TinyPng() {
  PngLayout layout;
  layout.width = 3;
  layout.height = 2;
  return WritePng(layout, [](int y, unsigned char* row) {
    for (int i = 0; i < 9; ++i) row[i] = static_cast<unsigned char>(40 * i + y);
  });
}

std::vector<unsigned char> StripedBmp(int width, int height) {
  std::vector<std::vector<unsigned char>> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < 3 * width; ++x)
      rows[static_cast<size_t>(y)].push_back(static_cast<unsigned char>(x * 7 + y * 13));
  }
  return WriteBmp({.width = width, .height = height}, StoredRows(rows));
}

}  // namespace picture_writers
