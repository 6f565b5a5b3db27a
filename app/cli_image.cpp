#include "app/cli_image.h"

#include "imaging/format_registry.h"
#include "imaging/true_color.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

int UsageError(const char* command, const std::string& message) {
    std::fprintf(stderr, "karvin %s: %s; see karvin --help\n", command, message.c_str());
    return ExitUsage;
}

int Failed(const std::string& message) {
    std::fprintf(stderr, "karvin: %s\n", message.c_str());
    return ExitFailed;
}

// A whole decimal number in [low, high], or false.
bool ParseNumber(const char* text, int low, int high, int& value) {
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text, &end, 10);
    if (!*text || *end || errno || number < low || number > high)
        return false;
    value = int(number);
    return true;
}

} // namespace

int RunConvertCommand(int argc, char** argv) {
    std::vector<std::string> files;
    TJpegOptions jpeg;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--progressive") == 0) {
            jpeg.Progressive = true;
        } else if (std::strcmp(argv[i], "--quality") == 0) {
            if (i + 1 >= argc || !ParseNumber(argv[i + 1], 0, 100, jpeg.Quality))
                return UsageError("convert", "--quality needs a number from 0 to 100");
            ++i;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return UsageError("convert", std::string("unknown option ") + argv[i]);
        } else {
            files.emplace_back(argv[i]);
        }
    }
    if (files.size() != 2)
        return UsageError("convert", "needs a source and a target file");

    try {
        const TImageFileFormat& target = ImageFileFormatOf(files[1]);
        TDibGraphic image = LoadImageFile(files[0]);
        // JPEG takes grey or true colour; the program always hands it true colour.
        if (target.Codec == TImageCodec::Jpeg && image.ImageFormat() != ifTrueColor)
            image = ExpandToTrueColor(image);
        SaveImageFile(image, files[1], jpeg);
    } catch (const std::exception& error) {
        return Failed(error.what());
    }
    return 0;
}

int RunInfoCommand(int argc, char** argv) {
    if (argc != 2)
        return UsageError("info", "needs one image file");
    try {
        // The header is enough; the pixels are not decoded, so any size is described.
        const TImageHeader header = ReadImageFileHeader(argv[1]);
        const bool resolutionGiven = header.XPelsPerMeter > 0 && header.YPelsPerMeter > 0;
        const int xDpi =
            resolutionGiven ? PelsPerMeterToDpi(header.XPelsPerMeter) : ScreenLogicalDpi();
        const int yDpi =
            resolutionGiven ? PelsPerMeterToDpi(header.YPelsPerMeter) : ScreenLogicalDpi();
        std::printf("Width: %d\nHeight: %d\nPixel format: %s\nResolution: %d x %d dpi\n",
                    header.Width, header.Height, FormatDescription(header.Format).c_str(), xDpi,
                    yDpi);
    } catch (const std::exception& error) {
        return Failed(error.what());
    }
    return 0;
}
