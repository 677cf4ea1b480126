#include "host/Bitmap.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>
#include <type_traits>

#include "host/Gamma.h"

namespace {
BitmapManager theManager;

WORD ToWord(float v) {
    // NaN fails both comparisons and lands on 0.
    const float c = v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
    return static_cast<WORD>(std::lround(c * 65535.0f));
}

uint8_t ToByte(float v) {
    const float c = v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
    return static_cast<uint8_t>(std::lround(c * 255.0f));
}

bool EndsWithNoCase(const MSTR& s, const char* suffix) {
    const size_t n = std::strlen(suffix);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char16_t c = s[s.size() - n + i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<char16_t>(suffix[i])) return false;
    }
    return true;
}
}  // namespace

BitmapManager* TheManager = &theManager;

// ---------------------------------------------------------------------------
// BitmapInfo

bool BitmapInfo::SetCustomGamma(float g) {
    if (!IsValidGamma(g)) return false;
    customGamma_ = g;
    return true;
}

float BitmapInfo::GetEffectiveGamma() const {
    if (customFlags_ & BMM_CUSTOM_GAMMA) return customGamma_;
    if (EndsWithNoCase(name_, ".exr") || EndsWithNoCase(name_, ".hdr")) return 1.0f;
    return gammaMgr.IsEnabled() ? gammaMgr.GetFileInGamma() : 1.0f;
}

// ---------------------------------------------------------------------------
// Bitmap

Bitmap::Bitmap(const BitmapInfo& info) : info_(info) {
    const size_t n = size_t(info.Width()) * size_t(info.Height());
    store_.reset(std::calloc(n, BitmapManager::BytesPerPixel(info.Type())));
}

bool Bitmap::Span(int x, int y, int& n) const {
    if (n <= 0 || x < 0 || y < 0 || x >= Width() || y >= Height()) return false;
    n = std::min(n, Width() - x);
    return true;
}

namespace {

// One channel from what callers pass to what a store holds, and back: 8 and
// 16 bits round to nearest, floats clamp to [0, 1] on the way to integers.
template <class To>
To ConvertChannel(WORD c) {
    if constexpr (std::is_same_v<To, uint8_t>) return static_cast<uint8_t>((c * 255u + 32767u) / 65535u);
    else if constexpr (std::is_same_v<To, uint16_t>) return c;
    else return static_cast<float>(c) * (1.0f / 65535.0f);
}
template <class To>
To ConvertChannel(float c) {
    if constexpr (std::is_same_v<To, uint8_t>) return ToByte(c);
    else if constexpr (std::is_same_v<To, uint16_t>) return ToWord(c);
    else return c;
}
template <class To>
To ConvertChannel(uint8_t c) {
    if constexpr (std::is_same_v<To, WORD>) return WORD(c * 257u);
    else return c * (1.0f / 255.0f);
}

// Bitmap::Span has clipped the run; the store is picked once, then a plain loop.
template <class Store, class Pixel>
void PutRun(Store* d, const Pixel* px, int n) {
    for (int i = 0; i < n; ++i, d += 4) {
        d[0] = ConvertChannel<Store>(px[i].r);
        d[1] = ConvertChannel<Store>(px[i].g);
        d[2] = ConvertChannel<Store>(px[i].b);
        d[3] = ConvertChannel<Store>(px[i].a);
    }
}

template <class Pixel, class Store>
void GetRun(const Store* d, Pixel* px, int n) {
    using C = decltype(Pixel::r);
    for (int i = 0; i < n; ++i, d += 4)
        px[i] = Pixel{ConvertChannel<C>(d[0]), ConvertChannel<C>(d[1]), ConvertChannel<C>(d[2]), ConvertChannel<C>(d[3])};
}

template <class Pixel>
void PutPixelRun(void* store, int type, size_t at, const Pixel* px, int n) {
    switch (type) {
    case BMM_TRUE_32: PutRun(static_cast<uint8_t*>(store) + at, px, n); break;
    case BMM_TRUE_64: PutRun(static_cast<uint16_t*>(store) + at, px, n); break;
    default: PutRun(static_cast<float*>(store) + at, px, n); break;
    }
}

template <class Pixel>
void GetPixelRun(const void* store, int type, size_t at, Pixel* px, int n) {
    switch (type) {
    case BMM_TRUE_32: GetRun(static_cast<const uint8_t*>(store) + at, px, n); break;
    case BMM_TRUE_64: GetRun(static_cast<const uint16_t*>(store) + at, px, n); break;
    default: GetRun(static_cast<const float*>(store) + at, px, n); break;
    }
}

}  // namespace

