// Lyric text to timing-list entries: the marks the user types (hyphens, blanks,
// line breaks, "/" lines) and the characters the sync file cannot hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/textconvert.h"

using textconvert::normaliseLyricText;
using textconvert::textToEntries;
using V = std::vector<std::string>;

TEST(TextToEntries, HyphensAndBlanksCutSyllables)
{
    EXPECT_EQ(textToEntries("Chan-te le mot\r\n", true), (V{"Chan;0", "te ;0", "le ;0", "mot;0_"}));
    // Without splitting at blanks only hyphens and line ends cut.
    EXPECT_EQ(textToEntries("Chan-te le mot\r\n", false), (V{"Chan;0", "te le mot;0_"}));
    // Two lines, each closed by its line end.
    EXPECT_EQ(textToEntries("la-la\r\nHel-lo you\r\n", true), (V{"la;0", "la;0_", "Hel;0", "lo ;0", "you;0_"}));
}

TEST(TextToEntries, SeparatorsOfTheFileAreReplaced)
{
    EXPECT_EQ(textToEntries("a_b;c\r\n", true), (V{"a-b,c;0_"}));
}

TEST(TextToEntries, SlashTakesTheRestOfTheLineWhole)
{
    EXPECT_EQ(textToEntries("/Refrain ici\r\n", true), (V{"Refrain ici;0_"}));
    EXPECT_EQ(textToEntries("x-/y z\r\n", true), (V{"x;0", "y z;0_"}));
    EXPECT_EQ(textToEntries("/a-b c\r\nd\r\n", true), (V{"a-b c;0_", "d;0_"}));
}

TEST(TextToEntries, EmptyLinesAndExtraBlanks)
{
    // An empty line is an empty lyric line.
    EXPECT_EQ(textToEntries("a\r\n\r\nb\r\n", true), (V{"a;0_", ";0_", "b;0_"}));
    // A second blank in a row and blanks that start a line give no entry.
    EXPECT_EQ(textToEntries("le  mot\r\n  ici\r\n", true), (V{"le ;0", "mot;0_", "ici;0_"}));
    // Without blank splitting, leading blanks of a syllable are dropped.
    EXPECT_EQ(textToEntries("a-  b\r\n", false), (V{"a;0", "b;0_"}));
}

TEST(TextToEntries, AccentsAndBareLineFeeds)
{
    EXPECT_EQ(textToEntries("É-té à Noël\r\n", true), (V{"É;0", "té ;0", "à ;0", "Noël;0_"}));
    // Lines ended by LF alone keep their last letter.
    EXPECT_EQ(textToEntries("ab\ncd\n", true), (V{"ab;0_", "cd;0_"}));
}

TEST(TextToEntries, WholeTextStopsAtTheLastLineBreak)
{
    // Text after the last separator belongs to no piece unless it is a selection.
    EXPECT_EQ(textToEntries("a\r\nbc", true), (V{"a;0_"}));
    EXPECT_TRUE(textToEntries("", true).empty());
}

TEST(TextToEntries, SelectionEndsItsLastSyllable)
{
    // A selected part keeps its last syllable, whether or not blanks cut.
    EXPECT_EQ(textToEntries("Chan-te le mot", true, true), (V{"Chan;0", "te ;0", "le ;0", "mot;0"}));
    EXPECT_EQ(textToEntries("Chan-te le mot", false, true), (V{"Chan;0", "te le mot;0"}));
    // A selection that ends at a line end adds nothing after it and loses no letter.
    EXPECT_EQ(textToEntries("Chan-te\r\n", true, true), (V{"Chan;0", "te;0_"}));
    EXPECT_EQ(textToEntries("mot  ", true, true), (V{"mot ;0"}));
    // A "/" piece without a line end after it takes the rest of the selection.
    EXPECT_EQ(textToEntries("/tout ça", true, true), (V{"tout ça;0_"}));
}

TEST(TextToEntries, LongTextIsCutThroughout)
{
    // No length limit: a syllable far beyond 10,000 characters is still cut.
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "la-la ";
    text += "fin\r\n";
    const V e = textToEntries(text, true);
    ASSERT_EQ(e.size(), 6001u);
    EXPECT_EQ(e[5999], "la ;0");
    EXPECT_EQ(e.back(), "fin;0_");
}

