#include "weblink/browser_url.h"
#include "weblink/moz_lz4.h"

#include "tests/scripts/skip_outside_ci.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QPromise>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <grp.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

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
// answers every request with the given response and keeps the requests it saw. It may then
// go on sending blanks: floodBytes of them as fast as they are read, then 64 at every drip
// interval, never closing.
class TFakeDevTools : public QThread {
public:
    explicit TFakeDevTools(QByteArray response, quint16 port = 0, int dripEveryMs = 0,
                           qint64 floodBytes = 0)
        : Response_(std::move(response)), WantedPort_(port), DripEveryMs_(dripEveryMs),
          FloodBytes_(floodBytes) {
        start();
        Ready_.acquire();
    }
    ~TFakeDevTools() override {
        Stop_ = true;
        wait();
    }
    // 0 when the port could not be had.
    quint16 Port() const { return Port_; }
    int Connections() const { return Connections_; }
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
        server.listen(QHostAddress::LocalHost, WantedPort_);
        Port_ = server.serverPort();
        Ready_.release();
        while (!Stop_) {
            if (!server.waitForNewConnection(20))
                continue;
            QTcpSocket* socket = server.nextPendingConnection();
            ++Connections_;
            QByteArray request;
            while (!request.contains("\r\n\r\n") && socket->waitForReadyRead(2000))
                request += socket->readAll();
            {
                QMutexLocker lock(&Mutex_);
                Requests_ += request;
            }
            socket->write(Response_);
            socket->waitForBytesWritten(2000);
            for (qint64 sent = 0;
                 sent < FloodBytes_ && !Stop_ && socket->state() == QAbstractSocket::ConnectedState;
                 sent += 65536) {
                socket->write(QByteArray(65536, ' '));
                socket->waitForBytesWritten(2000);
            }
            while (DripEveryMs_ > 0 && !Stop_ &&
                   socket->state() == QAbstractSocket::ConnectedState) {
                socket->write(QByteArray(64, ' '));
                socket->waitForBytesWritten(2000);
                QThread::msleep(DripEveryMs_);
            }
            socket->disconnectFromHost();
            if (socket->state() != QAbstractSocket::UnconnectedState)
                socket->waitForDisconnected(2000);
            delete socket;
        }
    }

    QByteArray Response_;
    QByteArray Requests_;
    quint16 WantedPort_ = 0;
    int DripEveryMs_ = 0;
    qint64 FloodBytes_ = 0;
    std::atomic<quint16> Port_ = 0;
    std::atomic<int> Connections_ = 0;
    std::atomic<bool> Stop_ = false;
    QSemaphore Ready_; // released once the server listens
    QMutex Mutex_;
};

// A DevTools endpoint in a child process, run as another user when asked to: the child
// drops to that uid and gid before it listens on a loopback port. It tells its port and
// every connection it takes through pipes, and is killed when the listener goes.
class TChildDevTools {
public:
    explicit TChildDevTools(const QByteArray& response, std::optional<uid_t> runAs) {
        int portPipe[2], connectionPipe[2];
        if (::pipe(portPipe) != 0 || ::pipe(connectionPipe) != 0)
            return;
        Child_ = ::fork();
        if (Child_ == 0) {
            // Only plain system calls from here on: the parent's other threads are gone.
            ::close(portPipe[0]);
            ::close(connectionPipe[0]);
            Serve(response, runAs, portPipe[1], connectionPipe[1]);
            ::_exit(0);
        }
        ::close(portPipe[1]);
        ::close(connectionPipe[1]);
        Connections_ = connectionPipe[0];
        pollfd ready{portPipe[0], POLLIN, 0};
        quint16 port = 0;
        if (::poll(&ready, 1, 5000) == 1 && ::read(portPipe[0], &port, sizeof port) == sizeof port)
            Port_ = port;
        ::close(portPipe[0]);
    }
    ~TChildDevTools() {
        if (Child_ > 0) {
            ::kill(Child_, SIGKILL);
            ::waitpid(Child_, nullptr, 0);
        }
        if (Connections_ >= 0)
            ::close(Connections_);
    }
    TChildDevTools(const TChildDevTools&) = delete;
    TChildDevTools& operator=(const TChildDevTools&) = delete;

