// The image editor: one image in a zoomable view, clipboard, selection and crop commands, the
// effects of the Color and Image menus, an undo history of five steps, and the file commands
// (open, save, save as, print).
//
// The window is modal and opened on an image of the main window's list (TEditImageCommand,
// editor/edit_image_command.h); what it needs of the rest of the program comes in TEditorLinks:
// the main window's list and help, saving, printing and the note step. The window's own
// commands are in editor/frm_editor.cpp, the menus and the tool bar in
// editor/frm_editor_menus.cpp, the file commands in editor/frm_editor_files.cpp, the marks
// drawn over the image (the Annotate menu) in editor/frm_editor_annotate.cpp.
//
// The editor's dialogs work on its image through the section "The image and its undo
// history": PushUndo, then the change, then CountUndoStep.
#pragma once

#include "editor/annotate_layer.h"
#include "editor/resize_image.h"
#include "editor/selection_rect.h"
#include "editor/undo_history.h"
#include "imaging/image_transform.h"
#include "platform/services.h"
#include "store/settings_files.h"
#include "widgets/feature_links.h"
#include "widgets/main_view.h"

#include <QDialog>
#include <QRect>
#include <QString>

#include <array>
#include <deque>
#include <functional>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class TFastPreviewDialog;
class TImageScrollBox;
struct TAdjustOpening;
struct TMark;
enum class TEditorPicture;

// What the editor needs of the rest of the program.
struct TEditorLinks {
    IMainView& Main;          // the capture list, the help
    IImageSaving& Saving;     // the save dialog with its checks, writing files
    IImagePrinting& Printing; // the print dialog and the page
    INoteStep& Notes;         // the note question and the link store
};

class TfrmEditor : public QDialog {
    Q_OBJECT
public:
    TfrmEditor(const TServices& services, const TEditorLinks& links, QWidget* parent = nullptr);
    ~TfrmEditor() override;

    // The launch: the editor works on the image of list row `row`, a copy of `image` (what
    // the main window shows of it). `openedFromMain` is false when the thumbnail viewer
    // launched it.
    void OpenListEntry(int row, const TDibGraphic& image, bool openedFromMain);
    // Told the new path when Save As renames the list entry (the thumbnail viewer follows
    // the image it launched the editor for).
    std::function<void(const QString& path)> OnSavedAs;

    // Life of the window.
    void FormCreate();
    void FormActivate();
    // Whether the window may close: asks about unsaved changes unless Exit has asked.
    bool FormCloseQuery();

    // File (editor/frm_editor_files.cpp).
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void Print1Click();
    // The batch conversion window on the editor's view, whether or not an image is loaded;
    // the image comes back afterwards.
    void BatchConversion1Click();
    void Exit1Click();
    // Writes the image to `path` in the format of its extension (GIF, JPEG after the quality
    // window, the others reduced for a palette screen), then, for an image of the list, puts
    // the path into its row (whose saved mark follows the path) and runs the note step for a
    // row with a page address.
    void SaveEditedImage(const QString& path);

    // Edit.
    void Undo1Click();
    void CopytoClipboard1Click();
    void Paste1Click();
    void Cut1Click();
    void Select1Click();
    void Crop1Click();
    void Clear1Click();
    // The Edit menu opens: Cut and Crop follow the selection, Paste As New Image the
    // clipboard.
    void Edit1Click();

    // View and zoom.
    void ImageInfo1Click();
    void cboZoomClick();

    // Color and Image.
    void Grayscale1Click();
    void Inverted1Click();
    void ByAngleDegrees1Click();
    void Horizontal1Click();
    void Vertical1Click();
    void Right1Click();
    void Down1Click();
    void Smooth1Click();
    void Sharpen1Click();
    void Emboss1Click();
    void Blur2Click();
    // The rotate and wave windows, through the transfer file.
    void ByXYCoordinates1Click();
    void Wave1Click();
    // The resize window, then ResizeImage when it chose a size.
    void Resize1Click();
    // Resamples the image (Lanczos3) to the size of the resize window's choice, fitted to the
    // image's proportions when it keeps them.
    void ResizeImage();
    void Help1Click();

