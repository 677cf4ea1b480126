#include "Proxy/ioFormats/FileFormats.h"

#include <cctype>

namespace Nimbal {

FileError::FileError(const String& fileName)
    : Exception(String("Cannot open/read/write file '") + fileName + "'", 123) {}

namespace {

bool endsWith(const std::u16string& text, const char* suffix) {
    const size_t n = std::char_traits<char>::length(suffix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (text[text.size() - n + i] != char16_t(suffix[i])) return false;
    return true;
}

} // namespace

Abstract::FileFormat* formatForFile(const String& fileName) {
    std::u16string lower(fileName.c_wstr(), size_t(fileName.length()));
    // tolower is defined for byte values only; extensions are ASCII anyway.
    for (char16_t& c : lower)
        if (c < 0x80) c = char16_t(std::tolower(c));
    if (endsWith(lower, ".obj")) return new ObjFormat(fileName);
    if (endsWith(lower, ".nbin")) return new NBinFormat(fileName);
    if (endsWith(lower, ".nzmesh")) return new ZipMeshFormat(fileName);
    if (endsWith(lower, ".nmesh")) return new NMeshFormat(fileName);
    return new NProxyFormat(fileName);
}

} // namespace Nimbal
