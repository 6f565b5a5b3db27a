// A word processor that answers as the test says and keeps the pictures pasted into it.
#pragma once

#include "platform/word_processor.h"

#include <vector>

class TFakeWordProcessor : public IWordProcessor {
public:
    // What PasteIntoRunning answers (a running one keeps the picture), and whether a new
    // session can be started.
    TWordPaste Running = TWordPaste::Pasted;
    bool Starts = true;

    std::vector<QImage> PastedIntoRunning;
    std::vector<QImage> PastedIntoNew;
    int RunningAsked = 0;

    TWordPaste PasteIntoRunning(const QImage& picture) override {
        ++RunningAsked;
        if (Running == TWordPaste::Pasted)
            PastedIntoRunning.push_back(picture);
        return Running;
    }
    bool StartAndPaste(const QImage& picture) override {
        if (Starts)
            PastedIntoNew.push_back(picture);
        return Starts;
    }
};
