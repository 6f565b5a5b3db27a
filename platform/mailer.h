// Handing images to a mail program. Two ways: a send-to entry of the user's SendTo folder (a
// desktop entry that takes files, such as the mail composer's), started with the images; or
// the program's own mailer `rovuzir`, installed beside the program, which reads the list of
// images from "attach.dat" in the working folder and hands them to the desktop's mail
// composer.
#pragma once

#include <QString>
#include <QStringList>

// The e-mail menus have room for the mailer and this many send-to entries.
inline constexpr int MaxSendToEntries = 20;

class IMailer {
public:
    virtual ~IMailer() = default;

    // The send-to entries that can be offered (see ListSendToShortcuts), as full paths.
    virtual QStringList SendToEntries() = 0;
    // Starts the program of a send-to entry with the images, each an argument of its own,
    // without waiting for it; false when the entry cannot be read or its program not started.
    virtual bool OpenSendToEntry(const QString& entry, const QStringList& images) = 0;
    // Whether the mailer program is there.
    virtual bool MailerInstalled() = 0;
    // Starts the mailer without arguments and without waiting for it; false when it could not
    // be started.
    virtual bool StartMailer() = 0;
};

// Appends to `list` the send-to entries of the SendTo folder (GetShellFolder(ShellFolderSendTo)):
// the files named "*.desktop" (in any case) in the order of their names, at most
// MaxSendToEntries of them. An entry is taken only when it is a counted entry (a regular file,
// not a link, whose name does not start with "." and that the user may write), its caption
// names none of "floppy", "infrared", "briefcase" and "desktop", and it is a well-formed
// desktop entry whose Exec line starts a program. Each is appended as folder + "/" + name.
void ListSendToShortcuts(QStringList& list);

// The menu caption of a send-to entry: its file name in lower case, cut at ".desktop".
QString SendToCaption(const QString& entry);

// The real mailer: send-to entries are started by their Exec line (never through a shell),
// and the mailer is the program `rovuzir` in the program's folder.
class TDesktopMailer : public IMailer {
public:
    // The mailer is looked for in `programFolder` (ending in "/"); an empty one stands for the
    // folder of the running program.
    explicit TDesktopMailer(QString programFolder = QString());

    QStringList SendToEntries() override;
    bool OpenSendToEntry(const QString& entry, const QStringList& images) override;
    bool MailerInstalled() override;
    bool StartMailer() override;

private:
    QString MailerPath() const;

    QString ProgramFolder;
};
