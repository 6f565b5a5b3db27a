#include "store/settings_files.h"

#include "tests/store/work_folder_fixture.h"

#include <cstdio>
#include <functional>
#include <map>

namespace {

using SettingsFiles = TWorkFolderTest;

std::string Show(const TJpegSettings& options) {
    return std::to_string(options.Quality) + (options.Progressive ? " progressive" : "");
}
std::string Show(const std::optional<TRepeatRect>& rect) {
    if (!rect)
        return "none";
    return std::to_string(rect->Left) + "," + std::to_string(rect->Top) + "," +
           std::to_string(rect->Right) + "," + std::to_string(rect->Bottom);
}
std::string Show(const std::optional<int>& number) {
    return number ? std::to_string(*number) : "none";
}
std::string Show(const std::optional<std::string>& text) {
    return text.value_or("none");
}
std::string Show(const TAnnotateSettings& settings) {
    char color[8];
    std::snprintf(color, sizeof color, "%06X", unsigned(settings.Color));
    return std::string(color) + " " + std::to_string(settings.Width) + " " +
           std::to_string(settings.FontSize);
}

struct TReaderCase {
    const char* File;
    std::optional<std::string> Content; // nullopt: the file is missing
    std::string Expected;               // "~" stands for the home folder
};

} // namespace

TEST_F(SettingsFiles, ReadersGiveTheDefaultForMissingFilesAndUnexpectedLines) {
    const std::map<std::string, std::function<std::string()>> readers = {
        {"jpeg.cfg", [] { return Show(ReadJpegOptions()); }},
        {"duridozezed.dat", [] { return ReadDurIdozezedDelay(); }},
        {"lastsave.dat", [] { return ReadLastSaveFolder(); }},
        {"defmail.dat", [] { return Show(ReadDefaultMail()); }},
        {"zoommode.dat", [] { return std::to_string(ReadZoomFactor()); }},
        {"repeat.dat", [] { return Show(ReadRepeatRect()); }},
        {"thumbview.dat", [] { return std::to_string(ReadThumbSize()); }},
        {"quality.dat", [] { return std::to_string(ReadThumbQuality()); }},
        {"editor.dat", [] { return Show(ReadEditorPath()); }},
        {"dospath.dat", [] { return ReadConsoleTextFolder(); }},
        {"annotate.dat", [] { return Show(ReadAnnotateSettings()); }},
    };
    const TReaderCase cases[] = {
        {"jpeg.cfg", std::nullopt, "100"},
        {"jpeg.cfg", "70\r\n1\r\n", "70 progressive"},
        {"jpeg.cfg", "0\r\n0\r\n", "0"},
        {"jpeg.cfg", "seventy\r\nyes\r\n", "100"},
        {"jpeg.cfg", "150\r\n1\r\n", "100 progressive"},
        {"jpeg.cfg", "90", "90"}, // no second line, no line end
        {"duridozezed.dat", std::nullopt, "0.5"},
        {"duridozezed.dat", "2.5\r\n", "2.5"},
        {"duridozezed.dat", "5\r\n", "5"},
        {"duridozezed.dat", "0,5\r\n", "0.5"},
        {"duridozezed.dat", "0.1\r\n", "0.5"},
        {"duridozezed.dat", "1e9\r\n", "0.5"},
        {"duridozezed.dat", "", "0.5"},
        {"lastsave.dat", std::nullopt, "~"},
        {"lastsave.dat", "/srv/shots\r\n", "/srv/shots"},
        {"lastsave.dat", "\r\n", "~"},
        {"defmail.dat", std::nullopt, "none"},
        {"defmail.dat", "0\r\n", "0"},
        {"defmail.dat", "3\r\n", "3"},
        {"defmail.dat", "-1\r\n", "none"},
        {"defmail.dat", "mutt\r\n", "none"},
        {"zoommode.dat", std::nullopt, "2"},
        {"zoommode.dat", "8\r\n", "8"},
        {"zoommode.dat", "3\r\n", "2"},
        {"zoommode.dat", "", "2"}, // written when no factor was checked
        {"repeat.dat", std::nullopt, "none"},
        {"repeat.dat", "100\r\n100\r\n500\r\n400\r\n", "100,100,500,400"},
        {"repeat.dat", "-1280\r\n0\r\n-1\r\n1024\r\n", "-1280,0,-1,1024"},
        {"repeat.dat", "500\r\n100\r\n100\r\n400\r\n", "none"}, // inverted
        {"repeat.dat", "100\r\n100\r\n100\r\n400\r\n", "none"}, // no width
        {"repeat.dat", "100\r\n100\r\n500\r\n", "none"},
        {"repeat.dat", "1OO\r\n100\r\n500\r\n400\r\n", "none"},
        {"repeat.dat", "99999999999\r\n100\r\n500\r\n400\r\n", "none"},
        {"thumbview.dat", std::nullopt, "1"},
        {"thumbview.dat", "3\r\n", "3"},
        {"thumbview.dat", "big\r\n", "1"},
        {"quality.dat", std::nullopt, "4"},
        {"quality.dat", "0\r\n", "0"},
        {"quality.dat", "2\r\n", "2"},
        {"quality.dat", "high\r\n", "4"},
        {"editor.dat", std::nullopt, "none"},
        {"editor.dat", "/usr/bin/gimp\r\n", "/usr/bin/gimp"},
        {"editor.dat", "  \r\n", "none"},
        {"dospath.dat", std::nullopt, "~"},
        {"dospath.dat", "/home/me/text\r\n", "/home/me/text"},
        {"annotate.dat", std::nullopt, "FF0000 3 24"},
        {"annotate.dat", "#00ff80\r\n12\r\n40\r\n", "00FF80 12 40"},
        {"annotate.dat", " #123456 \n1\n400", "123456 1 400"},
        // Each line that is not its value gives its own default; the others are kept.
        {"annotate.dat", "red\r\n7\r\n", "FF0000 7 24"},
        {"annotate.dat", "#12345\r\n0\r\n5\r\n", "FF0000 3 24"},
        {"annotate.dat", "#1234567\r\n101\r\n401\r\n", "FF0000 3 24"},
        {"annotate.dat", "#-12345\r\n-3\r\n1e3\r\n", "FF0000 3 24"},
        {"annotate.dat", "#0000GG\r\n99999999999\r\nbig\r\n", "FF0000 3 24"},
        {"annotate.dat", "", "FF0000 3 24"},
        {"annotate.dat", std::string("#00FF00\0\r\n5\r\n", 13), "FF0000 5 24"},
    };
    const std::string home = (Scratch / "home").string();
    for (const auto& c : cases) {
        std::filesystem::remove_all(Work());
        EnsureWorkFolder();
        if (c.Content)
            Put(c.File, *c.Content);
        const std::string expected = c.Expected == "~" ? home : c.Expected;
        EXPECT_EQ(readers.at(c.File)(), expected)
            << c.File << " holding \"" << c.Content.value_or("<missing>") << "\"";
    }
}

