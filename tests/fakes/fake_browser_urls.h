// A browser that answers what the test says, and a record of who was asked.
#pragma once

#include "platform/browser_urls.h"

#include <QPromise>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class TFakeBrowserURLs : public IBrowserURLs {
public:
    // What the browser answers, already stripped as the real query strips it, e.g.
    // StripURLQuotes(FormatBrowserAnswer("https://example.org/", "Example")).
    QString Answer;
    std::vector<TBrowserKind> Asked; // the kind of each class asked about
    QStringList AskedClasses;
    // Runs while the browser is being asked (the user pressing keys meanwhile).
    std::function<void()> WhileAsked;
    // When above 0, the answer comes that many milliseconds later, through the event loop
    // of the thread that asked; below 0 it never comes. At 0 it is there at once.
    int AnswerAfterMs = 0;

    QFuture<QString> AskBrowserURL(const QString& className) override {
        Asked.push_back(BrowserKindOfClass(className));
        AskedClasses << className;
        if (WhileAsked)
            WhileAsked();
        const QString answer = BrowserKindOfClass(className) == bkNone ? QString() : Answer;
        auto promise = std::make_shared<QPromise<QString>>();
        promise->start();
        if (AnswerAfterMs == 0) {
            promise->addResult(answer);
            promise->finish();
        } else if (AnswerAfterMs > 0) {
            QTimer::singleShot(AnswerAfterMs, [promise, answer] {
                promise->addResult(answer);
                promise->finish();
            });
        } else {
            Unanswered.push_back(promise);
        }
        return promise->future();
    }

private:
    // Questions never answered stay open until the fake goes.
    std::vector<std::shared_ptr<QPromise<QString>>> Unanswered;
};
