// The tests' view of the main window: the window itself, with its widgets, its menu entries
// and the state of its features reachable by name, so that tests drive it as the user would
// (clicks, menu entries, buttons) and look at what it shows.
#pragma once

#include "app/frm_main.h"
#include "app/help_window.h"
#include "capture/capture_intake.h"
#include "capture/duridozezed_capture.h"
#include "capture/timer_capture.h"
#include "capture/zoom_capture.h"
#include "editor/edit_image_command.h"
#include "output/hand_off_commands.h"
#include "output/print_commands.h"
#include "output/save_commands.h"
#include "weblink/note_step.h"
#include "widgets/capture_list.h"
#include "widgets/image_scroll_box.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

class TfrmMainDriver : public TfrmMain {
public:
    using TfrmMain::TfrmMain;

    // The window's parts as the features see them.
    using TfrmMain::WorkImage;
    IMainView& MainView() { return *this; }
    IListCommands& ListCommands() { return *this; }

    TCaptureList* List() const { return lvPicNames; }
    const QStringList& Paths() const { return lvPicNames->Paths(); }
    const QStringList& URLs() const { return lvPicNames->URLs(); }
    TImageScrollBox* ImageView() const { return MainImage; }
    QProgressBar* Progress() const { return ProgressBar; }
    QComboBox* MethodBox() const { return cboCapSelection; }
    QComboBox* PrintBox() const { return cboPrintSelection; }
    QComboBox* FormatBox() const { return cboDefaultFormat; }
    QComboBox* ZoomBox() const { return cboViewPercent; }
    QTimer* ShowTimer() const { return ShowMainTimer; }
    QToolBar* Tools() const { return ToolBar; }
    QToolButton* ToolButton(const char* name) const { return findChild<QToolButton*>(name); }
    QPushButton* ClickMe() const { return findChild<QPushButton*>("btnClickMe"); }
    THelpWindow* Help() const { return HelpWindow; }
    QString& Folder() { return ProgramFolder_; }
    const QString& DurIdozezedDelayText() const { return Intake->DurIdozezed().DurIdozezedDelay(); }
    bool Exiting() const { return ExitRequested; }
    bool& ThumbViewer() { return ThumbViewerOpen; }
    bool MinimizesToTray() const { return MinimizeToTray; }

    // The menus: a menu of the menu bar by its caption ("&File"), an entry of a menu by its
    // caption; nullptr when there is none.
    QMenu* Menu(const QString& caption) const {
        for (QAction* item : menuBar()->actions())
            if (item->text() == caption)
                return item->menu();
        return nullptr;
    }
    static QAction* Entry(QMenu* menu, const QString& caption) {
        if (menu)
            for (QAction* item : menu->actions())
                if (item->text() == caption)
                    return item;
        return nullptr;
    }
    QAction* Entry(const QString& menu, const QString& caption) const {
        return Entry(Menu(menu), caption);
    }
    // "&Print" of the File menu and of the pop-up menu.
    QMenu* PrintMenu() const { return Entry("&File", "&Print")->menu(); }
    QMenu* PopupMenu() const { return ImageMenu; }
    QMenu* PopupPrintMenu() const { return Entry(ImageMenu, "&Print")->menu(); }
    QAction* GotoURLEntry() const { return GotoURL1; }
    QAction* PopupGotoURLEntry() const { return ImageMenuGotoURL; }

    // The features.
    TCaptureIntake& Capture() { return *Intake; }
    TPrintCommands& Print() { return *Printing; }
    TSaveCommands& Save() { return *Saving; }
    TNoteStep& Note() { return *Notes; }
    THandOffCommands& HandOffCommands() { return *HandOff; }
    TEditImageCommand& Edit() { return *Editing; }
    // What the image editor is made with.
    TEditorLinks EditorLinks() { return {*this, *Saving, *Printing, *Notes}; }
    bool& LongURL() { return Intake->LongURL_; }
    QString& PendingURL() { return Intake->PendingURL; }
    bool& TimerCaptureOn() { return Intake->TimerCaptureOn; }
    bool& CaptureRunning() { return Intake->CaptureRunning; }
    // Timer capture's timer, and the note it shows in the status line.
    QTimer* CapTimer() { return &Intake->Timer().CapTimer; }
    QLabel* TimerStatusNote() const { return TimerStatus; }
    // A tick of timer capture, as the timer gives it.
    void CapTimerTick() { Intake->Timer().CapTimerTimer(); }
    // The magnifier while it is open, else nullptr.
    TfrmZoom* ZoomWindow() { return Intake->Zoom().ZoomWindow(); }
    QTimer* RegionTimer() { return &Intake->RegionTimer; }
    TWindowId& HighlightedWindow() { return Intake->HighlightedWindow; }
    bool& RegionTickBusy() { return Intake->RegionTickBusy; }
    // A transform's progress on the window's progress bar.
    TProgressCallback ReportProgressCallback() { return TransformProgress(*this); }
};
