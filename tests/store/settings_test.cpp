#include "store/settings.h"

#include "tests/store/work_folder_fixture.h"

namespace {

using Settings = TWorkFolderTest;

std::string Int32Le(int32_t value) {
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(char((uint32_t(value) >> shift) & 0xFF));
    return bytes;
}

std::string RecordBytes(std::initializer_list<int32_t> fields) {
    std::string bytes;
    for (const auto field : fields)
        bytes += Int32Le(field);
    return bytes;
}

const std::string DefaultBytes = RecordBytes({0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 1, 1, 0, 27, 0});

} // namespace

TEST_F(Settings, TheDefaultRecordIs64BytesLittleEndian) {
    EnsureWorkFolder();
    WriteDefaultSettings();
    EXPECT_EQ(Read("karvin.cfg"), DefaultBytes);
}

TEST_F(Settings, RecordsGoThroughTheFileUnchanged) {
    EnsureWorkFolder();
    TSettingsRecord record;
    record.CapSelection = 0x01020304;
    record.PrintSize = -1;
    record.HotKeyKey = 99;
    record.NoMinimize = 1;
    WriteSettings(record);
    const std::string bytes = Read("karvin.cfg");
    ASSERT_EQ(bytes.size(), 64u);
    EXPECT_EQ(bytes.substr(0, 4), "\x04\x03\x02\x01");
    EXPECT_EQ(bytes.substr(8, 4), "\xFF\xFF\xFF\xFF");
    EXPECT_EQ(ReadSettings(), record);
}

TEST_F(Settings, AShortOrLongFileIsReadAsFarAsItGoes) {
    struct TCase {
        std::string Bytes;
        TSettingsRecord Expected;
    };
    TSettingsRecord capOnly;
    capOnly.CapSelection = 5;
    TSettingsRecord garbage;
    garbage.CapSelection = 0x62726167; // "garb", little-endian; "age" is too short for a field
    // Field 15 cut in half: the default.
    const TSettingsRecord first15{3, 2, 2, 1, 1, 6, 1, 1, 1, 0, 1, 0, 0, 1, 12, 0};
    const TCase cases[] = {
        {"", TSettingsRecord{}},
        {"garbage", garbage},
        {Int32Le(5) + "\x07\x07", capOnly},
        {RecordBytes({3, 2, 2, 1, 1, 6, 1, 1, 1, 0, 1, 0, 0, 1, 12}) + std::string("\x01\x00", 2),
         first15},
        {DefaultBytes + "trailing bytes", TSettingsRecord{}},
    };
    for (const auto& c : cases) {
        Put("karvin.cfg", c.Bytes);
        EXPECT_EQ(ReadSettings(), c.Expected) << c.Bytes.size() << " bytes";
    }
}

TEST_F(Settings, AMissingFileIsAnErrorOnlyForTheStrictRead) {
    EnsureWorkFolder();
    EXPECT_THROW(ReadSettings(), EFileError);
    EXPECT_EQ(ReadSettingsOrDefault(), TSettingsRecord{});
    EXPECT_EQ(Read("karvin.cfg"), "<missing>");
}

TEST_F(Settings, GetSettingWritesTheDefaultsFirstAndCountsFromOne) {
    EnsureWorkFolder();
    EXPECT_EQ(GetSetting(3), 1); // PrintSize
    EXPECT_EQ(Read("karvin.cfg"), DefaultBytes);
    TSettingsRecord record;
    record.CapSelection = 4;
    record.PrintSelection = 2;
    record.DefaultFormat = 6;
    WriteSettings(record);
    EXPECT_EQ(GetSetting(1), 4);
    EXPECT_EQ(GetSetting(2), 2);
    EXPECT_EQ(GetSetting(6), 6);
    EXPECT_THROW(GetSetting(0), std::out_of_range);
}

TEST_F(Settings, ChangingOneFieldRewritesOnlyItsFourBytes) {
    const std::string before = RecordBytes({11, 0, 2, 1, 1, 3, 1, 0, 1, 0, 1, 0, 1, 1, 30, 1});
    Put("karvin.cfg", before);
    WriteSetting(sfPrintSelection, 2); // "Capture Only"
    const std::string after = Read("karvin.cfg");
    ASSERT_EQ(after.size(), 64u);
    EXPECT_EQ(after.substr(4, 4), Int32Le(2));
    EXPECT_EQ(after.substr(0, 4), before.substr(0, 4));
    EXPECT_EQ(after.substr(8), before.substr(8));
}

TEST_F(Settings, ChangingOneFieldOfAMissingFileStartsFromTheDefaults) {
    EnsureWorkFolder();
    WriteSetting(sfDefaultFormat, 4);
    std::string expected = DefaultBytes;
    expected.replace(20, 4, Int32Le(4));
    EXPECT_EQ(Read("karvin.cfg"), expected);
}

TEST(HotKeyKey, MapsToFunctionKeysLettersAndZ) {
    struct TCase {
        int32_t HotKeyKey;
        int Expected;
    };
    const TCase cases[] = {
        {0, 0x70},  {11, 0x7B},             // F1, F12
        {12, 0x41}, {27, 0x50}, {36, 0x59}, // A, P, Y
        {37, 0x5A}, {99, 0x5A}, {-1, 0x5A}, // everything else: Z
    };
    for (const auto& c : cases)
        EXPECT_EQ(HotKeyVirtualKey(c.HotKeyKey), c.Expected) << c.HotKeyKey;
}

TEST(UnknownValues, BecomeTheirFieldsDefaultsAndKnownOnesStay) {
    struct TCase {
        TSettingsField Field;
        int32_t Value;
        int32_t Shown;
    };
    const TCase cases[] = {
        {sfCapSelection, 12, 12},
        {sfCapSelection, 13, 0},
        {sfCapSelection, -1, 0},
        {sfPrintSelection, 2, 2},
        {sfPrintSelection, 3, 0},
        {sfDefaultFormat, 6, 6},
        {sfDefaultFormat, 7, 0},
        {sfHotKeyKey, 0, 0},
        {sfHotKeyKey, 37, 37},
        {sfHotKeyKey, 38, 27},
        {sfHotKeyKey, 99, 27},
        {sfHotKeyKey, -5, 27},
        {sfGrayScale, 1, 1},
        {sfGrayScale, 2, 0},
        {sfConfirmation, 0, 0},
        {sfConfirmation, 5, 1},
        {sfHotKeyControl, 0, 0},
        {sfHotKeyControl, -1, 1},
        {sfStartMinimized, 3, 0},
        {sfNoMinimize, 1, 1},
        {sfUseEditor, 2, 0},
        // Every size but 1 fits the page: there is no unknown one.
        {sfPrintSize, 2, 2},
        {sfPrintSize, 0, 0},
        {sfPrintSize, 77, 77},
    };
    for (const TCase& c : cases) {
        TSettingsRecord record;
        SettingsFieldRef(record, c.Field) = c.Value;
        TSettingsRecord expected;
        SettingsFieldRef(expected, c.Field) = c.Shown;
        EXPECT_EQ(WithUnknownValuesAsDefaults(record), expected) << c.Field << " = " << c.Value;
    }
    // A record of nothing but garbage (a file of 0xFF bytes) comes out as the defaults, but
    // for its print size.
    const TSettingsRecord garbage = DecodeSettings(std::string(64, '\xFF'));
    TSettingsRecord expected;
    expected.PrintSize = -1;
    EXPECT_EQ(WithUnknownValuesAsDefaults(garbage), expected);
}
