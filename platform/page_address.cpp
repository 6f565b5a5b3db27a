#include "platform/page_address.h"

#include <QUrl>

QString NormalisedPageAddress(const QString& address) {
    // Control characters (C0, DEL, C1) are refused rather than encoded: no address a browser
    // shows holds one, and they are how an answer would smuggle a second line or argument.
    for (const QChar c : address)
        if (c.category() == QChar::Other_Control)
            return QString();
    // Tolerant parsing takes what browsers leave unencoded (a "|", a blank); the encoded form
    // written out below is what passes on.
    const QUrl url(address, QUrl::TolerantMode);
    if (!url.isValid() || url.isRelative())
        return QString();
    const QString scheme = url.scheme(); // lower-cased by the parser
    if (scheme == "http" || scheme == "https" || scheme == "ftp") {
        if (url.host().isEmpty())
            return QString();
    } else if (scheme == "file") {
        if (!(url.host().isEmpty() || url.host() == "localhost") || !url.path().startsWith('/'))
            return QString();
    } else {
        return QString();
    }
    return url.toString(QUrl::FullyEncoded);
}
