// Questions to the user go through the prompter: tests script the answers
// and read back what was asked; pop-up menus choose through it too.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/prompter.h"

#include <gtest/gtest.h>

namespace {

using Kind = ScriptedPrompter::Kind;

TEST(Prompter, AnswersComeInOrderAndQuestionsAreRecorded)
{
    ScopedScriptedPrompter p;
    p->answerMsgBox(vbYes);
    p->answerOpenFile(std::string("/music/song.mp3"));
    p->answerColor(0x00FF00);
    p->answerInputBox(std::nullopt);

    EXPECT_EQ(MsgBox("Save the list?", vbYesNo + vbQuestion, "Save"), vbYes);
    FileDialogOptions o;
    o.title = "Open";
    o.filter = "Music Files (*.mp3,*.mid,*.kar,*.wav)|*.mp3;*.mid;*.kar;*.wav";
    o.initDir = "/music";
    EXPECT_EQ(prompter().openFile(o), std::optional<std::string>("/music/song.mp3"));
    EXPECT_EQ(prompter().chooseColor(0, cdlCCFullOpen), std::optional<long>(0x00FF00));
    EXPECT_EQ(InputBox("Name?", "", "x"), "");   // cancelled
    EXPECT_EQ(p->pending(), 0u);

    const auto& q = p->questions();
    ASSERT_EQ(q.size(), 4u);
    EXPECT_EQ(q[0].kind, Kind::MsgBox);
    EXPECT_EQ(q[0].text, "Save the list?");
    EXPECT_EQ(q[0].title, "Save");
    EXPECT_EQ(q[0].style, 36);
    EXPECT_EQ(q[1].kind, Kind::OpenFile);
    EXPECT_EQ(q[1].detail, "/music");
    EXPECT_EQ(q[3].detail, "x");
    EXPECT_TRUE(p->unexpected().empty());
}

TEST(Prompter, UnexpectedQuestionsGetTheCancelAnswerAndAreReported)
{
    ScopedScriptedPrompter p;
    p->answerSaveFile(std::string("/tmp/a.lst"));
    // The queued answer is for another kind of question: it stays queued.
    EXPECT_EQ(MsgBox("Sure?", vbYesNo), vbNo);
    EXPECT_EQ(MsgBox("Sure?", vbYesNoCancel), vbCancel);
    EXPECT_EQ(MsgBox("Done..."), vbOK);
    EXPECT_EQ(prompter().browseFolder("Folder", "/"), std::nullopt);
    EXPECT_EQ(p->pending(), 1u);
    EXPECT_EQ(p->unexpected().size(), 4u);
    EXPECT_EQ(prompter().saveFile({}), std::optional<std::string>("/tmp/a.lst"));
    EXPECT_EQ(p->unexpected().size(), 4u);
}

class ListWindow : public Form {
public:
    Menu popFeatures{this};
    Menu mnuView0{&popFeatures};
    Menu mnuView0_0{&mnuView0};
    Menu mnuView0_1{&mnuView0};
    Menu zzmnuSep1{&popFeatures};
    Menu mnuEdit{&popFeatures};
    Menu mnuDetect{&popFeatures};
    std::vector<std::string> clicks;
    ListWindow()
    {
        popFeatures.setCaption("Features");
        popFeatures.setVisible(false);
        mnuView0.setCaption("View");
        mnuView0_0.setCaption("List");
        mnuView0_1.setCaption("Details");
        zzmnuSep1.setCaption("-");
        mnuEdit.setCaption("Edit");
        mnuDetect.setCaption("Detect");
        mnuDetect.setEnabled(false);
        mnuView0_1.onClick([this] { clicks.push_back("Details"); });
        mnuEdit.onClick([this] { clicks.push_back("Edit"); });
        mnuDetect.onClick([this] { clicks.push_back("Detect"); });
    }
};

TEST(Prompter, PopupMenuRunsTheChosenItem)
{
    ScopedScriptedPrompter p;
    ListWindow w;
    p->answerPopup("Edit");
    p->answerPopup("View|Details");
    p->answerPopup("");
    p->answerPopup("Detect");   // disabled: nothing runs
    for (int i = 0; i < 4; ++i) w.PopupMenu(w.popFeatures);
    EXPECT_EQ(w.clicks, (std::vector<std::string>{"Edit", "Details"}));
    EXPECT_EQ(p->questions().size(), 4u);
    EXPECT_EQ(p->questions()[0].text, "Features");
    EXPECT_EQ(p->unexpected().size(), 1u);
    // A hidden top-level menu stays out of the menu bar.
    EXPECT_EQ(w.Height(), w.ScaleHeight() + w.frameHeightTwips());
}

} // namespace
