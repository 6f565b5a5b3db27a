#include "platform/browser_urls.h"

#include "platform/page_address.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QTimer>

#include <algorithm>

TBrowserKind BrowserKindOfClass(const QString& className) {
    for (const char* part : {"chrom", "brave", "edge"})
        if (className.contains(QLatin1String(part)))
            return bkChromium;
    for (const char* part : {"firefox", "librewolf", "waterfox"})
        if (className.contains(QLatin1String(part)))
            return bkFirefox;
    return bkNone;
}

QString WaitForBrowserURL(const QFuture<QString>& answer, int timeoutMs) {
    if (!answer.isFinished()) {
        QEventLoop loop;
        QFutureWatcher<QString> watcher;
        QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(std::max(timeoutMs, 0), &loop, &QEventLoop::quit);
        // A future that finished meanwhile still signals, so the loop never waits for
        // nothing.
        watcher.setFuture(answer);
        loop.exec();
    }
    return answer.isFinished() && answer.resultCount() > 0 ? answer.result() : QString();
}

TPendingAddress PendingAddressFromAnswer(const QString& answer) {
    qsizetype start = 0, end = answer.size();
    while (start < end && answer[start].unicode() <= ' ')
        ++start;
    while (end > start && answer[end - 1].unicode() <= ' ')
        --end;
    // The answer is another program's text: only a web or file address is kept, and only in
    // the form that is safe to hand on.
    const QString address = NormalisedPageAddress(answer.mid(start, end - start));
    if (address.isEmpty())
        return {};
    return {address, answer.size() >= 256};
}