int Bitmap::PutPixels(int x, int y, int n, const BMM_Color_64* px) {
    if (!px || !Span(x, y, n)) return 0;
    PutPixelRun(store_.get(), Type(), (size_t(y) * size_t(Width()) + size_t(x)) * 4, px, n);
    return 1;
}

int Bitmap::GetPixels(int x, int y, int n, BMM_Color_64* px) const {
    if (!px || !Span(x, y, n)) return 0;
    GetPixelRun(store_.get(), Type(), (size_t(y) * size_t(Width()) + size_t(x)) * 4, px, n);
    return 1;
}

int Bitmap::PutPixels(int x, int y, int n, const BMM_Color_fl* px) {
    if (!px || !Span(x, y, n)) return 0;
    PutPixelRun(store_.get(), Type(), (size_t(y) * size_t(Width()) + size_t(x)) * 4, px, n);
    return 1;
}

int Bitmap::GetPixels(int x, int y, int n, BMM_Color_fl* px) const {
    if (!px || !Span(x, y, n)) return 0;
    GetPixelRun(store_.get(), Type(), (size_t(y) * size_t(Width()) + size_t(x)) * 4, px, n);
    return 1;
}

void Bitmap::DeleteThis() {
    theManager.Release(this);
    delete this;
}

// ---------------------------------------------------------------------------
// BitmapManager

size_t BitmapManager::BytesPerPixel(int type) {
    switch (type) {
    case BMM_TRUE_32: return 4;
    case BMM_TRUE_64: return 8;
    case BMM_FLOAT_RGBA_32: return 16;
    default: return 0;
    }
}

bool BitmapManager::Reserve(size_t bytes) {
    if (bytes > memoryLimit_ || inUse_ > memoryLimit_ - bytes) return false;
    inUse_ += bytes;
    ++live_;
    return true;
}

void BitmapManager::Release(const Bitmap* bm) {
    const size_t bytes = size_t(bm->Width()) * size_t(bm->Height()) * BytesPerPixel(bm->Type());
    inUse_ -= std::min(inUse_, bytes);
    --live_;
}

Bitmap* BitmapManager::Create(BitmapInfo* bi) {
    if (!bi) return nullptr;
    const size_t bpp = BytesPerPixel(bi->Type());
    if (bpp == 0 || bi->Width() <= 0 || bi->Height() <= 0 || bi->Width() > MAX_SIDE || bi->Height() > MAX_SIDE)
        return nullptr;
    const size_t bytes = size_t(bi->Width()) * size_t(bi->Height()) * bpp;
    if (!Reserve(bytes)) return nullptr;
    Bitmap* bm = new (std::nothrow) Bitmap(*bi);
    if (!bm || !bm->store_) {
        delete bm;
        inUse_ -= bytes;
        --live_;
        return nullptr;
    }
    return bm;
}

// ---------------------------------------------------------------------------
// PNG reading. libpng reports errors by longjmp, so the two decoding steps
// keep to plain data: what they hold hangs off the state record. The header
// is read first, so the pixels can go straight into the bitmap's store.

namespace {

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
    size_t memoryLimit;
    char message[160];
    int tooLarge;
    png_structp png;
    png_infop info;
    // From the header.
    uint32_t width, height;
    int bytesPerChannel;
    size_t rowBytes;
};

void PngRead(png_structp png, png_bytep out, png_size_t n) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (n > src->size - src->pos) png_error(png, "the file ends early");
    std::memcpy(out, src->data + src->pos, n);
    src->pos += n;
}

