// The two lyric windows as the user and the rest of the program drive them:
// options kept in the settings file, placing and docking, the hot keys, the
// shadowed rows, the per-song look and the block drawing (read from pixels).
#include "core/modini.h"
#include "core/player.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playback/midianalysis.h"
#include "support/frames.h"
#include "support/testdir.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QRect>
#include <QMainWindow>
#include <QTest>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

using namespace modIni;

namespace {

using testsupport::edgeToEdge;
using testsupport::frameHeight;

constexpr long kBlack = 0x000000;
constexpr long kWhite = 0xFFFFFF;
constexpr long kGreen = 0x00FF00;
constexpr long kBlue = 0xFF0000;

class LyricWindowTest : public ::testing::Test {
protected:
    testsupport::ProgramDir dir;
    ScopedScriptedPrompter prompter;

    void SetUp() override
    {
        CmdLine = "";
        Langue = "Fr";
        IsPlaying = false;
        MediaKind = "None";
        KarTestMode = false;
        QuitOnPlayerClose = true;
        Kar::resetAll();
        Kar::MidiLyricType = 0;
        PressRecordButton = nullptr;
        ShowRecordWindow = nullptr;
        setCommandLine("");
        Player& p = player();
        p.Timer_LoadPlayer.setEnabled(false);
        p.Timer_LoadPlayer_Timer();
    }

    void TearDown() override
    {
        if (isLoaded<Karaoke_K1>())
            Unload(karaoke_K1());
        if (isLoaded<Karaoke>())
            Unload(karaoke());
        if (isLoaded<Player>()) {
            QuitOnPlayerClose = false;
            Unload(player());
        }
        DoEvents();
        DestroyUnloadedForms();
        QuitOnPlayerClose = true;
        PressRecordButton = nullptr;
        ShowRecordWindow = nullptr;
    }

    static std::string ini(const char* key) { return IniAccess("GET", "Kar Windows", key); }
    static void setIni(const char* key, const std::string& v) { IniAccess("WRITE", "Kar Windows", key, v); }

