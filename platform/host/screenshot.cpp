// PNG files through libpng's simplified API.
#include "screenshot.h"

#include <png.h>

#include "ce_gdi.h"

namespace ce::host {

bool WritePng(const std::string& file, const std::vector<uint32_t>& pixels, int width, int height, std::string& error) {
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * height) {
        error = file + ": no picture to write";
        return false;
    }
    std::vector<uint8_t> rgb(pixels.size() * 3);
    for (size_t i = 0; i < pixels.size(); ++i) {
        rgb[i * 3] = static_cast<uint8_t>(pixels[i] >> 16);
        rgb[i * 3 + 1] = static_cast<uint8_t>(pixels[i] >> 8);
        rgb[i * 3 + 2] = static_cast<uint8_t>(pixels[i]);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, file.c_str(), 0, rgb.data(), width * 3, nullptr)) {
        error = file + ": cannot write the screenshot (" + image.message + ")";
        png_image_free(&image);
        return false;
    }
    return true;
}

bool WriteScreenPng(const std::string& file, std::string& error) {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels = gdi::Screen::Snapshot(&width, &height);
    return WritePng(file, pixels, width, height, error);
}

bool ReadPng(const std::string& file, std::vector<uint32_t>& pixels, int& width, int& height, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) {
        error = file + ": " + image.message;
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        error = file + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    pixels.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (uint32_t{rgb[i * 3]} << 16) | (uint32_t{rgb[i * 3 + 1]} << 8) | rgb[i * 3 + 2];
    return true;
}

}  // namespace ce::host
