// The console methods: "Full DOS Screen: Text As Graphic", "... Text As Text File" and
// "... Graphics Only". None of them grabs the screen: while one is chosen, the program watches
// the clipboard, and what a terminal window in front puts there (the text the user copies,
// or a picture a program in it copies) is taken as the capture. The capture keys do nothing
// for these methods.
//
// Owned by the capture intake, whose storing and listing it uses.
#pragma once

#include "platform/services.h"
#include "widgets/feature_links.h"
#include "widgets/main_view.h"

#include <QElapsedTimer>
#include <QString>

#include <cstddef>
#include <optional>
#include <string>

class TCaptureIntake;

class TConsoleCapture {
public:
    TConsoleCapture(const TServices& services, IMainView& window, ICapturePrinting& printing,
                    TCaptureIntake& intake);
    // Ends the watch of the clipboard.
    ~TConsoleCapture();
    TConsoleCapture(const TConsoleCapture&) = delete;
    TConsoleCapture& operator=(const TConsoleCapture&) = delete;

    // A method picked in the method box: a console method empties the clipboard, starts the
    // watch and, for "Text As Text File", asks for the folder of the text files; any other
    // method ends the watch.
    void ConsoleMethodChosen(int method);
    // The main window came to the front (or took its settings) showing `method`: the watch
    // runs exactly while a console method is shown.
    void MethodShown(int method);

    // The watch of the clipboard.
    void JoinClipboardChain();
    void LeaveClipboardChain();
    bool InViewerChain() const { return InViewerChain_; }
    // The console method the watch runs for, as the method box names it; empty without one.
    const QString& ConsoleMethodName() const { return ConsoleMethodName_; }

    // A change of the clipboard: taken by ConsoleIntake when a terminal window is in front,
    // otherwise left alone.
    void WMDrawClipboard();
    // Takes the clipboard by the method of the settings: text into a numbered text file,
    // text as a picture, or the picture itself. Nothing when the clipboard holds nothing the
    // method takes.
    void ConsoleIntake();
    // The folder dialog for the text files, which refuses the program's folder and the
    // working folder and asks again. True when a folder was chosen and kept.
    bool ChooseConsoleTextFolder();

private:
    void TakeTextAsTextFile();
    void TakeTextAsGraphic();
    void TakeGraphicsOnly();
    // The folder the text files go to, once it can be written to; asks for another while it
    // cannot. Nothing when the user cancels.
    std::optional<std::string> WritableTextFolder();
    void ShowFolderRefusal(const QString& text);
    // A clipboard manager puts back what the intake has just taken (after it emptied the
    // clipboard, or as its own copy): the same content again within RepeatWindowMs is not
    // taken a second time, where it would be taken without end.
    bool IsRepeatOfLastTaken(std::size_t fingerprint) const;
    void NoteTaken(std::size_t fingerprint);

    TServices Services;
    IMainView& Window;
    ICapturePrinting& Printing;
    TCaptureIntake& Intake;

    bool InViewerChain_ = false;
    QString ConsoleMethodName_;
    // The intake runs: the clipboard changes it makes itself are not captures.
    bool IntakeRunning = false;
    // What the intake took last, and since when.
    std::optional<std::size_t> LastTaken;
    QElapsedTimer SinceLastTaken;
};

// Writes `text` and a line break (widgets/console_text.h) as the first free "dostext" + N +
// ".txt" of `folder`, created anew: a file that appears under the name meanwhile is never
// written over. Returns the path; throws EFileError, leaving no file, when it cannot be
// written.
std::string WriteConsoleTextFile(const std::string& folder, const QString& text);

// Why console text files cannot be written to `folder` (it is missing, not a folder, or may
// not be written), in the system's words; empty when they can.
QString ConsoleTextFolderProblem(const std::string& folder);
