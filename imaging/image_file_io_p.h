// Whole-file reads and writes for image files.
//
// Written files go to a temporary file in the same folder, which is renamed over the target
// only once it is complete, so a crash or a full disk never leaves half an image under the
// target's name (base/temporary_file.h, the same writer the settings files use). Which file is
// replaced and the permissions it gets follow the rules every writer shares
// (base/file_replacement.h): a saved-over file keeps its permissions, a link stays a link, a
// capture in the working folder is 0600 and a new image elsewhere follows the umask.
#pragma once

#include "base/file_descriptor.h"
#include "imaging/image_limits.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

// The bytes of an image file as read: charged to the working-memory budget.
using TImageFileBytes = TRawBudgetVector<uint8_t>;

// An image file open for reading from its start. Only a regular file is read: a folder, a
// named pipe or a device is refused at once (a pipe without waiting for a writer). Errors
// are EImageError with the path and the reason.
class TImageFileReader {
public:
    explicit TImageFileReader(const std::string& path);

    // Appends to `bytes` (the file's bytes read so far) until it holds `size` bytes or the
    // whole file; true once the whole file has been read.
    bool ReadUpTo(TImageFileBytes& bytes, std::size_t size);
    // The file's size when it was opened.
    std::size_t Size() const { return Size_; }
    // Reads `count` bytes from `offset` on into `target`; false when the file ends first (it
    // has shrunk since it was opened).
    bool ReadAt(std::size_t offset, uint8_t* target, std::size_t count);

private:
    std::string Path_;
    TFileDescriptor File_;
    std::size_t Size_ = 0; // as the file was when opened
    bool AtEnd_ = false;
};

// The whole file.
TImageFileBytes ReadImageFileBytes(const std::string& path);
void WriteImageFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// The same for a file made of several pieces, written one after the other.
void WriteImageFilePieces(const std::string& path,
                          std::initializer_list<std::span<const uint8_t>> pieces);
// Writes a new file: false, having written nothing, when an entry named `path` exists already,
// also one that appears while the file is being written.
bool WriteNewImageFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
