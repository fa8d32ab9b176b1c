// PNG through libpng (which inflates with zlib). libpng's errors end in longjmp, so the
// decoding function is plain C in spirit: no object with a destructor lives in its frame, and
// its results sit in a PngJob outside it.
//
// Rows are read one at a time and shrunk at once. Interlaced files are read without libpng's
// deinterlacing (which needs the whole picture): each pass's pixels go straight into the sums
// of the result, so memory follows the result there too.
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pictures/box_shrink.h"
#include "pictures/picture.h"
#include "pictures/progress.h"

namespace {

using picture_detail::MakePicture;
using picture_detail::RowShrinker;
using picture_detail::ScatterShrinker;
using picture_detail::ShrunkSize;

constexpr png_uint_32 kMaxSide = 65535;
// Ancillary chunks (text, colour profiles) are skipped, but a hostile file could still make
// libpng inflate one of the chunks it keeps into a huge buffer.
constexpr png_alloc_size_t kMaxChunkBytes = 8 * 1024 * 1024;
// Chunks the picture never needs; skipping them saves inflating compressed text and profiles.
constexpr png_byte kIgnoredChunks[] = "iCCP\0iTXt\0tEXt\0zTXt\0sPLT\0eXIf";

enum class Outcome {
  kDone,
  kEndOfFile,
  kReadError,
  kCrc,
  kUnknownCritical,
  kTooLarge,
  kOther,
  kSinkFailed,
  kCancelled
};

uint32_t BigEndian32(const unsigned char* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

struct PngJob {
  FILE* file = nullptr;
  const unsigned char* data = nullptr;
  size_t size = 0;
  uint64_t position = 0;  // bytes handed to libpng

  // The receiver of the rows; these never throw, they report failure by returning null/false.
  void* sink = nullptr;
  unsigned char* (*begin)(void* sink, int width, int height, bool interlaced,
                          int channels) = nullptr;
  bool (*pixels)(void* sink, int y, int x0, int step, const unsigned char* samples,
                 int count) = nullptr;

  // Rows read so far and in all, every pass counted; the receiver may stop the reading.
  DecodeProgress* progress = nullptr;
  int64_t rows_done = 0;
  int64_t rows_total = 1;

  png_structp png = nullptr;
  png_infop info = nullptr;
  Outcome outcome = Outcome::kDone;
  int read_error = 0;
  char message[200] = {};
};

void SetMessage(PngJob* job, Outcome outcome, const char* message) {
  job->outcome = outcome;
  std::snprintf(job->message, sizeof job->message, "%s", message);
}

void OnError(png_structp png, png_const_charp message) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  if (job->outcome == Outcome::kDone) {  // else the reader has already said what happened
    Outcome outcome = Outcome::kOther;
    if (std::strstr(message, "CRC error") != nullptr) {
      outcome = Outcome::kCrc;
    } else if (std::strstr(message, "critical chunk") != nullptr) {
      outcome = Outcome::kUnknownCritical;
    }
    SetMessage(job, outcome, message);
  }
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}  // no diagnostic output

size_t ReadSource(PngJob* job, unsigned char* out, size_t count) {
  size_t got = 0;
  if (job->file != nullptr) {
    got = std::fread(out, 1, count, job->file);
    if (got < count && std::ferror(job->file)) job->read_error = errno;
  } else {
    got = static_cast<size_t>(std::min<uint64_t>(count, job->size - job->position));
    if (got > 0) std::memcpy(out, job->data + job->position, got);
  }
  job->position += got;
  return got;
}

// False when the receiver of the progress stops the reading.
bool Advance(PngJob* job) {
  return job->progress == nullptr || job->progress->Advance(job->rows_done, job->rows_total);
}

void ReadBytes(png_structp png, png_bytep out, size_t count) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  // Also while chunks that bring no rows are read or skipped.
  if (!Advance(job)) {
    SetMessage(job, Outcome::kCancelled, "cancelled");
    png_error(png, job->message);
  }
  const size_t got = ReadSource(job, out, count);
  if (job->read_error != 0) {
    SetMessage(job, Outcome::kReadError, "read error");
    png_error(png, job->message);
  }
  if (got < count) {
    SetMessage(job, Outcome::kEndOfFile, "unexpected end of file");
    png_error(png, job->message);
  }
}

void Finish(PngJob* job) {
  png_destroy_read_struct(&job->png, &job->info, nullptr);
}

