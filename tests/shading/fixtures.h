// Helpers shared by the shading tests: a texture-handle maker that keeps
// what it was asked to convert, PNG files written with libpng directly, and
// a scratch folder.
#pragma once

#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "host/Max.h"

namespace shading_test {

// Keeps the 16-bit pixels of every bitmap it converts, then converts as the
// host does.
class CapturingTexHandleMaker : public TexHandleMaker {
public:
    explicit CapturingTexHandleMaker(int size) : size_(size) {}
    int Size() override { return size_; }

    BITMAPINFO* BitmapToDIB(Bitmap* bm, int symflags, int extraFlags, int forceW, int forceH) override {
        ++calls;
        width = bm->Width();
        height = bm->Height();
        type = bm->Type();
        hasAlpha = bm->HasAlpha() != 0;
        name = ToUtf8(bm->GetBitmapInfo().Name());
        this->symflags = symflags;
        this->extraFlags = extraFlags;
        this->forceW = forceW;
        this->forceH = forceH;
        pixels.assign(size_t(width) * size_t(height), BMM_Color_64{});
        for (int y = 0; y < height; ++y) bm->GetPixels(0, y, width, pixels.data() + size_t(y) * size_t(width));
        return TexHandleMaker::BitmapToDIB(bm, symflags, extraFlags, forceW, forceH);
    }

    const BMM_Color_64& At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }

    int calls = 0;
    int width = 0, height = 0, type = 0;
    bool hasAlpha = false;
    std::string name;
    int symflags = -1, extraFlags = -1, forceW = -1, forceH = -1;
    std::vector<BMM_Color_64> pixels;

private:
    int size_;
};

// A folder of its own under the system's temporary folder, removed at the end.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name)
        : path_(std::filesystem::temp_directory_path() / ("nimbal-" + name + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Writes a PNG exactly as described: the samples of each row as libpng takes
// them (big-endian for 16 bits), an optional palette and transparency.
inline bool WritePng(const std::string& path, int width, int height, int colorType, int depth,
                     const std::vector<std::vector<uint8_t>>& rows, const std::vector<png_color>& palette = {},
                     const std::vector<uint8_t>& trnsAlpha = {}, const png_color_16* trnsColor = nullptr,
                     bool interlace = false) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, depth, colorType, interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!trnsAlpha.empty() || trnsColor)
        png_set_tRNS(png, info, trnsAlpha.empty() ? nullptr : trnsAlpha.data(), static_cast<int>(trnsAlpha.size()),
                     trnsColor);
    png_write_info(png, info);
    std::vector<png_bytep> ptrs;
    for (const auto& r : rows) ptrs.push_back(const_cast<png_bytep>(r.data()));
    png_write_image(png, ptrs.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

// An 8-bit RGBA PNG from pixels given row by row, top first.
inline bool WriteRgbaPng(const std::string& path, int width, int height, const std::vector<BMM_Color_64>& px) {
    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const BMM_Color_64& c = px[size_t(y) * size_t(width) + size_t(x)];
            for (WORD v : {c.r, c.g, c.b, c.a}) rows[y].push_back(static_cast<uint8_t>(v >> 8));
        }
    }
    return WritePng(path, width, height, PNG_COLOR_TYPE_RGB_ALPHA, 8, rows);
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<uint8_t>(c));
        std::fclose(f);
    }
    return out;
}

// Puts the host's gamma settings back at the end of a scope.
class GammaScope {
public:
    GammaScope() : saved_(gammaMgr) {}
    ~GammaScope() { gammaMgr = saved_; }

private:
    GammaMgr saved_;
};

}  // namespace shading_test
