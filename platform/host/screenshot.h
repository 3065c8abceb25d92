// Screenshots: PNG files of XRGB8888 pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ce::host {

// Writes `pixels` (0x00RRGGBB, rows top to bottom) as an 8-bit RGB PNG.
// False with a one-line reason in `error` when the file cannot be written.
bool WritePng(const std::string& file, const std::vector<uint32_t>& pixels, int width, int height, std::string& error);
// The whole screen (ce::gdi::Screen) as it is now.
bool WriteScreenPng(const std::string& file, std::string& error);
// Reads an 8-bit RGB or RGBA PNG back into XRGB8888 pixels (tests, tools).
bool ReadPng(const std::string& file, std::vector<uint32_t>& pixels, int& width, int& height, std::string& error);

}  // namespace ce::host
