#include "store/attach_list.h"

#include "tests/store/work_folder_fixture.h"

using AttachList = TWorkFolderTest;

TEST_F(AttachList, WritesThePathsOneALineAndReplacesAnEarlierList) {
    Put("attach.dat", "/an/earlier/list.png\r\n/and/more.png\r\n/and/more.png\r\n");
    WriteAttachList({"/home/me/pic1.bmp", "/home/me/my pictures/pic 2.png", "/tmp/pic3.gif"});
    EXPECT_EQ(Read("attach.dat"),
              "/home/me/pic1.bmp\r\n/home/me/my pictures/pic 2.png\r\n/tmp/pic3.gif\r\n");
    EXPECT_EQ(ReadAttachList(),
              (std::vector<std::string>{"/home/me/pic1.bmp", "/home/me/my pictures/pic 2.png",
                                        "/tmp/pic3.gif"}));
}

TEST_F(AttachList, APathWithALineBreakIsRefusedAndNothingIsWritten) {
    Put("attach.dat", "/kept.png\r\n");
    for (const char* odd : {"/tmp/two\nlines.png", "/tmp/carriage\rreturn.png"}) {
        EXPECT_THROW(WriteAttachList({"/tmp/fine.png", odd}), EFileError) << odd;
        EXPECT_EQ(Read("attach.dat"), "/kept.png\r\n");
    }
}

TEST_F(AttachList, ReadingSkipsEmptyLinesAndRefusesWhatNoListIs) {
    Put("attach.dat", "/a.png\n\r\n/b c.png\r\n\n/d.png");
    EXPECT_EQ(ReadAttachList(), (std::vector<std::string>{"/a.png", "/b c.png", "/d.png"}));

    Put("attach.dat", std::string(LargestAttachList + 1, 'x'));
    EXPECT_EQ(ReadAttachList(), std::nullopt);

    std::filesystem::remove(Work() / "attach.dat");
    EXPECT_EQ(ReadAttachList(), std::nullopt);
    std::filesystem::create_directory(Work() / "attach.dat");
    EXPECT_EQ(ReadAttachList(), std::nullopt);
}
