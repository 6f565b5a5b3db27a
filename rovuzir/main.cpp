// rovuzir: Karvin's mailer. Karvin writes the full paths of the images to send into
// "attach.dat" in its working folder and starts this program without arguments; it hands the
// images to the desktop's mail composer (`xdg-email --attach FILE ...`).
//
// The list comes back from a file, so each line is checked before it goes anywhere: it must be
// a full path without control characters naming a regular file that can be read. Lines that
// fail (an image deleted or moved since Karvin listed it) are named to the user and left out;
// when none is left, no mail is started.
//
// Exit codes: 0 all images handed to the mail composer; 1 some or all of them could not be
// (the user is told why: in a message box on a desktop, on standard error always).
#include "store/attach_list.h"
#include "store/work_folder.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>
#include <QProcess>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A line of the list as the user may see it: control characters shown as "?", long ones cut.
QString Shown(const std::string& line) {
    constexpr std::size_t Longest = 300;
    std::string text;
    for (unsigned char c : line.substr(0, Longest))
        text += (c < ' ' || c == 0x7F) ? '?' : char(c);
    if (line.size() > Longest)
        text += "...";
    return QString::fromLocal8Bit(text);
}

// Why a line of the list cannot be mailed; empty when it can.
QString Refusal(const std::string& line) {
    if (line.front() != '/')
        return "not a full path";
    for (unsigned char c : line)
        if (c < ' ' || c == 0x7F)
            return "not a file name";
    struct stat info {};
    if (::stat(line.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? "no longer exists" : "cannot be read";
    if (!S_ISREG(info.st_mode))
        return "not a file";
    if (::access(line.c_str(), R_OK) != 0)
        return "cannot be read";
    return QString();
}

void Report(const QString& text) {
    std::fprintf(stderr, "rovuzir: %s\n", text.toLocal8Bit().constData());
    // On a desktop the user, who started this from Karvin, sees the message.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) &&
        QApplication::platformName() != "offscreen")
        QMessageBox::warning(nullptr, "Error", text);
}

std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv) {
    if (qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        return std::make_unique<QApplication>(argc, argv);
    return std::make_unique<QCoreApplication>(argc, argv);
}

// Hands the images to the mail composer and waits for it to take them; an empty text when it
// did, else what went wrong.
QString Compose(const QStringList& images) {
    QStringList arguments;
    for (const QString& image : images)
        arguments << "--attach" << image;
    QProcess composer;
    composer.setProcessChannelMode(QProcess::ForwardedChannels);
    composer.start("xdg-email", arguments);
    if (!composer.waitForStarted())
        return "The mail composer could not be started: xdg-email (xdg-utils) is not installed.";
    // Some mail programs keep it running as long as they run themselves.
    composer.waitForFinished(-1);
    if (composer.exitStatus() != QProcess::NormalExit || composer.exitCode() != 0)
        return QString("The mail composer could not be started: xdg-email ended with code %1.")
            .arg(composer.exitCode());
    return QString();
}

int Run() {
    std::optional<std::vector<std::string>> lines;
    try {
        lines = ReadAttachList();
    } catch (const std::exception& error) {
        Report(QString::fromLocal8Bit(error.what()));
        return 1;
    }
    if (!lines || lines->empty()) {
        Report("There is nothing to mail: Karvin's list of images to send (" +
               QString::fromLocal8Bit(WorkPath("attach.dat").c_str()) +
               ") is missing, empty or cannot be read.");
        return 1;
    }

    QStringList images;
    QStringList refused;
    for (const std::string& line : *lines) {
        const QString why = Refusal(line);
        if (why.isEmpty())
            images << QFile::decodeName(line.c_str());
        else
            refused << Shown(line) + " (" + why + ")";
    }
    QString problems;
    if (!images.isEmpty())
        problems = Compose(images);
    if (!refused.isEmpty()) {
        QString text = "These images are not mailed:\n" + refused.join('\n');
        if (images.isEmpty())
            text += "\nNothing was mailed.";
        problems = problems.isEmpty() ? text : problems + "\n\n" + text;
    }
    if (problems.isEmpty())
        return 0;
    Report(problems);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const auto application = MakeApplication(argc, argv);
    QCoreApplication::setApplicationName("rovuzir");
    return Run();
}