    // 0 when the child could not listen (or not become the other user).
    quint16 Port() const { return Port_; }
    // Whether anybody connected up to now.
    bool Connected() const {
        pollfd ready{Connections_, POLLIN, 0};
        return ::poll(&ready, 1, 0) == 1 && (ready.revents & POLLIN);
    }

private:
    static void Serve(const QByteArray& response, std::optional<uid_t> runAs, int portOut,
                      int connectionsOut) {
        quint16 port = 0;
        if (runAs && (::setgroups(0, nullptr) != 0 || ::setresgid(*runAs, *runAs, *runAs) != 0 ||
                      ::setresuid(*runAs, *runAs, *runAs) != 0)) {
            (void)!::write(portOut, &port, sizeof port);
            return;
        }
        const int server = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(server, 8) == 0 &&
            ::getsockname(server, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        (void)!::write(portOut, &port, sizeof port);
        if (port == 0)
            return;
        for (;;) {
            const int connection = ::accept(server, nullptr, nullptr);
            if (connection < 0)
                continue;
            (void)!::write(connectionsOut, "c", 1);
            char request[4096];
            (void)!::read(connection, request, sizeof request);
            (void)!::write(connection, response.constData(), std::size_t(response.size()));
            ::close(connection);
        }
    }

    pid_t Child_ = -1;
    int Connections_ = -1;
    quint16 Port_ = 0;
};

// A user other than the one running the tests (nobody, usually).
uid_t AnotherUser() {
    return ::geteuid() == 65534 ? 65533 : 65534;
}

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
    QString address255 = "http://a/" + QString(246, 'x');
    ASSERT_EQ(address255.size(), 255);
    EXPECT_TRUE(PendingAddressFromAnswer(' ' + address255).LongURL);
    EXPECT_FALSE(PendingAddressFromAnswer(' ' + address255.left(254)).LongURL);
    EXPECT_FALSE(PendingAddressFromAnswer("").LongURL);
    EXPECT_EQ(PendingAddressFromAnswer(' ' + address255).URL, address255);
}

