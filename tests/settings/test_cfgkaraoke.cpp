// The lyric display settings dialog driven as the user drives it, from the
// lyric window's settings button: the look it loads and previews on the real
// lyric windows (globals and surface pixels), what Save writes, and the revert
// of every other way of closing.
#include "settings/cfgkaraoke.h"

#include "core/modini.h"
#include "core/player.h"
#include "karaoke/ink.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "support/playerfixture.h"
#include "support/testdir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <QImage>
#include <QTest>

#include <map>
#include <sstream>
#include <string>

using namespace modIni;

namespace {

constexpr long kRed = 0x0000FF;
constexpr long kGreen = 0x00FF00;
constexpr long kMagenta = 0xFF00FF;

class CfgKaraokeTest : public testsupport::StartedPlayerTest {
protected:
    void SetUp() override
    {
        StartedPlayerTest::SetUp();
        KarTestMode = false;
        ShowCfgKaraoke = nullptr;
        UnloadCfgKaraoke = nullptr;
    }

    void TearDown() override
    {
        if (isLoaded<CfgKaraoke>())
            Unload(cfgKaraoke());
        StartedPlayerTest::TearDown();
        ShowCfgKaraoke = nullptr;
        UnloadCfgKaraoke = nullptr;
        KarTestMode = false;
    }

    Karaoke& lyrics()
    {
        if (!isLoaded<Karaoke>() || player().Check_Aff_Karaoke.Value() == 0)
            player().Command_AffSyk.press();
        return karaoke();
    }

    // The dialog opened with the lyric window's settings button.
    CfgKaraoke& open()
    {
        lyrics().Command_Config.press();
        return cfgKaraoke();
    }

    static std::string kar(const char* key) { return IniAccess("GET", "Kar Windows", key); }
    static void setKar(const char* key, const std::string& v) { IniAccess("WRITE", "Kar Windows", key, v); }

    // Every "key=value" line of the settings file, keyed "section/key".
    static std::map<std::string, std::string> iniLines()
    {
        std::map<std::string, std::string> m;
        std::istringstream in(testsupport::readFileBytes(IniPath()));
        std::string line, section;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!line.empty() && line[0] == '[')
                section = line;
            else if (const auto eq = line.find('='); eq != std::string::npos)
                m[section + "/" + vb::Trim(line.substr(0, eq))] = line.substr(eq + 1);
        }
        return m;
    }

    // A small picture file of one colour.
    std::string picture(const char* name, QRgb colour)
    {
        QImage img(40, 30, QImage::Format_RGB32);
        img.fill(colour);
        const std::string path = dir.file(name);
        img.save(QString::fromStdString(path), "BMP");
        return path;
    }
};

int inkOnLyrics(long colour)
{
    const Karaoke& k = karaoke();
    return inktest::inkIn(k, colour, 0, k.ScaleHeight()).count;
}

} // namespace

// ---------------------------------------------------------------- opening

TEST_F(CfgKaraokeTest, OpeningLoadsTheSavedLookAndPushesItOntoTheLyricWindow)
{
    Karaoke& k = lyrics();
    k.setBackColor(kGreen);
    k.setFontBold(false);
    FontRed = FontGreen = FontBlue = "9";

    CfgKaraoke& d = open();
    EXPECT_EQ(k.Check_Aff_CfgKar.Value(), 1);
    EXPECT_EQ(d.Top(), 360);
    EXPECT_EQ(d.Left(), 705);
    for (CheckBox* c : {&d.Check_FontBold, &d.Check_Shadow, &d.Check_Ball, &d.Check_Decompte, &d.Check_CountDownBar})
        EXPECT_EQ(c->Value(), 1);
    EXPECT_EQ(d.Text_FontName.Text(), "Comic Sans MS");
    EXPECT_EQ(d.Text_FontSize.Text(), "26");
    EXPECT_EQ(d.Label_BackColor.BackColor(), 11860476);
    EXPECT_EQ(d.Label_FontColor.BackColor(), 16744448);
    EXPECT_EQ(d.Label_FontColorActif.BackColor(), 255);
    EXPECT_EQ(d.Label_FontColorPassif.BackColor(), 12615680);
    EXPECT_EQ(d.Label_ShadowColor.BackColor(), 0);
    EXPECT_EQ(d.Combo_DecSize.Text(), "12");
    EXPECT_EQ(d.Label_Dec.ForeColor(), 16711680);
    EXPECT_EQ(d.Shape_Ball.Width(), 175);
    EXPECT_EQ(d.Label_FontName2.Left() - d.Label_FontName1.Left(), 30);
    EXPECT_EQ(d.Label_FontName2.Top() - d.Label_FontName1.Top(), 30);

    // Ticking the weight while loading pushed the loaded look.
    EXPECT_EQ(k.BackColor(), 11860476);
    EXPECT_TRUE(k.FontBold());
    EXPECT_EQ(FontRed, "0");
    EXPECT_EQ(FontGreen, "128");
    EXPECT_EQ(FontBlue, "255");
    EXPECT_EQ(k.Shape_Ball.Width(), 175);
    EXPECT_EQ(k.Label_Sec.ForeColor(), 16711680);
    EXPECT_EQ(k.Label_Sec.FontSize(), 12);
    EXPECT_EQ(ShadowH, 30);
    EXPECT_EQ(ShadowV, 30);
    EXPECT_FALSE(isLoaded<Karaoke_K1>());  // not shown: left alone
}

