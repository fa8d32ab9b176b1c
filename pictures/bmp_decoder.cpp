// Windows bitmaps (BMP) and icons (ICO), decoded here without a library. Rows go into the sums
// of the result as they are read, in the order the file stores them (a bottom-up bitmap's last
// row first), so besides the result only a few rows of the source width are ever held.
//
// Where the format leaves a choice:
// - Pixels an RLE bitmap never writes (passed over by a delta, left at the end of a line or
//   after the end of the bitmap) are transparent: they show the background colour, as the
//   transparent parts of every other picture do.
// - A palette index beyond the palette the file holds is black.
// - A file that ends early is not valid, as a cut PNG is not: an uncompressed bitmap must hold
//   all its rows (checked before any row is read), and an RLE stream must reach its end of
//   bitmap or move past the last row, even when some rows were already decoded.
// - Alpha comes from the fourth byte of a 32-bit bitmap without masks, or from an alpha mask.
//   When the alpha of every pixel is zero, the writer never filled it in and the picture is
//   opaque; finding that out takes a first pass over the rows, which stops at the first
//   non-zero alpha.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "pictures/box_shrink.h"
#include "pictures/picture.h"
#include "pictures/picture_format.h"
#include "pictures/progress.h"

namespace {

using picture_detail::Report;
using picture_detail::RowShrinker;
using picture_detail::StoredPixels;

constexpr int64_t kMaxSide = 65535;
constexpr int64_t kMaxPixels = int64_t{1} << 28;
constexpr char kBadBitmap[] = "Bitmap image is not valid";
constexpr char kBadIcon[] = "Icon image is not valid";

// Compression codes of the info header.
constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitfields = 3;
constexpr uint32_t kAlphaBitfields = 6;

constexpr uint32_t kBlack = 0xFF000000u;

// Damage the decoder met; the entry points turn it into the format's own message.
struct NotValid {};

uint32_t U16(const unsigned char* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8;
}
uint32_t U32(const unsigned char* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The bytes of the file or of the memory, read at any offset.
class Source {
 public:
  Source(const unsigned char* data, size_t size)
      : data_(data != nullptr ? data : &kNothing), size_(data != nullptr ? size : 0) {}
  Source(int fd, size_t size, const std::string& path) : fd_(fd), size_(size), path_(&path) {}

  uint64_t Size() const { return size_; }
  // The bytes themselves when the source is memory; null for a file.
  const unsigned char* Memory() const { return data_; }

  // Exactly `count` bytes at `offset`; false when the source ends before.
  bool Read(uint64_t offset, unsigned char* out, size_t count) const {
    if (offset > size_ || count > size_ - offset) return false;
    if (data_ != nullptr) {
      if (count > 0) std::memcpy(out, data_ + offset, count);
      return true;
    }
    while (count > 0) {
      const ssize_t got = ::pread(fd_, out, count, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        throw PictureError("Cannot read file \"" + *path_ + "\". " + std::strerror(errno));
      }
      if (got == 0) return false;  // the file shrank since it was opened
      out += got;
      offset += static_cast<uint64_t>(got);
      count -= static_cast<size_t>(got);
    }
    return true;
  }

 private:
  static constexpr unsigned char kNothing = 0;  // memory of no bytes, never null

  const unsigned char* data_ = nullptr;
  int fd_ = -1;
  uint64_t size_ = 0;
  const std::string* path_ = nullptr;
};

// Reads the bytes [begin, end) of a source in order, through a buffer of its own for a file.
class Reader {
 public:
  // `largest` is the most a single Take asks for.
  Reader(const Source& source, uint64_t begin, uint64_t end, size_t largest)
      : source_(source), position_(begin), end_(std::min(end, source.Size())) {
    if (position_ > end_) position_ = end_;
    if (const unsigned char* memory = source.Memory()) {
      next_ = memory + position_;
      limit_ = memory + end_;
      position_ = end_;
    } else {
      buffer_.resize(std::max<size_t>(largest, size_t{64} << 10));
      next_ = limit_ = buffer_.data();
    }
  }

  bool Next(unsigned char& byte) {
    if (next_ == limit_ && !Fill(1)) return false;
    byte = *next_++;
    return true;
  }

  // The next `count` bytes, or null when the range ends before.
  const unsigned char* Take(size_t count) {
    if (static_cast<size_t>(limit_ - next_) < count && !Fill(count)) return nullptr;
    const unsigned char* bytes = next_;
    next_ += count;
    return bytes;
  }

 private:
  bool Fill(size_t count) {
    const size_t kept = static_cast<size_t>(limit_ - next_);
    if (buffer_.empty() || count > buffer_.size() || count - kept > end_ - position_) return false;
    std::memmove(buffer_.data(), next_, kept);
    const size_t want =
        static_cast<size_t>(std::min<uint64_t>(buffer_.size() - kept, end_ - position_));
    if (!source_.Read(position_, buffer_.data() + kept, want)) return false;
    position_ += want;
    next_ = buffer_.data();
    limit_ = next_ + kept + want;
    return true;
  }

  const Source& source_;
  uint64_t position_;  // of the byte after the buffer's
  uint64_t end_;
  std::vector<unsigned char> buffer_;
  const unsigned char* next_ = nullptr;
  const unsigned char* limit_ = nullptr;
};

// One colour channel of a 16- or 32-bit pixel: a contiguous mask, scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;  // down to the mask's top 8 bits, or all of them when it has fewer
  std::array<unsigned char, 256> scale{};

  // Nothing for a mask with gaps.
  static std::optional<Channel> Of(uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (mask == 0) return c;
    const int low = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    if ((uint64_t{mask} >> low) + 1 != uint64_t{1} << bits) return std::nullopt;
    const int kept = std::min(bits, 8);
    c.shift = low + bits - kept;
    const unsigned int top = (1u << kept) - 1;
    for (unsigned int v = 0; v <= top; ++v)
      c.scale[v] = static_cast<unsigned char>((v * 255 + top / 2) / top);
    return c;
  }

  unsigned int operator()(uint32_t pixel) const { return scale[(pixel & mask) >> shift]; }
};

// What the header of a bitmap (a BMP file's, or an icon entry's) says about its pixels.
struct Dib {
  int width = 0;
  int height = 0;  // of the picture: the upper half of an icon's doubled height
  bool top_down = false;
  int bits = 0;
  uint32_t compression = kRgb;
  Channel red, green, blue, alpha;      // 16 and 32 bits
  std::array<uint32_t, 256> palette{};  // 0xFFRRGGBB; black beyond the file's entries
  uint64_t pixels = 0;                  // where the pixel data starts
  uint64_t end = 0;                     // where the bitmap's bytes end
  uint64_t stride = 0;                  // bytes a stored row takes
};

void ReadOrFail(const Source& source, uint64_t offset, unsigned char* out, size_t count) {
  if (!source.Read(offset, out, count)) throw NotValid();
}

// Little-endian fields read one after the other from bytes known to hold them.
class Fields {
 public:
  explicit Fields(const unsigned char* at) : at_(at) {}
  uint32_t U8() { return *at_++; }
  uint32_t U16() { return Take(2, ::U16(at_)); }
  uint32_t U32() { return Take(4, ::U32(at_)); }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  void Skip(size_t count) { at_ += count; }

