// What the features (capture intake, printing, saving, the note step) see of the main window:
// the capture list, the view and its scratch copy, the status line with its progress bar,
// and the window itself as the parent of their dialogs. The window implements it; the
// features' objects get it in their constructors with the services.
#pragma once

#include "imaging/image_transform.h"
#include "platform/dialogs.h"

#include <QString>

class QWidget;
class TCaptureList;
class TDibGraphic;
class TImageScrollBox;

class IMainView {
public:
    virtual ~IMainView() = default;

    // The main window: the parent of the features' dialogs and windows.
    virtual QWidget* Window() = 0;
    virtual TCaptureList& Captures() = 0;
    // The view captures land in and commands load images into.
    virtual TImageScrollBox& View() = 0;
    // The view image as it was before the last transform of a capture; "View 100%" brings it
    // back. Emptied whenever a file is shown or a new capture lands in the view.
    virtual TDibGraphic& WorkImage() = 0;
    // Loads an image file into the view and shows its status line; a file that does not exist
    // changes nothing (false). Throws when the file cannot be read (the view is then empty).
    virtual bool ShowImageFile(const QString& path) = 0;
    // The status line of the image in the view: path, size and colour depth.
    virtual void ShowImageStatus(const QString& path) = 0;
    virtual QString StatusText() const = 0;
    virtual void SetStatusText(const QString& text) = 0;
    // A note at the right end of the status line that stays while timer capture runs,
    // whatever the status text shows; an empty text removes it.
    virtual void ShowTimerStatus(const QString& text) = 0;
    // Puts the zoom box back to "View 100%" without running its command.
    virtual void ResetZoomBox() = 0;
    // The folder of the executable, ending in "/"; empty before the start has found it.
    virtual QString ProgramFolder() const = 0;
    // Opens the help document at an anchor ("topic-102") for `owner`, a window of the
    // program: a modal window gets a help window of its own, which it can reach.
    virtual void ShowHelp(QWidget* owner, const QString& anchor) = 0;

    // The progress bar of the status line, the one progress display of every command: shown
    // from BeginProgress (positions 0..maximum) to EndProgress.
    virtual void BeginProgress(int maximum) = 0;
    virtual void StepProgress(int position) = 0;
    virtual void EndProgress() = 0;
};

// A transform's progress on the view's progress bar: the percentages while it runs, hidden at
// 100.
TProgressCallback TransformProgress(IMainView& view);

// The refusal of a command that needs a selection: "Please select an image."
void ShowPleaseSelectAnImage(IDialogs& dialogs, QWidget* parent);
