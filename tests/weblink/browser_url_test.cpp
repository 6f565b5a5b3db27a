#include "weblink/browser_url.h"
#include "weblink/moz_lz4.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <gtest/gtest.h>

namespace {

// An LZ4 block of literals only, which every decoder must accept: one token, the length
// extension bytes when there are 15 or more, the bytes.
std::vector<uint8_t> LiteralBlock(const QByteArray& bytes) {
    std::vector<uint8_t> block;
    std::size_t length = std::size_t(bytes.size());
    block.push_back(uint8_t(std::min<std::size_t>(length, 15) << 4));
    if (length >= 15) {
        std::size_t rest = length - 15;
        for (; rest >= 255; rest -= 255)
            block.push_back(255);
        block.push_back(uint8_t(rest));
    }
    block.insert(block.end(), bytes.begin(), bytes.end());
    return block;
}

QByteArray MozLz4File(const std::vector<uint8_t>& block, std::size_t size) {
    QByteArray file("mozLz40", 8);
    for (int shift = 0; shift < 32; shift += 8)
        file.append(char((size >> shift) & 0xFF));
    file.append(reinterpret_cast<const char*>(block.data()), qsizetype(block.size()));
    return file;
}

QByteArray MozLz4File(const QByteArray& json) {
    return MozLz4File(LiteralBlock(json), std::size_t(json.size()));
}

std::optional<std::string> Decode(const std::vector<uint8_t>& block, std::size_t size) {
    auto out = DecodeLz4Block(block.data(), block.size(), size);
    if (!out)
        return std::nullopt;
    return std::string(out->begin(), out->end());
}

void WriteFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void SetModified(const QString& path, int secondsAgo) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo),
                     QFileDevice::FileModificationTime);
}

// A DevTools endpoint on loopback in its own thread (the query blocks the caller's thread):
// answers every request with the given response and keeps the requests it saw.
class TFakeDevTools : public QThread {
public:
    explicit TFakeDevTools(QByteArray response) : Response_(std::move(response)) {
        start();
        Ready_.acquire();
    }
    ~TFakeDevTools() override {
        Stop_ = true;
        wait();
    }
    quint16 Port() const { return Port_; }
    QByteArray Requests() {
        QMutexLocker lock(&Mutex_);
        return Requests_;
    }

    static QByteArray Http200(const QByteArray& body) {
        return "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=UTF-8\r\n"
               "Content-Length: " +
               QByteArray::number(body.size()) + "\r\n\r\n" + body;
    }

private:
    void run() override {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        Port_ = server.serverPort();
        Ready_.release();
        while (!Stop_) {
            if (!server.waitForNewConnection(20))
                continue;
            QTcpSocket* socket = server.nextPendingConnection();
            QByteArray request;
            while (!request.contains("\r\n\r\n") && socket->waitForReadyRead(2000))
                request += socket->readAll();
            {
                QMutexLocker lock(&Mutex_);
                Requests_ += request;
            }
            socket->write(Response_);
            socket->waitForBytesWritten(2000);
            socket->disconnectFromHost();
            if (socket->state() != QAbstractSocket::UnconnectedState)
                socket->waitForDisconnected(2000);
            delete socket;
        }
    }

    QByteArray Response_;
    QByteArray Requests_;
    quint16 Port_ = 0;
    std::atomic<bool> Stop_ = false;
    QSemaphore Ready_; // released once the server listens
    QMutex Mutex_;
};

const QByteArray PageList = R"([
  {"type": "service_worker", "url": "chrome-extension://x/sw.js", "title": "worker"},
  {"type": "page", "url": "https://example.org/news?id=7", "title": "News \"today\", all of it"},
  {"type": "page", "url": "https://example.org/older", "title": "Older"}
])";

} // namespace

