// Time and peak memory of loading pictures for display in the main window's 209 x 145 picture,
// beside Qt's QImageReader scaling the same files.
//
// Every measurement runs in a fresh child process: it decodes once to load code and plugins,
// resets its peak-memory mark, then decodes the file a few times. Reported are the best time
// and the growth of the peak resident size over the warmed-up process.
//
//   bench_pictures [--no-huge | --large-only | --instructions]
//     --no-huge skips the 20000 x 20000 pictures and the large cases below;
//     --large-only runs only these: 60000 x 60000 PNGs (one-bit grey and RGB, flat bands), a
//     12000 x 12000 progressive JPEG (its coefficients are held whole, under a 512 MB cap), a
//     15000 x 15000 JPEG of 500 scans (refused past the scan limit), a 16 MB PNG that is mostly
//     a zTXt chunk, read by its content, an 8000 x 8000 RLE8 bitmap, a 1 KB RLE8 bitmap claiming
//     11000 x 11000, and a damaged arithmetic-coded JPEG claiming 63998 x 29699 pixels;
//     --instructions counts, with callgrind, the instructions of one decoding of each 1 MP
//     picture below beside the library that does the least with the same file (Qt's reader for
//     bitmaps, libpng alone for PNG): repeatable where times on a shared machine are not.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <valgrind/callgrind.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "picture_writers.h"
#include "pictures/picture.h"

#ifdef TALLYMATE_BENCH_QT
#include <QImage>
#include <QImageReader>
#include <QString>
#endif

namespace {

constexpr int kMinWidth = 209;
constexpr int kMinHeight = 145;

struct Result {
  bool ok = false;
  double milliseconds = 0;
  long peak_growth_kb = 0;
  int width = 0;
  int height = 0;
  char error[160] = {};
};

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t length = std::strlen(field);
  while (std::getline(status, line)) {
    if (line.compare(0, length, field) == 0) return std::atol(line.c_str() + length + 1);
  }
  return -1;
}

// Runs `decode` in a child: once to warm up on `warm_path`, then `repeat` times on `path`.
using Decoder =
    std::function<bool(const std::string& path, int* width, int* height, std::string* error)>;

Result Measure(const Decoder& decode, const std::string& warm_path, const std::string& path,
               int repeat) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return {};
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_ends[0]);
    Result result;
    std::string error;
    int width = 0, height = 0;
    decode(warm_path, &width, &height, &error);
    // Writing 5 resets the peak resident size to the current one.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = StatusKb("VmRSS:");
    double best = 1e300;
    result.ok = true;
    for (int i = 0; i < repeat && result.ok; ++i) {
      const auto start = std::chrono::steady_clock::now();
      result.ok = decode(path, &width, &height, &error);
      const auto stop = std::chrono::steady_clock::now();
      best = std::min(best, std::chrono::duration<double, std::milli>(stop - start).count());
    }
    result.milliseconds = best;
    result.peak_growth_kb = StatusKb("VmHWM:") - before;
    result.width = width;
    result.height = height;
    std::snprintf(result.error, sizeof result.error, "%s", error.c_str());
    const ssize_t written = write(pipe_ends[1], &result, sizeof result);
    _exit(written == static_cast<ssize_t>(sizeof result) ? 0 : 1);
  }
  close(pipe_ends[1]);
  Result result;
  if (read(pipe_ends[0], &result, sizeof result) != static_cast<ssize_t>(sizeof result)) {
    result = {};
    std::snprintf(result.error, sizeof result.error, "child failed");
  }
  close(pipe_ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return result;
}

// As the program chooses the decoder: by the extension, or by the first bytes without one.
Picture DecodeAsTheProgram(const std::string& path) {
  std::optional<Picture> picture = DecodePictureFile(
      path, {.min_width = kMinWidth, .min_height = kMinHeight, .background = 0x808000});
  if (!picture) throw PictureError("not a format of the program's decoders");
  return std::move(*picture);
}

