// The thumbnail viewer, opened from the main window as the user opens it and played inside its
// modal loop: opening and its settings files, the grid of the capture list, selection, and the
// commands on the selected thumbnails.
#include "thumbs/frm_thumb.h"

#include "store/attach_list.h"
#include "store/settings_files.h"
#include "tests/app/frm_main_fixture.h"
#include "tests/imaging/test_images.h"
#include "tests/thumbs/frm_thumb_driver.h"
#include "thumbs/thumb_view_grid.h"
#include "widgets/capture_list.h"
#include "widgets/image_scroll_box.h"

#include <QTest>

#include <functional>

namespace fs = std::filesystem;

namespace {

class ThumbViewer : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        Screen.Pixels.NewImage(1024, 768, ifTrueColor);
    }
    // `count` small captures, pic1.bmp .. picN.bmp, listed at the start.
    std::unique_ptr<TfrmMainDriver> StartWith(int count) {
        for (int i = 1; i <= count; ++i)
            PutImage("pic" + std::to_string(i) + ".bmp", MakeNoise(40, 30, unsigned(i)));
        return StartShown();
    }
    // Opens the viewer with `open` and plays `user` in it once its thumbnails are made.
    void InViewer(const std::function<void()>& open, const std::function<void(TfrmThumb&)>& user) {
        Dialogs.ModalScripts.push_back([&, user](QDialog& dialog) {
            auto& viewer = dynamic_cast<TfrmThumb&>(dialog);
            viewer.show();
            viewer.LoadThumbnails();
            WaitForPass(viewer);
            user(viewer);
            if (viewer.isVisible())
                viewer.close();
            return viewer.result();
        });
        open();
    }
    static void WaitForPass(TfrmThumb& viewer) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !viewer.Grid().Loading(); }, 20000));
        QCoreApplication::processEvents();
    }
    static void Click(TfrmThumb& viewer, int n, Qt::KeyboardModifiers keys = {},
                      Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(viewer.Grid().PictureWidget(n), button, keys);
    }
    static std::vector<int> Selected(TfrmThumb& viewer) {
        return viewer.Grid().Selection().Numbers();
    }
};

