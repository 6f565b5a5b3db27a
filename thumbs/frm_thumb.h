// The thumbnail viewer: a maximised, modal window that shows the capture list as a grid of
// thumbnails (TThumbViewGrid) and runs the main window's output commands on the thumbnails
// selected there. Thumbnail n stands for row n - 1 of the capture list; the viewer has no
// images of its own.
//
// The main window opens it through TThumbViewerCommand (its "&Thumbnails" menu and tool
// button) and reaches the rest of the program through TThumbViewerLinks.
#pragma once

#include "platform/services.h"
#include "widgets/feature_links.h"
#include "widgets/main_view.h"

#include <QDialog>
#include <QPointer>

#include <array>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QScrollArea;
class QTimer;
class TThumbViewGrid;

struct TThumbViewerLinks {
    IMainView& Main;         // the capture list, the view, help
    IListCommands& Commands; // save, delete, print, edit, WebLink viewer, e-mail
    IImageHandOff& HandOff;  // the clipboard and the word processor
};

class TfrmThumb : public QDialog {
    Q_OBJECT
public:
    // FormCreate: the size code from "thumbview.dat", the e-mail menus.
    TfrmThumb(const TServices& services, const TThumbViewerLinks& links, QWidget* parent = nullptr);
    // FormDestroy: the grid goes, the size code is written to "thumbview.dat".
    ~TfrmThumb() override;

    // The opening command's quality code (0 low, else a resampling filter).
    void SetQuality(int quality) { Quality = quality; }
    int Quality_() const { return Quality; }
    int SizeCode() const { return Size; }
    TThumbViewGrid& Grid() { return *Grid_; }
    // The path the status strip shows.
    QString StatusText() const;

    // Builds the grid of the first (at most 255) rows of the capture list; the thumbnails are
    // made a second later (LoadThumbTimer), or at once by LoadThumbnails.
    void FormShow();
    void LoadThumbnails();
    // The grid again from the capture list as it is now (after a capture, after the WebLink
    // viewer removed images).
    void RebuildThumbnails();
    // Makes thumbnail n again from its file (after the editor).
    void RefreshThumbnail(int n);
    // Whether the editor, started from here, is open.
    bool EditorOpen() const { return EditorOpen_; }

    // File.
    void SaveSelectedToFolder1Click();
    void SaveSelectedAs1Click();
    void PrintSelected(TPrintEntry entry);
    void DeleteSelectedImages2Click();
    void WebLinkViewer1Click();
    void Exit1Click();
    // Edit.
    void CopyToClipboard1Click();
    void CopyToMSWord97or20001Click();
    void SelectAll1Click();
    // View: the six size and quality entries; `quality` 0 for Low Quality, 2 for High.
    void ChangeSizeAndQuality(int sizeCode, int quality);
    // Image.
    void ImageEditor1Click();
    void GoToURL2Click();
    // E-mail: entry k of either e-mail menu.
    void EmailEntryClick(int entry);
    void Help1Click();
    // Opening the Image menu and the pop-up menu: Go To URL follows a single selection.
    void Image1Click();
    void PopThumbMenuPopup();

protected:
    void showEvent(QShowEvent* event) override;

private:
    friend struct TfrmThumbDriver; // the tests' view of the menus and the status strip

    void BuildWindow();
    void BuildMenus();
    void BuildPrintMenu(QMenu* menu, const QString& manyCaption);
    void BuildViewMenu(QMenu* menu, std::array<QAction*, 6>& entries);
    void BuildEmailMenu(QMenu* menu);
    void ShowSizeAndQualityChecks();
    // The selected thumbnails' rows, selected alone in the capture list.
    void SelectRowsOfSelection();
    // "Please select an image." when nothing is selected; false then.
    bool NeedSelection();
    // Exactly one selected, else "Please only select one image." (several) or the refusal of
    // an empty selection; its number, or 0.
    int SingleSelection(const QString& none);
    // The labels of the selected thumbnails follow the rows' paths (after a save).
    void ShowSelectedFileNames();
    void PressThumbnail(int n);
    void LoadFinished(const QStringList& missing, const QStringList& failures);
    void ScheduleRebuild();
    // The grid of the rows of now; the viewer closes when there are none.
    void BuildAndLoad();

    TServices Services;
    TThumbViewerLinks Links;
    int Size = 1;
    int Quality = 4;
    bool EditorOpen_ = false;
    bool RebuildNeeded = false;
    bool RebuildPending = false;
    bool Shown = false;

    QMenuBar* MainThumbMenu = nullptr;
    QMenu* PopThumbMenu = nullptr;
    QScrollArea* Scroller = nullptr;
    TThumbViewGrid* Grid_ = nullptr;
    QLabel* StatusPanel = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QTimer* LoadThumbTimer = nullptr;
    // Low Quality small, medium, large, then High Quality small, medium, large.
    std::array<QAction*, 6> ViewEntries{};
    std::array<QAction*, 6> PopViewEntries{};
    QAction* GoToURL2 = nullptr;   // Image > "Go To &URL"
    QAction* PopGoToURL = nullptr; // its pop-up twin
};

// The main window's "&Thumbnails" menu and tool button: opens the viewer over the capture
// list. Owned by the main window, which forwards its handlers here.
class TThumbViewerCommand {
public:
    TThumbViewerCommand(const TServices& services, const TThumbViewerLinks& links);

    // "&Low Quality" and "&High Quality " > "&Small", "&Medium", "&Large".
    void Small1Click() { OpenWith(1, 0); }
    void Medium1Click() { OpenWith(2, 0); }
    void Large1Click() { OpenWith(3, 0); }
    void Small2Click() { OpenWith(1, 2); }
    void Medium2Click() { OpenWith(2, 2); }
    void Large2Click() { OpenWith(3, 2); }
    // The tool button: the size and quality kept in the settings files.
    void tbThumbsClick();

    // While the viewer is shown.
    bool ViewerOpen() const { return Viewer != nullptr; }
    TfrmThumb* OpenViewer() const { return Viewer; }

private:
    // Writes the codes, then opens.
    void OpenWith(int sizeCode, int quality);
    void Open(int quality);

    TServices Services;
    TThumbViewerLinks Links;
    QPointer<TfrmThumb> Viewer;
};
