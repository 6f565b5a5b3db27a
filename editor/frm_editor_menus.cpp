// The editor's menus and tool bar. An entry or a button appears only once its command
// exists: the word processor paste brings its own at the places marked below.
#include "editor/editor_tool_pictures.h"
#include "editor/frm_editor.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

void TfrmEditor::BuildMenus() {
    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName("MainMenu");

    QMenu* file = MainMenu->addMenu("&File");
    file->addAction("&Open", this, &TfrmEditor::Open1Click)->setShortcut(QKeySequence::Open);
    file->addAction("&Save", this, &TfrmEditor::Save1Click)->setShortcut(QKeySequence::Save);
    file->addAction("Save &As", this, &TfrmEditor::SaveAs1Click);
    file->addAction("&Print", this, &TfrmEditor::Print1Click)->setShortcut(QKeySequence::Print);
    file->addAction("&Batch Conversion", this, &TfrmEditor::BatchConversion1Click);
    file->addAction("E&xit", this, &TfrmEditor::Exit1Click);

    QMenu* edit = MainMenu->addMenu("&Edit");
    connect(edit, &QMenu::aboutToShow, this, &TfrmEditor::Edit1Click);
    Undo1 = edit->addAction("&Undo", this, &TfrmEditor::Undo1Click);
    Undo1->setShortcut(QKeySequence::Undo);
    edit->addAction("&Copy to Clipboard", this, &TfrmEditor::CopytoClipboard1Click)
        ->setShortcut(QKeySequence::Copy);
    Paste1 = edit->addAction("&Paste As New Image", this, &TfrmEditor::Paste1Click);
    Paste1->setShortcut(QKeySequence::Paste);
    // "Paste to MS &Word" comes here.
    Cut1 = edit->addAction("C&ut", this, &TfrmEditor::Cut1Click);
    Cut1->setShortcut(QKeySequence::Cut);
    edit->addAction("&Select", this, &TfrmEditor::Select1Click);
    Crop1 = edit->addAction("Cr&op", this, &TfrmEditor::Crop1Click);
    edit->addAction("Clea&r Clipboard", this, &TfrmEditor::Clear1Click);

    QMenu* color = MainMenu->addMenu("&Color");
    color->addAction("&Grayscale", this, &TfrmEditor::Grayscale1Click);
    color->addAction("&Negative", this, &TfrmEditor::Inverted1Click);
    QMenu* adjust = color->addMenu("&Adjust");
    adjust->addAction("&Brightness", this, &TfrmEditor::Bright1Click);
    adjust->addAction("&Contrast", this, &TfrmEditor::Contrast1Click);
    adjust->addAction("&Saturation", this, &TfrmEditor::Saturation1Click);

    QMenu* image = MainMenu->addMenu("&Image");
    QMenu* rotate = image->addMenu("&Rotate");
    rotate->addAction("By &Angle (Degrees)", this, &TfrmEditor::ByAngleDegrees1Click);
    rotate->addAction("By &XY Coordinates", this, &TfrmEditor::ByXYCoordinates1Click);
    QMenu* flip = image->addMenu("&Flip");
    flip->addAction("&Horizontal", this, &TfrmEditor::Horizontal1Click);
    flip->addAction("&Vertical", this, &TfrmEditor::Vertical1Click);
    QMenu* mirror = image->addMenu("&Mirror");
    mirror->addAction("&Right", this, &TfrmEditor::Right1Click);
    mirror->addAction("&Down", this, &TfrmEditor::Down1Click);
    image->addAction("&Smooth", this, &TfrmEditor::Smooth1Click);
    image->addAction("Shar&pen", this, &TfrmEditor::Sharpen1Click);
    image->addAction("&Resize", this, &TfrmEditor::Resize1Click);
    QMenu* effects = image->addMenu("Special &Effects");
    QMenu* blur = effects->addMenu("&Blur");
    blur->addAction("Blur", this, &TfrmEditor::Blur2Click);
    blur->addAction("&Gaussian", this, &TfrmEditor::Gaussian1Click);
    blur->addAction("&Split Blur", this, &TfrmEditor::SplitBlur1Click);
    QMenu* noise = effects->addMenu("&Noise");
    noise->addAction("Color", this, &TfrmEditor::Color2Click);
    noise->addAction("&Mono", this, &TfrmEditor::Mono1Click);
    effects->addAction("&Mosaic", this, &TfrmEditor::Mosaic1Click);
    effects->addAction("&Fisheye", this, &TfrmEditor::Fisheye1Click);
    effects->addAction("&Wave", this, &TfrmEditor::Wave1Click);
    effects->addAction("&Emboss", this, &TfrmEditor::Emboss1Click);
    QMenu* colorEffects = effects->addMenu("&Color Effects");
    colorEffects->addAction("X&Red", this, &TfrmEditor::XRed1Click);
    colorEffects->addAction("X&Green", this, &TfrmEditor::XGreen1Click);
    colorEffects->addAction("X&Blue", this, &TfrmEditor::XBlue1Click);
    QMenu* squeeze = effects->addMenu("&Squeeze");
    squeeze->addAction("&Horizontal", this, &TfrmEditor::Horizontal2Click);
    squeeze->addAction("&Top", this, &TfrmEditor::Top1Click);
    squeeze->addAction("&Bottom", this, &TfrmEditor::Bottom1Click);
    squeeze->addAction("&Diamond", this, &TfrmEditor::Diamond1Click);
    squeeze->addAction("&Middle", this, &TfrmEditor::Middle1Click);
    squeeze->addAction("&Round", this, &TfrmEditor::Round1Click);
    squeeze->addAction("Double R&ound", this, &TfrmEditor::DoubleRound1Click);
    QMenu* split = effects->addMenu("S&plit");
    split->addAction("&Round", this, &TfrmEditor::Round2Click);
    split->addAction("&Transpose", this, &TfrmEditor::Transpose1Click);
    QMenu* ripple = effects->addMenu("&Ripple");
    ripple->addAction("&Tooth", this, &TfrmEditor::Tooth1Click);
    ripple->addAction("&Random", this, &TfrmEditor::Random1Click);
    QMenu* tile = effects->addMenu("&Tile");
    tile->addAction("&Normal", this, &TfrmEditor::Normal1Click);
    tile->addAction("&Overlap", this, &TfrmEditor::Overlap1Click);
    effects->addAction("Posteri&ze", this, &TfrmEditor::Posterize1Click);
    effects->addAction("Sol&arize", this, &TfrmEditor::Solarize1Click);

    BuildAnnotateMenu();

    QMenu* view = MainMenu->addMenu("&View");
    view->addAction("&Image Info", this, &TfrmEditor::ImageInfo1Click);

    // The Help entry of the menu bar is the command itself.
    QAction* help = MainMenu->addAction("&Help", this, &TfrmEditor::Help1Click);
    help->setShortcut(QKeySequence::HelpContents);
}