TEST_F(ThumbViewer, AnEmptyListOpensNothing) {
    auto window = StartShown();
    window->tbThumbsClick();
    window->Small2Click();
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(ThumbViewer, EveryOpeningCommandShowsAtMost255AfterOneWarning) {
    auto window = StartWith(300);
    const std::vector<std::pair<void (TfrmMain::*)(), std::pair<int, int>>> commands = {
        {&TfrmMain::Small1Click, {1, 0}},  {&TfrmMain::Medium1Click, {2, 0}},
        {&TfrmMain::Large1Click, {3, 0}},  {&TfrmMain::Small2Click, {1, 2}},
        {&TfrmMain::Medium2Click, {2, 2}}, {&TfrmMain::Large2Click, {3, 2}},
    };
    for (const auto& [command, codes] : commands) {
        Dialogs.Calls.clear();
        Dialogs.MessageAnswers = {TMsgResult::OK};
        int count = -1, size = 0, quality = -1;
        Dialogs.ModalScripts.push_back([&](QDialog& dialog) {
            auto& viewer = dynamic_cast<TfrmThumb&>(dialog);
            viewer.show();
            count = viewer.Grid().Count();
            size = viewer.SizeCode();
            quality = viewer.Quality_();
            EXPECT_EQ(viewer.windowTitle(), "Thumbnail Viewer - 255 images");
            return 0;
        });
        (window.get()->*command)();
        EXPECT_EQ(count, 255);
        EXPECT_EQ(size, codes.first);
        EXPECT_EQ(quality, codes.second);
        EXPECT_EQ(Dialogs.MessageLog(),
                  QStringList{"Warning|The Thumbnail viewer has a limitation of 255 images.\n"
                              "Only the first 255 images will be displayed."});
        EXPECT_EQ(ReadThumbQuality(), codes.second);
    }
}

TEST_F(ThumbViewer, TheButtonTakesTheKeptSizeAndQuality) {
    auto window = StartWith(2);
    const auto open = [&] {
        std::pair<int, int> codes;
        Dialogs.ModalScripts.push_back([&](QDialog& dialog) {
            auto& viewer = dynamic_cast<TfrmThumb&>(dialog);
            codes = {viewer.SizeCode(), viewer.Quality_()};
            return 0;
        });
        window->ToolButton("tbThumbs")->click();
        return codes;
    };
    // Nothing kept: small, and the B-Spline filter; the button writes the size it opened with.
    EXPECT_EQ(open(), std::make_pair(1, 4));
    EXPECT_TRUE(fs::exists(Work() / "thumbview.dat"));
    WriteThumbSize(3);
    WriteThumbQuality(0);
    EXPECT_EQ(open(), std::make_pair(3, 0));
}

TEST_F(ThumbViewer, ShowsTheListAndSelectsWithTheMouse) {
    auto window = StartWith(12);
    InViewer([&] { window->Small1Click(); },
             [&](TfrmThumb& viewer) {
                 EXPECT_EQ(viewer.Grid().Count(), 12);
                 EXPECT_EQ(viewer.Grid().FrameGeometry(10), QRect(20, 138, 88, 68));
                 EXPECT_EQ(viewer.Grid().LabelText(1), "pic1.bmp");
                 EXPECT_EQ(viewer.Grid().Picture(1).size(), QSize(80, 60));
                 EXPECT_TRUE(TfrmThumbDriver::ViewEntry(viewer, 0)->isChecked());

                 // A press shows the thumbnail's image in the main window, with its row selected.
                 Click(viewer, 3);
                 EXPECT_EQ(window->List()->SelectedRows(), QList<int>{2});
                 EXPECT_EQ(window->ImageView()->FileName(), window->Paths()[2]);
                 EXPECT_EQ(viewer.StatusText(), window->Paths()[2]);
                 Click(viewer, 7, Qt::ShiftModifier);
                 EXPECT_EQ(Selected(viewer), (std::vector<int>{3, 4, 5, 6, 7}));
                 Click(viewer, 10, Qt::ShiftModifier);
                 EXPECT_EQ(Selected(viewer), (std::vector<int>{7, 8, 9, 10}));
                 Click(viewer, 8, Qt::ControlModifier);
                 EXPECT_EQ(Selected(viewer), (std::vector<int>{7, 9, 10}));
             });
    // Closing writes the size code.
    EXPECT_EQ(ReadThumbSize(), 1);
}

TEST_F(ThumbViewer, SizeAndQualityEntriesRebuildUnlessAlreadyChecked) {
    auto window = StartWith(3);
    InViewer([&] { window->Medium1Click(); },
             [&](TfrmThumb& viewer) {
                 Click(viewer, 2);
                 // The checked entry changes nothing, not even the selection.
                 TfrmThumbDriver::ViewEntry(viewer, 1)->trigger();
                 EXPECT_EQ(Selected(viewer), std::vector<int>{2});
                 EXPECT_TRUE(TfrmThumbDriver::ViewEntry(viewer, 1)->isChecked());

                 TfrmThumbDriver::ViewEntry(viewer, 5)->trigger(); // High Quality, large
                 WaitForPass(viewer);
                 EXPECT_TRUE(Selected(viewer).empty());
                 EXPECT_EQ(viewer.SizeCode(), 3);
                 EXPECT_EQ(viewer.Grid().Picture(1).size(), QSize(160, 120));
                 EXPECT_EQ(ReadThumbSize(), 3);
                 EXPECT_EQ(ReadThumbQuality(), 2);
                 for (int i = 0; i < 6; ++i)
                     EXPECT_EQ(TfrmThumbDriver::ViewEntry(viewer, i)->isChecked(), i == 5) << i;
             });
}

TEST_F(ThumbViewer, RefusesCommandsWithoutTheRightSelection) {
    auto window = StartWith(3);
    InViewer([&] { window->Small1Click(); },
             [&](TfrmThumb& viewer) {
                 Dialogs.MessageAnswers.assign(9, TMsgResult::OK);
                 viewer.SaveSelectedToFolder1Click();
                 viewer.SaveSelectedAs1Click();
                 viewer.PrintSelected(TPrintEntry::Images);
                 viewer.CopyToClipboard1Click();
                 viewer.CopyToMSWord97or20001Click();
                 viewer.SelectAll1Click();
                 viewer.CopyToClipboard1Click();
                 viewer.CopyToMSWord97or20001Click();
                 viewer.ImageEditor1Click();
                 viewer.GoToURL2Click();
             });
    EXPECT_EQ(Dialogs.MessageLog(),
              (QStringList{"Error|Please select an image name", "Error|Please select an image.",
                           "Error|Please select an image.", "Error|Please select an image.",
                           "Error|Please select an image",
                           "Error|Only one image can be copied to the clipboard.",
                           "Error|Only one image can be copied to MS Word at a time.",
                           "Error|Please only select one image.",
                           "Error|Please only select one image."}));
    EXPECT_TRUE(Printer.Jobs.empty());
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
}

TEST_F(ThumbViewer, AutoSaveOfFourAndNineUpdatesEntriesThreeAndEight) {
    auto window = StartWith(10);
    const fs::path folder = Scratch / "kept";
    fs::create_directories(folder);
    InViewer([&] { window->Small1Click(); },
             [&](TfrmThumb& viewer) {
                 Click(viewer, 4);
                 Click(viewer, 9, Qt::ControlModifier);
                 Dialogs.FolderAnswers.push_back(Path(folder.string()));
                 viewer.SaveSelectedToFolder1Click();
                 EXPECT_EQ(viewer.Grid().LabelText(4), "pic1.bmp");
                 EXPECT_EQ(viewer.Grid().LabelText(9), "pic2.bmp");
                 EXPECT_EQ(viewer.Grid().LabelText(5), "pic5.bmp");
                 EXPECT_TRUE(viewer.StatusText().isEmpty());
             });
    EXPECT_EQ(window->Paths()[3], Path((folder / "pic1.bmp").string()));
    EXPECT_EQ(window->Paths()[8], Path((folder / "pic2.bmp").string()));
    EXPECT_EQ(window->List()->topLevelItem(3)->text(1), "pic1.bmp");
    EXPECT_EQ(window->List()->topLevelItem(8)->text(1), "pic2.bmp");
    EXPECT_EQ(window->Paths()[4], Path((Work() / "pic5.bmp").string()));
}

TEST_F(ThumbViewer, DeletingAllImagesClosesTheViewer) {
    auto window = StartWith(3);
    bool stillShown = true;
    InViewer([&] { window->Small1Click(); },
             [&](TfrmThumb& viewer) {
                 Click(viewer, 2);
                 Dialogs.MessageAnswers = {TMsgResult::Yes};
                 viewer.DeleteSelectedImages2Click();
                 WaitForPass(viewer);
                 EXPECT_EQ(viewer.Grid().Count(), 2);
                 EXPECT_EQ(viewer.Grid().LabelText(2), "pic3.bmp");
                 EXPECT_TRUE(viewer.isVisible());

                 viewer.SelectAll1Click();
                 Dialogs.MessageAnswers = {TMsgResult::Yes};
                 viewer.DeleteSelectedImages2Click();
                 stillShown = viewer.isVisible();
             });
    EXPECT_FALSE(stillShown);
    EXPECT_TRUE(window->Paths().isEmpty());
}

TEST_F(ThumbViewer, CopiesTheThumbnailPressedLast) {
    auto window = StartWith(3);
    InViewer([&] { window->Small1Click(); },
             [&](TfrmThumb& viewer) {
                 Click(viewer, 1);
                 Click(viewer, 3, {}, Qt::RightButton);
                 viewer.CopyToClipboard1Click();
             });
    EXPECT_EQ(Clipboard.Image.size(), QSize(40, 30));
    EXPECT_EQ(QColor(Clipboard.Image.pixel(0, 0)).rgb() & 0xFFFFFF,
              MakeNoise(40, 30, 3).Pixel(0, 0));
}

TEST_F(ThumbViewer, TheTrayCommandBringsTheViewersEditorToTheFront) {
    auto window = StartWith(3);
    std::vector<TWindowId> activated;
    TWindowId editorWindow = 0;
    InViewer([&] { window->Small1Click(); },
             [&](TfrmThumb& viewer) {
                 Click(viewer, 2);
                 Dialogs.ModalScripts.push_back([&](QDialog& editor) {
                     editorWindow = editor.winId();
                     Windows.Activated.clear();
                     window->ShowKarvin1Click();
                     activated = Windows.Activated;
                     return int(QDialog::Rejected);
                 });
                 viewer.ImageEditor1Click();
                 EXPECT_FALSE(viewer.EditorOpen());
             });
    // The main window first, then the editor over it.
    EXPECT_EQ(activated, (std::vector<TWindowId>{window->winId(), editorWindow}));
    // Without the viewer's editor open, only the main window.
    Windows.Activated.clear();
    window->ShowKarvin1Click();
    EXPECT_EQ(Windows.Activated, std::vector<TWindowId>{window->winId()});
}

TEST_F(ThumbViewer, MailRecipientGetsTheSelectedPaths) {
    auto window = StartWith(5);
    InViewer([&] { window->Small1Click(); },
             [&](TfrmThumb& viewer) {
                 Click(viewer, 2);
                 Click(viewer, 4, Qt::ShiftModifier);
                 viewer.EmailEntryClick(0);
             });
    const auto lines = ReadAttachList();
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (std::vector<std::string>{(Work() / "pic2.bmp").string(),
                                                (Work() / "pic3.bmp").string(),
                                                (Work() / "pic4.bmp").string()}));
}

