// The theme list of the settings dialog: names, presets, and what the
// language switch does to the choice.
#include "config_fixture.h"

#include "settings/themes.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace modIni;

TEST_F(ConfigTest, EachPresetPaintsItsColours)
{
    setIni("Setting", "Langue", "Fr");
    Config& c = open();
    const long expected[9][3] = {
        {-2147483633L, 16777215, -2147483633L}, {15788257, 16777215, 14865093}, {15724527, 16777215, 14671839},
        {14796216, 16051432, 14796216},         {13483986, 16777215, 12300749}, {15267816, 16777215, 14086102},
        {13809875, 16777215, 12424639},         {11069183, 16777215, 10092543}, {15125946, 15267816, 14526145},
    };
    for (int i = 0; i < 9; ++i) {
        c.Combo_Skins.setListIndex(i);
        EXPECT_EQ(ThemePresets::ColourText(c.Label_ButtomColor.BackColor()), std::to_string(expected[i][0])) << i;
        EXPECT_EQ(ThemePresets::ColourText(c.Label_ListColor.BackColor()), std::to_string(expected[i][1])) << i;
        EXPECT_EQ(ThemePresets::ColourText(c.Label_PgmColor.BackColor()), std::to_string(expected[i][2])) << i;
        EXPECT_EQ(c.BackColor(), c.Label_PgmColor.BackColor()) << i;
        EXPECT_EQ(ThemeIndex, i == 0 ? -1 : i) << i;
        if (i > 0) {
            EXPECT_EQ(c.Text_ImgPgm.Text(), "@" + ThemePresets::Name(i, "Fr")) << i;
        }
    }
}

TEST_F(ConfigTest, SameThemeInBothLanguagesSamePicture)
{
    setIni("Setting", "Langue", "Fr");
    setIni("Setting", "Theme", "2");
    Config& c = open();
    c.Combo_Skins.setListIndex(0);
    c.Combo_Skins.setListIndex(4);
    EXPECT_EQ(c.Text_ImgPgm.Text(), "@Plume");
    EXPECT_EQ(ThemeIndex, 4);
    // The switch keeps the theme shown (4, not the saved 2), its picture named in English.
    c.Label_Option_LangueEn.fireClick();
    EXPECT_EQ(c.Combo_Skins.Text(), "Feather");
    EXPECT_EQ(c.Text_ImgPgm.Text(), "@Feather");
    EXPECT_EQ(PathPgmImage, "@Feather");
    EXPECT_EQ(ThemeIndex, 4);
}

// The language switch keeps saved picture and colours off the preset, and a theme and colour just picked.
TEST_F(ConfigTest, LanguageSwitchKeepsThePictureAndColours)
{
    setIni("Setting", "Langue", "Fr");
    setIni("Setting", "Theme", "3");
    setIni("Path", "Path PgmImage", "/home/me/wall.jpg");
    setIni("Setting", "PgmColor", "1");
    setIni("Setting", "ListColor", "2");
    setIni("Setting", "ButtomColor", "3");
    Config& c = open();
    c.Label_Option_LangueEn.fireClick();
    EXPECT_EQ(c.Combo_Skins.ListIndex(), 3);
    EXPECT_EQ(c.Combo_Skins.Text(), "Bubble");
    EXPECT_EQ(c.Text_ImgPgm.Text(), "/home/me/wall.jpg");
    EXPECT_EQ(c.Label_PgmColor.BackColor(), 1);
    EXPECT_EQ(c.Label_ListColor.BackColor(), 2);
    EXPECT_EQ(c.Label_ButtomColor.BackColor(), 3);
    EXPECT_EQ(c.BackColor(), 1);

    c.Combo_Skins.setListIndex(7);
    prompter->answerColor(0x102030);
    c.Command_GetButtomColor.press();
    c.Label_Option_LangueFr.fireClick();
    EXPECT_EQ(c.Combo_Skins.Text(), "Sourire");
    EXPECT_EQ(c.Label_ButtomColor.BackColor(), 0x102030);
    EXPECT_EQ(c.Label_PgmColor.BackColor(), 10092543);
    EXPECT_EQ(c.Text_ImgPgm.Text(), "@Sourire");
    EXPECT_EQ(ThemeIndex, 7);
    c.Command_Sortie.press();
    EXPECT_EQ(ini("Setting", "Theme"), "7");
    EXPECT_EQ(ini("Setting", "ButtomColor"), std::to_string(0x102030));
    EXPECT_EQ(ini("Path", "Path PgmImage"), "@Sourire");
}

TEST_F(ConfigTest, NoSavedThemeMeansNoPresetOnSwitch)
{
    setIni("Setting", "Langue", "Fr");
    setIni("Setting", "Theme", "-1");
    setIni("Setting", "ListColor", "4242");
    Config& c = open();
    EXPECT_EQ(c.Combo_Skins.ListIndex(), -1);
    const std::string picture = c.Text_ImgPgm.Text();
    c.Combo_Skins.setText("Mon thème");
    c.Label_Option_LangueEn.fireClick();
    EXPECT_EQ(c.Combo_Skins.ListIndex(), -1);
    EXPECT_EQ(c.Combo_Skins.Text(), "Mon thème");  // typed text stays
    EXPECT_EQ(c.Combo_Skins.ListCount(), 9);
    EXPECT_EQ(c.Label_ListColor.BackColor(), 4242);
    EXPECT_EQ(c.Text_ImgPgm.Text(), picture);
}

// Typed letters are only text: no theme is completed, chosen or saved. Choosing
// the theme already selected applies its preset again.
TEST_F(ConfigTest, TypingSelectsNoThemeAndChoosingTheSameOneAppliesItAgain)
{
    setIni("Setting", "Langue", "En");
    setIni("Setting", "Theme", "4");
    setIni("Setting", "PgmColor", "1");
    Config& c = open();
    ASSERT_EQ(c.Combo_Skins.ListIndex(), 4);
    auto* combo = qobject_cast<QComboBox*>(c.Combo_Skins.widget());
    ASSERT_NE(combo, nullptr);
    // Typed as a user does: into the box that has the keyboard.
    combo->window()->activateWindow();
    combo->lineEdit()->setFocus();
    QApplication::processEvents();
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), "Bu");
    EXPECT_EQ(c.Combo_Skins.Text(), "Bu");
    EXPECT_EQ(c.Label_PgmColor.BackColor(), 1);
    EXPECT_NE(c.Text_ImgPgm.Text(), "@Bubble");

    // The user picks "Feather" in the open list, the entry already selected:
    // its preset comes.
    QApplication::processEvents();
    combo->showPopup();
    QTest::keyClick(combo->view(), Qt::Key_Return);
    EXPECT_EQ(c.Combo_Skins.Text(), "Feather");
    EXPECT_EQ(c.Label_PgmColor.BackColor(), 12300749);
    EXPECT_EQ(c.Text_ImgPgm.Text(), "@Feather");
    EXPECT_EQ(ThemeIndex, 4);

    // A whole name typed and confirmed is still only text.
    c.Label_PgmColor.setBackColor(1);
    combo->lineEdit()->setFocus();
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), "Bubble");
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(c.Combo_Skins.Text(), "Bubble");
    EXPECT_EQ(c.Label_PgmColor.BackColor(), 1);
    EXPECT_EQ(c.Text_ImgPgm.Text(), "@Feather");
}
