// Handing things to other programs of the desktop: opening an address or a document with
// the program the user chose for it, starting the default web browser, starting a program.
//
// Every operation starts the other program and returns at once; true when it was started.
#pragma once

#include <QString>
#include <QStringList>

class IDesktop {
public:
    virtual ~IDesktop() = default;

    // Opens a page address ("https://...") or a document (a local path) with the desktop's
    // default program for it. An address that NormalisedPageAddress refuses is not opened
    // (false); the others go on in their normalised form.
    virtual bool OpenDocument(const QString& addressOrPath) = 0;
    // Starts the user's default web browser with the address as its argument. Used for
    // addresses too long for the desktop's open operation to pass on reliably. Refuses, and
    // normalises, addresses as OpenDocument does.
    virtual bool OpenInBrowser(const QString& address) = 0;
    // Starts a program with its arguments, detached from this process.
    virtual bool StartProgram(const QString& program, const QStringList& arguments) = 0;
};

// The command line of a desktop entry's Exec value with `argument` (an address or a path) in
// place of its field code: %u, %U, %f and %F stand for it, %% for a "%"; the other field
// codes (%i, %c, %k and the deprecated ones) are dropped. An Exec value without a file or
// address field code gets the argument appended. Quoting follows the desktop entry rules:
// double quotes group, and inside them a backslash escapes ", `, $ and \. Empty when the
// value holds no program or leaves a quote open.
QStringList DesktopEntryCommand(const QString& exec, const QString& argument);

// The command line of a desktop entry's Exec value that opens files: %F and %U standing alone
// become all the files, each an argument of its own; %f and %u the first file. An Exec value
// without such a field code gets the files appended. Otherwise as DesktopEntryCommand.
QStringList DesktopEntryFilesCommand(const QString& exec, const QStringList& files);

// The command line that opens a page address with a browser's desktop entry: as
// DesktopEntryCommand, and when the program is known to read "--" as the end of its options
// (the Chromium family) and the address stands as an argument of its own, "--" goes before
// it. A normalised address cannot pass for an option anyway (it begins with its scheme);
// this is the second guard where the program allows one.
QStringList BrowserEntryCommand(const QString& exec, const QString& address);

// The Exec value of a desktop entry file's [Desktop Entry] group; empty when it has none.
QString DesktopEntryExec(const QString& desktopFileText);

// The real desktop: QDesktopServices (xdg-open) for opening; the browser that
// `xdg-settings get default-web-browser` names, started through its desktop entry's Exec
// line; QProcess::startDetached for programs.
class TQtDesktop : public IDesktop {
public:
    bool OpenDocument(const QString& addressOrPath) override;
    bool OpenInBrowser(const QString& address) override;
    bool StartProgram(const QString& program, const QStringList& arguments) override;
};
