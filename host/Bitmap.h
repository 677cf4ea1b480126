// Bitmaps: their description (BitmapInfo), the pixel store in 8-bit, 16-bit
// or float RGBA, and the bitmap manager that creates them, loads them from
// PNG files and writes them back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "host/Geom.h"
#include "host/Types.h"

// Storage types.
constexpr int BMM_NO_TYPE = 0;
constexpr int BMM_TRUE_32 = 6;         // 8 bits per channel, RGBA
constexpr int BMM_TRUE_64 = 7;         // 16 bits per channel, RGBA
constexpr int BMM_FLOAT_RGBA_32 = 17;  // 32-bit float per channel, RGBA

// BitmapInfo flags.
constexpr DWORD MAP_NOFLAGS = 0;
constexpr DWORD MAP_HAS_ALPHA = 1u << 1;

// BitmapInfo custom flags.
constexpr DWORD BMM_CUSTOM_GAMMA = 1u << 2;

// Results of the manager's operations.
using BMMRES = int;
constexpr BMMRES BMMRES_SUCCESS = 0;
constexpr BMMRES BMMRES_FILENOTFOUND = 1;
constexpr BMMRES BMMRES_INVALIDFORMAT = 2;
constexpr BMMRES BMMRES_MEMORYERROR = 3;
constexpr BMMRES BMMRES_BADPARAMETER = 4;
constexpr BMMRES BMMRES_IOERROR = 5;

// One pixel with 16 bits per channel (the "64-bit" pixel).
struct BMM_Color_64 {
    WORD r = 0, g = 0, b = 0, a = 0;
    bool operator==(const BMM_Color_64&) const = default;
};

// One pixel in floats.
struct BMM_Color_fl {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
    bool operator==(const BMM_Color_fl&) const = default;
};

class BitmapInfo {
public:
    BitmapInfo() = default;

    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetWidth(int w) { width_ = w; }
    void SetHeight(int h) { height_ = h; }
    int Type() const { return type_; }
    void SetType(int type) { type_ = type; }
    DWORD Flags() const { return flags_; }
    void SetFlags(DWORD flags) { flags_ = flags; }
    const MCHAR* Name() const { return name_.c_str(); }
    void SetName(const MCHAR* name) { name_ = name ? name : u""; }

    // The gamma override.
    DWORD GetCustomFlags() const { return customFlags_; }
    void SetCustomFlag(DWORD flags) { customFlags_ = flags; }
    void ResetCustomFlag(DWORD flags) { customFlags_ &= ~flags; }
    float GetCustomGamma() const { return customGamma_; }
    // Refused (false) unless finite and positive.
    bool SetCustomGamma(float g);

    // The gamma the file's values are decoded with: the override when set;
    // 1.0 for the linear high-dynamic-range formats (.exr, .hdr); otherwise
    // the host's file input gamma when gamma correction is on, else 1.0.
    float GetEffectiveGamma() const;

private:
    int width_ = 0, height_ = 0;
    int type_ = BMM_NO_TYPE;
    DWORD flags_ = MAP_NOFLAGS;
    DWORD customFlags_ = 0;
    float customGamma_ = 1.0f;
    MSTR name_;
};

class Bitmap {
public:
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    int Width() const { return info_.Width(); }
    int Height() const { return info_.Height(); }
    int Type() const { return info_.Type(); }
    BOOL HasAlpha() const { return (info_.Flags() & MAP_HAS_ALPHA) != 0; }
    BitmapInfo& GetBitmapInfo() { return info_; }
    const BitmapInfo& GetBitmapInfo() const { return info_; }

    // Row spans: n pixels from (x, y) to the right, cut at the right edge.
    // 1 when something was transferred, 0 when the span lies outside.
    // Float values go to 8/16-bit stores clamped to [0, 1] and rounded; a
    // NaN channel is stored as 0.
    int PutPixels(int x, int y, int n, const BMM_Color_64* pixels);
    int GetPixels(int x, int y, int n, BMM_Color_64* pixels) const;
    int PutPixels(int x, int y, int n, const BMM_Color_fl* pixels);
    int GetPixels(int x, int y, int n, BMM_Color_fl* pixels) const;

