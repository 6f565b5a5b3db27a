// The adjust dialog as the editor's menus open it: caption, bar, label and effect of every
// entry, the preview that follows the bars, Keep with an undo step and Discard.
#include "tests/editor/editor_fixture.h"

#include "editor/frm_adjust.h"
#include "imaging/image_limits.h"
#include "platform/dib_qimage.h"
#include "widgets/fast_img.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace {

// The preview expected for the image at the dialog's bars.
TFastDIB Expected(const TDibGraphic& image, const TfrmAdjust& dialog) {
    TAdjustment adjustment;
    adjustment.Mode = dialog.AdjustMode();
    adjustment.Kind = dialog.AdjustKind();
    adjustment.Position = dialog.sbAdjust->value();
    adjustment.Intensity = dialog.sbTurb->value();
    adjustment.Seed = dialog.Seed();
    return AdjustedCopy(TrueColorFastDIB(image), adjustment);
}

std::vector<uint32_t> Colours(const TFastDIB& buffer) {
    return Pixels(TrueColorDibGraphic(buffer));
}

} // namespace

TEST_F(EditorTest, EachAdjustEntryOpensTheDialogWithItsCaptionBarAndEffect) {
    const struct {
        QString Menu, Entry, Caption;
        TAdjustMode Mode;
        int Kind, Position;
        QString Label;
        bool Intensity;
    } cases[] = {
        {"&Color/&Adjust", "&Brightness", "Brightness", TAdjustMode::Brightness, 0, 50, "50",
         false},
        {"&Color/&Adjust", "&Contrast", "Contrast", TAdjustMode::Contrast, 0, 50, "50", false},
        {"&Color/&Adjust", "&Saturation", "Saturation", TAdjustMode::Saturation, 0, 0, "0", false},
        {"&Image/Special &Effects/&Blur", "&Gaussian", "Gaussian Blur", TAdjustMode::Gaussian, 0, 0,
         "0", false},
        {"&Image/Special &Effects/&Blur", "&Split Blur", "Split Blur", TAdjustMode::SplitBlur, 0, 0,
         "0", false},
        {"&Image/Special &Effects/&Noise", "Color", "Color Noise", TAdjustMode::ColorNoise, 0, 0,
         "0", false},
        {"&Image/Special &Effects/&Noise", "&Mono", "Mono Noise", TAdjustMode::MonoNoise, 0, 0, "0",
         false},
        {"&Image/Special &Effects", "&Mosaic", "Mosaic", TAdjustMode::Mosaic, 0, 0, "0", false},
        {"&Image/Special &Effects", "&Fisheye", "FishEye", TAdjustMode::FishEye, 0, 0, "0", false},
        {"&Image/Special &Effects/&Color Effects", "X&Red", "Red", TAdjustMode::XRed, 0, 0, "0",
         true},
        {"&Image/Special &Effects/&Color Effects", "X&Green", "Green", TAdjustMode::XGreen, 0, 0,
         "0", true},
        {"&Image/Special &Effects/&Color Effects", "X&Blue", "Blue", TAdjustMode::XBlue, 0, 0, "0",
         true},
        {"&Image/Special &Effects/&Squeeze", "&Horizontal", "Horizontal Squeeze",
         TAdjustMode::Squeeze, 1, 0, "0", false},
        {"&Image/Special &Effects/&Squeeze", "&Top", "Top Squeeze", TAdjustMode::Squeeze, 2, 0, "0",
         false},
        {"&Image/Special &Effects/&Squeeze", "&Bottom", "Bottom Squeeze", TAdjustMode::Squeeze, 3,
         0, "0", false},
        {"&Image/Special &Effects/&Squeeze", "&Diamond", "Diamond Squeeze", TAdjustMode::Squeeze, 4,
         0, "0", false},
        {"&Image/Special &Effects/&Squeeze", "&Middle", "Middle Squeeze", TAdjustMode::Squeeze, 5,
         0, "0", false},
        {"&Image/Special &Effects/&Squeeze", "&Round", "Round Squeeze", TAdjustMode::Squeeze, 6, 0,
         "0", false},
        {"&Image/Special &Effects/&Squeeze", "Double R&ound", "Double Round Squeeze",
         TAdjustMode::Squeeze, 7, 0, "0", false},
        {"&Image/Special &Effects/S&plit", "&Round", "Split Round", TAdjustMode::Split, 1, 0, "0",
         false},
        {"&Image/Special &Effects/S&plit", "&Transpose", "Split Transpose", TAdjustMode::Split, 2,
         0, "0", false},
        {"&Image/Special &Effects/&Ripple", "&Tooth", "Ripple Tooth", TAdjustMode::RippleTooth, 0,
         0, "0", false},
        {"&Image/Special &Effects/&Ripple", "&Random", "Ripple Random", TAdjustMode::RippleRandom,
         0, 0, "0", false},
        {"&Image/Special &Effects/&Tile", "&Normal", "Tile Normal", TAdjustMode::TileNormal, 0, 100,
         "0", false},
        {"&Image/Special &Effects/&Tile", "&Overlap", "Tile Overlap", TAdjustMode::TileOverlap, 0,
         100, "0", false},
        {"&Image/Special &Effects", "Posteri&ze", "Posterize", TAdjustMode::Posterize, 0, 0, "0",
         false},
        {"&Image/Special &Effects", "Sol&arize", "Solarize", TAdjustMode::Solarize, 0, 0, "0",
         false},
    };
    const TDibGraphic image = MakeNoise(23, 17);
    TfrmEditorDriver& editor = OpenImage(image);
    for (const auto& c : cases) {
        SCOPED_TRACE((c.Menu + " " + c.Entry).toStdString());
        QAction* entry = editor.Entry(c.Menu, c.Entry);
        ASSERT_NE(entry, nullptr);
        bool seen = false;
        Dialogs.ModalScripts.push_back([&](QDialog& dialog) {
            auto& adjust = dynamic_cast<TfrmAdjust&>(dialog);
            seen = true;
            EXPECT_EQ(adjust.windowTitle(), c.Caption);
            EXPECT_EQ(adjust.AdjustMode(), c.Mode);
            EXPECT_EQ(adjust.AdjustKind(), c.Kind);
            EXPECT_EQ(adjust.sbAdjust->value(), c.Position);
            EXPECT_EQ(adjust.lblPosition->text(), c.Label);
            EXPECT_EQ(adjust.sbTurb->isVisibleTo(&adjust), c.Intensity);
            EXPECT_EQ(adjust.lblIntensity->isVisibleTo(&adjust), c.Intensity);
            EXPECT_EQ(adjust.sbTurb->value(), 50);
            // It opens on the image unchanged, whatever the bar's position.
            QCoreApplication::processEvents();
            EXPECT_EQ(Colours(adjust.Preview()), Pixels(image));
            EXPECT_EQ(adjust.Recomputations(), 0);
            // Moving the bars shows the effect there.
            adjust.sbAdjust->setValue(c.Position == 100 ? 3 : 7);
            adjust.sbTurb->setValue(20);
            QCoreApplication::processEvents();
            EXPECT_EQ(adjust.Recomputations(), 1);
            EXPECT_EQ(Colours(adjust.Preview()), Colours(Expected(image, adjust)));
            EXPECT_NE(Colours(adjust.Preview()), Pixels(image));
            adjust.btnCancel->click();
            return adjust.result();
        });
        entry->trigger();
        EXPECT_TRUE(seen);
        EXPECT_EQ(Pixels(editor.Image()), Pixels(image)); // discarded
        EXPECT_FALSE(editor.Modified());
        EXPECT_EQ(editor.Undo().Steps(), 0);
    }
    // The tool bar's Brightness and Contrast open the same.
    for (const char* button : {"tbBrightness", "tbContrast"}) {
        QString caption;
        TAdjustMode mode = TAdjustMode::None;
        Dialogs.ModalScripts.push_back([&](QDialog& dialog) {
            caption = dialog.windowTitle();
            mode = dynamic_cast<TfrmAdjust&>(dialog).AdjustMode();
            return int(QDialog::Rejected);
        });
        editor.ToolButton(button)->click();
        EXPECT_EQ(caption, QString(button).mid(2));
        EXPECT_EQ(mode, caption == "Brightness" ? TAdjustMode::Brightness : TAdjustMode::Contrast);
    }
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
}

