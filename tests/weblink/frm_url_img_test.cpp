// The WebLink viewer, opened from the main window as the user opens it and played inside its
// modal loop: the grid, the loading pass with its pruning, selection, Go to URL, Delete and
// View/Edit Comment.
#include "weblink/frm_url_img.h"

#include "imaging/fit_thumbnail.h"
#include "imaging/format_registry.h"
#include "store/file_io.h"
#include "tests/app/frm_main_fixture.h"
#include "tests/imaging/test_images.h"
#include "tests/store/read_only_folder.h"
#include "weblink/frm_comment.h"
#include "weblink/link_notes.h"
#include "weblink/link_store.h"
#include "weblink/note_text_box.h"
#include "weblink/thumb_grid.h"
#include "weblink/url_thumbnails.h"
#include "widgets/image_scroll_box.h"
#include "widgets/thumbnail_maker.h"

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <map>

namespace fs = std::filesystem;

namespace {

const QString Caption = "URLLink Viewer - Visual Bookmark To The Internet";
const QString NothingToShow = "Error|You must save one or more images captured from\n"
                              "the Internet before opening the WebLink Viewer.";
const QString SelectFirst = "Error|You must first left click on an image to select it.";

QStringList Captions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* item : menu->actions())
        if (!item->isSeparator())
            captions << item->text();
    return captions;
}

// The message boxes shown, without the modal windows.
std::vector<TDialogCall> Messages(const TFakeDialogs& dialogs) {
    std::vector<TDialogCall> messages;
    for (const TDialogCall& call : dialogs.Calls)
        if (call.Kind == "Message")
            messages.push_back(call);
    return messages;
}

bool IsWhite(QRgb pixel) {
    return (pixel & 0xFFFFFF) == 0xFFFFFF;
}

class WebLinkViewer : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        EnsureWorkFolder();
        fs::create_directories(Saved());
    }
    fs::path Saved() const { return Scratch / "saved"; }
    // An image saved to the user's folder and linked to `url`, as saving a browser capture
    // leaves it.
    std::string PutLinked(const std::string& name, const TDibGraphic& image,
                          const std::string& url) {
        const std::string path = PutImage((Saved() / name).string(), image);
        URLStore().AddURLLink(path, url, {}, false);
        return path;
    }
    // Opens the viewer from the main window's tool button and plays `user` inside it once
    // its first loading pass is over.
    void OpenViewer(TfrmMainDriver& window, const std::function<void(TfrmURLImg&)>& user) {
        Dialogs.ModalScripts.push_back([&, user](QDialog& dialog) {
            auto& viewer = dynamic_cast<TfrmURLImg&>(dialog);
            if (ShowAndLoad(viewer))
                user(viewer);
            return viewer.result();
        });
        window.ToolButton("tbWeblink")->click();
    }
    static bool ShowAndLoad(TfrmURLImg& viewer) {
        QSignalSpy loaded(&viewer, &TfrmURLImg::LoadingFinished);
        viewer.show();
        const bool done = loaded.wait(20000);
        EXPECT_TRUE(done) << "the loading pass did not end";
        return done;
    }
    static void WaitForPass(TfrmURLImg& viewer) {
        if (viewer.Loading()) {
            QSignalSpy loaded(&viewer, &TfrmURLImg::LoadingFinished);
            EXPECT_TRUE(loaded.wait(20000));
        }
    }
    static void ClickCell(TfrmURLImg& viewer, int column, int row) {
        QTest::mouseClick(viewer.ThumbGrid->viewport(), Qt::LeftButton, {},
                          viewer.ThumbGrid->CellRect(column, row).center());
    }
    static std::vector<std::string> StoredImages() {
        std::vector<std::string> names;
        for (const TURLLink& link : URLStore().ReadURLStore())
            names.push_back(fs::path(link.ImagePath).filename().string());
        return names;
    }
};

} // namespace

