#include "fuzz/fuzz_reader_p.h"

// Frame 3 draws and disposes of the frames before it, so both paths are fuzzed.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzReader(TImageCodec::Gif, data, size, 1);
    FuzzReader(TImageCodec::Gif, data, size, 3);
    return 0;
}