TEST(NormaliseLyricText, TidiesBlanksAndEndsWithALineBreak)
{
    EXPECT_EQ(normaliseLyricText("  Hel-lo  \r\nworld   "), "Hel-lo\r\nworld\r\n");
    EXPECT_EQ(normaliseLyricText("a\r\n"), "a\r\n");
    EXPECT_EQ(normaliseLyricText("a\nb\n"), "a\r\nb\r\n");
    // Blanks only: one line break, which converts to one empty lyric line.
    EXPECT_EQ(normaliseLyricText("    "), "\r\n");
    EXPECT_EQ(textToEntries(normaliseLyricText("    "), true), (V{";0_"}));
    // Blanks at the end of the last line do not become an empty syllable.
    EXPECT_EQ(textToEntries(normaliseLyricText("abc   "), true), (V{"abc;0_"}));
    // An empty line inside the text stays.
    EXPECT_EQ(normaliseLyricText("a\r\n\r\nb"), "a\r\n\r\nb\r\n");
}

// ---- the editor's text pane

#include "editorplay_fixture.h"

namespace {

class TextPaneTest : public editortest::EditorPlayTest {
protected:
    Record& editor() { return openEditor("song.wav", testsupport::silentWav(3.0)); }
};

} // namespace

TEST_F(TextPaneTest, ConversionGoesAfterTheSelectionAndTheListKeepsItsLineEnd)
{
    Record& r = editor();
    setList({"a;1", "b;2", "c;3"}, 1);
    r.Text_TXT.setText("  Chan-te  ");
    r.Command_compil.press();
    EXPECT_EQ(r.Text_TXT.Text(), "Chan-te\r\n");
    EXPECT_EQ(items(), (V{"a;1", "b;2", "Chan;0", "te;0_", "c;3_"}));
    EXPECT_TRUE(Record::RecModified);

    // Ctrl mode: only the selected words, and the mode ends.
    r.Text_TXT.setText("un deux\r\ntrois\r\n");
    r.Text_TXT.setSelStart(0);
    r.Text_TXT.setSelLength(7);
    Record::RecCtrlMode = true;
    setList({}, -1);
    r.Command_compil.press();
    EXPECT_EQ(items(), (V{"un ;0", "deux;0_"}));
    EXPECT_FALSE(Record::RecCtrlMode);

    // Nothing while the song plays.
    r.Command_Play.press();
    r.Command_compil.press();
    EXPECT_EQ(items().size(), 2u);
}

TEST_F(TextPaneTest, TextFilesGoInAndOutUnchanged)
{
    Record& r = editor();
    dir.write("words.txt", "Hel-lo\r\nwörld\r\n");
    prompter->answerOpenFile(dir.file("words.txt"));
    r.Command_OpenTXT.press();
    EXPECT_EQ(r.Text_TXT.Text(), "Hel-lo\r\nwörld\r\n");
    // Saving adds no empty line to a text that ends with one.
    prompter->answerSaveFile(dir.file("copy.txt"));
    r.Command_SaveTXT.press();
    EXPECT_EQ(dir.read("copy.txt"), "Hel-lo\r\nw\xF6rld\r\n");
    EXPECT_TRUE(messages().empty());

    // Failures are told; the pane keeps its text on a failed open.
    prompter->answerMsgBox(vbOK);
    r.SaveText(r.Text_TXT, dir.file("no/such/folder.txt"));
    prompter->answerOpenFile(dir.file("absent.txt"));
    prompter->answerMsgBox(vbOK);
    r.Command_OpenTXT.press();
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[0].text, "An error occured!");
    EXPECT_EQ(messages()[1].text, "File Not Found");
    EXPECT_EQ(r.Text_TXT.Text(), "");
}

TEST_F(TextPaneTest, ASelectionIsCleanedAsTheWholeTextIs)
{
    Record& r = editor();
    // A selected part is cleaned as the whole text is: the blank before a
    // line break neither makes an empty lyric line nor takes the line end.
    const std::string text = "la vie \r\nen rose";
    r.Text_TXT.setText(text);
    setList({}, -1);
    r.Command_compil.press();
    const V whole = items();
    EXPECT_EQ(whole, (V{"la ;0", "vie;0_", "en ;0", "rose;0_"}));
    r.Text_TXT.setText(text);
    r.Text_TXT.setSelStart(0);
    r.Text_TXT.setSelLength(static_cast<int>(text.size()));
    Record::RecCtrlMode = true;
    setList({}, -1);
    r.Command_compil.press();
    EXPECT_EQ(items(), whole);
}
