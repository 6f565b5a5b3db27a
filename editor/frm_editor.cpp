#include "editor/frm_editor.h"

#include "editor/frm_resize.h"
#include "editor/frm_rotate.h"
#include "editor/frm_wave.h"

#include "imaging/adjust_effects.h"
#include "imaging/convert_to_gray_transform.h"
#include "imaging/convolution_transform.h"
#include "imaging/crop_transform.h"
#include "imaging/fast_effects.h"
#include "imaging/flip_transform.h"
#include "imaging/format_registry.h"
#include "imaging/mirror.h"
#include "imaging/negative_transform.h"
#include "imaging/rotate_transform.h"
#include "platform/dib_qimage.h"
#include "store/file_io.h"
#include "store/work_folder.h"
#include "widgets/capture_list.h"
#include "widgets/fast_img.h"
#include "widgets/image_scroll_box.h"
#include "widgets/local_path.h"
#include "widgets/wait_pointer.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <cstring>

namespace {

const QString SaveChangesQuestion = "Save changes to the current image?";

// The view's pixels of a palette image are indices: white is the palette's nearest entry.
void FillWithWhite(TDibGraphic& image, const TSelectionRect& rect) {
    const uint32_t white = MakeColor(255, 255, 255);
    const int bits = image.BitsPerPixel();
    const int index = bits == 24 ? 0 : image.NearestPaletteIndex(white);
    for (int y = rect.Top; y < rect.Bottom; ++y) {
        uint8_t* row = image.ScanLine(y);
        if (bits == 24)
            std::memset(row + 3 * std::size_t(rect.Left), 0xFF, 3 * std::size_t(rect.Width()));
        else if (bits == 8)
            std::memset(row + rect.Left, index, std::size_t(rect.Width()));
        else
            for (int x = rect.Left; x < rect.Right; ++x)
                image.SetPixelIndex(x, y, index);
    }
}

// The transfer file that hands the image to the fast raster buffer's effects as a 24-bit
// BMP file; it goes when the command ends, however it ends.
class TTransferFile {
public:
    TTransferFile() : Path_(WorkPath("del1.bmp")) {}
    ~TTransferFile() { DeleteFile(Path_); }
    TTransferFile(const TTransferFile&) = delete;
    TTransferFile& operator=(const TTransferFile&) = delete;
    const std::string& Path() const { return Path_; }

private:
    std::string Path_;
};

} // namespace

TfrmEditor::TfrmEditor(const TServices& services, const TEditorLinks& links, QWidget* parent)
    : QDialog(parent), Services(services), Links(links) {
    BuildWindow();
    FormCreate();
}

TfrmEditor::~TfrmEditor() = default;

int TfrmEditor::ZoomPercentOfEntry(int entry) {
    static constexpr int FirstPercents[] = {10, 25, 50, 75};
    if (entry < 0)
        return 100;
    return entry < 4 ? FirstPercents[entry] : 100 + 25 * (entry - 4);
}

