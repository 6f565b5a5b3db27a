// The resize window, the size the editor fits the picture into, and the editor's Resize.
#include "tests/editor/editor_fixture.h"

#include "editor/frm_resize.h"
#include "imaging/resample.h"
#include "tests/fakes/fake_dialogs.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cmath>

namespace {

class ResizeWindow : public ::testing::Test {
protected:
    // The window as the editor opens it on a picture of `width` x `height`.
    std::unique_ptr<TfrmResize> Open(int width, int height) {
        Choice = {0, 0, true};
        auto window = std::make_unique<TfrmResize>(Dialogs, Choice);
        window->SetStartSize(width, height);
        window->show();
        return window;
    }
    QString Messages() const { return Dialogs.MessageLog().join("; "); }

    TFakeDialogs Dialogs;
    TResizeChoice Choice;
};

} // namespace

TEST_F(ResizeWindow, StartsWithThePictureSizeAndCustomSizeChecked) {
    auto resize = Open(1000, 500);
    EXPECT_EQ(resize->windowTitle(), "Resize");
    EXPECT_EQ(resize->grpSize->title(), " Select New Size ");
    EXPECT_EQ(resize->edWidth->text(), "1000");
    EXPECT_EQ(resize->edHeight->text(), "500");
    EXPECT_TRUE(resize->optCustom->isChecked());
    EXPECT_FALSE(resize->cbRatio->isChecked());
    EXPECT_GE(resize->width(), 345);
    EXPECT_GE(resize->height(), 169);
    EXPECT_EQ(resize->minimumSize(), resize->maximumSize()); // a fixed frame
}

TEST_F(ResizeWindow, PresetsFillTheBoxesAndDropTheAspectRatio) {
    struct TCase {
        QRadioButton* TfrmResize::*Button;
        QString Width, Height;
    } cases[] = {{&TfrmResize::opt640by480, "640", "480"},
                 {&TfrmResize::opt800by600, "800", "600"},
                 {&TfrmResize::opt1024by768, "1024", "768"}};
    for (const TCase& test : cases) {
        auto resize = Open(1000, 500);
        resize->cbRatio->click();
        ASSERT_TRUE(resize->cbRatio->isChecked());
        (resize.get()->*test.Button)->click();
        EXPECT_EQ(resize->edWidth->text(), test.Width);
        EXPECT_EQ(resize->edHeight->text(), test.Height);
        EXPECT_FALSE(resize->cbRatio->isChecked());
        resize->btnOK->click();
        EXPECT_EQ(Choice.ResizeWidth, test.Width.toInt());
        EXPECT_EQ(Choice.ResizeHeight, test.Height.toInt());
        EXPECT_FALSE(Choice.KeepAspect);
        EXPECT_TRUE(resize->isHidden());
    }
    EXPECT_EQ(Messages(), "");
}

TEST_F(ResizeWindow, TheAspectRatioProposesTheOtherSide) {
    auto resize = Open(1000, 500);
    resize->opt800by600->click();
    // Checking the box goes back to Custom Size and fits the height to the width.
    resize->cbRatio->click();
    EXPECT_TRUE(resize->optCustom->isChecked());
    EXPECT_EQ(resize->edHeight->text(), "400");

    resize->edWidth->setText("300");
    EXPECT_EQ(resize->edHeight->text(), "150");
    resize->edWidth->setText("301"); // 150.5: halves to the even neighbour
    EXPECT_EQ(resize->edHeight->text(), "150");
    resize->edWidth->setText("303"); // 151.5
    EXPECT_EQ(resize->edHeight->text(), "152");
    resize->edWidth->setText("30x"); // no number yet: the height stays, nothing is said
    EXPECT_EQ(resize->edHeight->text(), "152");

    // Leaving the height box fits the width to the height.
    resize->edHeight->setText("120");
    resize->edHeightExit();
    EXPECT_EQ(resize->edWidth->text(), "240");
    EXPECT_EQ(resize->edHeight->text(), "120");

    resize->btnOK->click();
    EXPECT_EQ(Choice.ResizeWidth, 240);
    EXPECT_EQ(Choice.ResizeHeight, 120);
    EXPECT_TRUE(Choice.KeepAspect);
    EXPECT_EQ(Messages(), "");
}