    // The store of the bitmap's own type, rows top to bottom, four channels
    // per pixel; null for the other types.
    const uint8_t* Data8() const { return Type() == BMM_TRUE_32 ? data8() : nullptr; }
    const uint16_t* Data16() const { return Type() == BMM_TRUE_64 ? data16() : nullptr; }
    const float* DataFloat() const { return Type() == BMM_FLOAT_RGBA_32 ? dataF() : nullptr; }
    uint8_t* Data8() { return Type() == BMM_TRUE_32 ? data8() : nullptr; }
    uint16_t* Data16() { return Type() == BMM_TRUE_64 ? data16() : nullptr; }
    float* DataFloat() { return Type() == BMM_FLOAT_RGBA_32 ? dataF() : nullptr; }

    // Gives the bitmap back to its manager.
    void DeleteThis();

private:
    friend class BitmapManager;
    // The store is allocated by the manager; null when there is no memory.
    explicit Bitmap(const BitmapInfo& info);
    ~Bitmap() = default;
    bool Span(int x, int y, int& n) const;

    struct Free {
        void operator()(void* p) const { std::free(p); }
    };
    uint8_t* data8() const { return static_cast<uint8_t*>(store_.get()); }
    uint16_t* data16() const { return static_cast<uint16_t*>(store_.get()); }
    float* dataF() const { return static_cast<float*>(store_.get()); }

    BitmapInfo info_;
    // Zeroed by calloc: large stores come as fresh pages, with nothing to clear.
    std::unique_ptr<void, Free> store_;
};

class BitmapManager {
public:
    // Bytes one pixel takes in a store of the type; 0 for unknown types.
    static size_t BytesPerPixel(int type);

    // A new bitmap described by `bi` (width, height, type, flags, name), all
    // pixels zero. Null when the size or type is unusable or the bitmap
    // would not fit in the memory the manager may use.
    Bitmap* Create(BitmapInfo* bi);

    // Loads the PNG file named by bi->Name(): 8-bit files into BMM_TRUE_32,
    // 16-bit ones into BMM_TRUE_64, always with alpha. bi receives the
    // size, type and flags; its gamma settings are kept. On failure null,
    // status set, and `error` (when given) says why in one line.
    Bitmap* Load(BitmapInfo* bi, BMMRES* status = nullptr, std::string* error = nullptr);
    // The same from bytes in memory.
    Bitmap* LoadFromMemory(const uint8_t* data, size_t size, BitmapInfo* bi, BMMRES* status = nullptr,
                           std::string* error = nullptr);

    // Writes a bitmap as a PNG file: 16 bits per channel for the 16-bit and
    // float types, 8 for BMM_TRUE_32; RGBA. A positive fileGamma is stored in
    // the file's gamma chunk.
    BMMRES Save(const Bitmap* bm, const MCHAR* path, float fileGamma = 0.0f, std::string* error = nullptr);

    // The most pixel memory all live bitmaps together may take.
    void SetMemoryLimit(size_t bytes) { memoryLimit_ = bytes; }
    size_t MemoryLimit() const { return memoryLimit_; }
    size_t MemoryInUse() const { return inUse_; }
    int LiveBitmaps() const { return live_; }

    // Largest width or height accepted.
    static constexpr int MAX_SIDE = 65535;
    static constexpr size_t DEFAULT_MEMORY_LIMIT = size_t(2) << 30;

private:
    friend class Bitmap;
    bool Reserve(size_t bytes);
    void Release(const Bitmap* bm);

    size_t memoryLimit_ = DEFAULT_MEMORY_LIMIT;
    size_t inUse_ = 0;
    int live_ = 0;
};

extern BitmapManager* TheManager;
