// Console text files: the code page or UTF-8 rule, reading a file back to the same text, and
// the lines of a clipboard text.
#include "widgets/console_text.h"

#include <gtest/gtest.h>

namespace {

QByteArray Encoded(const QString& text) {
    QByteArray file;
    EncodeConsoleTextFile(text, [&](const QByteArray& part) { file += part; });
    return file;
}

// The text of a file without its final line break, as the printout reads it.
QString Decoded(QByteArray file) {
    const QByteArray mark(ConsoleTextUtf8Mark);
    const bool utf8 = file.startsWith(mark);
    if (utf8)
        file.remove(0, mark.size());
    file.chop(1);
    return DecodeConsoleTextLine(file, utf8);
}

TEST(ConsoleText, EveryTextComesBackFromItsFile) {
    QString everyByte;
    for (char16_t c = 1; c < 0x100; ++c)
        if (c != '\n' && c != '\r')
            everyByte += QChar(c);
    // A surrogate pair split by the boundary of the parts the file is written in.
    const QString longWithEmoji = QString(64 * 1024 - 1, 'x') + u"😀 end"_qs;
    const QString texts[] = {"",
                             "ASCII only",
                             u"€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ"_qs,
                             everyByte,
                             u"box ┌─┐ and ελληνικά"_qs,
                             longWithEmoji};
    for (const QString& text : texts) {
        const QByteArray file = Encoded(text);
        EXPECT_EQ(Decoded(file), text) << text.left(40).toStdString();
        EXPECT_TRUE(file.endsWith('\n'));
        EXPECT_EQ(file.startsWith(ConsoleTextUtf8Mark), !FitsConsoleCodePage(text))
            << text.left(40).toStdString();
    }
}

TEST(ConsoleText, TheCodePageHasOneByteForEachCharacterItHolds) {
    EXPECT_EQ(Encoded(u"é€ ü"_qs), QByteArray("\xE9\x80 \xFC\n"));
    // C1 control characters without a glyph of the code page are not in it, save the five
    // bytes it leaves undefined.
    EXPECT_FALSE(FitsConsoleCodePage(u"\u0080"));
    EXPECT_TRUE(FitsConsoleCodePage(u"\u0081\u008D\u008F\u0090\u009D"));
    EXPECT_FALSE(FitsConsoleCodePage(u"Ā"));
}

TEST(ConsoleText, LinesAreSplitAtEveryKindOfLineBreakUpToTheLimit) {
    struct TCase {
        QString Text;
        qsizetype Limit;
        QStringList Lines;
    };
    const TCase cases[] = {
        {"", 10, {}},
        {"one", 10, {"one"}},
        {"one\n", 10, {"one"}},
        {"one\r\ntwo\rthree\nfour", 10, {"one", "two", "three", "four"}},
        {"\n\nx", 10, {"", "", "x"}},
        {"a\nb\nc\nd", 2, {"a", "b"}},
        {"a\r\n\r\nb", 10, {"a", "", "b"}},
    };
    for (const TCase& c : cases) {
        QStringList lines;
        for (QStringView line : ConsoleTextLines(c.Text, c.Limit))
            lines << line.toString();
        EXPECT_EQ(lines, c.Lines) << c.Text.toStdString();
    }
}

} // namespace