 private:
  uint32_t Take(size_t count, uint32_t value) {
    at_ += count;
    return value;
  }

  const unsigned char* at_;
};

// The info header of a bitmap, as stored. The OS/2 core header (12 bytes) holds only the sizes,
// in 16 bits, the planes and the bits; Windows headers (40 bytes) go on to the number of
// palette entries; bigger ones hold the masks too (52 bytes three, from 56 bytes four), and
// after them colour space details the decoder has no use for.
struct InfoHeader {
  uint32_t size = 0;
  int64_t width = 0;
  int64_t height = 0;  // negative: the rows are stored top-down
  uint32_t planes = 0;
  uint32_t bits = 0;
  uint32_t compression = kRgb;
  uint32_t image_bytes = 0;
  int32_t x_pixels_per_metre = 0;
  int32_t y_pixels_per_metre = 0;
  uint32_t colours_used = 0;  // palette entries; 0: all an index can reach
  uint32_t colours_important = 0;
  std::array<uint32_t, 4> masks{};  // red, green, blue, alpha

  bool Core() const { return size == 12; }
};

InfoHeader ReadInfoHeader(const Source& source, uint64_t at, uint64_t end) {
  unsigned char bytes[124] = {};
  ReadOrFail(source, at, bytes, 4);
  InfoHeader h;
  h.size = U32(bytes);
  if (h.size != 12 && h.size != 40 && h.size != 52 && h.size != 56 && h.size != 108 &&
      h.size != 124) {
    throw NotValid();
  }
  if (at + h.size > end) throw NotValid();
  ReadOrFail(source, at, bytes, h.size);
  Fields in(bytes + 4);
  if (h.Core()) {
    h.width = in.U16();
    h.height = in.U16();
    h.planes = in.U16();
    h.bits = in.U16();
    return h;
  }
  h.width = in.I32();
  h.height = in.I32();
  h.planes = in.U16();
  h.bits = in.U16();
  h.compression = in.U32();
  h.image_bytes = in.U32();
  h.x_pixels_per_metre = in.I32();
  h.y_pixels_per_metre = in.I32();
  h.colours_used = in.U32();
  h.colours_important = in.U32();
  for (uint32_t i = 0, held = (h.size - 40) / 4; i < 4 && i < held; ++i) h.masks[i] = in.U32();
  return h;
}

bool Supported(const InfoHeader& h, bool icon) {
  switch (h.compression) {
    case kRgb:
      return h.bits == 1 || h.bits == 4 || h.bits == 8 || h.bits == 24 ||
             (!h.Core() && (h.bits == 16 || h.bits == 32));
    case kRle8:
      return h.bits == 8 && !icon;
    case kRle4:
      return h.bits == 4 && !icon;
    case kBitfields:
    case kAlphaBitfields:
      return h.bits == 16 || h.bits == 32;
    default:
      return false;
  }
}

// What uncompressed pixels of 16 and 32 bits mean: 5-5-5, and 8-8-8 with the fourth byte alpha.
constexpr std::array<uint32_t, 4> kMasks16 = {0x7C00, 0x03E0, 0x001F, 0};
constexpr std::array<uint32_t, 4> kMasks32 = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};