void RunPng(PngJob* job) {
  job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, OnError, OnWarning);
  if (job->png != nullptr) job->info = png_create_info_struct(job->png);
  if (job->info == nullptr) {
    SetMessage(job, Outcome::kOther, "out of memory");
    Finish(job);
    return;
  }
  png_structp png = job->png;
  png_infop info = job->info;
  if (setjmp(png_jmpbuf(png)) != 0) {
    Finish(job);
    return;
  }
  png_set_read_fn(png, job, ReadBytes);
  // libpng's own limit would fail with a vague "Invalid IHDR data"; the check below names it.
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_set_chunk_malloc_max(png, kMaxChunkBytes);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks,
                              static_cast<int>(sizeof kIgnoredChunks / 5));
  png_read_info(png, info);  // the header and everything up to the image data; no rows yet
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (width > kMaxSide || height > kMaxSide) {
    SetMessage(job, Outcome::kTooLarge, "too large");
    Finish(job);
    return;
  }

  // Every colour type and depth becomes 8-bit RGB, or RGBA when there is transparency.
  png_set_expand(png);
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  png_read_update_info(png, info);
  const int channels = png_get_channels(png, info);
  if ((channels != 3 && channels != 4) ||
      png_get_rowbytes(png, info) != size_t{width} * static_cast<size_t>(channels)) {
    png_error(png, "unexpected row layout");
  }
  unsigned char* row = job->begin(job->sink, static_cast<int>(width), static_cast<int>(height),
                                  interlaced, channels);
  if (row == nullptr) {
    job->outcome = Outcome::kSinkFailed;
    Finish(job);
    return;
  }

  // Without interlacing there is one "pass" of full rows; with it, libpng hands out each
  // pass's reduced rows in order and skips the empty passes of a narrow or short picture.
  const int passes = interlaced ? 7 : 1;
  job->rows_total = 0;
  for (int pass = 0; pass < passes; ++pass) {
    if (!interlaced || (PNG_PASS_ROWS(height, pass) > 0 && PNG_PASS_COLS(width, pass) > 0))
      job->rows_total += interlaced ? PNG_PASS_ROWS(height, pass) : height;
  }
  for (int pass = 0; pass < passes; ++pass) {
    const png_uint_32 rows = interlaced ? PNG_PASS_ROWS(height, pass) : height;
    const png_uint_32 columns = interlaced ? PNG_PASS_COLS(width, pass) : width;
    if (rows == 0 || columns == 0) continue;
    const int x0 = interlaced ? PNG_PASS_START_COL(pass) : 0;
    const int step = interlaced ? 1 << PNG_PASS_COL_SHIFT(pass) : 1;
    for (png_uint_32 r = 0; r < rows; ++r) {
      if (png_get_current_pass_number(png) != pass) png_error(png, "unexpected interlace pass");
      png_read_row(png, row, nullptr);
      const png_uint_32 y = interlaced ? PNG_ROW_FROM_PASS_ROW(r, pass) : r;
      if (!job->pixels(job->sink, static_cast<int>(y), x0, step, row, static_cast<int>(columns))) {
        job->outcome = Outcome::kSinkFailed;
        Finish(job);
        return;
      }
      ++job->rows_done;
      if (!Advance(job)) {
        job->outcome = Outcome::kCancelled;
        Finish(job);
        return;
      }
    }
  }
  // The chunks after the image data add nothing to the picture.
  Finish(job);
}

struct Sink {
  int min_width = 1;
  int min_height = 1;
  uint32_t background = 0;
  picture_detail::StoredPixels kind = picture_detail::StoredPixels::kRgb;
  Picture picture;
  std::optional<RowShrinker> rows;
  std::optional<ScatterShrinker> scatter;
  std::vector<unsigned char> row;
  std::exception_ptr failure;
};

unsigned char* Begin(void* opaque, int width, int height, bool interlaced, int channels) {
  auto* sink = static_cast<Sink*>(opaque);
  const bool begun = picture_detail::KeepFailure(sink->failure, [&] {
    const picture_detail::Size size = ShrunkSize(width, height, sink->min_width, sink->min_height);
    // Only pixels with alpha are composed over the background.
    const std::optional<uint32_t> background =
        channels == 4 ? std::optional<uint32_t>(sink->background) : std::nullopt;
    if (interlaced) {
      sink->scatter.emplace(width, height, size, background);
    } else {
      sink->picture = MakePicture(size);
      sink->rows.emplace(width, height, sink->picture, false, background);
    }
    sink->kind =
        channels == 4 ? picture_detail::StoredPixels::kRgba : picture_detail::StoredPixels::kRgb;
    sink->row.resize(static_cast<size_t>(width) * static_cast<size_t>(channels));
  });
  return begun ? sink->row.data() : nullptr;
}

