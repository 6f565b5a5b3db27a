// The rotate and wave windows: their previews from the master copy, the centre bars, Keep
// and Discard through the transfer file, and the editor's commands that open them.
#include "tests/editor/editor_fixture.h"

#include "editor/frm_rotate.h"
#include "editor/frm_wave.h"
#include "imaging/adjust_effects.h"
#include "imaging/fast_effects.h"
#include "tests/fakes/fake_dialogs.h"
#include "widgets/fast_img.h"

#include <QCheckBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

namespace {

// No pixel is black, and every pixel differs from every other.
TDibGraphic Picture(int width, int height) {
    return MakeImage(width, height,
                     [](int x, int y) { return MakeColor(10 + 5 * x, 20 + 7 * y, 200); });
}

std::vector<uint32_t> Shown(const TFastPreviewDialog& dialog) {
    const TFastDIB& buffer = dialog.fImage->Buffer();
    std::vector<uint32_t> pixels;
    for (int y = 0; y < buffer.Height(); ++y)
        for (int x = 0; x < buffer.Width(); ++x)
            pixels.push_back(buffer.PixelColor(x, y));
    return pixels;
}

// A window of its own, handed `image` as the editor hands it over: the transfer file loaded
// into the picture, the file named, the window shown.
class PreviewWindow : public ::testing::Test {
protected:
    template <class TWindow> std::unique_ptr<TWindow> Open(const TDibGraphic& image) {
        auto window = std::make_unique<TWindow>(Dialogs);
        TrueColorFastDIB(image).SaveToFile(LocalPath(TransferFile()));
        window->fImage->SetPicture(TransferFile());
        window->SetTransferFile(TransferFile());
        window->show();
        return window;
    }
    QString TransferFile() const { return Folder.filePath("del1.bmp"); }
    static std::string LocalPath(const QString& path) {
        return QFile::encodeName(path).toStdString();
    }
    TDibGraphic TransferImage() const { return LoadImageFile(LocalPath(TransferFile())); }

    QTemporaryDir Folder;
    TFakeDialogs Dialogs;
};

} // namespace

// --- Rotate ------------------------------------------------------------------------------------

TEST_F(PreviewWindow, RotateShowsThePictureAsLoadedUntilABarMoves) {
    const TDibGraphic image = Picture(40, 20);
    auto rotate = Open<TfrmRotate>(image);
    EXPECT_EQ(rotate->windowTitle(), "Rotate");
    EXPECT_EQ(rotate->size(), QSize(600, 400));
    EXPECT_EQ(rotate->Panel->height(), 93);
    EXPECT_EQ(rotate->sAmount->minimum(), 0);
    EXPECT_EQ(rotate->sAmount->maximum(), 3600);
    EXPECT_EQ(rotate->sAmount->pageStep(), 100);
    EXPECT_EQ(rotate->sAmount->value(), 0);
    EXPECT_TRUE(rotate->btnCenter->isChecked());
    EXPECT_FALSE(rotate->btnWrap->isChecked());
    EXPECT_TRUE(rotate->btnKeep->isDefault());
    EXPECT_EQ(rotate->btnCancel->text(), "Discard");
    EXPECT_EQ(rotate->fImage->size(), QSize(40, 20));
    EXPECT_EQ(Shown(*rotate), Pixels(image));
}

TEST_F(PreviewWindow, RotateBy900TenthsTurnsAQuarterClockwiseAboutTheCentreAndWrapFillsAll) {
    const TDibGraphic image = Picture(40, 20);
    auto rotate = Open<TfrmRotate>(image);
    rotate->sAmount->setValue(900);

    // A quarter turn clockwise about (20, 10): the picture shows at (x, y) what lay at
    // (20 + (y - 10), 10 - (x - 20)); what lies outside the picture is black.
    const TFastDIB& shown = rotate->fImage->Buffer();
    ASSERT_EQ(shown.Width(), 40);
    ASSERT_EQ(shown.Height(), 20);
    int black = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const int sx = 20 + (y - 10), sy = 10 - (x - 20);
            const bool inside = sx >= 0 && sx < 40 && sy >= 0 && sy < 20;
            EXPECT_EQ(shown.PixelColor(x, y), inside ? image.Pixel(sx, sy) : 0u) << x << "," << y;
            black += inside ? 0 : 1;
        }
    EXPECT_EQ(black, 40 * 20 - 20 * 20); // the corners fell outside

    rotate->btnWrap->click();
    for (const uint32_t pixel : Shown(*rotate))
        EXPECT_NE(pixel, 0u);
    // Back to 0: the picture as loaded, whatever was shown before.
    rotate->sAmount->setValue(0);
    EXPECT_EQ(Shown(*rotate), Pixels(image));
}