// The masks of a bitmap with bit fields: in a header of 52 bytes or more, else right after the
// header (`after`, then moved past them); the depth's own for the others.
std::array<uint32_t, 4> Masks(const InfoHeader& h, const Source& source, uint64_t& after,
                              uint64_t end) {
  if (h.compression != kBitfields && h.compression != kAlphaBitfields)
    return h.bits == 16 ? kMasks16 : h.bits == 32 ? kMasks32 : std::array<uint32_t, 4>{};
  if (h.size != 40) return h.masks;
  const size_t count = h.compression == kAlphaBitfields ? 4 : 3;
  if (after + 4 * count > end) throw NotValid();
  unsigned char bytes[16];
  ReadOrFail(source, after, bytes, 4 * count);
  after += 4 * count;
  std::array<uint32_t, 4> masks{};
  Fields in(bytes);
  for (size_t i = 0; i < count; ++i) masks[i] = in.U32();
  return masks;
}

// The palette at `at`: as many entries as the header says, else all an index can reach, of three
// bytes (blue, green, red) after a core header, four after the others. A BMP file says where
// its pixel data starts (`pixels_at`), and no entry reaches past that; in an icon the pixel data
// follows the palette. Returns where the pixel data starts.
uint64_t ReadPalette(const InfoHeader& h, const Source& source, uint64_t at,
                     std::optional<uint64_t> pixels_at, std::array<uint32_t, 256>& palette) {
  const uint64_t entry_size = h.Core() ? 3 : 4;
  uint64_t entries = h.colours_used != 0 ? h.colours_used : h.bits <= 8 ? uint64_t{1} << h.bits : 0;
  if (pixels_at) {
    if (*pixels_at < at) throw NotValid();
    entries = std::min(entries, (*pixels_at - at) / entry_size);
  }
  palette.fill(kBlack);
  if (h.bits <= 8) {
    const size_t used = static_cast<size_t>(std::min<uint64_t>(entries, 256));
    unsigned char bytes[256 * 4];
    ReadOrFail(source, at, bytes, used * entry_size);
    for (size_t i = 0; i < used; ++i) {
      const unsigned char* e = bytes + i * entry_size;
      palette[i] = kBlack | uint32_t{e[2]} << 16 | uint32_t{e[1]} << 8 | e[0];
    }
  }
  return pixels_at ? *pixels_at : at + entries * entry_size;
}

