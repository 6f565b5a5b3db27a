#include "capture/console_capture.h"

#include "base/file_descriptor.h"
#include "base/file_error.h"
#include "capture/capture_intake.h"
#include "capture/capture_methods.h"
#include "platform/windows.h"
#include "store/file_io.h"
#include "store/settings.h"
#include "store/settings_files.h"
#include "store/work_folder.h"
#include "widgets/console_text.h"
#include "widgets/image_scroll_box.h"
#include "widgets/local_path.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHashFunctions>
#include <QImage>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const SameFolderAsKarvin = "You cannot save to same folder as Karvin.";

// How long after a capture the same content coming back is taken for a clipboard manager's.
constexpr qint64 RepeatWindowMs = 2000;

std::size_t TextFingerprint(const QString& text) {
    return qHashMulti(0, 't', text);
}

std::size_t ImageFingerprint(const QImage& image) {
    return qHashMulti(0, 'i', image.width(), image.height(),
                      QByteArrayView(image.constBits(), image.sizeInBytes()));
}

QString MethodName(int method) {
    switch (method) {
    case cmConsoleTextAsGraphic:
        return "Full DOS Screen: Text As Graphic";
    case cmConsoleTextAsTextFile:
        return "Full DOS Screen: Text As Text File";
    case cmConsoleGraphicsOnly:
        return "Full DOS Screen: Graphics Only";
    default:
        return QString();
    }
}

// The folder as the text files' paths start with it: one trailing separator goes (the root
// keeps its own).
std::string WithoutTrailingSeparator(std::string folder) {
    if (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The folder itself, its links resolved, when it exists.
QString ResolvedFolder(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? folder : canonical;
}

void WriteAll(int fd, const QByteArray& bytes, const std::string& path) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, std::size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw EFileError(SystemErrorText("Cannot write file", path));
        }
        data += written;
        left -= written;
    }
}

} // namespace

