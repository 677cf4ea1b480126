// The ".nproxy" reader on arbitrary input. An even first byte builds the file
// from parts, so that the fuzzer reaches the compressed block: the next byte
// is the header length h, then h bytes of header text, and the rest is the
// block, compressed here. An odd first byte takes the rest as the file itself.
//
// Seeds: fuzz/corpus/nproxy/.
#include "proxy_fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    proxyfuzz::initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = proxyfuzz::scratch("nproxy", ".nproxy");
    if (size == 0) return 0;
    if (data[0] & 1) {
        proxyfuzz::writeFile(path, data + 1, size - 1);
    } else {
        const size_t h = size > 1 ? std::min<size_t>(data[1], size - 2) : 0;
        const uint8_t* header = data + 2;
        const uint8_t* block = header + h;
        const size_t blockSize = size > 2 + h ? size - 2 - h : 0;
        std::string file(1, 'B');
        const int32_t length = int32_t(h);
        file.append(reinterpret_cast<const char*>(&length), 4);
        file.append(reinterpret_cast<const char*>(header), h);
        file += proxyfuzz::compress(block, blockSize);
        proxyfuzz::writeFile(path, file.data(), file.size());
    }
    proxyfuzz::readAndCheck<Nimbal::NProxyFormat>(path);
    return 0;
}
