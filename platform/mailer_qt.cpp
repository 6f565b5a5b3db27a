#include "platform/desktop.h"
#include "platform/mailer.h"
#include "platform/shell_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>

#include <sys/stat.h>

namespace {

// Larger files are no desktop entries of anyone's making.
constexpr qint64 LargestDesktopEntry = 64 * 1024;

// The Exec line of a desktop entry file; empty when the file cannot be read, is too large,
// is not UTF-8 or has no Exec line in its main group.
QString ReadDesktopEntryExec(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.read(LargestDesktopEntry + 1);
    if (bytes.size() > LargestDesktopEntry)
        return QString();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (utf8.hasError())
        return QString();
    return DesktopEntryExec(text);
}

// A regular file (not a link), not hidden, that its owner may write: what the scans of the
// program's folders count.
bool IsCountedEntry(const QString& folder, const QString& name) {
    if (name.startsWith('.'))
        return false;
    struct stat info {};
    const QByteArray path = QFile::encodeName(folder + "/" + name);
    return ::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode) &&
           (info.st_mode & S_IWUSR) != 0;
}

bool NamesAnExcludedTarget(const QString& caption) {
    for (const char* word : {"floppy", "infrared", "briefcase", "desktop"})
        if (caption.contains(QLatin1String(word)))
            return true;
    return false;
}

// The command that opens the images with an entry; empty when the entry is malformed.
QStringList SendToCommand(const QString& entry, const QStringList& images) {
    const QString exec = ReadDesktopEntryExec(entry);
    return exec.isEmpty() ? QStringList() : DesktopEntryFilesCommand(exec, images);
}

} // namespace

QString SendToCaption(const QString& entry) {
    const QString name = QFileInfo(entry).fileName().toLower();
    const qsizetype cut = name.indexOf(".desktop");
    return cut < 0 ? name : name.left(cut);
}

void ListSendToShortcuts(QStringList& list) {
    const QString folder = GetShellFolder(ShellFolderSendTo);
    if (folder.isEmpty())
        return;
    const QStringList names = QDir(folder).entryList(
        {"*.desktop"}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    int taken = 0;
    for (const QString& name : names) {
        if (taken == MaxSendToEntries)
            break;
        // The name filter of QDir ignores case already; what matters is the ending.
        if (!name.toLower().endsWith(".desktop") || !IsCountedEntry(folder, name))
            continue;
        const QString caption = SendToCaption(name);
        if (caption.isEmpty() || NamesAnExcludedTarget(caption))
            continue;
        const QString path = folder + "/" + name;
        // A malformed entry is left out rather than offered and failing when chosen.
        if (SendToCommand(path, {"/"}).isEmpty())
            continue;
        list << path;
        ++taken;
    }
}

TDesktopMailer::TDesktopMailer(QString programFolder) : ProgramFolder(std::move(programFolder)) {}

QStringList TDesktopMailer::SendToEntries() {
    QStringList entries;
    ListSendToShortcuts(entries);
    return entries;
}

bool TDesktopMailer::OpenSendToEntry(const QString& entry, const QStringList& images) {
    // Only full paths go on: a relative one could pass for an option of the program.
    for (const QString& image : images)
        if (!image.startsWith('/'))
            return false;
    // Read again: the entry may have changed since the menus were made.
    const QStringList command = SendToCommand(entry, images);
    return !command.isEmpty() && QProcess::startDetached(command.first(), command.mid(1));
}

QString TDesktopMailer::MailerPath() const {
    const QString folder =
        ProgramFolder.isEmpty() ? QCoreApplication::applicationDirPath() + "/" : ProgramFolder;
    return folder + "rovuzir";
}

bool TDesktopMailer::MailerInstalled() {
    const QFileInfo mailer(MailerPath());
    return mailer.isFile() && mailer.isExecutable();
}

bool TDesktopMailer::StartMailer() {
    return QProcess::startDetached(MailerPath(), {});
}
