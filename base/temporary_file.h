// Whole-file writes: the bytes go to a temporary file in the target's folder, which is renamed
// over the target only once it is complete, so a crash or a full disk leaves either the old
// file or the new one, never half of one. Which file is replaced and the permissions the new
// one gets follow base/file_replacement.h.
#pragma once

#include "base/file_replacement.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Whether `name` (a bare file name) is one of the temporary files a write makes beside its
// target: what a crash may leave behind, and what the working folder's clean-up removes.
bool IsTemporaryFileName(std::string_view name);

// A new file beside the file a write replaces (`replacement`), under a temporary name, with
// the permissions that file keeps or a new file gets there. It goes again unless Keep is
// called once it has taken its final name, so a failure on the way leaves nothing behind.
// Errors are EFileError under `target`'s name, the name the user knows.
class TTemporaryFile {
public:
    TTemporaryFile(const std::string& target, const TFileReplacement& replacement);
    ~TTemporaryFile();
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    const char* Path() const { return Name.data(); }
    void Write(const char* data, std::size_t size);
    // Puts the bytes on the disk and closes the file; the close reports a write the system
    // had delayed.
    void Finish();
    void Keep() { Kept = true; }

private:
    std::string Target;
    std::vector<char> Name;
    int Fd = -1;
    bool Kept = false;
};

// Replaces `path` with `content` through a temporary file and a rename; when `path` is a
// symbolic link (outside the private folder), the file it points to. Throws EFileError.
void WriteFileThroughTemporary(const std::string& path, std::string_view content);

// Renames `name` to `newName` (both relative to the open folder `folderFd`, or paths with
// AT_FDCWD) unless an entry named `newName` exists. False when it does (errno EEXIST) or the
// rename fails otherwise (errno says why).
bool RenameNoReplace(int folderFd, const std::string& name, const std::string& newName);
