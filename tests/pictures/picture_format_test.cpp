// Which decoder reads a picture, in memory and in a file: the extension of its name, else its
// first bytes; and how every decoder reads a file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "picture_writers.h"
#include "pictures/picture.h"
#include "tests/support/cases.h"

namespace {

using Bytes = std::vector<unsigned char>;

// kMissing: no file at all, and no bytes in memory.
enum class Content { kJpeg, kPng, kBmp, kIcon, kCursor, kPpm, kPngCutShort, kEmpty, kMissing };

Bytes Make(Content content) {
  switch (content) {
    case Content::kJpeg:
      return picture_writers::WriteJpeg({.width = 8, .height = 8}, [](int y, unsigned char* row) {
        for (int i = 0; i < 24; ++i) row[i] = static_cast<unsigned char>(10 * i + y);
      });
    case Content::kPng:
      return picture_writers::TinyPng();
    case Content::kBmp:
      return picture_writers::WriteBmp({.width = 1, .height = 1}, {0x10, 0x20, 0x30, 0});
    case Content::kIcon:
    case Content::kCursor: {
      Bytes ico = picture_writers::WriteIco({{3, 2, 32, picture_writers::TinyPng()}});
      if (content == Content::kCursor) ico[2] = 2;
      return ico;
    }
    case Content::kPpm:
      return {'P', '6', '\n', '1', ' ', '1', '\n', '2', '5', '5', '\n', 1, 2, 3};
    case Content::kPngCutShort: {
      Bytes png = picture_writers::TinyPng();
      png.resize(7);
      return png;
    }
    case Content::kEmpty:
    case Content::kMissing:
      break;
  }
  return {};
}

constexpr DecodeRequest kRequest{.min_width = 2, .min_height = 2, .background = 0x808000};

// What the content's own decoder makes of it.
Picture OwnDecoding(Content content, const Bytes& b) {
  switch (content) {
    case Content::kJpeg:
      return DecodeJpegMemory(b.data(), b.size(), kRequest);
    case Content::kPng:
      return DecodePngMemory(b.data(), b.size(), kRequest);
    case Content::kBmp:
      return DecodeBmpMemory(b.data(), b.size(), kRequest);
    default:
      return DecodeIcoMemory(b.data(), b.size(), kRequest);
  }
}

struct ChoiceCase {
  const char* name;
  const char* file;
  Content content;
  // "own": as the content's own decoder reads it; "platform": left to the platform's readers;
  // otherwise the message.
  const char* outcome;
};

std::string TempPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/tallymate_pictures_" +
         std::to_string(::getpid()) + "_" + name;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);  // an empty one has no data
  ASSERT_EQ(std::fclose(file), 0);
}

// What a choice came to: "own" with the pixels, "platform", or the message.
struct Choice {
  std::string outcome;
  std::vector<uint32_t> pixels;
};

template <typename Decode>
Choice ChoiceOf(Decode decode) {
  try {
    const std::optional<Picture> picture = decode();
    if (!picture) return {"platform", {}};
    return {"own", picture->pixels};
  } catch (const MessageError& error) {
    return {error.message(), {}};
  }
}

// Bytes in memory and a file of the same name holding them are read alike.
TEST(PictureFormat, ChoosesTheDecoder) {
  const ChoiceCase kCases[] = {
      {"ExtensionInCapitals", "photo.JPG", Content::kJpeg, "own"},
      {"LongJpegExtension", "photo.jpeg", Content::kJpeg, "own"},
      {"LastOfSeveralDotsInMixedCase", "photo.tar.Png", Content::kPng, "own"},
      {"JpegWithoutExtension", "photo", Content::kJpeg, "own"},
      {"PngWithoutExtension", "photo", Content::kPng, "own"},
      {"BitmapWithoutExtension", "photo", Content::kBmp, "own"},
      {"IconWithoutExtension", "photo", Content::kIcon, "own"},
      {"CursorWithoutExtensionIsReadAsAnIcon", "photo", Content::kCursor, "own"},
      {"DotOfAFolderIsNoExtension", "my.pictures/photo", Content::kPng, "own"},
      {"TrailingDotIsNoExtension", "photo.", Content::kBmp, "own"},
      {"ExtensionOverContent", "photo.bmp", Content::kPng, "Bitmap image is not valid"},
      {"IconExtensionOverContent", "photo.ico", Content::kBmp, "Icon image is not valid"},
      {"Metafile", "drawing.EMF", Content::kBmp,
       "Метафайлы Windows на этом рабочем столе не показываются"},
      {"OlderMetafile", "drawing.wmf", Content::kBmp,
       "Метафайлы Windows на этом рабочем столе не показываются"},
      {"UnknownExtensionAsTyped", "photo.Gif", Content::kPng,
       "Unknown picture file extension (.Gif)"},
      {"UnknownExtensionBeforeAMissingFile", "nothing.tiff", Content::kMissing,
       "Unknown picture file extension (.tiff)"},
      {"CursorExtensionIsUnknown", "arrow.cur", Content::kCursor,
       "Unknown picture file extension (.cur)"},
      {"OtherContentToThePlatform", "photo", Content::kPpm, "platform"},
      {"SignatureCutShortToThePlatform", "photo", Content::kPngCutShort, "platform"},
      {"EmptyToThePlatform", "photo", Content::kEmpty, "platform"}};
  const std::string folder = TempPath("choice");
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((folder + "/my.pictures").c_str(), 0700), 0);
  ForEachCase(kCases, [&folder](const ChoiceCase& c) {
    const Bytes bytes = Make(c.content);
    const std::string path = folder + "/" + c.file;
    if (c.content != Content::kMissing) WriteFile(path, bytes);
    const Choice memory =
        ChoiceOf([&] { return DecodePictureMemory(c.file, bytes.data(), bytes.size(), kRequest); });
    const Choice file = ChoiceOf([&] { return DecodePictureFile(path, kRequest); });
    std::remove(path.c_str());
    EXPECT_EQ(memory.outcome, c.outcome);
    EXPECT_EQ(file.outcome, c.outcome) << "from a file";
    if (c.outcome == std::string("own")) {
      EXPECT_EQ(memory.pixels, OwnDecoding(c.content, bytes).pixels);
      EXPECT_EQ(file.pixels, memory.pixels) << "from a file";
    }
  });
  ::rmdir((folder + "/my.pictures").c_str());
  ::rmdir(folder.c_str());
}

