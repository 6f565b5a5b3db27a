// The main window on Qt's offscreen platform with every platform service faked, in a private
// working folder.
#pragma once

#include "tests/app/frm_main_driver.h"

#include "imaging/dib_graphic.h"
#include "imaging/format_registry.h"
#include "store/settings.h"
#include "tests/fakes/fake_services.h"
#include "tests/store/work_folder_fixture.h"

#include <QComboBox>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class MainWindow : public TWorkFolderTest, public TFakeServices {
protected:
    std::unique_ptr<TfrmMainDriver> Start() {
        auto window = std::make_unique<TfrmMainDriver>(Services());
        Closed = std::make_unique<QSignalSpy>(window.get(), &TfrmMain::MainWindowClosed);
        return window;
    }
    // Started and shown, as two seconds after the start.
    std::unique_ptr<TfrmMainDriver> StartShown() {
        auto window = Start();
        window->ShowMainTimerTimer();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }
    void PutSettings(const TSettingsRecord& record) {
        EnsureWorkFolder();
        WriteSettings(record);
    }
    // Writes an image file through the format layer; `path` is a name in the working folder
    // or an absolute path.
    std::string PutImage(const std::string& path, const TDibGraphic& image) {
        EnsureWorkFolder();
        const std::string file = path.front() == '/' ? path : (Work() / path).string();
        SaveImageFile(image, file);
        return file;
    }
    static QString Path(const std::string& path) { return QFile::decodeName(path.c_str()); }

    static QStringList Rows(const TfrmMainDriver& window) {
        QStringList names;
        for (int row = 0; row < window.List()->topLevelItemCount(); ++row)
            names << window.List()->topLevelItem(row)->text(1);
        names.sort();
        return names;
    }
    // The row whose "File Name" is `name`; -1 when none.
    static int RowOf(const TfrmMainDriver& window, const QString& name) {
        for (int row = 0; row < window.List()->topLevelItemCount(); ++row)
            if (window.List()->topLevelItem(row)->text(1) == name)
                return row;
        return -1;
    }
    // A click on a row with the mouse (with Ctrl held to add it to the selection).
    static void ClickRow(TfrmMainDriver& window, int row, Qt::KeyboardModifiers keys = {}) {
        QTreeWidget* list = window.List();
        const QRect place = list->visualItemRect(list->topLevelItem(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, place.center());
    }
    // The user picks an item of the zoom box.
    static void ChooseZoom(TfrmMainDriver& window, const QString& item) {
        const int index = window.ZoomBox()->findText(item);
        ASSERT_GE(index, 0) << item.toStdString();
        window.ZoomBox()->setCurrentIndex(index);
        emit window.ZoomBox()->activated(index);
    }

    std::vector<std::string> FilesLeft() const { return FilesIn(Work()); }
    static std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::unique_ptr<QSignalSpy> Closed;
};
