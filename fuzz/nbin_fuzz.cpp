// The ".nbin" reader on arbitrary files.
//
// Seeds: fuzz/corpus/nbin/.
#include "proxy_fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    proxyfuzz::initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = proxyfuzz::scratch("nbin", ".nbin");
    proxyfuzz::writeFile(path, data, size);
    proxyfuzz::readAndCheck<Nimbal::NBinFormat>(path);
    return 0;
}
