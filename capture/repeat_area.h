// The area the "With Repeat" methods take again: the last rectangle or ellipse box selected,
// kept in "repeat.dat" in screen coordinates (right and bottom just outside the area).
#pragma once

#include <QRect>
#include <QSize>

#include <optional>

// Whether an area is stored, usable or not. Timer capture may repeat a rectangle only then.
bool RepeatAreaStored();

// The stored area for taking it again from a screen of `screenSize`; nullopt when none is
// stored. An area that cannot be taken throws EFileError with a text for the user: a file
// that is not four whole numbers with left < right and top < bottom, an area that does not
// lie wholly on the screen (a changed screen size, negative coordinates), or one of less
// than 3 x 3 pixels, which would keep no pixel once its border is cut off.
std::optional<QRect> ReadRepeatArea(const QSize& screenSize);

// Stores the area of a completed selection. Throws EFileError.
void WriteRepeatArea(const QRect& area);