bool Ours(const std::string& path, int* width, int* height, std::string* error) {
  try {
    const Picture picture = DecodeAsTheProgram(path);
    *width = picture.width;
    *height = picture.height;
    return true;
  } catch (const PictureError& failure) {
    *error = failure.message();
    return false;
  }
}

#ifdef TALLYMATE_BENCH_QT
bool QtReader(const std::string& path, int* width, int* height, std::string* error) {
  QImageReader reader(QString::fromStdString(path));
  reader.setScaledSize(QSize(kMinWidth, kMinHeight));
  const QImage image = reader.read();
  if (image.isNull()) {
    *error = reader.errorString().toStdString();
    return false;
  }
  *width = image.width();
  *height = image.height();
  return true;
}
#endif

// Qt's reader where the benchmark has Qt, for comparison; nothing otherwise.
bool QtReaderOrNothing(const std::string& path, int* width, int* height, std::string* error) {
#ifdef TALLYMATE_BENCH_QT
  return QtReader(path, width, height, error);
#else
  (void)path, (void)width, (void)height;
  *error = "no Qt";
  return false;
#endif
}

// A photograph stand-in: smooth colour ramps with a little noise, so that neither format
// compresses it to nothing.
void PhotoRow(int width, int height, int y, unsigned char* row) {
  uint32_t seed = static_cast<uint32_t>(y) * 2654435761u + 12345u;
  for (int x = 0; x < width; ++x) {
    seed = seed * 1103515245u + 12345u;
    const int noise = static_cast<int>(seed >> 28) - 8;
    row[3 * x] = static_cast<unsigned char>(std::clamp(x * 255 / width + noise, 0, 255));
    row[3 * x + 1] = static_cast<unsigned char>(std::clamp(y * 255 / height + noise, 0, 255));
    row[3 * x + 2] =
        static_cast<unsigned char>(std::clamp((x + y) * 255 / (width + height) - noise, 0, 255));
  }
}

struct Input {
  std::string label;
  int width;
  int height;
  bool huge;
  int repeat;
};

std::string Megabytes(long kb) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(kb) / 1024.0);
  return text;
}

void Report(const std::string& name, const Result& ours, const Result& qt, bool have_qt) {
  std::printf("%-16s", name.c_str());
  if (!ours.ok) {
    // A refusal costs time and memory too.
    std::printf(" ours refused after %.1f ms, %s MB: %s\n", ours.milliseconds,
                Megabytes(ours.peak_growth_kb).c_str(), ours.error);
    return;
  }
  std::printf(" %9.1f ms %8s MB  %4dx%-4d", ours.milliseconds,
              Megabytes(ours.peak_growth_kb).c_str(), ours.width, ours.height);
  if (!have_qt) {
    std::printf("\n");
  } else if (!qt.ok) {
    std::printf(" | Qt refused: %s\n", qt.error);
  } else {
    std::printf(" | Qt %9.1f ms %8s MB | time %5.2fx  memory %5.2fx\n", qt.milliseconds,
                Megabytes(qt.peak_growth_kb).c_str(), ours.milliseconds / qt.milliseconds,
                static_cast<double>(std::max(ours.peak_growth_kb, 1L)) /
                    static_cast<double>(std::max(qt.peak_growth_kb, 1L)));
  }
}

}  // namespace

// Flat bands of grey or colour, a few hundred rows each: compresses well, as the files users
// meet at this size do.
void BandRow(int width, int components, int y, unsigned char* row) {
  const unsigned char v = static_cast<unsigned char>((y / 300) * 37);
  for (int x = 0; x < width * components; ++x)
    row[x] = static_cast<unsigned char>(v + (x % components) * 60);
}

