#include "store/file_io.h"

#include "tests/store/file_replacement_rules.h"
#include "tests/store/file_size_limit.h"

#include <algorithm>
#include <climits>
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
    // The names in the folder, temporary files included.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
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

TEST_F(FileIo, AWriteKeepsTheFilesPermissionsAndLinks) {
    ExpectFileReplacementRules(
        Folder, [](const std::string& path) { WriteWholeFile(path, "new"); },
        [](const std::string& path) { return ReadWholeFile(path) == "new"; });
}

TEST_F(FileIo, ACopyFollowsTheUmaskAndNeverALink) {
    WriteWholeFile(Path("source.bin"), "copy");
    ::chmod(Path("source.bin").c_str(), 0600);
    fs::create_symlink("elsewhere.bmp", Path("pic1.bmp"));
    const mode_t oldMask = ::umask(002);
    EXPECT_TRUE(CopyFileNoReplace(Path("source.bin"), Path("pic2.bmp")));
    EXPECT_FALSE(CopyFileNoReplace(Path("source.bin"), Path("pic1.bmp")));
    ::umask(oldMask);
    EXPECT_EQ(fs::status(Path("pic2.bmp")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::group_write | fs::perms::others_read);
    EXPECT_FALSE(fs::exists(Path("elsewhere.bmp"))) << "the copy went through a link";
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

TEST_F(FileIo, CopiesByteForByteUnderAFreeName) {
    // Larger than one read, with every byte value and a name with a blank and an umlaut.
    std::string content;
    for (int i = 0; i < 200000; ++i)
        content += char(i * 7 % 256);
    WriteWholeFile(Path("source.bin"), content);

    EXPECT_TRUE(CopyFileNoReplace(Path("source.bin"), Path("Bild Über.bmp")));

    EXPECT_EQ(*ReadWholeFile(Path("Bild Über.bmp")), content);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Bild Über.bmp", "source.bin"}));
}

TEST_F(FileIo, CopyNeverReplacesAFileThatHasTheName) {
    WriteWholeFile(Path("source.bin"), "new");
    WriteWholeFile(Path("pic1.bmp"), "theirs");

    EXPECT_FALSE(CopyFileNoReplace(Path("source.bin"), Path("pic1.bmp")));

    EXPECT_EQ(*ReadWholeFile(Path("pic1.bmp")), "theirs");
    EXPECT_EQ(Names(), (std::vector<std::string>{"pic1.bmp", "source.bin"}));
}

TEST_F(FileIo, AFailedCopyLeavesNothingBehindAndSaysWhy) {
    WriteWholeFile(Path("source.bin"), std::string(100000, 'x'));
    struct TCase {
        const char* What;
        std::string Source;
        std::string Target;
        rlim_t FileSizeLimit;
        const char* Error;
    };
    const TCase cases[] = {
        {"source gone", Path("gone.bin"), Path("copy.bin"), RLIM_INFINITY,
         "No such file or directory"},
        {"target folder gone", Path("source.bin"), Path("missing/copy.bin"), RLIM_INFINITY,
         "No such file or directory"},
        {"disk full half-way", Path("source.bin"), Path("copy.bin"), 4096, "File too large"},
    };
    for (const TCase& test : cases) {
        std::string error;
        {
            TFileSizeLimit limit(test.FileSizeLimit);
            try {
                CopyFileNoReplace(test.Source, test.Target);
            } catch (const EFileError& failure) {
                error = failure.what();
            }
        }
        EXPECT_NE(error.find(test.Error), std::string::npos) << test.What << ": " << error;
        EXPECT_EQ(Names(), std::vector<std::string>{"source.bin"}) << test.What;
    }
}

TEST(PathText, OnlyUtf8WithoutControlCharactersCanStandOnALine) {
    struct TCase {
        std::string Text;
        bool Clean;
    };
    const TCase cases[] = {
        {"/usr/bin/gimp", true},
        {"/opt/my editor/bin/edit $1 \"x\"", true},
        {"/home/j\xC3\xBCrgen/\xE7\xB7\xA8\xE9\x9B\x86/\xF0\x9F\x96\x8C", true}, // 2, 3, 4 bytes
        {"", true},
        {"/usr/bin/gimp\r\n", false},
        {"/usr/bin/\tgimp", false},
        {"/usr/bin/gimp\x7F", false},
        {"/usr/bin/\xC2\x85gimp", false},         // NEL, a control character
        {"/usr/bin/gimp\xFF", false},             // no UTF-8 byte
        {"/usr/bin/\xC0\xAFgimp", false},         // "/" in two bytes
        {"/usr/bin/\xE0\x80\xAFgimp", false},     // "/" in three bytes
        {"/usr/bin/\xED\xA0\x80gimp", false},     // a surrogate
        {"/usr/bin/\xF4\x90\x80\x80gimp", false}, // past U+10FFFF
        {"/usr/bin/gimp\xE7\xB7", false},         // cut short
        {"/usr/bin/\xE7gimp", false},             // a lead byte alone
        {std::string(PATH_MAX, 'a'), true},       // the longest path there is
        {std::string(PATH_MAX + 1, 'a'), false},
        {std::string("/usr/bin/\0gimp", 14), false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(IsCleanPathText(c.Text), c.Clean) << c.Text.substr(0, 40);
}

TEST_F(FileIo, OnlyAnAbsolutePathToAFileTheUserMayRunIsAProgram) {
    const std::string program = Path("edit");
    WriteWholeFile(program, "#!/bin/sh\n");
    fs::permissions(program, fs::perms::owner_all);
    const std::string text = Path("notes.txt");
    WriteWholeFile(text, "text");
    fs::permissions(text, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(program, Path("link"));
    fs::create_directory(Path("folder"));

    EXPECT_TRUE(IsRunnableProgram(program));
    EXPECT_TRUE(IsRunnableProgram(Path("link")));
    EXPECT_FALSE(IsRunnableProgram(text));
    EXPECT_FALSE(IsRunnableProgram(Path("folder")));
    EXPECT_FALSE(IsRunnableProgram(Path("missing")));
    EXPECT_FALSE(IsRunnableProgram(""));
    // Relative: it would depend on the folder Karvin was started in.
    const fs::path before = fs::current_path();
    fs::current_path(Folder);
    EXPECT_FALSE(IsRunnableProgram("edit"));
    EXPECT_FALSE(IsRunnableProgram("./edit"));
    fs::current_path(before);
}
