// Note files: the short text a user attaches to a saved image that came from a web page.
//
// A note lives beside its image, as plain CR LF text lines, under a name derived from the
// image's file name. No file, or an empty one, means the image has no note.
#pragma once

#include <string>
#include <vector>

// The note file of an image: the image's folder + the file name up to its first dot + the
// first three characters of the extension + ".txt".
//   /shots/page1.jpg -> /shots/page1jpg.txt
//   /web/a.b.png     -> /web/apng.txt
std::string NoteFileName(const std::string& imagePath);

// Replaces the note file with `lines` (CR LF each; no lines give an empty file), through a
// temporary file and a rename. Throws EFileError with the system's error text.
void SaveNoteLines(const std::string& notePath, const std::vector<std::string>& lines);