TEST_F(CfgKaraokeTest, CaptionsFollowTheLanguage)
{
    IniAccess("WRITE", "Setting", "Langue", "En");
    CfgKaraoke& d = open();
    d.Form_Activate();
    EXPECT_EQ(d.Caption(), "Windows Karaoke Configuration");
    EXPECT_EQ(d.Command_Save.Caption(), "Save and Exit");
    EXPECT_EQ(d.Label_Check_CountDownBar.Caption(), "Show CountDown ProgressBar");
    prompter->answerMsgBox(vbOK);
    d.Label_FontColor_Click();
    Unload(d);

    IniAccess("WRITE", "Setting", "Langue", "Fr");
    CfgKaraoke& fr = open();
    fr.Form_Activate();
    EXPECT_EQ(fr.Caption(), "Configuration Karaoke");
    EXPECT_EQ(fr.Command_Save.Caption(), "Sauvegarder et Sortir");
    prompter->answerMsgBox(vbOK);
    fr.Label_FontColor_Click();
    Unload(fr);

    IniAccess("WRITE", "Setting", "Langue", "De");  // French captions, English messages
    CfgKaraoke& other = open();
    other.Form_Activate();
    EXPECT_EQ(other.Command_Aucun.Caption(), "Aucun");
    prompter->answerMsgBox(vbOK);
    other.Label_FontColor_Click();

    const auto& q = prompter->questions();
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(q[0].title, "RGB Colors");
    EXPECT_EQ(q[0].text, "Red: 0  Green: 128  Blue: 255");
    EXPECT_EQ(q[0].style, vbOKOnly + vbInformation);
    EXPECT_EQ(q[1].title, "Couleurs RGB");
    EXPECT_EQ(q[1].text, "Rouge:  0       Vert:  128       Bleu:  255");
    EXPECT_EQ(q[2].title, "RGB Colors");
}

// ---------------------------------------------------------------- live preview

TEST_F(CfgKaraokeTest, ColourEditsShowAtOnceOnTheLyricWindow)
{
    CfgKaraoke& d = open();
    Karaoke& k = karaoke();
    Kar::KarPageLines[1] = "HHHHHHHH HHHHHHHH";

    prompter->answerColor(kMagenta);
    d.Command_GetColorBack.press();
    EXPECT_EQ(k.BackColor(), kMagenta);
    EXPECT_GT(inkOnLyrics(kMagenta), 1000);

    prompter->answerColor(kRed);
    d.Command_GetColorFont.press();
    EXPECT_EQ(d.Label_FontName1.ForeColor(), kRed);
    EXPECT_EQ(FontRed, "255");
    EXPECT_EQ(FontGreen, "0");
    EXPECT_EQ(FontBlue, "0");
    EXPECT_GT(inkOnLyrics(kRed), 20);

    prompter->answerColor(kGreen);
    d.Command_ShadowColor.press();
    EXPECT_EQ(KarShadowColor, "65280");
    EXPECT_EQ(d.Label_FontName2.ForeColor(), kGreen);
    EXPECT_GT(inkOnLyrics(kGreen), 5);

    // The colour dialog is not preset to the swatch's colour.
    const auto& asked = prompter->questions();
    ASSERT_EQ(asked.size(), 3u);
    for (const auto& q : asked)
        EXPECT_EQ(q.text, "0");

    prompter->answerColor(0x123456);
    d.Command_GetColorFontActif.press();
    EXPECT_EQ(ActifRed, "86");
    EXPECT_EQ(ActifGreen, "52");
    EXPECT_EQ(ActifBlue, "18");

    prompter->answerColor(0x010203);
    d.Command_GetColorFontPassif.press();
    EXPECT_EQ(PassifRed, "3");
    EXPECT_EQ(PassifBlue, "1");

    prompter->answerColor(kRed);
    d.Command_BallColor.press();
    EXPECT_EQ(k.Shape_Ball.FillColor(), kRed);

    prompter->answerColor(kGreen);
    d.Command_DecColor.press();
    EXPECT_EQ(d.Label_Dec.ForeColor(), kGreen);
    EXPECT_EQ(k.Label_Sec.ForeColor(), kGreen);
    EXPECT_TRUE(prompter->unexpected().empty());
}

