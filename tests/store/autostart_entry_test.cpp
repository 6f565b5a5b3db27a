// The start-up entry: where it goes, how its Exec line holds the program's path, and that
// writing it twice leaves one entry and deleting it leaves none.
#include "store/autostart_entry.h"

#include "tests/store/read_only_folder.h"
#include "tests/store/work_folder_fixture.h"

#include <algorithm>
#include <vector>

namespace fs = std::filesystem;

namespace {

class AutostartEntry : public TWorkFolderTest {
protected:
    fs::path Folder() const { return Scratch / "config" / "autostart"; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // A program file the user may run.
    std::string MakeProgram(const std::string& name) {
        const fs::path path = Scratch / name;
        fs::create_directories(path.parent_path());
        WriteWholeFile(path.string(), "#!/bin/sh\n");
        fs::permissions(path, fs::perms::owner_all);
        return path.string();
    }
};

std::string ExecLine(const std::string& text) {
    const auto start = text.find("\nExec=");
    if (start == std::string::npos)
        return "<none>";
    return text.substr(start + 6, text.find('\n', start + 1) - start - 6);
}

} // namespace

TEST_F(AutostartEntry, LivesInTheAutostartFolderOfTheConfigurationFolder) {
    struct TCase {
        const char* ConfigHome; // nullptr: unset
        std::string Folder;
    };
    const std::string home = (Scratch / "home").string();
    const TCase cases[] = {
        {"/srv/conf", "/srv/conf/autostart"},
        {"/srv/conf//", "/srv/conf/autostart"},
        {nullptr, home + "/.config/autostart"},
        {"", home + "/.config/autostart"},
        // Relative folders do not count.
        {"conf", home + "/.config/autostart"},
    };
    for (const TCase& c : cases) {
        if (c.ConfigHome)
            ::setenv("XDG_CONFIG_HOME", c.ConfigHome, 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(AutostartFolder(), c.Folder) << (c.ConfigHome ? c.ConfigHome : "unset");
        EXPECT_EQ(AutostartEntryPath(), c.Folder + "/Karvin.desktop");
    }
}

TEST(AutostartEntryText, IsAnApplicationThatRunsTheProgram) {
    EXPECT_EQ(AutostartEntryText("/usr/bin/karvin"), "[Desktop Entry]\n"
                                                     "Type=Application\n"
                                                     "Exec=/usr/bin/karvin\n"
                                                     "Name=Karvin\n"
                                                     "Comment=Karvin\n");
}

TEST(AutostartEntryText, QuotesAndEscapesThePathByTheDesktopEntryRules) {
    struct TCase {
        std::string Program;
        std::string Exec;
    };
    // Inside quotes ", `, $ and \ take a backslash, and the key file's escaping then doubles
    // every backslash; a literal % is always %%.
    const TCase cases[] = {
        {"/opt/karvin/bin/karvin", "/opt/karvin/bin/karvin"},
        {"/home/j\xC3\xBCrgen/karvin", "/home/j\xC3\xBCrgen/karvin"},
        {"/opt/my apps/karvin", "\"/opt/my apps/karvin\""},
        {"/opt/a$b/karvin", "\"/opt/a\\\\$b/karvin\""},
        {"/opt/a\\b/karvin", "\"/opt/a\\\\\\\\b/karvin\""},
        {"/opt/say \"hi\"/karvin", "\"/opt/say \\\\\"hi\\\\\"/karvin\""},
        {"/opt/a`b`/karvin", "\"/opt/a\\\\`b\\\\`/karvin\""},
        {"/opt/it's/karvin", "\"/opt/it's/karvin\""},
        {"/opt/a;b&c|d/karvin", "\"/opt/a;b&c|d/karvin\""},
        {"/opt/50%/karvin", "/opt/50%%/karvin"},
        {"/opt/50% off/karvin", "\"/opt/50%% off/karvin\""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ExecLine(AutostartEntryText(c.Program)), c.Exec) << c.Program;
}

TEST(AutostartEntryText, RefusesPathsAnEntryCannotHold) {
    for (const std::string& program :
         {std::string("karvin"), std::string("bin/karvin"), std::string(""),
          std::string("/opt/kar\nvin"), std::string("/opt/kar\rvin"),
          std::string("/opt/\xFFkarvin"), std::string("/opt/kar\0vin", 12)}) {
        try {
            AutostartEntryText(program);
            ADD_FAILURE() << "accepted " << program;
        } catch (const EFileError& error) {
            EXPECT_NE(std::string(error.what()).find("full path of the program"), std::string::npos)
                << error.what();
        }
    }
}

TEST_F(AutostartEntry, WritingTwiceLeavesOneEntryAndDeletingLeavesNone) {
    const std::string program = MakeProgram("my apps/karvin");
    EXPECT_FALSE(AutostartEntryExists());

    WriteAutostartEntry(program);
    WriteAutostartEntry(program);

    EXPECT_EQ(Names(), std::vector<std::string>{"Karvin.desktop"});
    EXPECT_TRUE(AutostartEntryExists());
    EXPECT_EQ(ReadWholeFile((Folder() / "Karvin.desktop").string()), AutostartEntryText(program));
    // A folder the program made is the user's alone, as the desktop's rules ask.
    EXPECT_EQ(fs::status(Folder()).permissions(), fs::perms::owner_all);

    DeleteAutostartEntry();
    EXPECT_TRUE(Names().empty());
    EXPECT_FALSE(AutostartEntryExists());
    DeleteAutostartEntry(); // nothing there: no failure
}

TEST_F(AutostartEntry, AnEntryOfAnotherProgramIsReplaced) {
    fs::create_directories(Folder());
    WriteWholeFile((Folder() / "Karvin.desktop").string(),
                   "[Desktop Entry]\nType=Application\nExec=/old/place/karvin\nName=Karvin\n");
    const std::string program = MakeProgram("karvin");
    WriteAutostartEntry(program);
    EXPECT_EQ(ReadWholeFile((Folder() / "Karvin.desktop").string()), AutostartEntryText(program));
}

TEST_F(AutostartEntry, OnlyAProgramTheUserMayRunIsEntered) {
    const std::string text = (Scratch / "notes.txt").string();
    WriteWholeFile(text, "notes");
    for (const std::string& program : {text, (Scratch / "missing").string(), Scratch.string()}) {
        EXPECT_THROW(WriteAutostartEntry(program), EFileError) << program;
        EXPECT_FALSE(AutostartEntryExists()) << program;
    }
}

TEST_F(AutostartEntry, AFolderThatRefusesChangesIsAnErrorThatSaysWhy) {
    const std::string program = MakeProgram("karvin");
    fs::create_directories(Folder());
    {
        TReadOnlyFolder locked(Folder().string());
        ASSERT_TRUE(locked.Made());
        try {
            WriteAutostartEntry(program);
            ADD_FAILURE() << "written into a read-only folder";
        } catch (const EFileError& error) {
            EXPECT_NE(std::string(error.what()).find("Karvin.desktop"), std::string::npos)
                << error.what();
        }
    }
    EXPECT_TRUE(Names().empty()); // no temporary file either

    WriteAutostartEntry(program);
    {
        TReadOnlyFolder locked(Folder().string());
        ASSERT_TRUE(locked.Made());
        EXPECT_THROW(DeleteAutostartEntry(), EFileError);
    }
    EXPECT_TRUE(AutostartEntryExists());
}
