// Bitmap streams: decoded and converted to the engine's picture formats.

#include "fuzz_main.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    velmofuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    velmofuzz::check(velmofuzz::runBmp(Data, Size), "fuzz_bmp");
    return 0;
}
