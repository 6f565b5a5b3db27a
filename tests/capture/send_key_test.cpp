#include "capture/send_key.h"

#include "tests/fakes/fake_key_injector.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

// The modifiers held for the next key are one set for the whole program, so every test
// starts and ends with none held: a plain key lets them go.
class SendKey : public ::testing::Test {
protected:
    void SetUp() override { LetGoOfHeldModifiers(); }
    void TearDown() override {
        TSendKey::SetTokensOnly(false);
        LetGoOfHeldModifiers();
    }
    static void LetGoOfHeldModifiers() {
        TRecordingKeyInjector scratch;
        TSendKey(scratch).SendKeys("a");
    }

    // The log as one line: "+Ctrl +C -C -Ctrl".
    QString Sent() const { return Keyboard.Log.join(' '); }
    // The error text of sending the text, empty when it went through.
    QString ErrorOf(const QString& text) {
        try {
            Send.SendKeys(text);
        } catch (const ESendKeyError& error) {
            return error.what();
        }
        return {};
    }

    TRecordingKeyInjector Keyboard;
    TSendKey Send{Keyboard};
};

} // namespace

TEST_F(SendKey, TextsPressTheirKeysInOrder) {
    struct Case {
        const char* Text;
        const char* Sent;
    };
    const Case cases[] = {
        {"{PRTSC}", "+PrtSc -PrtSc"},
        {"{prtsc}", "+PrtSc -PrtSc"},
        {"^c", "+Ctrl +C -C -Ctrl"},
        {"A", "+Shift +A -A -Shift"},
        {"ab", "+A -A +B -B"},
        {"{ALT}{F4}", "+Alt +F4 -F4 -Alt"},
        {"{MENU}", "+Alt -Alt"},
        {"{F1}{F12}", "+F1 -F1 +F12 -F12"},
        // A Shift held by "~" goes down and up twice around the key.
        {"~a", "+Shift +Shift +A -A -Shift -Shift"},
        {"@^~{Tab}", "+Alt +Ctrl +Shift +Shift +Tab -Tab -Shift -Shift -Ctrl -Alt"},
        {"{Ctrl}{shift}{End}", "+Ctrl +Shift +Shift +End -End -Shift -Shift -Ctrl"},
        // Ctrl held by the text wins over the Shift of a capital.
        {"^A", "+Ctrl +A -A -Ctrl"},
        // Each modifier is held for the next key only.
        {"^ab", "+Ctrl +A -A -Ctrl +B -B"},
        {"{L}{R}{UP}{DN}{DOWN}", "+Left -Left +Right -Right +Up -Up +Down -Down +Down -Down"},
        {"{DEL}{DELETE}{INSERT}", "+Del -Del +Del -Del +Ins -Ins"},
        {"{HOME}{PGUP}{PGDN}{SPACE}", "+Home -Home +PgUp -PgUp +PgDn -PgDn +Space -Space"},
        {"{ENTER}{BKSP}{ESC}{ESCAPE}", "+Enter -Enter +Bksp -Bksp +Esc -Esc +Esc -Esc"},
        // A brace alone types the brace.
        {"{", "+Shift +[ -[ -Shift"},
        {"}", "+Shift +] -] -Shift"},
        // The layout's third and fourth level: AltGr, and AltGr with Shift.
        {"€", "+AltGr +E -E -AltGr"},
        {"¿", "+Shift +AltGr +Shift +/ -/ -Shift -Shift -AltGr"},
        {"^€", "+Ctrl +AltGr +E -E -Ctrl -AltGr"},
        // A character no key of the layout types is left out, with what was held for it.
        {"☃b", "+B -B"},
        {"^☃b", "+B -B"},
    };
    for (const Case& c : cases) {
        Keyboard.Log.clear();
        EXPECT_EQ(Send.SendKeys(QString::fromUtf8(c.Text)), 0) << c.Text;
        EXPECT_EQ(Sent(), c.Sent) << c.Text;
    }
}

