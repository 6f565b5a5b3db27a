#include "store/settings_files.h"

#include "store/file_io.h"
#include "store/work_folder.h"

#include <charconv>
#include <string_view>
#include <variant>
#include <vector>

namespace {

std::vector<std::string> ReadSettingsLines(const char* name) {
    return ReadTextLines(WorkPath(name)).value_or(std::vector<std::string>{});
}

void WriteSettingsLines(const char* name, const std::vector<std::string>& lines) {
    WriteTextLines(WorkPath(name), lines);
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Line `index` as a whole number, or nullopt when the line is missing or is not one.
std::optional<int> NumberOnLine(const std::vector<std::string>& lines, std::size_t index) {
    if (index >= lines.size())
        return std::nullopt;
    const std::string_view text = Trimmed(lines[index]);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The first line when it holds some text, else nullopt.
std::optional<std::string> TextOnFirstLine(const std::vector<std::string>& lines) {
    if (lines.empty() || Trimmed(lines.front()).empty())
        return std::nullopt;
    return lines.front();
}

// A line as the user may see it in a message: short, printable.
std::string Quoted(std::string_view line) {
    constexpr std::size_t Longest = 20;
    std::string shown;
    for (char c : line.substr(0, Longest))
        shown += (c >= ' ' && c <= '~') ? c : '?';
    return "\"" + shown + (line.size() > Longest ? "...\"" : "\"");
}

// The four lines of "repeat.dat" as a rectangle, or the reason they are none.
std::variant<TRepeatRect, std::string> ParseRepeatRect(const std::vector<std::string>& lines) {
    int values[4] = {};
    for (std::size_t index = 0; index < 4; ++index) {
        const auto number = NumberOnLine(lines, index);
        if (!number) {
            const std::string which = "line " + std::to_string(index + 1);
            if (index >= lines.size())
                return which + " is missing";
            return which + " is " + Quoted(lines[index]) + " instead of a whole number";
        }
        values[index] = *number;
    }
    const TRepeatRect rect{values[0], values[1], values[2], values[3]};
    // An empty or inverted rectangle would make a capture of no size.
    if (rect.Left >= rect.Right)
        return "left (" + std::to_string(rect.Left) + ") is not less than right (" +
               std::to_string(rect.Right) + ")";
    if (rect.Top >= rect.Bottom)
        return "top (" + std::to_string(rect.Top) + ") is not less than bottom (" +
               std::to_string(rect.Bottom) + ")";
    return rect;
}

} // namespace

TJpegSettings ReadJpegOptions() {
    const auto lines = ReadSettingsLines("jpeg.cfg");
    TJpegSettings options;
    if (const auto quality = NumberOnLine(lines, 0); quality && *quality >= 0 && *quality <= 100)
        options.Quality = *quality;
    options.Progressive = NumberOnLine(lines, 1) == 1;
    return options;
}

void WriteJpegOptions(const TJpegSettings& options) {
    WriteSettingsLines("jpeg.cfg",
                       {std::to_string(options.Quality), options.Progressive ? "1" : "0"});
}

std::string ReadDurIdozezedDelay() {
    const std::string fallback = "0.5";
    const auto lines = ReadSettingsLines("duridozezed.dat");
    if (lines.empty())
        return fallback;
    const std::string_view text = Trimmed(lines.front());
    double seconds = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || seconds < 0.5 ||
        seconds > 5)
        return fallback;
    return std::string(text);
}

void WriteDurIdozezedDelay(const std::string& delay) {
    WriteSettingsLines("duridozezed.dat", {delay});
}

std::string ReadLastSaveFolder() {
    return TextOnFirstLine(ReadSettingsLines("lastsave.dat")).value_or(HomeFolder());
}

void WriteLastSaveFolder(const std::string& folder) {
    WriteSettingsLines("lastsave.dat", {folder});
}

std::optional<int> ReadDefaultMail() {
    const auto entry = NumberOnLine(ReadSettingsLines("defmail.dat"), 0);
    if (entry && *entry >= 0)
        return entry;
    return std::nullopt;
}

void WriteDefaultMail(int entry) {
    WriteSettingsLines("defmail.dat", {std::to_string(entry)});
}

int ReadZoomFactor() {
    const auto factor = NumberOnLine(ReadSettingsLines("zoommode.dat"), 0);
    if (factor == 2 || factor == 4 || factor == 8)
        return *factor;
    return 2;
}

void WriteZoomFactor(int factor) {
    WriteSettingsLines("zoommode.dat", {std::to_string(factor)});
}

std::optional<TRepeatRect> ReadRepeatRect() {
    const auto parsed = ParseRepeatRect(ReadSettingsLines("repeat.dat"));
    if (const auto* rect = std::get_if<TRepeatRect>(&parsed))
        return *rect;
    return std::nullopt;
}

bool RepeatRectStored() {
    return FileExists(WorkPath("repeat.dat"));
}

std::optional<TRepeatRect> ReadRepeatRectStrict() {
    const std::string path = WorkPath("repeat.dat");
    if (!FileExists(path))
        return std::nullopt;
    const auto lines = ReadTextLines(path);
    if (!lines)
        throw EFileError("\"repeat.dat\" cannot be read");
    const auto parsed = ParseRepeatRect(*lines);
    if (const auto* fault = std::get_if<std::string>(&parsed))
        throw EFileError("\"repeat.dat\" holds no area: " + *fault);
    return std::get<TRepeatRect>(parsed);
}

void WriteRepeatRect(const TRepeatRect& rect) {
    WriteSettingsLines("repeat.dat", {std::to_string(rect.Left), std::to_string(rect.Top),
                                      std::to_string(rect.Right), std::to_string(rect.Bottom)});
}

int ReadThumbSize() {
    return NumberOnLine(ReadSettingsLines("thumbview.dat"), 0).value_or(1);
}

void WriteThumbSize(int size) {
    WriteSettingsLines("thumbview.dat", {std::to_string(size)});
}

int ReadThumbQuality() {
    const auto quality = NumberOnLine(ReadSettingsLines("quality.dat"), 0);
    if (quality && *quality >= 0)
        return *quality;
    return 4;
}

void WriteThumbQuality(int quality) {
    WriteSettingsLines("quality.dat", {std::to_string(quality)});
}

std::optional<std::string> ReadEditorPath() {
    return TextOnFirstLine(ReadSettingsLines("editor.dat"));
}

void WriteEditorPath(const std::string& path) {
    WriteSettingsLines("editor.dat", {path});
}

std::string ReadConsoleTextFolder() {
    return TextOnFirstLine(ReadSettingsLines("dospath.dat")).value_or(HomeFolder());
}

void WriteConsoleTextFolder(const std::string& folder) {
    WriteSettingsLines("dospath.dat", {folder});
}

namespace {

// "#RRGGBB" (either case) as 0x00RRGGBB, or nullopt.
std::optional<uint32_t> ColorOnLine(const std::vector<std::string>& lines, std::size_t index) {
    if (index >= lines.size())
        return std::nullopt;
    const std::string_view text = Trimmed(lines[index]);
    if (text.size() != 7 || text.front() != '#')
        return std::nullopt;
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data() + 1, text.data() + 7, value, 16);
    if (error != std::errc() || end != text.data() + 7)
        return std::nullopt;
    return value;
}

std::string ColorText(uint32_t color) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text = "#";
    for (int shift = 20; shift >= 0; shift -= 4)
        text += Digits[(color >> shift) & 0xF];
    return text;
}

} // namespace

TAnnotateSettings ReadAnnotateSettings() {
    const auto lines = ReadSettingsLines("annotate.dat");
    TAnnotateSettings settings;
    if (const auto color = ColorOnLine(lines, 0))
        settings.Color = *color;
    if (const auto width = NumberOnLine(lines, 1);
        width && *width >= TAnnotateSettings::MinWidth && *width <= TAnnotateSettings::MaxWidth)
        settings.Width = *width;
    if (const auto size = NumberOnLine(lines, 2);
        size && *size >= TAnnotateSettings::MinFontSize && *size <= TAnnotateSettings::MaxFontSize)
        settings.FontSize = *size;
    return settings;
}

void WriteAnnotateSettings(const TAnnotateSettings& settings) {
    WriteSettingsLines("annotate.dat",
                       {ColorText(settings.Color & 0xFFFFFF), std::to_string(settings.Width),
                        std::to_string(settings.FontSize)});
}