TEST_F(WebLinkViewer, OpensFromTheFileMenuAndTheToolButtonOnlyWhenThereAreLinks) {
    auto window = StartShown();
    Dialogs.MessageAnswers = {TMsgResult::OK, TMsgResult::OK};
    window->Entry("&File", "&WebLink Viewer")->trigger();
    window->ToolButton("tbWeblink")->click();
    EXPECT_EQ(Dialogs.MessageLog(), (QStringList{NothingToShow, NothingToShow}));
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Critical);
    EXPECT_EQ(Dialogs.Calls.size(), 2u); // no window

    PutLinked("page.png", MakeNoise(40, 30), "https://example.org/");
    Dialogs.Calls.clear();
    OpenViewer(*window, [](TfrmURLImg& viewer) {
        EXPECT_EQ(viewer.windowTitle(), Caption);
        EXPECT_EQ(Captions(viewer.MainMenu->actions().first()->menu()),
                  (QStringList{"&Go to URL", "&View/Edit Comment", "&Delete", "E&xit"}));
        EXPECT_EQ(Captions(viewer.PopupMenu),
                  (QStringList{"&Go to URL", "&View/Edit Comment", "&Delete"}));
        EXPECT_TRUE(viewer.envImage->isVisible()); // shown once the pass is over
        viewer.Exit1->trigger();
        EXPECT_FALSE(viewer.isVisible());
    });
    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Text, "TfrmURLImg");
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
}

TEST_F(WebLinkViewer, ThreeLinksFillTwoRowsAndSelectingShowsTheImageWithItsAddress) {
    const TDibGraphic second = MakeNoise(64, 48, 2);
    PutLinked("one.png", MakeNoise(40, 30, 1), "https://example.org/one");
    const std::string path = PutLinked("two.bmp", second, "https://example.org/two");
    PutLinked("three.jpg", MakeNoise(30, 40, 3), "https://example.org/three");
    auto window = StartShown();
    OpenViewer(*window, [&](TfrmURLImg& viewer) {
        EXPECT_EQ(viewer.ThumbGrid->rowCount(), 2);
        EXPECT_EQ(viewer.ThumbGrid->columnCount(), 2);
        for (int record = 0; record < 3; ++record)
            EXPECT_EQ(viewer.Thumbnail(record).size(), QSize(120, 90)) << record;

        // The fourth cell has no record: selecting it shows nothing new.
        ClickCell(viewer, 1, 1);
        EXPECT_EQ(viewer.SelectedIndex(), 3);
        EXPECT_EQ(viewer.windowTitle(), Caption);
        EXPECT_TRUE(viewer.txtURL->text().isEmpty());
        EXPECT_TRUE(viewer.envImage->Graphic().Empty());
        const QImage grid = viewer.ThumbGrid->viewport()->grab().toImage();
        const QRect empty = viewer.ThumbGrid->CellRect(1, 1).adjusted(4, 4, -4, -4);
        EXPECT_EQ(grid.pixel(empty.center()), grid.pixel(empty.topLeft()));

        ClickCell(viewer, 1, 0);
        EXPECT_EQ(viewer.SelectedIndex(), 1);
        EXPECT_EQ(viewer.windowTitle(), "WebLink Viewer - " + Path(path));
        EXPECT_EQ(viewer.txtURL->text(), "https://example.org/two");
        EXPECT_EQ(Pixels(viewer.envImage->Graphic()), Pixels(second));
        EXPECT_EQ(viewer.envImage->ZoomPercent(), 100.0f);
        // The grid shows the thumbnail in the cell.
        const QImage shown = viewer.ThumbGrid->viewport()->grab().toImage();
        const QRect cell = viewer.ThumbGrid->CellRect(1, 0);
        EXPECT_EQ(shown.copy(cell.adjusted(4, 4, -4, -4)).convertToFormat(QImage::Format_RGB32),
                  viewer.Thumbnail(1).copy(QRect(4, 4, 112, 82)));
    });
}

TEST_F(WebLinkViewer, ThumbnailsFitTheCellByAspectRatioOnWhite) {
    // 400 x 300 fills the cell; 300 x 400 becomes 68 x 90 (67.5 to the even 68) at 26.
    const auto dark = [](int x, int y) { return MakeColor(x % 60, y % 50, 90); };
    const TDibGraphic landscape = MakeImage(400, 300, dark);
    const TDibGraphic portrait = MakeImage(300, 400, dark);
    PutLinked("landscape.png", landscape, "https://example.org/1");
    PutLinked("portrait.png", portrait, "https://example.org/2");
    auto window = StartShown();
    OpenViewer(*window, [&](TfrmURLImg& viewer) {
        const QImage wide = viewer.Thumbnail(0);
        const QImage tall = viewer.Thumbnail(1);
        ASSERT_EQ(wide.size(), QSize(120, 90));
        ASSERT_EQ(tall.size(), QSize(120, 90));
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 120; ++x) {
                ASSERT_FALSE(IsWhite(wide.pixel(x, y))) << x << "," << y;
                ASSERT_EQ(IsWhite(tall.pixel(x, y)), x < 26 || x >= 26 + 68) << x << "," << y;
            }
        // The picture in the cell is the Hermite fit of the image.
        const TDibGraphic fitted = FitThumbnail(portrait, 120, 90);
        ASSERT_EQ(fitted.Width(), 68);
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 68; ++x)
                ASSERT_EQ(tall.pixel(26 + x, y) & 0xFFFFFF, fitted.Pixel(x, y)) << x << "," << y;
    });
}

