#include "weblink/link_store.h"

#include "store/file_io.h"
#include "store/work_folder.h"
#include "weblink/link_notes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const StoreFileName = "urlpath.dat";
const char* const TemporaryFileName = "tmppath.dat";

std::string SystemError(const std::string& what, const std::string& path, int error) {
    return what + " \"" + path + "\": " + std::strerror(error);
}

// The store's text, or nullopt when there is no store. A store that is there but cannot be
// read is an error: carrying on as if it were empty would write the old links away.
std::optional<std::string> ReadStoreText(const std::string& path) {
    if (auto text = ReadWholeFile(path))
        return text;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        throw EFileError(SystemError("Cannot read file", path, errno));
    }
    if (S_ISDIR(info.st_mode))
        throw EFileError(SystemError("Cannot read file", path, EISDIR));
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const int error = fd < 0 ? errno : EIO;
    if (fd >= 0)
        ::close(fd);
    throw EFileError(SystemError("Cannot read file", path, error));
}

std::vector<TURLLink> ParseLinks(const std::string& text) {
    const std::vector<std::string> lines = SplitLines(text);
    const auto line = [&](std::size_t index) {
        return index < lines.size() ? lines[index] : std::string();
    };
    std::vector<TURLLink> links;
    for (std::size_t first = 0; first < lines.size(); first += 3)
        links.push_back({line(first), line(first + 1), line(first + 2)});
    return links;
}

std::string FormatLinks(const std::vector<TURLLink>& links) {
    std::vector<std::string> lines;
    lines.reserve(links.size() * 3);
    for (const TURLLink& link : links) {
        // A line break inside a field would shift every later record by a line.
        for (const std::string* field : {&link.ImagePath, &link.URL, &link.NotePath})
            if (field->find_first_of("\r\n") != std::string::npos)
                throw EFileError("Cannot record the link of \"" + link.ImagePath +
                                 "\": the image path or the address holds a line break");
        lines.push_back(link.ImagePath);
        lines.push_back(link.URL);
        lines.push_back(link.NotePath);
    }
    return JoinCrLfLines(lines);
}

// Deleting the store is how the last record goes away, so a failure to delete is a failure
// to write; a store that is already gone is fine.
void DeleteStore(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw EFileError(SystemError("Cannot delete file", path, errno));
}

// Blanks and control characters (codes 32 and below) around a path do not make it another
// image. Bytes of UTF-8 letters are above 127 and stay.
std::string TrimBlanks(const std::string& text) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool SameImage(const std::string& a, const std::string& b) {
    return AsciiLower(a) == AsciiLower(b);
}

std::string OverwriteQuestion(const std::string& targetPath) {
    return "You are about to overwrite " + AsciiUpper(targetPath) +
           " which has a URL linked to it. Do you " + "want to overwrite it?";
}

} // namespace

TURLStore::TURLStore(const std::string& folder)
    : PathOf([folder](const std::string& name) { return FindFileNoCase(folder, name); }) {}

TURLStore::TURLStore(TWorkPath workPath) : PathOf(std::move(workPath)) {}

const TURLStore& URLStore() {
    // WorkPath refuses a working folder that is not ours, so the links are never read from
    // or written into one.
    static const TURLStore store(WorkPath);
    return store;
}

std::string TURLStore::StorePath() const {
    return PathOf(StoreFileName);
}

std::string TURLStore::TemporaryPath() const {
    return PathOf(TemporaryFileName);
}

bool TURLStore::HasLinks() const {
    return FileExists(StorePath());
}

std::vector<TURLLink> TURLStore::ReadURLStore() const {
    const auto text = ReadStoreText(StorePath());
    return text ? ParseLinks(*text) : std::vector<TURLLink>();
}

void TURLStore::WriteStore(const std::vector<TURLLink>& links) const {
    if (links.empty())
        DeleteStore(StorePath());
    else
        WriteWholeFile(StorePath(), FormatLinks(links));
}

void TURLStore::AddURLLink(const std::string& imagePath, const std::string& url,
                           const std::vector<std::string>& noteLines, bool saveNote) const {
    // The store is written whole, with the old records as read, so a last record cut short
    // is completed with empty lines instead of swallowing the new one's first line.
    std::vector<TURLLink> links = ReadURLStore();
    links.push_back({imagePath, url, NoteFileName(imagePath)});
    WriteStore(links);
    if (saveNote && !noteLines.empty())
        SaveNoteLines(links.back().NotePath, noteLines);
}

bool TURLStore::UpdateURLLink(const std::string& imagePath, const std::string& url,
                              const std::vector<std::string>& noteLines) const {
    std::vector<TURLLink> links = ReadURLStore();
    const std::string wanted = TrimBlanks(imagePath);
    for (TURLLink& link : links) {
        if (!SameImage(TrimBlanks(link.ImagePath), wanted))
            continue;
        link.ImagePath = imagePath;
        link.URL = url;
        // A record cut short has no note path; give it the one its image has.
        if (link.NotePath.empty())
            link.NotePath = NoteFileName(imagePath);
        // Formatted first, so a path the store cannot hold is refused before anything is
        // written.
        const std::string text = FormatLinks(links);
        SaveNoteLines(link.NotePath, noteLines);
        WriteWholeFile(StorePath(), text);
        return true;
    }
    return false;
}

void TURLStore::RecordURLLink(const std::string& imagePath, const std::string& url,
                              const std::vector<std::string>& noteLines) const {
    if (!UpdateURLLink(imagePath, url, noteLines))
        AddURLLink(imagePath, url, noteLines, true);
}

bool TURLStore::ConfirmURLOverwrite(const std::string& targetPath,
                                    const TAskYesNo& askYesNo) const {
    std::vector<TURLLink> links = ReadURLStore();
    const auto found = std::find_if(links.begin(), links.end(), [&](const TURLLink& link) {
        return SameImage(link.ImagePath, targetPath);
    });
    if (found == links.end())
        return true;
    if (!askYesNo(OverwriteQuestion(targetPath)))
        return false;
    const std::string notePath = found->NotePath;
    links.erase(found);
    RewriteURLStore(links);
    // The note goes only once the record is gone: a store that cannot be written leaves
    // both the link and its note as they were.
    if (!notePath.empty())
        DeleteFile(notePath);
    return true;
}

void TURLStore::RemoveURLLink(const std::string& imagePath) const {
    const auto text = ReadStoreText(StorePath());
    if (!text)
        return;
    std::vector<TURLLink> kept = ParseLinks(*text);
    const std::size_t before = kept.size();
    std::erase_if(kept, [&](const TURLLink& link) { return SameImage(link.ImagePath, imagePath); });
    // The kept records also go to the scratch copy, which stays in the working folder.
    WriteWholeFile(TemporaryPath(), FormatLinks(kept));
    if (kept.size() != before || kept.empty())
        WriteStore(kept);
}

void TURLStore::RewriteURLStore(const std::vector<TURLLink>& links) const {
    std::vector<TURLLink> records;
    records.reserve(links.size());
    for (const TURLLink& link : links)
        records.push_back({link.ImagePath, link.URL, NoteFileName(link.ImagePath)});
    WriteStore(records);
}