TEST_F(CfgKaraokeTest, CancelledColourAndFontDialogsChangeNothing)
{
    CfgKaraoke& d = open();
    Karaoke& k = karaoke();
    FontRed = "sentinel";  // any ApplyTest would rewrite it
    const long back = k.BackColor();
    for (CommandButton* b : {&d.Command_GetColorBack, &d.Command_GetColorFont, &d.Command_GetColorFontActif,
                             &d.Command_GetColorFontPassif, &d.Command_ShadowColor, &d.Command_BallColor,
                             &d.Command_DecColor}) {
        prompter->answerColor(std::nullopt);
        b->press();
    }
    prompter->answerFont(std::nullopt);
    d.Command_GetFont.press();

    EXPECT_EQ(FontRed, "sentinel");
    EXPECT_EQ(k.BackColor(), back);
    EXPECT_EQ(d.Label_FontColor.BackColor(), 16744448);
    EXPECT_EQ(d.Label_ShadowColor.BackColor(), 0);
    EXPECT_EQ(d.Shape_Ball.FillColor(), 65535);
    EXPECT_EQ(d.Label_Dec.ForeColor(), 16711680);
    EXPECT_EQ(d.Text_FontName.Text(), "Comic Sans MS");
    EXPECT_EQ(KarShadowColor, "0");
    EXPECT_EQ(prompter->questions().size(), 8u);
}

TEST_F(CfgKaraokeTest, TheFontDialogsAnswerIsApplied)
{
    CfgKaraoke& d = open();
    Karaoke& k = karaoke();
    FontChoice f;
    f.name = "DejaVu Serif";
    f.size = 13.5;
    f.bold = false;
    prompter->answerFont(f);
    d.Command_GetFont.press();

    EXPECT_EQ(d.Text_FontName.Text(), "DejaVu Serif");
    EXPECT_EQ(d.Text_FontName.FontName(), "DejaVu Serif");
    EXPECT_EQ(d.Label_FontName1.FontName(), "DejaVu Serif");
    EXPECT_EQ(d.Label_FontName2.FontName(), "DejaVu Serif");
    EXPECT_EQ(d.Text_FontSize.Text(), "13.5");
    EXPECT_EQ(d.Check_FontBold.Value(), 0);
    EXPECT_EQ(k.FontName(), "DejaVu Serif");
    EXPECT_DOUBLE_EQ(k.FontSize(), 13.5);
    EXPECT_FALSE(k.FontBold());

    f.bold = true;
    f.size = 20;
    prompter->answerFont(f);
    d.Command_GetFont.press();
    EXPECT_EQ(d.Text_FontSize.Text(), "20");
    EXPECT_EQ(d.Check_FontBold.Value(), 1);
    EXPECT_TRUE(k.FontBold());
}

TEST_F(CfgKaraokeTest, ShadowSwitchAndArrows)
{
    CfgKaraoke& d = open();
    d.Check_Shadow.setValue(0);
    EXPECT_EQ(ShadowH, 0);
    EXPECT_EQ(ShadowV, 0);
    EXPECT_EQ(d.Label_FontName2.Left(), d.Label_FontName1.Left());

    // The first arrow press switches the shadow on at +30, +30, then moves it.
    d.Command_BShadow.press();
    EXPECT_EQ(d.Check_Shadow.Value(), 1);
    EXPECT_EQ(ShadowH, 30);
    EXPECT_EQ(ShadowV, 40);
    d.Command_GShadow.press();
    d.Command_GShadow.press();
    d.Command_GShadow.press();
    d.Command_HShadow.press();
    d.Command_HShadow.press();
    d.Command_HShadow.press();
    d.Command_HShadow.press();
    EXPECT_EQ(ShadowH, 0);
    EXPECT_EQ(ShadowV, 0);
    EXPECT_EQ(d.Check_Shadow.Value(), 1);  // on the text, but still switched on
    d.Command_HShadow.press();
    EXPECT_EQ(ShadowV, -10);                // no bound

    // Centring does not switch the shadow on.
    d.Check_Shadow.setValue(0);
    d.Command_CShadow.press();
    EXPECT_EQ(d.Check_Shadow.Value(), 0);
    EXPECT_EQ(ShadowH, 30);
    EXPECT_EQ(ShadowV, 30);

    // The caption label toggles the box as a click on it would.
    d.Label_Check_Shadow_Click();
    EXPECT_EQ(d.Check_Shadow.Value(), 1);
    d.Label_Check_Shadow_Click();
    EXPECT_EQ(d.Check_Shadow.Value(), 0);
    EXPECT_EQ(ShadowH, 0);
}

