// The main window's menus and tool bar: every command that has an entry or a button is
// wired here, each in the group of the subsystem that carries it out.
//
// An entry or a button appears only once its command exists. Empty groups cost nothing: a
// menu hides separators that would stand first, last or next to another one, and
// AddToolSeparator does the same on the tool bar.
#include "app/frm_main.h"

#include "output/hand_off_commands.h"
#include "widgets/capture_list.h"
#include "widgets/image_scroll_box.h"
#include "widgets/tool_pictures.h"

#include <QAction>
#include <QCursor>
#include <QFont>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

void TfrmMain::BuildMenus() {
    // In the menu bar's order: File, Edit, Thumbnails, Timer, Image, E-mail, Setup, Help.
    BuildFileMenu(menuBar()->addMenu("&File"));
    BuildEditMenu(menuBar()->addMenu("&Edit"));
    BuildThumbnailsMenu(menuBar()->addMenu("&Thumbnails"));
    BuildTimerMenu(menuBar()->addMenu("Time&r"));
    BuildImageMenu(menuBar()->addMenu("&Image"));
    // Filled by BuildEmailMenus when the window is created.
    EmailMenu = menuBar()->addMenu("&E-mail");
    BuildSetupMenu(menuBar()->addMenu("&Setup"));
    BuildHelpMenu(menuBar()->addMenu("&Help"));
    BuildImagePopupMenu();
}

void TfrmMain::BuildFileMenu(QMenu* menu) {
    menu->addAction("Auto &Save", this, &TfrmMain::SaveSelectedToFolder1Click);
    menu->addAction("Save &As", this, &TfrmMain::SaveAs1Click)->setShortcut(QKeySequence::Save);
    menu->addAction("&Delete", this, &TfrmMain::Delete1Click)->setShortcut(QKeySequence::Delete);
    menu->addSeparator();
    menu->addAction("Printer Setup", this, &TfrmMain::Printer1Click);
    BuildPrintMenu(menu->addMenu("&Print"), "&Thumbnails");
    menu->addSeparator();
    menu->addAction("&WebLink Viewer", this, &TfrmMain::StartWebImageLauncher1Click);
    menu->addSeparator();
    menu->addAction("E&xit", this, &TfrmMain::Exit2Click);
}

void TfrmMain::BuildEditMenu(QMenu* menu) {
    menu->addAction("&Copy to clipboard", this, &TfrmMain::Copytoclipboard1Click)
        ->setShortcut(QKeySequence::Copy);
    menu->addAction("&Paste in MS Word", this, &TfrmMain::CopytoMSWord97or20001Click);
    menu->addSeparator();
    menu->addAction("Clear clip&board", this, &TfrmMain::Clearclipboard1Click);
    menu->addAction("Select &All", this, &TfrmMain::SelectAll2Click);
}

void TfrmMain::BuildImageMenu(QMenu* menu) {
    connect(menu, &QMenu::aboutToShow, this, &TfrmMain::Image1Click);
    menu->addAction("&Edit Image", this, &TfrmMain::ImageEditorClick);
    GotoURL1 = menu->addAction("&Go To URL", this, &TfrmMain::GotoURL1Click);
    GotoURL1->setEnabled(false);
}

void TfrmMain::BuildSetupMenu(QMenu* menu) {
    menu->addAction("&Karvin", this, &TfrmMain::Karvin1Click);
    menu->addAction("&DurIdozezed", this, &TfrmMain::DurIdozezedDelay1Click);
}

void TfrmMain::BuildThumbnailsMenu(QMenu* menu) {
    QMenu* low = menu->addMenu("&Low Quality");
    low->addAction("&Small", this, &TfrmMain::Small1Click);
    low->addAction("&Medium", this, &TfrmMain::Medium1Click);
    low->addAction("&Large", this, &TfrmMain::Large1Click);
    QMenu* high = menu->addMenu("&High Quality ");
    high->addAction("&Small", this, &TfrmMain::Small2Click);
    high->addAction("&Medium", this, &TfrmMain::Medium2Click);
    high->addAction("&Large", this, &TfrmMain::Large2Click);
}

