// The ".nzmesh" reader on arbitrary input. An even first byte compresses the
// rest here, so that the fuzzer works on the mesh layout inside the stream;
// an odd first byte takes the rest as the file itself.
//
// Seeds: fuzz/corpus/nzmesh/.
#include "proxy_fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    proxyfuzz::initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = proxyfuzz::scratch("nzmesh", ".nzmesh");
    if (size == 0) return 0;
    if (data[0] & 1) {
        proxyfuzz::writeFile(path, data + 1, size - 1);
    } else {
        const std::string packed = proxyfuzz::compress(data + 1, size - 1);
        proxyfuzz::writeFile(path, packed.data(), packed.size());
    }
    proxyfuzz::readAndCheck<Nimbal::ZipMeshFormat>(path);
    return 0;
}
