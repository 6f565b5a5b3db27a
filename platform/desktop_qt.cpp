#include "platform/desktop.h"
#include "platform/page_address.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

// A desktop entry named by its id ("firefox-esr.desktop"), in the applications folders of
// the XDG data folders; an id's dashes may also stand for subfolders ("kde4-foo.desktop" is
// kde4/foo.desktop).
QString LocateDesktopEntry(const QString& id) {
    QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
    for (qsizetype dash = id.indexOf('-'); path.isEmpty() && dash > 0;
         dash = id.indexOf('-', dash + 1)) {
        QString nested = id;
        nested[dash] = '/';
        path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, nested);
    }
    return path;
}

QString DefaultBrowserEntryId() {
    QProcess query;
    query.start("xdg-settings", {"get", "default-web-browser"});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit ||
        query.exitCode() != 0) {
        query.kill();
        return QString();
    }
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

} // namespace

bool TQtDesktop::OpenDocument(const QString& addressOrPath) {
    if (addressOrPath.startsWith('/'))
        return QDesktopServices::openUrl(QUrl::fromLocalFile(addressOrPath));
    // xdg-open hands any scheme to whatever program claims it: only page addresses go.
    const QString address = NormalisedPageAddress(addressOrPath);
    return !address.isEmpty() && QDesktopServices::openUrl(QUrl(address, QUrl::StrictMode));
}

bool TQtDesktop::OpenInBrowser(const QString& address) {
    const QString normalised = NormalisedPageAddress(address);
    if (normalised.isEmpty())
        return false;
    const QString entry = LocateDesktopEntry(DefaultBrowserEntryId());
    QFile file(entry);
    if (!entry.isEmpty() && file.open(QIODevice::ReadOnly)) {
        const QStringList command =
            BrowserEntryCommand(DesktopEntryExec(QString::fromUtf8(file.readAll())), normalised);
        if (!command.isEmpty() && StartProgram(command.first(), command.mid(1)))
            return true;
    }
    // No default browser named, or it would not start: the desktop's own choice for the
    // address is the next best.
    return OpenDocument(normalised);
}

bool TQtDesktop::StartProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}
