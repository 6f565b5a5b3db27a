// The word processor that pictures are pasted into: LibreOffice Writer, reached through its
// UNO interface on the pipe "karvin".
//
// The office is never called from this process. Each exchange runs a small helper,
// `karvin-writer-paste` (platform/word_processor_uno.py, installed beside the program), that
// gets the picture as PNG on its standard input, inserts it and reports by its exit code, and
// it runs under a time limit: an office that hangs, or a bridge that never answers, costs a
// failure, never the window. While the helper runs, the window goes on repainting.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

enum class TWordPaste {
    Pasted,     // the picture is in the document
    NotRunning, // no word processor listens for us
    Failed,     // one listens, or may, but the picture could not be inserted
};

class IWordProcessor {
public:
    virtual ~IWordProcessor() = default;

    // Inserts the picture at the insertion point of the running word processor's current
    // text document; into a new document when no text document is current or inserting
    // there fails.
    virtual TWordPaste PasteIntoRunning(const QImage& picture) = 0;
    // Starts a new session of the word processor, listening for us, and inserts the picture
    // into a new document of it; false when it cannot be started or the picture not inserted.
    virtual bool StartAndPaste(const QImage& picture) = 0;
};

struct TUnoWordProcessorOptions {
    // The helper; empty for karvin-writer-paste in the folder of the running program.
    QString Helper;
    // The name of the pipe the office listens on.
    QString Pipe = "karvin";
    // The program that starts a new session, and its arguments before the pipe's --accept;
    // empty for `soffice --nodefault --norestore`, a visible office without a start window.
    QStringList StartCommand;
    // The most one paste may take, and the most a new session may take to listen.
    int PasteTimeoutMs = 30000;
    int StartTimeoutMs = 90000;
};

class TUnoWordProcessor : public IWordProcessor {
public:
    explicit TUnoWordProcessor(TUnoWordProcessorOptions options = {});

    TWordPaste PasteIntoRunning(const QImage& picture) override;
    bool StartAndPaste(const QImage& picture) override;

private:
    // Runs the helper with the picture; its answer, or Failed when it did not answer in time.
    TWordPaste RunHelper(const QByteArray& png, bool newDocument, int timeoutMs);

    TUnoWordProcessorOptions Options;
};