void LargeCases(const std::string& dir, const std::string warm[2], bool have_qt) {
  // PNG 60000 x 60000: one-bit grey and eight-bit RGB.
  for (const bool rgb : {false, true}) {
    const std::string name = dir + (rgb ? "/rgb60000.png" : "/grey60000.png");
    picture_writers::PngLayout layout;
    layout.width = layout.height = 60000;
    layout.color_type = rgb ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY;
    layout.bit_depth = rgb ? 8 : 1;
    layout.compression = 9;
    picture_writers::WritePngFile(name, layout, [&](int y, unsigned char* row) {
      if (rgb) {
        BandRow(60000, 3, y, row);
      } else {
        for (int x = 0; x < 60000; ++x) row[x] = static_cast<unsigned char>((y / 300) & 1);
      }
    });
    const Result ours = Measure(Ours, warm[1], name, 1);
    Result qt;
#ifdef TALLYMATE_BENCH_QT
    qt = Measure(QtReader, warm[1], name, 1);
#endif
    Report(rgb ? "60000 RGB PNG" : "60000 1-bit PNG", ours, qt, have_qt);
    std::remove(name.c_str());
  }
  // Progressive JPEG 12000 x 12000 (4:2:0): the library keeps every coefficient.
  {
    const std::string name = dir + "/progressive12000.jpg";
    picture_writers::JpegLayout layout;
    layout.width = layout.height = 12000;
    layout.progressive = true;
    layout.quality = 90;
    picture_writers::WriteJpegFile(
        name, layout, [](int y, unsigned char* row) { PhotoRow(12000, 12000, y, row); });
    const Result ours = Measure(Ours, warm[0], name, 1);
    Result qt;
#ifdef TALLYMATE_BENCH_QT
    qt = Measure(QtReader, warm[0], name, 1);
#endif
    Report("12000 prog JPEG", ours, qt, have_qt);
    std::remove(name.c_str());
  }
  // Progressive grey JPEG 15000 x 15000 (450 MB of coefficients, inside the cap) whose first scan
  // (the DC one) comes 500 times: the library warns of the repeats and reads on, until the scan
  // limit stops it.
  {
    const std::string name = dir + "/scans500.jpg";
    picture_writers::JpegLayout layout;
    layout.width = layout.height = 15000;
    layout.components = 1;
    layout.space = JCS_GRAYSCALE;
    layout.progressive = true;
    layout.quality = 75;
    std::vector<unsigned char> jpeg = picture_writers::WriteJpeg(
        layout, [](int y, unsigned char* row) { BandRow(15000, 1, y, row); });
    // The first scan: its header, then its data up to the next marker.
    const size_t first = picture_writers::FindJpegMarker(jpeg, 0xDA);
    size_t end = first + 2 + (size_t{jpeg[first + 2]} << 8 | jpeg[first + 3]);
    while (end + 1 < jpeg.size() && !(jpeg[end] == 0xFF && jpeg[end + 1] != 0 &&
                                      (jpeg[end + 1] < 0xD0 || jpeg[end + 1] > 0xD7)))
      ++end;
    const std::vector<unsigned char> scan(jpeg.begin() + static_cast<std::ptrdiff_t>(first),
                                          jpeg.begin() + static_cast<std::ptrdiff_t>(end));
    for (int copies = 1; copies < 500; ++copies)
      jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(end), scan.begin(), scan.end());
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()),
               static_cast<std::streamsize>(jpeg.size()));
    Report("15000 JPEG 500 scans", Measure(Ours, warm[0], name, 1),
           Measure(QtReaderOrNothing, warm[0], name, 1), have_qt);
    std::remove(name.c_str());
  }
  // A 16 MB PNG, most of it one zTXt chunk, under a name without extension.
  {
    const std::string name = dir + "/ztxt";
    picture_writers::PngLayout layout;
    layout.width = layout.height = 64;
    std::vector<unsigned char> png = picture_writers::WritePng(
        layout, [](int y, unsigned char* row) { BandRow(64, 3, y, row); });
    std::vector<unsigned char> text(16 << 20);
    for (size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<unsigned char>(i * 2654435761u >> 24);
    const char keyword[] = "Comment";
    std::vector<unsigned char> data(keyword, keyword + sizeof keyword);
    data.push_back(0);  // compression method
    data.insert(data.end(), text.begin(), text.end());
    picture_writers::InsertChunk(png, "IDAT", "zTXt", data);
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    Report("16 MB zTXt PNG", Measure(Ours, warm[1], name, 1),
           Measure(QtReaderOrNothing, warm[1], name, 1), have_qt);
    std::remove(name.c_str());
  }
  // RLE8 bitmaps: a valid 8000 x 8000 one, and 1 KB claiming 11000 x 11000 with only the end of
  // the bitmap in it.
  for (const bool valid : {true, false}) {
    const int side = valid ? 8000 : 11000;
    std::vector<unsigned char> rle;
    if (valid) {
      for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; x += 250) {
          rle.push_back(static_cast<unsigned char>(std::min(250, side - x)));
          rle.push_back(static_cast<unsigned char>((x / 250 + y / 100) % 256));
        }
        rle.insert(rle.end(), {0, 0});  // end of line
      }
    } else {
      rle.resize(1024 - 54 - 1024 % 4, 0);
    }
    rle.insert(rle.end(), {0, 1});  // end of bitmap
    picture_writers::BmpLayout layout;
    layout.width = layout.height = side;
    layout.bits = 8;
    layout.compression = picture_writers::kBmpRle8;
    if (valid)
      for (uint32_t i = 0; i < 256; ++i) layout.palette.push_back(i * 0x010203u & 0xFFFFFFu);
    const std::vector<unsigned char> bmp = picture_writers::WriteBmp(layout, rle);
    const std::string name = dir + (valid ? "/rle8000.bmp" : "/rle11000.bmp");
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    Report(valid ? "8000 RLE8 BMP" : "11000 RLE8 BMP, 1 KB", Measure(Ours, warm[0], name, 1),
           Measure(QtReaderOrNothing, warm[0], name, 1), have_qt);
    std::remove(name.c_str());
  }
  // A small arithmetic-coded CMYK picture whose frame claims 63998 x 29699 pixels.
  {
    const std::vector<unsigned char> jpeg = picture_writers::DamagedArithmeticJpeg(63998, 29699);
    const std::string name = dir + "/damaged.jpg";
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()),
               static_cast<std::streamsize>(jpeg.size()));
    const Result ours = Measure(Ours, warm[0], name, 1);
    std::printf("damaged arith JPEG (%zu bytes): %.1f ms, %s\n", jpeg.size(), ours.milliseconds,
                ours.ok ? "accepted" : ours.error);
    std::remove(name.c_str());
  }
}