void TfrmMain::BuildTimerMenu(QMenu* menu) {
    // Checkable, so that they show their check marks; timer capture sets them itself.
    TimerCaptureOn = menu->addAction("Timer Capture &On", this, &TfrmMain::TimerCaptureOnClick);
    TimerCaptureOn->setCheckable(true);
    TimerCaptureOff1 =
        menu->addAction("Timer Capture O&ff", this, &TfrmMain::TimerCaptureOff1Click);
    TimerCaptureOff1->setCheckable(true);
    TimerCaptureOff1->setChecked(true);
}

void TfrmMain::BuildHelpMenu(QMenu* menu) {
    menu->addAction("&Contents", this, &TfrmMain::Content1Click)
        ->setShortcut(QKeySequence::HelpContents);
    menu->addAction("&Main Screen", this, &TfrmMain::MainScreen1Click);
    menu->addSeparator();
    menu->addAction("&About", this, &TfrmMain::About1Click);
}

void TfrmMain::BuildImagePopupMenu() {
    ImageMenu = new QMenu(this);
    ImageMenu->setObjectName("ImageMenu");
    connect(ImageMenu, &QMenu::aboutToShow, this, &TfrmMain::ImageMenuPopup);
    ImageMenu->addAction("&Copy to clipboard", this, &TfrmMain::Copytoclipboard1Click);
    ImageMenu->addAction("Paste in MS &Word", this, &TfrmMain::CopytoMSWord97or20001Click);
    ImageMenu->addAction("Auto &Save", this, &TfrmMain::SaveSelectedToFolder1Click);
    ImageMenu->addAction("Sa&ve As...", this, &TfrmMain::SaveAs1Click);
    ImageMenu->addAction("&Delete", this, &TfrmMain::Delete1Click);
    ImageMenu->addAction("Select &All", this, &TfrmMain::SelectAll2Click);
    ImageMenu->addSeparator();
    BuildPrintMenu(ImageMenu->addMenu("&Print"), "&ThumbNails");
    ImageMenu->addAction("&Edit Image", this, &TfrmMain::ImageEditorClick);
    // Filled by BuildEmailMenus when the window is created.
    ImageMenuEmail = ImageMenu->addMenu("E-&mail Image(s) To");
    ImageMenuGotoURL = ImageMenu->addAction("&Go to URL", this, &TfrmMain::GotoURL1Click);
    ImageMenuGotoURL->setEnabled(false);

    for (QWidget* owner : {static_cast<QWidget*>(lvPicNames), static_cast<QWidget*>(MainImage)}) {
        owner->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(owner, &QWidget::customContextMenuRequested, this,
                [this] { ShowImageMenu(QCursor::pos()); });
    }
}

void TfrmMain::BuildEmailMenus() {
    // Entry k of either menu mails the selected images to mail target k.
    const QStringList captions = HandOff->MailEntryCaptions();
    for (QMenu* menu : {EmailMenu, ImageMenuEmail}) {
        menu->clear();
        for (int entry = 0; entry < captions.size(); ++entry)
            menu->addAction(captions[entry], this, [this, entry] { EmailEntryClick(entry); });
    }
}

void TfrmMain::BuildPrintMenu(QMenu* menu, const QString& thumbnailsCaption) {
    menu->addAction("&Image(s)", this, &TfrmMain::Images1perpageClick);
    QMenu* caption = menu->addMenu("Image(s) With &Caption");
    caption->addAction("&Above Image", this, &TfrmMain::CaptionAboveImageClick);
    caption->addAction("&Below Image", this, &TfrmMain::CaptionBelowImageClick);
    QMenu* timeDate = menu->addMenu("&Image(s) With Caption And Time-&Date Stamp");
    timeDate->addAction("&Above Image", this, &TfrmMain::TimeDateAboveImageClick);
    timeDate->addAction("&Below Image", this, &TfrmMain::TimeDateBelowImageClick);
    menu->addAction("Image(s) Stretch To &Full Page", this,
                    &TfrmMain::ImagesStretchToFullPage2Click);
    menu->addAction("Image(s) As &Many To A Page", this, &TfrmMain::ImagesAsManyToAPage1Click);
    menu->addAction(thumbnailsCaption, this, &TfrmMain::ImagesAsThumbnails1Click);
}

