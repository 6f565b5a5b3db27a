#include "fuzz/fuzz_reader_p.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzReader(TImageCodec::Jpeg, data, size);
    return 0;
}
