// A browser that answers what the test says, and a record of who was asked.
#pragma once

#include "weblink/browser_url.h"

#include <vector>

class TFakeBrowserURLs : public IBrowserURLs {
public:
    // What the browser answers, already stripped as the real query strips it, e.g.
    // StripURLQuotes(FormatBrowserAnswer("https://example.org/", "Example")).
    QString Answer;
    std::vector<TBrowserKind> Asked;

    QString GetBrowserURL(TBrowserKind kind) override {
        Asked.push_back(kind);
        return kind == bkNone ? QString() : Answer;
    }
};