TEST_F(WebLinkViewer, ThumbnailsMadeOnWorkersAreTheOnesMadeOneByOne) {
    std::vector<std::string> paths;
    for (int n = 0; n < 12; ++n) {
        const TDibGraphic image =
            n % 3 == 0 ? MakeIndexImage(50 + n * 7, 31 + n, ifColor256,
                                        [&](int x, int y) { return (x * y + n) % 256; })
                       : MakeNoise(17 + n * 23, 90 - n * 5, n);
        const char* extension = n % 4 == 0   ? ".gif"
                                : n % 4 == 1 ? ".bmp"
                                : n % 4 == 2 ? ".png"
                                             : ".tif";
        paths.push_back(
            PutImage((Saved() / ("p" + std::to_string(n) + extension)).string(), image));
    }
    paths.push_back((Saved() / "gone.png").string());
    WriteWholeFile((Saved() / "text.png").string(), "not a picture");
    paths.push_back((Saved() / "text.png").string());

    TThumbnailMaker maker(LoadWebLinkThumbnail);
    std::map<quint64, QImage> made;
    std::map<quint64, QString> errors;
    QObject::connect(&maker, &TThumbnailMaker::Made,
                     [&](quint64 id, const QImage& thumbnail, const QString& error) {
                         made[id] = thumbnail;
                         errors[id] = error;
                     });
    QSignalSpy finished(&maker, &TThumbnailMaker::Finished);
    std::vector<TThumbnailMaker::TJob> jobs;
    for (std::size_t i = 0; i < paths.size(); ++i)
        jobs.push_back({100 + i, paths[i]});
    maker.Start(jobs, 4);
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_FALSE(maker.Busy());

    ASSERT_EQ(made.size(), paths.size());
    for (std::size_t i = 0; i + 2 < paths.size(); ++i) {
        EXPECT_EQ(made[100 + i], LoadWebLinkThumbnail(paths[i])) << paths[i];
        // PNG files are fitted from their rows: the same cell as from the whole picture.
        EXPECT_EQ(made[100 + i], WebLinkThumbnail(LoadImageFile(paths[i]))) << paths[i];
        EXPECT_TRUE(errors[100 + i].isEmpty()) << paths[i];
    }
    for (std::size_t i = paths.size() - 2; i < paths.size(); ++i) {
        EXPECT_TRUE(made[100 + i].isNull()) << paths[i];
        EXPECT_FALSE(errors[100 + i].isEmpty()) << paths[i];
    }

    // A new start drops what the old one had not reported yet.
    maker.Start(jobs, 2);
    maker.Start({{7, paths[1]}}, 2);
    made.clear();
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(made.size(), 1u);
    EXPECT_EQ(made.count(7), 1u);
}

