// Console text as the console capture keeps it: the text files it writes ("dostext" + N +
// ".txt"), and the lines it renders and prints.
//
// The files are single-byte text in the Windows-1252 code page (ASCII, the Latin-1 letters,
// and the euro sign, typographic quotes and dashes in 0x80-0x9F), which is what older tools
// that read these files expect. A text with a character outside that code page (box drawing,
// Greek, CJK, emoji) is written whole as UTF-8 instead, marked by a byte-order mark at its
// start, so that no character is ever lost or replaced; a reader tells the two apart by that
// mark alone.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

// The console screen a picture of console text shows: 80 characters on 26 lines.
inline constexpr int ConsoleColumns = 80;
inline constexpr int ConsoleRows = 26;

// The mark that starts a console text file written as UTF-8.
inline constexpr char ConsoleTextUtf8Mark[] = "\xEF\xBB\xBF";

// True when every character of `text` has a byte in Windows-1252.
bool FitsConsoleCodePage(QStringView text);

// The bytes of a console text file holding `text` and a line break, handed to `sink` a part
// at a time (never the whole text encoded at once): Windows-1252 when the text fits it, else
// the UTF-8 mark and UTF-8.
void EncodeConsoleTextFile(QStringView text, const std::function<void(const QByteArray&)>& sink);

// One line of a console text file (without its line break), `utf8` when the file starts with
// the UTF-8 mark (the mark itself not included).
QString DecodeConsoleTextLine(const QByteArray& line, bool utf8);

// The first `maxLines` lines of `text` (at most), split at CR LF, LF or CR; a line break at the
// very end starts no further line. The views point into `text`.
QList<QStringView> ConsoleTextLines(QStringView text, qsizetype maxLines);