// The header at `at`, its masks and palette, for a bitmap whose bytes end at `end`; an icon's
// bitmap is followed by its AND mask.
Dib ReadDib(const Source& source, uint64_t at, std::optional<uint64_t> pixels_at, uint64_t end,
            bool icon) {
  const InfoHeader h = ReadInfoHeader(source, at, end);
  Dib dib;
  dib.top_down = h.height < 0;
  const int64_t width = h.width;
  int64_t height = h.height < 0 ? -h.height : h.height;
  if (icon) height /= 2;  // the AND mask's rows follow the picture's
  if (width <= 0 || height <= 0) throw NotValid();
  if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
    throw TooLarge(width, height);
  if (!Supported(h, icon)) throw NotValid();
  dib.width = static_cast<int>(width);
  dib.height = static_cast<int>(height);
  dib.bits = static_cast<int>(h.bits);
  dib.compression = h.compression;

  uint64_t palette_at = at + h.size;
  const std::array<uint32_t, 4> masks = Masks(h, source, palette_at, end);
  Channel* channels[4] = {&dib.red, &dib.green, &dib.blue, &dib.alpha};
  for (int i = 0; i < 4; ++i) {
    const std::optional<Channel> channel = Channel::Of(masks[static_cast<size_t>(i)]);
    if (!channel) throw NotValid();
    *channels[i] = *channel;
  }
  dib.pixels = ReadPalette(h, source, palette_at, pixels_at, dib.palette);

  dib.end = end;
  dib.stride = (static_cast<uint64_t>(width) * h.bits + 31) / 32 * 4;
  if (dib.compression != kRle8 && dib.compression != kRle4) {
    const uint64_t mask_bytes =
        icon ? (static_cast<uint64_t>(width) + 31) / 32 * 4 * static_cast<uint64_t>(height) : 0;
    if (dib.pixels > end ||
        dib.stride * static_cast<uint64_t>(height) + mask_bytes > end - dib.pixels) {
      throw NotValid();
    }
  }
  return dib;
}

struct Job {
  const Source& source;
  int min_width;
  int min_height;
  uint32_t background;  // 0xRRGGBB
  DecodeProgress* progress;
};

// A 16- or 32-bit pixel, little-endian.
uint32_t PixelAt(const unsigned char* row, int x, int bits) {
  return bits == 16 ? U16(row + 2 * x) : U32(row + 4 * x);
}

// Whether any pixel has a non-zero alpha. Reports rows [0, height) of 2 * height.
bool AnyAlpha(const Dib& dib, const Job& job) {
  Reader reader(job.source, dib.pixels, dib.end, static_cast<size_t>(dib.stride));
  for (int y = 0; y < dib.height; ++y) {
    const unsigned char* row = reader.Take(static_cast<size_t>(dib.stride));
    if (row == nullptr) throw NotValid();
    for (int x = 0; x < dib.width; ++x) {
      if ((PixelAt(row, x, dib.bits) & dib.alpha.mask) != 0) return true;
    }
    Report(job.progress, y + 1, 2 * int64_t{dib.height});
  }
  return false;
}