TEST(PendingAddressFromAnswer, KeepsOnlyWebAndFileAddressesInTheirNormalForm) {
    const QString longOption = "--renderer-cmd-prefix=/tmp/prog" + QString(240, 'x');
    struct TCase {
        QString Answer;
        QString URL; // empty: refused
        bool LongURL;
    };
    const TCase cases[] = {
        {" HTTPS://Example.ORG/a b?q=\"x\"#top", "https://example.org/a%20b?q=%22x%22#top", false},
        {" ftp://files.example/pub/", "ftp://files.example/pub/", false},
        {" file:///tmp/page.html", "file:///tmp/page.html", false},
        {" " + longOption, "", false}, // an option, however long
        {" -x", "", false},
        {" javascript:alert(1)", "", false},
        {" data:text/html,<b>hi</b>", "", false},
        {" mailto:someone@example.org", "", false},
        {" chrome://settings/", "", false},
        {" https://a.example/\x1b[2J", "", false},
        {" https://a.example/one\ntwo", "", false},
        {" https://a.example/\u0085", "", false},
        {" example.org/no-scheme", "", false},
        {" http:no-host", "", false},
        {" file://elsewhere/share/x", "", false},
    };
    for (const TCase& c : cases) {
        const TPendingAddress address = PendingAddressFromAnswer(c.Answer);
        EXPECT_EQ(address.URL, c.URL) << c.Answer.toStdString();
        EXPECT_EQ(address.LongURL, c.LongURL) << c.Answer.toStdString();
    }
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

TEST(GetBrowserURL, FirefoxFamilyReadsTheNewestProfileOfTheBrowserInFront) {
    QTemporaryDir home;
    TBrowserQueryOptions options{home.path(), home.path() + "/.config", 1000};
    EXPECT_EQ(GetBrowserURL("firefox", options), "");

    auto session = [](const char* url) {
        return MozLz4File(QByteArray(R"({"windows":[{"tabs":[{"entries":[{"url":")") + url +
                          R"(","title":"t"}]}]}]})");
    };
    QString old = home.path() + "/.mozilla/firefox/abc.default-esr/sessionstore-backups/"
                                "recovery.jsonlz4";
    QString snap = home.path() + "/snap/firefox/common/.mozilla/firefox/s.default/"
                                 "sessionstore-backups/recovery.jsonlz4";
    QString libreWolf = home.path() + "/.librewolf/xyz.default-default/sessionstore-backups/"
                                      "recovery.jsonlz4";
    WriteFile(old, session("https://old.example/"));
    WriteFile(snap, session("https://snap.example/"));
    WriteFile(libreWolf, session("https://wolf.example/"));
    SetModified(old, 3600);
    SetModified(snap, 60);
    SetModified(libreWolf, 5); // the newest of all, but another browser's
    EXPECT_EQ(NewestSessionFile("firefox-esr", options), snap);
    EXPECT_EQ(GetBrowserURL("firefox-esr", options), " https://snap.example/");
    EXPECT_EQ(GetBrowserURL("Firefox", options), " https://snap.example/");
    SetModified(old, 1);
    EXPECT_EQ(GetBrowserURL("firefox", options), " https://old.example/");
    EXPECT_EQ(GetBrowserURL("librewolf", options), " https://wolf.example/");
    EXPECT_EQ(GetBrowserURL("waterfox", options), "");
}

TEST(GetBrowserURL, ChromiumFamilyAsksTheEndpointNamedInTheProfile) {
    TFakeDevTools devTools(TFakeDevTools::Http200(PageList));
    QTemporaryDir config;
    TBrowserQueryOptions options{config.path(), config.path(), 5000};
    EXPECT_EQ(DevToolsPort("chromium", options), std::nullopt); // nothing written: no port
    WriteFile(config.path() + "/chromium/DevToolsActivePort",
              QByteArray::number(devTools.Port()) + "\n/devtools/browser/1234\n");
    EXPECT_EQ(DevToolsPort("chromium", options), devTools.Port());

    EXPECT_EQ(GetBrowserURL("chromium", options), " https://example.org/news?id=7");
    QByteArray request = devTools.Requests();
    EXPECT_TRUE(request.startsWith("GET /json/list HTTP/1.1\r\n")) << request.toStdString();
    EXPECT_TRUE(request.contains("Host: 127.0.0.1:" + QByteArray::number(devTools.Port())));
    EXPECT_EQ(GetBrowserURL("xterm", options), "");
    // Another Chromium-family browser in front has a profile of its own, without a port.
    EXPECT_EQ(GetBrowserURL("google-chrome", options), "");
    EXPECT_EQ(devTools.Connections(), 1);
}

TEST(GetBrowserURL, WithoutAPortFileNobodyIsAsked) {
    // Whoever listens on the usual remote-debugging port may be anybody's program. (When that
    // port is taken on this machine, the listener on a port of the system's choice still
    // shows that nobody is asked.)
    TFakeDevTools usual(TFakeDevTools::Http200(PageList), 9222);
    TFakeDevTools anyPort(TFakeDevTools::Http200(PageList));
    QTemporaryDir config;
    TBrowserQueryOptions options{config.path(), config.path(), 2000};
    for (const char* className : {"chromium", "google-chrome", "brave-browser", "microsoft-edge"})
        EXPECT_EQ(GetBrowserURL(className, options), "") << className;
    EXPECT_EQ(usual.Connections(), 0);
    EXPECT_EQ(anyPort.Connections(), 0);
}