TEST_F(SettingsFiles, WritersRewriteWholeCrLfFiles) {
    EnsureWorkFolder();
    Put("jpeg.cfg", "10\r\n1\r\nold third line\r\n");
    WriteJpegOptions({90, false});
    EXPECT_EQ(Read("jpeg.cfg"), "90\r\n0\r\n");
    WriteRepeatRect({-10, 0, 500, 400});
    EXPECT_EQ(Read("repeat.dat"), "-10\r\n0\r\n500\r\n400\r\n");
    EXPECT_EQ(ReadRepeatRect(), (TRepeatRect{-10, 0, 500, 400}));
    WriteDurIdozezedDelay("1.5");
    WriteLastSaveFolder("/srv/shots");
    WriteDefaultMail(2);
    WriteZoomFactor(4);
    WriteThumbQuality(0);
    WriteEditorPath("/usr/bin/gimp");
    WriteConsoleTextFolder("/srv/text");
    EXPECT_EQ(Read("duridozezed.dat"), "1.5\r\n");
    EXPECT_EQ(Read("lastsave.dat"), "/srv/shots\r\n");
    EXPECT_EQ(Read("defmail.dat"), "2\r\n");
    EXPECT_EQ(Read("zoommode.dat"), "4\r\n");
    EXPECT_EQ(Read("quality.dat"), "0\r\n");
    EXPECT_EQ(Read("editor.dat"), "/usr/bin/gimp\r\n");
    EXPECT_EQ(Read("dospath.dat"), "/srv/text\r\n");
    WriteAnnotateSettings({0x00A0FF, 100, 6});
    EXPECT_EQ(Read("annotate.dat"), "#00A0FF\r\n100\r\n6\r\n");
    EXPECT_EQ(ReadAnnotateSettings(), (TAnnotateSettings{0x00A0FF, 100, 6}));
}

TEST_F(SettingsFiles, NamesAreMatchedWithoutRegardToCase) {
    Put("ThumbView.dat", "2\r\n");
    Put("DefMail.dat", "1\r\n");
    EXPECT_EQ(ReadThumbSize(), 2);
    EXPECT_EQ(ReadDefaultMail(), 1);
    WriteThumbSize(3);
    EXPECT_EQ(Read("ThumbView.dat"), "3\r\n");
    EXPECT_EQ(Read("thumbview.dat"), "<missing>");
}

TEST_F(SettingsFiles, RepeatAreaForACaptureTellsABrokenFileFromAMissingOne) {
    struct Case {
        std::optional<std::string> Content; // nullopt: no file
        std::string Expected;               // the rectangle, "none", or the error's text
    };
    const Case cases[] = {
        {std::nullopt, "none"},
        {"100\r\n100\r\n500\r\n400\r\n", "100,100,500,400"},
        {"100\r\n100\r\n500\r\n400\r\nmore\r\n", "100,100,500,400"},
        {"", "\"repeat.dat\" holds no area: line 1 is missing"},
        {"100\r\n100\r\n500\r\n", "\"repeat.dat\" holds no area: line 4 is missing"},
        {"100\r\nabc\r\n500\r\n400\r\n",
         "\"repeat.dat\" holds no area: line 2 is \"abc\" instead of a whole number"},
        {"99999999999\r\n100\r\n500\r\n400\r\n",
         "\"repeat.dat\" holds no area: line 1 is \"99999999999\" instead of a whole number"},
        {std::string("\x01\xff") + std::string(40, 'x') + "\r\n",
         "\"repeat.dat\" holds no area: line 1 is \"??xxxxxxxxxxxxxxxxxx...\" instead of a "
         "whole number"},
        {"500\r\n100\r\n100\r\n400\r\n",
         "\"repeat.dat\" holds no area: left (500) is not less than right (100)"},
        {"100\r\n400\r\n500\r\n400\r\n",
         "\"repeat.dat\" holds no area: top (400) is not less than bottom (400)"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(Work());
        EnsureWorkFolder();
        if (c.Content)
            Put("repeat.dat", *c.Content);
        std::string actual;
        try {
            actual = Show(ReadRepeatRectStrict());
        } catch (const EFileError& error) {
            actual = error.what();
        }
        EXPECT_EQ(actual, c.Expected) << c.Content.value_or("<missing>");
        EXPECT_EQ(RepeatRectStored(), c.Content.has_value());
    }
}