TEST_F(EditorTest, ThePreviewFollowsTheBarsAndKeepStoresItWithAnUndoStep) {
    const TDibGraphic image = MakeNoise(31, 19);
    TfrmEditorDriver& editor = OpenImage(image);
    std::vector<uint32_t> kept;
    Dialogs.ModalScripts.push_back([&](QDialog& dialog) {
        auto& adjust = dynamic_cast<TfrmAdjust&>(dialog);
        EXPECT_EQ(adjust.size(), QSize(600, 430));
        EXPECT_EQ(adjust.Label1->text(), "Adjustment");
        EXPECT_EQ(adjust.lblIntensity->text(), "Intensity");
        EXPECT_EQ(adjust.btnOk->text(), "Keep");
        EXPECT_TRUE(adjust.btnOk->isDefault());
        EXPECT_EQ(adjust.btnCancel->text(), "Discard");
        for (QScrollBar* bar : {adjust.sbAdjust, adjust.sbTurb}) {
            EXPECT_EQ(bar->minimum(), 0);
            EXPECT_EQ(bar->maximum(), 100);
            EXPECT_EQ(bar->pageStep(), 10);
            EXPECT_EQ(bar->singleStep(), 1);
        }
        EXPECT_EQ(adjust.sbAdjust->width(), 185);
        EXPECT_EQ(adjust.sbTurb->width(), 121);
        // The picture control is as large as the picture, inside the scroll box.
        EXPECT_EQ(adjust.ScrollBox->widget(), adjust.imgAdjust);
        EXPECT_EQ(adjust.imgAdjust->size(), QSize(31, 19));

        // A quick drag: many positions, one recomputation with the last of them.
        for (int position = 51; position <= 80; ++position)
            adjust.sbAdjust->setValue(position);
        QCoreApplication::processEvents();
        EXPECT_EQ(adjust.Recomputations(), 1);
        EXPECT_EQ(Colours(adjust.Preview()), Colours(Expected(image, adjust)));
        // Positions set in code leave the label alone; the user's scrolling moves it.
        EXPECT_EQ(adjust.lblPosition->text(), "50");
        adjust.sbAdjust->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_EQ(adjust.lblPosition->text(), "81");
        adjust.sbAdjust->triggerAction(QAbstractSlider::SliderPageStepSub);
        EXPECT_EQ(adjust.lblPosition->text(), "71");
        // The arrow keys go the way they point.
        QTest::keyClick(adjust.sbAdjust, Qt::Key_Right);
        EXPECT_EQ(adjust.sbAdjust->value(), 72);
        EXPECT_EQ(adjust.lblPosition->text(), "72");
        QTest::keyClick(adjust.sbAdjust, Qt::Key_Left);
        QTest::keyClick(adjust.sbAdjust, Qt::Key_Left);
        EXPECT_EQ(adjust.lblPosition->text(), "70");
        // Keep with the move still waiting keeps what the bar shows.
        kept = Colours(Expected(image, adjust));
        EXPECT_NE(kept, Colours(adjust.Preview()));
        adjust.btnOk->click();
        return adjust.result();
    });
    editor.ToolButton("tbBrightness")->click();
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
    EXPECT_EQ(Pixels(editor.Image()), kept);
    EXPECT_NE(Pixels(editor.Image()), Pixels(image));
    EXPECT_TRUE(editor.Modified());
    EXPECT_TRUE(editor.UndoEnabled());
    EXPECT_EQ(editor.Undo().Steps(), 1);
    EXPECT_EQ(editor.Status(), "31 x 19");
    Editor->Undo1Click();
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
    EXPECT_FALSE(editor.Modified());
}

