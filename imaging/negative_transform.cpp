#include "imaging/negative_transform.h"

void TNegativeTransform::Apply(TDibGraphic& image) {
    BeginProgress();
    const int height = image.Height();
    switch (image.ImageFormat()) {
    case ifBlackWhite:
    case ifGray16:
    case ifGray256:
    case ifTrueColor: {
        // Grey rows are complemented whole, padding included; true-colour rows pixel by
        // pixel, so their padding stays as it was.
        const std::size_t bytes =
            image.ImageFormat() == ifTrueColor ? std::size_t(image.Width()) * 3 : image.RowStride();
        for (int y = 0; y < height; ++y) {
            StepProgress(y, 0, height - 1);
            uint8_t* row = image.ScanLine(y);
            for (std::size_t i = 0; i < bytes; ++i)
                row[i] = uint8_t(~row[i]);
        }
        break;
    }
    case ifColor16:
    case ifColor256: {
        TPalette palette = image.Palette();
        for (auto& entry : palette)
            entry = {uint8_t(~entry.Red), uint8_t(~entry.Green), uint8_t(~entry.Blue)};
        image.SetPalette(palette);
        break;
    }
    }
    EndProgress();
}

void TNegativeTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
    if (&source != &dest)
        dest = source;
    Apply(dest);
}
