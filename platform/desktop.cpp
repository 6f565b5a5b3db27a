#include "platform/desktop.h"

#include <QFileInfo>

#include <optional>

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

// Splits an Exec value into arguments by its quoting rules; nullopt when a quote is left
// open (the value is malformed, and no program is started from it).
std::optional<QList<TExecToken>> SplitExec(const QString& exec) {
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
    if (inQuotes)
        return std::nullopt;
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

// The command of an Exec value with `arguments` in place of its field code: %U and %F
// standing alone become all of them, each an argument of its own; %u and %f, and a field code
// inside a longer word, the first. Without a field code the arguments are appended. With
// endOptions, "--" goes before them wherever they stand as arguments of their own (unless the
// value ends the options itself).
QStringList BuildCommand(const QString& exec, const QStringList& arguments, bool endOptions) {
    const std::optional<QList<TExecToken>> tokens = SplitExec(exec);
    if (!tokens)
        return QStringList();
    QStringList command;
    bool argumentsPlaced = false;
    for (const TExecToken& token : *tokens) {
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
            const bool alone = token.Text.size() == 2;
            if (code == '%') {
                text += '%';
            } else if (QString("uUfF").contains(code)) {
                if (command.isEmpty())
                    return QStringList(); // the arguments in the program's place
                argumentsPlaced = true;
                if (!alone) {
                    text += arguments.value(0);
                    continue;
                }
                if (endOptions && !arguments.isEmpty() && !command.contains("--"))
                    command << "--";
                if (code == 'U' || code == 'F')
                    command << arguments;
                else if (!arguments.isEmpty())
                    command << arguments.first();
                dropped = true; // the token itself is placed
            } else if (alone) {
                dropped = true; // %i, %c, %k ... standing alone: no argument at all
            }
        }
        if (!dropped)
            command << text;
    }
    if (command.isEmpty() || command.first().isEmpty())
        return QStringList();
    if (!argumentsPlaced && !arguments.isEmpty()) {
        if (endOptions && !command.contains("--"))
            command << "--";
        command << arguments;
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
    return BuildCommand(exec, {argument}, false);
}

QStringList DesktopEntryFilesCommand(const QString& exec, const QStringList& files) {
    return BuildCommand(exec, files, false);
}

QStringList BrowserEntryCommand(const QString& exec, const QString& address) {
    const QStringList plain = BuildCommand(exec, {address}, false);
    if (plain.isEmpty() || !EndsOptionsAtDoubleDash(StartedProgram(plain)))
        return plain;
    return BuildCommand(exec, {address}, true);
}