TEST_F(WebLinkViewer, DeletingTheOnlyLinkDeletesImageNoteAndStoreAndCloses) {
    const std::string image = PutLinked("shot.png", MakeNoise(40, 30), "https://example.org/");
    WriteTextLines(NoteFileName(image), {"a note"});
    auto window = StartShown();
    window->AppendImage(Path(image), "https://example.org/");
    ClickRow(*window, 0);
    window->ImageMenuPopup();
    window->Image1Click();
    ASSERT_TRUE(window->GotoURLEntry()->isEnabled());
    OpenViewer(*window, [&](TfrmURLImg& viewer) {
        ClickCell(viewer, 0, 0);
        Dialogs.MessageAnswers = {TMsgResult::No, TMsgResult::Yes};
        viewer.DeleteSelectedImages2->trigger(); // No: nothing changes
        EXPECT_TRUE(FileExists(image));
        EXPECT_TRUE(viewer.isVisible());
        viewer.DeleteSelectedImages2->trigger(); // the selection stays after No
        EXPECT_FALSE(viewer.isVisible());
        EXPECT_EQ(viewer.result(), QDialog::Accepted);
    });
    EXPECT_EQ(Dialogs.MessageLog(),
              (QStringList{"Delete|Are you sure you want to delete shot.png?",
                           "Delete|Are you sure you want to delete shot.png?"}));
    EXPECT_EQ(Messages(Dialogs)[1].Icon, TMsgIcon::Question);
    EXPECT_EQ(Messages(Dialogs)[1].Buttons, unsigned(mbYes | mbNo));
    EXPECT_TRUE(FilesIn(Saved()).empty());
    EXPECT_FALSE(FileExists(URLStore().StorePath()));
    // The main window's list lost its only row: nothing is left to go to.
    EXPECT_TRUE(window->Paths().isEmpty());
    EXPECT_FALSE(window->GotoURLEntry()->isEnabled());
    EXPECT_FALSE(window->PopupGotoURLEntry()->isEnabled());
}

TEST_F(WebLinkViewer, DeletingAnImageOfTheMainListRemovesItsRowThere) {
    const TDibGraphic image = MakeNoise(40, 30);
    const std::string first = PutLinked("first.png", image, "https://example.org/1");
    const std::string second = PutLinked("second.png", image, "https://example.org/2");
    const std::string other = PutLinked("other.png", image, "https://example.org/3");
    const std::string alone = PutLinked("alone.png", image, "https://example.org/4");
    auto window = StartShown();
    window->AppendImage(Path(first), "https://example.org/1");
    window->AppendImage(Path(second), "https://example.org/2");
    // Listed in other letter case: the same image to the list.
    window->AppendImage(Path((Saved() / "OTHER.PNG").string()), "https://example.org/3");
    ClickRow(*window, 1);
    ASSERT_FALSE(window->ImageView()->Graphic().Empty());

    bool rebuild = false;
    Dialogs.ModalScripts.push_back([&](QDialog& dialog) {
        auto& viewer = dynamic_cast<TfrmURLImg&>(dialog);
        if (!ShowAndLoad(viewer))
            return 0;
        Dialogs.MessageAnswers = {TMsgResult::Yes, TMsgResult::Yes, TMsgResult::Yes,
                                  TMsgResult::Yes};
        ClickCell(viewer, 1, 1); // alone.png: not in the main list
        viewer.DeleteSelectedImages2Click();
        EXPECT_EQ(window->Paths().size(), 3);
        EXPECT_FALSE(rebuild);

        ClickCell(viewer, 1, 0); // second.png: the row selected and shown there
        viewer.DeleteSelectedImages2Click();
        EXPECT_TRUE(rebuild);
        EXPECT_EQ(window->Paths(),
                  (QStringList{Path(first), Path((Saved() / "OTHER.PNG").string())}));
        EXPECT_EQ(window->URLs(), (QStringList{"https://example.org/1", "https://example.org/3"}));
        EXPECT_TRUE(window->ImageView()->Graphic().Empty());
        EXPECT_TRUE(window->StatusText().isEmpty());

        ClickCell(viewer, 1, 0); // other.png, now second in the grid
        viewer.DeleteSelectedImages2Click();
        EXPECT_EQ(window->Paths(), QStringList{Path(first)});

        // first.png: listed and shown, but its row not selected.
        ClickRow(*window, 0);
        window->List()->clearSelection();
        const std::vector<uint32_t> shown = Pixels(window->ImageView()->Graphic());
        ClickCell(viewer, 0, 0);
        viewer.DeleteSelectedImages2Click();
        EXPECT_TRUE(window->Paths().isEmpty());
        EXPECT_EQ(Pixels(window->ImageView()->Graphic()), shown);
        EXPECT_FALSE(viewer.isVisible());
        return viewer.result();
    });
    StartWebImageLauncher(Services(), window->MainView(), &rebuild);
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
    for (const std::string& path : {first, second, other, alone})
        EXPECT_FALSE(FileExists(path)) << path;
    EXPECT_FALSE(FileExists(URLStore().StorePath()));
}

