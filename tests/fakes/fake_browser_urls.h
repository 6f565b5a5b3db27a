// A browser that answers what the test says, and a record of who was asked.
#pragma once

#include "weblink/browser_url.h"

#include <functional>
#include <vector>

class TFakeBrowserURLs : public IBrowserURLs {
public:
    // What the browser answers, already stripped as the real query strips it, e.g.
    // StripURLQuotes(FormatBrowserAnswer("https://example.org/", "Example")).
    QString Answer;
    std::vector<TBrowserKind> Asked;
    // Runs while the browser is being asked (the user pressing keys meanwhile).
    std::function<void()> WhileAsked;

    QString GetBrowserURL(TBrowserKind kind) override {
        Asked.push_back(kind);
        if (WhileAsked)
            WhileAsked();
        return kind == bkNone ? QString() : Answer;
    }
};
