// The JPEG quality window: where it starts from "jpeg.cfg", the preview it makes, and what
// it stores.
#include "output/frm_jpeg_compression.h"

#include "imaging/format_registry.h"
#include "tests/fakes/fake_dialogs.h"
#include "tests/imaging/test_images.h"
#include "tests/store/work_folder_fixture.h"
#include "widgets/image_scroll_box.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

namespace {

class JpegWindow : public TWorkFolderTest {
protected:
    void SetUp() override {
        TWorkFolderTest::SetUp();
        EnsureWorkFolder();
    }
    std::string Encoded(const TJpegOptions& options) const {
        const auto bytes = EncodeImage(Source, TImageCodec::Jpeg, options);
        return std::string(bytes.begin(), bytes.end());
    }
    TFakeDialogs Dialogs;
    TDibGraphic Source = MakeNoise(64, 48);
};

} // namespace

TEST_F(JpegWindow, ShowsItsCaptionAndTexts) {
    TfrmJPEGCompression window(Dialogs, Source);
    EXPECT_EQ(window.windowTitle(), "JPEG Save Options");
    EXPECT_EQ(window.lbCompression->text(), "Compression");
    EXPECT_EQ(window.lbMeter->text(), "  0........................50.......................100");
    EXPECT_EQ(window.cbProgressive->text(), "Progressive Encoding");
    EXPECT_EQ(window.lbNote->text(), "Note:");
    EXPECT_EQ(window.lbWarning->text(), "Higher compression means lower picture quality.");
    EXPECT_EQ(window.tbCompress->minimum(), 0);
    EXPECT_EQ(window.tbCompress->maximum(), 10);
    EXPECT_EQ(window.tbCompress->tickPosition(), QSlider::TicksBelow);
    EXPECT_EQ(window.pnlPreview->width(), 270);
}

TEST_F(JpegWindow, StartsWhereTheStoredQualityIs) {
    struct TCase {
        std::string Stored; // "" for no file
        int Position;
        bool Progressive;
    };
    const TCase cases[] = {
        {"", 0, false},           {"100\r\n0\r\n", 0, false},
        {"30\r\n1\r\n", 7, true}, {"35\r\n0\r\n", 6, false},
        {"0\r\n1\r\n", 10, true}, {"5\r\n2\r\n", 9, false},
    };
    for (const TCase& test : cases) {
        std::filesystem::remove(Work() / "jpeg.cfg");
        if (!test.Stored.empty())
            Put("jpeg.cfg", test.Stored);

        TfrmJPEGCompression window(Dialogs, Source);

        EXPECT_EQ(window.tbCompress->value(), test.Position) << test.Stored;
        EXPECT_EQ(window.cbProgressive->isChecked(), test.Progressive) << test.Stored;
    }
    // Putting the stored position in is no change of the user's: no preview was made.
    EXPECT_EQ(Read("del1.jpg"), "<missing>");
}

TEST_F(JpegWindow, MovingTheSliderShowsTheImageAtThatQuality) {
    TfrmJPEGCompression window(Dialogs, Source);
    window.testImage->AssignImage(Source);
    window.cbProgressive->setChecked(true);

    window.tbCompress->setValue(8);

    EXPECT_EQ(Read("del1.jpg"), Encoded({20, true}));
    EXPECT_EQ(Pixels(window.testImage->Graphic()),
              Pixels(LoadImageFile((Work() / "del1.jpg").string())));

    // The box alone does not make a new preview.
    window.cbProgressive->setChecked(false);
    EXPECT_EQ(Read("del1.jpg"), Encoded({20, true}));
    window.tbCompress->setValue(10);
    EXPECT_EQ(Read("del1.jpg"), Encoded({0, false}));
    // Nothing is stored until OK.
    EXPECT_EQ(Read("jpeg.cfg"), "<missing>");
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(JpegWindow, WithoutPreviewTheSliderMakesNone) {
    TfrmJPEGCompression window(Dialogs, Source);
    window.tbCompress->setValue(5);
    EXPECT_EQ(Read("del1.jpg"), "<missing>");
    EXPECT_TRUE(window.testImage->Graphic().Empty());
}

TEST_F(JpegWindow, ShowingItMakesAPalettePreviewTrueColour) {
    TfrmJPEGCompression window(Dialogs, Source);
    window.testImage->AssignImage(
        MakeIndexImage(8, 8, ifColor16, [](int x, int y) { return (x + y) % 16; }));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.testImage->Graphic().ImageFormat(), ifTrueColor);
    EXPECT_GE(window.width(), 462);
    EXPECT_GE(window.height(), 182);
}

TEST_F(JpegWindow, OkStoresTheQualityAndTheBoxOtherwiseNothingIsStored) {
    Put("jpeg.cfg", "50\r\n0\r\n");
    {
        TfrmJPEGCompression window(Dialogs, Source);
        window.show();
        window.tbCompress->setValue(10);
        window.cbProgressive->setChecked(true);
        window.close();
        EXPECT_EQ(Read("jpeg.cfg"), "50\r\n0\r\n");
    }
    TfrmJPEGCompression window(Dialogs, Source);
    window.show();
    window.tbCompress->setValue(10);
    window.cbProgressive->setChecked(true);

    window.btnOK->click();

    EXPECT_EQ(Read("jpeg.cfg"), "0\r\n1\r\n");
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}
