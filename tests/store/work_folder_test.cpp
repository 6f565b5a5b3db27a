#include "store/work_folder.h"

#include "tests/store/other_user.h"
#include "tests/store/read_only_folder.h"
#include "tests/store/work_folder_fixture.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using WorkingFolder = TWorkFolderTest;

std::vector<std::string> Sorted(std::vector<std::string> items) {
    std::sort(items.begin(), items.end());
    return items;
}

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : mode_t(-1);
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return Sorted(names);
}

// A working folder as a run that ended abnormally leaves it, with every kind of entry the
// scans must tell apart.
struct TLeftovers {
    std::vector<std::string> Settings{"karvin.cfg", "repeat.dat", "urlpath.dat", "DefMail.dat"};
    std::vector<std::string> Captures{"PIC7.BMP", "pic1.png", "shot.gif"};
    // The scratch files of the program's steps, images among them: never captures.
    std::vector<std::string> Scratch{"big.bmp",    "scr3.bmp",    "del1.jpg",     "DEL1.BMP",
                                     "attach.dat", "tmppath.dat", "TextTemp.txt", "del2.png"};
    // Deleted at exit, but neither images nor scratch files.
    std::vector<std::string> Others{"maillog", "a.jpeg",  "b.tiff",
                                    "notes",   "scr.bmp", "delete.png"};
};

} // namespace

TEST_F(WorkingFolder, LivesInTheCacheFolder) {
    struct TCase {
        const char* CacheHome; // nullptr: unset
        std::string Expected;
    };
    const std::string home = (Scratch / "home").string();
    const TCase cases[] = {
        {"/data/cache", "/data/cache/"},
        {"/data/cache/", "/data/cache/"},
        {"relative/cache", home + "/.cache/"}, // not absolute: ignored
        {"", home + "/.cache/"},
        {nullptr, home + "/.cache/"},
    };
    for (const auto& c : cases) {
        if (c.CacheHome)
            ::setenv("XDG_CACHE_HOME", c.CacheHome, 1);
        else
            ::unsetenv("XDG_CACHE_HOME");
        EXPECT_EQ(TempFolder(), c.Expected) << (c.CacheHome ? c.CacheHome : "unset");
        EXPECT_EQ(WorkFolder(), c.Expected + "karvin");
    }
}