TEST(DevToolsPort, TakesTheNewestPortFileOfTheBrowserInFront) {
    QTemporaryDir scratch;
    const QString home = scratch.path() + "/home", config = home + "/.config";
    TBrowserQueryOptions options{home, config, 1000};
    QString chromium = config + "/chromium/DevToolsActivePort";
    QString snapChromium = home + "/snap/chromium/common/chromium/DevToolsActivePort";
    QString flatpakChromium =
        home + "/.var/app/org.chromium.Chromium/config/chromium/DevToolsActivePort";
    QString brave = config + "/BraveSoftware/Brave-Browser/DevToolsActivePort";
    QString chrome = config + "/google-chrome/DevToolsActivePort";
    QString edge = config + "/microsoft-edge/DevToolsActivePort";
    WriteFile(chromium, "40001\n/devtools/browser/a\n");
    WriteFile(snapChromium, "40002\n/devtools/browser/b\n");
    WriteFile(flatpakChromium, "99999\n"); // newest, but no port
    WriteFile(brave, "40004\n");
    WriteFile(chrome, "40005\n");
    WriteFile(edge, "40006\n");
    SetModified(chromium, 100);
    SetModified(snapChromium, 50);
    SetModified(brave, 1); // newer than every Chromium, and no Chromium's
    struct TCase {
        const char* ClassName;
        std::optional<quint16> Port;
    };
    for (const TCase& c :
         {TCase{"chromium", 40002}, TCase{"org.chromium.chromium", 40002},
          TCase{"brave-browser", 40004}, TCase{"google-chrome", 40005},
          TCase{"com.google.chrome", 40005}, TCase{"microsoft-edge", 40006},
          TCase{"google-chrome-beta", std::nullopt}, TCase{"chromo", std::nullopt}}) {
        EXPECT_EQ(DevToolsPort(c.ClassName, options), c.Port) << c.ClassName;
    }
    SetModified(chromium, 1);
    EXPECT_EQ(DevToolsPort("chromium", options), 40001);

    // What is not a regular file of the user's with a port in it is passed over: a folder, a
    // link (to a file that would do), an oversized file.
    QFile::remove(chromium);
    QDir().mkpath(chromium);
    EXPECT_EQ(DevToolsPort("chromium", options), 40002);
    QFile::remove(snapChromium);
    ASSERT_TRUE(QFile::link(brave, snapChromium));
    EXPECT_EQ(DevToolsPort("chromium", options), std::nullopt);
    WriteFile(brave, QByteArray(100000, '7'));
    EXPECT_EQ(DevToolsPort("brave-browser", options), std::nullopt);
}

TEST(DevToolsPort, PassesOverAnotherUsersPortFile) {
    QTemporaryDir config;
    TBrowserQueryOptions options{config.path(), config.path(), 1000};
    const QString path = config.path() + "/chromium/DevToolsActivePort";
    WriteFile(path, "40001\n");
    EXPECT_EQ(DevToolsPort("chromium", options), 40001);
    if (::chown(QFile::encodeName(path).constData(), AnotherUser(), AnotherUser()) != 0)
        KARVIN_SKIP_OUTSIDE_CI("giving a file to another user needs root");
    EXPECT_EQ(DevToolsPort("chromium", options), std::nullopt);
}