TEST_F(SendKey, FaultyTextsSayWhyAfterTheKeysBeforeTheFault) {
    struct Case {
        const char* Text;
        const char* Error;
        const char* Sent; // before the fault
    };
    const Case cases[] = {
        {"{FOO}", "Invalid token", ""},
        {"{PRTSCRN}", "Invalid token", ""},
        {"{PRINTSCR}", "No Closing brackets", ""},
        {"a}", "Invalid token", "+A -A"},
        {"}}", "Invalid token", ""},
        {"{}", "Invalid token", ""},
        {"{{}", "Invalid token", ""},
        {"{PRTSC", "No Closing brackets", ""},
        {"x{", "No Closing brackets", "+X -X"},
        {"{ENTER}{F4", "No Closing brackets", "+Enter -Enter"},
        {"{F4}}{F5}", "Invalid token", "+F4 -F4"},
        // Names are plain ASCII: the long s is not an "S".
        {"{ſhift}", "Invalid token", ""},
    };
    for (const Case& c : cases) {
        Keyboard.Log.clear();
        EXPECT_EQ(ErrorOf(QString::fromUtf8(c.Text)), c.Error) << c.Text;
        EXPECT_EQ(Sent(), c.Sent) << c.Text;
    }
}

TEST_F(SendKey, EmptyTextSendsNothing) {
    EXPECT_EQ(Send.SendKeys(""), -1);
    EXPECT_EQ(Send.SendKeysToWindow("", 0), -1);
    EXPECT_TRUE(Keyboard.Log.isEmpty());
}

TEST_F(SendKey, HeldModifiersCarryOverToTheNextTextOfAnySender) {
    EXPECT_EQ(Send.SendKeys("^"), 0);
    EXPECT_TRUE(Keyboard.Log.isEmpty());
    TRecordingKeyInjector otherKeyboard;
    TSendKey other(otherKeyboard);
    other.SendKeys("c");
    EXPECT_EQ(otherKeyboard.Log.join(' '), "+Ctrl +C -C -Ctrl");

    // A fault does not let go of what was held before it.
    EXPECT_EQ(ErrorOf("~{FOO}"), "Invalid token");
    other.SendKeys("x");
    EXPECT_EQ(otherKeyboard.Log.mid(4).join(' '), "+Shift +Shift +X -X -Shift -Shift");
}

TEST_F(SendKey, TokensOnlyMakesTheModifierSignsPlainCharacters) {
    TSendKey::SetTokensOnly(true);
    TRecordingKeyInjector otherKeyboard;
    TSendKey other(otherKeyboard);
    EXPECT_TRUE(TSendKey::TokensOnly());
    other.SendKeys("^c~{F4}");
    EXPECT_EQ(otherKeyboard.Log.join(' '), "+Shift +6 -6 -Shift +C -C +Shift +` -` -Shift +F4 -F4");
}

TEST_F(SendKey, KeyboardFailureLeavesNoKeyDown) {
    struct Case {
        const char* Text;
        int FailAt;
        const char* Sent;
    };
    const Case cases[] = {
        // The key itself fails to go down: the two Shifts come up again.
        {"~a", 3, "+Shift +Shift -Shift -Shift"},
        // The key fails to come up: it is released once more, then Ctrl.
        {"^c", 3, "+Ctrl +C -C -Ctrl"},
        // AltGr fails to come up, after everything else did.
        {"€", 4, "+AltGr +E -E -AltGr"},
    };
    for (const Case& c : cases) {
        TRecordingKeyInjector keyboard;
        keyboard.FailAtEvent = c.FailAt;
        TSendKey send(keyboard);
        EXPECT_THROW(send.SendKeys(QString::fromUtf8(c.Text)), std::runtime_error) << c.Text;
        EXPECT_EQ(keyboard.Log.join(' '), c.Sent) << c.Text;
        // Nothing stays held for the next key either.
        keyboard.Log.clear();
        send.SendKeys("b");
        EXPECT_EQ(keyboard.Log.join(' '), "+B -B") << c.Text;
    }
}

TEST_F(SendKey, ToWindowBringsTheWindowToTheFrontFirst) {
    EXPECT_EQ(Send.SendKeysToWindow("{PRTSC}", 42), 0);
    EXPECT_EQ(Sent(), "front 42 +PrtSc -PrtSc");

    // No window: the keys go wherever the focus is; a window that will not come to the
    // front does not keep them back.
    Keyboard.Log.clear();
    Send.SendKeysToWindow("{PRTSC}", 0);
    Keyboard.FrontSucceeds = false;
    Send.SendKeysToWindow("{PRTSC}", 7);
    EXPECT_EQ(Sent(), "+PrtSc -PrtSc front 7 +PrtSc -PrtSc");
}

TEST_F(SendKey, PendingEventsAreHandledBeforeItReturns) {
    // A hot key the keys pressed arrives as an event; it runs before SendKeys returns.
    bool handled = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { handled = true; }, Qt::QueuedConnection);
    Send.SendKeys("{PRTSC}");
    EXPECT_TRUE(handled);
}
