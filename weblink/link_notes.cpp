#include "weblink/link_notes.h"

#include "store/file_io.h"

namespace {

// The first `count` characters of `text`, a character being a whole UTF-8 sequence, so a
// cut never splits a letter of a non-ASCII name.
std::string FirstCharacters(const std::string& text, int count) {
    std::size_t end = 0;
    while (end < text.size() && count > 0) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            ++end;
        --count;
    }
    return text.substr(0, end);
}

} // namespace

std::string NoteFileName(const std::string& imagePath) {
    const std::size_t slash = imagePath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string folder = imagePath.substr(0, nameStart);
    const std::string name = imagePath.substr(nameStart);

    const std::size_t lastDot = name.rfind('.');
    if (lastDot == std::string::npos)
        return folder + name + ".txt";
    // The extension is found again from the front of the name and the three characters after
    // its dot are taken there. With the three-letter image extensions that is the extension
    // itself; a shorter one picks up whatever follows its first occurrence ("x.ab.ab" gives
    // "xab..txt").
    const std::string extension = name.substr(lastDot);
    const std::size_t extensionAt = name.find(extension);
    const std::string taken = FirstCharacters(name.substr(extensionAt + 1), 3);
    return folder + name.substr(0, name.find('.')) + taken + ".txt";
}

void SaveNoteLines(const std::string& notePath, const std::vector<std::string>& lines) {
    WriteTextLines(notePath, lines);
}