TEST_F(PreviewWindow, UncheckingAutoCenterEnablesTheCentreBarsOverThePicture) {
    const TDibGraphic image = Picture(40, 20);
    auto rotate = Open<TfrmRotate>(image);
    EXPECT_FALSE(rotate->xCenter->isEnabled());
    EXPECT_FALSE(rotate->yCenter->isEnabled());

    rotate->btnCenter->click();
    EXPECT_TRUE(rotate->xCenter->isEnabled());
    EXPECT_TRUE(rotate->yCenter->isEnabled());
    EXPECT_EQ(rotate->xCenter->minimum(), 0);
    EXPECT_EQ(rotate->xCenter->maximum(), 40);
    EXPECT_EQ(rotate->yCenter->minimum(), 0);
    EXPECT_EQ(rotate->yCenter->maximum(), 20);
    EXPECT_EQ(rotate->xCenter->value(), 20);
    EXPECT_EQ(rotate->yCenter->value(), 10);

    // About the top-left corner: column 0 shows the top row, column 1 on lies outside.
    rotate->xCenter->setValue(0);
    rotate->yCenter->setValue(0);
    rotate->sAmount->setValue(900);
    const TFastDIB& shown = rotate->fImage->Buffer();
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(shown.PixelColor(0, y), image.Pixel(y, 0)) << y;
        EXPECT_EQ(shown.PixelColor(1, y), 0u) << y;
    }

    // Checked again: the bars are off and the centre is the middle once more.
    rotate->btnCenter->click();
    EXPECT_FALSE(rotate->xCenter->isEnabled());
    EXPECT_EQ(shown.PixelColor(20, 10), image.Pixel(20, 10));
}

TEST_F(PreviewWindow, KeepWritesThePreviewIntoTheTransferFileAndDiscardWritesNothing) {
    const TDibGraphic image = Picture(12, 12);
    {
        auto rotate = Open<TfrmRotate>(image);
        rotate->sAmount->setValue(1800);
        rotate->btnCancel->click();
        EXPECT_EQ(rotate->result(), QDialog::Rejected);
        EXPECT_EQ(Pixels(TransferImage()), Pixels(image));
    }
    auto rotate = Open<TfrmRotate>(image);
    rotate->sAmount->setValue(1800);
    const std::vector<uint32_t> preview = Shown(*rotate);
    rotate->btnKeep->click();
    EXPECT_EQ(rotate->result(), QDialog::Accepted);
    EXPECT_EQ(Pixels(TransferImage()), preview);
    EXPECT_NE(preview, Pixels(image));
}

// --- Wave --------------------------------------------------------------------------------------

TEST_F(PreviewWindow, WaveAtOneEqualsThePictureAndResetReturnsThere) {
    const TDibGraphic image = Picture(40, 30);
    auto wave = Open<TfrmWave>(image);
    EXPECT_EQ(wave->windowTitle(), "Wave Effects");
    EXPECT_EQ(wave->Panel->height(), 85);
    for (const QScrollBar* bar : {wave->xAmount, wave->yAmount, wave->zAmount}) {
        EXPECT_EQ(bar->minimum(), 1);
        EXPECT_EQ(bar->maximum(), 20000);
        EXPECT_EQ(bar->value(), 1);
        EXPECT_EQ(bar->pageStep(), 100);
    }

    // Amplitude 0.05: every offset rounds to 0.
    wave->btnWrap->click();
    EXPECT_EQ(Shown(*wave), Pixels(image));
    wave->btnWrap->click();
    EXPECT_EQ(Shown(*wave), Pixels(image));

    wave->zAmount->setValue(200);
    wave->xAmount->setValue(300);
    wave->yAmount->setValue(500);
    EXPECT_NE(Shown(*wave), Pixels(image));
    wave->btnZero->click();
    EXPECT_EQ(wave->zAmount->value(), 1);
    EXPECT_EQ(wave->xAmount->value(), 1);
    EXPECT_EQ(wave->yAmount->value(), 1);
    EXPECT_EQ(Shown(*wave), Pixels(image));
}

