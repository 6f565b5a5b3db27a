#include "app/cli_image.h"

#include "imaging/batch_conversion.h"
#include "imaging/format_registry.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
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

namespace {

// karvin convert SRC... DIR --format EXT: every source into the folder, several at once. One
// line per file in the order given (converted and kept on stdout, failures on stderr), then
// the summary.
int RunBatchConvert(const std::vector<std::string>& files, const std::string& format,
                    const TBatchOptions& options) {
    std::string extension = format.front() == '.' ? format : "." + format;
    if (extension.find('/') != std::string::npos || !FindImageFileFormat(extension))
        return UsageError("convert", "--format needs one of bmp, gif, jpg, pcx, png, tga, tif");
    const std::string folder = files.back();
    const std::vector<std::string> sources(files.begin(), files.end() - 1);
    // A folder that cannot take the files is said once, before anything is read.
    try {
        CheckTargetFolder(folder);
    } catch (const std::exception& error) {
        return Failed(error.what());
    }
    const std::vector<TBatchItem> items = PlanBatchConversion(sources, folder, extension);
    const TBatchSummary summary =
        RunBatchConversion(items, options, [](const TBatchResult& result) {
            const TBatchItem& item = *result.Item;
            switch (result.Outcome) {
            case TBatchOutcome::Converted:
                std::printf("%s -> %s\n", item.Source.c_str(), item.Target.c_str());
                break;
            case TBatchOutcome::Exists:
                std::printf("%s: %s exists, left as it is (--overwrite replaces it)\n",
                            item.Source.c_str(), item.Target.c_str());
                break;
            case TBatchOutcome::Failed:
                std::fflush(stdout);
                std::fprintf(stderr, "karvin convert: %s: %s\n", item.Source.c_str(),
                             result.Message.c_str());
                break;
            }
            std::fflush(stdout);
        });
    std::printf("%d converted, %d left as they were, %d failed\n", summary.Converted,
                summary.Exists, summary.Failed);
    return summary.Failed > 0 ? ExitFailed : 0;
}

} // namespace

int RunConvertCommand(int argc, char** argv) {
    std::vector<std::string> files;
    TBatchOptions options;
    std::optional<std::string> format;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--progressive") == 0) {
            options.Jpeg.Progressive = true;
        } else if (std::strcmp(argv[i], "--overwrite") == 0) {
            options.Overwrite = true;
        } else if (std::strcmp(argv[i], "--quality") == 0) {
            if (i + 1 >= argc || !ParseNumber(argv[i + 1], 0, 100, options.Jpeg.Quality))
                return UsageError("convert", "--quality needs a number from 0 to 100");
            ++i;
        } else if (std::strcmp(argv[i], "--format") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                return UsageError("convert", "--format needs a file extension");
            format = argv[++i];
        } else if (std::strcmp(argv[i], "--") == 0) {
            files.insert(files.end(), argv + i + 1, argv + argc);
            break;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return UsageError("convert", std::string("unknown option ") + argv[i]);
        } else {
            files.emplace_back(argv[i]);
        }
    }
    if (format) {
        if (files.size() < 2)
            return UsageError("convert", "needs the files to convert and a target folder");
        return RunBatchConvert(files, *format, options);
    }
    // One file to another, which is replaced when it exists, as it always was.
    if (options.Overwrite)
        return UsageError("convert", "--overwrite goes with --format");
    if (files.size() != 2)
        return UsageError("convert", "needs a source and a target file");
    try {
        ConvertImageFile(files[0], files[1], options.Jpeg, true);
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