TEST(StripURLQuotes, ReducesTheAnswerToABlankAndTheBareAddress) {
    struct Case {
        const char* Answer;
        const char* Stripped;
    };
    for (Case c : {
             Case{R"("http://a.example/x","Title")", " http://a.example/x"},
             Case{R"("http://a.example/x")", " http://a.example/x"},
             Case{R"("","")", R"("","")"}, // five characters: a browser without a page
             Case{R"("ab")", R"("ab")"},
             Case{R"("","",)", " "},
             Case{"no quotes at all", "no quotes at all"},
             Case{R"(one " quote)", "one   quote"},
             Case{R"(lead "address" tail)", "lead  address"},
             Case{"", ""},
         }) {
        EXPECT_EQ(StripURLQuotes(c.Answer), QString(c.Stripped)) << c.Answer;
    }
}

TEST(PendingAddressFromAnswer, TrimsBlanksAndControlsAndFlagsLongAnswers) {
    EXPECT_EQ(PendingAddressFromAnswer(" http://a/ ").URL, "http://a/");
    EXPECT_EQ(PendingAddressFromAnswer("\t\r\n http://a/\x01\n").URL, "http://a/");
    EXPECT_EQ(PendingAddressFromAnswer(" ").URL, "");
    EXPECT_EQ(PendingAddressFromAnswer("").URL, "");
    // The flag looks at the answer before trimming: a blank and 255 characters is long.
    QString address255(255, 'x');
    EXPECT_TRUE(PendingAddressFromAnswer(' ' + address255).LongURL);
    EXPECT_FALSE(PendingAddressFromAnswer(' ' + address255.left(254)).LongURL);
    EXPECT_FALSE(PendingAddressFromAnswer("").LongURL);
    EXPECT_EQ(PendingAddressFromAnswer(' ' + address255).URL, address255);
}

TEST(FormatBrowserAnswer, KeepsAddressesWithQuotesWholeThroughTheStripping) {
    QString answer = FormatBrowserAnswer("https://a.example/q?\"x\"", "T");
    EXPECT_EQ(answer, R"("https://a.example/q?%22x%22","T")");
    EXPECT_EQ(PendingAddressFromAnswer(StripURLQuotes(answer)).URL, "https://a.example/q?%22x%22");
}

TEST(BrowserKindOfClass, TellsTheTwoFamiliesApart) {
    struct Case {
        const char* Class;
        TBrowserKind Kind;
    };
    for (Case c : {Case{"chromium", bkChromium}, Case{"google-chrome", bkChromium},
                   Case{"brave-browser", bkChromium}, Case{"microsoft-edge", bkChromium},
                   Case{"firefox", bkFirefox}, Case{"firefox-esr", bkFirefox},
                   Case{"librewolf", bkFirefox}, Case{"waterfox", bkFirefox}, Case{"xterm", bkNone},
                   Case{"", bkNone}, Case{"epiphany", bkNone}}) {
        EXPECT_EQ(BrowserKindOfClass(c.Class), c.Kind) << c.Class;
    }
}

TEST(DecodeLz4Block, DecodesLiteralsMatchesAndOverlappingRuns) {
    EXPECT_EQ(Decode(LiteralBlock("hello"), 5), "hello");
    QByteArray long300(300, 'q');
    EXPECT_EQ(Decode(LiteralBlock(long300), 300), long300.toStdString());
    EXPECT_EQ(Decode({0x00}, 0), "");
    // "abc", then a match 3 back of 4+5 bytes (overlapping itself), then literals "!".
    EXPECT_EQ(Decode({0x35, 'a', 'b', 'c', 3, 0, 0x10, '!'}, 13), "abcabcabcabc!");
    // A match length of 15 + 4 + extension 10: 29 bytes of 'z' after one literal.
    EXPECT_EQ(Decode({0x1F, 'z', 1, 0, 10, 0x00}, 30), std::string(30, 'z'));
}

TEST(DecodeLz4Block, RefusesEveryMalformedBlock) {
    struct Case {
        const char* Name;
        std::vector<uint8_t> Block;
        std::size_t Size;
    };
    for (const Case& c : {
             Case{"literals past the end of the input", {0x50, 'a', 'b'}, 5},
             Case{"literals past the declared size", {0x50, 'a', 'b', 'c', 'd', 'e'}, 4},
             Case{"output shorter than declared", {0x30, 'a', 'b', 'c'}, 4},
             Case{"match offset zero", {0x10, 'a', 0, 0, 0x10, 'b'}, 6},
             Case{"match before the start", {0x10, 'a', 2, 0, 0x10, 'b'}, 6},
             Case{"offset cut short", {0x10, 'a', 1}, 5},
             Case{"match past the declared size", {0x10, 'a', 1, 0, 0x10, 'b'}, 4},
             Case{"literal extension cut short", {0xF0, 255}, 400},
             Case{"match extension cut short", {0x1F, 'a', 1, 0}, 40},
             Case{"endless extension", {0xF0, 255, 255, 255, 255, 255, 255, 255}, 1000},
         }) {
        EXPECT_FALSE(DecodeLz4Block(c.Block.data(), c.Block.size(), c.Size)) << c.Name;
    }
}

TEST(DecodeMozLz4, ChecksMagicHeaderAndSizeLimit) {
    QByteArray good = MozLz4File(QByteArray("{}"));
    auto bytes = [](const QByteArray& a) { return reinterpret_cast<const uint8_t*>(a.data()); };
    auto decoded = DecodeMozLz4(bytes(good), std::size_t(good.size()));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::string(decoded->begin(), decoded->end()), "{}");
    QByteArray badMagic = good;
    badMagic[3] = 'X';
    EXPECT_FALSE(DecodeMozLz4(bytes(badMagic), std::size_t(badMagic.size())));
    EXPECT_FALSE(DecodeMozLz4(bytes(good), 11)); // header cut short
    EXPECT_FALSE(DecodeMozLz4(bytes(good), std::size_t(good.size()), 1));
    // A size of 4 GiB claimed by a 20-byte file is refused before anything is allocated.
    QByteArray huge = good;
    huge[8] = huge[9] = huge[10] = huge[11] = char(0xFF);
    EXPECT_FALSE(DecodeMozLz4(bytes(huge), std::size_t(huge.size())));
}

TEST(AnswerFromSessionFile, TakesTheSelectedTabOfTheSelectedWindow) {
    QByteArray session = R"({
      "selectedWindow": 2,
      "windows": [
        {"selected": 1, "tabs": [{"index": 1, "entries": [{"url": "https://one.example/"}]}]},
        {"selected": 2, "tabs": [
          {"index": 1, "entries": [{"url": "https://two-a.example/"}]},
          {"index": 1, "entries": [
            {"url": "https://b.example/first", "title": "First"},
            {"url": "https://b.example/second", "title": "Second"}]}
        ]}
      ]})";
    EXPECT_EQ(AnswerFromSessionFile(MozLz4File(session)), R"("https://b.example/first","First")");
}

TEST(AnswerFromSessionFile, ReadsAFileFromARealCompressor) {
    // 37 KB of session in two windows of 20 tabs, compressed by the lz4 tool (its block
    // carries long overlapping matches): window 2, tab 18, entry 3 is selected.
    QFile file(qEnvironmentVariable("KARVIN_TEST_DATA") + "/weblink/recovery.jsonlz4");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(AnswerFromSessionFile(file.readAll()),
              R"("https://www.example.org/articles/37/page-2.html","Article 37, page 2")");
}

TEST(AnswerFromSessionFile, FillsMissingNumbersAndRefusesImpossibleOnes) {
    struct Case {
        const char* Name;
        const char* Json;
        const char* Answer;
    };
    for (const Case& c : {
             Case{"no numbers: first window, first tab, newest entry",
                  R"({"windows": [{"tabs": [{"entries": [{"url": "u1"}, {"url": "u2"}]}]}]})",
                  R"("u2","")"},
             Case{"window number beyond the windows",
                  R"({"selectedWindow": 3, "windows": [{"tabs": []}]})", ""},
             Case{"tab number zero",
                  R"({"windows": [{"selected": 0, "tabs": [{"entries": [{"url": "u"}]}]}]})", ""},
             Case{"entry number beyond the entries",
                  R"({"windows": [{"tabs": [{"index": 5, "entries": [{"url": "u"}]}]}]})", ""},
             Case{"no windows", R"({"windows": []})", ""},
             Case{"tab without entries", R"({"windows": [{"tabs": [{}]}]})", ""},
             Case{"entry without address", R"({"windows": [{"tabs": [{"entries": [{}]}]}]})", ""},
             Case{"wrong types", R"({"windows": {"tabs": 3}, "selectedWindow": "x"})", ""},
             Case{"not JSON", "mozLz4 but not JSON {", ""},
         }) {
        EXPECT_EQ(AnswerFromSessionFile(MozLz4File(QByteArray(c.Json))), QString(c.Answer))
            << c.Name;
    }
    EXPECT_EQ(AnswerFromSessionFile("plain text, not a session file"), "");
}

TEST(GetBrowserURL, FirefoxFamilyReadsTheNewestProfile) {
    QTemporaryDir home;
    TBrowserQueryOptions options{home.path(), home.path() + "/.config", 1000};
    EXPECT_EQ(GetBrowserURL(bkFirefox, options), "");

    auto session = [](const char* url) {
        return MozLz4File(QByteArray(R"({"windows":[{"tabs":[{"entries":[{"url":")") + url +
                          R"(","title":"t"}]}]}]})");
    };
    QString old = home.path() + "/.mozilla/firefox/abc.default-esr/sessionstore-backups/"
                                "recovery.jsonlz4";
    QString recent = home.path() + "/.librewolf/xyz.default-default/sessionstore-backups/"
                                   "recovery.jsonlz4";
    WriteFile(old, session("https://old.example/"));
    WriteFile(recent, session("https://recent.example/"));
    SetModified(old, 3600);
    SetModified(recent, 5);
    EXPECT_EQ(NewestSessionFile(options), recent);
    EXPECT_EQ(GetBrowserURL(bkFirefox, options), " https://recent.example/");
    SetModified(old, 1);
    EXPECT_EQ(GetBrowserURL(bkFirefox, options), " https://old.example/");
}