TEST_F(EditorTest, KeepRightAfterOpeningStoresTheImageUnchangedWithAnUndoStep) {
    // A palette image: the stored copy is true colour with the same colours.
    const TDibGraphic image =
        MakeIndexImage(9, 7, ifColor16, [](int x, int y) { return (x + y) % 16; });
    TfrmEditorDriver& editor = OpenImage(image, "pic1.pcx");
    // Solarize at 0 would invert nearly every pixel, and the tiles start at the bar's far end:
    // neither has been previewed yet, so Keep stores the image as it was.
    struct TCase {
        const char *Menu, *Entry;
    };
    const TCase cases[] = {{"&Image/Special &Effects", "Sol&arize"},
                           {"&Image/Special &Effects/&Tile", "&Normal"},
                           {"&Color/&Adjust", "&Brightness"}};
    int steps = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Entry);
        Dialogs.ModalScripts.push_back([&](QDialog& dialog) {
            auto& adjust = dynamic_cast<TfrmAdjust&>(dialog);
            adjust.btnOk->click();
            return adjust.result();
        });
        editor.Entry(c.Menu, c.Entry)->trigger();
        EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
        EXPECT_EQ(editor.Image().ImageFormat(), ifTrueColor);
        EXPECT_EQ(editor.Undo().Steps(), ++steps);
        EXPECT_TRUE(editor.Modified());
        EXPECT_TRUE(editor.UndoEnabled());
    }
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
    // The first undo step is the palette image itself.
    EXPECT_EQ(editor.Undo().Step(0).ImageFormat(), ifColor16);
}