TEST_F(ThumbViewer, PrintsTheSelectionInItsOrder) {
    auto window = StartWith(4);
    InViewer([&] { window->Small1Click(); },
             [&](TfrmThumb& viewer) {
                 Click(viewer, 4);
                 Click(viewer, 2, Qt::ControlModifier);
                 Printer.PrintDialogAnswers = {true};
                 viewer.PrintSelected(TPrintEntry::StretchToFullPage);
             });
    const std::vector<TPrintedPicture> printed = Printer.PrintedPictures();
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_EQ(Pixels(printed[0].Picture), Pixels(MakeNoise(40, 30, 4)));
    EXPECT_EQ(Pixels(printed[1].Picture), Pixels(MakeNoise(40, 30, 2)));
}

TEST_F(ThumbViewer, ACaptureWhileOpenJoinsTheGrid) {
    auto window = StartWith(2);
    InViewer([&] { window->Small1Click(); },
             [&](TfrmThumb& viewer) {
                 Click(viewer, 1);
                 const std::string path = PutImage("pic3.bmp", MakeNoise(40, 30, 3));
                 window->AppendImage(Path(path), "");
                 EXPECT_TRUE(QTest::qWaitFor([&] { return viewer.Grid().Count() == 3; }, 5000));
                 WaitForPass(viewer);
                 EXPECT_EQ(viewer.Grid().LabelText(3), "pic3.bmp");
                 EXPECT_TRUE(Selected(viewer).empty());
             });
}

TEST_F(ThumbViewer, AMissingFileIsNamedAndLeftEmpty) {
    auto window = StartWith(3);
    fs::remove(Work() / "pic2.bmp");
    Dialogs.MessageAnswers = {TMsgResult::OK};
    InViewer([&] { window->Small1Click(); },
             [&](TfrmThumb& viewer) {
                 EXPECT_TRUE(viewer.Grid().Picture(2).isNull());
                 EXPECT_FALSE(viewer.Grid().Picture(3).isNull());
             });
    EXPECT_EQ(Dialogs.MessageLog(),
              QStringList{"Error|" + Path((Work() / "pic2.bmp").string()) + " is missing."});
}

} // namespace
