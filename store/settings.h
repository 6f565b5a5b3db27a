// The settings record "karvin.cfg": sixteen signed 32-bit little-endian integers, 64 bytes,
// no header. Settings are never cached: every user reads the file when it needs a value, and
// every change writes the whole record at once.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// The choices the record keeps as numbers, by those numbers.

// CapSelection: the capture method, in the order of the main window's method box.
enum TCaptureMethod : int32_t {
    cmFullScreen = 0,
    cmActiveWindow = 1,
    cmActiveWindowClientArea = 2,
    cmMouseSelectedRegion = 3,
    cmUserRectangle = 4,
    cmUserRectangleWithRepeat = 5,
    cmUserCircle = 6,
    cmUserCircleWithRepeat = 7,
    cmConsoleTextAsGraphic = 8,
    cmConsoleTextAsTextFile = 9,
    cmConsoleGraphicsOnly = 10,
    cmZoom = 11,
    cmDurIdozezed = 12,
};

// PrintSelection: what happens to a capture.
enum TPrintSelection : int32_t {
    psPrintAndCapture = 0,
    psPrintOnly = 1,
    psCaptureOnly = 2,
};

// PrintSize: how a capture is printed.
enum TPrintSize : int32_t {
    pzImageSize = 1,
    pzFitToPage = 2, // what the settings dialog writes; every value but 1 means the same
};

// DefaultFormat: the file format of captures (widgets/capture_formats.h has each one's
// texts, extension and codec).
enum TCaptureFormat : int32_t {
    cfBmp = 0,
    cfGif = 1,
    cfJpeg = 2,
    cfPcx = 3,
    cfPng = 4,
    cfTga = 5,
    cfTiff = 6,
};

struct TSettingsRecord {
    int32_t CapSelection = 0;   // capture method 0..12 ("Full Screen" ... "DurIdozezed")
    int32_t PrintSelection = 0; // 0 "Print and Capture", 1 "Print Only", 2 "Capture Only"
    int32_t PrintSize = 1;      // print after capture: 1 at the image's size, else fit to page
    int32_t GrayScale = 0;      // 1: captures are turned grey
    int32_t Negative = 0;       // 1: captured colours are inverted
    int32_t DefaultFormat = 0;  // capture format 0 BMP, 1 GIF, 2 JPEG, 3 PCX, 4 PNG, 5 TGA, 6 TIFF
    int32_t StartMinimized = 0; // non-zero: start minimised
    int32_t StartWindows = 0;   // 1: started with the desktop session
    int32_t MouseCursor = 0;    // 1: the pointer is drawn into captures
    int32_t Confirmation = 1;   // 1: leaving asks about unsaved captures
    int32_t UseEditor = 0;      // 1: "Edit Image" starts the editor named in "editor.dat"
    int32_t HotKeyControl = 1;  // the second hot key needs Control
    int32_t HotKeyAlt = 1;      // ... Alt
    int32_t HotKeyShift = 0;    // ... Shift
    int32_t HotKeyKey = 27;     // its key: 0..11 F1..F12, 12..36 A..Y, anything else Z
    int32_t NoMinimize = 0;     // 1: minimising leaves the window on the task bar, not the tray

    bool operator==(const TSettingsRecord&) const = default;

    // The fields above as their choices. A number that names none is kept as it is: each
    // user decides what it means (usually nothing).
    TCaptureMethod CaptureMethod() const { return TCaptureMethod(CapSelection); }
    TPrintSelection PrintChoice() const { return TPrintSelection(PrintSelection); }
    TPrintSize PrintSizeChoice() const {
        return PrintSize == pzImageSize ? pzImageSize : pzFitToPage;
    }
    TCaptureFormat CaptureFormat() const { return TCaptureFormat(DefaultFormat); }
};

// Field numbers: the zero-based position in the record (byte offset = 4 x number).
enum TSettingsField : int {
    sfCapSelection,
    sfPrintSelection,
    sfPrintSize,
    sfGrayScale,
    sfNegative,
    sfDefaultFormat,
    sfStartMinimized,
    sfStartWindows,
    sfMouseCursor,
    sfConfirmation,
    sfUseEditor,
    sfHotKeyControl,
    sfHotKeyAlt,
    sfHotKeyShift,
    sfHotKeyKey,
    sfNoMinimize,
};
inline constexpr int SettingsFieldCount = 16;
// The keys HotKeyKey chooses from: F1..F12, then A..Z.
inline constexpr int HotKeyKeyCount = 38;
inline constexpr std::size_t SettingsRecordSize = 4 * SettingsFieldCount;

int32_t& SettingsFieldRef(TSettingsRecord& record, TSettingsField field);
int32_t SettingsFieldValue(const TSettingsRecord& record, TSettingsField field);

// The 64 bytes of a record, and back. A shorter text takes the fields it does not hold in
// full from the default record; bytes past 64 are ignored.
std::string EncodeSettings(const TSettingsRecord& record);
TSettingsRecord DecodeSettings(const std::string& bytes);

// Writes the whole record (through a temporary file). Throws EFileError.
void WriteSettings(const TSettingsRecord& record);
void WriteDefaultSettings();
// Writes the default record when "karvin.cfg" is missing. Throws EFileError.
void EnsureSettingsFile();
// The record in "karvin.cfg". Throws EFileError when the file is missing or unreadable.
TSettingsRecord ReadSettings();
// The record in "karvin.cfg", writing the default record first when the file is missing: a
// missing record is never an error. Throws EFileError when it cannot be written or read.
TSettingsRecord EnsureAndReadSettings();
// The record in "karvin.cfg", or the default record when it cannot be read. For the paths
// that must work whatever state the folder is in (showing the window, leaving the program).
TSettingsRecord ReadSettingsOrDefault();
// Field n - 1 (n = 1..16) of the record, writing the default record first when the file is
// missing. Throws EFileError.
int32_t GetSetting(int n);
// Replaces one field: writes the default record first when the file is missing, then reads
// the record, changes the field and writes the record back. Throws EFileError.
void WriteSetting(TSettingsField field, int32_t value);

// The record with every field that holds a value the program never writes (a capture method,
// choice, format or key outside its list, a box other than 0 or 1) put back to its default,
// so that a window showing the record shows something it can write back. PrintSize keeps
// any value: 1 prints at the image's size and every other value fits the page.
TSettingsRecord WithUnknownValuesAsDefaults(const TSettingsRecord& record);

// The key of the second hot key as a platform key code: F1..F12 are 0x70..0x7B, A..Z are
// 0x41..0x5A. HotKeyKey 0..11 gives F1..F12, 12..36 A..Y, every other value Z.
int HotKeyVirtualKey(int32_t hotKeyKey);
