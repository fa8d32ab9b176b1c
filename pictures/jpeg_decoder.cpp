// JPEG through libjpeg, whose errors end in longjmp: the decoding function below is plain C
// in spirit (no object with a destructor lives in its frame), and everything it leaves
// behind for the caller sits in a JpegJob outside that frame.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// clang-format off
// libjpeg's header needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "pictures/box_shrink.h"
#include "pictures/picture.h"
#include "pictures/progress.h"

namespace {

using picture_detail::MakePicture;
using picture_detail::RowShrinker;
using picture_detail::ShrunkSize;

// A progressive or multi-scan file keeps all its coefficients in memory (two bytes a sample),
// whatever the scaling; beyond this libjpeg stops with JERR_NO_BACKING_STORE. A fuzzing build
// takes far less, as the library's own fuzzers do, so that a claimed huge picture stays cheap.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr long kMaxLibraryMemory = 16L * 1024 * 1024;
// Larger pictures are refused at once there, as the library's fuzzers refuse them.
constexpr unsigned long long kMaxFuzzPixels = 1ull << 18;
#else
constexpr long kMaxLibraryMemory = 512L * 1024 * 1024;
#endif
// Every scan of a progressive file is a pass over all its coefficients, so hundreds of tiny
// scans cost minutes. Encoders write about ten (libjpeg's progressive script) and never near a
// hundred; libjpeg-turbo's own tools let the user set such a limit, its fuzzers use 500.
constexpr int kMaxScans = 100;
// Arithmetic-coded data may end before the picture does: the encoder leaves out the zero bytes
// at its end and the decoder supplies them, so a flat last stretch costs no bytes at all. A
// damaged file uses the same rule to claim 60000 x 30000 pixels in a hundred bytes. Once the
// data has ended, this many blocks may still follow (at least; more for a bigger file), so
// that refusing takes time in proportion to the file, not to the size it claims.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr unsigned long long kBlocksAfterEnd = 1ull << 14;
constexpr unsigned long long kBlocksAfterEndPerByte = 16;
#else
constexpr unsigned long long kBlocksAfterEnd = 1ull << 20;
constexpr unsigned long long kBlocksAfterEndPerByte = 1024;
#endif

enum class Outcome { kDone, kLibraryError, kTooManyScans, kSinkFailed, kCancelled };

struct JpegJob {
  FILE* file = nullptr;
  const unsigned char* data = nullptr;
  size_t size = 0;  // of the memory, or of the file when known
  int min_width = 1;
  int min_height = 1;
  DecodeProgress* receiver = nullptr;  // of the progress
  int64_t total = 1;                   // the last whole it was told of

  // The receiver of the rows; these never throw, they report failure by returning false.
  void* sink = nullptr;
  bool (*begin)(void* sink, int width, int height) = nullptr;
  bool (*row)(void* sink, const unsigned char* samples, int components, bool adobe) = nullptr;

  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr errors{};
  jpeg_progress_mgr progress{};
  std::jmp_buf jump{};
  Outcome outcome = Outcome::kDone;
  int message_code = 0;
};

[[noreturn]] void Fail(j_common_ptr cinfo, Outcome outcome) {
  auto* job = static_cast<JpegJob*>(cinfo->client_data);
  job->outcome = outcome;
  job->message_code = cinfo->err->msg_code;
  std::longjmp(job->jump, 1);
}

void OnError(j_common_ptr cinfo) {
  Fail(cinfo, Outcome::kLibraryError);
}

void OnMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace output
  // When the image data ends early (at the end of the file, or at a marker in the middle of
  // a scan) libjpeg pads with grey and only warns; the user would see half a picture without
  // knowing the file is damaged.
  if (cinfo->err->msg_code == JWRN_JPEG_EOF || cinfo->err->msg_code == JWRN_HIT_MARKER) {
    Fail(cinfo, Outcome::kLibraryError);
  }
  ++cinfo->err->num_warnings;
}

void OnOutput(j_common_ptr) {}  // no diagnostic output

