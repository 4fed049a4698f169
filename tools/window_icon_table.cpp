// Writes the icons that the program gives its window on X11 as a C++ header, at build time: the
// table windowIconData in the layout of the window property _NET_WM_ICON, for each icon its width
// and height, then its pixels row by row from the top, each as 0xAARRGGBB.
//
// Usage: window-icon-table HEADER PNG...   (the icons in the order the table lists them)
#include "image.h"

#include <cstdio>
#include <string>

namespace {

// The whole header text for the icons in `paths`; false when one cannot be read.
bool iconTable(int count, char **paths, std::string &text) {
  text = "// Written at build time by tools/window_icon_table.cpp from data/icons/: do not edit.\n"
         "// The icons the program gives its window on X11, each as its width, its height,\n"
         "// then its pixels row by row from the top as 0xAARRGGBB.\n"
         "#pragma once\n\n#include <cstdint>\n\n// clang-format off\n"
         "inline constexpr std::uint32_t windowIconData[] = {\n";
  char word[32];
  for (int n = 0; n < count; ++n) {
    Image icon;
    if (!readPng(paths[n], icon)) {
      return false;
    }
    std::snprintf(word, sizeof word, "    %d, %d,\n", icon.width, icon.height);
    text += word;
    const std::size_t pixels = static_cast<std::size_t>(icon.width) * icon.height;
    for (std::size_t i = 0; i < pixels; ++i) {
      const unsigned char *p = &icon.pixels[i * 4];
      const unsigned long argb = static_cast<unsigned long>(p[3]) << 24 |
                                 static_cast<unsigned long>(p[0]) << 16 |
                                 static_cast<unsigned long>(p[1]) << 8 | p[2];
      std::snprintf(word, sizeof word, "%s0x%08lx,", i % 8 == 0 ? "    " : " ", argb);
      text += word;
      if (i % 8 == 7 || i + 1 == pixels) {
        text += '\n';
      }
    }
  }
  text += "};\n// clang-format on\n";
  return true;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s HEADER PNG...\n", argc > 0 ? argv[0] : "window-icon-table");
    return 2;
  }
  const std::string path = argv[1];
  std::string text;
  if (!iconTable(argc - 2, argv + 2, text)) {
    return 1;
  }
  // Written beside the header and moved over it, so that a failed run leaves no half a table for
  // the build to take as done.
  const std::string part = path + ".part";
  FILE *file = std::fopen(part.c_str(), "w");
  if (file == nullptr) {
    std::perror(part.c_str());
    return 1;
  }
  const bool written = std::fputs(text.c_str(), file) >= 0;
  if (std::fclose(file) != 0 || !written || std::rename(part.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "%s: could not be written\n", path.c_str());
    std::remove(part.c_str());
    return 1;
  }
  return 0;
}
