// "attach.dat" in the working folder: the images handed to the mailer, their full paths one a
// line (CR LF), in list order. Karvin writes it before each start of the mailer; the mailer
// reads it back.
#pragma once

#include <optional>
#include <string>
#include <vector>

// Larger lists are not read: no choice of captures makes one.
inline constexpr std::size_t LargestAttachList = 1024 * 1024;

// Replaces "attach.dat" by the paths. Throws EFileError when it cannot be written, and, having
// written nothing, when a path holds a line break (it would read back as two paths).
void WriteAttachList(const std::vector<std::string>& paths);

// The lines of "attach.dat" that hold anything, in order; nullopt when there is no such file,
// it cannot be read or it is larger than LargestAttachList. The lines are what the file says:
// whether each names an image to send is for the reader to check. Throws EFileError when the
// working folder is refused.
std::optional<std::vector<std::string>> ReadAttachList();