// The arithmetic decoder has met a marker in the middle of a scan, and more of the scan is
// left than the end of data can stand for.
bool DataEndedTooEarly(j_decompress_ptr cinfo, size_t file_size) {
  const int marker = cinfo->unread_marker;
  if (!cinfo->arith_code || marker == 0 || (marker >= 0xD0 && marker <= 0xD7))
    return false;  // RSTn
  if (cinfo->input_iMCU_row >= cinfo->total_iMCU_rows) return false;
  unsigned long long blocks_per_row = 0;
  for (int i = 0; i < cinfo->comps_in_scan; ++i) {
    const jpeg_component_info* c = cinfo->cur_comp_info[i];
    blocks_per_row += static_cast<unsigned long long>(c->width_in_blocks) *
                      static_cast<unsigned>(c->v_samp_factor);
  }
  const unsigned long long left = blocks_per_row * (cinfo->total_iMCU_rows - cinfo->input_iMCU_row);
  return left > std::max(kBlocksAfterEnd, kBlocksAfterEndPerByte * file_size);
}

void OnProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
  auto* job = static_cast<JpegJob*>(cinfo->client_data);
  if (job->receiver != nullptr) {
    // Each pass (a scan read, the rows put out) counts as much as any other.
    const jpeg_progress_mgr& p = *cinfo->progress;
    const int64_t within = p.pass_limit > 0 ? 1000 * p.pass_counter / p.pass_limit : 0;
    const int64_t done = 1000 * int64_t{p.completed_passes} + within;
    job->total = std::max<int64_t>(done, 1000 * int64_t{p.total_passes});
    if (!job->receiver->Advance(done, job->total)) Fail(cinfo, Outcome::kCancelled);
  }
  if (decompress->input_scan_number > kMaxScans) Fail(cinfo, Outcome::kTooManyScans);
  if (DataEndedTooEarly(decompress, static_cast<JpegJob*>(cinfo->client_data)->size)) {
    // The same answer as for Huffman-coded data cut short by a marker.
    cinfo->err->msg_code = JWRN_HIT_MARKER;
    Fail(cinfo, Outcome::kLibraryError);
  }
}

void RunJpeg(JpegJob* job) {
  j_decompress_ptr cinfo = &job->cinfo;
  cinfo->err = jpeg_std_error(&job->errors);
  job->errors.error_exit = OnError;
  job->errors.emit_message = OnMessage;
  job->errors.output_message = OnOutput;
  cinfo->client_data = job;  // kept by jpeg_create_decompress
  if (setjmp(job->jump) != 0) {
    jpeg_destroy_decompress(cinfo);
    return;
  }
  jpeg_create_decompress(cinfo);
  cinfo->mem->max_memory_to_use = kMaxLibraryMemory;
  job->progress.progress_monitor = OnProgress;
  cinfo->progress = &job->progress;
  if (job->file != nullptr) {
    jpeg_stdio_src(cinfo, job->file);
  } else {
    jpeg_mem_src(cinfo, job->data, static_cast<unsigned long>(job->size));
  }
  jpeg_read_header(cinfo, TRUE);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  if (static_cast<unsigned long long>(cinfo->image_width) * cinfo->image_height > kMaxFuzzPixels) {
    cinfo->err->msg_code = JERR_IMAGE_TOO_BIG;
    Fail(reinterpret_cast<j_common_ptr>(cinfo), Outcome::kLibraryError);
  }
#endif

  const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  // The smallest n/8 that still gives the minimum; 8/8 when the picture is smaller anyway.
  cinfo->scale_denom = 8;
  for (unsigned int n = 1; n <= 8; ++n) {
    cinfo->scale_num = n;
    jpeg_calc_output_dimensions(cinfo);
    if (cinfo->output_width >= static_cast<JDIMENSION>(job->min_width) &&
        cinfo->output_height >= static_cast<JDIMENSION>(job->min_height)) {
      break;
    }
  }
  if (!job->begin(job->sink, static_cast<int>(cinfo->output_width),
                  static_cast<int>(cinfo->output_height))) {
    job->outcome = Outcome::kSinkFailed;
    jpeg_destroy_decompress(cinfo);
    return;
  }

  jpeg_start_decompress(cinfo);
  JSAMPARRAY line = (*cinfo->mem->alloc_sarray)(
      reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
      cinfo->output_width * static_cast<JDIMENSION>(cinfo->output_components), 1);
  while (cinfo->output_scanline < cinfo->output_height) {
    jpeg_read_scanlines(cinfo, line, 1);
    if (!job->row(job->sink, line[0], cinfo->output_components, cinfo->saw_Adobe_marker != 0)) {
      job->outcome = Outcome::kSinkFailed;
      break;
    }
  }
  // Whatever follows the last row (markers, EOI) is not needed for the picture.
  jpeg_destroy_decompress(cinfo);
}