// A stored row as 0xAARRGGBB.
void DecodeRow(const Dib& dib, bool use_alpha, const unsigned char* row, uint32_t* out) {
  const int width = dib.width;
  switch (dib.bits) {
    case 1:
    case 4:
    case 8: {
      const int bits = dib.bits;
      const unsigned int index_mask = (1u << bits) - 1;
      for (int x = 0; x < width; ++x) {
        const int bit = x * bits;
        const unsigned int index = row[bit / 8] >> (8 - bits - bit % 8) & index_mask;
        out[x] = dib.palette[index];
      }
      break;
    }
    case 24:
      for (int x = 0; x < width; ++x, row += 3)
        out[x] = kBlack | uint32_t{row[2]} << 16 | uint32_t{row[1]} << 8 | row[0];
      break;
    default:
      for (int x = 0; x < width; ++x) {
        const uint32_t p = PixelAt(row, x, dib.bits);
        const uint32_t a = use_alpha ? dib.alpha(p) : 255u;
        out[x] = a << 24 | dib.red(p) << 16 | dib.green(p) << 8 | dib.blue(p);
      }
      break;
  }
}

// 24-bit pixels, and 32-bit ones with the usual masks, go into the sums as stored, no pixel
// unpacked. Nothing for other depths and masks.
std::optional<StoredPixels> StoredBytes(const Dib& dib, bool use_alpha) {
  if (dib.bits == 24) return StoredPixels::kBgr;
  if (dib.bits != 32 || dib.red.mask != 0xFF0000u || dib.green.mask != 0xFF00u ||
      dib.blue.mask != 0xFFu)
    return std::nullopt;
  if (!use_alpha) return StoredPixels::kBgrx;
  if (dib.alpha.mask == 0xFF000000u) return StoredPixels::kBgra;
  return std::nullopt;
}

// Uncompressed rows; an icon's AND mask makes the pixels whose bit is 1 transparent, unless the
// picture has alpha of its own. Only pictures that may be transparent are composed.
void DecodeRows(const Dib& dib, const Job& job, bool icon, Picture& out) {
  const bool has_alpha = dib.alpha.mask != 0 && AnyAlpha(dib, job);
  const int64_t total = dib.alpha.mask != 0 ? 2 * int64_t{dib.height} : dib.height;
  const int64_t done = total - dib.height;
  const uint64_t mask_stride = (static_cast<uint64_t>(dib.width) + 31) / 32 * 4;
  Reader reader(job.source, dib.pixels, dib.end, static_cast<size_t>(dib.stride));
  std::optional<Reader> mask;
  if (icon && !has_alpha) {
    mask.emplace(job.source, dib.pixels + dib.stride * static_cast<uint64_t>(dib.height), dib.end,
                 static_cast<size_t>(mask_stride));
  }
  RowShrinker shrinker(dib.width, dib.height, out, !dib.top_down,
                       has_alpha || mask ? std::optional<uint32_t>(job.background) : std::nullopt);
  const std::optional<StoredPixels> stored = mask ? std::nullopt : StoredBytes(dib, has_alpha);
  std::vector<uint32_t> line(stored ? 0 : static_cast<size_t>(dib.width));
  for (int y = 0; y < dib.height; ++y) {
    const unsigned char* row = reader.Take(static_cast<size_t>(dib.stride));
    if (row == nullptr) throw NotValid();
    if (stored) {
      shrinker.AddRow(row, *stored);
    } else {
      DecodeRow(dib, has_alpha, row, line.data());
      if (mask) {
        const unsigned char* bits = mask->Take(static_cast<size_t>(mask_stride));
        if (bits == nullptr) throw NotValid();
        for (int x = 0; x < dib.width; ++x) {
          if (bits[x / 8] >> (7 - x % 8) & 1) line[static_cast<size_t>(x)] = 0;
        }
      }
      shrinker.Add(line.data(), dib.width);
      shrinker.EndRow(0);
    }
    Report(job.progress, done + y + 1, total);
  }
}