    // The entries that open the adjust dialog (editor/frm_editor_adjust.cpp).
    void Bright1Click();
    void Contrast1Click();
    void Saturation1Click();
    void Gaussian1Click();
    void SplitBlur1Click();
    void Color2Click();
    void Mono1Click();
    void Mosaic1Click();
    void Fisheye1Click();
    void XRed1Click();
    void XGreen1Click();
    void XBlue1Click();
    void Horizontal2Click();
    void Top1Click();
    void Bottom1Click();
    void Diamond1Click();
    void Middle1Click();
    void Round1Click();
    void DoubleRound1Click();
    void Round2Click();
    void Transpose1Click();
    void Tooth1Click();
    void Random1Click();
    void Normal1Click();
    void Overlap1Click();
    void Posterize1Click();
    void Solarize1Click();

    // Annotate (editor/frm_editor_annotate.cpp). One tool is chosen at a time; Pointer gives
    // the mouse back to panning and selecting. Colour, line width and font size are the same
    // for every tool and kept in "annotate.dat".
    void ChooseAnnotateTool(TAnnotateTool tool);
    TAnnotateTool AnnotateTool() const;
    void MarkColor1Click();
    void MarkWidth1Click();
    void MarkFontSize1Click();
    const TAnnotateSettings& MarkSettings() const { return Marks; }
    // A gesture of the chosen tool is finished (positions at the view's zoom): its mark is
    // drawn into the image at the image's resolution as one undo step. A gesture that
    // makes no mark (a drag of no size, empty text) changes nothing.
    void editImageGesture(const TAnnotateGesture& gesture);
    // The number the next step marker gets. It starts at 1 for every image shown, goes up
    // with each marker placed, and Undo puts back the number of the step it undoes.
    int NextStepNumber() const { return NextStep_; }
    static constexpr std::size_t AnnotateToolCount = std::size_t(TAnnotateTool::Pixelate) + 1;

    // The view's events.
    void editImageQuickSelect(const TDibGraphic& part, const QRect& rect);
    void editImageClick();
    void SelectTimerTimer();

    // The image and its undo history, for the editor's commands and dialogs.
    //
    // The image shown; whoever changes it calls Redraw.
    TDibGraphic& Image();
    void Redraw();
    // Copies the image as the undo step of the change that follows, and returns the copy
    // (a transform's source).
    const TDibGraphic& PushUndo();
    // The change is made: the copy becomes an undo step, the image counts as modified and
    // Undo is enabled.
    void CountUndoStep();
    // A command's finished picture becomes the image. On screens of 256 colours or fewer it
    // goes through the clipboard, which keeps it.
    void StoreBitmapResult(TDibGraphic&& bitmap);
    // A transform of the image with an undo step: PushUndo, the transform from the copy into
    // the image, redraw, CountUndoStep. Its progress shows in the status bar.
    void RunTransform(TImageTransform& transform);
    // The progress bar: 100 and above hide it, anything below shows that position.
    void ShowTransformProgress(int percent);
    // The image's size in the status bar ("640 x 480"), nothing without an image.
    void ShowStatusText();

    bool Modified() const { return Modified_; }
    int UndoCount() const { return Undo_.Steps(); }
    const QString& CurrentFile() const { return CurrentFile_; }

    // The zoom box's entries: 10, 25, 50, 75, then 100 to 500 in steps of 25.
    static constexpr int ZoomEntries = 21;
    static constexpr int ZoomEntry100 = 4;
    static int ZoomPercentOfEntry(int entry);

protected:
    bool event(QEvent* event) override;
    // Esc and the close box come here: the close question decides.
    void reject() override;

private:
    friend class TfrmEditorDriver; // the tests' view of the window

    void BuildWindow();
    // editor/frm_editor_menus.cpp
    void BuildMenus();
    void BuildToolBar();
    void BuildAnnotateMenu();
    void BuildAnnotateBar();
    QToolButton* AddToolButton(const char* name, TEditorPicture picture, const QString& hint,
                               void (TfrmEditor::*command)());

