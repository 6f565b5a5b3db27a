// The thumbnail grid's geometry and pictures: the frame of each size, how many frames a row
// holds on a screen of a given width, where frame n sits, its label and its selection mark,
// and how a thumbnail is made from an image at a quality.
//
// Thumbnail n (from 1) stands for row n - 1 of the capture list; a grid holds at most
// MaxThumbnails of them.
#pragma once

#include "imaging/dib_graphic.h"
#include "imaging/fit_thumbnail.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <string>

inline constexpr int MaxThumbnails = 255;

// Size codes, as "thumbview.dat" keeps them; any other code is large.
inline constexpr int ThumbSmall = 1;
inline constexpr int ThumbMedium = 2;
inline constexpr int ThumbLarge = 3;

// Quality codes, as "quality.dat" keeps them: 0 a plain stretch, otherwise the index of a
// resampling filter; the High Quality commands write Hermite.
inline constexpr int ThumbLowQuality = 0;
inline constexpr int ThumbHighQuality = HermiteFilterIndex;

// The outer size of a frame: 88 x 68, 128 x 98 or 168 x 128.
QSize FrameSizeOf(int sizeCode);
// The picture inside a frame, 8 pixels narrower and lower: 80 x 60, 120 x 90, 160 x 120.
QSize PictureSizeOf(int sizeCode);
// Frames per row: fewer on screens narrower than 1024 pixels.
int ColumnsPerRow(int sizeCode, int screenWidth);
// Frame n (from 1) of a grid with `columns` frames a row: column X and row Y (from 1) put it
// at ((W + 20) X - W, (H + 35) Y - H), so the first frame sits at (20, 35).
QRect FrameRect(int n, int columns, int sizeCode);
// The label under a frame: its left and width, 4 pixels below it, one line of text high.
QRect LabelRect(const QRect& frame, int lineHeight);
// The one-pixel selection mark around a frame, from (left - 3, top - 3) to
// (right + 2, bottom + 2) counted as the frame's outer pixels plus one.
QRect SelectionMarkRect(const QRect& frame);
// The size of the grid's contents: its frames and labels with the margins they keep.
QSize GridExtent(int count, int columns, int sizeCode, int lineHeight);

// The resampling filter of a quality code: none (a plain stretch) for 0; the filter of that
// index otherwise, Hermite for a code the table does not have.
const TResampleFilter* ThumbnailFilter(int quality);

// A thumbnail: the picture fitted into the box by its aspect ratio (FitThumbnail), with the
// filter of the quality code. Its placement in the box is FitThumbnailSize's. An empty
// picture throws "Source bitmap too small".
QImage MakeThumbnailPicture(const TDibGraphic& picture, QSize box, int quality);
// The thumbnail of an image file, read through the format of its extension. Throws the
// reader's error when the file cannot be read. Safe on any thread.
QImage LoadThumbnailPicture(const std::string& path, QSize box, int quality);