// ---- files ----------------------------------------------------------------------------------

struct Decoder {
  const char* name;
  Picture (*file)(const std::string& path, const DecodeRequest& request);
  Picture (*memory)(const unsigned char* data, size_t size, const DecodeRequest& request);
};

constexpr Decoder kJpeg{"JPEG", DecodeJpegFile, DecodeJpegMemory};
constexpr Decoder kPng{"PNG", DecodePngFile, DecodePngMemory};
constexpr Decoder kBmp{"BMP", DecodeBmpFile, DecodeBmpMemory};
constexpr Decoder kIco{"ICO", DecodeIcoFile, DecodeIcoMemory};

// A name without extension: the choice opens the file to read its first bytes.
Picture ChosenByContent(const std::string& path, const DecodeRequest& request) {
  return DecodePictureFile(path, request).value_or(Picture{});
}
constexpr Decoder kByContent{"chosen by content", ChosenByContent, nullptr};

// The pixels, or the message of the refusal.
struct Outcome {
  std::vector<uint32_t> pixels;
  std::string refusal;
};

template <typename Decode>
Outcome OutcomeOf(Decode decode) {
  try {
    return {decode().pixels, ""};
  } catch (const PictureError& error) {
    return {{}, error.message()};
  }
}

Bytes QuadrantJpeg() {
  return picture_writers::WriteJpeg({.width = 640, .height = 480}, [](int y, unsigned char* row) {
    for (int x = 0; x < 640; ++x) {
      const int quadrant = (x >= 320 ? 1 : 0) + (y >= 240 ? 2 : 0);
      row[3 * x] = static_cast<unsigned char>(60 * quadrant);
      row[3 * x + 1] = static_cast<unsigned char>(200 - 40 * quadrant);
      row[3 * x + 2] = static_cast<unsigned char>(x % 256);
    }
  });
}

Bytes SmallPng() {
  picture_writers::PngLayout layout;
  layout.width = 40;
  layout.height = 30;
  return picture_writers::WritePng(layout, [](int y, unsigned char* row) {
    for (int x = 0; x < 120; ++x) row[x] = static_cast<unsigned char>(x * y + x);
  });
}

// 1000 x 100 in RLE8, absolute runs of 255, 255, 255 and 235 pixels a row: runs cross the ends of
// the file reader's buffer.
Bytes LongRunsBmp() {
  Bytes stream;
  for (int y = 0; y < 100; ++y) {
    for (const int run : {255, 255, 255, 235}) {
      stream.push_back(0);
      stream.push_back(static_cast<unsigned char>(run));
      for (int i = 0; i < run + run % 2; ++i) stream.push_back(static_cast<unsigned char>(i + y));
    }
    stream.insert(stream.end(), {0, 0});
  }
  stream.insert(stream.end(), {0, 1});
  std::vector<uint32_t> palette(256);
  for (uint32_t i = 0; i < 256; ++i) palette[i] = i * 0x010203u;
  return picture_writers::WriteBmp({.width = 1000,
                                    .height = 100,
                                    .bits = 8,
                                    .compression = picture_writers::kBmpRle8,
                                    .palette = palette},
                                   stream);
}

// An icon of a 4 x 4 bitmap entry (its rows, then its mask's) and the 3 x 2 PNG: the bitmap has
// more pixels and is shown.
Bytes BitmapIcon() {
  return picture_writers::WriteIco(
      {{4, 4, 24, picture_writers::WriteDib({.width = 4, .height = 8}, Bytes(64, 0x5A))},
       {3, 2, 32, picture_writers::TinyPng()}});
}

