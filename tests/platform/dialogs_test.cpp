// The real file dialog, as the user sees it: which entries of a folder it lists.
#include "platform/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The names the open dialog lists in `folder` once it has read it; the dialog is then
// cancelled.
QStringList Listed(const QString& folder, bool executablesOnly) {
    TFileDialogOptions options;
    options.Caption = "Open";
    options.Folder = folder;
    options.Filters = {"Programs (*)"};
    options.ExecutablesOnly = executablesOnly;
    QStringList listed;
    QTimer::singleShot(0, [&listed] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto* view = dialog->findChild<QListView*>("listView");
        if (view) {
            const auto rows = [view] { return view->model()->rowCount(view->rootIndex()); };
            EXPECT_TRUE(QTest::qWaitFor([&] { return rows() > 0; }, 5000));
            QTest::qWait(300); // the folder is read in the background: let it finish
            for (int row = 0; row < rows(); ++row)
                listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
        }
        dialog->reject();
    });
    TQtDialogs dialogs;
    EXPECT_FALSE(dialogs.OpenFile(nullptr, options).has_value());
    listed.sort();
    return listed;
}

} // namespace

TEST(QtFileDialog, ExecutablesOnlyListsFoldersAndTheProgramsTheUserMayRun) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QDir folder(scratch.path());
    QFile program(folder.filePath("edit"));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write("#!/bin/sh\n");
    program.close();
    program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile notes(folder.filePath("notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();
    ASSERT_TRUE(folder.mkdir("tools"));

    EXPECT_EQ(Listed(scratch.path(), true), (QStringList{"edit", "tools"}));
    EXPECT_EQ(Listed(scratch.path(), false), (QStringList{"edit", "notes.txt", "tools"}));
}