TEST_F(WebLinkViewer, AnImageThatCannotBeDeletedKeepsItsLinkAndRow) {
    const std::string image = PutLinked("kept.png", MakeNoise(40, 30), "https://example.org/");
    auto window = StartShown();
    window->AppendImage(Path(image), "https://example.org/");
    {
        TReadOnlyFolder readOnly(Saved().string());
        if (!readOnly.Made())
            GTEST_SKIP() << "the file system cannot make a folder refuse changes";
        OpenViewer(*window, [&](TfrmURLImg& viewer) {
            ClickCell(viewer, 0, 0);
            Dialogs.MessageAnswers = {TMsgResult::Yes, TMsgResult::OK};
            viewer.DeleteSelectedImages2Click();
            EXPECT_TRUE(viewer.isVisible());
            EXPECT_EQ(viewer.Links().size(), 1u);
            viewer.close();
        });
    }
    ASSERT_EQ(Dialogs.MessageLog().size(), 2);
    EXPECT_TRUE(Dialogs.MessageLog()[1].startsWith("Error|Cannot delete " + Path(image) + ": "));
    EXPECT_TRUE(FileExists(image));
    EXPECT_EQ(StoredImages(), std::vector<std::string>{"kept.png"});
    EXPECT_EQ(window->Paths(), QStringList{Path(image)});
}

TEST_F(WebLinkViewer, AStoreWhoseImagesAreAllGoneIsEmptiedAndTheWindowClosesWithTheMessage) {
    const std::string first = (Saved() / "first.png").string();
    const std::string second = (Saved() / "second.png").string();
    URLStore().AddURLLink(first, "https://example.org/1", {"its note"}, true);
    URLStore().AddURLLink(second, "https://example.org/2", {}, false);
    ASSERT_TRUE(FileExists(NoteFileName(first)));
    auto window = StartShown();
    Dialogs.MessageAnswers = {TMsgResult::OK, TMsgResult::OK};
    OpenViewer(*window, [&](TfrmURLImg& viewer) {
        EXPECT_TRUE(viewer.Links().empty());
        EXPECT_TRUE(viewer.isVisible());
        EXPECT_TRUE(viewer.ShutDownTimer->isActive());
        EXPECT_EQ(viewer.ShutDownTimer->interval(), 1000);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !viewer.isVisible(); }, 5000));
        EXPECT_EQ(viewer.result(), QDialog::Rejected);
    });
    EXPECT_EQ(Dialogs.MessageLog(),
              (QStringList{"Warning|2 links were removed because the image is no longer there:\n" +
                               Path(first) + "\n" + Path(second),
                           NothingToShow}));
    EXPECT_EQ(Dialogs.Calls.back().Icon, TMsgIcon::Critical);
    EXPECT_FALSE(FileExists(URLStore().StorePath()));
    EXPECT_FALSE(FileExists(NoteFileName(first)));
}

TEST_F(WebLinkViewer, ADamagedStoreLoadsWhatItCanAndSaysOnceWhatItDropped) {
    const std::string good = PutImage((Saved() / "good.png").string(), MakeNoise(40, 30, 1));
    const std::string cut = PutImage((Saved() / "cut.bmp").string(), MakeNoise(40, 30, 2));
    const std::string unreadable = (Saved() / "text.png").string();
    WriteWholeFile(unreadable, "not a picture");
    const std::string gone = (Saved() / "gone.png").string();
    // A record lost its address line, so the next two records are out of step; the file
    // ends in a record cut short.
    const std::string bystander = (Saved() / "bystander.txt").string();
    WriteWholeFile(bystander, "");
    const std::vector<std::string> lines = {good,
                                            "https://example.org/good",
                                            NoteFileName(good), // a link
                                            gone,
                                            NoteFileName(gone),
                                            unreadable, // its address line lost
                                            "https://example.org/text",
                                            bystander,
                                            "", // out of step
                                            "",
                                            "https://example.org/x",
                                            bystander, // no image path
                                            unreadable,
                                            "https://example.org/text",
                                            NoteFileName(unreadable),
                                            cut};
    WriteTextLines(URLStore().StorePath(), lines);

    auto window = StartShown();
    Dialogs.MessageAnswers = {TMsgResult::OK};
    OpenViewer(*window, [&](TfrmURLImg& viewer) {
        ASSERT_EQ(viewer.Links().size(), 3u);
        EXPECT_FALSE(viewer.Thumbnail(0).isNull());
        EXPECT_TRUE(viewer.Thumbnail(1).isNull());  // text.png
        EXPECT_FALSE(viewer.Thumbnail(2).isNull()); // cut.bmp, with no address
        EXPECT_EQ(viewer.Links()[2].URL, "");
        // Another pass (after the note window) has nothing more to say.
        ClickCell(viewer, 0, 0);
        Dialogs.MessageAnswers = {TMsgResult::Yes};
        Dialogs.ModalScripts.push_back([](QDialog&) { return int(QDialog::Rejected); });
        viewer.ViewComment1Click();
        WaitForPass(viewer);
        viewer.close();
    });
    const QStringList messages = Dialogs.MessageLog();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].startsWith(
        "Warning|1 link was removed because the image is no longer there:\n" + Path(gone) +
        "\n\n2 entries of the link store named no image file and were removed.\n\n"
        "1 image could not be read and shows no thumbnail:\n" +
        Path(unreadable) + ": "))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[1].startsWith("Comment|There is no comment for good.png."));
    EXPECT_TRUE(FileExists(bystander)); // a damaged record's third line is never deleted
    EXPECT_EQ(StoredImages(), (std::vector<std::string>{"good.png", "text.png", "cut.bmp"}));
    const std::vector<TURLLink> stored = URLStore().ReadURLStore();
    EXPECT_EQ(stored[1].NotePath, NoteFileName(unreadable));
}

