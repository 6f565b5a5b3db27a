// How one feature reaches another without including it: the interface is declared here, the
// feature that carries it out implements it, and the main window hands it to the feature that
// needs it.
#pragma once

#include "imaging/image_transform.h"

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;
class TDibGraphic;
class TImageScrollBox;

// How the print of a capture went.
enum class TCapturePrint {
    Printed,
    NoPrinter, // the desktop knows no printer at all: nothing was tried, nothing was told
    Failed,    // the printer failed; the user has been told
};

// What the capture intake needs of printing (output/print_commands.h).
class ICapturePrinting {
public:
    virtual ~ICapturePrinting() = default;
    // Prints the capture in the view, at its size or stretched to the page as the settings
    // say; a failing printer is told to the user.
    virtual TCapturePrint PrintAfterCapture(bool stretch) = 0;
    // Prints a capture of a scrolled page in the view at its size, sliced over as many sheets
    // as its height needs; a failing printer is told to the user.
    virtual TCapturePrint PrintScrolledCapture() = 0;
    // The clipboard's text as a console screen: rendered into the view (unless the capture
    // choice is "Print Only") and printed (unless it is "Capture Only").
    virtual void RenderConsoleText() = 0;
    // Prints the lines of a console text file on one page. False when the printer failed
    // (the user has been told); throws when the file cannot be read.
    virtual bool PrintConsoleTextFile(const QString& file) = 0;
};

// How the note question is put after an image with a page address was saved.
enum class TNoteQuestion {
    AutoSave, // our question window with "Yes", "No" and "No To All"
    SaveAs,   // a Yes/No question box
};

// What saving needs of the link store and the note step (weblink/note_step.h).
class INoteStep {
public:
    virtual ~INoteStep() = default;
    // The note step after the image of `row` was saved at its row's path: asks whether the
    // user wants a note, takes it (or deletes an old note file of that name on No), and
    // records the page address in the link store.
    virtual void RecordSavedImageLink(int row, TNoteQuestion question) = 0;
    // An Auto Save run has ended: the next one asks the note question again.
    virtual void EndAutoSaveRun() = 0;
    // The link store's question when `target` is the image of a link record, which saving over
    // it would replace; none otherwise. Changes nothing.
    virtual std::optional<QString> LinkedImageQuestion(const QString& target) = 0;
    // The image of a link record was saved over: its record and note go.
    virtual void ForgetLinkedImage(const QString& target) = 0;
    // The image editor's note step after the image of `row` was saved at its row's path: a
    // Yes/No question ("Comments") owned by `owner`, the note on Yes, and the page address
    // recorded. On No the note of an earlier image stays as it is.
    virtual void RecordEditedImageLink(int row, QWidget* owner) = 0;
};

// A name chosen in the save dialog, checked as Save As checks it.
struct TSaveTarget {
    QString Path;
    QString Extension; // lower case, with its dot
    // The target is the image of a link record, which the user agreed to overwrite: the
    // record and its note go once the new file is in place (INoteStep::ForgetLinkedImage).
    bool ReplacesLinkedImage = false;
};

// What the image editor needs of saving (output/save_commands.h).
class IImageSaving {
public:
    virtual ~IImageSaving() = default;
    // The editor's save dialog for an image now at `currentPath` (empty for a pasted image):
    // preset with its name, type and folder (unless that is the working folder); the name
    // checked as Save As checks it: the program's and the working folder refused, an
    // extension needed and one of the seven, another listed image's name refused (the
    // dialog comes again), the question before saving over a linked image (again on No).
    // Messages and dialogs are owned by `owner`. Nothing when the user cancels or a name is
    // refused (the user has been told).
    virtual std::optional<TSaveTarget> AskEditedImageTarget(QWidget* owner,
                                                            const QString& currentPath) = 0;
    // Writes the image of `view` to `target` in the format of its extension, as Save As
    // writes: GIF reduced to 256 colours; JPEG made true colour, after the quality window
    // (owned by `owner`) at the quality it leaves in "jpeg.cfg"; the others reduced to the
    // colours of a palette screen first. The reductions change the view's image (and redraw
    // it), reporting to `progress`. Throws when the file cannot be written.
    virtual void WriteEditedImage(TImageScrollBox& view, QWidget* owner, const QString& target,
                                  const TProgressCallback& progress) = 0;
    // The batch conversion window (owned by `owner`), with its format box on its first entry,
    // converting files through `view`, whose image it shows again afterwards.
    virtual void OpenBatchConversion(TImageScrollBox& view, QWidget* owner) = 0;
};

// What the image editor needs of printing (output/print_commands.h).
class IImagePrinting {
public:
    virtual ~IImagePrinting() = default;
    // The print dialog, then the image of `view` on one page, centred at the share of the page
    // it has of the screen, or in slices, one job each, when it is taller than the page. The
    // slices pass through the clipboard and the view, which shows the whole image again
    // afterwards. Failures are told to the user (owned by `owner`).
    virtual void PrintViewImage(TImageScrollBox& view, QWidget* owner) = 0;
};

// What other windows (the editor, the thumbnail viewer) need of the hand-off to other
// programs (output/hand_off_commands.h).
class IImageHandOff {
public:
    virtual ~IImageHandOff() = default;
    // Empties the clipboard and puts the picture on it, as the screen shows it, for other
    // programs to paste.
    virtual void CopyPictureToClipboard(const TDibGraphic& picture) = 0;
    // Pastes the picture on the clipboard into the word processor: a running one, else, after
    // asking (a question owned by `parent`), a new session. True when it is pasted or the user
    // chose not to start one; false when the word processor could not be reached, which the
    // caller tells the user in its own words.
    virtual bool PasteIntoWord(QWidget* parent) = 0;
};

// The entries of the "&Print" menus, in their order.
enum class TPrintEntry {
    Images,
    CaptionAbove,
    CaptionBelow,
    TimeDateAbove,
    TimeDateBelow,
    StretchToFullPage,
    ManyToAPage,
    Thumbnails,
};

// What the thumbnail viewer runs of the main window's commands (app/frm_main.cpp and the
// features behind it). The viewer selects the rows of its thumbnails in the capture list first;
// each command then works on the selected rows as the main window's own entry does, with its
// questions and messages.
class IListCommands {
public:
    virtual ~IListCommands() = default;
    virtual void SaveSelectedAs() = 0;
    virtual void AutoSaveSelected() = 0;
    // Delete, after its question.
    virtual void DeleteSelected() = 0;
    // The print dialog, then the layout of `entry` over `paths` in their order.
    virtual void PrintImageFiles(TPrintEntry entry, const QStringList& paths) = 0;
    // The main window's editor command on list row `row`: the external editor of the settings
    // or the editor window, modally; the main window shows the row's image again afterwards.
    virtual void EditRow(int row) = 0;
    // The WebLink viewer, modally; `rebuildThumbnails` is set when it removed a row.
    virtual void OpenWebLinkViewer(bool* rebuildThumbnails) = 0;
    // The e-mail menus' captions ("Mail Recipient" first), and mailing the selected images to
    // entry `entry`.
    virtual QStringList MailEntryCaptions() const = 0;
    virtual void MailSelected(int entry) = 0;
    // Shows the image of the row that has the keyboard focus, as a click on the row does.
    virtual void ShowFocusedRow() = 0;
};