TEST(ParseSocketTable, ReadsBothTablesOfTheKernel) {
    // As a little-endian kernel prints them: each 32-bit word of the address as it lies in
    // memory.
    const QByteArray tcp =
        "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  "
        "timeout inode\n"
        "   0: 0100007F:A8C1 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000    "
        "    0 4242 1 0000000000000000 100 0 0 10 0\n"
        "   1: 0100007F:A8C1 0100007F:D431 01 00000000:00000000 00:00000000 00000000  1000    "
        "    0 4243 1 0000000000000000 20 4 30 10 -1\n"
        "   2: 0100007F:D431 0100007F:A8C1 01 00000000:00000000 00:00000000 00000000     0    "
        "    0 4244 1 0000000000000000 20 4 30 10 -1\n"
        "   3: garbage line\n";
    const QByteArray tcp6 =
        "  sl  local_address                         remote_address                        st "
        "tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
        "   0: 00000000000000000000000000000000:1F90 00000000000000000000000000000000:0000 0A "
        "00000000:00000000 00:00000000 00000000    65534        0 99 1 0000000000000000 100 0 0 "
        "10 0\n"
        "   1: 0000000000000000FFFF00000100007F:2328 00000000000000000000000000000000:0000 0A "
        "00000000:00000000 00:00000000 00000000  1000        0 98 1 0000000000000000 100 0 0 "
        "10 0\n";
    const QList<TSocketEntry> sockets = ParseSocketTable(tcp) + ParseSocketTable(tcp6);
    ASSERT_EQ(sockets.size(), 5);
    EXPECT_EQ(sockets[0].Local, QHostAddress("127.0.0.1"));
    EXPECT_EQ(sockets[0].LocalPort, 0xA8C1);
    EXPECT_EQ(sockets[0].State, 0x0A);
    EXPECT_EQ(sockets[0].Uid, 1000u);
    EXPECT_EQ(sockets[1].Remote, QHostAddress("127.0.0.1"));
    EXPECT_EQ(sockets[1].RemotePort, 0xD431);
    EXPECT_EQ(sockets[3].Local, QHostAddress("::"));
    EXPECT_EQ(sockets[3].Uid, 65534u);
    EXPECT_EQ(sockets[4].Local, QHostAddress("::ffff:127.0.0.1"));

    struct TListenerCase {
        quint16 Port;
        uint Uid;
        bool Owned;
    };
    for (const TListenerCase& c : {
             TListenerCase{0xA8C1, 1000, true}, TListenerCase{0xA8C1, 0, false}, // another user's
             TListenerCase{0x1F90, 65534, true}, // any IPv6 address takes IPv4 too
             TListenerCase{0x1F90, 1000, false},
             TListenerCase{0x2328, 1000, true}, // the mapped form of 127.0.0.1
             TListenerCase{0xD431, 0, false},   // nobody listens there
         }) {
        EXPECT_EQ(LoopbackListenerOwnedBy(sockets, c.Port, c.Uid), c.Owned) << c.Port;
    }
    // A second listener of another user on the same port spoils it.
    QList<TSocketEntry> shared = sockets;
    TSocketEntry other = sockets[0];
    other.Local = QHostAddress(QHostAddress::AnyIPv4);
    other.Uid = 1001;
    shared.append(other);
    EXPECT_FALSE(LoopbackListenerOwnedBy(shared, 0xA8C1, 1000));
    // The far end of a connection is the socket the listener accepted it on.
    EXPECT_TRUE(LoopbackPeerOwnedBy(sockets, 0xA8C1, 0xD431, 1000));
    EXPECT_FALSE(LoopbackPeerOwnedBy(sockets, 0xA8C1, 0xD431, 0));
    EXPECT_FALSE(LoopbackPeerOwnedBy(sockets, 0xA8C1, 0x1234, 1000)); // no such connection
}

