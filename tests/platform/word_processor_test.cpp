// Pasting into the word processor: a headless LibreOffice Writer reached on a private pipe,
// whose document is then saved and searched for the picture; and the time limits that keep a
// word processor that does not answer from holding the program.
#include "platform/word_processor.h"

#include "tests/scripts/skip_outside_ci.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <unistd.h>

namespace {

QString BinFolder() {
    return QString::fromLocal8Bit(qgetenv("KARVIN_BIN_DIR"));
}

QImage Picture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 9) & 0xFF, (y * 17) & 0xFF, ((x + y) * 5) & 0xFF));
    return image;
}

// A program in `folder` made of a shell script body.
QString Script(const QTemporaryDir& folder, const QString& name, const QByteArray& body) {
    const QString path = folder.path() + "/" + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// The tests' side of the office (tests/platform/writer_document.py); its output.
std::optional<QString> Document(const QString& pipe, const QStringList& arguments,
                                int attempts = 1) {
    QProcess process;
    process.start("/usr/bin/python3",
                  QStringList{QString::fromLocal8Bit(qgetenv("KARVIN_SOURCE_DIR")) +
                                  "/tests/platform/writer_document.py",
                              pipe} +
                      arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        // An office that has just made a document may drop the next connection while it is
        // still busy: a request that changes nothing on failure may be made again.
        if (attempts > 1) {
            QThread::sleep(2);
            return Document(pipe, arguments, attempts - 1);
        }
        ADD_FAILURE() << "writer_document.py " << arguments.join(' ').toStdString() << ": "
                      << process.readAllStandardError().toStdString();
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool HasWriterWithUno() {
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        return false;
    QProcess python;
    python.start("/usr/bin/python3", {"-c", "import uno"});
    return python.waitForFinished(30000) && python.exitStatus() == QProcess::NormalExit &&
           python.exitCode() == 0;
}

// The one picture of a saved document, from the folder writer_document.py unpacked it into.
QImage SavedPicture(const QString& folder) {
    const QStringList pictures = QDir(folder).entryList({"*.png"}, QDir::Files);
    EXPECT_EQ(pictures.size(), 1) << pictures.join(' ').toStdString();
    return pictures.isEmpty() ? QImage() : QImage(folder + "/" + pictures.first());
}

} // namespace

TEST(UnoWordProcessor, PastesIntoARunningWriterOrANewOneAtTheInsertionPoint) {
    if (!HasWriterWithUno())
        KARVIN_SKIP_OUTSIDE_CI("LibreOffice Writer or its Python UNO bridge is not installed");
    QTemporaryDir profile;
    QTemporaryDir saved;
    const QString pipe = QString("karvin-test-%1").arg(::getpid());
    TUnoWordProcessorOptions options;
    options.Pipe = pipe;
    options.StartCommand = {"soffice", "--headless", "--norestore", "--nologo",
                            "-env:UserInstallation=" +
                                QUrl::fromLocalFile(profile.path()).toString()};
    options.StartTimeoutMs = 180000;
    options.PasteTimeoutMs = 60000;
    TUnoWordProcessor writer(options);
    // The office ends with the test, also when an assertion ends it early.
    const auto endOffice = qScopeGuard([&] {
        Document(pipe, {"quit"});
        QProcess::execute("pkill", {"-f", "pipe,name=" + pipe + ";"});
    });
    const QImage first = Picture(40, 30);
    const QImage second = Picture(64, 20).mirrored(true, false);

    // Nobody listens on the pipe yet.
    EXPECT_EQ(writer.PasteIntoRunning(first), TWordPaste::NotRunning);

    // A new session: the picture is in its new document.
    ASSERT_TRUE(writer.StartAndPaste(first));
    auto answer = Document(pipe, {"save", saved.path()});
    ASSERT_TRUE(answer.has_value());
    EXPECT_TRUE(answer->contains("text\n[picture]\n")) << answer->toStdString();
    EXPECT_EQ(SavedPicture(saved.path()).convertToFormat(QImage::Format_RGB32), first);
    // At its own size, 96 dots per inch: 40 x 30 pixels are 1058 x 794 hundredths of a mm.
    EXPECT_TRUE(answer->contains("frame 1058 794")) << answer->toStdString();

    // The running one: into the current document, where the insertion point is.
    QTemporaryDir savedAgain;
    ASSERT_TRUE(Document(pipe, {"write", "Hello world", "5"}, 3).has_value());
    EXPECT_EQ(writer.PasteIntoRunning(second), TWordPaste::Pasted);
    answer = Document(pipe, {"save", savedAgain.path()});
    ASSERT_TRUE(answer.has_value());
    EXPECT_TRUE(answer->contains("text\nHello[picture] world\n")) << answer->toStdString();
    EXPECT_EQ(SavedPicture(savedAgain.path()).convertToFormat(QImage::Format_RGB32), second);
}

TEST(UnoWordProcessor, AHelperOrOfficeThatDoesNotAnswerIsAFailureInBoundedTime) {
    QTemporaryDir folder;
    // The helper hangs (an office that accepted the connection and never answers).
    TUnoWordProcessorOptions hanging;
    hanging.Helper = Script(folder, "hanging", "exec sleep 60\n");
    hanging.PasteTimeoutMs = 1500;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(TUnoWordProcessor(hanging).PasteIntoRunning(Picture(4, 4)), TWordPaste::Failed);
    EXPECT_LT(clock.elapsed(), 10000);

    // No helper at all, or one that fails.
    TUnoWordProcessorOptions missing;
    missing.Helper = folder.path() + "/none";
    EXPECT_EQ(TUnoWordProcessor(missing).PasteIntoRunning(Picture(4, 4)), TWordPaste::Failed);
    TUnoWordProcessorOptions failing;
    failing.Helper = Script(folder, "failing", "cat > /dev/null; exit 1\n");
    EXPECT_EQ(TUnoWordProcessor(failing).PasteIntoRunning(Picture(4, 4)), TWordPaste::Failed);

    // No office to start: false, without waiting for one to listen.
    TUnoWordProcessorOptions noOffice;
    noOffice.Helper = Script(folder, "nobody", "cat > /dev/null; exit 3\n");
    noOffice.StartCommand = {folder.path() + "/no-office"};
    clock.restart();
    EXPECT_FALSE(TUnoWordProcessor(noOffice).StartAndPaste(Picture(4, 4)));
    EXPECT_LT(clock.elapsed(), 10000);

    // An office that starts but never listens: given up when the start time is over.
    TUnoWordProcessorOptions neverListens = noOffice;
    neverListens.StartCommand = {Script(folder, "office", "exit 0\n")};
    neverListens.StartTimeoutMs = 2000;
    clock.restart();
    EXPECT_FALSE(TUnoWordProcessor(neverListens).StartAndPaste(Picture(4, 4)));
    EXPECT_LT(clock.elapsed(), 10000);
}

TEST(UnoWordProcessor, TheHelperRefusesWhatIsNoPictureAndNoPipeName) {
    struct TCase {
        QStringList Arguments;
        QByteArray Input;
        int Code;
    };
    const TCase cases[] = {
        {{"karvin"}, "GIF89a not a png", 1}, {{"--timeout", "x", "karvin"}, "", 2},
        {{"../../tmp/pipe"}, "", 2},         {{"a", "b"}, "", 2},
        {{"--unknown", "karvin"}, "", 2},
    };
    for (const TCase& c : cases) {
        QProcess helper;
        helper.start(BinFolder() + "/karvin-writer-paste", c.Arguments);
        ASSERT_TRUE(helper.waitForStarted());
        helper.write(c.Input);
        helper.closeWriteChannel();
        ASSERT_TRUE(helper.waitForFinished(30000));
        EXPECT_EQ(helper.exitCode(), c.Code) << c.Arguments.join(' ').toStdString();
    }
}
