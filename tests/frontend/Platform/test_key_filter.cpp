#include "Platform/KeyFilter.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

using Kind = KeyFilter::Kind;

struct KeyCase {
    const char* what;
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* text;
    bool integerPasses;
    bool realPasses;
};

const KeyCase kKeyCases[] = {
    {"digit 0", Qt::Key_0, Qt::NoModifier, "0", true, true},
    {"digit 9", Qt::Key_9, Qt::NoModifier, "9", true, true},
    {"keypad digit", Qt::Key_5, Qt::KeypadModifier, "5", true, true},
    {"point", Qt::Key_Period, Qt::NoModifier, ".", false, true},
    {"keypad point", Qt::Key_Period, Qt::KeypadModifier, ".", false, true},
    {"comma", Qt::Key_Comma, Qt::NoModifier, ",", false, false},
    {"minus", Qt::Key_Minus, Qt::NoModifier, "-", false, false},
    {"plus", Qt::Key_Plus, Qt::ShiftModifier, "+", false, false},
    {"letter", Qt::Key_A, Qt::NoModifier, "a", false, false},
    {"capital E", Qt::Key_E, Qt::ShiftModifier, "E", false, false},
    {"blank", Qt::Key_Space, Qt::NoModifier, " ", false, false},
    {"accented letter", Qt::Key_Eacute, Qt::NoModifier, "\xc3\xa9", false, false},
    {"backspace", Qt::Key_Backspace, Qt::NoModifier, "\b", true, true},
    {"delete", Qt::Key_Delete, Qt::NoModifier, "\x7f", true, true},
    {"left arrow", Qt::Key_Left, Qt::NoModifier, "", true, true},
    {"right arrow", Qt::Key_Right, Qt::NoModifier, "", true, true},
    {"home", Qt::Key_Home, Qt::NoModifier, "", true, true},
    {"end", Qt::Key_End, Qt::NoModifier, "", true, true},
    {"shift+end selects", Qt::Key_End, Qt::ShiftModifier, "", true, true},
    {"tab", Qt::Key_Tab, Qt::NoModifier, "\t", true, true},
    {"return", Qt::Key_Return, Qt::NoModifier, "\r", true, true},
    {"escape", Qt::Key_Escape, Qt::NoModifier, "\x1b", true, true},
    {"copy", Qt::Key_C, Qt::ControlModifier, "\x03", true, true},
    {"cut", Qt::Key_X, Qt::ControlModifier, "\x18", true, true},
    {"select all", Qt::Key_A, Qt::ControlModifier, "\x01", true, true},
    {"undo", Qt::Key_Z, Qt::ControlModifier, "\x1a", true, true},
    {"select all with its letter as text", Qt::Key_A, Qt::ControlModifier, "a", true, true},
    {"Ctrl+Alt typing a character", Qt::Key_At, Qt::ControlModifier | Qt::AltModifier, "@", false, false},
    {"Alt+digit", Qt::Key_1, Qt::AltModifier, "1", true, true},
    {"paste", Qt::Key_V, Qt::ControlModifier, "\x16", false, false},
    {"shift+insert pastes", Qt::Key_Insert, Qt::ShiftModifier, "", false, false},
    {"a digit and a letter at once", Qt::Key_unknown, Qt::NoModifier, "1a", false, false},
};

TEST(KeyFilterTable, LetsThroughDigitsEditingAndNavigationOnly)
{
    for (const KeyCase& c : kKeyCases) {
        const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers, QString::fromUtf8(c.text));
        EXPECT_EQ(KeyFilter::allows(Kind::Integer, event), c.integerPasses) << "integer: " << c.what;
        EXPECT_EQ(KeyFilter::allows(Kind::Real, event), c.realPasses) << "real: " << c.what;
    }
}

struct TypingCase {
    Kind kind;
    const char* typed;
    const char* result;
};

TEST(KeyFilterInAnEdit, TypedCharactersOutsideTheSetAreDiscarded)
{
    const TypingCase cases[] = {
        {Kind::Integer, "12a-3,4.5 6", "123456"},
        {Kind::Integer, "0.5", "05"},
        {Kind::Real, "0.5", "0.5"},
        {Kind::Real, "-1,5e3", "153"},
        {Kind::Real, "1.2.3", "1.2.3"},  // several points pass; the run start catches them
        {Kind::Real, "abc", ""},
    };
    for (const TypingCase& c : cases) {
        QLineEdit edit;
        KeyFilter filter(c.kind);
        filter.attach(&edit);
        QTest::keyClicks(&edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(edit.text().toStdString(), c.result) << c.typed;
    }
}

TEST(KeyFilterInAnEdit, EditingAndNavigationKeysKeepWorking)
{
    QLineEdit edit;
    KeyFilter filter(Kind::Integer);
    filter.attach(&edit);
    QTest::keyClicks(&edit, "2345");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "234");
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClicks(&edit, "1");
    EXPECT_EQ(edit.text(), "1234");
    QTest::keyClick(&edit, Qt::Key_Right);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), "124");
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClicks(&edit, "9");
    EXPECT_EQ(edit.text(), "1294");
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "");
}

TEST(KeyFilterInAnEdit, PastingCannotBringInOtherCharacters)
{
    QLineEdit edit;
    KeyFilter filter(Kind::Real);
    filter.attach(&edit);
    QApplication::clipboard()->setText("abc-1");
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "");
    EXPECT_EQ(edit.contextMenuPolicy(), Qt::NoContextMenu);
    EXPECT_FALSE(edit.acceptDrops());
}

}  // namespace
