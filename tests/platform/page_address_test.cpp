#include "platform/page_address.h"

#include <QUrl>
#include <gtest/gtest.h>

TEST(NormalisedPageAddress, PassesWebAndFileAddressesInTheirEncodedForm) {
    struct TCase {
        QString Address;
        QString Normalised;
    };
    const TCase cases[] = {
        {"https://example.org/news?id=7", "https://example.org/news?id=7"},
        {"HTTP://Example.ORG:8080/A/b", "http://example.org:8080/A/b"},
        {"https://example.org/a b|c?q=\"x\"&r=<y>",
         "https://example.org/a%20b%7Cc?q=%22x%22&r=%3Cy%3E"},
        {"https://bücher.example/grün", "https://xn--bcher-kva.example/gr%C3%BCn"},
        {"https://user@example.org/", "https://user@example.org/"},
        {"ftp://files.example/pub/", "ftp://files.example/pub/"},
        {"file:///tmp/My Shots/page.html", "file:///tmp/My%20Shots/page.html"},
        {"file://localhost/tmp/x.html", "file://localhost/tmp/x.html"},
    };
    for (const TCase& c : cases) {
        const QString normalised = NormalisedPageAddress(c.Address);
        EXPECT_EQ(normalised, c.Normalised) << c.Address.toStdString();
        // Normalising twice changes nothing.
        EXPECT_EQ(NormalisedPageAddress(normalised), normalised) << c.Address.toStdString();
    }
}

TEST(NormalisedPageAddress, RefusesOptionsControlsAndOtherSchemes) {
    const QString refused[] = {
        "",
        "-",
        "--renderer-cmd-prefix=/tmp/prog",
        "--renderer-cmd-prefix=/tmp/prog https://example.org/",
        "-new-tab",
        "/tmp/page.html", // a path is no address
        "example.org",
        "javascript:alert(1)",
        "data:text/html,<script>x</script>",
        "mailto:someone@example.org",
        "smb://server/share",
        "chrome://settings",
        "about:blank",
        "vbscript:x",
        "http:relative/path",
        "https:///no-host",
        "http://exa mple.org/",
        "http://example.org:99999/",
        "file:relative.html",
        "file://server/share/x.html",
        "https://example.org/\x01",
        "https://example.org/a\tb",
        "https://example.org/a\nb",
        "https://example.org/a\rb",
        "https://example.org/\x7f",
        QString("https://example.org/") + QChar(0x9B) + "31m", // C1 control sequence introducer
        QString("https://example.org/") + QChar(0) + "x",
    };
    for (const QString& address : refused)
        EXPECT_EQ(NormalisedPageAddress(address), "") << address.toStdString();
}