TEST_F(CfgKaraokeTest, BallSizeStopsAtItsBoundsAndTheSwitchBringsBackTheSavedSize)
{
    CfgKaraoke& d = open();
    Karaoke& k = karaoke();
    d.Shape_Ball.setWidth(75);
    d.Shape_Ball.setHeight(75);
    d.Command_BallM.press();
    EXPECT_EQ(d.Shape_Ball.Width(), 65);
    EXPECT_EQ(k.Shape_Ball.Width(), 65);
    EXPECT_EQ(k.Shape_Ball.Height(), 65);
    d.Command_BallM.press();
    EXPECT_EQ(d.Shape_Ball.Width(), 65);

    d.Shape_Ball.setWidth(450);
    d.Command_BallP.press();
    EXPECT_EQ(d.Shape_Ball.Width(), 460);
    d.Shape_Ball.setWidth(455);
    d.Command_BallP.press();
    EXPECT_EQ(d.Shape_Ball.Width(), 455);

    setKar("BallSize", "205");
    d.Label_Check_Ball_Click();
    EXPECT_EQ(d.Check_Ball.Value(), 0);
    EXPECT_EQ(k.Check_Ball.Value(), 0);
    EXPECT_EQ(k.Shape_Ball.Width(), 0);
    EXPECT_EQ(d.Shape_Ball.Width(), 455);  // the sample keeps its size
    d.Label_Check_Ball_Click();
    EXPECT_EQ(k.Check_Ball.Value(), 1);
    EXPECT_EQ(d.Shape_Ball.Width(), 205);
    EXPECT_EQ(k.Shape_Ball.Width(), 205);

    // A damaged saved size still gives the ball a size.
    d.Check_Ball.setValue(0);
    setKar("BallSize", "big");
    d.Check_Ball.setValue(1);
    EXPECT_EQ(d.Shape_Ball.Width(), 175);

    d.Check_Ball.setValue(2);  // greyed: the label unticks it
    d.Label_Check_Ball_Click();
    EXPECT_EQ(d.Check_Ball.Value(), 0);
}

TEST_F(CfgKaraokeTest, CountDownSizeBarAndDigits)
{
    CfgKaraoke& d = open();
    Karaoke& k = karaoke();
    d.Combo_DecSize.setListIndex(1);  // "10"
    EXPECT_EQ(d.Label_Dec.FontSize(), 10);
    EXPECT_EQ(k.Label_Sec.FontSize(), 10);
    EXPECT_EQ(k.Label_Sec.Height(), 190);
    EXPECT_EQ(k.Label_Sec.Width(), 220);

    // Typing runs nothing; a size with no box of its own leaves the box.
    d.Combo_DecSize.setText("abc");
    d.ApplyTest();
    EXPECT_EQ(d.Label_Dec.FontSize(), 10);
    EXPECT_EQ(k.Label_Sec.Height(), 190);
    d.Combo_DecSize.setText("16");
    d.ApplyTest();
    EXPECT_EQ(k.Label_Sec.Width(), 220);

    k.Label_Sec.setCaption("05");
    d.Label_Check_Decompte_Click();
    EXPECT_EQ(k.Check_Decompte.Value(), 0);
    EXPECT_EQ(k.Label_Sec.Caption(), "");

    k.ProgressBar_Syncro.setVisible(true);
    d.Label_Check_CountDownBar_Click();
    EXPECT_EQ(k.Check_ShowCountDownBar.Value(), 0);
    EXPECT_FALSE(k.Image_Syncro1.Visible());
    EXPECT_FALSE(k.ProgressBar_Syncro.Visible());
    d.Label_Check_CountDownBar_Click();
    EXPECT_TRUE(k.Image_Syncro1.Visible());
    EXPECT_TRUE(k.Image_Syncro2.Visible());
    EXPECT_FALSE(k.ProgressBar_Syncro.Visible());
}

