// Stand-ins for the desktop's programs: small scripts in a private folder put first on PATH,
// each writing the arguments it was started with to a file, one per line.
#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>
#include <optional>

class TDesktopPrograms {
public:
    TDesktopPrograms() : SavedPath(qgetenv("PATH")), SavedDataHome(qgetenv("XDG_DATA_HOME")) {
        qputenv("PATH", (Folder.path() + "/bin:").toLocal8Bit() + SavedPath);
        qputenv("XDG_DATA_HOME", (Folder.path() + "/share").toLocal8Bit());
        QDir().mkpath(Folder.path() + "/bin");
        QDir().mkpath(Folder.path() + "/share/applications");
    }
    ~TDesktopPrograms() {
        qputenv("PATH", SavedPath);
        if (SavedDataHome.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", SavedDataHome);
    }

    // A program on PATH that records its arguments in Recorded(name).
    QString AddRecorder(const QString& name) {
        return AddProgram(name, "printf '%s\\n' \"$@\" > '" + Folder.path() + "/" + name +
                                    ".tmp' && mv '" + Folder.path() + "/" + name + ".tmp' '" +
                                    Folder.path() + "/" + name + ".args'\n");
    }
    QString AddProgram(const QString& name, const QString& body) {
        const QString path = Folder.path() + "/bin/" + name;
        QFile script(path);
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(("#!/bin/sh\n" + body).toLocal8Bit());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    void AddDesktopEntry(const QString& fileName, const QString& text) {
        QFile entry(Folder.path() + "/share/applications/" + fileName);
        EXPECT_TRUE(entry.open(QIODevice::WriteOnly));
        entry.write(text.toUtf8());
    }
    // The arguments a recorder was started with, waiting up to five seconds for it to run;
    // nullopt when it did not.
    std::optional<QStringList> Recorded(const QString& name) {
        QFile file(Folder.path() + "/" + name + ".args");
        QElapsedTimer clock;
        clock.start();
        while (!file.exists() && clock.elapsed() < 5000)
            QTest::qWait(20);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
        lines.removeLast(); // after the last line end
        return lines;
    }

private:
    QTemporaryDir Folder;
    QByteArray SavedPath;
    QByteArray SavedDataHome;
};