bool Pixels(void* opaque, int y, int x0, int step, const unsigned char* samples, int count) {
  auto* sink = static_cast<Sink*>(opaque);
  if (sink->scatter) {
    sink->scatter->AddPixels(y, x0, step, samples, count);
  } else {
    sink->rows->AddRow(samples, sink->kind);
  }
  return true;
}

// Exactly `count` bytes at `offset` of the source, after libpng has given up.
bool ReadAt(const PngJob& job, uint64_t offset, unsigned char* out, size_t count) {
  if (job.file == nullptr) {
    if (offset > job.size || count > job.size - offset) return false;
    std::memcpy(out, job.data + offset, count);
    return true;
  }
  return fseeko(job.file, static_cast<off_t>(offset), SEEK_SET) == 0 &&
         std::fread(out, 1, count, job.file) == count;
}

// After libpng gave up inside a chunk: whether that chunk fails its checksum. libpng checks a
// chunk's CRC only after inflating all of it, so damaged image data usually shows up first as a
// zlib error; the chunk is found and checksummed only then, not on every load.
bool ChunkIsDamaged(const PngJob& job) {
  unsigned char head[8];
  uint64_t start = 8;  // past the signature
  uint32_t length = 0;
  for (;;) {
    if (job.position < start + 8 || !ReadAt(job, start, head, sizeof head))
      return false;  // in the signature or a chunk's header: no chunk's data to blame
    length = BigEndian32(head);
    const uint64_t end = start + 12 + length;
    if (job.position < end) break;
    start = end;
  }
  if (length > PNG_UINT_31_MAX) return false;
  uLong crc = crc32(0L, head + 4, 4);
  unsigned char buffer[4096];
  uint64_t at = start + 8;
  for (uint32_t left = length; left > 0;) {
    const size_t want = std::min<size_t>(sizeof buffer, left);
    if (!ReadAt(job, at, buffer, want)) return false;  // cut short as well: keep libpng's word
    crc = crc32(crc, buffer, static_cast<uInt>(want));
    at += want;
    left -= static_cast<uint32_t>(want);
  }
  unsigned char stored[4];
  return ReadAt(job, at, stored, sizeof stored) &&
         BigEndian32(stored) != static_cast<uint32_t>(crc);
}

std::string Invalid(const std::string& what) {
  return "This \"Portable Network Graphics\" image " + what;
}

Picture Decode(PngJob& job, const std::string* path, const DecodeRequest& request) {
  job.progress = request.progress;
  Sink sink;
  sink.min_width = std::max(1, request.min_width);
  sink.min_height = std::max(1, request.min_height);
  sink.background = request.background & 0xFFFFFFu;
  job.sink = &sink;
  job.begin = Begin;
  job.pixels = Pixels;
  RunPng(&job);
  if (job.outcome == Outcome::kOther && ChunkIsDamaged(job)) job.outcome = Outcome::kCrc;
  switch (job.outcome) {
    case Outcome::kDone:
      return sink.scatter ? sink.scatter->Finish() : std::move(sink.picture);
    case Outcome::kEndOfFile:
      throw PictureError(
          Invalid("is invalid because the decoder found an unexpected end of the file."));
    case Outcome::kReadError:
      throw PictureError("Cannot read file \"" + (path != nullptr ? *path : std::string()) +
                         "\". " + std::strerror(job.read_error));
    case Outcome::kCrc:
      throw PictureError(
          Invalid("is not valid because it contains invalid pieces of data (crc error)"));
    case Outcome::kUnknownCritical:
      throw PictureError(Invalid("contains an unknown critical part which could not be decoded."));
    case Outcome::kTooLarge:
      throw PictureError(
          Invalid("is not supported because either it's width or height exceeds the maximum size, "
                  "which is 65535 "
                  "pixels length."));
    case Outcome::kOther:
      throw PictureError(Invalid("could not be decoded: " + std::string(job.message) + "."));
    case Outcome::kCancelled:
      throw DecodeCancelled();
    case Outcome::kSinkFailed:
      break;
  }
  std::rethrow_exception(sink.failure);
}

}  // namespace

Picture DecodePngFile(const std::string& path, const DecodeRequest& request) {
  const PictureFile file(path);
  auto job = std::make_unique<PngJob>();
  job->file = file.get();
  return Decode(*job, &path, request);
}

Picture DecodePngMemory(const unsigned char* data, size_t size, const DecodeRequest& request) {
  auto job = std::make_unique<PngJob>();
  job->data = data;
  job->size = data != nullptr ? size : 0;
  return Decode(*job, nullptr, request);
}