TEST(GetBrowserURL, ChromiumFamilyAsksTheEndpointNamedInTheProfile) {
    TFakeDevTools devTools(TFakeDevTools::Http200(PageList));
    QTemporaryDir config;
    TBrowserQueryOptions options{config.path(), config.path(), 5000};
    EXPECT_EQ(DevToolsPort(options), 9222); // nothing written: the usual port
    WriteFile(config.path() + "/chromium/DevToolsActivePort",
              QByteArray::number(devTools.Port()) + "\n/devtools/browser/1234\n");
    EXPECT_EQ(DevToolsPort(options), devTools.Port());

    EXPECT_EQ(GetBrowserURL(bkChromium, options), " https://example.org/news?id=7");
    QByteArray request = devTools.Requests();
    EXPECT_TRUE(request.startsWith("GET /json/list HTTP/1.1\r\n")) << request.toStdString();
    EXPECT_TRUE(request.contains("Host: 127.0.0.1:" + QByteArray::number(devTools.Port())));
    EXPECT_EQ(GetBrowserURL(bkNone, options), "");
}

TEST(DevToolsPort, TakesTheNewestValidPortFile) {
    QTemporaryDir config;
    TBrowserQueryOptions options{config.path(), config.path(), 1000};
    QString chromium = config.path() + "/chromium/DevToolsActivePort";
    QString brave = config.path() + "/BraveSoftware/Brave-Browser/DevToolsActivePort";
    QString edge = config.path() + "/microsoft-edge/DevToolsActivePort";
    WriteFile(chromium, "40001\n/devtools/browser/a\n");
    WriteFile(brave, "40002\n/devtools/browser/b\n");
    WriteFile(edge, "99999\n"); // newest, but no port
    SetModified(chromium, 100);
    SetModified(brave, 10);
    EXPECT_EQ(DevToolsPort(options), 40002);
    SetModified(chromium, 1);
    EXPECT_EQ(DevToolsPort(options), 40001);
    // A planted folder or an oversized file where the port file belongs is passed over.
    QFile::remove(chromium);
    QDir().mkpath(chromium);
    EXPECT_EQ(DevToolsPort(options), 40002);
    WriteFile(brave, QByteArray(100000, '7'));
    EXPECT_EQ(DevToolsPort(options), 9222);
}