TEST_F(PreviewWindow, EachWavePreviewStartsFromThePictureNotFromTheLastPreview) {
    const TDibGraphic image = Picture(40, 30);
    auto wave = Open<TfrmWave>(image);
    const TFastDIB master = TrueColorFastDIB(image);
    // Large waves first, then smaller ones: where the clipped wave takes no pixel the picture
    // shows as loaded, never a pixel an earlier position drew.
    for (const auto& [x, y, z] : {std::tuple{300, 500, 200}, {150, 150, 60}, {700, 200, 20}}) {
        wave->xAmount->setValue(x);
        wave->yAmount->setValue(y);
        wave->zAmount->setValue(z);
        TFastDIB expected(master);
        FastWave(master, expected, z * 0.05, x * 0.01, y * 0.01, TFastEdges::Clip);
        EXPECT_EQ(Shown(*wave), Pixels(TrueColorDibGraphic(expected))) << x << " " << y << " " << z;
    }
    wave->btnWrap->click();
    TFastDIB wrapped(master);
    FastWave(master, wrapped, 20 * 0.05, 7.0, 2.0, TFastEdges::Wrap);
    EXPECT_EQ(Shown(*wave), Pixels(TrueColorDibGraphic(wrapped)));
}

// --- Through the editor ------------------------------------------------------------------------

namespace {

// The user moves `bar` of the window to `position` and presses Keep or Discard.
template <class TWindow>
std::function<int(QDialog&)> Preview(QScrollBar* TWindow::*bar, int position, bool keep) {
    return [=](QDialog& dialog) {
        auto& window = dynamic_cast<TWindow&>(dialog);
        window.show();
        (window.*bar)->setValue(position);
        (keep ? window.btnKeep : window.btnCancel)->click();
        window.hide();
        return window.result();
    };
}

} // namespace

TEST_F(EditorTest, RotateByXYCoordinatesKeepsThePreviewAsTheImageWithAnUndoStep) {
    const TDibGraphic image = Picture(30, 20);
    TfrmEditorDriver& editor = OpenImage(image);

    Dialogs.ModalScripts.push_back(Preview<TfrmRotate>(&TfrmRotate::sAmount, 900, false));
    editor.Entry("&Image/&Rotate", "By &XY Coordinates")->trigger();
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
    EXPECT_EQ(editor.Undo().Steps(), 0);
    EXPECT_FALSE(editor.Modified());
    EXPECT_FALSE(std::filesystem::exists(Work() / "del1.bmp"));

    Dialogs.ModalScripts.push_back(Preview<TfrmRotate>(&TfrmRotate::sAmount, 900, true));
    editor.Entry("&Image/&Rotate", "By &XY Coordinates")->trigger();
    TFastDIB expected;
    expected.SetSize(30, 20, 24);
    FastRotate(TrueColorFastDIB(image), expected, 15, 10, 90, TFastEdges::Clip);
    EXPECT_EQ(Pixels(editor.Image()), Pixels(TrueColorDibGraphic(expected)));
    EXPECT_EQ(editor.Undo().Steps(), 1);
    EXPECT_TRUE(editor.Modified());
    EXPECT_FALSE(std::filesystem::exists(Work() / "del1.bmp"));
    EXPECT_EQ(Dialogs.Calls.back().Caption, "Rotate");

    Editor->Undo1Click();
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
}

TEST_F(EditorTest, WaveKeepsThePreviewAsTheImageWithAnUndoStep) {
    const TDibGraphic image = Picture(30, 20);
    TfrmEditorDriver& editor = OpenImage(image);

    Dialogs.ModalScripts.push_back(Preview<TfrmWave>(&TfrmWave::zAmount, 100, true));
    editor.Entry("&Image/Special &Effects", "&Wave")->trigger();
    const TFastDIB master = TrueColorFastDIB(image);
    TFastDIB expected(master);
    FastWave(master, expected, 5, 0.01, 0.01, TFastEdges::Clip);
    EXPECT_EQ(Pixels(editor.Image()), Pixels(TrueColorDibGraphic(expected)));
    EXPECT_NE(Pixels(editor.Image()), Pixels(image));
    EXPECT_EQ(editor.Undo().Steps(), 1);
    EXPECT_TRUE(editor.Modified());
    EXPECT_FALSE(std::filesystem::exists(Work() / "del1.bmp"));
    EXPECT_EQ(Dialogs.Calls.back().Caption, "Wave Effects");
}
