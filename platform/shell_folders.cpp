#include "platform/shell_folders.h"

#include "store/autostart_entry.h"
#include "store/work_folder.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

// An XDG base folder: the variable when it holds an absolute path (relative ones are to be
// ignored), else the default under the home folder.
QString BaseFolder(const char* variable, const char* underHome) {
    const QString value = QFile::decodeName(qgetenv(variable));
    if (value.startsWith('/'))
        return QDir::cleanPath(value);
    return QDir::cleanPath(QFile::decodeName(HomeFolder().c_str()) + "/" + underHome);
}

QString DataHome() {
    return BaseFolder("XDG_DATA_HOME", ".local/share");
}

// A user folder as `xdg-user-dir` reports it; empty when it cannot tell.
QString UserDir(const char* name) {
    QProcess query;
    query.start("xdg-user-dir", {name});
    if (!query.waitForFinished(3000) || query.exitStatus() != QProcess::NormalExit ||
        query.exitCode() != 0) {
        query.kill();
        query.waitForFinished(1000);
        return QString();
    }
    const QString folder = QFile::decodeName(query.readAllStandardOutput().trimmed());
    return folder.startsWith('/') ? QDir::cleanPath(folder) : QString();
}

} // namespace

QString GetShellFolder(int index) {
    switch (index) {
    case 0:
        return UserDir("DESKTOP");
    case 2:
        return DataHome() + "/fonts";
    case 4:
    case 7:
        return DataHome() + "/applications";
    case 5:
        // The folder of recently-used.xbel.
        return DataHome();
    case ShellFolderSendTo:
        return DataHome() + "/karvin/sendto";
    case ShellFolderStartup:
        // The folder the settings window puts the start-up entry into.
        return QFile::decodeName(AutostartFolder().c_str());
    case 9:
        return UserDir("TEMPLATES");
    default:
        return QString();
    }
}
