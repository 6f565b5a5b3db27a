// Handing images to other programs: the clipboard, the word processor and e-mail. Owned by
// the main window, which forwards its menu and tool-button handlers here, builds its two
// e-mail menus from MailEntryCaptions, and hands the object to other windows as their
// IImageHandOff.
//
// E-mail goes either to a send-to entry of the user's SendTo folder, started with the
// selected images, or to the program's own mailer, which reads them from "attach.dat". The
// entry chosen last is kept in "defmail.dat" for the e-mail button.
#pragma once

#include "platform/services.h"
#include "widgets/feature_links.h"
#include "widgets/main_view.h"

class THandOffCommands : public IImageHandOff {
public:
    THandOffCommands(const TServices& services, IMainView& window);

    // Copy to clipboard: the image shown in the view.
    void Copytoclipboard1Click();
    // Paste in MS Word: the image shown in the view, through the clipboard, into the word
    // processor.
    void CopytoMSWord97or20001Click();

    // Finds the mail targets: entry 0 the mailer, then the send-to entries.
    void BuildMailTargets();
    // The captions of the e-mail menus' entries, entry 0 ("Mail Recipient") first; an "&" of
    // an entry's name is doubled, so that it shows as itself.
    QStringList MailEntryCaptions() const;
    // The e-mail command of entry `entry` of an e-mail menu (0 the mailer, k >= 1 the k-th
    // send-to entry).
    void EmailClick(int entry);
    // The e-mail button: the entry chosen last again, or how to choose one.
    void tbEmailClick();

    void CopyPictureToClipboard(const TDibGraphic& picture) override;
    bool PasteIntoWord(QWidget* parent) override;

private:
    void MailToMailer(const QStringList& paths);

    TServices Services;
    IMainView& Window;
    // Entry 0 stands for the mailer; entries 1 to n are the paths of the send-to entries.
    QStringList MailTargets;
};
