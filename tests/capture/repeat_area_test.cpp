#include "capture/repeat_area.h"

#include "tests/store/work_folder_fixture.h"

namespace {

using RepeatArea = TWorkFolderTest;

const char* const Advice =
    ". Select an area again with \"User-Defined Rectangle\" or \"User-Defined Circle\".";

} // namespace

TEST_F(RepeatArea, TheStoredAreaIsTakenOnlyWhenItLiesWhollyOnTheScreen) {
    struct Case {
        std::optional<std::string> Content; // nullopt: no file
        std::string Expected;               // the area as x,y wxh, "none", or the error's text
    };
    const Case cases[] = {
        {std::nullopt, "none"},
        {"100\r\n100\r\n500\r\n400\r\n", "100,100 400x300"},
        {"0\r\n0\r\n1280\r\n1024\r\n", "0,0 1280x1024"},
        {"10\r\n10\r\n13\r\n13\r\n", "10,10 3x3"},
        {"100\r\nabc\r\n500\r\n400\r\n",
         std::string("\"repeat.dat\" holds no area: line 2 is \"abc\" instead of a whole number") +
             Advice},
        {"500\r\n400\r\n100\r\n100\r\n",
         std::string("\"repeat.dat\" holds no area: left (500) is not less than right (100)") +
             Advice},
        {"-10\r\n0\r\n500\r\n400\r\n",
         std::string("The area in \"repeat.dat\" (left -10, top 0, right 500, bottom 400) does "
                     "not lie on the screen of 1280 x 1024 pixels") +
             Advice},
        {"1200\r\n0\r\n1400\r\n300\r\n",
         std::string("The area in \"repeat.dat\" (left 1200, top 0, right 1400, bottom 300) "
                     "does not lie on the screen of 1280 x 1024 pixels") +
             Advice},
        {"-2147483648\r\n0\r\n2147483647\r\n400\r\n",
         std::string("The area in \"repeat.dat\" (left -2147483648, top 0, right 2147483647, "
                     "bottom 400) does not lie on the screen of 1280 x 1024 pixels") +
             Advice},
        {"10\r\n10\r\n12\r\n400\r\n",
         std::string("The area in \"repeat.dat\" (left 10, top 10, right 12, bottom 400) is "
                     "too small to take again; it needs at least 3 x 3 pixels") +
             Advice},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(Work());
        EnsureWorkFolder();
        if (c.Content)
            Put("repeat.dat", *c.Content);
        std::string actual;
        try {
            const auto area = ReadRepeatArea(QSize(1280, 1024));
            actual = area ? std::to_string(area->x()) + "," + std::to_string(area->y()) + " " +
                                std::to_string(area->width()) + "x" + std::to_string(area->height())
                          : "none";
        } catch (const EFileError& error) {
            actual = error.what();
        }
        EXPECT_EQ(actual, c.Expected) << c.Content.value_or("<missing>");
        EXPECT_EQ(RepeatAreaStored(), c.Content.has_value());
    }
}

TEST_F(RepeatArea, AnAreaIsStoredAsLeftTopRightBottom) {
    EnsureWorkFolder();
    WriteRepeatArea(QRect(100, 100, 400, 300));
    EXPECT_EQ(Read("repeat.dat"), "100\r\n100\r\n500\r\n400\r\n");
    EXPECT_EQ(ReadRepeatArea(QSize(1280, 1024)), QRect(100, 100, 400, 300));
}
