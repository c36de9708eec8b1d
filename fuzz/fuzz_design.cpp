// Design files: read, compose both ways, save and read back.

#include "fuzz_main.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    velmofuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    velmofuzz::check(velmofuzz::runDesign(Data, Size), "fuzz_design");
    return 0;
}
