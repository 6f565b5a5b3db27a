#include "capture/capture_file.h"

#include "imaging/display_preparation.h"

bool PrepareCaptureForFile(TDibGraphic& image, const std::string& path, uint64_t screenColorCount,
                           bool captureFormatIsJpeg, const TProgressCallback& progress) {
    switch (ImageFileFormatOf(path).Codec) {
    case TImageCodec::Jpeg:
        return PrepareTrueColor(image, progress);
    case TImageCodec::Gif:
        return false;
    default:
        return PrepareForPaletteDisplay(image, screenColorCount, captureFormatIsJpeg, progress);
    }
}

void WriteCaptureFile(const TDibGraphic& image, const std::string& path) {
    SaveImageFile(image, path, CaptureJpegOptions);
}
