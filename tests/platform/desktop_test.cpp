#include "platform/desktop.h"

#include "tests/platform/desktop_programs.h"

TEST(DesktopEntryCommand, PutsTheArgumentInPlaceOfTheFieldCode) {
    const QString address = "https://example.org/a b?c=\"d\"";
    struct TCase {
        const char* Exec;
        QStringList Command;
    };
    const TCase cases[] = {
        {"firefox-esr %u", {"firefox-esr", address}},
        {"/usr/bin/chromium %U", {"/usr/bin/chromium", address}},
        {"browser --new-window %F --", {"browser", "--new-window", address, "--"}},
        {"browser", {"browser", address}}, // no field code: appended
        {"browser %i %c %k %u", {"browser", address}},
        {"browser --url=%u 100%%", {"browser", "--url=" + address, "100%"}},
        {"\"/opt/My Browser/run\" %u", {"/opt/My Browser/run", address}},
        {"sh -c \"echo \\\"\\$1\\\" \\\\ %u\" x", {"sh", "-c", "echo \"$1\" \\ %u", "x", address}},
        {"  browser   %u  ", {"browser", address}},
        {"", {}},
        {"%u", {}}, // no program
    };
    for (const auto& c : cases)
        EXPECT_EQ(DesktopEntryCommand(c.Exec, address), c.Command) << c.Exec;
}