// RLE8 or RLE4: runs of one index (two alternating ones for RLE4) and absolute runs, with end of
// line, end of bitmap and delta moves; a stream only ever moves on, right or to later rows.
void DecodeRle(const Dib& dib, const Job& job, RowShrinker& shrinker) {
  const bool four = dib.bits == 4;
  const uint32_t back = job.background;
  const int64_t height = dib.height;
  Reader in(job.source, dib.pixels, dib.end, 256);
  const auto next = [&in] {
    unsigned char byte = 0;
    if (!in.Next(byte)) throw NotValid();
    return byte;
  };
  int64_t y = 0;
  // Ends the current row, then `rows` - 1 more that stay unwritten.
  const auto end_rows = [&](int64_t rows) {
    rows = std::min(rows, height - y);
    shrinker.EndRow(back);
    shrinker.AddRows(rows - 1, back);
    for (int64_t i = 0; i < rows; ++i) Report(job.progress, ++y, height);
  };
  uint32_t run[256];
  for (uint32_t commands = 1; y < height; ++commands) {
    // Commands that only move or fall past the row's end are cheap but unbounded in number.
    if (commands % 4096 == 0) Report(job.progress, y, height);
    const unsigned char count = next();
    const unsigned char value = next();
    if (count > 0) {
      const uint32_t first = dib.palette[four ? value >> 4 : value];
      const uint32_t second = dib.palette[four ? value & 15 : value];
      if (first == second) {
        shrinker.AddRun(count, first);
      } else {
        for (int i = 0; i < count; ++i) run[i] = i % 2 == 0 ? first : second;
        shrinker.Add(run, count);
      }
      continue;
    }
    switch (value) {
      case 0:  // end of line
        end_rows(1);
        break;
      case 1:  // end of bitmap
        end_rows(height - y);
        break;
      case 2: {  // delta: right and down
        const unsigned char dx = next();
        const unsigned char dy = next();
        if (dy == 0) {
          shrinker.AddRun(dx, back);
        } else {
          const int x = shrinker.x();
          end_rows(dy);
          if (y < height) shrinker.AddRun(x + dx, back);
        }
        break;
      }
      default: {  // absolute run of `value` pixels, padded to a whole number of 16-bit words
        const size_t bytes = four ? (value + 1u) / 2 : value;
        const unsigned char* data = in.Take((bytes + 1) & ~size_t{1});
        if (data == nullptr) throw NotValid();
        for (int i = 0; i < value; ++i) {
          const unsigned int index = four ? data[i / 2] >> (i % 2 == 0 ? 4 : 0) & 15 : data[i];
          run[i] = dib.palette[index];
        }
        shrinker.Add(run, value);
        break;
      }
    }
  }
}

Picture DecodeDib(const Dib& dib, const Job& job, bool icon) {
  Picture out = picture_detail::MakePicture(
      picture_detail::ShrunkSize(dib.width, dib.height, job.min_width, job.min_height));
  if (dib.compression == kRle8 || dib.compression == kRle4) {
    // Unwritten pixels show the background: the picture stays opaque.
    RowShrinker shrinker(dib.width, dib.height, out, !dib.top_down);
    DecodeRle(dib, job, shrinker);
  } else {
    DecodeRows(dib, job, icon, out);
  }
  return out;
}

// The file header: "BM", the file's size, two reserved words and where the pixel data starts;
// the info header follows.
Picture DecodeBmp(const Job& job) {
  unsigned char head[14];
  ReadOrFail(job.source, 0, head, sizeof head);
  Fields in(head);
  const uint32_t magic = in.U16();
  in.Skip(8);  // the size and the reserved words, which nothing needs
  const uint32_t pixels_at = in.U32();
  if (magic != (uint32_t{'B'} | uint32_t{'M'} << 8)) throw NotValid();
  const Dib dib = ReadDib(job.source, sizeof head, pixels_at, job.source.Size(), false);
  return DecodeDib(dib, job, false);
}

