#include "store/file_io.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class FileIo : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = fs::temp_directory_path() / ("karvin-fileio-" + std::to_string(::getpid()));
        fs::remove_all(Folder);
        fs::create_directories(Folder);
    }
    void TearDown() override { fs::remove_all(Folder); }
    std::string Path(const std::string& name) const { return (Folder / name).string(); }
    fs::path Folder;
};

} // namespace

TEST_F(FileIo, WritesCrLfLinesAndReadsThemBack) {
    WriteTextLines(Path("a.dat"), {"100", "", "x"});
    EXPECT_EQ(*ReadWholeFile(Path("a.dat")), "100\r\n\r\nx\r\n");
    EXPECT_EQ(*ReadTextLines(Path("a.dat")), (std::vector<std::string>{"100", "", "x"}));
}

TEST_F(FileIo, ReadsBareLineFeedsAndAnUnendedLastLine) {
    EXPECT_EQ(SplitLines("a\nb\r\nc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(SplitLines("").empty());
}

TEST_F(FileIo, ReplacingLeavesNoTemporaryFileBehind) {
    WriteWholeFile(Path("s.cfg"), "old");
    WriteWholeFile(Path("s.cfg"), "new");
    EXPECT_EQ(*ReadWholeFile(Path("s.cfg")), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder), fs::directory_iterator()), 1);
}

TEST_F(FileIo, AFailedWriteKeepsTheOldFileAndSaysWhy) {
    WriteWholeFile(Path("s.cfg"), "old");
    EXPECT_THROW(WriteWholeFile(Path("missing/s.cfg"), "new"), EFileError);
    EXPECT_EQ(*ReadWholeFile(Path("s.cfg")), "old");
}

TEST_F(FileIo, MissingFilesReadAsNothing) {
    EXPECT_FALSE(ReadWholeFile(Path("none")).has_value());
    EXPECT_FALSE(ReadTextLines(Path("none")).has_value());
    EXPECT_FALSE(ReadWholeFile(Folder.string()).has_value()); // a folder is not a file
}

TEST_F(FileIo, FindsNamesWithoutRegardToCase) {
    WriteWholeFile(Path("DefMail.dat"), "1");
    EXPECT_EQ(FindFileNoCase(Folder.string(), "defmail.dat"), Path("DefMail.dat"));
    EXPECT_EQ(FindFileNoCase(Folder.string(), "ThumbView.dat"), Path("thumbview.dat"));
}
