// Whole-file reads and writes for image files.
//
// Written files go to a temporary file in the same folder, which is renamed over the target
// only once it is complete, so a crash or a full disk never leaves half an image under the
// target's name (base/temporary_file.h, the same writer the settings files use). Which file is
// replaced and the permissions it gets follow the rules every writer shares
// (base/file_replacement.h): a saved-over file keeps its permissions, a link stays a link, a
// capture in the working folder is 0600 and a new image elsewhere follows the umask.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

// Throws EImageError with the system's error text.
std::vector<uint8_t> ReadImageFileBytes(const std::string& path);
void WriteImageFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// The same for a file made of several pieces, written one after the other.
void WriteImageFilePieces(const std::string& path,
                          std::initializer_list<std::span<const uint8_t>> pieces);
