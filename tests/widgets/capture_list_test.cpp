#include "widgets/capture_list.h"

#include "tests/store/work_folder_fixture.h"
#include "widgets/local_path.h"
#include "widgets/tool_pictures.h"

#include <gtest/gtest.h>

namespace {

class CaptureList : public TWorkFolderTest {
protected:
    QString InWork(const char* name) const { return FromLocalPath((Work() / name).string()); }
    QStringList Names() const {
        QStringList names;
        for (int row = 0; row < List.topLevelItemCount(); ++row)
            names << List.topLevelItem(row)->text(1);
        return names;
    }
    QImage Picture(int row) const { return List.topLevelItem(row)->icon(0).pixmap(16).toImage(); }

    TCaptureList List;
};

} // namespace

TEST_F(CaptureList, RowsPathsAndAddressesStayInStep) {
    List.Add(InWork("pic1.bmp"), "");
    List.Add(InWork("pic2.png"), "https://example.org/");
    List.Add(InWork("pic3.jpg"), "");
    List.Remove(0);
    EXPECT_EQ(Names(), (QStringList{"pic2.png", "pic3.jpg"}));
    EXPECT_EQ(List.Paths(), (QStringList{InWork("pic2.png"), InWork("pic3.jpg")}));
    EXPECT_EQ(List.URLs(), (QStringList{"https://example.org/", ""}));

    // A save elsewhere: the row's name and its "Saved" picture follow the path, the address
    // stays.
    const QString saved = FromLocalPath((Scratch / "kept.png").string());
    EXPECT_EQ(Picture(0), UnsavedRowPicture().toImage());
    List.Rename(0, saved);
    EXPECT_EQ(Names(), (QStringList{"kept.png", "pic3.jpg"}));
    EXPECT_EQ(List.Path(0), saved);
    EXPECT_EQ(List.URL(0), "https://example.org/");
    EXPECT_EQ(Picture(0), SavedRowPicture().toImage());

    EXPECT_TRUE(List.Lists(saved.toUpper()));
    EXPECT_FALSE(List.Lists(InWork("pic2.png")));

    List.Clear();
    EXPECT_EQ(List.topLevelItemCount(), 0);
    EXPECT_TRUE(List.IsEmpty());
    EXPECT_TRUE(List.URLs().isEmpty());
}

TEST_F(CaptureList, SelectLastSelectsTheLastRowAlone) {
    List.SelectLast(); // an empty list: nothing to select, nothing breaks
    EXPECT_EQ(List.FocusedRow(), -1);
    for (const char* name : {"pic1.bmp", "pic2.bmp", "pic3.bmp"})
        List.Add(InWork(name), "");
    List.topLevelItem(0)->setSelected(true);
    List.SelectLast();
    EXPECT_EQ(List.SelectedRows(), QList<int>{2});
    EXPECT_EQ(List.FocusedRow(), 2);
}