TEST_F(CfgKaraokeTest, TheSecondWindowTakesTheLookOnlyWhenShown)
{
    CfgKaraoke& d = open();
    prompter->answerColor(kRed);
    d.Command_GetColorBack.press();
    EXPECT_FALSE(isLoaded<Karaoke_K1>());

    karaoke().Check_Aff_K1.setValue(1);
    Karaoke_K1& k1 = karaoke_K1();
    prompter->answerColor(kGreen);
    d.Command_GetColorBack.press();
    EXPECT_EQ(k1.BackColor(), kGreen);
    d.Combo_DecSize.setListIndex(5);  // "24"
    EXPECT_EQ(k1.Label_Sec.Width(), 550);
    d.Command_BallP.press();
    EXPECT_EQ(k1.Shape_Ball.Width(), 185);
    d.Check_CountDownBar.setValue(0);
    EXPECT_FALSE(k1.Image_Syncro1.Visible());
}

// ---------------------------------------------------------------- pictures

TEST_F(CfgKaraokeTest, AChosenPictureIsAPreviewUntilSaved)
{
    const std::string opened = IniAccess("GET", "Path", "Path Image");
    CfgKaraoke& d = open();
    Karaoke& k = karaoke();
    const std::string pic = picture("back.bmp", qRgb(0, 0, 255));

    // A file that is no picture is said, and nothing changes.
    const std::string broken = dir.write("broken.gif", "GIF89a, but no more");
    prompter->answerOpenFile(broken);
    prompter->answerMsgBox(vbOK);
    d.Command_Browse.press();
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages().back(), "Cette image ne peut pas être affichée :\n" + broken);
    EXPECT_EQ(d.Text_ImageFond.Text(), opened);
    EXPECT_FALSE(k.Picture().valid());

    prompter->answerOpenFile("  " + pic + " ");
    d.Command_Browse.press();
    // Only the formats that load are offered.
    EXPECT_EQ(prompter->questions().back().title.rfind("Images Files |*.jpg;*.jpeg;*.bmp;*.gif;", 0), 0u);
    EXPECT_EQ(prompter->questions().back().title.find("*.pcx"), std::string::npos);
    EXPECT_NE(prompter->questions().back().title.find("*.png"), std::string::npos);
    EXPECT_EQ(prompter->questions().back().detail, std::filesystem::current_path().string());
    EXPECT_EQ(d.Text_ImageFond.Text(), pic);
    EXPECT_EQ(PathImage, pic);
    EXPECT_TRUE(k.Picture().valid());
    EXPECT_EQ(IniAccess("GET", "Path", "Path Image"), opened);

    // Closing without saving keeps the settings file's picture.
    d.Command_Annuler.press();
    EXPECT_EQ(IniAccess("GET", "Path", "Path Image"), opened);
    EXPECT_FALSE(k.Picture().valid());  // the saved one does not exist
    EXPECT_EQ(PathImage, "");

    // Saved, it stays.
    CfgKaraoke& again = open();
    prompter->answerOpenFile(pic);
    again.Command_Browse.press();
    again.Command_Save.press();
    EXPECT_EQ(IniAccess("GET", "Path", "Path Image"), pic);
    EXPECT_EQ(PathImage, pic);
    EXPECT_TRUE(k.Picture().valid());

    // Cancel in the file dialog means no picture; saved as a blank.
    CfgKaraoke& third = open();
    EXPECT_EQ(third.Text_ImageFond.Text(), pic);
    prompter->answerOpenFile(std::nullopt);
    third.Command_Browse.press();
    EXPECT_EQ(third.Text_ImageFond.Text(), " ");
    EXPECT_FALSE(k.Picture().valid());
    EXPECT_EQ(IniAccess("GET", "Path", "Path Image"), pic);
    third.Command_Save.press();
    EXPECT_EQ(IniAccess("GET", "Path", "Path Image"), "");
    EXPECT_EQ(PathImage, "");
}

// ---------------------------------------------------------------- save, cancel, reset