namespace {

// ---- Instructions: each decoder beside the least a library does with the same file ----------

// libpng reading every row with the transformations the program asks for, and nothing else.
// Plain C in spirit: libpng's errors end in longjmp.
bool LibpngRows(FILE* file, std::vector<unsigned char>* row) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, file);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  row->resize(png_get_rowbytes(png, info));
  const png_uint_32 height = png_get_image_height(png, info);
  for (int pass = 0; pass < passes; ++pass)
    for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, row->data(), nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

bool LibpngAlone(const std::string& path, int* width, int* height, std::string* error) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = "cannot open";
    return false;
  }
  std::vector<unsigned char> row;
  const bool ok = LibpngRows(file, &row);
  std::fclose(file);
  if (!ok) *error = "libpng failed";
  *width = *height = 0;
  return ok;
}

const std::pair<const char*, Decoder> kCounted[] = {
    {"ours", Ours}, {"qt", QtReaderOrNothing}, {"libpng", LibpngAlone}};

// In the child under callgrind: decodes once to load code and plugins, then once collecting.
int CountOne(const std::string& who, const std::string& path) {
  for (const auto& [name, decode] : kCounted) {
    if (who != name) continue;
    int width = 0, height = 0;
    std::string error;
    if (!decode(path, &width, &height, &error)) {
      std::fprintf(stderr, "%s: %s\n", name, error.c_str());
      return 1;
    }
    CALLGRIND_TOGGLE_COLLECT;
    const bool ok = decode(path, &width, &height, &error);
    CALLGRIND_TOGGLE_COLLECT;
    return ok ? 0 : 1;
  }
  return 2;
}

