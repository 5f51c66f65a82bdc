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
    setIni("Setting", "Theme", "4");
    Config& c = open();
    c.Combo_Skins.setListIndex(0);
    c.Combo_Skins.setListIndex(4);
    EXPECT_EQ(c.Text_ImgPgm.Text(), "@Plume");
    EXPECT_EQ(ThemeIndex, 4);
    // The switch selects the saved theme (4) again and applies it in English.
    c.Label_Option_LangueEn.fireClick();
    EXPECT_EQ(c.Text_ImgPgm.Text(), "@Feather");
    EXPECT_EQ(PathPgmImage, "@Feather");
    EXPECT_EQ(ThemeIndex, 4);
}

TEST_F(ConfigTest, LanguageSwitchBringsBackTheSavedThemesPreset)
{
    setIni("Setting", "Langue", "Fr");
    setIni("Setting", "Theme", "3");
    setIni("Setting", "PgmColor", "1");
    Config& c = open();
    EXPECT_EQ(c.Label_PgmColor.BackColor(), 1);  // loading applies nothing
    c.Combo_Skins.setListIndex(7);
    prompter->answerColor(0x102030);
    c.Command_GetButtomColor.press();
    c.Label_Option_LangueEn.fireClick();
    EXPECT_EQ(c.Combo_Skins.ListIndex(), 3);
    EXPECT_EQ(c.Combo_Skins.Text(), "Bubble");
    EXPECT_EQ(c.Label_ButtomColor.BackColor(), 14796216);
    EXPECT_EQ(c.Label_ListColor.BackColor(), 16051432);
    EXPECT_EQ(c.Label_PgmColor.BackColor(), 14796216);
    EXPECT_EQ(c.Text_ImgPgm.Text(), "@Bubble");
    EXPECT_EQ(ThemeIndex, 3);
}

TEST_F(ConfigTest, NoSavedThemeMeansNoPresetOnSwitch)
{
    setIni("Setting", "Langue", "Fr");
    setIni("Setting", "Theme", "-1");
    setIni("Setting", "ListColor", "4242");
    Config& c = open();
    EXPECT_EQ(c.Combo_Skins.ListIndex(), -1);
    const std::string picture = c.Text_ImgPgm.Text();
    c.Label_Option_LangueEn.fireClick();
    EXPECT_EQ(c.Combo_Skins.ListIndex(), -1);
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
