#include "common/terminal_text.h"

#include <gtest/gtest.h>

TEST(TerminalText, ControlsAndBrokenUtf8AreShownAsBytes)
{
    EXPECT_EQ(EscapeControls("a\x1b[2Jb\tc\nd\x7f"), "a\\x1b[2Jb\tc\nd\\x7f");
    EXPECT_EQ(EscapeControls("\xc2\x9b" "1m \xc3\xa9 \xe2\x82\xac"), "\\xc2\\x9b1m \xc3\xa9 \xe2\x82\xac");  // C1 CSI; é and €
    EXPECT_EQ(EscapeControls("\x9b\xe9\xc3"), "\\x9b\\xe9\\xc3");  // not UTF-8
    EXPECT_EQ(EscapeControls(std::string("\0x", 2)), "\\x00x");
}

TEST(TerminalText, EchoesAreCutOnCharacters)
{
    EXPECT_EQ(CutForEcho("short"), "short");
    EXPECT_EQ(CutForEcho(std::string(kEchoChars, 'x')), std::string(kEchoChars, 'x'));
    EXPECT_EQ(CutForEcho(std::string(10 << 20, 'x')), std::string(kEchoChars, 'x') + "...");
    EXPECT_EQ(CutForEcho("\xc3\xa9\xc3\xa9\xc3\xa9", 2), "\xc3\xa9\xc3\xa9...");
}
