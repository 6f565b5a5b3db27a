// The URL link store: for each saved image that was captured from a web browser, the address
// of the page and the path of the image's note file.
//
// The store is "urlpath.dat" in the working folder (its name is looked up without regard to
// letter case): CR LF text lines, no header, three lines per record (image path, address,
// note path), in the order the records were added. A last record cut short reads its missing
// lines as empty. An empty store is no file at all: every operation that leaves no record
// deletes the file.
//
// Each operation reads the file, does its work and writes the file whole through a temporary
// file and a rename, so a crash or a full disk leaves the old store or the new one, never half
// of one. A failure to read or write the store or a note file throws EFileError with the
// system's error text; an operation that fails while writing the store leaves it as it was,
// and a store that cannot be read is never written over.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct TURLLink {
    std::string ImagePath;
    std::string URL;
    std::string NotePath;

    bool operator==(const TURLLink&) const = default;
};

// Asks the user a Yes/No question with the given text; true for Yes.
using TAskYesNo = std::function<bool(const std::string& text)>;

class TURLStore {
public:
    // The path of a working-folder file from its name.
    using TWorkPath = std::function<std::string(const std::string& name)>;

    // The store in `folder` (with or without a trailing "/"), names looked up without regard
    // to case.
    explicit TURLStore(const std::string& folder);
    // The store wherever `workPath` puts it; the path is asked for at every operation.
    explicit TURLStore(TWorkPath workPath);

    // The store file and the remove operation's scratch copy "tmppath.dat", which stays
    // behind for the working folder's clean-up at exit.
    std::string StorePath() const;
    std::string TemporaryPath() const;
    // Whether the store file exists, that is, whether there are any links.
    bool HasLinks() const;

    // Appends a record whose note path is NoteFileName(imagePath); creates the store when
    // absent. Then, with `saveNote` set and at least one note line (an empty line counts),
    // writes the note file.
    void AddURLLink(const std::string& imagePath, const std::string& url,
                    const std::vector<std::string>& noteLines, bool saveNote) const;
    // When a record has this image (compared trimmed of blanks and control characters and
    // without regard to ASCII case), puts the image path and address in its first two lines,
    // writes the note lines to its note file (no lines give an empty file), keeps its place
    // and returns true. Otherwise changes nothing and returns false. The note is written
    // first; a path or address holding a line break is refused before either is written.
    bool UpdateURLLink(const std::string& imagePath, const std::string& url,
                       const std::vector<std::string>& noteLines) const;
    // What every save of an image with an address does: update its record, else add one
    // (the note file then written only when there are note lines).
    void RecordURLLink(const std::string& imagePath, const std::string& url,
                       const std::vector<std::string>& noteLines) const;
    // Before a file is saved over `targetPath`: true when no record has it as its image.
    // Otherwise asks "You are about to overwrite <TARGET PATH> which has a URL linked to it.
    // Do you want to overwrite it?"; on No returns false and changes nothing; on Yes drops
    // the record, deletes its note file and returns true.
    bool ConfirmURLOverwrite(const std::string& targetPath, const TAskYesNo& askYesNo) const;
    // Removes every record of this image (ASCII case ignored, no trimming). Leaves the note
    // file alone: the caller deletes it.
    void RemoveURLLink(const std::string& imagePath) const;
    // Replaces the whole store by these records; each note path is recomputed from its
    // image path and no note file is touched. No records leave no store.
    void RewriteURLStore(const std::vector<TURLLink>& links) const;
    // The records in file order; none when the store is absent.
    std::vector<TURLLink> ReadURLStore() const;

private:
    void WriteStore(const std::vector<TURLLink>& links) const;

    TWorkPath PathOf;
};

// The store of the user's working folder (WorkPath), which every command uses.
const TURLStore& URLStore();
