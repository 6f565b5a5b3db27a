#include "output/hand_off_commands.h"

#include "platform/dib_qimage.h"
#include "store/attach_list.h"
#include "store/settings_files.h"
#include "widgets/capture_list.h"
#include "widgets/image_scroll_box.h"
#include "widgets/local_path.h"
#include "widgets/wait_pointer.h"

#include <QCoreApplication>

#include <optional>

namespace {

// Entry 0 of the mail targets: never opened, it stands for the mailer.
const QString MailRecipientTarget = "Mail Recipient.MAPIFILE";

const QString WordMissingText = "You cannot use this function because MS Word 97 or MS Word 2000\n"
                                "is not installed on your PC.";
const QString NewWordSessionQuestion = "MS Word is not currently running. Do you want\n"
                                       "to insert this image in a new session of MS Word?";
const QString EmailSetupText = "To configure this button to use your default\n"
                               "mail program, click \"E-mail\" on the menu bar\n"
                               "and then select your mail program.";

} // namespace

THandOffCommands::THandOffCommands(const TServices& services, IMainView& window)
    : Services(services), Window(window) {}

void THandOffCommands::CopyPictureToClipboard(const TDibGraphic& picture) {
    Services.Clipboard.Clear();
    if (picture.Empty())
        return;
    // As the screen shows it: true colour, whatever the image's own depth.
    Services.Clipboard.SetImage(DibToQImage(picture).convertToFormat(QImage::Format_RGB32));
}

void THandOffCommands::Copytoclipboard1Click() {
    const TCaptureList& list = Window.Captures();
    if (list.IsEmpty())
        return;
    if (list.SelectedRows().size() > 1) {
        Services.Dialogs.Message(Window.Window(), "Error",
                                 "Only one image can be copied to the clipboard.",
                                 TMsgIcon::Warning, mbOK);
        return;
    }
    // With no row selected, too: the image shown is what is copied.
    CopyPictureToClipboard(Window.View().Graphic());
}

bool THandOffCommands::PasteIntoWord(QWidget* parent) {
    const QImage picture = Services.Clipboard.GetImage();
    // Another program may have taken the clipboard meanwhile: there is nothing to paste then.
    if (picture.isNull())
        return false;
    {
        TWaitPointer wait;
        switch (Services.WordProcessor.PasteIntoRunning(picture)) {
        case TWordPaste::Pasted:
            return true;
        case TWordPaste::Failed:
            return false;
        case TWordPaste::NotRunning:
            break;
        }
    }
    if (Services.Dialogs.Message(parent, "Warning", NewWordSessionQuestion, TMsgIcon::Question,
                                 mbYes | mbNo) != TMsgResult::Yes)
        return true;
    TWaitPointer wait;
    return Services.WordProcessor.StartAndPaste(picture);
}

void THandOffCommands::CopytoMSWord97or20001Click() {
    const TCaptureList& list = Window.Captures();
    if (list.IsEmpty())
        return;
    if (list.SelectedRows().size() > 1) {
        Services.Dialogs.Message(Window.Window(), "Error",
                                 "Only one image can be copied to MS Word at a time.",
                                 TMsgIcon::Warning, mbOK);
        return;
    }
    if (Window.View().Graphic().Empty())
        return;
    CopyPictureToClipboard(Window.View().Graphic());
    QCoreApplication::processEvents();
    if (!PasteIntoWord(Window.Window()))
        Services.Dialogs.Message(Window.Window(), "Error", WordMissingText, TMsgIcon::Critical,
                                 mbOK);
}

void THandOffCommands::BuildMailTargets() {
    MailTargets = QStringList{MailRecipientTarget};
    MailTargets += Services.Mailer.SendToEntries();
}

QStringList THandOffCommands::MailEntryCaptions() const {
    QStringList captions;
    for (qsizetype entry = 0; entry < MailTargets.size(); ++entry)
        captions << (entry == 0 ? QString("Mail Recipient")
                                : SendToCaption(MailTargets[entry]).replace("&", "&&"));
    return captions;
}

void THandOffCommands::EmailClick(int entry) {
    if (Window.Captures().IsEmpty())
        return;
    const QStringList paths = Window.Captures().SelectedPaths();
    if (paths.isEmpty()) {
        ShowPleaseSelectAnImage(Services.Dialogs, Window.Window());
        return;
    }
    if (entry < 0 || entry >= MailTargets.size())
        return;
    RunCommand(Services.Dialogs, Window.Window(), [&] {
        WriteDefaultMail(entry);
        if (entry == 0)
            MailToMailer(paths);
        else
            // A program that does not start is not reported; the user sees nothing open.
            Services.Mailer.OpenSendToEntry(MailTargets[entry], paths);
    });
}

void THandOffCommands::MailToMailer(const QStringList& paths) {
    std::vector<std::string> files;
    for (const QString& path : paths)
        files.push_back(LocalPath(path));
    WriteAttachList(files);
    QCoreApplication::processEvents();
    if (!Services.Mailer.MailerInstalled()) {
        Services.Dialogs.Message(Window.Window(), "Error", "ROvuzir.exe is missing.",
                                 TMsgIcon::Critical, mbOK);
        return;
    }
    Services.Mailer.StartMailer();
}

void THandOffCommands::tbEmailClick() {
    if (Window.Captures().IsEmpty())
        return;
    if (Window.Captures().SelectedRows().isEmpty()) {
        ShowPleaseSelectAnImage(Services.Dialogs, Window.Window());
        return;
    }
    std::optional<int> entry;
    if (!RunCommand(Services.Dialogs, Window.Window(), [&] { entry = ReadDefaultMail(); }))
        return;
    if (!entry) {
        Services.Dialogs.Message(Window.Window(), "Setup", EmailSetupText, TMsgIcon::Information,
                                 mbOK);
        return;
    }
    EmailClick(*entry);
}
