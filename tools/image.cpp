#include "image.h"

#include <png.h>

#include <cstdio>

bool readPng(const std::string &path, Image &image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), png.message);
    return false;
  }
  png.format = PNG_FORMAT_RGBA;
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.channels = 4;
  image.pixels.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr)) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), png.message);
    png_image_free(&png);
    return false;
  }
  return true;
}

bool writePng(const std::string &path, const Image &image) {
  FILE *file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    std::perror(path.c_str());
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    std::fprintf(stderr, "%s: libpng could not start\n", path.c_str());
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    std::fprintf(stderr, "%s: libpng failed while writing\n", path.c_str());
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8,
               image.channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const std::size_t row = static_cast<std::size_t>(image.width) * image.channels;
  for (int y = 0; y < image.height; ++y) {
    png_write_row(png, image.pixels.data() + y * row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

std::size_t distinctColours(const Image &image) {
  std::vector<bool> seen(1u << 24);
  std::size_t count = 0;
  const std::size_t step = static_cast<std::size_t>(image.channels);
  for (std::size_t i = 0; i + 2 < image.pixels.size(); i += step) {
    const unsigned key = image.pixels[i] << 16 | image.pixels[i + 1] << 8 | image.pixels[i + 2];
    if (!seen[key]) {
      seen[key] = true;
      ++count;
    }
  }
  return count;
}
