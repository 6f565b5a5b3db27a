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

    EXPECT_EQ(programs.Recorded("test-browser"), (QStringList{"--new-window", address}));
}

TEST(QtDesktop, StartProgramPassesEachArgumentWhole) {
    TDesktopPrograms programs;
    const QString program = programs.AddRecorder("editor");
    TQtDesktop desktop;
    EXPECT_TRUE(desktop.StartProgram(program, {"/tmp/a b.png", "ü"}));
    EXPECT_EQ(programs.Recorded("editor"), (QStringList{"/tmp/a b.png", "ü"}));
    EXPECT_FALSE(desktop.StartProgram("/nonexistent/program", {}));
}