TEST_F(EditorTest, APreviewWithoutMemoryIsReportedAndKeepStoresThePictureShown) {
    const TDibGraphic image = MakeNoise(200, 100);
    TfrmEditorDriver& editor = OpenImage(image);
    std::vector<uint32_t> shown;
    Dialogs.ModalScripts.push_back([&](QDialog& dialog) {
        auto& adjust = dynamic_cast<TfrmAdjust&>(dialog);
        adjust.sbAdjust->setValue(80);
        QCoreApplication::processEvents();
        shown = Colours(adjust.Preview());
        // No room for another copy of the picture: the next preview fails with a message,
        // and the one before stays.
        SetWorkingMemoryBudget(WorkingMemoryInUse() + 1000);
        Answer(TMsgResult::OK);
        adjust.sbAdjust->setValue(20);
        QCoreApplication::processEvents();
        SetWorkingMemoryBudget(0);
        EXPECT_EQ(Dialogs.MessageLog().size(), 1);
        EXPECT_TRUE(Dialogs.MessageLog().value(0).startsWith("Error|"));
        EXPECT_EQ(Colours(adjust.Preview()), shown);
        adjust.btnOk->click();
        return adjust.result();
    });
    editor.ToolButton("tbBrightness")->click();
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
    EXPECT_EQ(Pixels(editor.Image()), shown);
    EXPECT_EQ(editor.Undo().Steps(), 1);
}

TEST_F(EditorTest, OnAPaletteScreenTheKeptPictureComesThroughTheClipboard) {
    Screen.ColorCount = 256;
    const TDibGraphic image = MakeNoise(12, 9);
    TfrmEditorDriver& editor = OpenImage(image);
    Dialogs.ModalScripts.push_back([&](QDialog& dialog) {
        auto& adjust = dynamic_cast<TfrmAdjust&>(dialog);
        adjust.sbAdjust->setValue(30);
        adjust.btnOk->click();
        return adjust.result();
    });
    editor.Entry("&Image/Special &Effects", "Posteri&ze")->trigger();
    ASSERT_FALSE(Clipboard.Image.isNull());
    EXPECT_EQ(Pixels(QImageToDib(Clipboard.Image)), Pixels(editor.Image()));
    EXPECT_NE(Pixels(editor.Image()), Pixels(image));
    EXPECT_TRUE(editor.UndoEnabled());
}