TEST_F(WebLinkViewer, MoreThan500LinksAreLoadedAfterOneWarning) {
    const std::string image = PutImage((Saved() / "small.png").string(), MakeNoise(8, 6));
    std::vector<TURLLink> links(TfrmURLImg::RecommendedLinks + 1,
                                TURLLink{image, "https://example.org/", ""});
    URLStore().RewriteURLStore(links);
    auto window = StartShown();
    Dialogs.MessageAnswers = {TMsgResult::OK};
    OpenViewer(*window, [&](TfrmURLImg& viewer) {
        EXPECT_EQ(viewer.ThumbGrid->rowCount(), 251);
        EXPECT_FALSE(viewer.Thumbnail(500).isNull());
        ClickCell(viewer, 0, 0);
        Dialogs.MessageAnswers = {TMsgResult::No};
        viewer.ViewComment1Click(); // a note: the pass runs again, without the warning
        Dialogs.MessageAnswers = {TMsgResult::Yes};
        Dialogs.ModalScripts.push_back([](QDialog&) { return int(QDialog::Rejected); });
        viewer.ViewComment1Click();
        WaitForPass(viewer);
        viewer.close();
    });
    const QStringList messages = Dialogs.MessageLog();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_EQ(messages[0], "Warning|To maintain system integrity, it is recommended that you\n"
                           "should not exceed 500 images. You can delete some images\n"
                           "to maintain your syste integrity.");
    EXPECT_EQ(Messages(Dialogs)[0].Icon, TMsgIcon::Warning);
    EXPECT_EQ(messages[1], messages[2]); // the note questions
}

TEST_F(WebLinkViewer, GoToURLOpensOnlyWebAndFileAddressesByTheirLength) {
    const std::string longest = "https://example.org/?q=" + std::string(255 - 23, 'x');
    ASSERT_EQ(longest.size(), 255u);
    const TDibGraphic image = MakeNoise(20, 20);
    PutLinked("a.png", image, longest);
    PutLinked("b.png", image, longest + "y");
    PutLinked("c.png", image, "javascript:alert(1)");
    PutLinked("d.png", image, "--renderer-cmd-prefix=/tmp/prog");
    auto window = StartShown();
    OpenViewer(*window, [&](TfrmURLImg& viewer) {
        Dialogs.MessageAnswers = {TMsgResult::OK, TMsgResult::OK, TMsgResult::OK};
        ClickCell(viewer, 0, 0);
        viewer.GotoURL2->trigger();
        EXPECT_EQ(viewer.SelectedIndex(), -1);
        viewer.GotoURL2->trigger(); // the selection was used up
        ClickCell(viewer, 1, 0);
        viewer.GotoURL2->trigger();
        ClickCell(viewer, 0, 1);
        viewer.GotoURL2->trigger();
        ClickCell(viewer, 1, 1);
        viewer.GotoURL2->trigger();
        viewer.close();
    });
    EXPECT_EQ(Desktop.Documents, QStringList{QString::fromStdString(longest)});
    EXPECT_EQ(Desktop.Browsed, QStringList{QString::fromStdString(longest + "y")});
    const QString refused = "Error|The page address of this image cannot be opened: Karvin opens "
                            "only web (http, https), ftp and file addresses.";
    EXPECT_EQ(Dialogs.MessageLog(), (QStringList{SelectFirst, refused, refused}));
}

