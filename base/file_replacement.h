// Which file a whole-file write replaces and which permissions the new file gets. Every writer
// that makes a file under a temporary name and renames it over the target (settings files, the
// link store, file copies, images) follows these rules, so a file never changes its
// permissions or loses its link just because the program wrote it:
//
// - An existing file keeps its permission bits, and its group when the writer may give the
//   new file that group; when it may not, the group loses its access rather than passing it to
//   the writer's own group.
// - A target that is a symbolic link stays a link: the file it points to (through any number
//   of links) is replaced.
// - A new file in the private folder is readable by its owner alone (0600); anywhere else it
//   gets 0666 less the umask, as other desktop programs' files do.
// - In the private folder nothing is followed: a link there is replaced by a plain file, and
//   existing files keep their owner's bits only.
#pragma once

#include <string>
#include <sys/types.h>

// Names the private folder: the folder whose files only their owner may read (the working
// folder). It is recognised by identity, so any path that leads to it counts and a folder
// made later under another name does not. The latest call holds.
void SetPrivateFolder(const std::string& folder);
// True when `folder` is the private folder.
bool IsPrivateFolder(const std::string& folder);

struct TFileReplacement {
    std::string Path;        // the file to replace: the target, or the file its link points to
    mode_t Mode = 0;         // the permission bits the new file gets
    gid_t Group = gid_t(-1); // the group to keep; -1 for a new file
};

// How a write replaces `path`. False with errno set when a link cannot be read or a chain of
// links does not end (ELOOP).
bool PlanFileReplacement(const std::string& path, TFileReplacement& replacement);
// A new file under `path` itself, never following anything: for writers that refuse to
// replace an existing entry.
TFileReplacement PlanNewFile(const std::string& path);
// Gives the freshly made temporary file `fd` the group and the mode of the plan.
void ApplyFileReplacement(int fd, const TFileReplacement& replacement);

// The folder part of `path` with its trailing "/"; "./" for a bare name.
std::string FolderOf(const std::string& path);
