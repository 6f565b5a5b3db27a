// The session-file decoder over arbitrary bytes: it must refuse or decode, never read or
// write outside its buffers. The input is taken both as a whole file and as a bare block
// whose expected size is given by its first two bytes.
#include "weblink/moz_lz4.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    DecodeMozLz4(data, size, 1 << 20);
    if (size >= 2)
        DecodeLz4Block(data + 2, size - 2, std::size_t(data[0]) | std::size_t(data[1]) << 8);
    return 0;
}