std::string WriteConsoleTextFile(const std::string& folder, const QString& text) {
    // The name found free may be taken by another program before the file is made: the
    // next free one is tried then.
    for (int attempt = 0;; ++attempt) {
        const std::string path = NextConsoleTextName(folder);
        TFileDescriptor file(
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (file.Fd < 0) {
            if (errno == EEXIST && attempt < 100)
                continue;
            throw EFileError(SystemErrorText("Cannot create file", path));
        }
        try {
            EncodeConsoleTextFile(text,
                                  [&](const QByteArray& bytes) { WriteAll(file.Fd, bytes, path); });
            if (::close(file.Release()) != 0)
                throw EFileError(SystemErrorText("Cannot write file", path));
        } catch (...) {
            // A file cut short by a full disk is not left behind.
            ::unlink(path.c_str());
            throw;
        }
        return path;
    }
}

QString ConsoleTextFolderProblem(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return SystemReason(errno);
    if (!S_ISDIR(info.st_mode))
        return SystemReason(ENOTDIR);
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return SystemReason(errno);
    return QString();
}

TConsoleCapture::TConsoleCapture(const TServices& services, IMainView& window,
                                 ICapturePrinting& printing, TCaptureIntake& intake)
    : Services(services), Window(window), Printing(printing), Intake(intake) {}

TConsoleCapture::~TConsoleCapture() {
    LeaveClipboardChain();
}

// The watch of the clipboard.

void TConsoleCapture::JoinClipboardChain() {
    if (InViewerChain_)
        return;
    Services.Clipboard.SetChangeHandler([this] { WMDrawClipboard(); });
    InViewerChain_ = true;
}

void TConsoleCapture::LeaveClipboardChain() {
    if (!InViewerChain_)
        return;
    Services.Clipboard.SetChangeHandler(nullptr);
    InViewerChain_ = false;
}

void TConsoleCapture::ConsoleMethodChosen(int method) {
    if (!IsConsoleMethod(method)) {
        LeaveClipboardChain();
        ConsoleMethodName_.clear();
        return;
    }
    // What was copied before the method was chosen is not taken.
    Services.Clipboard.Clear();
    JoinClipboardChain();
    ConsoleMethodName_ = MethodName(method);
    if (method == cmConsoleTextAsTextFile)
        ChooseConsoleTextFolder();
}

void TConsoleCapture::MethodShown(int method) {
    if (IsConsoleMethod(method)) {
        ConsoleMethodName_ = MethodName(method);
        JoinClipboardChain();
    } else {
        // The settings window may have chosen another method meanwhile.
        LeaveClipboardChain();
        ConsoleMethodName_.clear();
    }
}

void TConsoleCapture::WMDrawClipboard() {
    // The intake's own changes (the rendered picture, the clipboard emptied) come back here.
    if (IntakeRunning)
        return;
    const QString className =
        Services.Windows.ClassName(Services.Windows.ForegroundWindow()).toLower();
    if (!IsConsoleWindowClass(className))
        return;
    IntakeRunning = true;
    // A failure is told and ends this intake; the watch goes on.
    RunCommand(Services.Dialogs, Window.Window(), [this] { ConsoleIntake(); });
    IntakeRunning = false;
}

// The intake.

void TConsoleCapture::ConsoleIntake() {
    switch (ReadSettingsOrDefault().CaptureMethod()) {
    case cmConsoleTextAsTextFile:
        TakeTextAsTextFile();
        break;
    case cmConsoleTextAsGraphic:
        TakeTextAsGraphic();
        break;
    case cmConsoleGraphicsOnly:
        TakeGraphicsOnly();
        break;
    default:
        break;
    }
}

bool TConsoleCapture::IsRepeatOfLastTaken(std::size_t fingerprint) const {
    return LastTaken == fingerprint && SinceLastTaken.isValid() &&
           !SinceLastTaken.hasExpired(RepeatWindowMs);
}

void TConsoleCapture::NoteTaken(std::size_t fingerprint) {
    LastTaken = fingerprint;
    SinceLastTaken.start();
}

void TConsoleCapture::TakeTextAsTextFile() {
    // The text is held once: the file is written from it a part at a time.
    const QString text = Services.Clipboard.GetText();
    const std::size_t fingerprint = TextFingerprint(text);
    if (text.isEmpty() || IsRepeatOfLastTaken(fingerprint))
        return;
    const std::optional<std::string> folder = WritableTextFolder();
    if (!folder)
        return;
    const QString path = FromLocalPath(WriteConsoleTextFile(*folder, text));
    Services.Sound.Beep();
    QCoreApplication::processEvents();
    const TPrintSelection choice = ReadSettingsOrDefault().PrintChoice();
    if (choice != psCaptureOnly) {
        // A printer that failed has been told; the file stays and the clipboard keeps the
        // text.
        if (!Printing.PrintConsoleTextFile(path))
            return;
        if (choice == psPrintOnly)
            DeleteFile(LocalPath(path));
    }
    NoteTaken(fingerprint);
    Services.Clipboard.Clear();
}

void TConsoleCapture::TakeTextAsGraphic() {
    const QString text = Services.Clipboard.GetText();
    const std::size_t fingerprint = TextFingerprint(text);
    if (text.isEmpty() || IsRepeatOfLastTaken(fingerprint))
        return;
    NoteTaken(fingerprint);
    // "View 100%" must not bring back the picture of an earlier capture over this one.
    Window.WorkImage().Clear();
    Printing.RenderConsoleText();
    const TSettingsRecord settings = ReadSettingsOrDefault();
    const bool printOnly = settings.PrintChoice() == psPrintOnly;
    if (!printOnly)
        Intake.StoreCapture(settings.CaptureFormat());
    Services.Clipboard.Clear();
    Services.Sound.Beep();
    if (!printOnly)
        Intake.SelectLastCapture();
    QCoreApplication::processEvents();
}

void TConsoleCapture::TakeGraphicsOnly() {
    if (!Services.Clipboard.HasImage())
        return;
    const std::size_t fingerprint = ImageFingerprint(Services.Clipboard.GetImage());
    if (IsRepeatOfLastTaken(fingerprint))
        return;
    NoteTaken(fingerprint);
    Intake.TakeClipboardIntoView();
    // A picture offered that cannot be read (damaged, or beyond the decode limit).
    if (Window.View().Graphic().Empty())
        return;
    QCoreApplication::processEvents();
    Services.Sound.Beep();
    const TSettingsRecord settings = ReadSettingsOrDefault();
    const bool stretch = settings.PrintSizeChoice() != pzImageSize;
    Intake.ApplyCaptureColours(settings);
    std::optional<TCapturePrint> print;
    if (settings.PrintChoice() != psCaptureOnly) {
        print = Printing.PrintAfterCapture(stretch);
        QCoreApplication::processEvents();
    }
    Intake.KeepPrintedCapture(settings, print);
    QCoreApplication::processEvents();
}

// The folder of the text files.

std::optional<std::string> TConsoleCapture::WritableTextFolder() {
    for (;;) {
        const std::string folder = WithoutTrailingSeparator(ReadConsoleTextFolder());
        const QString problem = ConsoleTextFolderProblem(folder);
        if (problem.isEmpty())
            return folder;
        // The folder has gone or been locked since it was chosen: the text is kept on the
        // clipboard until another is chosen.
        ShowFolderRefusal("Console text files cannot be written to " + FromLocalPath(folder) +
                          ": " + problem + ".\nPlease choose another folder.");
        if (!ChooseConsoleTextFolder())
            return std::nullopt;
    }
}

bool TConsoleCapture::ChooseConsoleTextFolder() {
    const QString current = FromLocalPath(ReadConsoleTextFolder());
    for (;;) {
        const std::optional<QString> answer =
            Services.Dialogs.SelectFolder(Window.Window(), "Current Path: " + current, current);
        if (!answer || answer->isEmpty())
            return false;
        const QString chosen = *answer;
        // The program's own file in the folder: the folder Karvin runs from.
        const QString probe = chosen.endsWith('/') ? chosen + "karvin" : chosen + "/karvin";
        const QString probeFolder = ResolvedFolder(QFileInfo(probe).path());
        const QString programFolder = Window.ProgramFolder();
        const QString workFolder = FromLocalPath(WorkFolder());
        const bool karvinFolder = FileExists(LocalPath(probe)) ||
                                  (!programFolder.isEmpty() &&
                                   (probeFolder + "/").toLower().contains(programFolder.toLower()));
        const bool workingFolder = (ResolvedFolder(chosen) + "/")
                                       .toLower()
                                       .contains((ResolvedFolder(workFolder) + "/").toLower());
        if (karvinFolder || workingFolder) {
            ShowFolderRefusal(SameFolderAsKarvin);
            continue;
        }
        // "dospath.dat" holds the folder on one line.
        if (chosen.contains('\n') || chosen.contains('\r')) {
            ShowFolderRefusal("A folder whose name holds a line break cannot be kept.");
            continue;
        }
        const QString problem = ConsoleTextFolderProblem(LocalPath(chosen));
        if (!problem.isEmpty()) {
            ShowFolderRefusal("Console text files cannot be written to " + chosen + ": " + problem +
                              ".\nPlease choose another folder.");
            continue;
        }
        WriteConsoleTextFolder(LocalPath(chosen));
        return true;
    }
}

void TConsoleCapture::ShowFolderRefusal(const QString& text) {
    Services.Dialogs.Message(Window.Window(), "Error", text, TMsgIcon::Warning, mbOK);
}