void PngError(png_structp png, png_const_charp message) {
    auto* src = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(src->message, sizeof src->message, "%s", message ? message : "damaged data");
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// No chunk before IEND may claim more data than the file holds. libpng sizes
// its chunk buffers from the declared length before reading, so a forged
// length would otherwise cost up to 2 GB before the file is found short.
// Anything else wrong (a short header, a missing CRC) libpng reports itself.
bool ChunksFit(const uint8_t* data, size_t size, char* message, size_t messageSize) {
    size_t pos = 8;
    while (size - pos >= 8) {
        const uint32_t length = (uint32_t(data[pos]) << 24) | (uint32_t(data[pos + 1]) << 16) |
                                (uint32_t(data[pos + 2]) << 8) | uint32_t(data[pos + 3]);
        if (length > size - pos - 8) {
            std::snprintf(message, messageSize, "a chunk runs past the end of the file");
            return false;
        }
        if (std::memcmp(data + pos + 4, "IEND", 4) == 0) break;
        pos += 8 + size_t(length);
        pos += std::min<size_t>(4, size - pos);  // the CRC
    }
    return true;
}

void PngRelease(PngSource* src) {
    if (src->png) png_destroy_read_struct(&src->png, src->info ? &src->info : nullptr, nullptr);
    src->png = nullptr;
    src->info = nullptr;
}

// Reads the header and sets up the conversion to RGBA. 1 on success; on
// failure src->message says why and nothing is held.
int PngBegin(PngSource* src) {
    src->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, src, PngError, PngWarning);
    if (!src->png) return 0;
    src->info = png_create_info_struct(src->png);
    if (!src->info) {
        PngRelease(src);
        return 0;
    }
    png_structp png = src->png;
    png_infop info = src->info;
    if (setjmp(png_jmpbuf(png))) {
        PngRelease(src);
        return 0;
    }
    png_set_read_fn(png, src, PngRead);
    png_set_user_limits(png, BitmapManager::MAX_SIDE, BitmapManager::MAX_SIDE);
    png_set_chunk_malloc_max(png, 1u << 20);
    // Of the ancillary chunks only transparency matters here; the others
    // (text, profiles, gamma) are skipped unread.
    static const png_byte ignored[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, ignored, static_cast<int>(sizeof ignored / 5));
    png_read_info(png, info);

    png_uint_32 w = 0, h = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colorType, &interlace, nullptr, nullptr);
    const int bytesPerChannel = depth == 16 ? 2 : 1;
    const size_t rowBytes = size_t(w) * 4 * size_t(bytesPerChannel);
    if (w == 0 || h == 0 || rowBytes > src->memoryLimit / h) {
        src->tooLarge = 1;
        png_error(png, "the image is too large");
    }

    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (!(colorType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_add_alpha(png, depth == 16 ? 0xFFFF : 0xFF, PNG_FILLER_AFTER);
    if (depth == 16) {
        const uint16_t probe = 1;
        uint8_t first;
        std::memcpy(&first, &probe, 1);
        if (first == 1) png_set_swap(png);  // samples arrive big-endian
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "unsupported pixel layout");

    src->width = w;
    src->height = h;
    src->bytesPerChannel = bytesPerChannel;
    src->rowBytes = rowBytes;
    return 1;
}

// Reads the pixels into dest (height rows of rowBytes) and releases the
// decoder either way. 1 on success.
int PngFinish(PngSource* src, uint8_t* dest) {
    png_structp png = src->png;
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        std::free(rows);
        PngRelease(src);
        return 0;
    }
    rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * src->height));
    if (!rows) {
        src->tooLarge = 1;
        png_error(png, "out of memory");
    }
    for (png_uint_32 y = 0; y < src->height; ++y) rows[y] = dest + size_t(y) * src->rowBytes;
    png_read_image(png, rows);
    std::free(rows);
    PngRelease(src);
    return 1;
}

}  // namespace

Bitmap* BitmapManager::LoadFromMemory(const uint8_t* data, size_t size, BitmapInfo* bi, BMMRES* status,
                                      std::string* error) {
    auto fail = [&](BMMRES code, const std::string& why) -> Bitmap* {
        if (status) *status = code;
        if (error) *error = why;
        return nullptr;
    };
    if (!bi) return fail(BMMRES_BADPARAMETER, "no bitmap description");
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return fail(BMMRES_INVALIDFORMAT, "not a PNG file");

    // The image may take what the manager has left, never more.
    PngSource src{};
    src.data = data;
    src.size = size;
    src.memoryLimit = memoryLimit_ - std::min(memoryLimit_, inUse_);
    auto damaged = [&] {
        return fail(src.tooLarge ? BMMRES_MEMORYERROR : BMMRES_INVALIDFORMAT,
                    std::string("damaged PNG data: ") + (src.message[0] ? src.message : "unreadable"));
    };
    if (!ChunksFit(data, size, src.message, sizeof src.message) || !PngBegin(&src)) return damaged();

    BitmapInfo made = *bi;
    made.SetWidth(static_cast<int>(src.width));
    made.SetHeight(static_cast<int>(src.height));
    made.SetType(src.bytesPerChannel == 2 ? BMM_TRUE_64 : BMM_TRUE_32);
    made.SetFlags(made.Flags() | MAP_HAS_ALPHA);
    Bitmap* bm = Create(&made);
    if (!bm) {
        PngRelease(&src);
        return fail(BMMRES_MEMORYERROR, "the image is too large");
    }
    uint8_t* dest = src.bytesPerChannel == 2 ? reinterpret_cast<uint8_t*>(bm->Data16()) : bm->Data8();
    if (!PngFinish(&src, dest)) {
        bm->DeleteThis();
        return damaged();
    }
    *bi = made;
    if (status) *status = BMMRES_SUCCESS;
    return bm;
}