TEST_F(WorkingFolder, IsCreatedPrivateWithTheFoldersAboveIt) {
    const mode_t oldMask = ::umask(0);
    EnsureWorkFolder();
    ::umask(oldMask);
    struct stat info {};
    ASSERT_EQ(::stat(Work().c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_NO_THROW(EnsureWorkFolder()); // a second start reuses it
}

TEST_F(WorkingFolder, RefusesALinkAndTouchesNothingBehindIt) {
    const fs::path elsewhere = Scratch / "elsewhere";
    fs::create_directories(elsewhere);
    WriteWholeFile((elsewhere / "pic1.bmp").string(), "precious");
    fs::create_directories(Scratch / "cache");
    fs::create_directory_symlink(elsewhere, Work());

    try {
        EnsureWorkFolder();
        FAIL() << "a linked working folder was accepted";
    } catch (const EFileError& error) {
        EXPECT_NE(std::string(error.what()).find("is a symbolic link"), std::string::npos)
            << error.what();
    }
    EXPECT_THROW(WorkPath("karvin.cfg"), EFileError);
    EXPECT_TRUE(ListLeftoverImages().empty());
    EXPECT_FALSE(HasWorkImages());
    CleanWorkFolder();
    EXPECT_EQ(*ReadWholeFile((elsewhere / "pic1.bmp").string()), "precious");
}

TEST_F(WorkingFolder, RefusesAFileInItsPlace) {
    fs::create_directories(Scratch / "cache");
    WriteWholeFile(Work().string(), "");
    EXPECT_THROW(EnsureWorkFolder(), EFileError);
}

TEST_F(WorkingFolder, RefusesAFolderOfAnotherUser) {
    Put("pic1.bmp");
    std::string why;
    // Runs where the folder is another user's; each check that lets it through sets a bit.
    const auto failures = RunWithForeignFolder(
        Work().string(),
        [] {
            int failed = 0;
            try {
                EnsureWorkFolder();
                failed |= 1;
            } catch (const EFileError& error) {
                if (std::string(error.what()).find("belongs to another user") == std::string::npos)
                    failed |= 1;
            }
            try {
                WorkPath("karvin.cfg");
                failed |= 2;
            } catch (const EFileError&) {
            }
            if (HasWorkImages())
                failed |= 4;
            if (!ListLeftoverImages().empty())
                failed |= 8;
            CleanWorkFolder();
            return failed;
        },
        why);
    if (!failures)
        GTEST_SKIP() << why;
    EXPECT_EQ(*failures, 0) << "accepted by: 1 EnsureWorkFolder, 2 WorkPath, 4 HasWorkImages, "
                               "8 ListLeftoverImages";
    if (CanActAsOtherUser()) {
        EXPECT_EQ(Read("pic1.bmp"), "x") << "the clean-up went into another user's folder";
    }
}

TEST_F(WorkingFolder, AnOpenFolderIsMadePrivateWithTheFilesItHolds) {
    // As an earlier version left it: everything readable by everyone.
    fs::create_directories(Work());
    const auto put = [&](const fs::path& path, mode_t mode) {
        WriteWholeFile(path.string(), "kept");
        ::chmod(path.c_str(), mode);
    };
    put(Work() / "pic1.bmp", 0644);
    put(Work() / "karvin.cfg", 0664);
    put(Work() / "pic2.bmp", 0444);
    put(Scratch / "outside.bmp", 0644);
    fs::create_symlink(Scratch / "outside.bmp", Work() / "link.bmp");
    for (const auto mode : {0755, 0777, 0750, 0500}) {
        ::chmod(Work().c_str(), mode_t(mode));
        EnsureWorkFolder();
        EXPECT_EQ(ModeOf(Work()), 0700u) << std::oct << mode;
    }
    EXPECT_EQ(ModeOf(Work() / "pic1.bmp"), 0600u);
    EXPECT_EQ(ModeOf(Work() / "karvin.cfg"), 0600u);
    EXPECT_EQ(ModeOf(Work() / "pic2.bmp"), 0400u);
    EXPECT_EQ(ModeOf(Scratch / "outside.bmp"), 0644u) << "a link was followed";
    EXPECT_EQ(Read("pic1.bmp"), "kept");
}

TEST_F(WorkingFolder, AFolderThatCannotBeMadePrivateIsRefused) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can mark a folder so that its owner cannot change it";
    fs::create_directories(Work());
    ::chmod(Work().c_str(), 0755);
    ASSERT_TRUE(SetImmutable(Work().string(), true));
    std::string error;
    try {
        EnsureWorkFolder();
    } catch (const EFileError& e) {
        error = e.what();
    }
    SetImmutable(Work().string(), false);
    EXPECT_NE(error.find("cannot be made private: " + std::string(std::strerror(EPERM))),
              std::string::npos)
        << error;
    EXPECT_EQ(ModeOf(Work()), 0755u);
}

TEST_F(WorkingFolder, ItsFilesAreTheOwnersAloneWhateverTheUmask) {
    const mode_t oldMask = ::umask(0);
    EnsureWorkFolder();
    WriteWholeFile(WorkPath("karvin.cfg"), "new");
    WriteWholeFile((Work() / "old.cfg").string(), "old");
    ::chmod((Work() / "old.cfg").c_str(), 0664);
    WriteWholeFile(WorkPath("old.cfg"), "rewritten");
    WriteWholeFile((Work() / "kept.dat").string(), "old");
    ::chmod((Work() / "kept.dat").c_str(), 0400);
    WriteWholeFile(WorkPath("kept.dat"), "rewritten");
    WriteWholeFile((Scratch / "source.bmp").string(), "copy");
    ASSERT_TRUE(CopyFileNoReplace((Scratch / "source.bmp").string(), WorkPath("pic1.bmp")));
    ::umask(oldMask);

    EXPECT_EQ(ModeOf(Work() / "karvin.cfg"), 0600u);
    EXPECT_EQ(ModeOf(Work() / "old.cfg"), 0600u) << "group and others lose their access";
    EXPECT_EQ(ModeOf(Work() / "kept.dat"), 0400u) << "the owner's own choice stays";
    EXPECT_EQ(ModeOf(Work() / "pic1.bmp"), 0600u);
    EXPECT_EQ(Read("pic1.bmp"), "copy");
}

TEST_F(WorkingFolder, ALinkInItIsReplacedAndNeverFollowed) {
    EnsureWorkFolder();
    const fs::path outside = Scratch / "outside.cfg";
    WriteWholeFile(outside.string(), "outside");
    fs::create_symlink(outside, Work() / "karvin.cfg");
    WriteWholeFile(WorkPath("karvin.cfg"), "settings");
    EXPECT_FALSE(fs::is_symlink(Work() / "karvin.cfg"));
    EXPECT_EQ(Read("karvin.cfg"), "settings");
    EXPECT_EQ(ModeOf(Work() / "karvin.cfg"), 0600u);
    EXPECT_EQ(*ReadWholeFile(outside.string()), "outside");
}

TEST_F(WorkingFolder, WorkPathMatchesNamesWithoutRegardToCase) {
    Put("DefMail.dat");
    EXPECT_EQ(WorkPath("defmail.dat"), (Work() / "DefMail.dat").string());
    EXPECT_EQ(WorkPath("ThumbView.dat"), (Work() / "thumbview.dat").string());
}

TEST_F(WorkingFolder, NextImageNameTakesTheFirstFreeNumber) {
    struct TCase {
        std::vector<std::string> Present;
        std::string Extension;
        std::string Expected;
    };
    const TCase cases[] = {
        {{}, ".BMP", "pic1.bmp"},
        {{"pic1.bmp", "pic3.bmp"}, ".bmp", "pic2.bmp"},  // freed numbers are used again
        {{"pic1.bmp"}, ".JPG", "pic1.jpg"},              // only the same extension blocks
        {{"PIC1.PNG", "Pic2.png"}, ".png", "pic3.png"},  // names differing in case block
        {{"pic1.tif", "pic10.tif"}, ".tif", "pic2.tif"}, // decimal, no padding
    };
    for (const auto& c : cases) {
        fs::remove_all(Work());
        EnsureWorkFolder();
        for (const auto& name : c.Present)
            Put(name);
        EXPECT_EQ(NextImageName(Work().string(), c.Extension), (Work() / c.Expected).string())
            << c.Expected;
    }
}

TEST_F(WorkingFolder, NextImageNameKeepsTheFolderAsGiven) {
    const fs::path folder = Scratch / "My Shots";
    fs::create_directories(folder);
    EXPECT_EQ(NextImageName(folder.string(), ".PNG"), folder.string() + "/pic1.png");
    EXPECT_EQ(NextImageName(folder.string() + "/", ".png"), folder.string() + "/pic1.png");
    EXPECT_EQ(NextImageName("/", ".gif"), "/pic1.gif");
}

TEST_F(WorkingFolder, NextConsoleTextNameCountsDostextFiles) {
    const fs::path folder = Scratch / "Text";
    fs::create_directories(folder);
    EXPECT_EQ(NextConsoleTextName(folder.string()), folder.string() + "/dostext1.txt");
    WriteWholeFile((folder / "dostext1.txt").string(), "");
    WriteWholeFile((folder / "DOSTEXT2.TXT").string(), "");
    EXPECT_EQ(NextConsoleTextName(folder.string()), folder.string() + "/dostext3.txt");
}

TEST_F(WorkingFolder, AnEmptyOrMissingFolderHoldsNothing) {
    EXPECT_TRUE(ListLeftoverImages().empty());
    EXPECT_FALSE(HasWorkImages());
    EXPECT_NO_THROW(CleanWorkFolder());
    EnsureWorkFolder();
    EXPECT_TRUE(ListLeftoverImages().empty());
    EXPECT_FALSE(HasWorkImages());
    EXPECT_EQ(NextImageName(WorkFolder(), ".PNG"), WorkFolder() + "/pic1.png");
}

TEST_F(WorkingFolder, LeftoverImagesAreListedUnderLowerCaseNames) {
    const TLeftovers folder;
    for (const auto& names : {folder.Settings, folder.Captures, folder.Scratch, folder.Others})
        for (const auto& name : names)
            Put(name);
    // Entries no scan counts: a read-only capture, a hidden file, a folder, a link.
    fs::permissions(Put("pic8.bmp"), fs::perms::owner_read);
    Put(".hidden.png");
    fs::create_directories(Work() / "sub.png");
    WriteWholeFile((Scratch / "outside.png").string(), "outside");
    fs::create_symlink(Scratch / "outside.png", Work() / "link.png");

    const std::string base = WorkFolder() + "/";
    EXPECT_EQ(ListLeftoverImages(),
              (std::vector<std::string>{base + "delete.png", base + "pic1.png", base + "pic7.bmp",
                                        base + "scr.bmp", base + "shot.gif"}));
    // The path names the file: the leftover now bears its lower-case name.
    EXPECT_EQ(Read("pic7.bmp"), "x");
    EXPECT_EQ(Read("PIC7.BMP"), "<missing>");
}

TEST_F(WorkingFolder, LeftoverImagesComeInNaturalNameOrder) {
    // Made in an order that no sorting of the folder's own could give back.
    for (const char* name : {"pic10.png", "pic3.bmp", "pic1.png", "pic12.bmp", "pic2.png",
                             "pic1.bmp", "pic02.bmp", "page9.png", "pic11.bmp", "pic100.jpg"})
        Put(name);
    const std::string base = WorkFolder() + "/";
    std::vector<std::string> expected;
    for (const char* name : {"page9.png", "pic1.bmp", "pic1.png", "pic02.bmp", "pic2.png",
                             "pic3.bmp", "pic10.png", "pic11.bmp", "pic12.bmp", "pic100.jpg"})
        expected.push_back(base + name);
    EXPECT_EQ(ListLeftoverImages(), expected);
}

TEST_F(WorkingFolder, ScratchFilesAreToldByName) {
    for (const char* name : {"big.bmp", "scr1.bmp", "scr27.bmp", "del1.jpg", "del1.bmp",
                             "del12.png", "texttemp.txt", "attach.dat", "tmppath.dat"})
        EXPECT_TRUE(IsScratchFileName(name)) << name;
    for (const char* name : {"pic1.bmp", "scr.bmp", "scr1.png", "scrap1.bmp", "big1.bmp", "del.jpg",
                             "delete.png", "del1", "deli1.jpg", "karvin.cfg"})
        EXPECT_FALSE(IsScratchFileName(name)) << name;
}

TEST_F(WorkingFolder, TheSessionsCleanUpRemovesScratchFilesAndKeepsCaptures) {
    const TLeftovers folder;
    for (const auto& names : {folder.Settings, folder.Captures, folder.Scratch, folder.Others})
        for (const auto& name : names)
            Put(name);
    Put(".karvin-write-a1B2c3");
    fs::permissions(Put("del3.jpg"), fs::perms::owner_read); // not counted: stays

    RemoveScratchFiles();

    std::vector<std::string> kept = folder.Settings;
    for (const auto& names : {folder.Captures, folder.Others})
        kept.insert(kept.end(), names.begin(), names.end());
    kept.push_back("del3.jpg");
    EXPECT_EQ(NamesIn(Work()), Sorted(kept));
}

TEST_F(WorkingFolder, ALeftoverWhoseLowerCaseNameIsTakenKeepsItsName) {
    Put("pic7.bmp", "lower");
    Put("PIC7.BMP", "upper");
    const std::string base = WorkFolder() + "/";
    EXPECT_EQ(Sorted(ListLeftoverImages()), Sorted({base + "pic7.bmp", base + "PIC7.BMP"}));
    EXPECT_EQ(Read("pic7.bmp"), "lower");
    EXPECT_EQ(Read("PIC7.BMP"), "upper");
}

TEST_F(WorkingFolder, HasWorkImagesIgnoresSettingsAndTheMailLog) {
    struct TCase {
        std::vector<std::string> Present;
        bool Expected;
    };
    const TCase cases[] = {
        {{"karvin.cfg", "JPEG.CFG", "urlpath.dat", "dospath.dat"}, false},
        {{"maillog"}, false},
        {{"karvin.cfg", "maillog", "attach.dat"}, true},
        {{"karvin.cfg", "pic1.bmp"}, true},
    };
    for (const auto& c : cases) {
        fs::remove_all(Work());
        for (const auto& name : c.Present)
            Put(name);
        EXPECT_EQ(HasWorkImages(), c.Expected) << c.Present.back();
    }
    fs::remove_all(Work());
    fs::permissions(Put("pic8.bmp"), fs::perms::owner_read);
    EXPECT_FALSE(HasWorkImages()) << "a read-only capture is not counted";
}

TEST_F(WorkingFolder, CleanUpKeepsSettingsAndWhatItDoesNotCount) {
    const TLeftovers folder;
    for (const auto& name : SettingsFileNames)
        Put(std::string(name));
    Put("DefMail.dat");
    for (const auto& names : {folder.Captures, folder.Scratch, folder.Others})
        for (const auto& name : names)
            Put(name);
    fs::permissions(Put("pic8.bmp"), fs::perms::owner_read);
    Put(".hidden");
    fs::create_directories(Work() / "sub");
    WriteWholeFile((Work() / "sub" / "pic2.bmp").string(), "");
    WriteWholeFile((Scratch / "outside.bmp").string(), "outside");
    fs::create_symlink(Scratch / "outside.bmp", Work() / "link.bmp");

    CleanWorkFolder();

    std::vector<std::string> kept(SettingsFileNames.begin(), SettingsFileNames.end());
    kept.insert(kept.end(), {"DefMail.dat", "pic8.bmp", ".hidden", "sub", "link.bmp"});
    EXPECT_EQ(NamesIn(Work()), Sorted(kept));
    EXPECT_EQ(NamesIn(Work() / "sub"), std::vector<std::string>{"pic2.bmp"});
    EXPECT_EQ(*ReadWholeFile((Scratch / "outside.bmp").string()), "outside");
}

TEST_F(WorkingFolder, CleanUpRemovesTemporaryFilesOfWritesCutShort) {
    Put("karvin.cfg");
    Put(".karvin-write-a1B2c3");
    Put(".karvin-image-Zz9Yy8");
    Put(".karvin-other");
    CleanWorkFolder();
    EXPECT_EQ(NamesIn(Work()), (std::vector<std::string>{".karvin-other", "karvin.cfg"}));
}

TEST_F(WorkingFolder, CleanUpOfOnlySettingsDeletesNothing) {
    for (const auto& name : SettingsFileNames)
        Put(std::string(name), "kept");
    CleanWorkFolder();
    EXPECT_EQ(NamesIn(Work()).size(), SettingsFileNames.size());
    EXPECT_EQ(Read("karvin.cfg"), "kept");
}

TEST_F(WorkingFolder, IsInWorkFolderComparesTheFolderWithoutRegardToCase) {
    const std::string work = WorkFolder();
    std::string upper = work;
    upper.replace(upper.size() - 6, 6, "KARVIN");
    EXPECT_TRUE(IsInWorkFolder(work + "/pic1.bmp"));
    EXPECT_TRUE(IsInWorkFolder(upper + "/PIC1.BMP"));
    EXPECT_FALSE(IsInWorkFolder(work + "saved/pic1.bmp")); // a folder that only starts alike
    EXPECT_FALSE(IsInWorkFolder((Scratch / "pic1.bmp").string()));
    EXPECT_FALSE(IsInWorkFolder(work));
}