// Instructions of one decoding by `who`, counted by callgrind in a child; -1 when that failed.
long long Instructions(const std::string& self, const std::string& who, const std::string& path) {
  const std::string out = path + "." + who + ".callgrind";
  const std::string out_option = "--callgrind-out-file=" + out;
  const char* argv[] = {"valgrind",         "--tool=callgrind", "--collect-atstart=no",
                        out_option.c_str(), self.c_str(),       "--count",
                        who.c_str(),        path.c_str(),       nullptr};
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned =
      posix_spawnp(&child, "valgrind", &quiet, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&quiet);
  int status = 1;
  if (spawned != 0 || waitpid(child, &status, 0) != child || status != 0) return -1;
  std::ifstream profile(out);
  std::string line;
  long long count = -1;
  while (std::getline(profile, line)) {
    if (line.starts_with("totals:") || line.starts_with("summary:"))
      count = std::atoll(line.c_str() + line.find(':') + 1);
  }
  std::remove(out.c_str());
  return count;
}

// A photograph stand-in with alpha: the colours of PhotoRow, and an alpha that runs across the
// whole range, so that every level of composing is met.
unsigned char PhotoAlpha(int width, int x, int y) {
  return static_cast<unsigned char>((x * 255 / width + y * 7) % 256);
}

