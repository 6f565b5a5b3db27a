#include "widgets/console_text.h"

#include <QStringEncoder>

#include <array>

namespace {

// The characters of Windows-1252's bytes 0x80-0x9F; the five bytes the code page leaves
// undefined stand for the control characters of the same number, as Windows reads them.
constexpr std::array<char16_t, 32> HighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The byte of `c` in Windows-1252, or -1 when it has none.
int CodePageByte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (std::size_t i = 0; i < HighControlRange.size(); ++i)
        if (HighControlRange[i] == c)
            return int(0x80 + i);
    return -1;
}

// How many characters of text go into one part of a file.
constexpr qsizetype PartLength = 64 * 1024;

} // namespace

bool FitsConsoleCodePage(QStringView text) {
    for (QChar c : text)
        if (CodePageByte(c.unicode()) < 0)
            return false;
    return true;
}

void EncodeConsoleTextFile(QStringView text, const std::function<void(const QByteArray&)>& sink) {
    if (FitsConsoleCodePage(text)) {
        for (qsizetype at = 0; at < text.size(); at += PartLength) {
            const QStringView part = text.mid(at, PartLength);
            QByteArray bytes(part.size(), Qt::Uninitialized);
            for (qsizetype i = 0; i < part.size(); ++i)
                bytes[i] = char(CodePageByte(part[i].unicode()));
            sink(bytes);
        }
    } else {
        sink(QByteArray(ConsoleTextUtf8Mark));
        // The encoder keeps a surrogate pair that a part boundary splits.
        QStringEncoder encoder(QStringEncoder::Utf8);
        for (qsizetype at = 0; at < text.size(); at += PartLength)
            sink(encoder.encode(text.mid(at, PartLength)));
    }
    sink(QByteArray("\n"));
}

QString DecodeConsoleTextLine(const QByteArray& line, bool utf8) {
    if (utf8)
        return QString::fromUtf8(line);
    QString text(line.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        text[i] =
            QChar(byte >= 0x80 && byte < 0xA0 ? HighControlRange[byte - 0x80] : char16_t(byte));
    }
    return text;
}

QList<QStringView> ConsoleTextLines(QStringView text, qsizetype maxLines) {
    QList<QStringView> lines;
    qsizetype start = 0;
    while (start < text.size() && lines.size() < maxLines) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        lines << text.mid(start, end - start);
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() &&
            text[end + 1] == u'\n')
            ++end;
        start = end + 1;
    }
    return lines;
}