void TfrmEditor::BuildWindow() {
    setObjectName("frmEditor");
    setWindowTitle("Image Editor");
    // A window of its own with the usual frame, not a dialog's: it is resized and maximised
    // like any picture editor.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    BuildMenus();
    column->setMenuBar(MainMenu);
    BuildToolBar();
    column->addWidget(ToolBar);
    BuildAnnotateBar();
    column->addWidget(AnnotateBar);

    editImage = new TImageScrollBox(this);
    editImage->setObjectName("editImage");
    QPalette grey = editImage->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    editImage->setPalette(grey);
    editImage->viewport()->setPalette(grey);
    editImage->viewport()->setAutoFillBackground(true);
    editImage->viewport()->setCursor(Qt::CrossCursor);
    editImage->SetZoomMode(zmOriginalSize);
    editImage->OnQuickSelect = [this](TImageScrollBox&, const TDibGraphic& part,
                                      const QRect& rect) { editImageQuickSelect(part, rect); };
    editImage->OnClick = [this](TImageScrollBox&) { editImageClick(); };
    column->addWidget(editImage, 1);
    AnnotateLayer = new TAnnotateLayer(editImage->Picture());
    AnnotateLayer->Look = [this](TAnnotateTool tool) { return MarkLook(tool); };
    AnnotateLayer->OnFinished = [this](const TAnnotateGesture& gesture) {
        editImageGesture(gesture);
    };

    StatusPanel = new QStatusBar(this);
    StatusPanel->setObjectName("StatusPanel");
    StatusPanel->setSizeGripEnabled(false);
    StatusPanel->setFixedHeight(18);
    StatusText = new QLabel(StatusPanel);
    StatusText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatusPanel->addWidget(StatusText, 1);
    ProgressBar = new QProgressBar(StatusPanel);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setRange(0, 100);
    ProgressBar->setFixedWidth(287);
    ProgressBar->setMaximumHeight(16);
    ProgressBar->setTextVisible(false);
    StatusPanel->addPermanentWidget(ProgressBar);
    ProgressBar->hide();
    column->addWidget(StatusPanel);

    SelectTimer = new QTimer(this);
    SelectTimer->setInterval(3000);
    connect(SelectTimer, &QTimer::timeout, this, &TfrmEditor::SelectTimerTimer);

    // The client area (tool bar, picture, status bar) is 592 x 394; the menu bar and the
    // annotation tools come on top.
    resize(592, 394 + MainMenu->sizeHint().height() + AnnotateBar->height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmEditor::FormCreate() {
    ExitConfirmed = false;
    SelectionActive = false;
    cboZoom->setCurrentIndex(ZoomEntry100);
    SetUndoEnabled(false);
    SetSelectionCommandsEnabled(false);
    tbPasteAsNew->setEnabled(false);
    Marks = ReadAnnotateSettings();
    ShowMarkColor();
    ChooseAnnotateTool(TAnnotateTool::Pointer);
}

void TfrmEditor::OpenListEntry(int row, const TDibGraphic& image, bool openedFromMain) {
    LinkedToList = true;
    ListIndex = row;
    CurrentFile_ = Links.Main.Captures().Path(row);
    SetCaption(CurrentFile_);
    OpenedFromMain = openedFromMain;
    editImage->AssignImage(image);
    NewImageShown();
    ShowStatusText();
}

void TfrmEditor::FormActivate() {
    ShowStatusText();
    UpdatePasteEntries();
}

bool TfrmEditor::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return handled;
}

void TfrmEditor::reject() {
    // Esc while a mark is dragged cancels the mark, not the window.
    if (AnnotateLayer->Busy()) {
        AnnotateLayer->Cancel();
        return;
    }
    if (FormCloseQuery())
        QDialog::reject();
}

bool TfrmEditor::FormCloseQuery() {
    if (!Modified_ || ExitConfirmed)
        return true;
    return AskToSaveChanges(TMsgIcon::Warning, &TfrmEditor::Save1Click) == TSaveAnswer::GoOn;
}

void TfrmEditor::Exit1Click() {
    if (Modified_ &&
        AskToSaveChanges(TMsgIcon::Warning, &TfrmEditor::Save1Click) == TSaveAnswer::Stop)
        return;
    ExitConfirmed = true;
    reject();
}

TfrmEditor::TSaveAnswer TfrmEditor::AskToSaveChanges(TMsgIcon icon, void (TfrmEditor::*save)()) {
    switch (Services.Dialogs.Message(this, "Save Changes", SaveChangesQuestion, icon,
                                     mbYes | mbNo | mbCancel)) {
    case TMsgResult::Yes:
        (this->*save)();
        // A save the user cancelled, or one that failed, keeps the changes only here: what
        // was to follow (closing, another image) would lose them.
        return Modified_ ? TSaveAnswer::Stop : TSaveAnswer::GoOn;
    case TMsgResult::No:
        return TSaveAnswer::GoOn;
    default:
        return TSaveAnswer::Stop;
    }
}

bool TfrmEditor::HasImage() const {
    return !editImage->Graphic().Empty();
}

void TfrmEditor::Run(const std::function<void()>& command) {
    RunCommand(Services.Dialogs, this, command);
    // A failure leaves no progress behind.
    ShowTransformProgress(100);
}

void TfrmEditor::SetCaption(const QString& caption) {
    setWindowTitle(caption);
}

void TfrmEditor::SetUndoEnabled(bool enabled) {
    Undo1->setEnabled(enabled);
    tbUndo->setEnabled(enabled);
}

void TfrmEditor::SetSelectionCommandsEnabled(bool enabled) {
    tbCut->setEnabled(enabled);
    tbCrop->setEnabled(enabled);
}

void TfrmEditor::UpdatePasteEntries() {
    const bool picture = Services.Clipboard.HasImage();
    tbPasteAsNew->setEnabled(picture);
    Paste1->setEnabled(picture);
}

// The image and its undo history.

TDibGraphic& TfrmEditor::Image() {
    return editImage->Graphic();
}

void TfrmEditor::Redraw() {
    editImage->Redraw(true);
}

const TDibGraphic& TfrmEditor::PushUndo() {
    // A command that changes the image (a shortcut pressed while a mark is dragged) ends the
    // mark, which was placed on the image as it was.
    AnnotateLayer->Cancel();
    return Undo_.Push(Image());
}

void TfrmEditor::CountUndoStep() {
    Undo_.Count();
    StepBeforeUndo_.push_back(NextStep_);
    while (StepBeforeUndo_.size() > std::size_t(Undo_.Steps()))
        StepBeforeUndo_.pop_front();
    Modified_ = true;
    SetUndoEnabled(true);
}

void TfrmEditor::StoreBitmapResult(TDibGraphic&& bitmap) {
    if (Services.Screen.ScreenColorCount() > 256) {
        Image() = std::move(bitmap);
        return;
    }
    // On a palette screen the picture takes the screen's palette on its way through the
    // clipboard, which keeps it. Another program may have taken the clipboard meanwhile:
    // the picture itself is used then.
    CopyToClipboard(bitmap);
    const QImage back = Services.Clipboard.GetImage();
    Image() = back.isNull() ? std::move(bitmap) : QImageToDib(back);
}

void TfrmEditor::RunTransform(TImageTransform& transform) {
    if (!HasImage())
        return;
    Run([&] {
        TWaitPointer wait;
        transform.SetProgressCallback(
            [this](TImageTransform&, int percent) { ShowTransformProgress(percent); });
        const TDibGraphic& source = PushUndo();
        // Into a new image first: a transform that fails leaves the image as it was.
        TDibGraphic result;
        transform.ApplyOnDest(source, result);
        Image() = std::move(result);
        Redraw();
        CountUndoStep();
        ShowStatusText();
    });
}

void TfrmEditor::ShowTransformProgress(int percent) {
    if (percent >= 100) {
        ProgressBar->hide();
        return;
    }
    ProgressBar->setValue(percent);
    if (ProgressBar->isHidden())
        ProgressBar->show();
    // The transform runs on this thread: the bar is painted now.
    ProgressBar->repaint();
}

void TfrmEditor::ShowStatusText() {
    if (HasImage())
        StatusText->setText(QString("%1 x %2").arg(Image().Width()).arg(Image().Height()));
    else
        StatusText->clear();
}

// Edit.

void TfrmEditor::Undo1Click() {
    AnnotateLayer->Cancel();
    if (!Undo_.Undo(Image()))
        return;
    if (!StepBeforeUndo_.empty()) {
        NextStep_ = StepBeforeUndo_.back();
        StepBeforeUndo_.pop_back();
    }
    Redraw();
    if (Undo_.Steps() == 0) {
        Modified_ = false;
        SetUndoEnabled(false);
    }
    ShowStatusText();
}

TSelectionRect TfrmEditor::SelectionInImage() const {
    if (!SelectionActive || SelectionRect.Empty())
        return {};
    const TDibGraphic& image = editImage->Graphic();
    return SelectionToImage(SelectionRect, SelectionZoom, image.Width(), image.Height());
}

void TfrmEditor::EndSelection() {
    SelectionActive = false;
    SetSelectionCommandsEnabled(false);
}

TDibGraphic TfrmEditor::ImagePart(const TSelectionRect& rect) const {
    const TDibGraphic& image = editImage->Graphic();
    TCropTransform crop;
    crop.Top = rect.Top;
    crop.Left = rect.Left;
    crop.Bottom = image.Height() - rect.Bottom;
    crop.Right = image.Width() - rect.Right;
    TDibGraphic part;
    crop.ApplyOnDest(image, part);
    return part;
}

void TfrmEditor::CopyToClipboard(const TDibGraphic& picture) {
    Services.Clipboard.SetImage(DibToQImage(picture));
    UpdatePasteEntries();
}

void TfrmEditor::CopytoClipboard1Click() {
    if (!HasImage())
        return;
    editImage->SetMouseMode(TImageScrollBox::mmPan);
    // The pixels always come from the image itself, at its own resolution: the part the
    // view reported at the selection is the zoomed picture's, and the clipboard may hold
    // another program's picture by now.
    const TSelectionRect part = SelectionInImage();
    if (SelectionActive)
        EndSelection();
    Run([&] { CopyToClipboard(part.Empty() ? Image() : ImagePart(part)); });
    Redraw();
}

void TfrmEditor::Cut1Click() {
    if (!HasImage() || !SelectionActive)
        return;
    SetSelectionCommandsEnabled(false);
    const TSelectionRect part = SelectionInImage();
    if (part.Empty()) {
        EndSelection();
        return;
    }
    CopytoClipboard1Click();
    // The image's own pixels are filled, whatever the zoom: it stays as it was.
    Run([&] {
        PushUndo();
        FillWithWhite(Image(), part);
        Redraw();
        CountUndoStep();
    });
}

void TfrmEditor::Select1Click() {
    if (!HasImage())
        return;
    ChooseAnnotateTool(TAnnotateTool::Pointer);
    if (SelectionActive)
        Redraw(); // the outline of the last selection goes
    SelectionActive = true;
    // Nothing is selected until a rectangle is drawn: Cut and Crop must not take the last
    // one, which is no longer shown.
    SelectionRect = {};
    // A timer still running for the last rectangle would end this selection under the user.
    SelectTimer->stop();
    editImage->SetMouseMode(TImageScrollBox::mmQuickSelect);
    editImage->Picture()->setCursor(Qt::CrossCursor);
    SetSelectionCommandsEnabled(true);
}

void TfrmEditor::editImageQuickSelect(const TDibGraphic& part, const QRect& rect) {
    Services.Clipboard.Clear();
    if (rect.width() <= 0 || rect.height() <= 0) {
        EndSelection();
    } else {
        CopyToClipboard(part);
        SelectionRect = {rect.left(), rect.top(), rect.left() + rect.width(),
                         rect.top() + rect.height()};
        SelectionZoom = editImage->ZoomPercent();
        editImage->Picture()->setCursor(Qt::ArrowCursor);
        editImage->ShowOutline(rect);
    }
    UpdatePasteEntries();
    SelectTimer->start();
}

void TfrmEditor::SelectTimerTimer() {
    SelectTimer->stop();
    editImage->SetMouseMode(TImageScrollBox::mmPan);
}

void TfrmEditor::editImageClick() {
    if (!SelectionActive)
        return;
    EndSelection();
    Redraw();
    editImage->SetMouseMode(TImageScrollBox::mmPan);
}

void TfrmEditor::Crop1Click() {
    if (!HasImage() || !SelectionActive)
        return;
    editImage->SetMouseMode(TImageScrollBox::mmPan);
    SetSelectionCommandsEnabled(false);
    const TSelectionRect part = SelectionInImage();
    if (part.Empty()) {
        EndSelection();
        return;
    }
    Run([&] {
        PushUndo();
        TDibGraphic cropped = ImagePart(part);
        // The clipboard keeps the cropped part.
        CopyToClipboard(cropped);
        StoreBitmapResult(std::move(cropped));
        Redraw();
        EndSelection();
        CountUndoStep();
        ShowStatusText();
    });
}

std::optional<TDibGraphic> TfrmEditor::ClipboardPicture() {
    if (!Services.Clipboard.HasImage())
        return std::nullopt;
    const QImage picture = Services.Clipboard.GetImage();
    if (picture.isNull()) {
        // Offered, but not given: more pixels than the clipboard's decode limit takes, or
        // data that is no picture.
        Services.Dialogs.Message(this, "Error",
                                 "The picture on the clipboard cannot be pasted: it is larger "
                                 "than Karvin takes (256 MB of pixels) or it is damaged.",
                                 TMsgIcon::Critical, mbOK);
        return std::nullopt;
    }
    return QImageToDib(picture);
}

void TfrmEditor::Paste1Click() {
    Run([&] {
        if (!HasImage()) {
            if (std::optional<TDibGraphic> picture = ClipboardPicture()) {
                Image() = std::move(*picture);
                Redraw();
                NewImageShown();
                Modified_ = true;
            }
            LinkedToList = false;
            CurrentFile_.clear();
            ShowStatusText();
            return;
        }
        // Without a picture there is nothing to paste, and the image stays what it is,
        // with its file and its row.
        if (!Services.Clipboard.HasImage())
            return;
        if (Modified_ &&
            AskToSaveChanges(TMsgIcon::Question, &TfrmEditor::SaveAs1Click) == TSaveAnswer::Stop)
            return;
        std::optional<TDibGraphic> picture = ClipboardPicture();
        if (!picture)
            return;
        PushUndo();
        Image() = std::move(*picture);
        Redraw();
        CountUndoStep();
        NewImageShown();
        LinkedToList = false;
        CurrentFile_.clear();
        SetCaption(QString());
        ShowStatusText();
    });
}

void TfrmEditor::Clear1Click() {
    Services.Clipboard.Clear();
    UpdatePasteEntries();
}

void TfrmEditor::Edit1Click() {
    Cut1->setEnabled(SelectionActive);
    Crop1->setEnabled(SelectionActive);
    UpdatePasteEntries();
}

// View.

void TfrmEditor::ImageInfo1Click() {
    if (!HasImage())
        return;
    QString text;
    if (!CurrentFile_.isEmpty())
        text += CurrentFile_ + "\n";
    text += QString("Dimensions: %1x%2\n").arg(Image().Width()).arg(Image().Height());
    // A GIF file holds at most 256 colours, whatever the picture became in memory.
    if (CurrentFile_.toLower().endsWith(".gif"))
        text += "Bit count: 8-bit";
    else
        text += QString("Bit count: %1").arg(Image().BitsPerPixel());
    Services.Dialogs.Message(this, "Image Infomation", text, TMsgIcon::Information, mbOK);
}

void TfrmEditor::cboZoomClick() {
    if (!HasImage())
        return;
    Run([&] {
        TWaitPointer wait;
        editImage->SetZoomPercent(float(ZoomPercentOfEntry(cboZoom->currentIndex())));
    });
}

// Color and Image.

void TfrmEditor::Grayscale1Click() {
    TConvertToGrayTransform grey;
    RunTransform(grey);
}

void TfrmEditor::Inverted1Click() {
    TNegativeTransform negative;
    RunTransform(negative);
}

void TfrmEditor::ByAngleDegrees1Click() {
    if (!HasImage())
        return;
    const std::optional<QString> text =
        Services.Dialogs.InputBox(this, "Rotate", "Rotation Angle", "45");
    if (!text)
        return;
    // Read before anything is changed: a text that is no number changes nothing.
    bool number = false;
    const double angle = QLocale::c().toDouble(text->trimmed(), &number);
    if (!number || !std::isfinite(angle)) {
        ReportError(Services.Dialogs, this, "'" + *text + "' is not a valid floating point value");
        return;
    }
    TRotateTransform rotate;
    rotate.Angle = angle;
    RunTransform(rotate);
}

void TfrmEditor::Horizontal1Click() {
    TFlipHorizontalTransform flip;
    RunTransform(flip);
}

void TfrmEditor::Vertical1Click() {
    TFlipVerticalTransform flip;
    RunTransform(flip);
}

void TfrmEditor::MirrorImage(TDibGraphic (*mirror)(const TDibGraphic&)) {
    if (!HasImage())
        return;
    Run([&] {
        TWaitPointer wait;
        const TDibGraphic& source = PushUndo();
        StoreBitmapResult(mirror(source));
        Redraw();
        CountUndoStep();
        ShowStatusText();
    });
}

void TfrmEditor::Right1Click() {
    MirrorImage(MirroredRight);
}

void TfrmEditor::Down1Click() {
    MirrorImage(MirroredDown);
}

void TfrmEditor::Smooth1Click() {
    TSmoothTransform smooth;
    RunTransform(smooth);
}

void TfrmEditor::Sharpen1Click() {
    TSharpenTransform sharpen;
    RunTransform(sharpen);
}

void TfrmEditor::Emboss1Click() {
    TEmbossTransform emboss;
    RunTransform(emboss);
}

void TfrmEditor::Blur2Click() {
    if (!HasImage())
        return;
    Run([&] {
        TWaitPointer wait;
        // The image travels as a 24-bit BMP file into the picture control of the fast raster
        // buffer (never shown), is blurred there, and comes back through the clipboard, which
        // keeps the blurred picture.
        TTransferFile transfer;
        TrueColorFastDIB(Image()).SaveToFile(transfer.Path());
        TFastIMG picture;
        picture.SetAutoSize(true);
        picture.SetPicture(FromLocalPath(transfer.Path()));
        FastSplitBlur(picture.Buffer(), 1, TBlurEdges::Nearest);
        picture.Redraw();
        Services.Clipboard.Clear();
        Services.Clipboard.SetImage(picture.ShownImage());
        UpdatePasteEntries();
        PushUndo();
        // The buffer itself, not what the clipboard gives back: another program may have
        // taken the clipboard in the meantime.
        StoreBitmapResult(TrueColorDibGraphic(picture.Buffer()));
        Redraw();
        CountUndoStep();
        ShowStatusText();
    });
}

void TfrmEditor::RunTransferDialog(TFastPreviewDialog& dialog) {
    Run([&] {
        TTransferFile transfer;
        {
            TWaitPointer wait;
            TrueColorFastDIB(Image()).SaveToFile(transfer.Path());
            dialog.fImage->SetPicture(FromLocalPath(transfer.Path()));
            dialog.SetTransferFile(FromLocalPath(transfer.Path()));
        }
        if (Services.Dialogs.ExecModal(dialog) != QDialog::Accepted)
            return;
        TWaitPointer wait;
        // Read before anything changes: a file that cannot be read leaves the image and its
        // history as they were.
        TDibGraphic kept = LoadImageFile(transfer.Path());
        PushUndo();
        Image() = std::move(kept);
        Redraw();
        CountUndoStep();
        ShowStatusText();
    });
}

void TfrmEditor::ByXYCoordinates1Click() {
    if (!HasImage())
        return;
    TfrmRotate rotate(Services.Dialogs, this);
    RunTransferDialog(rotate);
}

void TfrmEditor::Wave1Click() {
    if (!HasImage())
        return;
    TfrmWave wave(Services.Dialogs, this);
    RunTransferDialog(wave);
}

void TfrmEditor::Resize1Click() {
    if (!HasImage())
        return;
    TfrmResize dialog(Services.Dialogs, Resize, this);
    dialog.SetStartSize(Image().Width(), Image().Height());
    Resize.ResizeWidth = 0;
    Resize.ResizeHeight = 0;
    Services.Dialogs.ExecModal(dialog);
    if (Resize.ResizeWidth > 0)
        ResizeImage();
}

void TfrmEditor::ResizeImage() {
    if (!HasImage() || Resize.ResizeWidth <= 0 || Resize.ResizeHeight <= 0)
        return;
    Run([&] {
        TWaitPointer wait;
        const TPixelSize size = ResizedSize(Image().Width(), Image().Height(), Resize);
        const TDibGraphic& source = PushUndo();
        StoreBitmapResult(ResizedImage(source, size));
        Redraw();
        CountUndoStep();
        ShowStatusText();
    });
}

void TfrmEditor::Help1Click() {
    Links.Main.ShowHelp(this, "topic-102");
}