TEST_F(ResizeWindow, OKRefusesWhatCannotBeASizeAndClosesWithoutOne) {
    const QString unchanged = "Error|Please enter a new Width or Height that is NOT\nthe same as "
                              "the original Width and Height.";
    const QString atLeastOne = "Error|Please enter a Width and a Height of at least 1 pixel.";
    struct TCase {
        QString Width, Height, Message;
    } cases[] = {
        {"1000", "500", unchanged},
        {" 1000", "500 ", unchanged},
        {"", "500", ""}, // an empty box records nothing, silently
        {"1000", "", ""},
        {"abc", "500", "Error|'abc' is not a valid integer value"},
        {"800", "6.5", "Error|'6.5' is not a valid integer value"},
        {"99999999999", "5", "Error|'99999999999' is not a valid integer value"},
        {"0", "500", atLeastOne},
        {"800", "-5", atLeastOne},
        {"100000", "100000",
         "Error|A picture of 100000 x 100000 pixels is larger than Karvin makes (300 million "
         "pixels at most)."},
    };
    for (const TCase& test : cases) {
        Dialogs.Calls.clear();
        if (!test.Message.isEmpty())
            Dialogs.MessageAnswers.push_back(TMsgResult::OK);
        auto resize = Open(1000, 500);
        resize->edWidth->setText(test.Width);
        resize->edHeight->setText(test.Height);
        resize->btnOK->click();
        EXPECT_EQ(Messages(), test.Message) << test.Width.toStdString();
        EXPECT_EQ(Choice.ResizeWidth, 0) << test.Width.toStdString();
        EXPECT_EQ(Choice.ResizeHeight, 0);
        EXPECT_TRUE(resize->isHidden());
    }
    // The icons: the unchanged size is an error, the sizes out of range are refused.
    Dialogs.Calls.clear();
    Dialogs.MessageAnswers.push_back(TMsgResult::OK);
    auto resize = Open(1000, 500);
    resize->btnOK->click();
    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Critical);
}

TEST_F(ResizeWindow, CancelAndEscLeaveNoSize) {
    auto resize = Open(1000, 500);
    Choice = {640, 480, true};
    resize->btnCancel->click();
    EXPECT_EQ(Choice.ResizeWidth, 0);
    EXPECT_EQ(Choice.ResizeHeight, 0);

    resize = Open(1000, 500);
    Choice = {640, 480, true};
    resize->reject(); // Esc and the close box
    EXPECT_EQ(Choice.ResizeWidth, 0);
}

// The fitting the editor does, step by step as described: the chosen width narrowed one pixel
// at a time (or the height, for a tall picture).
TPixelSize StepwiseFit(int width, int height, int chosenWidth, int chosenHeight) {
    int w = chosenWidth, h = chosenHeight;
    if (height < width)
        do {
            h = int(std::nearbyint(double(w) * height / width));
            if (h > chosenHeight)
                --w;
        } while (h > chosenHeight);
    else
        do {
            w = int(std::nearbyint(double(h) * width / height));
            if (w > chosenWidth)
                --h;
        } while (w > chosenWidth);
    return {w, h};
}