TEST_F(CfgKaraokeTest, SaveWritesTheLookAndTheStartUpCopies)
{
    CfgKaraoke& d = open();
    prompter->answerColor(0x102030);
    d.Command_GetColorBack.press();
    prompter->answerColor(0x405060);
    d.Command_GetColorFont.press();
    prompter->answerColor(0x708090);
    d.Command_GetColorFontActif.press();
    prompter->answerColor(0xA0B0C0);
    d.Command_GetColorFontPassif.press();
    prompter->answerColor(0x0000FF);
    d.Command_ShadowColor.press();
    FontChoice f;
    f.name = "DejaVu Sans";
    f.size = 18;
    f.bold = false;
    prompter->answerFont(f);
    d.Command_GetFont.press();
    d.Check_Shadow.setValue(0);
    d.Command_BShadow.press();  // 30 / 40
    d.Command_BallP.press();    // 185
    prompter->answerColor(0x00FF00);
    d.Command_BallColor.press();
    d.Check_Decompte.setValue(0);
    d.Combo_DecSize.setListIndex(4);  // "18"
    prompter->answerColor(0x0000FF);
    d.Command_DecColor.press();
    d.Check_CountDownBar.setValue(0);
    d.Check_Ball.setValue(0);
    d.Check_Ball.setValue(1);  // back to the saved 175
    d.Command_BallP.press();   // 185

    d.Command_Save.press();
    EXPECT_FALSE(isLoaded<CfgKaraoke>());
    EXPECT_EQ(karaoke().Check_Aff_CfgKar.Value(), 0);

    auto ini = iniLines();
    const std::map<std::string, std::string> want{
        {"BackColor", "1056816"},   {"FontColor", "4214880"},  {"FontColorActif", "7372944"},
        {"FontColorPassif", "10531008"}, {"ShadowColor", "255"}, {"FontName", "DejaVu Sans"},
        {"FontSize", "18"},         {"FontBold", "0"},         {"Ball", "1"},
        {"CountDown", "0"},         {"CountDownSize", "18"},   {"CountDownColor", "255"},
        {"BallColor", "65280"},     {"BallSize", "185"},       {"CountDownBar", "0"},
        {"ShadowH", "30"},          {"ShadowV", "40"}};
    for (const auto& [key, value] : want)
        EXPECT_EQ(ini["[Kar Windows]/" + key], value) << key;

    EXPECT_EQ(KarBackColor, "1056816");
    EXPECT_EQ(KarFontColor, "4214880");
    EXPECT_EQ(KarFontColorActif, "7372944");
    EXPECT_EQ(KarFontColorPassif, "10531008");
    EXPECT_EQ(KarFontName, "DejaVu Sans");
    EXPECT_EQ(KarFontSize, 18);
    EXPECT_FALSE(KarFontBold);
    EXPECT_EQ(KarShadowColor, "255");
    EXPECT_EQ(KarShadowColorIni, "255");  // the next song keeps the saved shadow colour
    EXPECT_EQ(FontRed, "96");
    EXPECT_EQ(ShadowH, 30);
    EXPECT_EQ(ShadowV, 40);
    EXPECT_EQ(CmdLine, "Fin");

    // Reopened, the dialog shows what was saved.
    CfgKaraoke& again = open();
    EXPECT_EQ(again.Label_BackColor.BackColor(), 0x102030);
    EXPECT_EQ(again.Text_FontName.Text(), "DejaVu Sans");
    EXPECT_EQ(again.Check_FontBold.Value(), 0);
    EXPECT_EQ(again.Check_Decompte.Value(), 0);
    EXPECT_EQ(again.Check_CountDownBar.Value(), 0);
    EXPECT_EQ(again.Combo_DecSize.Text(), "18");
    EXPECT_EQ(again.Shape_Ball.Width(), 185);
    EXPECT_EQ(again.Label_FontName2.Top() - again.Label_FontName1.Top(), 40);
}

