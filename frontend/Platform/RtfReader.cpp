#include "Platform/RtfReader.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QVector>

#include <cctype>

namespace {

// Twips (1/1440 inch) to the document's pixels at 96 per inch.
double twips(int value)
{
    return value / 15.0;
}

// The Windows code page bytes 0x80 to 0x9F; the rest of the upper half is Latin-1.
QChar cp1252(unsigned char byte)
{
    static const char16_t high[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
        0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(high[byte - 0x80]);
    return QChar(byte);
}

enum class Destination { Text, FontTable, ColorTable, Skip };

struct State {
    Destination destination = Destination::Text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24;
    int font = -1;
    int color = 0;
    int unicodeSkip = 1;
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
};

class Parser {
public:
    Parser(const QByteArray& rtf, QTextDocument& document)
        : in_(rtf), document_(document), cursor_(&document)
    {
    }

    void run()
    {
        document_.clear();
        cursor_ = QTextCursor(&document_);
        while (pos_ < in_.size()) {
            const char c = in_[pos_++];
            if (c == '{') {
                flush();
                stack_.push_back(state_);
            } else if (c == '}') {
                flush();
                if (!stack_.isEmpty())
                    state_ = stack_.takeLast();
            } else if (c == '\\') {
                controlSequence();
            } else if (c == '\r' || c == '\n') {
                // Line ends in the source carry no meaning.
            } else if (c == '\t') {
                character(QChar('\t'));
            } else {
                character(cp1252(static_cast<unsigned char>(c)));
            }
        }
        flush();
        cursor_.setBlockFormat(blockFormat());
    }

private:
    void controlSequence()
    {
        if (pos_ >= in_.size())
            return;
        const char c = in_[pos_];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            controlSymbol(c);
            return;
        }
        QByteArray word;
        while (pos_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[pos_])))
            word += in_[pos_++];
        bool hasParameter = false;
        long parameter = 0;
        bool negative = false;
        if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size()
            && std::isdigit(static_cast<unsigned char>(in_[pos_ + 1]))) {
            negative = true;
            ++pos_;
        }
        while (pos_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[pos_]))) {
            hasParameter = true;
            if (parameter < 100000000)
                parameter = parameter * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (negative)
            parameter = -parameter;
        // One blank after a control word belongs to it.
        if (pos_ < in_.size() && in_[pos_] == ' ')
            ++pos_;
        controlWord(word, hasParameter, static_cast<int>(parameter));
    }

    void controlSymbol(char c)
    {
        switch (c) {
        case '\\':
        case '{':
        case '}':
            character(QChar(c));
            break;
        case '~':
            character(QChar(0x00A0));
            break;
        case '_':
            character(QChar(0x2011));
            break;
        case '-':  // optional hyphen
            break;
        case '*':
            // An ignorable destination: none of them is shown.
            flush();
            state_.destination = Destination::Skip;
            break;
        case '\'': {
            int value = 0;
            int digits = 0;
            while (digits < 2 && pos_ < in_.size()
                   && std::isxdigit(static_cast<unsigned char>(in_[pos_]))) {
                const char h = static_cast<char>(std::tolower(static_cast<unsigned char>(in_[pos_++])));
                value = value * 16 + (h <= '9' ? h - '0' : h - 'a' + 10);
                ++digits;
            }
            if (digits > 0)
                character(cp1252(static_cast<unsigned char>(value)));
            break;
        }
        case '\r':
        case '\n':
            paragraph();
            break;
        default:
            break;
        }
    }

    void controlWord(const QByteArray& w, bool has, int n)
    {
        // Destinations first: they change where the following text goes.
        static const char* const skipped[] = {
            "info", "stylesheet", "pict", "header", "footer", "headerl", "headerr", "headerf",
            "footerl", "footerr", "footerf", "object", "fldinst", "footnote", "listtable",
            "listoverridetable", "rsidtbl", "generator", "themedata", "colorschememapping",
            "latentstyles", "datastore", "xmlnstbl", "mmathPr", "filetbl", "revtbl", "falt"};
        for (const char* s : skipped) {
            if (w == s) {
                flush();
                state_.destination = Destination::Skip;
                return;
            }
        }
        if (w == "bin") {
            // Binary data: skip its bytes whatever they are.
            pos_ += has && n > 0 ? n : 0;
            return;
        }
        if (w == "fonttbl") {
            flush();
            state_.destination = Destination::FontTable;
            return;
        }
        if (w == "colortbl") {
            flush();
            state_.destination = Destination::ColorTable;
            return;
        }
        if (state_.destination == Destination::Skip)
            return;
        if (state_.destination == Destination::FontTable) {
            if (w == "f")
                tableFont_ = n;
            return;
        }
        if (state_.destination == Destination::ColorTable) {
            if (w == "red")
                red_ = n;
            else if (w == "green")
                green_ = n;
            else if (w == "blue")
                blue_ = n;
            return;
        }

        const bool on = !has || n != 0;
        if (w == "par" || w == "page" || w == "sect")
            paragraph();
        else if (w == "line")
            character(QChar::LineSeparator);
        else if (w == "tab")
            character(QChar('\t'));
        else if (w == "bullet")
            character(QChar(0x2022));
        else if (w == "endash")
            character(QChar(0x2013));
        else if (w == "emdash")
            character(QChar(0x2014));
        else if (w == "lquote")
            character(QChar(0x2018));
        else if (w == "rquote")
            character(QChar(0x2019));
        else if (w == "ldblquote")
            character(QChar(0x201C));
        else if (w == "rdblquote")
            character(QChar(0x201D));
        else if (w == "u" && has) {
            character(QChar(static_cast<char16_t>(n < 0 ? n + 65536 : n)));
            skipFallback(state_.unicodeSkip);
        } else if (w == "uc" && has)
            state_.unicodeSkip = n < 0 ? 0 : n;
        else
            formatting(w, has, n, on);
    }

    void formatting(const QByteArray& w, bool has, int n, bool on)
    {
        flush();
        if (w == "b")
            state_.bold = on;
        else if (w == "i")
            state_.italic = on;
        else if (w == "ul")
            state_.underline = on;
        else if (w == "ulnone")
            state_.underline = false;
        else if (w == "fs" && has && n > 0)
            state_.halfPoints = n;
        else if (w == "f" && has)
            state_.font = n;
        else if (w == "deff" && has)
            defaultFont_ = n;
        else if (w == "cf" && has)
            state_.color = n;
        else if (w == "plain") {
            state_.bold = state_.italic = state_.underline = false;
            state_.halfPoints = 24;
            state_.font = -1;
            state_.color = 0;
        } else if (w == "pard") {
            state_.alignment = Qt::AlignLeft;
            state_.leftIndent = state_.rightIndent = state_.firstIndent = 0;
            state_.spaceBefore = state_.spaceAfter = 0;
        } else if (w == "ql")
            state_.alignment = Qt::AlignLeft;
        else if (w == "qr")
            state_.alignment = Qt::AlignRight;
        else if (w == "qc")
            state_.alignment = Qt::AlignHCenter;
        else if (w == "qj")
            state_.alignment = Qt::AlignJustify;
        else if (w == "li" && has)
            state_.leftIndent = n;
        else if (w == "ri" && has)
            state_.rightIndent = n;
        else if (w == "fi" && has)
            state_.firstIndent = n;
        else if (w == "sb" && has)
            state_.spaceBefore = n;
        else if (w == "sa" && has)
            state_.spaceAfter = n;
    }

    // Skips the fallback characters that follow a \u character.
    void skipFallback(int count)
    {
        while (count > 0 && pos_ < in_.size()) {
            const char c = in_[pos_];
            if (c == '{' || c == '}')
                return;
            if (c == '\\') {
                if (pos_ + 1 < in_.size() && in_[pos_ + 1] == '\'') {
                    pos_ += 2;
                    for (int d = 0; d < 2 && pos_ < in_.size()
                                    && std::isxdigit(static_cast<unsigned char>(in_[pos_]));
                         ++d)
                        ++pos_;
                } else {
                    return;  // a control word ends the fallback
                }
            } else {
                ++pos_;
            }
            --count;
        }
    }

    void character(QChar c)
    {
        switch (state_.destination) {
        case Destination::Text:
            if (pendingFormat_ != currentCharFormat())
                flush();
            pending_ += c;
            break;
        case Destination::FontTable:
            if (c == QLatin1Char(';')) {
                fonts_[tableFont_] = fontName_.trimmed();
                fontName_.clear();
            } else {
                fontName_ += c;
            }
            break;
        case Destination::ColorTable:
            if (c == QLatin1Char(';')) {
                colors_.push_back(red_ < 0 ? QColor() : QColor(red_, green_, blue_));
                red_ = green_ = blue_ = -1;
            }
            break;
        case Destination::Skip:
            break;
        }
    }

    void paragraph()
    {
        if (state_.destination != Destination::Text)
            return;
        flush();
        cursor_.setBlockFormat(blockFormat());
        cursor_.insertBlock();
    }

    void flush()
    {
        if (!pending_.isEmpty())
            cursor_.insertText(pending_, pendingFormat_);
        pending_.clear();
        pendingFormat_ = currentCharFormat();
    }

    QTextCharFormat currentCharFormat() const
    {
        QTextCharFormat f;
        f.setFontWeight(state_.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(state_.italic);
        f.setFontUnderline(state_.underline);
        f.setFontPointSize(state_.halfPoints / 2.0);
        const int font = state_.font >= 0 ? state_.font : defaultFont_;
        const auto name = fonts_.constFind(font);
        if (name != fonts_.constEnd() && !name->isEmpty())
            f.setFontFamilies({*name});
        if (state_.color > 0 && state_.color < colors_.size() && colors_[state_.color].isValid())
            f.setForeground(colors_[state_.color]);
        return f;
    }

    QTextBlockFormat blockFormat() const
    {
        QTextBlockFormat f;
        f.setAlignment(state_.alignment);
        f.setLeftMargin(twips(state_.leftIndent));
        f.setRightMargin(twips(state_.rightIndent));
        f.setTextIndent(twips(state_.firstIndent));
        f.setTopMargin(twips(state_.spaceBefore));
        f.setBottomMargin(twips(state_.spaceAfter));
        return f;
    }

    const QByteArray& in_;
    qsizetype pos_ = 0;
    QTextDocument& document_;
    QTextCursor cursor_;
    State state_;
    QVector<State> stack_;
    QString pending_;
    QTextCharFormat pendingFormat_;
    QHash<int, QString> fonts_;
    int tableFont_ = 0;
    int defaultFont_ = 0;
    QString fontName_;
    QVector<QColor> colors_;
    int red_ = -1;
    int green_ = -1;
    int blue_ = -1;
};

}  // namespace

namespace RtfReader {

void read(const QByteArray& rtf, QTextDocument& document)
{
    Parser(rtf, document).run();
}

bool loadFile(const QString& path, QTextDocument& document, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        document.clear();
        if (error)
            *error = QStringLiteral("Cannot open file \"%1\". %2.")
                         .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    read(file.readAll(), document);
    return true;
}

}  // namespace RtfReader
