#include "store/settings.h"

#include "store/file_io.h"
#include "store/work_folder.h"

#include <stdexcept>

namespace {

constexpr const char* SettingsFileName = "karvin.cfg";

constexpr std::array<int32_t TSettingsRecord::*, SettingsFieldCount> Fields = {
    &TSettingsRecord::CapSelection,   &TSettingsRecord::PrintSelection,
    &TSettingsRecord::PrintSize,      &TSettingsRecord::GrayScale,
    &TSettingsRecord::Negative,       &TSettingsRecord::DefaultFormat,
    &TSettingsRecord::StartMinimized, &TSettingsRecord::StartWindows,
    &TSettingsRecord::MouseCursor,    &TSettingsRecord::Confirmation,
    &TSettingsRecord::UseEditor,      &TSettingsRecord::HotKeyControl,
    &TSettingsRecord::HotKeyAlt,      &TSettingsRecord::HotKeyShift,
    &TSettingsRecord::HotKeyKey,      &TSettingsRecord::NoMinimize,
};

// The largest value of a field's list or box; each starts at 0.
int32_t LargestKnownValue(TSettingsField field) {
    switch (field) {
    case sfCapSelection:
        return cmDurIdozezed;
    case sfPrintSelection:
        return psCaptureOnly;
    case sfDefaultFormat:
        return cfTiff;
    case sfHotKeyKey:
        return HotKeyKeyCount - 1;
    default:
        return 1;
    }
}

} // namespace

int32_t& SettingsFieldRef(TSettingsRecord& record, TSettingsField field) {
    return record.*Fields.at(std::size_t(field));
}

int32_t SettingsFieldValue(const TSettingsRecord& record, TSettingsField field) {
    return record.*Fields.at(std::size_t(field));
}

std::string EncodeSettings(const TSettingsRecord& record) {
    std::string bytes;
    bytes.reserve(SettingsRecordSize);
    for (const auto field : Fields) {
        const auto value = uint32_t(record.*field);
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(char((value >> shift) & 0xFF));
    }
    return bytes;
}

TSettingsRecord DecodeSettings(const std::string& bytes) {
    TSettingsRecord record;
    for (std::size_t index = 0; index < Fields.size(); ++index) {
        const std::size_t offset = 4 * index;
        if (offset + 4 > bytes.size())
            break;
        uint32_t value = 0;
        for (int byte = 3; byte >= 0; --byte)
            value = (value << 8) | uint8_t(bytes[offset + std::size_t(byte)]);
        record.*Fields[index] = int32_t(value);
    }
    return record;
}

void WriteSettings(const TSettingsRecord& record) {
    WriteWholeFile(WorkPath(SettingsFileName), EncodeSettings(record));
}

void WriteDefaultSettings() {
    WriteSettings(TSettingsRecord{});
}

void EnsureSettingsFile() {
    if (!FileExists(WorkPath(SettingsFileName)))
        WriteDefaultSettings();
}

TSettingsRecord ReadSettings() {
    const std::string path = WorkPath(SettingsFileName);
    const auto bytes = ReadWholeFile(path);
    if (!bytes)
        throw EFileError("Cannot read the settings file \"" + path + "\".");
    return DecodeSettings(*bytes);
}

TSettingsRecord EnsureAndReadSettings() {
    EnsureSettingsFile();
    return ReadSettings();
}

TSettingsRecord ReadSettingsOrDefault() {
    try {
        return ReadSettings();
    } catch (const EFileError&) {
        return TSettingsRecord{};
    }
}

int32_t GetSetting(int n) {
    if (n < 1 || n > SettingsFieldCount)
        throw std::out_of_range("GetSetting: no field " + std::to_string(n));
    return SettingsFieldValue(EnsureAndReadSettings(), TSettingsField(n - 1));
}

void WriteSetting(TSettingsField field, int32_t value) {
    TSettingsRecord record = EnsureAndReadSettings();
    SettingsFieldRef(record, field) = value;
    WriteSettings(record);
}

TSettingsRecord WithUnknownValuesAsDefaults(const TSettingsRecord& record) {
    const TSettingsRecord defaults;
    TSettingsRecord known = record;
    for (int index = 0; index < SettingsFieldCount; ++index) {
        const auto field = TSettingsField(index);
        int32_t& value = SettingsFieldRef(known, field);
        if (field != sfPrintSize && (value < 0 || value > LargestKnownValue(field)))
            value = SettingsFieldValue(defaults, field);
    }
    return known;
}

int HotKeyVirtualKey(int32_t hotKeyKey) {
    if (hotKeyKey >= 0 && hotKeyKey <= 11)
        return 0x70 + hotKeyKey;
    if (hotKeyKey >= 12 && hotKeyKey <= 36)
        return 0x41 + (hotKeyKey - 12);
    return 0x5A;
}