TEST_F(CfgKaraokeTest, SaveOnAFullDiskSaysOnceThatTheLookWasNotStored)
{
    testsupport::SmallDisk disk(dir.path() / "disk", 128 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a RAM disk here (needs root)";
    CfgKaraoke& d = open();
    Langue = "En";
    const std::string before = testsupport::readFileBytes(IniPath());
    std::filesystem::copy_file(IniPath(), disk.path() + "/PlaySyk.ini");
    const testsupport::ScopedEnv folder("ZUNKARAOKE_DIR", disk.path().c_str());
    disk.fill();
    prompter->answerColor(0x102030);
    d.Command_GetColorBack.press();
    prompter->answerMsgBox(vbOK);
    d.Command_Save.press();
    int said = 0;
    for (const std::string& m : messages())
        if (m == "The settings could not be saved: the disk is full.")
            ++said;
    EXPECT_EQ(said, 1);
    EXPECT_EQ(testsupport::readFileBytes(IniPath()), before);
    // The dialog stays with the edited look; the next song's copies keep the
    // stored one, and Cancel brings the stored look back on the window too.
    ASSERT_TRUE(isLoaded<CfgKaraoke>());
    const std::string stored = KarBackColor;
    EXPECT_NE(stored, std::to_string(0x102030));
    d.Command_Annuler.press();
    EXPECT_EQ(KarBackColor, stored);
    EXPECT_EQ(std::to_string(karaoke().BackColor()), stored);
    EXPECT_TRUE(prompter->unexpected().empty());
}

TEST_F(CfgKaraokeTest, ClosingWithoutSavingBringsBackTheSavedLook)
{
    const auto before = iniLines();
    CfgKaraoke& d = open();
    Karaoke& k = karaoke();
    Kar::KarPageLines[1] = "HHHHHHHH";
    prompter->answerColor(kMagenta);
    d.Command_GetColorBack.press();
    prompter->answerColor(kGreen);
    d.Command_ShadowColor.press();
    d.Command_DShadow.press();
    d.Check_Ball.setValue(0);
    d.Command_Raz.press();
    prompter->answerColor(kRed);
    d.Command_GetColorFont.press();
    ASSERT_EQ(k.BackColor(), 11860476);  // the reset's standard background
    prompter->answerColor(kMagenta);
    d.Command_GetColorBack.press();
    ASSERT_GT(inkOnLyrics(kMagenta), 1000);
    d.Move(1500, 900);

    // Escape, even with the focus on a button, leaves as Cancel does.
    QTest::keyClick(d.Command_GetColorBack.widget(), Qt::Key_Escape);
    EXPECT_FALSE(isLoaded<CfgKaraoke>());
    EXPECT_EQ(k.BackColor(), 11860476);
    EXPECT_EQ(inkOnLyrics(kMagenta), 0);
    EXPECT_EQ(FontRed, "0");
    EXPECT_EQ(FontBlue, "255");
    EXPECT_EQ(KarShadowColor, "0");
    EXPECT_EQ(ShadowH, 30);
    EXPECT_EQ(ShadowV, 30);
    EXPECT_EQ(k.Shape_Ball.Width(), 175);
    EXPECT_EQ(k.Check_Aff_CfgKar.Value(), 0);

    // Only the dialog's place changed in the settings file.
    auto after = iniLines();
    EXPECT_EQ(after["[CfgKaraoke Windows]/Top"], "900");
    EXPECT_EQ(after["[CfgKaraoke Windows]/Left"], "1500");
    after.erase("[CfgKaraoke Windows]/Top");
    after.erase("[CfgKaraoke Windows]/Left");
    auto expected = before;
    expected.erase("[CfgKaraoke Windows]/Top");
    expected.erase("[CfgKaraoke Windows]/Left");
    EXPECT_EQ(after, expected);
}

TEST_F(CfgKaraokeTest, TheCloseBoxAndTheLyricWindowRevertToo)
{
    CfgKaraoke& d = open();
    prompter->answerColor(kMagenta);
    d.Command_GetColorBack.press();
    // What a half-done save left in the file is the look now, also for the next song.
    IniAccess("WRITE", "Kar Windows", "FontColor", "65280");
    Unload(d, vbFormControlMenu);
    EXPECT_EQ(karaoke().BackColor(), 11860476);
    EXPECT_EQ(KarFontColor, "65280");
    EXPECT_EQ(KarBackColor, "11860476");

    // Closing the lyric window closes the dialog; the revert brings no
    // closed window back.
    CfgKaraoke& d2 = open();
    prompter->answerMsgBox(vbOK);
    d2.Command_Test.press();  // no song chosen: the main window says so
    prompter->answerColor(kMagenta);
    d2.Command_GetColorBack.press();
    EXPECT_TRUE(KarTestMode);
    Unload(karaoke());
    EXPECT_FALSE(isLoaded<CfgKaraoke>());
    EXPECT_FALSE(isLoaded<Karaoke>());
    EXPECT_FALSE(isLoaded<Karaoke_K1>());
    EXPECT_FALSE(KarTestMode);
    EXPECT_EQ(FontRed, "0");
}

TEST_F(CfgKaraokeTest, AMinimisedDialogStoresNoPosition)
{
    CfgKaraoke& d = open();
    d.Move(3000, 2000);
    d.setWindowState(vbMinimized);
    Unload(d);
    EXPECT_EQ(IniAccess("GET", "CfgKaraoke Windows", "Left"), "705");
    EXPECT_EQ(IniAccess("GET", "CfgKaraoke Windows", "Top"), "360");
}

TEST_F(CfgKaraokeTest, ResetGivesTheStandardLookWithoutWriting)
{
    setKar("BallSize", "300");
    setKar("ShadowH", "0");
    setKar("ShadowV", "0");
    ShadowH = ShadowV = 0;
    CfgKaraoke& d = open();
    ASSERT_EQ(d.Check_Shadow.Value(), 0);
    prompter->answerColor(kMagenta);
    d.Command_GetColorBack.press();
    prompter->answerColor(kGreen);
    d.Command_ShadowColor.press();
    d.Check_Ball.setValue(0);
    d.Check_CountDownBar.setValue(0);
    const auto before = iniLines();

    d.Command_Raz.press();
    EXPECT_EQ(iniLines(), before);
    EXPECT_EQ(d.Label_BackColor.BackColor(), 11860476);
    EXPECT_EQ(d.Label_ShadowColor.BackColor(), 0);
    EXPECT_EQ(d.Label_FontName2.ForeColor(), 0);
    EXPECT_EQ(d.Text_FontName.Text(), "Comic Sans MS");
    EXPECT_EQ(d.Text_FontSize.Text(), "26");
    EXPECT_EQ(d.Check_Ball.Value(), 1);
    EXPECT_EQ(d.Shape_Ball.Width(), 175);  // not the saved 300
    EXPECT_EQ(karaoke().Shape_Ball.Width(), 175);
    EXPECT_EQ(d.Check_CountDownBar.Value(), 0);  // left as it was
    EXPECT_EQ(ShadowH, 30);                      // the shadow was off: standard offset
    EXPECT_EQ(ShadowV, 30);
    EXPECT_EQ(KarShadowColor, "0");
    EXPECT_EQ(karaoke().BackColor(), 11860476);

    // With the shadow on, its offset stays.
    d.Command_BShadow.press();
    d.Command_Raz.press();
    EXPECT_EQ(ShadowV, 40);

    d.Command_Save.press();
    auto ini = iniLines();
    EXPECT_EQ(ini["[Kar Windows]/BackColor"], "11860476");
    EXPECT_EQ(ini["[Kar Windows]/FontColor"], "16744448");
    EXPECT_EQ(ini["[Kar Windows]/FontColorActif"], "255");
    EXPECT_EQ(ini["[Kar Windows]/FontColorPassif"], "12615680");
    EXPECT_EQ(ini["[Kar Windows]/ShadowColor"], "0");
    EXPECT_EQ(ini["[Kar Windows]/FontName"], "Comic Sans MS");
    EXPECT_EQ(ini["[Kar Windows]/FontBold"], "1");
    EXPECT_EQ(ini["[Kar Windows]/BallSize"], "175");
    EXPECT_EQ(ini["[Kar Windows]/CountDownSize"], "12");
}

// ---------------------------------------------------------------- damaged settings and typing

TEST_F(CfgKaraokeTest, DamagedSettingsLoadAsTheStandardValuesAndTypedSizesAreChecked)
{
    setKar("FontSize", "huge");
    setKar("CountDownSize", "x");
    setKar("BackColor", "blue");
    setKar("BallSize", "?");
    CfgKaraoke& d = open();
    EXPECT_EQ(d.Text_FontSize.Text(), "26");
    EXPECT_EQ(d.Combo_DecSize.Text(), "12");
    EXPECT_EQ(d.Label_BackColor.BackColor(), 11860476);
    EXPECT_EQ(d.Shape_Ball.Width(), 175);

    d.Combo_DecSize.setListIndex(3);  // "14"
    d.Combo_DecSize.setText("twelve");
    d.Command_Save.press();
    auto ini = iniLines();
    EXPECT_EQ(ini["[Kar Windows]/CountDownSize"], "14");
    EXPECT_EQ(ini["[Kar Windows]/FontSize"], "26");
    EXPECT_EQ(ini["[Kar Windows]/BackColor"], "11860476");

    // A typed number is kept as typed.
    CfgKaraoke& again = open();
    again.Combo_DecSize.setText("16");
    again.Command_Save.press();
    EXPECT_EQ(kar("CountDownSize"), "16");
}

// ---------------------------------------------------------------- test play

TEST_F(CfgKaraokeTest, TestPlaysTheSongUnderThePreviewedLook)
{
    Player& p = player();
    p.Select_Song.setText(dir.write("song.wav", testsupport::silentWav(5.0)));
    CfgKaraoke& d = open();
    prompter->answerColor(kMagenta);
    d.Command_GetColorBack.press();
    d.Command_Test.press();
    EXPECT_TRUE(KarTestMode);
    EXPECT_TRUE(IsPlaying);
    EXPECT_EQ(karaoke().BackColor(), kMagenta);  // the song's start kept the preview
    EXPECT_EQ(cfgKaraoke().Label_BackColor.BackColor(), kMagenta);

    d.Command_Annuler.press();
    EXPECT_FALSE(KarTestMode);
    EXPECT_EQ(karaoke().BackColor(), 11860476);
}
