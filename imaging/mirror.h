// The editor's Mirror Right and Mirror Down: one half of the picture copied over the other,
// mirrored, on a true-colour copy.
#pragma once

#include "imaging/dib_graphic.h"

// A true-colour copy of `image` (palette images take their palette's colours) whose left half
// is mirrored onto its right half: in every row, for a = 0 to floor(w / 2) in turn, pixel a is
// copied to pixel w - 1 - a. The middle column of an odd width stays; A B C D E gives
// A B C B A, and A B C D gives A B B A.
TDibGraphic MirroredRight(const TDibGraphic& image);

// The same from top to bottom: for i = 0 to floor(h / 2) in turn, row i is copied over row
// h - 1 - i (row 0 is the top row).
TDibGraphic MirroredDown(const TDibGraphic& image);
