#include "Platform/RtfReader.h"

#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <gtest/gtest.h>

namespace {

QString plain(const char* rtf)
{
    QTextDocument document;
    RtfReader::read(QByteArray(rtf), document);
    // Raw text keeps line separators and non-breaking blanks; paragraphs become "\n".
    return document.toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

// The character format in effect at the first occurrence of `word`.
QTextCharFormat formatOf(const QTextDocument& document, const QString& word)
{
    const QTextCursor found = document.find(word, 0, QTextDocument::FindWholeWords);
    EXPECT_FALSE(found.isNull()) << word.toStdString();
    QTextCursor at(found);
    at.setPosition(found.selectionStart() + 1);
    return at.charFormat();
}

struct TextCase {
    const char* rtf;
    const char* text;
};

TEST(RtfReaderText, ReadsTheCharactersOfTheSubset)
{
    const TextCase cases[] = {
        {"{\\rtf1 Hello world.}", "Hello world."},
        {"{\\rtf1 one\\par two\\par three}", "one\ntwo\nthree"},
        {"{\\rtf1 line\\line break}", "line\xe2\x80\xa8" "break"},
        {"{\\rtf1 a\\tab b}", "a\tb"},
        // A blank after a control word belongs to it; a second one is text.
        {"{\\rtf1 \\b  bold}", " bold"},
        {"{\\rtf1 back\\\\slash \\{braces\\}}", "back\\slash {braces}"},
        {"{\\rtf1 caf\\'e9 \\'93quoted\\'94 \\'97 5\\'d73}",
         "caf\xc3\xa9 \xe2\x80\x9cquoted\xe2\x80\x9d \xe2\x80\x94 5\xc3\x97" "3"},
        {"{\\rtf1 \\u8364? and \\uc2\\u955 xx!}", "\xe2\x82\xac and \xce\xbb!"},
        {"{\\rtf1 \\u-4064 x}", "\xef\x80\xa0"},
        {"{\\rtf1 non\\~breaking opt\\-ional}", "non\xc2\xa0" "breaking optional"},
        // Source line ends are no text; a backslash before one is a paragraph.
        {"{\\rtf1 joined\r\ntext\\\nnext}", "joinedtext\nnext"},
        {"{\\rtf1 \\bullet \\endash \\emdash \\lquote\\rquote}", "\xe2\x80\xa2\xe2\x80\x93\xe2\x80\x94\xe2\x80\x98\xe2\x80\x99"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(plain(c.rtf).toStdString(), c.text) << c.rtf;
}

TEST(RtfReaderText, TablesAndUnknownDestinationsShowNothing)
{
    const TextCase cases[] = {
        {"{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1 Courier New;}}{\\colortbl;\\red255\\green0\\blue0;}Body}", "Body"},
        {"{\\rtf1{\\info{\\title A title}{\\author Someone}}Body}", "Body"},
        {"{\\rtf1{\\stylesheet{\\s0 Normal;}}Body}", "Body"},
        {"{\\rtf1{\\*\\generator Writer 1.0;}{\\*\\unknowndest secret}Body}", "Body"},
        {"{\\rtf1 Body{\\pict\\bin4 {}}x} tail}", "Body tail"},
        {"{\\rtf1 \\unknownword12 Body}", "Body"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(plain(c.rtf).toStdString(), c.text) << c.rtf;
}

TEST(RtfReaderText, MalformedInputStillLoads)
{
    const TextCase cases[] = {
        {"", ""},
        {"plain text, no header", "plain text, no header"},
        {"{\\rtf1 unclosed {\\b group", "unclosed group"},
        {"{\\rtf1 extra}} closing}", "extra closing"},
        {"{\\rtf1 trailing backslash\\", "trailing backslash"},
        {"{\\rtf1 bad hex \\'zz end}", "bad hex zz end"},
        {"{\\rtf1 \\fs-99999999999999 big \\fs0 zero}", "big zero"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(plain(c.rtf).toStdString(), c.text) << c.rtf;
}

TEST(RtfReaderFormat, BoldItalicUnderlineAndSizesFollowGroupsAndSwitches)
{
    QTextDocument d;
    RtfReader::read("{\\rtf1\\fs20 normal {\\b bold {\\i both} boldonly} "
                    "\\ul under\\ul0  off \\i it\\i0  plainagain {\\fs32 big} after \\b switched\\b0  done "
                    "\\ul u2\\ulnone  n2 \\b\\i\\fs40 x \\plain reset}",
                    d);
    auto check = [&](const char* word, bool bold, bool italic, bool underline, double points) {
        const QTextCharFormat f = formatOf(d, QString::fromLatin1(word));
        EXPECT_EQ(f.fontWeight() == QFont::Bold, bold) << word;
        EXPECT_EQ(f.fontItalic(), italic) << word;
        EXPECT_EQ(f.fontUnderline(), underline) << word;
        EXPECT_DOUBLE_EQ(f.fontPointSize(), points) << word;
    };
    check("normal", false, false, false, 10);
    check("bold", true, false, false, 10);
    check("both", true, true, false, 10);
    check("boldonly", true, false, false, 10);
    check("under", false, false, true, 10);
    check("off", false, false, false, 10);
    check("it", false, true, false, 10);
    check("plainagain", false, false, false, 10);
    check("big", false, false, false, 16);
    check("after", false, false, false, 10);
    check("switched", true, false, false, 10);
    check("done", false, false, false, 10);
    check("u2", false, false, true, 10);
    check("n2", false, false, false, 10);
    check("reset", false, false, false, 12);  // \plain: the 12-point default
}

TEST(RtfReaderFormat, FontsAndColoursComeFromTheirTables)
{
    QTextDocument d;
    RtfReader::read("{\\rtf1\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
                    "{\\colortbl;\\red0\\green0\\blue128;\\red200\\green10\\blue20;}"
                    "first {\\f1 mono} {\\cf2 red} {\\cf1 navy} {\\cf9 unknown}}",
                    d);
    EXPECT_EQ(formatOf(d, "first").fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_EQ(formatOf(d, "mono").fontFamilies().toStringList(), QStringList{"Courier New"});
    EXPECT_EQ(formatOf(d, "red").foreground().color(), QColor(200, 10, 20));
    EXPECT_EQ(formatOf(d, "navy").foreground().color(), QColor(0, 0, 128));
    EXPECT_EQ(formatOf(d, "unknown").foreground().style(), Qt::NoBrush);
}

TEST(RtfReaderFormat, ParagraphPropertiesApplyToTheParagraphTheyEnd)
{
    QTextDocument d;
    RtfReader::read("{\\rtf1 \\qc centred\\par \\pard\\li720\\fi-360\\sb120\\sa240 indented\\par"
                    "\\pard\\qr right\\par \\pard plain}",
                    d);
    ASSERT_EQ(d.blockCount(), 4);
    const QTextBlock centred = d.findBlockByNumber(0);
    EXPECT_EQ(centred.text(), "centred");
    EXPECT_EQ(centred.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    const QTextBlockFormat indented = d.findBlockByNumber(1).blockFormat();
    EXPECT_DOUBLE_EQ(indented.leftMargin(), 48);  // 720 twips = half an inch = 48 pixels
    EXPECT_DOUBLE_EQ(indented.textIndent(), -24);
    EXPECT_DOUBLE_EQ(indented.topMargin(), 8);
    EXPECT_DOUBLE_EQ(indented.bottomMargin(), 16);
    EXPECT_EQ(d.findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    const QTextBlockFormat last = d.findBlockByNumber(3).blockFormat();
    EXPECT_EQ(last.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_DOUBLE_EQ(last.leftMargin(), 0);
}

TEST(RtfReaderFile, AMissingFileLeavesAnEmptyDocumentAndSaysWhy)
{
    QTemporaryDir dir;
    QTextDocument d;
    d.setPlainText("old text");
    QString error;
    EXPECT_FALSE(RtfReader::loadFile(dir.filePath("help.rtf"), d, &error));
    EXPECT_TRUE(d.isEmpty());
    EXPECT_TRUE(error.startsWith("Cannot open file \"" + dir.filePath("help.rtf") + "\".")) << error.toStdString();
}

TEST(RtfReaderFile, TheShippedHelpFileReadsCleanly)
{
    QTextDocument d;
    QString error;
    ASSERT_TRUE(RtfReader::loadFile(ORVANTA_SOURCE_DIR "/frontend/help.rtf", d, &error)) << error.toStdString();
    const QString text = d.toPlainText();
    // Every setting of the window is explained, and no RTF syntax leaks into the text.
    for (const char* word : {"Sources data", "Mixture data", "Output files directory", "Output files prefix",
                             "Seed 0", "Seed 1", "Generation", "Shutdown system when finished",
                             "Sample size", "Thinning interval", "Burn-in period", "Epsilon values",
                             "Not useful parameters", "Sources alleles frequences",
                             "Variance for loglinear model for mu", "AlphaX variance proposal",
                             "Gamma parameter aTau", "Algorithm", "Initial model", "Program name",
                             "UP.out", ".art", "NP.out", "_P_source_", "Done !", "Aborted !", "Failed !"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(word))) << word;
    EXPECT_FALSE(text.contains('\\'));
    EXPECT_FALSE(text.contains('{'));
    EXPECT_FALSE(text.contains('}'));
    EXPECT_FALSE(text.contains("Arial"));
    EXPECT_TRUE(formatOf(d, "1. The data files").fontWeight() == QFont::Bold);
}

}  // namespace
