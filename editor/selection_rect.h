// The editor's selection: a rectangle as the view reports it, in the coordinates of the
// picture as displayed at the zoom of the moment, and the same rectangle in image pixels.
#pragma once

struct TSelectionRect {
    int Left = 0;
    int Top = 0;
    int Right = 0; // outside the rectangle
    int Bottom = 0;

    bool Empty() const { return Right <= Left || Bottom <= Top; }
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TSelectionRect&) const = default;
};

// A rectangle taken on the picture displayed at `zoomPercent`, in the pixels of the image
// (`imageWidth` x `imageHeight`): each side scaled by 100 / zoomPercent and rounded to the
// nearest whole pixel, halves to the even one, so (100, 50)-(300, 250) at 200 % is
// (50, 25)-(150, 125). At 100 % it stays as it is. The result is cut to the image.
TSelectionRect SelectionToImage(const TSelectionRect& displayed, double zoomPercent, int imageWidth,
                                int imageHeight);
