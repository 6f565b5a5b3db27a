#include "capture/repeat_area.h"

#include "store/file_io.h"
#include "store/settings_files.h"

#include <string>

namespace {

// The border the repeat methods cut off takes a pixel from every side.
constexpr int SmallestRepeatSide = 3;

[[noreturn]] void RefuseArea(const std::string& fault) {
    throw EFileError(fault + ". Select an area again with \"User-Defined Rectangle\" or "
                             "\"User-Defined Circle\".");
}

std::string Describe(const TRepeatRect& rect) {
    return "(left " + std::to_string(rect.Left) + ", top " + std::to_string(rect.Top) + ", right " +
           std::to_string(rect.Right) + ", bottom " + std::to_string(rect.Bottom) + ")";
}

} // namespace

bool RepeatAreaStored() {
    return RepeatRectStored();
}

std::optional<QRect> ReadRepeatArea(const QSize& screenSize) {
    std::optional<TRepeatRect> stored;
    try {
        stored = ReadRepeatRectStrict();
    } catch (const EFileError& error) {
        RefuseArea(error.what());
    }
    if (!stored)
        return std::nullopt;
    const TRepeatRect& rect = *stored;
    // Compared number by number: a rectangle made of far-off numbers would overflow.
    if (rect.Left < 0 || rect.Top < 0 || rect.Right > screenSize.width() ||
        rect.Bottom > screenSize.height())
        RefuseArea("The area in \"repeat.dat\" " + Describe(rect) +
                   " does not lie on the screen of " + std::to_string(screenSize.width()) + " x " +
                   std::to_string(screenSize.height()) + " pixels");
    const QRect area(QPoint(rect.Left, rect.Top), QPoint(rect.Right - 1, rect.Bottom - 1));
    if (area.width() < SmallestRepeatSide || area.height() < SmallestRepeatSide)
        RefuseArea("The area in \"repeat.dat\" " + Describe(rect) +
                   " is too small to take again; it needs at least 3 x 3 pixels");
    return area;
}

void WriteRepeatArea(const QRect& area) {
    WriteRepeatRect({area.left(), area.top(), area.right() + 1, area.bottom() + 1});
}
