// Layer style files: applied to a small document, composed, saved and applied again.

#include "fuzz_main.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    velmofuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    velmofuzz::check(velmofuzz::runStyle(Data, Size), "fuzz_style");
    return 0;
}
