// Whole-file reads and writes for image files.
//
// Written files go to a temporary file in the same folder, which is renamed over the target
// only once it is complete, so a crash or a full disk never leaves half an image under the
// target's name. (The same rule as the settings files keep; imaging has its own copy because
// it depends on nothing outside itself.)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Throws EImageError with the system's error text.
std::vector<uint8_t> ReadImageFileBytes(const std::string& path);
void WriteImageFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