// The directory: a reserved word, the type (1 icon, 2 cursor) and the number of entries, each
// of 16 bytes. Of the entries, the one with the most pixels, then the most bits per pixel, as the
// directory gives them; the first of equals.
Picture DecodeIco(const Job& job) {
  const Source& source = job.source;
  unsigned char head[6];
  ReadOrFail(source, 0, head, sizeof head);
  Fields in(head);
  const uint32_t reserved = in.U16();
  const uint32_t type = in.U16();
  const uint32_t count = in.U16();
  if (reserved != 0 || (type != 1 && type != 2) || count == 0) throw NotValid();
  Reader directory(source, sizeof head, sizeof head + 16 * uint64_t{count}, 16);
  uint64_t best_pixels = 0;
  uint32_t best_bits = 0, offset = 0, size = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const unsigned char* bytes = directory.Take(16);
    if (bytes == nullptr) throw NotValid();
    Fields entry(bytes);
    const uint32_t width = entry.U8();  // 0 stands for 256
    const uint32_t height = entry.U8();
    entry.Skip(4);  // colours, a reserved byte, planes
    const uint32_t bits = entry.U16();
    const uint32_t entry_size = entry.U32();
    const uint32_t entry_offset = entry.U32();
    const uint64_t pixels = uint64_t{width != 0 ? width : 256u} * (height != 0 ? height : 256u);
    if (i == 0 || pixels > best_pixels || (pixels == best_pixels && bits > best_bits)) {
      best_pixels = pixels;
      best_bits = bits;
      size = entry_size;
      offset = entry_offset;
    }
  }
  if (uint64_t{offset} + size > source.Size()) throw NotValid();

  using picture_detail::kPngSignature;
  unsigned char start[24] = {};
  const bool png = source.Read(offset, start, std::min<size_t>(size, sizeof start)) &&
                   size >= kPngSignature.size() &&
                   std::memcmp(start, kPngSignature.data(), kPngSignature.size()) == 0;
  if (!png)
    return DecodeDib(ReadDib(source, offset, std::nullopt, uint64_t{offset} + size, true), job,
                     true);

  // The header chunk's size is checked here, so that a huge one gets the same message as a
  // bitmap's; any other failure of the PNG is the icon's.
  if (size < sizeof start) throw NotValid();
  const auto big_endian = [&start](int at) {
    return int64_t{start[at]} << 24 | int64_t{start[at + 1]} << 16 | int64_t{start[at + 2]} << 8 |
           start[at + 3];
  };
  const int64_t width = big_endian(16), height = big_endian(20);
  if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
    throw TooLarge(width, height);
  std::vector<unsigned char> copy;
  const unsigned char* data = source.Memory();
  if (data != nullptr) {
    data += offset;
  } else {
    copy.resize(size);
    ReadOrFail(source, offset, copy.data(), size);
    data = copy.data();
  }
  try {
    return DecodePngMemory(data, size,
                           {job.min_width, job.min_height, job.background, job.progress});
  } catch (const PictureError&) {
    throw NotValid();
  }
}

template <typename Decode>
Picture Run(Decode decode, const Source& source, const DecodeRequest& request,
            const char* invalid) {
  const Job job{source, std::max(1, request.min_width), std::max(1, request.min_height),
                request.background & 0xFFFFFFu, request.progress};
  try {
    return decode(job);
  } catch (const NotValid&) {
    throw PictureError(invalid);
  }
}

}  // namespace

Picture DecodeBmpFile(const std::string& path, const DecodeRequest& request) {
  const PictureFile file(path);
  return Run(DecodeBmp, Source(::fileno(file.get()), file.Size(), path), request, kBadBitmap);
}

Picture DecodeBmpMemory(const unsigned char* data, size_t size, const DecodeRequest& request) {
  return Run(DecodeBmp, Source(data, size), request, kBadBitmap);
}

Picture DecodeIcoFile(const std::string& path, const DecodeRequest& request) {
  const PictureFile file(path);
  return Run(DecodeIco, Source(::fileno(file.get()), file.Size(), path), request, kBadIcon);
}

Picture DecodeIcoMemory(const unsigned char* data, size_t size, const DecodeRequest& request) {
  return Run(DecodeIco, Source(data, size), request, kBadIcon);
}
