// Theme tiling and the shared window helpers.
#include "test_player_fixture.h"

#include "core/theme.h"
#include "core/uihelpers.h"

#include <QColor>
#include <QImage>

using namespace modIni;

namespace {

class Plain : public Form {};

// A picture of w x h pixels, left half red, right half blue.
StdPicture twoColourTile(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, x < w / 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    return StdPicture(img);
}

QRgb pixelAtTwips(const Form& f, int xTwips, int yTwips)
{
    return f.image().pixel(xTwips / 15, yTwips / 15);
}

} // namespace

TEST(ThemeChoice, ElementBySettings)
{
    EXPECT_EQ(ThemePictureIndex("@ZunMp3", 3), 3);
    EXPECT_EQ(ThemePictureIndex("@ZunMp3", -1), -1);
    EXPECT_EQ(ThemePictureIndex("@anything", 0), 0);
    EXPECT_EQ(ThemePictureIndex("/home/me/wall.jpg", -1), 0);
    EXPECT_EQ(ThemePictureIndex("/home/me/wall.jpg", 5), 0);
    EXPECT_EQ(ThemePictureIndex("", 3), -1);
    EXPECT_EQ(ThemePictureIndex("@x", 42), -1);
}

TEST_F(PlayerTest, BuiltInTilesAreDrawn)
{
    for (int i = 1; i < Theme::kPictures; ++i) {
        EXPECT_TRUE(theme().Picture_Pgm[i].Picture().valid()) << i;
        EXPECT_GT(theme().Picture_Pgm[i].Width(), 0) << i;
        EXPECT_GT(theme().Picture_Pgm[i].Height(), 0) << i;
    }
}

TEST_F(PlayerTest, TilesRepeatAcrossTheWindow)
{
    Plain f;
    f.setScaleWidth(1000);
    f.setScaleHeight(600);
    f.ensureSurfaceSize(1000 / 15 + 1, 600 / 15 + 1);
    f.setBackColor(0x00FF00);
    f.Cls();
    theme().SetUserPicture(twoColourTile(400 / 15, 300 / 15));
    ASSERT_EQ(theme().Picture_Pgm[0].Width(), 390); // 26 pixels
    PathPgmImage = "/some/user/picture.jpg";
    TileFormBackground(f);
    // Columns start at 0, 390 and 780: each begins red.
    EXPECT_EQ(QColor(pixelAtTwips(f, 15, 15)).red(), 255);
    EXPECT_EQ(QColor(pixelAtTwips(f, 390 + 15, 15)).red(), 255);
    EXPECT_EQ(QColor(pixelAtTwips(f, 780 + 15, 300 + 15)).red(), 255);
    EXPECT_EQ(QColor(pixelAtTwips(f, 390 + 300, 15)).blue(), 255);
    theme().SetUserPicture(StdPicture());
}

TEST_F(PlayerTest, NoPictureMeansNoTiling)
{
    Plain f;
    f.setScaleWidth(600);
    f.setScaleHeight(600);
    f.ensureSurfaceSize(41, 41);
    f.setBackColor(0x00FF00);
    f.Cls();
    theme().SetUserPicture(StdPicture());
    PathPgmImage = "";
    TileFormBackground(f);
    PathPgmImage = "@ZunMp3";
    ThemeIndex = -1;
    TileFormBackground(f);
    PathPgmImage = "@ZunMp3";
    ThemeIndex = 0; // the user slot, empty
    TileFormBackground(f);
    EXPECT_EQ(QColor(pixelAtTwips(f, 300, 300)).green(), 255);
    EXPECT_EQ(QColor(pixelAtTwips(f, 300, 300)).red(), 0);
    ThemeIndex = 3;
    TileFormBackground(f);
    EXPECT_NE(QColor(pixelAtTwips(f, 300, 300)).rgb(), QColor(0, 255, 0).rgb());
    ThemeIndex = 1;
}

TEST_F(PlayerTest, ZeroSizedTileDoesNotHang)
{
    Plain f;
    f.setScaleWidth(600);
    f.setScaleHeight(600);
    theme().SetUserPicture(twoColourTile(10, 10));
    theme().Picture_Pgm[0].Move(0, 0, 0, 150);
    PathPgmImage = "/user.jpg";
    TileFormBackground(f); // returns
    theme().Picture_Pgm[0].Move(0, 0, 150, 0);
    TileFormBackground(f);
    theme().SetUserPicture(StdPicture());
    PathPgmImage = "@ZunMp3";
    SUCCEED();
}

TEST_F(PlayerTest, MissingUserPictureStillStartsUp)
{
    WriteDefaultIni();
    setIni("Path", "Path PgmImage", dir.file("nowhere.jpg"));
    Player& p = start();
    EXPECT_EQ(p.Command_Play.Caption(), "Jouer");
    EXPECT_EQ(CmdLine, "Fin");
}

TEST_F(PlayerTest, CenterFormPlacesInTheMiddle)
{
    Plain f;
    f.Move(0, 0, 4000, 6000);
    CenterForm(f);
    EXPECT_EQ(f.Top(), (Screen::Height() - f.Height()) / 2);
    EXPECT_EQ(f.Left(), (Screen::Width() - f.Width()) / 2);
}

TEST_F(PlayerTest, SelectSongOnlyComplainsWithoutASong)
{
    Player& p = start();
    p.Select_Song.setText("/music/song.mp3");
    IsPlaying = true;
    MsgSelectSong();
    EXPECT_TRUE(prompter->questions().empty());
    EXPECT_TRUE(IsPlaying);

    p.Select_Song.setText("");
    prompter->answerMsgBox(vbOK);
    MsgSelectSong();
    ASSERT_EQ(prompter->questions().size(), 1u);
    EXPECT_EQ(prompter->questions()[0].text, "Sélectionner une chanson !");
    EXPECT_EQ(prompter->questions()[0].style, vbOKOnly);
    EXPECT_FALSE(IsPlaying);
}

TEST_F(PlayerTest, MustStopMessageByLanguage)
{
    Langue = "Fr";
    prompter->answerMsgBox(vbOK);
    MsgMustStop();
    Langue = "De";
    prompter->answerMsgBox(vbOK);
    MsgMustStop();
    ASSERT_EQ(prompter->questions().size(), 2u);
    EXPECT_EQ(prompter->questions()[0].title, "Attention");
    EXPECT_EQ(prompter->questions()[1].text, "You must stop before running this function");
    EXPECT_EQ(prompter->questions()[1].title, "Stop");
    EXPECT_EQ(prompter->questions()[1].style, vbCritical);
}