Bitmap* BitmapManager::Load(BitmapInfo* bi, BMMRES* status, std::string* error) {
    if (!bi) {
        if (status) *status = BMMRES_BADPARAMETER;
        return nullptr;
    }
    const std::string path = ToUtf8(bi->Name());
    std::ifstream in(path, std::ios::binary);
    if (path.empty() || !in) {
        if (status) *status = BMMRES_FILENOTFOUND;
        if (error) *error = "cannot open " + path;
        return nullptr;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    in.seekg(0, std::ios::beg);
    // A file larger than the memory bitmaps may use cannot become one.
    if (length < 0 || static_cast<unsigned long long>(length) > memoryLimit_) {
        if (status) *status = length < 0 ? BMMRES_IOERROR : BMMRES_MEMORYERROR;
        if (error) *error = path + ": " + (length < 0 ? "cannot read the file" : "the file is too large");
        return nullptr;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    if (!bytes.empty() && !in.read(reinterpret_cast<char*>(bytes.data()), length)) {
        if (status) *status = BMMRES_IOERROR;
        if (error) *error = "cannot read " + path;
        return nullptr;
    }
    std::string why;
    Bitmap* bm = LoadFromMemory(bytes.data(), bytes.size(), bi, status, &why);
    if (!bm && error) *error = path + ": " + why;
    return bm;
}

// ---------------------------------------------------------------------------
// PNG writing

namespace {

struct PngSink {
    FILE* file;
    char message[160];
};

void PngSinkError(png_structp png, png_const_charp message) {
    auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
    std::snprintf(sink->message, sizeof sink->message, "%s", message ? message : "write error");
    png_longjmp(png, 1);
}

// rows: RGBA, 8 or 16 bits per channel, 16-bit samples already big-endian.
int EncodePng(PngSink* sink, png_bytep* rows, uint32_t w, uint32_t h, int depth, float fileGamma) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, sink, PngSinkError, PngWarning);
    if (!png) return 0;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return 0;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_init_io(png, sink->file);
    png_set_IHDR(png, info, w, h, depth, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (fileGamma > 0.0f) png_set_gAMA(png, info, 1.0 / fileGamma);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return 1;
}

}  // namespace

BMMRES BitmapManager::Save(const Bitmap* bm, const MCHAR* path, float fileGamma, std::string* error) {
    if (!bm || !path) return BMMRES_BADPARAMETER;
    const int w = bm->Width(), h = bm->Height();
    const int depth = bm->Type() == BMM_TRUE_32 ? 8 : 16;
    const size_t rowBytes = size_t(w) * 4 * (depth / 8);
    std::vector<uint8_t> bytes(rowBytes * size_t(h));
    std::vector<BMM_Color_64> line(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        uint8_t* out = bytes.data() + size_t(y) * rowBytes;
        if (depth == 8) {
            std::memcpy(out, bm->Data8() + size_t(y) * rowBytes, rowBytes);
            continue;
        }
        bm->GetPixels(0, y, w, line.data());
        for (int x = 0; x < w; ++x) {
            const WORD c[4] = {line[x].r, line[x].g, line[x].b, line[x].a};
            for (int k = 0; k < 4; ++k) {
                out[(x * 4 + k) * 2] = static_cast<uint8_t>(c[k] >> 8);
                out[(x * 4 + k) * 2 + 1] = static_cast<uint8_t>(c[k] & 0xFF);
            }
        }
    }
    std::vector<png_bytep> rows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) rows[y] = bytes.data() + size_t(y) * rowBytes;

    const std::string file = ToUtf8(path);
    PngSink sink{std::fopen(file.c_str(), "wb"), {}};
    if (!sink.file) {
        if (error) *error = "cannot write " + file;
        return BMMRES_IOERROR;
    }
    const int ok = EncodePng(&sink, rows.data(), static_cast<uint32_t>(w), static_cast<uint32_t>(h), depth, fileGamma);
    const bool closed = std::fclose(sink.file) == 0;
    if (!ok || !closed) {
        if (error) *error = "cannot write " + file + (sink.message[0] ? std::string(": ") + sink.message : "");
        return BMMRES_IOERROR;
    }
    return BMMRES_SUCCESS;
}
