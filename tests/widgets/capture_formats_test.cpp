#include "widgets/capture_formats.h"

#include "imaging/dib_graphic.h"

#include <gtest/gtest.h>

TEST(CaptureFormats, ExtensionsOfTheSettingsNumbers) {
    const char* expected[] = {".BMP", ".GIF", ".JPG", ".PCX", ".PNG", ".TGA", ".TIF"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(CaptureFormatExtension(i), expected[i]);
    EXPECT_THROW(CaptureFormatExtension(7), EImageError);
    EXPECT_THROW(CaptureFormatExtension(-1), EImageError);
}

TEST(CaptureFormats, EachFormatIsWrittenByTheCodecOfItsExtension) {
    for (std::size_t n = 0; n < CaptureFormats.size(); ++n) {
        const TCaptureFormatInfo& format = CaptureFormats[n];
        EXPECT_EQ(int(format.Format), int(n));
        EXPECT_EQ(ImageFileFormatOf(std::string("a") + format.Extension).Codec, format.Codec);
        EXPECT_EQ(ImageFileFormatOf(std::string("a") + format.SaveExtension).Codec, format.Codec);
        EXPECT_EQ(SaveTypeOf(format.SaveExtension), int(n) + 1);
    }
    EXPECT_EQ(SaveTypeOf(".jpeg"), 0);
}

TEST(CaptureFormats, MessageTextsListTheSevenFormats) {
    EXPECT_EQ(SaveExtensionList(), ".bmp,.gif,.jpg,.pcx,.png,.tga,or .tif");
    EXPECT_EQ(SaveFormatNames(), "BMP, GIF, JPG, PCX, PNG, TGA, and TIF");
}
