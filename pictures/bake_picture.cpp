// Build tool: decodes a JPEG with the program's own decoder at a given size and writes it as a
// C++ source defining one BakedPicture.
//   bake_picture <picture.jpg> <width> <height> <name> <out.cpp>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

#include "pictures/picture.h"

int main(int argc, char* argv[]) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s picture.jpg width height name out.cpp\n", argv[0]);
    return 2;
  }
  try {
    const int width = std::stoi(argv[2]);
    const int height = std::stoi(argv[3]);
    const Picture picture = DecodeJpegFile(argv[1], {.min_width = width, .min_height = height});
    // The program draws the baked pixels only where it would have decoded this very size.
    if (picture.width != width || picture.height != height) {
      std::fprintf(stderr, "%s decodes to %d x %d, not %d x %d\n", argv[1], picture.width,
                   picture.height, width, height);
      return 1;
    }
    const std::string name = argv[4];
    const std::string temporary = std::string(argv[5]) + ".part";
    {
      std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
      out << "// Made by bake_picture; not edited by hand.\n"
          << "#include \"pictures/picture.h\"\n\n"
          << "namespace {\nalignas(16) const uint32_t kPixels[] = {";
      char value[16];
      for (size_t i = 0; i < picture.pixels.size(); ++i) {
        std::snprintf(value, sizeof value, "0x%08X,", static_cast<unsigned>(picture.pixels[i]));
        out << (i % 8 == 0 ? "\n    " : " ") << value;
      }
      out << "\n};\n}  // namespace\n\nextern const BakedPicture " << name << ";\n"
          << "const BakedPicture " << name << "{" << width << ", " << height << ", kPixels};\n";
      if (!out.flush()) {
        std::fprintf(stderr, "cannot write %s\n", temporary.c_str());
        return 1;
      }
    }
    // Whole or not at all: a build stopped half-way leaves no truncated source behind.
    if (std::rename(temporary.c_str(), argv[5]) != 0) {
      std::perror(argv[5]);
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
    return 1;
  }
  return 0;
}
