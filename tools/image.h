// Images as the tools handle them, and the PNG files they read and write.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Pixels in rows top-down, 3 (RGB) or 4 (RGBA) bytes each.
struct Image {
  int width = 0;
  int height = 0;
  int channels = 3;
  std::vector<unsigned char> pixels;
};

// Reads a PNG file of any colour type as 8-bit RGBA. Returns false, with the reason on standard
// error, when the file cannot be read or decoded.
bool readPng(const std::string &path, Image &image);

// Writes the image as an 8-bit RGB or RGBA PNG file. Returns false, with the reason on standard
// error, when the file cannot be written.
bool writePng(const std::string &path, const Image &image);

// How many distinct colours the image holds: a blank or single-colour picture has one.
std::size_t distinctColours(const Image &image);