    // The lyric window opened from the main window, as a song start does.
    Karaoke& openLyrics()
    {
        player().Command_AffSyk.press();
        return karaoke();
    }
};

bool near(QRgb px, long bgr)
{
    const int r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
    return std::abs(qRed(px) - r) < 60 && std::abs(qGreen(px) - g) < 60 && std::abs(qBlue(px) - b) < 60;
}

struct Ink {
    int minX = -1, minY = -1, maxY = -1;  // pixels
    int count = 0;
};

// Where the surface holds pixels of a colour, inside a band of pixel rows.
Ink inkOf(const Form& f, long colour, int y0 = 0, int y1 = 1 << 20)
{
    const QImage& img = f.image();
    Ink ink;
    for (int y = std::max(0, y0); y < std::min(img.height(), y1); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (near(img.pixel(x, y), colour)) {
                if (ink.minX < 0 || x < ink.minX)
                    ink.minX = x;
                if (ink.minY < 0)
                    ink.minY = y;
                ink.maxY = y;
                ++ink.count;
            }
    return ink;
}

void plainLook(Karaoke& k)
{
    k.setBackColor(kBlack);
    k.setPicture(StdPicture());
    k.setFontName("DejaVu Sans");
    k.setFontSize(14);
    FontRed = "255", FontGreen = "255", FontBlue = "255";  // page lines white
    PassifRed = "0", PassifGreen = "255", PassifBlue = "0"; // kept lines green
    KarShadowColor = std::to_string(kBlue);
}

// ---------------------------------------------------------------- options

TEST_F(LyricWindowTest, OptionsAreKeptInTheSettingsFile)
{
    Karaoke& k = openLyrics();
    k.Li4.setValue(true);
    EXPECT_EQ(ini("NbLigne"), "4");
    EXPECT_EQ(modIni::NbLigne, 4);

    k.Scroll.setValue(1);
    EXPECT_EQ(ini("Scroll"), "1");
    EXPECT_TRUE(k.Frame_LIM.Visible());
    k.LiM2.setValue(true);
    EXPECT_EQ(ini("NbLigneNeg"), "2");
    k.Scroll.setValue(0);
    EXPECT_EQ(ini("Scroll"), "0");
    EXPECT_FALSE(k.Frame_LIM.Visible());

    k.Check_HSize.setValue(1);
    EXPECT_EQ(ini("AutoH"), "1");

    k.Command_Cacher.setValue(0);
    EXPECT_EQ(ini("ShowMenu"), "0");
    EXPECT_FALSE(k.Command_Play.Visible());
    EXPECT_FALSE(k.NbLigne.Visible());
    EXPECT_TRUE(k.Command_Cacher.Visible());  // the lone toggle stays
    k.Command_Cacher.setValue(1);
    EXPECT_EQ(ini("ShowMenu"), "1");
    EXPECT_TRUE(k.Command_Play.Visible());
}

TEST_F(LyricWindowTest, DamagedOrOddOptionValuesOpenSanely)
{
    setIni("NbLigne", "5");
    setIni("NbLigneNeg", "3");
    setIni("Ball", "0");
    setIni("BallSize", "300");
    setIni("CountDownSize", "16");
    setIni("AutoH", "nonsense");
    Karaoke& k = karaoke();
    EXPECT_TRUE(k.Li8.Value());
    EXPECT_EQ(ini("NbLigne"), "8");
    EXPECT_EQ(modIni::NbLigne, 8);
    EXPECT_TRUE(k.LiM0.Value());  // keeps its initial choice
    EXPECT_EQ(k.Check_Ball.Value(), 0);
    EXPECT_EQ(k.Shape_Ball.Width(), 0);
    EXPECT_EQ(k.Shape_Ball.Height(), 0);
    EXPECT_EQ(k.Label_Sec.FontSize(), 16);
    EXPECT_EQ(k.Label_Sec.Height(), 225);  // no size row for 16 points
    EXPECT_EQ(k.Check_HSize.Value(), 0);   // falls back to the default
}

TEST_F(LyricWindowTest, OpeningWhileTheEditorIsOpenShowsTwoLines)
{
    setIni("NbLigne", "6");
    player().Check_Aff_Record.setValue(1);
    Karaoke& k = karaoke();
    EXPECT_TRUE(k.Li2.Value());
    EXPECT_FALSE(k.NbLigne.Enabled());
    EXPECT_EQ(ini("NbLigne"), "2");

    // Its transport then drives the editor.
    std::string pressed;
    PressRecordButton = [&](const std::string& b) { pressed = b; };
    k.Command_Play.press();
    EXPECT_EQ(pressed, "Command_Play");
    k.Command_Back.press();
    EXPECT_EQ(pressed, "Command_Back");
}

// ---------------------------------------------------------------- placing

TEST_F(LyricWindowTest, OpensAtItsSavedPlaceButNeverAboveTheScreen)
{
    setIni("Top", "-300");
    setIni("Left", "600");
    setIni("Height", "3000");
    setIni("Width", "9000");
    Karaoke& k = openLyrics();
    EXPECT_EQ(player().Check_Aff_Karaoke.Value(), 1);
    EXPECT_TRUE(k.Visible());
    EXPECT_EQ(k.Top(), 0);
    EXPECT_EQ(k.Left(), 600);
    EXPECT_EQ(k.Height(), 3000);
    EXPECT_EQ(k.Width(), 9000);

    // Shown already: the place is not read again.
    k.Move(900, 450, 9000, 3000);
    player().Command_AffSyk.press();
    EXPECT_EQ(k.Left(), 900);
    EXPECT_EQ(k.Top(), 450);

    // Closing a normal window keeps its place for next time.
    Unload(k);
    EXPECT_EQ(player().Check_Aff_Karaoke.Value(), 0);
    EXPECT_EQ(ini("Top"), "450");
    EXPECT_EQ(ini("Left"), "900");
}

TEST_F(LyricWindowTest, HandEditedPlaceAndSizeAreBroughtOntoTheScreen)
{
    const int SW = Screen::Width(), SH = Screen::Height();
    const QRect screen(0, 0, SW / 15, SH / 15);
    auto onScreen = [&](const Karaoke& k) {
        return screen.intersects(QRect(k.Left() / 15, k.Top() / 15, k.Width() / 15, k.Height() / 15));
    };

    // A size no screen holds would make a window (and a drawing surface) of
    // gigabytes: it takes the screen's size at most.
    setIni("Top", "600");
    setIni("Left", "300");
    setIni("Height", "99999999");
    setIni("Width", "99999999");
    Karaoke& big = openLyrics();
    EXPECT_LE(big.Width(), SW);
    EXPECT_LE(big.Height(), SH);
    EXPECT_GT(big.Width(), SW / 2);
    EXPECT_TRUE(onScreen(big));
    Unload(big);

    // Sizes of nothing or less would leave a window of one pixel.
    setIni("Height", "0");
    setIni("Width", "-5000");
    Karaoke& small = openLyrics();
    EXPECT_GE(small.Width(), 1500);
    EXPECT_GE(small.Height(), 750);
    Unload(small);

    // Places on a monitor that is no longer there, on every side; the size is
    // kept when it fits.
    setIni("Height", "2775");
    setIni("Width", "6000");
    const std::vector<std::pair<std::string, std::string>> places{
        {"-50000", "-90000"}, {"600", "-90000"}, {"99999999", "300"}, {"600", "99999999"}, {"-99999999", "99999999"}};
    for (const auto& [top, left] : places) {
        SCOPED_TRACE(top + " " + left);
        setIni("Top", top);
        setIni("Left", left);
        Karaoke& k = openLyrics();
        EXPECT_TRUE(onScreen(k));
        EXPECT_GE(k.Top(), 0);
        EXPECT_EQ(k.Width(), 6000);
        EXPECT_EQ(k.Height(), 2775);
        Unload(k);
    }
}

TEST_F(LyricWindowTest, SecondWindowDocksDirectlyUnderTheFirst)
{
    Karaoke& k = openLyrics();
    k.Move(300, 600, 9000, 2400);
    k.Check_Aff_K1.setValue(1);
    ASSERT_TRUE(isLoaded<Karaoke_K1>());
    Karaoke_K1& k1 = karaoke_K1();
    EXPECT_TRUE(k1.Visible());
    EXPECT_TRUE(edgeToEdge(k, k1));
    EXPECT_EQ(k1.Left(), k.Left());
    EXPECT_EQ(k1.Width(), k.Width());
    EXPECT_EQ(k1.Height(), k.Height());

    // A resize of the main window takes it along.
    k.Move(450, 900, 8000, 2000);
    EXPECT_TRUE(edgeToEdge(k, k1));
    EXPECT_EQ(k1.Left(), 450);
    EXPECT_EQ(k1.Width(), 8000);

    // Dragging either window keeps the docking running.
    player().Timer_SetKar2.setEnabled(false);
    k1.Form_MouseDown(vbLeftButton, 0, 10, 10);
    k1.Form_MouseMove(vbLeftButton, 0, 20, 20);
    EXPECT_TRUE(player().Timer_SetKar2.Enabled());
    QTest::mouseRelease(k.window(), Qt::LeftButton);  // ends the drag
    // The right button moves nothing.
    player().Timer_SetKar2.setEnabled(false);
    k.Form_MouseDown(vbRightButton, 0, 10, 10);
    k.Form_MouseMove(vbRightButton, 0, 20, 20);
    EXPECT_FALSE(player().Timer_SetKar2.Enabled());

    // Unticking removes the second window and stops the docking.
    player().Timer_SetKar2.setEnabled(true);
    k.Check_Aff_K1.setValue(0);
    EXPECT_FALSE(isLoaded<Karaoke_K1>());
    EXPECT_FALSE(player().Timer_SetKar2.Enabled());
}

TEST_F(LyricWindowTest, ClosingTheSecondWindowUnticksItsBox)
{
    Karaoke& k = openLyrics();
    k.Check_Aff_K1.setValue(1);
    player().Timer_SetKar2.setEnabled(true);
    Unload(karaoke_K1());
    EXPECT_EQ(k.Check_Aff_K1.Value(), 0);
    EXPECT_FALSE(player().Timer_SetKar2.Enabled());
    EXPECT_FALSE(isLoaded<Karaoke_K1>());
}

TEST_F(LyricWindowTest, SecondWindowPastTheScreenBottomLiftsTheFirst)
{
    const int SH = Screen::Height();
    Karaoke& k = openLyrics();
    k.Move(0, SH - 2000, 9000, 2000);  // its bottom on the screen's bottom
    k.Check_Aff_K1.setValue(1);
    EXPECT_NEAR(k.Top(), SH - frameHeight(k) - frameHeight(karaoke_K1()) - 400, 15);
}

TEST_F(LyricWindowTest, ResizingTheSecondWindowGivesBothTheMeanHeight)
{
    Karaoke& k = openLyrics();
    k.Check_HSize.setValue(0);
    k.Move(0, 300, 9000, 2000);
    k.Check_Aff_K1.setValue(1);
    Karaoke_K1& k1 = karaoke_K1();
    k1.Move(k1.Left(), k1.Top(), 9000, 3001);
    // Each resize re-arms the one-shot re-layout.
    EXPECT_TRUE(k1.Timer_Resize.Enabled());
    EXPECT_EQ(k1.Timer_Resize.Interval(), 500);
    player().Timer_SetKar2.setEnabled(false);
    k1.Timer_Resize.fire();
    EXPECT_EQ(k.Height(), 2500);
    EXPECT_EQ(k1.Height(), 2500);
    EXPECT_TRUE(edgeToEdge(k, k1));
    EXPECT_EQ(k1.Left(), k.Left());
    EXPECT_TRUE(player().Timer_SetKar2.Enabled());

    // Heights whose sum leaves 16 bits still give the mean, and the docking
    // comes back on.
    k.setHeight(40000);
    k1.setHeight(30002);
    player().Timer_SetKar2.setEnabled(false);
    k1.Timer_Resize.fire();
    EXPECT_EQ(k.Height(), 35001);
    EXPECT_EQ(k1.Height(), k.Height());
    EXPECT_TRUE(player().Timer_SetKar2.Enabled());
}

TEST_F(LyricWindowTest, ReLayoutWaitsWhileTheDockingHandlerRuns)
{
    Karaoke& k = openLyrics();
    k.Move(0, 300, 9000, 2000);
    k.Check_Aff_K1.setValue(1);
    Karaoke_K1& k1 = karaoke_K1();
    k1.setHeight(3000);
    K1ShowBusy = true;
    k1.Timer_Resize.fire();
    K1ShowBusy = false;
    EXPECT_EQ(k.Height(), 2000);
    EXPECT_FALSE(k1.Timer_Resize.Enabled());
}

TEST_F(LyricWindowTest, AutomaticCentringSetsTheTopMargin)
{
    Karaoke& k = openLyrics();
    k.Check_HSize.setValue(0);
    k.Li2.setValue(true);
    k.Scroll.setValue(0);
    k.setScaleHeight(2130);
    const double h = k.TextHeight("a");
    k.Check_HSize.setValue(1);
    long t = std::lround(2130 / 2.0 - h);
    long s = std::max(4L, std::lround(t / 100.0));
    EXPECT_NEAR(k.VScroll_Kar.Value(), s - 1, 1);
    // A small window never goes below 3.
    k.setScaleHeight(300);
    EXPECT_EQ(k.VScroll_Kar.Value(), 3);
}

// ---------------------------------------------------------------- hot keys

TEST_F(LyricWindowTest, ScreenPresetsFitTheScreen)
{
    if (!WindowPlacementAvailable())
        GTEST_SKIP() << "windows cannot be placed here";
    const int SH = Screen::Height(), SW = Screen::Width();
    Karaoke& k = openLyrics();
    k.Check_HSize.setValue(0);
    k.Move(300, SH - 1000, 6000, 1500);
    KarWindowHotKey(vbKeyF6);
    EXPECT_EQ(k.Height(), SH / 2);
    EXPECT_EQ(k.Width(), SW);
    EXPECT_EQ(k.Left(), 0);
    EXPECT_EQ(k.Top(), SH - SH / 2 - 400);

    KarWindowHotKey(vbKeyF5);
    EXPECT_EQ(k.Height(), SH / 4);
    KarWindowHotKey(vbKeyF7);
    EXPECT_EQ(k.Height(), SH - SH / 3);

    // With the second window shown the band is half as high.
    k.Move(0, 0, 6000, 1500);
    KarWindowHotKey(vbKeyF9);
    EXPECT_EQ(k.Check_Aff_K1.Value(), 1);
    EXPECT_TRUE(player().Timer_SetKar2.Enabled());
    KarWindowHotKey(vbKeyF6);
    EXPECT_EQ(k.Height(), SH / 4);
    EXPECT_TRUE(edgeToEdge(k, karaoke_K1()));
    KarWindowHotKey(vbKeyF8);
    EXPECT_EQ(k.Top(), 0);
    EXPECT_EQ(k.Height(), SH / 2 - 200);
    EXPECT_EQ(k.Width(), SW);

    // Other keys do nothing.
    const int before = k.Height();
    KarWindowHotKey(vbKeyF4);
    KarWindowHotKey(vbKeyA);
    EXPECT_EQ(k.Height(), before);
}

TEST_F(LyricWindowTest, F12TogglesThePanelAndItsToggle)
{
    Karaoke& k = openLyrics();
    int key = vbKeyF12;
    k.Form_KeyDown(key, 0);
    EXPECT_EQ(k.Command_Cacher.Value(), 0);
    EXPECT_FALSE(k.Command_Cacher.Visible());
    EXPECT_FALSE(k.Command_Play.Visible());
    EXPECT_EQ(ini("ShowMenu"), "0");
    // From the second window too.
    k.Check_Aff_K1.setValue(1);
    key = vbKeyF12;
    karaoke_K1().Form_KeyDown(key, 0);
    EXPECT_EQ(k.Command_Cacher.Value(), 1);
    EXPECT_TRUE(k.Command_Cacher.Visible());
    EXPECT_TRUE(k.Command_Play.Visible());
}

// ---------------------------------------------------------------- shadow and block

TEST_F(LyricWindowTest, ShadowIsPrintedOffsetAndThePositionComesBack)
{
    Karaoke& k = openLyrics();
    plainLook(k);
    k.HScroll_Kar.setValue(6);  // margin 600 twips = 40 px
    ShadowH = 60;
    ShadowV = 90;
    k.Cls();
    k.setCurrentY(1500);
    PrintKarShadow("HHHH", "Actif");
    EXPECT_EQ(k.CurrentX(), 600);
    EXPECT_DOUBLE_EQ(k.CurrentY(), 1500);
    EXPECT_EQ(k.ForeColor(), kWhite);
    const Ink shadow = inkOf(k, kBlue);
    ASSERT_GT(shadow.count, 0);
    EXPECT_NEAR(shadow.minX, (600 + 60) / 15, 3);
    EXPECT_GE(shadow.minY, (1500 + 90) / 15);

    // Any mode but exactly "Actif" gives the passive colour.
    PrintKarShadow("HHHH", "actif");
    EXPECT_EQ(k.ForeColor(), kGreen);
}

TEST_F(LyricWindowTest, SecondWindowShadowUsesTheMainWindowsMargin)
{
    Karaoke& k = openLyrics();
    k.HScroll_Kar.setValue(10);
    k.Check_Aff_K1.setValue(1);
    Karaoke_K1& k1 = karaoke_K1();
    plainLook(k);
    CopyKarLookToK1();
    ShadowH = 30;
    ShadowV = 30;
    k1.Cls();
    PrintKarShadowK1("HHHH", "Passif");
    EXPECT_EQ(k1.CurrentX(), 1000);
    const Ink shadow = inkOf(k1, kBlue);
    ASSERT_GT(shadow.count, 0);
    EXPECT_NEAR(shadow.minX, (1000 + 30) / 15, 3);
}

TEST_F(LyricWindowTest, BlockShowsKeptLinesPassiveAndPageLinesInThePageColour)
{
    Karaoke& k = openLyrics();
    k.Check_HSize.setValue(0);
    k.Li2.setValue(true);
    k.Scroll.setValue(1);
    k.LiM1.setValue(true);
    k.HScroll_Kar.setValue(3);
    k.VScroll_Kar.setValue(4);
    plainLook(k);
    ShadowH = ShadowV = 0;
    MediaKind = "mp3";
    Kar::KarPastLines[2] = "HHHH";
    Kar::KarScrollLines[1] = "HHHH";
    Kar::KarScrollLines[2] = "HHHH";
    Kar::KarIntroDots = false;
    k.PrintKarLines();
    const int row = static_cast<int>(k.TextHeight("a") / 15);
    const int top = 400 / 15;
    const Ink kept = inkOf(k, kGreen);
    ASSERT_GT(kept.count, 0);
    EXPECT_GE(kept.minY, top);
    EXPECT_LT(kept.maxY, top + row);
    EXPECT_NEAR(kept.minX, 300 / 15, 3);
    const Ink page = inkOf(k, kWhite);
    ASSERT_GT(page.count, 0);
    EXPECT_GE(page.minY, top + row);
    EXPECT_LT(page.maxY, top + 3 * row);
    EXPECT_EQ(inkOf(k, kBlue).count, 0);  // no offsets, no shadow

    // The intro shows a dot in place of the kept line.
    Kar::KarIntroDots = true;
    k.PrintKarLines();
    const Ink dot = inkOf(k, kGreen);
    EXPECT_GT(dot.count, 0);
    EXPECT_LT(dot.count, kept.count);

    // Muted lyrics leave the window blank.
    player().Check_Muet2.setValue(1);
    k.Command_Print2Ligne.press();
    EXPECT_EQ(inkOf(k, kWhite).count, 0);
    EXPECT_EQ(inkOf(k, kGreen).count, 0);
}

TEST_F(LyricWindowTest, StandardLyricTypeSongKeepsItsPageOnARedraw)
{
    // Songs whose lyrics are standard lyric events are drawn like the others:
    // a redraw while one plays shows its page.
    Karaoke& k = openLyrics();
    k.Scroll.setValue(0);
    plainLook(k);
    ShadowH = ShadowV = 0;
    Kar::KarPageLines[1] = "HHHH";
    Kar::MidiLyricType = 5;
    MediaKind = "midi";
    IsPlaying = true;
    k.PrintKarLines();
    EXPECT_GT(inkOf(k, kWhite).count, 0);
    IsPlaying = false;
}

TEST_F(LyricWindowTest, ALineWithManyBlanksWrapsWithoutHarm)
{
    Karaoke& k = openLyrics();
    plainLook(k);
    k.Scroll.setValue(0);
    std::string line;
    for (int i = 0; i < 120; ++i)
        line += "la ";
    Kar::KarPageLines[1] = line;
    k.PrintKarLines();
    const Ink page = inkOf(k, kWhite);
    const int row = static_cast<int>(k.TextHeight("a") / 15);
    EXPECT_GT(page.maxY - page.minY, row);  // more than one row
}

// ---------------------------------------------------------------- per-song look

class SongLookTest : public LyricWindowTest {
protected:
    std::string songFolder;
    std::string song;

    void SetUp() override
    {
        LyricWindowTest::SetUp();
        songFolder = dir.file("songs") + "/";
        std::system(("mkdir -p '" + songFolder + "'").c_str());
        song = songFolder + "Song.mp3";
        dir.write("songs/Song.mp3", "not really audio");
        QImage img(16, 16, QImage::Format_RGB32);
        img.fill(Qt::red);
        img.save(QString::fromStdString(songFolder + "back.png"));
        img.save(QString::fromStdString(dir.file("outside.png")));
        player().Select_Song.setText(song);
    }
};

TEST_F(SongLookTest, DisplayLineSetsPictureAndColours)
{
    Karaoke& k = openLyrics();
    k.setPicture(StdPicture());
    ApplyKarDisplaySettings("//back.png;255;65280;16711680;8421504;4210752");
    EXPECT_TRUE(k.Picture().valid());
    EXPECT_EQ(FontRed, "255");
    EXPECT_EQ(FontGreen, "0");
    EXPECT_EQ(ActifGreen, "255");
    EXPECT_EQ(PassifBlue, "255");
    EXPECT_EQ(k.BackColor(), 8421504);
    EXPECT_EQ(KarShadowColor, "4210752");
}

TEST_F(SongLookTest, DisplayLinePictureMustBeABareNameInTheSongFolder)
{
    Karaoke& k = openLyrics();
    k.setPicture(StdPicture());
    ApplyKarDisplaySettings("//../outside.png;255;255;255;0;0");
    EXPECT_FALSE(k.Picture().valid());
    ApplyKarDisplaySettings("//" + dir.file("outside.png") + ";255;255;255;0;0");
    EXPECT_FALSE(k.Picture().valid());
    ApplyKarDisplaySettings("//sub\\back.png;255;255;255;0;0");
    EXPECT_FALSE(k.Picture().valid());
    // An empty name keeps the picture and still applies the colours.
    ApplyKarDisplaySettings("//back.png;1;1;1;1;1");
    ASSERT_TRUE(k.Picture().valid());
    ApplyKarDisplaySettings("//;255;255;255;0;0");
    EXPECT_TRUE(k.Picture().valid());
    EXPECT_EQ(FontRed, "255");
}

TEST_F(SongLookTest, DamagedDisplayLinesApplyWhatIsWellFormed)
{
    Karaoke& k = openLyrics();
    k.setBackColor(kBlack);
    FontRed = "7";
    ActifRed = "7";
    KarShadowColor = "9";
    ApplyKarDisplaySettings("//;12;34");  // the sung colour has no ";"
    EXPECT_EQ(FontRed, "12");
    EXPECT_EQ(ActifRed, "7");
    EXPECT_EQ(KarShadowColor, "9");
    ApplyKarDisplaySettings("//;red;200;200;blue;0");  // not numbers
    EXPECT_EQ(FontRed, "12");
    EXPECT_EQ(ActifRed, "200");
    EXPECT_EQ(k.BackColor(), kBlack);
    ApplyKarDisplaySettings("");
    ApplyKarDisplaySettings("/");
    ApplyKarDisplaySettings("//");
}

TEST_F(SongLookTest, DisplayLineReachesTheSecondWindowOnlyWhenShown)
{
    Karaoke& k = openLyrics();
    k.Check_Aff_K1.setValue(1);
    Karaoke_K1& k1 = karaoke_K1();
    k1.setBackColor(kBlack);
    ApplyKarDisplaySettings("//back.png;0;0;0;8421504;0");
    EXPECT_EQ(k1.BackColor(), 8421504);
    EXPECT_TRUE(k1.Picture().valid());
}

TEST_F(SongLookTest, PlayListRowLookAppliesWhenSwitchedOn)
{
    Player& p = player();
    PlayListTab = 1;
    ListItem& row = p.ListView1.ListItems.Add(0, "", "Song");
    row.setSubItems(4, song);
    row.setSubItems(6, "1");
    row.setSubItems(7, "255");
    row.setSubItems(8, "65280");
    row.setSubItems(9, "16711680");
    row.setSubItems(10, "8421504");
    row.setSubItems(11, "");
    row.setSubItems(12, songFolder + "back.png");
    p.ListView1.setSelectedItem(&row);
    Karaoke& k = openLyrics();
    EXPECT_EQ(k.BackColor(), 8421504);
    EXPECT_TRUE(k.Picture().valid());
    EXPECT_EQ(FontRed, "255");
    EXPECT_EQ(ActifGreen, "255");
    EXPECT_EQ(PassifBlue, "255");
    EXPECT_EQ(KarShadowColor, "0");

    // Its look switched off: the settings look, and no picture without one.
    row.setSubItems(6, "0");
    PathImage = "";
    KarBackColor = "0";
    KarShadowColor = "123";
    p.Command_AffSyk.press();
    EXPECT_EQ(k.BackColor(), 0);
    EXPECT_FALSE(k.Picture().valid());
    EXPECT_EQ(KarShadowColor, KarShadowColorIni);

    // No selected row counts as no look of its own.
    row.setSubItems(6, "1");
    p.ListView1.setSelectedItem(nullptr);
    p.Command_AffSyk.press();
    EXPECT_EQ(k.BackColor(), 0);

    // While the settings dialog previews, nothing changes.
    p.ListView1.setSelectedItem(&row);
    KarTestMode = true;
    p.Command_AffSyk.press();
    EXPECT_EQ(k.BackColor(), 0);
    KarTestMode = false;
    PlayListTab = 0;
}

TEST_F(LyricWindowTest, CountDownBarEndsHavePicturesOnBothWindows)
{
    Karaoke& k = openLyrics();
    k.Check_Aff_K1.setValue(1);
    Karaoke_K1& k1 = karaoke_K1();
    for (const Image* mark : {&k.Image_Syncro1, &k.Image_Syncro2, &k1.Image_Syncro1, &k1.Image_Syncro2}) {
        ASSERT_TRUE(mark->Picture().valid());
        EXPECT_EQ(mark->Picture().pixelWidth(), 11);
        EXPECT_EQ(mark->Picture().pixelHeight(), 13);
    }
    // The two ends are told apart.
    EXPECT_NE(k.Image_Syncro1.Picture().image(), k.Image_Syncro2.Picture().image());
}

// ---------------------------------------------------------------- lyrics mute

TEST_F(LyricWindowTest, MutingLyricsHidesBallAndCountDownOnBothWindows)
{
    setIni("Ball", "0");
    setIni("BallSize", "240");
    Karaoke& k = openLyrics();
    k.Label_Sec.setCaption("05");
    player().Check_Muet2.setValue(1);
    EXPECT_EQ(k.Mute_SK.Value(), 1);
    EXPECT_EQ(k.Check_Ball.Value(), 0);
    EXPECT_EQ(k.Check_Decompte.Value(), 0);
    EXPECT_EQ(k.Label_Sec.Caption(), "");
    // The second window is loaded for its label but not shown.
    ASSERT_TRUE(isLoaded<Karaoke_K1>());
    EXPECT_FALSE(karaoke_K1().Visible());

    // Unmuting brings ball and count-down back as the settings say: the ball
    // switched off stays off.
    setIni("CountDown", "0");
    k.Mute_SK.setValue(0);
    EXPECT_EQ(player().Check_Muet2.Value(), 0);
    EXPECT_EQ(k.Check_Ball.Value(), 0);
    EXPECT_EQ(k.Check_Decompte.Value(), 0);
    EXPECT_EQ(k.Shape_Ball.Width(), 0);
    EXPECT_EQ(k.Shape_Ball.Height(), 0);

    // Switched on, at the saved ball size.
    setIni("Ball", "1");
    setIni("CountDown", "1");
    player().Check_Muet2.setValue(1);
    player().Check_Muet2.setValue(0);
    EXPECT_EQ(k.Check_Ball.Value(), 1);
    EXPECT_EQ(k.Check_Decompte.Value(), 1);
    EXPECT_EQ(k.Shape_Ball.Width(), 240);
    EXPECT_EQ(k.Shape_Ball.Height(), 240);
}

TEST_F(LyricWindowTest, LinesPerPageRestartsOnlyAPlayingSong)
{
    Karaoke& k = openLyrics();
    std::string pressed;
    PressRecordButton = [&](const std::string& b) { pressed += b + ";"; };
    player().Check_Aff_Record.setValue(1);  // route the transport where we can see it
    IsPlaying = false;
    k.Li6.setValue(true);
    EXPECT_EQ(pressed, "");
    IsPlaying = true;
    k.Li4.setValue(true);
    EXPECT_EQ(pressed, "Command_Stop;Command_Play;");
    IsPlaying = false;
}

} // namespace

TEST_F(LyricWindowTest, ToolTipsSpeakTheProgramsLanguage)
{
    Karaoke& k = openLyrics();
    k.Form_Activate();
    EXPECT_EQ(k.OnTop.ToolTipText(), "Au premier plan");
    EXPECT_EQ(k.Mute_S.ToolTipText(), "Muet Son");
    Langue = "En";
    k.Form_Activate();
    EXPECT_EQ(k.OnTop.ToolTipText(), "OnTop");
    EXPECT_EQ(k.Mute_S.ToolTipText(), "Mute sound");
}

TEST_F(LyricWindowTest, MarginBarsLeaveTheCountDownMarkAndStayInsideTheWindow)
{
    Karaoke& k = openLyrics();
    for (int width : {10875, 11500, 12915 + 240}) {
        k.setWidth(width);
        // The end mark of the count-down bar stays left of the margin bar,
        // beside its bar.
        EXPECT_LE(k.Image_Syncro2.Left() + k.Image_Syncro2.Width(), k.HScroll_Kar.Left()) << width;
        EXPECT_LE(k.ProgressBar_Syncro.Left() + k.ProgressBar_Syncro.Width(), k.Image_Syncro2.Left()) << width;
        EXPECT_GE(k.ProgressBar_Syncro.Width(), 0);
        // The vertical margin bar and the centring box end inside the window.
        EXPECT_LE(k.VScroll_Kar.Left() + k.VScroll_Kar.Width(), k.ScaleWidth()) << width;
        EXPECT_EQ(k.Check_HSize.Left(), k.VScroll_Kar.Left());
    }
    // Where the window is as wide as designed the count-down bar keeps its place.
    EXPECT_EQ(k.Image_Syncro2.Left(), 9825);
    EXPECT_EQ(k.ProgressBar_Syncro.Width(), 1770);
}