void InstructionCases(const std::string& dir) {
  constexpr int kWidth = 1152, kHeight = 864;
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return;
  std::vector<unsigned char> photo(size_t{3} * kWidth);
  // Bitmaps of 32 bits, blue, green, red and the fourth byte from the lowest address: with an
  // alpha mask in a version 5 header, and with the three colour masks after a version 3 one.
  std::vector<std::vector<unsigned char>> rows(kHeight);
  for (int y = 0; y < kHeight; ++y) {
    PhotoRow(kWidth, kHeight, y, photo.data());
    rows[static_cast<size_t>(y)].resize(size_t{4} * kWidth);
    for (int x = 0; x < kWidth; ++x) {
      unsigned char* p = rows[static_cast<size_t>(y)].data() + 4 * x;
      p[0] = photo[3 * x + 2];
      p[1] = photo[3 * x + 1];
      p[2] = photo[3 * x];
      p[3] = PhotoAlpha(kWidth, x, y);
    }
  }
  const std::vector<unsigned char> pixels = picture_writers::StoredRows(rows);
  struct Case {
    const char* label;
    std::string path;
    const char* floor;
  };
  std::vector<Case> cases;
  for (const bool alpha : {true, false}) {
    picture_writers::BmpLayout layout;
    layout.width = kWidth;
    layout.height = kHeight;
    layout.bits = 32;
    layout.compression = picture_writers::kBmpBitfields;
    layout.header_size = alpha ? 124 : 40;
    layout.masks = {0xFF0000, 0xFF00, 0xFF};
    if (alpha) layout.masks.push_back(0xFF000000);
    const std::vector<unsigned char> bmp = picture_writers::WriteBmp(layout, pixels);
    const std::string name = dir + (alpha ? "/alpha_mask.bmp" : "/bitfields.bmp");
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    cases.push_back({alpha ? "BMP 32-bit alpha mask" : "BMP 32-bit bit fields", name, "qt"});
  }
  {
    picture_writers::PngLayout layout;
    layout.width = kWidth;
    layout.height = kHeight;
    layout.color_type = PNG_COLOR_TYPE_RGB_ALPHA;
    const std::string name = dir + "/alpha.png";
    picture_writers::WritePngFile(name, layout, [&](int y, unsigned char* row) {
      PhotoRow(kWidth, kHeight, y, photo.data());
      for (int x = 0; x < kWidth; ++x) {
        std::memcpy(row + 4 * x, photo.data() + 3 * x, 3);
        row[4 * x + 3] = PhotoAlpha(kWidth, x, y);
      }
    });
    cases.push_back({"PNG RGBA", name, "libpng"});
  }
  std::printf("Instructions of one decoding of %d x %d for display at %d x %d (callgrind):\n",
              kWidth, kHeight, kMinWidth, kMinHeight);
  std::printf("%-24s %14s %14s %-12s %7s\n", "", "ours", "floor", "(floor)", "ratio");
  for (const Case& c : cases) {
    const long long ours = Instructions(self, "ours", c.path);
    const long long floor = Instructions(self, c.floor, c.path);
    std::printf("%-24s %14lld %14lld %-12s", c.label, ours, floor,
                std::strcmp(c.floor, "qt") == 0 ? "Qt's reader" : "libpng alone");
    if (ours > 0 && floor > 0)
      std::printf(" %7.3f", static_cast<double>(ours) / static_cast<double>(floor));
    std::printf("\n");
    std::remove(c.path.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--count") == 0) return CountOne(argv[2], argv[3]);
  const bool with_huge = !(argc > 1 && std::strcmp(argv[1], "--no-huge") == 0);
  const bool large_only = argc > 1 && std::strcmp(argv[1], "--large-only") == 0;
  const bool instructions = argc > 1 && std::strcmp(argv[1], "--instructions") == 0;
#ifdef TALLYMATE_BENCH_QT
  const bool have_qt = true;
#else
  const bool have_qt = false;
#endif
  char dir_template[] = "/tmp/tallymate_bench_pictures_XXXXXX";
  const char* dir = mkdtemp(dir_template);
  if (dir == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  if (instructions) {
    InstructionCases(dir);
    rmdir(dir);
    return 0;
  }
  const std::vector<Input> inputs = {
      {"1 MP", 1152, 864, false, 10},
      {"12 MP", 4000, 3000, false, 3},
      {"50 MP", 8160, 6120, false, 2},
      {"400 MP", 20000, 20000, true, 1},
  };

  std::printf(
      "Loading for display at %d x %d or more; ours / Qt's QImageReader with setScaledSize.\n",
      kMinWidth, kMinHeight);
  std::printf(
      "Time: best of a few runs. Memory: growth of the peak resident size while decoding.\n\n");
  std::vector<std::string> files;
  std::string warm[2];
  for (const bool png : {false, true}) {
    const std::string name = std::string(dir) + "/warm" + (png ? ".png" : ".jpg");
    picture_writers::PngLayout layout;
    layout.width = 64;
    layout.height = 48;
    picture_writers::JpegLayout jpeg;
    jpeg.width = 64;
    jpeg.height = 48;
    const auto fill = [](int y, unsigned char* row) { PhotoRow(64, 48, y, row); };
    png ? picture_writers::WritePngFile(name, layout, fill)
        : picture_writers::WriteJpegFile(name, jpeg, fill);
    warm[png] = name;
    files.push_back(name);
  }

  if (with_huge) LargeCases(dir, warm, have_qt);
  for (const Input& input : inputs) {
    if (large_only) break;
    if (input.huge && !with_huge) continue;
    for (const bool png : {false, true}) {
      const std::string name =
          std::string(dir) + "/" + std::to_string(input.width) + (png ? ".png" : ".jpg");
      const auto fill = [&](int y, unsigned char* row) {
        PhotoRow(input.width, input.height, y, row);
      };
      if (png) {
        picture_writers::PngLayout layout;
        layout.width = input.width;
        layout.height = input.height;
        layout.compression = 3;
        picture_writers::WritePngFile(name, layout, fill);
      } else {
        picture_writers::JpegLayout layout;
        layout.width = input.width;
        layout.height = input.height;
        layout.quality = 90;
        picture_writers::WriteJpegFile(name, layout, fill);
      }
      files.push_back(name);
      const Result ours = Measure(Ours, warm[png], name, input.repeat);
      Result qt;
#ifdef TALLYMATE_BENCH_QT
      qt = Measure(QtReader, warm[png], name, input.repeat);
#endif
      Report(input.label + (png ? " PNG" : " JPEG"), ours, qt, have_qt);
      std::remove(name.c_str());
    }
  }
  for (const std::string& file : files) std::remove(file.c_str());
  rmdir(dir);
  return 0;
}
