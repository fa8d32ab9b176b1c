#include "pictures/picture_format.h"

#include <cstdio>

#include "pictures/picture.h"

namespace {

using namespace std::string_view_literals;

// A decoder of the program's own, from a file or from memory.
struct Decoder {
  Picture (*file)(const std::string& path, const DecodeRequest& request);
  Picture (*memory)(const unsigned char* data, size_t size, const DecodeRequest& request);
};

constexpr Decoder kJpeg{DecodeJpegFile, DecodeJpegMemory};
constexpr Decoder kPng{DecodePngFile, DecodePngMemory};
constexpr Decoder kBmp{DecodeBmpFile, DecodeBmpMemory};
constexpr Decoder kIco{DecodeIcoFile, DecodeIcoMemory};

// Metafiles are drawings for the Windows graphics interface, which this desktop lacks. The
// file is opened all the same, so that a missing one says so.
[[noreturn]] void RefuseMetafile() {
  throw PictureError("Метафайлы Windows на этом рабочем столе не показываются");
}

constexpr Decoder kMetafile{
    [](const std::string& path, const DecodeRequest&) -> Picture {
      const PictureFile opens(path);
      RefuseMetafile();
    },
    [](const unsigned char*, size_t, const DecodeRequest&) -> Picture { RefuseMetafile(); }};

// Extensions in lower case; a row without extension is chosen by its signature alone, and one
// without signature only by its extension.
struct Format {
  std::string_view extension;
  std::string_view signature;
  const Decoder* decoder;
};

constexpr Format kFormats[] = {
    {"jpg", "\xFF\xD8\xFF", &kJpeg},
    {"jpeg", "\xFF\xD8\xFF", &kJpeg},
    {"png", picture_detail::kPngSignature, &kPng},
    {"bmp", "BM", &kBmp},
    {"ico", "\0\0\1\0"sv, &kIco},  // an icon directory
    {"", "\0\0\2\0"sv, &kIco},     // a cursor directory, read as an icon
    {"wmf", "", &kMetafile},
    {"emf", "", &kMetafile},
};

// The longest signature: what a file's first bytes must hold to be told apart.
constexpr size_t kHeadSize = 8;

bool SameLetters(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

const Decoder& ByExtension(std::string_view extension) {
  for (const Format& f : kFormats)
    if (!f.extension.empty() && SameLetters(f.extension, extension)) return *f.decoder;
  throw MessageError("Unknown picture file extension (." + std::string(extension) + ")");
}

const Decoder* ByContent(const unsigned char* head, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(head), head != nullptr ? size : 0);
  for (const Format& f : kFormats)
    if (!f.signature.empty() && bytes.starts_with(f.signature)) return f.decoder;
  return nullptr;
}

}  // namespace

std::string_view ExtensionOf(std::string_view path) {
  const std::string_view name = path.substr(path.find_last_of('/') + 1);
  const size_t dot = name.find_last_of('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

std::optional<Picture> DecodePictureFile(const std::string& path, const DecodeRequest& request) {
  const std::string_view extension = ExtensionOf(path);
  if (!extension.empty()) return ByExtension(extension).file(path, request);
  unsigned char head[kHeadSize] = {};
  size_t got = 0;
  {
    // Opened as the decoders open it: a FIFO or a device is refused at once.
    const PictureFile source(path);
    got = std::fread(head, 1, sizeof head, source.get());
  }
  const Decoder* decoder = ByContent(head, got);
  if (decoder == nullptr) return std::nullopt;
  return decoder->file(path, request);
}

std::optional<Picture> DecodePictureMemory(std::string_view name, const unsigned char* data,
                                           size_t size, const DecodeRequest& request) {
  const std::string_view extension = ExtensionOf(name);
  const Decoder* decoder = extension.empty() ? ByContent(data, size) : &ByExtension(extension);
  if (decoder == nullptr) return std::nullopt;
  return decoder->memory(data, size, request);
}
