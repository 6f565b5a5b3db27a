// The small text settings files of the working folder: one value per line, lines ended by
// CR LF, numbers in decimal. Readers take lines from the start of the file and ignore the
// rest; a missing file, or a line that is not the value expected, gives the file's default.
// Writers rewrite the whole file through a temporary file and throw EFileError.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// "jpeg.cfg": line 1 the JPEG quality 0..100, line 2 "1" for progressive encoding. (The JPEG
// writer's own options, TJpegOptions of imaging/image_codecs.h, are set from these.)
struct TJpegSettings {
    int Quality = 100;
    bool Progressive = false;
    bool operator==(const TJpegSettings&) const = default;
};
TJpegSettings ReadJpegOptions();
void WriteJpegOptions(const TJpegSettings& options);

// "duridozezed.dat": the delay between scroll steps in seconds, as the user typed it
// ("0.5" to "5"); "0.5" when missing or not such a number.
std::string ReadDurIdozezedDelay();
void WriteDurIdozezedDelay(const std::string& delay);

// "lastsave.dat": the folder last chosen for Auto Save; the home folder when none is stored.
std::string ReadLastSaveFolder();
void WriteLastSaveFolder(const std::string& folder);

// "defmail.dat": the e-mail menu entry used last (0 the mailer, n >= 1 the n-th send-to entry);
// nullopt when none was chosen yet.
std::optional<int> ReadDefaultMail();
void WriteDefaultMail(int entry);

// "zoommode.dat": the zoom capture factor 2, 4 or 8; 2 when missing or anything else.
int ReadZoomFactor();
void WriteZoomFactor(int factor);

// "repeat.dat": the last rectangle drawn (or the box of the last ellipse), in screen
// coordinates, right and bottom outside it; nullopt when none is stored or the four lines
// are not such a rectangle.
struct TRepeatRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TRepeatRect&) const = default;
};
std::optional<TRepeatRect> ReadRepeatRect();
void WriteRepeatRect(const TRepeatRect& rect);
// Whether "repeat.dat" exists, whatever it holds.
bool RepeatRectStored();
// "repeat.dat" for a capture that takes the area again, where a broken file must not pass
// for a missing one: nullopt when there is no file; throws EFileError saying what is wrong
// ("line 2 is "abc" instead of a whole number", "left is not less than right") when the
// file cannot be read or its first four lines are not such a rectangle.
std::optional<TRepeatRect> ReadRepeatRectStrict();

// "thumbview.dat": the thumbnail size code (1 small, 2 medium, 3 large); 1 when missing.
int ReadThumbSize();
void WriteThumbSize(int size);

// "quality.dat": the thumbnail quality code (0 low, else a resampling filter index); 4 when
// missing.
int ReadThumbQuality();
void WriteThumbQuality(int quality);

// "editor.dat": the external image editor; nullopt when none is stored.
std::optional<std::string> ReadEditorPath();
void WriteEditorPath(const std::string& path);

// "dospath.dat": the folder that receives console text captures; the home folder when none
// is stored.
std::string ReadConsoleTextFolder();
void WriteConsoleTextFolder(const std::string& folder);

// "annotate.dat": what the editor's marks are drawn with, the same for every tool. Line 1 the
// colour as "#RRGGBB", line 2 the line width in pixels (1..100), line 3 the font size in
// pixels (6..400). Each line that is missing or not such a value gives its default.
struct TAnnotateSettings {
    static constexpr uint32_t DefaultColor = 0xFF0000;
    static constexpr int DefaultWidth = 3;
    static constexpr int DefaultFontSize = 24;
    static constexpr int MinWidth = 1;
    static constexpr int MaxWidth = 100;
    static constexpr int MinFontSize = 6;
    static constexpr int MaxFontSize = 400;

    uint32_t Color = DefaultColor; // 0x00RRGGBB
    int Width = DefaultWidth;
    int FontSize = DefaultFontSize;
    bool operator==(const TAnnotateSettings&) const = default;
};
TAnnotateSettings ReadAnnotateSettings();
void WriteAnnotateSettings(const TAnnotateSettings& settings);
