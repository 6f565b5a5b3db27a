// The rules every whole-file writer follows when it writes into a folder of the user's (the
// working folder has its own, stricter ones): a new file gets 0666 less the umask; a file
// written over keeps its permission bits and its group, or, when the writer may not give the
// new file that group, the group loses its access; a symbolic link stays a link and the file
// it points to is replaced. Checked against one writer: `write(path)` writes new content to
// path, `written(path)` tells that new content is there.
#pragma once

#include "tests/store/other_user.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace file_replacement_rules {

inline struct stat StatOf(const std::filesystem::path& path) {
    struct stat info {};
    info.st_mode = mode_t(-1);
    ::lstat(path.c_str(), &info);
    return info;
}

inline std::vector<std::string> NamesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Creates a file of old content with the given permissions.
inline void PutOld(const std::filesystem::path& path, mode_t mode) {
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fputs("old", file);
        std::fclose(file);
    }
    ::chmod(path.c_str(), mode);
}

} // namespace file_replacement_rules

// `folder` is an empty folder of the user's; the cases work in it and leave it empty.
inline void ExpectFileReplacementRules(const std::filesystem::path& folder,
                                       const std::function<void(const std::string&)>& write,
                                       const std::function<bool(const std::string&)>& written) {
    namespace fs = std::filesystem;
    using namespace file_replacement_rules;
    const fs::path target = folder / "shot.png";
    const mode_t savedMask = ::umask(022);

    // A new file and a file written over, under several umasks.
    struct TModeCase {
        mode_t Umask;
        mode_t Existing; // 0: none
        mode_t Expected;
    };
    const TModeCase modeCases[] = {
        {022, 0, 0644},    {077, 0, 0600},    {002, 0, 0664},    {022, 0600, 0600},
        {022, 0640, 0640}, {000, 0444, 0444}, {077, 0755, 0755},
    };
    for (const auto& c : modeCases) {
        if (c.Existing)
            PutOld(target, c.Existing);
        ::umask(c.Umask);
        write(target.string());
        ::umask(022);
        EXPECT_TRUE(written(target.string()));
        EXPECT_EQ(StatOf(target).st_mode & 07777, c.Expected)
            << std::oct << "umask " << c.Umask << ", existing " << c.Existing;
        EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"shot.png"})
            << "a temporary file stayed";
        fs::remove(target);
    }

    // Links stay links: through a relative link, a chain of two, and one whose file is missing
    // (which is then made where the link points).
    fs::create_directory(folder / "real");
    const fs::path real = folder / "real" / "shot.png";
    struct TLinkCase {
        const char* What;
        std::vector<std::pair<fs::path, fs::path>> Links; // link, what it points to
        bool RealExists;
    };
    const TLinkCase linkCases[] = {
        {"relative link", {{target, "real/shot.png"}}, true},
        {"chain",
         {{target, folder / "middle.png"}, {folder / "middle.png", "real/shot.png"}},
         true},
        {"link to a missing file", {{target, "real/shot.png"}}, false},
    };
    for (const auto& c : linkCases) {
        if (c.RealExists)
            PutOld(real, 0640);
        for (const auto& [link, to] : c.Links)
            fs::create_symlink(to, link);
        write(target.string());
        for (const auto& [link, to] : c.Links)
            EXPECT_EQ(fs::read_symlink(link), to) << c.What << ": the link was replaced";
        EXPECT_TRUE(written(real.string())) << c.What;
        EXPECT_EQ(StatOf(real).st_mode & 07777, c.RealExists ? 0640u : 0644u) << c.What;
        EXPECT_EQ(NamesIn(folder / "real"), std::vector<std::string>{"shot.png"}) << c.What;
        for (const auto& [link, to] : c.Links)
            fs::remove(link);
        fs::remove(real);
    }
    fs::create_symlink("loop-b.png", folder / "loop-a.png");
    fs::create_symlink("loop-a.png", folder / "loop-b.png");
    EXPECT_ANY_THROW(write((folder / "loop-a.png").string()));
    EXPECT_EQ(NamesIn(folder), (std::vector<std::string>{"loop-a.png", "loop-b.png", "real"}));
    fs::remove(folder / "loop-a.png");
    fs::remove(folder / "loop-b.png");
    fs::remove(folder / "real");
    ::umask(savedMask);

    // The group: kept when the writer may give it, else without access.
    if (!CanActAsOtherUser()) {
        std::printf("[ NOTE     ] the group cases need root to act as another user\n");
        return;
    }
    PutOld(target, 0640);
    ASSERT_EQ(::chown(target.c_str(), 0, OtherGid), 0);
    write(target.string());
    EXPECT_EQ(StatOf(target).st_gid, OtherGid);
    EXPECT_EQ(StatOf(target).st_mode & 07777, 0640u);
    fs::remove(target);

    // The other user writes over a file of its own whose group (root's) it is not in.
    ::chmod(folder.c_str(), 01777);
    PutOld(target, 0660);
    ASSERT_EQ(::chown(target.c_str(), OtherUid, 0), 0);
    EXPECT_EQ(RunAsOtherUser([&] {
                  try {
                      write(target.string());
                      return 0;
                  } catch (...) {
                      return 1;
                  }
              }),
              0);
    EXPECT_TRUE(written(target.string()));
    EXPECT_EQ(StatOf(target).st_gid, OtherGid);
    EXPECT_EQ(StatOf(target).st_mode & 07777, 0600u) << "the writer's own group gained access";
    fs::remove(target);
    ::chmod(folder.c_str(), 0755);
}
