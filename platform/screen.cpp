#include "platform/screen.h"

TScreenPixelFormat ScreenPixelFormat(std::uint64_t screenColorCount) {
    if (screenColorCount > 65536)
        return {32, 565};
    if (screenColorCount == 65536)
        return {16, 565};
    if (screenColorCount == 32768)
        return {16, 555};
    if (screenColorCount > 16)
        return {8, 565};
    return {screenColorCount > 2 ? 4 : 1, 565};
}
