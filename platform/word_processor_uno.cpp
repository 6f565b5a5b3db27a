#include "platform/word_processor.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>

namespace {

// The helper's exit codes (platform/word_processor_uno.py).
constexpr int HelperPasted = 0;
constexpr int HelperNotRunning = 3;

QByteArray Png(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes;
}

// Runs the event loop for a while without the user's input: the window repaints, but no
// command starts while one waits for the office.
void WaitWithoutInput(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

TUnoWordProcessor::TUnoWordProcessor(TUnoWordProcessorOptions options)
    : Options(std::move(options)) {}

TWordPaste TUnoWordProcessor::RunHelper(const QByteArray& png, bool newDocument, int timeoutMs) {
    const QString helper = Options.Helper.isEmpty()
                               ? QCoreApplication::applicationDirPath() + "/karvin-writer-paste"
                               : Options.Helper;
    // The helper ends itself a little before we would stop it.
    QStringList arguments{"--timeout", QString::number(std::max(1, timeoutMs / 1000))};
    if (newDocument)
        arguments << "--new-document";
    arguments << Options.Pipe;

    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    process.start(helper, arguments);
    if (!process.waitForStarted(5000))
        return TWordPaste::Failed; // no helper, or no interpreter for it
    limit.start(timeoutMs);
    process.write(png);
    process.closeWriteChannel();
    while (process.state() != QProcess::NotRunning && limit.isActive())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(2000);
        return TWordPaste::Failed;
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return TWordPaste::Failed;
    if (process.exitCode() == HelperPasted)
        return TWordPaste::Pasted;
    if (process.exitCode() == HelperNotRunning)
        return TWordPaste::NotRunning;
    return TWordPaste::Failed;
}

TWordPaste TUnoWordProcessor::PasteIntoRunning(const QImage& picture) {
    if (picture.isNull())
        return TWordPaste::Failed;
    return RunHelper(Png(picture), false, Options.PasteTimeoutMs);
}

bool TUnoWordProcessor::StartAndPaste(const QImage& picture) {
    if (picture.isNull())
        return false;
    QStringList command = Options.StartCommand;
    if (command.isEmpty())
        command = QStringList{"soffice", "--nodefault", "--norestore"};
    // A running office that does not listen yet gets the request handed over by the new
    // process and starts listening itself.
    command << "--accept=pipe,name=" + Options.Pipe + ";urp;";
    // The office outlives this call: it gets none of Karvin's standard streams, so that it
    // neither writes into them nor keeps a pipe of whoever started Karvin open.
    QProcess office;
    office.setProgram(command.first());
    office.setArguments(command.mid(1));
    office.setStandardInputFile(QProcess::nullDevice());
    office.setStandardOutputFile(QProcess::nullDevice());
    office.setStandardErrorFile(QProcess::nullDevice());
    if (!office.startDetached())
        return false;

    // The office takes a while to listen; until it does, the helper finds nobody there.
    const QByteArray png = Png(picture);
    const QDeadlineTimer deadline(Options.StartTimeoutMs);
    for (;;) {
        const int left = int(std::max<qint64>(deadline.remainingTime(), 1000));
        switch (RunHelper(png, true, std::min(Options.PasteTimeoutMs, left))) {
        case TWordPaste::Pasted:
            return true;
        case TWordPaste::Failed:
            return false;
        case TWordPaste::NotRunning:
            break;
        }
        if (deadline.hasExpired())
            return false;
        WaitWithoutInput(500);
    }
}