TEST(DesktopEntryFilesCommand, PutsEachFileInAnArgumentOfItsOwn) {
    const QStringList files{"/tmp/a b.png", "/tmp/-c.png"};
    struct TCase {
        const char* Exec;
        QStringList Command;
    };
    const TCase cases[] = {
        {"mail --attach %F", {"mail", "--attach", "/tmp/a b.png", "/tmp/-c.png"}},
        {"mail %U --end", {"mail", "/tmp/a b.png", "/tmp/-c.png", "--end"}},
        {"mail %f", {"mail", "/tmp/a b.png"}},
        {"mail --file=%F", {"mail", "--file=/tmp/a b.png"}},            // inside a word: the first
        {"mail", {"mail", "/tmp/a b.png", "/tmp/-c.png"}},              // no field code: appended
        {"mail \"%F\"", {"mail", "%F", "/tmp/a b.png", "/tmp/-c.png"}}, // quoted: no field code
        {"mail \"--attach %F", {}},                                     // a quote left open
        {"%F", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DesktopEntryFilesCommand(c.Exec, files), c.Command) << c.Exec;
}

TEST(BrowserEntryCommand, EndsTheOptionsWhereTheBrowserReadsThatSafely) {
    const QString address = "https://example.org/" + QString(300, 'x');
    struct TCase {
        const char* Exec;
        QStringList Command;
    };
    const TCase cases[] = {
        // The Chromium family reads "--" as the end of its options.
        {"/usr/bin/chromium %U", {"/usr/bin/chromium", "--", address}},
        {"/usr/bin/google-chrome-stable %U", {"/usr/bin/google-chrome-stable", "--", address}},
        {"brave-browser-stable --incognito %U",
         {"brave-browser-stable", "--incognito", "--", address}},
        {"microsoft-edge-stable", {"microsoft-edge-stable", "--", address}},
        {"env BAMF_DESKTOP_FILE_HINT=/x.desktop /snap/bin/chromium %U",
         {"env", "BAMF_DESKTOP_FILE_HINT=/x.desktop", "/snap/bin/chromium", "--", address}},
        {"chromium -- %U", {"chromium", "--", address}},         // ends them already
        {"chromium --app=%u", {"chromium", "--app=" + address}}, // part of an option
        // The Firefox family takes "--" for an unknown option and skips what follows, and of
        // other programs nothing is known.
        {"/usr/lib/firefox-esr/firefox-esr %u", {"/usr/lib/firefox-esr/firefox-esr", address}},
        {"flatpak run org.chromium.Chromium @@u %U @@",
         {"flatpak", "run", "org.chromium.Chromium", "@@u", address, "@@"}},
        {"epiphany %U", {"epiphany", address}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BrowserEntryCommand(c.Exec, address), c.Command) << c.Exec;
}

TEST(DesktopEntryExec, ReadsTheMainGroupsExecLine) {
    EXPECT_EQ(DesktopEntryExec("[Desktop Entry]\nName=Web\n# Exec=not this\nExec = web %u\n"
                               "[Desktop Action new]\nExec=web --new %u\n"),
              "web %u");
    EXPECT_EQ(DesktopEntryExec("[Desktop Action new]\nExec=web --new %u\n[Desktop Entry]\n"
                               "Exec=web\\s--private\\\\ %u\r\n"),
              "web --private\\ %u");
    EXPECT_EQ(DesktopEntryExec("[Desktop Entry]\nName=No program\n"), "");
}

TEST(QtDesktop, OpenInBrowserStartsTheDefaultBrowserWithTheAddress) {
    TDesktopPrograms programs;
    programs.AddProgram("xdg-settings",
                        "[ \"$1 $2\" = 'get default-web-browser' ] && echo web-test.desktop\n");
    const QString browser = programs.AddRecorder("test-browser");
    programs.AddDesktopEntry("web-test.desktop", "[Desktop Entry]\nType=Application\nName=Web\n"
                                                 "Exec=\"" +
                                                     browser + "\" --new-window %u\n");
    const QString address = "https://example.org/" + QString(300, 'x') + "?q=a b";

    TQtDesktop desktop;
    EXPECT_TRUE(desktop.OpenInBrowser(address));

    // In its normalised form: the blank of the query is encoded.
    EXPECT_EQ(
        programs.Recorded("test-browser"),
        (QStringList{"--new-window", "https://example.org/" + QString(300, 'x') + "?q=a%20b"}));
}

TEST(QtDesktop, OpenInBrowserHandsOnOnlyNormalisedWebAddresses) {
    TDesktopPrograms programs;
    programs.AddProgram("xdg-settings",
                        "[ \"$1 $2\" = 'get default-web-browser' ] && echo chromium.desktop\n");
    // A browser that logs every start, one argument a line, so that no start goes unseen.
    QTemporaryDir scratch;
    const QString log = scratch.filePath("starts.log");
    const QString browser =
        programs.AddProgram("chromium", "printf '%s\\n' \"$@\" '----' >> '" + log + "'\n");
    programs.AddDesktopEntry("chromium.desktop",
                             "[Desktop Entry]\nType=Application\nExec=" + browser + " %U\n");
    const QString tail = QString(240, 'x');
    TQtDesktop desktop;

    for (const QString& address :
         {"--renderer-cmd-prefix=/tmp/prog" + tail, "-" + tail, "javascript:alert(1)//" + tail,
          "https://example.org/\n--no-sandbox" + tail, "data:text/html," + tail}) {
        EXPECT_FALSE(desktop.OpenInBrowser(address)) << address.toStdString();
        EXPECT_FALSE(desktop.OpenDocument(address)) << address.toStdString();
    }
    EXPECT_TRUE(desktop.OpenInBrowser("HTTPS://Example.org/" + tail + " y"));

    QFile file(log);
    ASSERT_TRUE(QTest::qWaitFor([&] { return file.exists(); }, 5000));
    QTest::qWait(200); // a start of a refused address would have logged by now
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              "--\nhttps://example.org/" + tail + "%20y\n----\n");
}

TEST(QtDesktop, StartProgramPassesEachArgumentWhole) {
    TDesktopPrograms programs;
    const QString program = programs.AddRecorder("editor");
    TQtDesktop desktop;
    EXPECT_TRUE(desktop.StartProgram(program, {"/tmp/a b.png", "ü"}));
    EXPECT_EQ(programs.Recorded("editor"), (QStringList{"/tmp/a b.png", "ü"}));
    EXPECT_FALSE(desktop.StartProgram("/nonexistent/program", {}));
}