void TfrmMain::ShowImageMenu(const QPoint& globalPos) {
    // Brought to the front first, so that the menu is not opened behind another window.
    activateWindow();
    ImageMenu->popup(globalPos);
}

void TfrmMain::BuildToolBar() {
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName("ToolBar");
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar->setIconSize(ToolPictureSize);
    ToolBar->setFixedHeight(56);
    ToolBar->setContentsMargins(0, 0, 0, 0);
    addToolBar(Qt::TopToolBarArea, ToolBar);

    // Files: tbSave (Save As), tbDelete, tbPrint (Print > Image(s)), tbEmail.
    AddToolButton("tbSave", TToolPicture::Save, "Save As", &TfrmMain::SaveAs1Click);
    AddToolButton("tbDelete", TToolPicture::Delete, "Delete", &TfrmMain::Delete1Click);
    AddToolButton("tbPrint", TToolPicture::Print, "Print", &TfrmMain::Images1perpageClick);
    AddToolButton("tbEmail", TToolPicture::Email, "E-mail", &TfrmMain::tbEmailClick);
    AddToolSeparator();
    // Hand-off: tbCopy (Copy to clipboard), tbPaste (Paste in MS Word).
    AddToolButton("tbCopy", TToolPicture::Copy, "Copy to clipboard",
                  &TfrmMain::Copytoclipboard1Click);
    AddToolButton("tbPaste", TToolPicture::Paste, "Paste in MS Word",
                  &TfrmMain::CopytoMSWord97or20001Click);
    AddToolSeparator();
    // Viewers: tbThumbs (thumbnail viewer), tbEditor (Edit Image).
    AddToolButton("tbThumbs", TToolPicture::Thumbnails, "Thumbnails", &TfrmMain::tbThumbsClick);
    AddToolButton("tbEditor", TToolPicture::Editor, "Edit Image", &TfrmMain::ImageEditorClick);
    AddToolSeparator();
    AddToolButton("tbWeblink", TToolPicture::WebLink, "WebLink Viewer",
                  &TfrmMain::StartWebImageLauncher1Click);
    // Then the quick-start button.

    auto* btnClickMe = new QPushButton("Click Me", ToolBar);
    btnClickMe->setObjectName("btnClickMe");
    btnClickMe->setToolTip("Quick Start Instructions");
    btnClickMe->setCursor(Qt::PointingHandCursor);
    QFont bold = btnClickMe->font();
    bold.setFamilies({"Arial", "Liberation Sans", "DejaVu Sans"});
    bold.setBold(true);
    btnClickMe->setFont(bold);
    // Yellow with a red caption; teal with a white caption under the pointer.
    btnClickMe->setStyleSheet(
        "QPushButton { background-color: #ffff00; color: #ff0000; border: 1px solid #808000;"
        " border-radius: 3px; padding: 5px 12px; }"
        "QPushButton:hover { background-color: #008080; color: #ffffff;"
        " border-color: #004040; }"
        "QPushButton:pressed { background-color: #006060; color: #ffffff; }");
    connect(btnClickMe, &QPushButton::clicked, this, &TfrmMain::btnClickMeClick);
    auto* gap = new QWidget(ToolBar);
    gap->setFixedWidth(8);
    ToolBar->addWidget(gap);
    ToolBar->addWidget(btnClickMe);
}

void TfrmMain::AddToolButton(const char* name, TToolPicture picture, const QString& hint,
                             void (TfrmMain::*command)()) {
    auto* button = new QToolButton(ToolBar);
    button->setObjectName(name);
    button->setIcon(ToolIcon(picture));
    button->setIconSize(ToolPictureSize);
    button->setFixedSize(57, 54);
    // Flat: the frame and the coloured picture appear under the pointer.
    button->setAutoRaise(true);
    button->setToolTip(hint);
    connect(button, &QToolButton::clicked, this, command);
    ToolBar->addWidget(button);
}

void TfrmMain::AddToolSeparator() {
    const QList<QAction*> items = ToolBar->actions();
    if (!items.isEmpty() && !items.last()->isSeparator())
        ToolBar->addSeparator();
}