TEST(AskDevTools, RefusesAListenerOfAnotherUser) {
    const QByteArray answer = TFakeDevTools::Http200(PageList);
    // The same endpoint run by this user answers: the refusal below is for its owner alone.
    TChildDevTools own(answer, std::nullopt);
    ASSERT_NE(own.Port(), 0);
    EXPECT_EQ(AskDevTools(own.Port(), 5000),
              R"("https://example.org/news?id=7","News "today", all of it")");

    TChildDevTools other(answer, AnotherUser());
    if (other.Port() == 0)
        KARVIN_SKIP_OUTSIDE_CI("running a listener as another user needs root");
    QTemporaryDir config;
    TBrowserQueryOptions options{config.path(), config.path(), 5000};
    WriteFile(config.path() + "/chromium/DevToolsActivePort",
              QByteArray::number(other.Port()) + "\n/devtools/browser/1\n");
    EXPECT_EQ(GetBrowserURL("chromium", options), "");
    EXPECT_EQ(AskDevTools(other.Port(), 5000), "");
    EXPECT_FALSE(other.Connected());
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

TEST(AskDevTools, CutsAnEndpointThatKeepsSendingAtTheDeadline) {
    // The headers and the start of a list, then blanks for ever: first 15 MiB as fast as
    // they are read (so that there is always more waiting when the time is up), then a few
    // every millisecond, which would take many seconds to reach the size limit.
    TFakeDevTools sending("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n[", 0, 1,
                          15 << 20);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(AskDevTools(sending.Port(), 1000), "");
    EXPECT_GE(timer.elapsed(), 950);
    EXPECT_LT(timer.elapsed(), 4000);

    // An endpoint that sends a little now and then is cut off the same way.
    TFakeDevTools dripping("HTTP/1.1 200 OK\r\n\r\n[", 0, 20);
    timer.restart();
    EXPECT_EQ(AskDevTools(dripping.Port(), 500), "");
    EXPECT_GE(timer.elapsed(), 450);
    EXPECT_LT(timer.elapsed(), 3000);
}

TEST(WaitForBrowserURL, RunsTheEventLoopUntilTheAnswerOrTheTimeOut) {
    bool timerRan = false;
    QTimer::singleShot(20, [&] { timerRan = true; });

    // An answer that never comes: empty after the time-out, the events handled meanwhile.
    QPromise<QString> never;
    never.start();
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(WaitForBrowserURL(never.future(), 300), "");
    EXPECT_GE(timer.elapsed(), 250);
    EXPECT_TRUE(timerRan);

    // An answer from another thread ends the wait when it comes.
    QPromise<QString> later;
    later.start();
    std::unique_ptr<QThread> answering(QThread::create([&later] {
        QThread::msleep(100);
        later.addResult(" https://example.org/");
        later.finish();
    }));
    answering->start();
    timer.restart();
    EXPECT_EQ(WaitForBrowserURL(later.future(), 10000), " https://example.org/");
    EXPECT_LT(timer.elapsed(), 5000);
    answering->wait();

    // An answer already there is taken at once.
    QPromise<QString> ready;
    ready.start();
    ready.addResult(" ftp://example.org/");
    ready.finish();
    EXPECT_EQ(WaitForBrowserURL(ready.future(), 0), " ftp://example.org/");
}

TEST(BrowserURLs, AsksOffTheCallersThreadWithinTheTimeOut) {
    TFakeDevTools dripping("HTTP/1.1 200 OK\r\n\r\n[", 0, 20);
    TFakeDevTools answering(TFakeDevTools::Http200(PageList));
    QTemporaryDir config;
    TBrowserQueryOptions options{config.path(), config.path(), 500};
    WriteFile(config.path() + "/chromium/DevToolsActivePort",
              QByteArray::number(dripping.Port()) + "\n");
    WriteFile(config.path() + "/BraveSoftware/Brave-Browser/DevToolsActivePort",
              QByteArray::number(answering.Port()) + "\n");
    TBrowserURLs browsers(options);

    bool timerRan = false;
    QTimer::singleShot(50, [&] { timerRan = true; });
    QElapsedTimer timer;
    timer.start();
    QFuture<QString> slow = browsers.AskBrowserURL("chromium");
    EXPECT_LT(timer.elapsed(), 400); // asking does not wait for the answer
    EXPECT_EQ(WaitForBrowserURL(slow, 10000), "");
    EXPECT_TRUE(timerRan); // the event loop ran while the browser was asked
    EXPECT_GE(timer.elapsed(), 450);
    EXPECT_LT(timer.elapsed(), 5000);

    EXPECT_EQ(WaitForBrowserURL(browsers.AskBrowserURL("brave-browser"), 10000),
              " https://example.org/news?id=7");
}