    bool HasImage() const;
    // A command with the general error report: a failure ends it and is shown.
    void Run(const std::function<void()>& command);
    // The answer to "Save changes to the current image?"; Yes has run `save` first and
    // counts only when the image was saved.
    enum class TSaveAnswer { GoOn, Stop };
    TSaveAnswer AskToSaveChanges(TMsgIcon icon, void (TfrmEditor::*save)());
    void SetCaption(const QString& caption);
    void SetUndoEnabled(bool enabled);
    void SetSelectionCommandsEnabled(bool enabled);
    // Paste As New Image follows the clipboard.
    void UpdatePasteEntries();
    // The selection in image pixels; empty when nothing is selected.
    TSelectionRect SelectionInImage() const;
    void EndSelection();
    // The part of the image inside `rect`, in the image's format.
    TDibGraphic ImagePart(const TSelectionRect& rect) const;
    // Puts a picture on the clipboard.
    void CopyToClipboard(const TDibGraphic& picture);
    // The picture on the clipboard; empty when there is none. A picture the clipboard offers
    // but cannot give (larger than the decode limit, or damaged) is refused with a message.
    std::optional<TDibGraphic> ClipboardPicture();
    void MirrorImage(TDibGraphic (*mirror)(const TDibGraphic&));
    // editor/frm_editor_adjust.cpp: the adjust dialog as `opening` says; Keep has stored
    // its picture with an undo step when it returns.
    void OpenAdjust(const TAdjustOpening& opening);
    // Hands the image to a rotate or wave window as the 24-bit transfer file and, when the
    // user keeps the result, takes the file back as the image with an undo step.
    void RunTransferDialog(TFastPreviewDialog& dialog);
    // editor/frm_editor_files.cpp: SaveEditedImage, and when the user agreed to replace the
    // image of a link record, its record and note go once the file is written.
    void WriteEditedImage(const QString& path, bool replacesLinkedImage);

    static TFileDialogOptions NewOpenDialog();

    // editor/frm_editor_annotate.cpp: draws the mark with an undo step; false, with nothing
    // changed, when it covers no pixel of the image.
    bool AddMark(const TMark& mark);
    // Another image is shown: step markers count from 1 again.
    void NewImageShown();
    void SaveMarkSettings();
    TAnnotateLook MarkLook(TAnnotateTool tool) const;
    // The stroke width of a tool's marks in image pixels, as DrawMark draws it.
    int MarkWidth(TAnnotateTool tool) const;
    void ShowMarkColor();

    TServices Services;
    TEditorLinks Links;
    // The open dialog; it opens where the last file was chosen.
    TFileDialogOptions imgOpenDialog = NewOpenDialog();

    // The window's parts.
    QMenuBar* MainMenu = nullptr;
    QToolBar* ToolBar = nullptr;
    TImageScrollBox* editImage = nullptr;
    QComboBox* cboZoom = nullptr;
    QStatusBar* StatusPanel = nullptr;
    QLabel* StatusText = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QTimer* SelectTimer = nullptr;
    // The entries and buttons the commands enable and disable.
    QAction* Undo1 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* Cut1 = nullptr;
    QAction* Crop1 = nullptr;
    QToolButton* tbUndo = nullptr;
    QToolButton* tbPasteAsNew = nullptr;
    QToolButton* tbCut = nullptr;
    QToolButton* tbCrop = nullptr;
    QToolBar* AnnotateBar = nullptr;
    TAnnotateLayer* AnnotateLayer = nullptr;
    std::array<QAction*, AnnotateToolCount> AnnotateTools{}; // by TAnnotateTool
    QToolButton* tbMarkColor = nullptr;

    // The editor's state.
    QString CurrentFile_;       // the file edited; empty for a pasted image
    bool Modified_ = false;     // changed since it was opened or saved
    bool LinkedToList = false;  // the image of a row of the main window's list
    int ListIndex = -1;         // that row
    bool OpenedFromMain = true; // launched by the main window (else the thumbnail viewer)
    bool SelectionActive = false;
    // The last rectangle selected, as the view reported it, and the zoom it was taken at.
    TSelectionRect SelectionRect;
    double SelectionZoom = 100;
    bool ExitConfirmed = false;
    // ResizeWidth, ResizeHeight and KeepAspect, set by the resize window.
    TResizeChoice Resize;
    TUndoHistory Undo_;
    // The marks' colour, width and font size.
    TAnnotateSettings Marks;
    int NextStep_ = 1;
    // NextStep_ as it was before each undo step, oldest first, as many as Undo_ keeps.
    std::deque<int> StepBeforeUndo_;
};
