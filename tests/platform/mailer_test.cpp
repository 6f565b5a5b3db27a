// The send-to entries offered in the e-mail menus, how one is started with the images, the
// mailer beside the program, and the user's folders by number.
#include "platform/mailer.h"
#include "platform/shell_folders.h"

#include "tests/platform/desktop_programs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

void WriteFile(const QString& path, const QByteArray& content,
               QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
    file.close();
    file.setPermissions(permissions);
}

QByteArray Entry(const QByteArray& exec) {
    return "[Desktop Entry]\nType=Application\nName=Mail\nExec=" + exec + "\n";
}

// The SendTo folder of the programs' private data folder, created.
QString SendToFolder() {
    const QString folder = GetShellFolder(ShellFolderSendTo);
    EXPECT_TRUE(QDir().mkpath(folder));
    return folder;
}

QStringList Listed() {
    QStringList list{"first"};
    ListSendToShortcuts(list);
    EXPECT_EQ(list.value(0), "first"); // appended, never replaced
    list.removeFirst();
    return list;
}

} // namespace

TEST(ListSendToShortcuts, OffersWellFormedEntriesAndLeavesOutTheShellsOwnTargets) {
    TDesktopPrograms programs;
    const QString folder = SendToFolder();
    const QByteArray good = Entry("composer --attach %F");
    WriteFile(folder + "/Mail Program.desktop", good);
    WriteFile(folder + "/3½ Floppy (A).desktop", good);
    WriteFile(folder + "/My Briefcase.desktop", good);
    WriteFile(folder + "/Infrared Recipient.desktop", good);
    WriteFile(folder + "/Desktop (create shortcut).desktop", good);
    WriteFile(folder + "/UPPER.DESKTOP", good);
    WriteFile(folder + "/notes.txt", good);
    WriteFile(folder + "/.hidden.desktop", good);
    WriteFile(folder + "/read only.desktop", good, QFile::ReadOwner);
    WriteFile(folder + "/open quote.desktop", Entry("composer \"--attach %F"));
    WriteFile(folder + "/no program.desktop", "[Desktop Entry]\nType=Application\nName=X\n");
    WriteFile(folder + "/not utf8.desktop", Entry("comp\xff\xfeoser %F"));
    WriteFile(folder + "/huge.desktop", Entry("composer %F") + QByteArray(70000, '#'));
    ASSERT_EQ(::symlink((folder + "/Mail Program.desktop").toLocal8Bit().constData(),
                        (folder + "/link.desktop").toLocal8Bit().constData()),
              0);
    ASSERT_TRUE(QDir().mkpath(folder + "/folder.desktop"));

    EXPECT_EQ(Listed(), (QStringList{folder + "/Mail Program.desktop", folder + "/UPPER.DESKTOP"}));
}

TEST(ListSendToShortcuts, TakesAtMostTwentyInTheOrderOfTheirNames) {
    TDesktopPrograms programs;
    const QString folder = SendToFolder();
    QStringList expected;
    for (int n = 25; n >= 1; --n)
        WriteFile(folder + QString("/mail%1.desktop").arg(n, 2, 10, QChar('0')),
                  Entry("composer %F"));
    for (int n = 1; n <= MaxSendToEntries; ++n)
        expected << folder + QString("/mail%1.desktop").arg(n, 2, 10, QChar('0'));
    EXPECT_EQ(Listed(), expected);
}

TEST(ListSendToShortcuts, NoFolderNoEntries) {
    TDesktopPrograms programs;
    EXPECT_EQ(Listed(), QStringList());
}

TEST(SendToCaption, IsTheLowerCasedNameCutAtTheEnding) {
    EXPECT_EQ(SendToCaption("/x/Mail Program.desktop"), "mail program");
    EXPECT_EQ(SendToCaption("/x/UPPER.DESKTOP"), "upper");
    EXPECT_EQ(SendToCaption("/x/Tom & Jerry.desktop"), "tom & jerry");
}

TEST(DesktopMailer, StartsASendToEntryWithEachImageAsAnArgument) {
    TDesktopPrograms programs;
    programs.AddRecorder("composer");
    const QString folder = SendToFolder();
    WriteFile(folder + "/mail.desktop", Entry("composer --attach %F --end"));
    WriteFile(folder + "/first.desktop", Entry("composer %f"));
    TDesktopMailer mailer;
    const QStringList images{"/tmp/a b.png", "/tmp/-c.png"};

    ASSERT_TRUE(mailer.OpenSendToEntry(folder + "/mail.desktop", images));
    EXPECT_EQ(programs.Recorded("composer"),
              (QStringList{"--attach", "/tmp/a b.png", "/tmp/-c.png", "--end"}));

    // The recorder's file lies in the programs' folder, three levels above the SendTo folder.
    ASSERT_TRUE(QFile::remove(folder + "/../../../composer.args"));
    ASSERT_TRUE(mailer.OpenSendToEntry(folder + "/first.desktop", images));
    EXPECT_EQ(programs.Recorded("composer"), QStringList{"/tmp/a b.png"});

    // A relative path could pass for an option; an entry that went away starts nothing.
    EXPECT_FALSE(mailer.OpenSendToEntry(folder + "/mail.desktop", {"-rf"}));
    EXPECT_FALSE(mailer.OpenSendToEntry(folder + "/gone.desktop", images));
}

TEST(DesktopMailer, FindsTheMailerInTheProgramFolderAndStartsItWithoutArguments) {
    QTemporaryDir programFolder;
    TDesktopMailer mailer(programFolder.path() + "/");
    EXPECT_FALSE(mailer.MailerInstalled());

    const QString recorded = programFolder.path() + "/started";
    WriteFile(programFolder.path() + "/rovuzir",
              "#!/bin/sh\necho \"$#\" > '" + recorded.toLocal8Bit() + "'\n", QFile::ReadOwner);
    EXPECT_FALSE(mailer.MailerInstalled()); // not a program

    QFile(programFolder.path() + "/rovuzir")
        .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(mailer.MailerInstalled());
    ASSERT_TRUE(mailer.StartMailer());
    QFile answer(recorded);
    for (int wait = 0; wait < 250 && !answer.exists(); ++wait)
        QTest::qWait(20);
    ASSERT_TRUE(answer.open(QIODevice::ReadOnly));
    EXPECT_EQ(answer.readAll(), "0\n");
}

TEST(GetShellFolder, MapsTheNumbersOntoTheUsersFolders) {
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", "/home/someone");
    qputenv("XDG_DATA_HOME", "/data/");
    qputenv("XDG_CONFIG_HOME", "relative/config"); // relative: ignored
    EXPECT_EQ(GetShellFolder(2), "/data/fonts");
    EXPECT_EQ(GetShellFolder(4), "/data/applications");
    EXPECT_EQ(GetShellFolder(7), "/data/applications");
    EXPECT_EQ(GetShellFolder(5), "/data");
    EXPECT_EQ(GetShellFolder(ShellFolderSendTo), "/data/karvin/sendto");
    EXPECT_EQ(GetShellFolder(ShellFolderStartup), "/home/someone/.config/autostart");
    for (int none : {1, 3, -1, 10})
        EXPECT_EQ(GetShellFolder(none), "") << none;
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(GetShellFolder(ShellFolderSendTo), "/home/someone/.local/share/karvin/sendto");

    qputenv("HOME", savedHome);
    savedData.isEmpty() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", savedData);
    savedConfig.isEmpty() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", savedConfig);
}