TEST(ResizedSize, KeepsTheChosenSizeOrFitsThePictureIntoIt) {
    struct TCase {
        int Width, Height;
        TResizeChoice Choice;
        TPixelSize Size;
    } cases[] = {
        {1000, 500, {800, 600, false}, {800, 600}}, // without the ratio: exactly as chosen
        {1000, 500, {800, 600, true}, {800, 400}},
        {1000, 500, {800, 300, true}, {601, 300}}, // 300.5 rounds to 300
        {500, 1000, {800, 600, true}, {300, 600}},
        {640, 640, {100, 300, true}, {100, 100}},
        {1001, 500, {301, 1000, true}, {301, 150}}, // 150.35
        // A side that would round to 0 is 1: the picture never loses its pixels.
        {1000, 1, {100, 100, true}, {100, 1}},
        {1, 1000, {100, 100, true}, {1, 100}},
        // A far larger width than the height allows is found at once.
        {2000, 1000, {2'000'000'000, 10, true}, {21, 10}},
    };
    for (const TCase& test : cases) {
        const TPixelSize size = ResizedSize(test.Width, test.Height, test.Choice);
        EXPECT_EQ(size.Width, test.Size.Width) << test.Width << "x" << test.Height;
        EXPECT_EQ(size.Height, test.Size.Height) << test.Width << "x" << test.Height;
    }
    // Wherever the stepwise fit has pixels, the result is the same.
    for (const auto& [width, height] : {std::pair{1000, 500}, {333, 999}, {7, 3}, {640, 480}})
        for (int chosenWidth = 1; chosenWidth <= 60; chosenWidth += 7)
            for (int chosenHeight = 1; chosenHeight <= 60; chosenHeight += 5) {
                const TPixelSize stepwise = StepwiseFit(width, height, chosenWidth, chosenHeight);
                if (stepwise.Width < 1 || stepwise.Height < 1)
                    continue;
                EXPECT_EQ(ResizedSize(width, height, {chosenWidth, chosenHeight, true}), stepwise)
                    << width << "x" << height << " into " << chosenWidth << "x" << chosenHeight;
            }
}

// --- Through the editor ------------------------------------------------------------------------

namespace {

// The user types `width` and `height` (or clicks 800 x 600) and presses OK.
std::function<int(QDialog&)> ResizeTo(const QString& width, const QString& height) {
    return [=](QDialog& dialog) {
        auto& resize = dynamic_cast<TfrmResize&>(dialog);
        EXPECT_EQ(resize.windowTitle(), "Resize");
        if (width == "800 x 600") {
            resize.opt800by600->click();
        } else {
            resize.edWidth->setText(width);
            resize.edHeight->setText(height);
        }
        resize.btnOK->click();
        return resize.result();
    };
}

} // namespace

TEST_F(EditorTest, ResizeResamplesWithLanczos3ToTheChosenSize) {
    const TDibGraphic image = Gradient(100, 50);
    TfrmEditorDriver& editor = OpenImage(image);

    Dialogs.ModalScripts.push_back(ResizeTo("800 x 600", ""));
    editor.Entry("&Image", "&Resize")->trigger();
    ASSERT_EQ(editor.Image().Width(), 800);
    ASSERT_EQ(editor.Image().Height(), 600);
    TDibGraphic expected;
    expected.NewImage(800, 600, ifTrueColor);
    const TResampleFilter& lanczos3 = ResampleFilters[Lanczos3FilterIndex];
    ResampleStretch(image, expected, lanczos3.Function, lanczos3.Support);
    EXPECT_EQ(Pixels(editor.Image()), Pixels(expected));
    EXPECT_EQ(editor.Status(), "800 x 600");
    EXPECT_EQ(editor.Undo().Steps(), 1);
    EXPECT_TRUE(editor.Modified());

    Editor->Undo1Click();
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
}

TEST_F(EditorTest, ResizeWithTheStartingSizeOrBadNumbersChangesNothing) {
    const TDibGraphic image = Gradient(100, 50);
    TfrmEditorDriver& editor = OpenImage(image);
    for (const auto& [width, height] :
         {std::pair<QString, QString>{"100", "50"}, {"0", "50"}, {"x", "50"}, {"", ""}}) {
        if (!width.isEmpty())
            Dialogs.MessageAnswers.push_back(TMsgResult::OK);
        Dialogs.ModalScripts.push_back(ResizeTo(width, height));
        editor.Entry("&Image", "&Resize")->trigger();
        EXPECT_EQ(Pixels(editor.Image()), Pixels(image)) << width.toStdString();
        EXPECT_EQ(editor.Undo().Steps(), 0);
        EXPECT_FALSE(editor.Modified());
    }
    EXPECT_EQ(Dialogs.MessageLog().size(), 3);
}