struct Sink {
  int min_width = 1;
  int min_height = 1;
  int width = 0;
  Picture picture;
  std::optional<RowShrinker> shrinker;
  std::vector<unsigned char> rgb;
  std::exception_ptr failure;
};

bool Begin(void* opaque, int width, int height) {
  auto* sink = static_cast<Sink*>(opaque);
  return picture_detail::KeepFailure(sink->failure, [&] {
    sink->width = width;
    sink->picture = MakePicture(ShrunkSize(width, height, sink->min_width, sink->min_height));
    sink->shrinker.emplace(width, height, sink->picture);
    sink->rgb.resize(size_t{3} * static_cast<size_t>(width));
  });
}

unsigned char Scale(unsigned int a, unsigned int b) {
  return static_cast<unsigned char>((a * b + 127) / 255);
}

bool Row(void* opaque, const unsigned char* samples, int components, bool adobe) {
  auto* sink = static_cast<Sink*>(opaque);
  if (components == 3) {
    sink->shrinker->AddRow(samples, picture_detail::StoredPixels::kRgb);
    return true;
  }
  // CMYK: Adobe's files store the inks inverted (255 = no ink), which is the usual case.
  unsigned char* out = sink->rgb.data();
  for (int x = 0; x < sink->width; ++x, samples += 4, out += 3) {
    const unsigned int k = adobe ? samples[3] : 255u - samples[3];
    for (int c = 0; c < 3; ++c) out[c] = Scale(adobe ? samples[c] : 255u - samples[c], k);
  }
  sink->shrinker->AddRow(sink->rgb.data(), picture_detail::StoredPixels::kRgb);
  return true;
}

std::string TooLargeMessage(const JpegJob& job) {
  return "Картинка JPEG слишком велика для показа: " + std::to_string(job.cinfo.image_width) +
         " x " + std::to_string(job.cinfo.image_height) +
         " пикс. в нескольких проходах требуют больше " + std::to_string(kMaxLibraryMemory >> 20) +
         " МБ памяти.";
}

Picture Decode(JpegJob& job, const DecodeRequest& request) {
  job.receiver = request.progress;
  picture_detail::Report(request.progress, 0, 1);
  Sink sink;
  sink.min_width = job.min_width = std::max(1, request.min_width);
  sink.min_height = job.min_height = std::max(1, request.min_height);
  job.sink = &sink;
  job.begin = Begin;
  job.row = Row;
  RunJpeg(&job);
  switch (job.outcome) {
    case Outcome::kDone:
      picture_detail::Report(request.progress, job.total, job.total);
      return std::move(sink.picture);
    case Outcome::kLibraryError:
      // A valid multi-scan picture needs all its coefficients at once; past the cap it is
      // refused for its size, which is not damage.
      if (job.message_code == JERR_NO_BACKING_STORE) throw PictureError(TooLargeMessage(job));
      throw PictureError("JPEG error #" + std::to_string(job.message_code));
    case Outcome::kTooManyScans:
      throw PictureError("Картинка JPEG не поддерживается: в ней больше " +
                         std::to_string(kMaxScans) + " проходов.");
    case Outcome::kCancelled:
      throw DecodeCancelled();
    case Outcome::kSinkFailed:
      break;
  }
  std::rethrow_exception(sink.failure);
}

}  // namespace

Picture DecodeJpegFile(const std::string& path, const DecodeRequest& request) {
  const PictureFile file(path);
  auto job = std::make_unique<JpegJob>();
  job->file = file.get();
  job->size = file.Size();
  return Decode(*job, request);
}

Picture DecodeJpegMemory(const unsigned char* data, size_t size, const DecodeRequest& request) {
  auto job = std::make_unique<JpegJob>();
  job->data = data;
  job->size = size;
  return Decode(*job, request);
}