Bytes PngIcon() {
  return picture_writers::WriteIco({{3, 2, 32, picture_writers::TinyPng()}});
}

template <Bytes (*kMake)(), size_t kCut>
Bytes Cut() {
  Bytes bytes = kMake();
  bytes.resize(bytes.size() - kCut);
  return bytes;
}

Bytes PngCutInHalf() {
  Bytes png = SmallPng();
  png.resize(png.size() / 2);
  return png;
}

Bytes PngWithDamagedData() {
  Bytes png = SmallPng();
  png[picture_writers::FindChunk(picture_writers::Chunks(png), "IDAT").offset + 20] ^= 0x40;
  return png;
}

Bytes HugeArithmeticJpeg() {
  return picture_writers::DamagedArithmeticJpeg(63998, 29699);
}

// A bitmap claiming 20000 x 20000 pixels of 24 bits, with 4096 bytes of them.
Bytes HugeBmp() {
  return picture_writers::WriteBmp({.width = 20000, .height = 20000}, Bytes(4096, 0x40));
}

Bytes Stripes() {
  return picture_writers::StripedBmp(301, 300);
}

struct FileCase {
  const char* name;
  const Decoder& decoder;
  Bytes (*make)();
  bool refused;
};

TEST(PictureFile, ReadsAsTheSameBytesInMemory) {
  // A refusal must say what the same bytes in memory say. The bitmaps are bigger than the file
  // reader's buffer; cut by four bytes, the RLE stream loses its end of line and end of bitmap.
  // A PNG file whose image data is damaged is read again to find the checksum that tells so.
  const FileCase kCases[] = {{"JpegQuadrants", kJpeg, QuadrantJpeg, false},
                             {"JpegCut", kJpeg, Cut<QuadrantJpeg, 100>, true},
                             {"JpegHugeArithmetic", kJpeg, HugeArithmeticJpeg, true},
                             {"Png", kPng, SmallPng, false},
                             {"PngCutInHalf", kPng, PngCutInHalf, true},
                             {"PngDamagedImageData", kPng, PngWithDamagedData, true},
                             {"BmpStripes", kBmp, Stripes, false},
                             {"BmpStripesCut", kBmp, Cut<Stripes, 4>, true},
                             {"BmpLongRuns", kBmp, LongRunsBmp, false},
                             {"BmpLongRunsCut", kBmp, Cut<LongRunsBmp, 4>, true},
                             {"BmpTooLarge", kBmp, HugeBmp, true},
                             {"IcoBitmapEntry", kIco, BitmapIcon, false},
                             {"IcoPngEntry", kIco, PngIcon, false}};
  const std::string path = TempPath("picture");
  ForEachCase(kCases, [&path](const FileCase& c) {
    const Bytes bytes = c.make();
    WriteFile(path, bytes);
    for (const DecodeRequest request :
         {DecodeRequest{209, 145, 0x2060A0}, DecodeRequest{1000, 1000, 0x2060A0}}) {
      SCOPED_TRACE("at least " + std::to_string(request.min_width) + " pixels");
      const Outcome file = OutcomeOf([&] { return c.decoder.file(path, request); });
      const Outcome memory =
          OutcomeOf([&] { return c.decoder.memory(bytes.data(), bytes.size(), request); });
      EXPECT_EQ(file.refusal, memory.refusal);
      EXPECT_EQ(!file.refusal.empty(), c.refused) << file.refusal;
      EXPECT_EQ(file.pixels, memory.pixels);
    }
  });
  std::remove(path.c_str());
}

struct Place {
  const char* name;
  std::string path;
  std::string reason;
};

// Opening a FIFO for reading would wait for a writer, and a device may never end: both are
// refused at once, by every decoder and by the choice that reads a file's first bytes. (A blocked
// open shows as the test's timeout.)
TEST(PictureFile, WhatIsNoRegularFileIsRefusedAtOnceWithItsReason) {
  const std::string fifo = TempPath("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const Place kPlaces[] = {{"Missing", TempPath("missing folder/Картинка"), std::strerror(ENOENT)},
                           {"Folder", "/tmp", std::strerror(EISDIR)},
                           {"Fifo", fifo, "Not a regular file"},
                           {"Device", "/dev/zero", "Not a regular file"}};
  const Decoder kDecoders[] = {kJpeg, kPng, kBmp, kIco, kByContent};
  ForEachCase(kDecoders, [&kPlaces](const Decoder& decoder) {
    ForEachCase(kPlaces, [&decoder](const Place& place) {
      EXPECT_EQ(OutcomeOf([&] { return decoder.file(place.path, {}); }).refusal,
                "Cannot open file \"" + place.path + "\". " + place.reason);
    });
  });
  std::remove(fifo.c_str());
}

}  // namespace
