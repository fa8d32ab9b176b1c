// Which decoder reads a picture: the extension of its name, else its first bytes.
#include "pictures/picture_format.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "picture_writers.h"
#include "pictures/picture.h"

namespace {

using Bytes = std::vector<unsigned char>;

enum class Content { kJpeg, kPng, kBmp, kIcon, kCursor, kPpm, kPngCutShort, kEmpty };

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
      break;
  }
  return {};
}

constexpr DecodeRequest kRequest{.min_width = 2, .min_height = 2, .background = 0x808000};

// What the content's own decoder makes of it.
Picture OwnDecoding(Content content, const Bytes& b) {
  switch (content) {
    case Content::kJpeg:
      return DecodeJpegMemory(b.data(), b.size(), 2, 2);
    case Content::kPng:
      return DecodePngMemory(b.data(), b.size(), 2, 2, kRequest.background);
    case Content::kBmp:
      return DecodeBmpMemory(b.data(), b.size(), 2, 2, kRequest.background);
    default:
      return DecodeIcoMemory(b.data(), b.size(), 2, 2, kRequest.background);
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

void PrintTo(const ChoiceCase& c, std::ostream* os) {
  *os << c.name;
}

class PictureFormat : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(PictureFormat, ChoosesTheDecoder) {
  const ChoiceCase& c = GetParam();
  const Bytes bytes = Make(c.content);
  const std::string outcome = c.outcome;
  try {
    const std::optional<Picture> picture =
        DecodePictureMemory(c.file, bytes.data(), bytes.size(), kRequest);
    if (!picture) {
      EXPECT_EQ(outcome, "platform");
      return;
    }
    ASSERT_EQ(outcome, "own");
    EXPECT_EQ(picture->pixels, OwnDecoding(c.content, bytes).pixels);
  } catch (const MessageError& error) {
    EXPECT_EQ(error.message(), outcome);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, PictureFormat,
    ::testing::Values(
        ChoiceCase{"ExtensionInCapitals", "photo.JPG", Content::kJpeg, "own"},
        ChoiceCase{"JpegWithoutExtension", "photo", Content::kJpeg, "own"},
        ChoiceCase{"PngWithoutExtension", "photo", Content::kPng, "own"},
        ChoiceCase{"BitmapWithoutExtension", "photo", Content::kBmp, "own"},
        ChoiceCase{"IconWithoutExtension", "photo", Content::kIcon, "own"},
        ChoiceCase{"CursorWithoutExtensionIsReadAsAnIcon", "photo", Content::kCursor, "own"},
        ChoiceCase{"DotOfAFolderIsNoExtension", "my.pictures/photo", Content::kPng, "own"},
        ChoiceCase{"TrailingDotIsNoExtension", "photo.", Content::kBmp, "own"},
        ChoiceCase{"ExtensionOverContent", "photo.bmp", Content::kPng, "Bitmap image is not valid"},
        ChoiceCase{"IconExtensionOverContent", "photo.ico", Content::kBmp,
                   "Icon image is not valid"},
        ChoiceCase{"Metafile", "drawing.EMF", Content::kBmp,
                   "Windows metafiles cannot be shown on this desktop"},
        ChoiceCase{"UnknownExtensionAsTyped", "photo.Gif", Content::kPng,
                   "Unknown picture file extension (.Gif)"},
        ChoiceCase{"CursorExtensionIsUnknown", "arrow.cur", Content::kCursor,
                   "Unknown picture file extension (.cur)"},
        ChoiceCase{"OtherContentToThePlatform", "photo", Content::kPpm, "platform"},
        ChoiceCase{"SignatureCutShortToThePlatform", "photo", Content::kPngCutShort, "platform"},
        ChoiceCase{"EmptyToThePlatform", "photo", Content::kEmpty, "platform"}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