TEST_F(WebLinkViewer, CommandsWithoutASelectionSayHowToSelectOne) {
    PutLinked("a.png", MakeNoise(20, 20), "https://example.org/");
    auto window = StartShown();
    OpenViewer(*window, [&](TfrmURLImg& viewer) {
        Dialogs.MessageAnswers = {TMsgResult::OK, TMsgResult::OK, TMsgResult::OK, TMsgResult::OK};
        for (QAction* command :
             {viewer.GotoURL2, viewer.ViewComment1, viewer.DeleteSelectedImages2})
            command->trigger();
        // A cell without a record is no selection either.
        viewer.ThumbGridSelectCell(1, 0);
        viewer.DeleteSelectedImages2->trigger();
        viewer.close();
    });
    EXPECT_EQ(Dialogs.MessageLog(),
              (QStringList{SelectFirst, SelectFirst, SelectFirst, SelectFirst}));
    EXPECT_EQ(Messages(Dialogs)[0].Icon, TMsgIcon::Warning);
    EXPECT_TRUE(Desktop.Documents.isEmpty());
    EXPECT_EQ(StoredImages(), std::vector<std::string>{"a.png"});
}

TEST_F(WebLinkViewer, ViewEditCommentShowsTheNoteAndWritesItBack) {
    const std::string image = PutLinked("page.jpg", MakeNoise(20, 20), "https://example.org/");
    const std::string note = NoteFileName(image);
    WriteTextLines(note, {"first", "second"});
    auto window = StartShown();
    OpenViewer(*window, [&](TfrmURLImg& viewer) {
        ClickCell(viewer, 0, 0);
        Dialogs.ModalScripts.push_back([&](QDialog& dialog) {
            auto& comment = dynamic_cast<TfrmComment&>(dialog);
            EXPECT_EQ(comment.moComment->Lines(), (QStringList{"first", "second"}));
            EXPECT_EQ(comment.TargetFile, Path(note));
            comment.moComment->setPlainText("changed\nagain");
            comment.btnOk->click();
            return comment.result();
        });
        viewer.ViewComment1Click();
        EXPECT_EQ(viewer.SelectedIndex(), -1);
        WaitForPass(viewer);
        viewer.close();
    });
    EXPECT_TRUE(Dialogs.MessageLog().isEmpty()); // a note: no question
    EXPECT_EQ(Read((Saved() / "pagejpg.txt").string()), "changed\r\nagain\r\n");
}

TEST_F(WebLinkViewer, ViewEditCommentWithoutANoteOffersToWriteOne) {
    const std::string image = PutLinked("page.png", MakeNoise(20, 20), "https://example.org/");
    const std::string note = NoteFileName(image);
    WriteWholeFile(note, ""); // an empty note is none, and goes
    auto window = StartShown();
    OpenViewer(*window, [&](TfrmURLImg& viewer) {
        ClickCell(viewer, 0, 0);
        Dialogs.MessageAnswers = {TMsgResult::No};
        viewer.ViewComment1->trigger();
        EXPECT_FALSE(FileExists(note));
        EXPECT_EQ(viewer.SelectedIndex(), 0); // No leaves the selection

        Dialogs.MessageAnswers = {TMsgResult::Yes};
        Dialogs.ModalScripts.push_back([&](QDialog& dialog) {
            auto& comment = dynamic_cast<TfrmComment&>(dialog);
            EXPECT_TRUE(comment.moComment->Lines().isEmpty());
            comment.moComment->setPlainText("worth reading");
            comment.btnOk->click();
            return comment.result();
        });
        viewer.ViewComment1->trigger();
        WaitForPass(viewer);
        viewer.close();
    });
    const QString question =
        "Comment|There is no comment for page.png.\nDo you want to add comment?";
    EXPECT_EQ(Dialogs.MessageLog(), (QStringList{question, question}));
    EXPECT_EQ(Messages(Dialogs)[0].Icon, TMsgIcon::Question);
    EXPECT_EQ(Messages(Dialogs)[0].Buttons, unsigned(mbYes | mbNo));
    EXPECT_EQ(Read(note), "worth reading\r\n");
}
