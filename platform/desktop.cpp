#include "platform/desktop.h"

#include <QFileInfo>

namespace {

// The general unescaping of a desktop entry value: \s, \n, \t, \r and \\.
QString UnescapeValue(const QString& value) {
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const QChar next = value[++i];
        if (next == 's')
            text += ' ';
        else if (next == 'n')
            text += '\n';
        else if (next == 't')
            text += '\t';
        else if (next == 'r')
            text += '\r';
        else if (next == '\\')
            text += '\\';
        else
            text += QString('\\') + next;
    }
    return text;
}

struct TExecToken {
    QString Text;
    bool Quoted = false;
};

// Splits an Exec value into arguments by its quoting rules.
QList<TExecToken> SplitExec(const QString& exec) {
    QList<TExecToken> tokens;
    TExecToken current;
    bool inToken = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuotes) {
            if (c == '"') {
                inQuotes = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       QString("\"`$\\").contains(exec[i + 1])) {
                current.Text += exec[++i];
            } else {
                current.Text += c;
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inToken)
                tokens.append(current);
            current = TExecToken();
            inToken = false;
            continue;
        }
        inToken = true;
        if (c == '"') {
            inQuotes = true;
            current.Quoted = true;
        } else {
            current.Text += c;
        }
    }
    if (inToken)
        tokens.append(current);
    return tokens;
}

} // namespace

QString DesktopEntryExec(const QString& desktopFileText) {
    bool inMainGroup = false;
    for (QString line : desktopFileText.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup || line.startsWith('#'))
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals > 0 && line.left(equals).trimmed() == "Exec")
            return UnescapeValue(line.mid(equals + 1).trimmed());
    }
    return QString();
}

namespace {

// The command of an Exec value with `argument` in place of its field code; with endOptions,
// "--" goes before the argument wherever it stands as an argument of its own (unless the
// value ends the options itself).
QStringList BuildCommand(const QString& exec, const QString& argument, bool endOptions) {
    QStringList command;
    bool argumentPlaced = false;
    for (const TExecToken& token : SplitExec(exec)) {
        // A quoted argument is taken as it is: field codes are not expanded inside quotes.
        if (token.Quoted) {
            command << token.Text;
            continue;
        }
        QString text;
        bool dropped = false;
        for (qsizetype i = 0; i < token.Text.size(); ++i) {
            const QChar c = token.Text[i];
            if (c != '%' || i + 1 == token.Text.size()) {
                text += c;
                continue;
            }
            const QChar code = token.Text[++i];
            if (code == '%') {
                text += '%';
            } else if (QString("uUfF").contains(code)) {
                if (command.isEmpty())
                    return QStringList(); // the argument in the program's place
                if (endOptions && token.Text.size() == 2 && !command.contains("--"))
                    command << "--";
                text += argument;
                argumentPlaced = true;
            } else if (token.Text.size() == 2) {
                dropped = true; // %i, %c, %k ... standing alone: no argument at all
            }
        }
        if (!dropped)
            command << text;
    }
    if (command.isEmpty() || command.first().isEmpty())
        return QStringList();
    if (!argumentPlaced) {
        if (endOptions && !command.contains("--"))
            command << "--";
        command << argument;
    }
    return command;
}

// The program a command starts, looking through "env NAME=VALUE ... program".
QString StartedProgram(const QStringList& command) {
    qsizetype index = 0;
    if (index < command.size() && QFileInfo(command[index]).fileName() == "env") {
        ++index;
        while (index < command.size() && command[index].contains('=') &&
               !command[index].startsWith('-'))
            ++index;
    }
    return index < command.size() ? QFileInfo(command[index]).fileName() : QString();
}

// Whether a program reads "--" as the end of its options. The Chromium family does. The
// Firefox family takes "--" for an unknown option and then skips the argument after it, and
// of other programs nothing is known, so they get no "--".
bool EndsOptionsAtDoubleDash(const QString& program) {
    for (const char* name : {"chromium", "chrome", "google-chrome", "brave", "microsoft-edge"})
        if (program.startsWith(QLatin1String(name)))
            return true;
    return false;
}

} // namespace

QStringList DesktopEntryCommand(const QString& exec, const QString& argument) {
    return BuildCommand(exec, argument, false);
}

QStringList BrowserEntryCommand(const QString& exec, const QString& address) {
    const QStringList plain = BuildCommand(exec, address, false);
    if (plain.isEmpty() || !EndsOptionsAtDoubleDash(StartedProgram(plain)))
        return plain;
    return BuildCommand(exec, address, true);
}