void TfrmEditor::BuildToolBar() {
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName("ToolBar");
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar->setIconSize(EditorPictureSize);
    ToolBar->setFixedHeight(26);
    ToolBar->setContentsMargins(0, 0, 0, 0);

    AddToolButton("tbOpen", TEditorPicture::Open, "Open", &TfrmEditor::Open1Click);
    AddToolButton("tbSave", TEditorPicture::Save, "Save", &TfrmEditor::SaveAs1Click);
    AddToolButton("tbPrint", TEditorPicture::Print, "Print", &TfrmEditor::Print1Click);
    tbCut = AddToolButton("tbCut", TEditorPicture::Cut, "Cut", &TfrmEditor::Cut1Click);
    AddToolButton("tbCopy", TEditorPicture::Copy, "Copy to clipboard",
                  &TfrmEditor::CopytoClipboard1Click);
    tbPasteAsNew = AddToolButton("tbPasteAsNew", TEditorPicture::PasteAsNew, "Paste As New Image",
                                 &TfrmEditor::Paste1Click);
    // tbWord ("Paste to MS Word") comes here.
    tbUndo = AddToolButton("tbUndo", TEditorPicture::Undo, "Undo", &TfrmEditor::Undo1Click);
    AddToolButton("tbSelect", TEditorPicture::Select, "Select", &TfrmEditor::Select1Click);
    tbCrop = AddToolButton("tbCrop", TEditorPicture::Crop, "Crop", &TfrmEditor::Crop1Click);
    AddToolButton("tbGrayscale", TEditorPicture::Grayscale, "Grayscale",
                  &TfrmEditor::Grayscale1Click);
    AddToolButton("tbVertical", TEditorPicture::FlipVertical, "Flip Vertical",
                  &TfrmEditor::Vertical1Click);
    AddToolButton("tbHorizontal", TEditorPicture::FlipHorizontal, "Flip Horizontal",
                  &TfrmEditor::Horizontal1Click);
    AddToolButton("tbInfo", TEditorPicture::Info, "Image Information", &TfrmEditor::ImageInfo1Click)
        ->setFixedWidth(25);
    AddToolButton("tbBrightness", TEditorPicture::Brightness, "Brightness",
                  &TfrmEditor::Bright1Click);
    AddToolButton("tbContrast", TEditorPicture::Contrast, "Contrast", &TfrmEditor::Contrast1Click);
    AddToolButton("tbInverted", TEditorPicture::Negative, "Negative (Invert Colors)",
                  &TfrmEditor::Inverted1Click);
    AddToolButton("tbBatch", TEditorPicture::Batch, "Batch Conversion",
                  &TfrmEditor::BatchConversion1Click);
    AddToolButton("tbHelp", TEditorPicture::Help, "Help", &TfrmEditor::Help1Click);

    cboZoom = new QComboBox(ToolBar);
    cboZoom->setObjectName("cboZoom");
    for (int entry = 0; entry < ZoomEntries; ++entry)
        cboZoom->addItem(entry == ZoomEntry100
                             ? QString("View 100% (Actual Size)")
                             : QString("View %1%").arg(ZoomPercentOfEntry(entry)));
    // 129 wide, or wider where the desktop's font needs more room: a cut entry looks broken.
    cboZoom->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cboZoom->setFixedWidth(std::max(129, cboZoom->sizeHint().width()));
    cboZoom->setFocusPolicy(Qt::NoFocus);
    // activated: the user's choice only, not the entry FormCreate puts there.
    connect(cboZoom, &QComboBox::activated, this, &TfrmEditor::cboZoomClick);
    ToolBar->addWidget(cboZoom);
}

QToolButton* TfrmEditor::AddToolButton(const char* name, TEditorPicture picture,
                                       const QString& hint, void (TfrmEditor::*command)()) {
    auto* button = new QToolButton(ToolBar);
    button->setObjectName(name);
    button->setIcon(EditorIcon(picture));
    button->setIconSize(EditorPictureSize);
    button->setFixedSize(23, 22);
    button->setAutoRaise(true); // flat, framed under the pointer
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, command);
    ToolBar->addWidget(button);
    return button;
}