TEST(AskDevTools, AnswersNothingForWhatIsNotAPageList) {
    struct Case {
        const char* Name;
        QByteArray Response;
    };
    for (const Case& c : {
             Case{"not found", "HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\n[]"},
             Case{"no pages", TFakeDevTools::Http200(R"([{"type":"iframe","url":"u"}])")},
             Case{"not JSON", TFakeDevTools::Http200("<html>hello</html>")},
             Case{"body cut short", "HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n[{}]"},
             Case{"no headers", "garbage without an end of headers"},
             Case{"nothing", ""},
         }) {
        TFakeDevTools devTools(c.Response);
        EXPECT_EQ(AskDevTools(devTools.Port(), 3000), "") << c.Name;
    }
    // Without a length the body runs to the close.
    TFakeDevTools unsized(QByteArray("HTTP/1.0 200 OK\r\n\r\n") + PageList);
    EXPECT_EQ(AskDevTools(unsized.Port(), 3000),
              R"("https://example.org/news?id=7","News "today", all of it")");
}

TEST(AskDevTools, GivesUpWithinTheTimeOut) {
    // A port that takes the connection but never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(AskDevTools(silent.serverPort(), 300), "");
    EXPECT_GE(timer.elapsed(), 250);
    EXPECT_LT(timer.elapsed(), 3000);

    // A port nobody listens on answers at once.
    quint16 closedPort = silent.serverPort();
    silent.close();
    timer.restart();
    EXPECT_EQ(AskDevTools(closedPort, 5000), "");
    EXPECT_LT(timer.elapsed(), 3000);
}
