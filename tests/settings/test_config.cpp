// The settings dialog: what it shows from the settings file, what its save
// writes, closing without saving, and the main window coming back.
#include "config_fixture.h"

#include "core/theme.h"
#include "lyricwindows/karaoke.h"
#include "settings/themes.h"

#include <QImage>

#include <filesystem>

using namespace modIni;

namespace {

int countKeyLines(const std::string& bytes, const std::string& lowerKey)
{
    int n = 0;
    for (const std::string& line : textfile::splitLines(bytes)) {
        std::string l;
        for (char ch : line)
            l += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (l.rfind(lowerKey + "=", 0) == 0 || l.rfind(lowerKey + " =", 0) == 0)
            ++n;
    }
    return n;
}

} // namespace

// ---------------------------------------------------------------- opening

TEST_F(ConfigTest, OpeningReplacesTheMainWindowAndTheLyricWindow)
{
    karaoke().Show();
    Config& c = open();
    EXPECT_FALSE(isLoaded<Karaoke>());
    EXPECT_FALSE(QuitOnPlayerClose);
    EXPECT_TRUE(c.Visible());
    EXPECT_EQ(c.Caption(), " Configuration");
}

TEST_F(ConfigTest, RefusedWhileASongPlaysAfterAskingAboutTheList)
{
    PlayListModified = true;
    IsPlaying = true;
    prompter->answerMsgBox(vbNo);  // do not save the list
    prompter->answerMsgBox(vbOK);
    player().Command_Config.press();
    ASSERT_EQ(prompter->questions().size(), 2u);
    EXPECT_EQ(prompter->questions()[1].style & vbCritical, vbCritical);
    EXPECT_FALSE(isLoaded<Config>());
    EXPECT_TRUE(isLoaded<Player>());
    EXPECT_TRUE(QuitOnPlayerClose);
    IsPlaying = false;
}

// ---------------------------------------------------------------- loading

TEST_F(ConfigTest, LoadShowsTheStoredSettings)
{
    setIni("Path", "Path Mp3", "/music/");
    setIni("Path", "Path Syk", "/sync/");
    setIni("Path", "Path PgmImage", "@Plume");
    setIni("Setting", "PgmColor", "123456");
    setIni("Setting", "ListColor", "654321");
    setIni("Setting", "ButtomColor", "-2147483633");
    setIni("Setting", "CheckUpd", "1");
    setIni("Setting", "Theme", "4");
    setIni("Setting", "Langue", "En");
    Config& c = open();
    EXPECT_EQ(c.Text_PathMp3.Text(), "/music/");
    EXPECT_EQ(c.Text_PathSyk.Text(), "/sync/");
    EXPECT_EQ(c.Text_ImgPgm.Text(), "@Plume");
    EXPECT_EQ(c.Check_Maj.Value(), 1);
    // The stored colours, not the theme's preset: loading applies no preset.
    EXPECT_EQ(c.Label_PgmColor.BackColor(), 123456);
    EXPECT_EQ(c.Check_Syk.BackColor(), 123456);
    EXPECT_EQ(c.Combo_MidiOut.BackColor(), 654321);
    EXPECT_EQ(c.Command_Sortie.BackColor() & 0xFFFFFFFF, 0x8000000F);
    // English: the option, the captions and the theme names.
    EXPECT_TRUE(c.Option_Langue[1].Value());
    EXPECT_FALSE(c.Option_Langue[0].Value());
    EXPECT_EQ(Langue, "En");
    EXPECT_EQ(c.Command_Sortie.Caption(), "Save and Exit");
    EXPECT_FALSE(c.Label_Ass_Fr.Visible());
    EXPECT_EQ(c.Combo_Skins.ListIndex(), 4);
    EXPECT_EQ(c.Combo_Skins.Text(), "Feather");
    EXPECT_EQ(c.Combo_MidiOut.Text(), "Auto");
}

TEST_F(ConfigTest, NumbersThatDoNotConvertTakeTheDefaults)
{
    setIni("Setting", "Theme", "abc");
    setIni("Setting", "MidiOut", "x");
    setIni("Setting", "CheckUpd", "yes");
    setIni("Setting", "PgmColor", "blue");
    Config& c = open();
    EXPECT_EQ(c.Combo_Skins.ListIndex(), 1);
    EXPECT_EQ(MidiOut, -1);
    EXPECT_EQ(c.Combo_MidiOut.Text(), "Auto");
    EXPECT_EQ(c.Check_Maj.Value(), 0);
    EXPECT_EQ(c.Label_PgmColor.BackColor(), 14865093);
}

// ---------------------------------------------------------------- saving

TEST_F(ConfigTest, SaveWritesEveryKey)
{
    setIni("Setting", "Langue", "Fr");
    setIni("Setting", "Theme", "1");
    Config& c = open();
    prompter->answerFolder("/data/songs");
    c.Command_Browse2.press();
    prompter->answerFolder("/");
    c.Command_Browse1.press();
    prompter->answerFolder(std::nullopt);   // cancel changes nothing
    c.Command_Browse1.press();
    c.Combo_Skins.setListIndex(3);   // "Bulle d'eau"
    c.Label_Check_Maj_Click();
    c.Combo_MidiOut.setText("3 ");
    c.Label_Option_LangueEn.fireClick();
    // The language switch keeps the theme chosen (3), now named in English.
    EXPECT_EQ(c.Combo_Skins.ListIndex(), 3);
    c.Command_Sortie.press();

    EXPECT_FALSE(isLoaded<Config>());
    EXPECT_EQ(ini("Path", "Path Mp3"), "/data/songs/");
    EXPECT_EQ(ini("Path", "Path Syk"), "/");
    EXPECT_EQ(countKeyLines(iniBytes(), "path mp3"), 1);
    EXPECT_EQ(ini("Path", "Path PgmImage"), "@Bubble");
    EXPECT_EQ(ini("Setting", "ButtomColor"), "14796216");
    EXPECT_EQ(ini("Setting", "ListColor"), "16051432");
    EXPECT_EQ(ini("Setting", "PgmColor"), "14796216");
    EXPECT_EQ(ini("Setting", "CheckUpd"), "1");
    EXPECT_EQ(ini("Setting", "Theme"), "3");
    EXPECT_EQ(ini("Setting", "MidiOut"), "3");
    EXPECT_EQ(ini("Setting", "Langue"), "En");
    EXPECT_EQ(PathMp3, "/data/songs/");
    EXPECT_EQ(ThemeIndex, 3);
}

TEST_F(ConfigTest, ClassicThemeIsStoredAsZeroWithTheSystemColours)
{
    Config& c = open();
    c.Combo_Skins.setListIndex(0);
    EXPECT_EQ(c.Text_ImgPgm.Text(), " ");
    EXPECT_EQ(PathPgmImage, "");
    EXPECT_EQ(ThemeIndex, -1);
    c.Command_Sortie.press();
    EXPECT_EQ(ini("Setting", "Theme"), "0");
    EXPECT_EQ(ThemeIndex, 0);
    EXPECT_EQ(ini("Setting", "ButtomColor"), "-2147483633");
    EXPECT_EQ(ini("Setting", "PgmColor"), "-2147483633");
    EXPECT_EQ(ini("Setting", "ListColor"), "16777215");
    // One blank stands for no picture: it replaces the old picture and reads
    // back as "".
    EXPECT_EQ(ini("Path", "Path PgmImage"), "");
    EXPECT_EQ(countKeyLines(iniBytes(), "path pgmimage"), 1);
    // The main window comes back with the system's button face.
    Player& p = restarted();
    EXPECT_EQ(p.BackColor() & 0xFFFFFFFF, 0x8000000F);
}

TEST_F(ConfigTest, TypedThemeNameStoresNoTheme)
{
    Config& c = open();
    c.Combo_Skins.setText("My own look");
    c.Command_Sortie.press();
    EXPECT_EQ(ini("Setting", "Theme"), "-1");
    EXPECT_EQ(ThemeIndex, -1);
}

TEST_F(ConfigTest, EmptiedFolderKeepsTheStoredOne)
{
    setIni("Path", "Path Mp3", "/old/");
    Config& c = open();
    c.Text_PathMp3.setText("");
    c.Command_Sortie.press();
    EXPECT_EQ(ini("Path", "Path Mp3"), "/old/");
    EXPECT_EQ(PathMp3, "");
    restarted();
    EXPECT_EQ(PathMp3, "/old/");
}

TEST_F(ConfigTest, MidiOutputMustBeAutoOrAWholeNumber)
{
    Config& c = open();
    for (const char* bad : {"auto", "AUTO ", "1.5", "99999", "x3", ""}) {
        const std::string before = iniBytes();
        c.Combo_MidiOut.setText(bad);
        prompter->answerMsgBox(vbOK);
        c.Command_Sortie.press();
        EXPECT_TRUE(isLoaded<Config>()) << bad;
        EXPECT_EQ(iniBytes(), before) << bad;
        EXPECT_EQ(prompter->questions().back().kind, ScriptedPrompter::Kind::MsgBox);
    }
    int port = 0;
    EXPECT_TRUE(Config::ParseMidiOut("-32768", port));
    EXPECT_FALSE(Config::ParseMidiOut("32768", port));
    c.Combo_MidiOut.setText("Auto");
    c.Command_Sortie.press();
    EXPECT_EQ(ini("Setting", "MidiOut"), "-1");
}

// ---------------------------------------------------------------- closing

TEST_F(ConfigTest, SaveAndExitSaysOnceWhenTheSettingsCannotBeStored)
{
    testsupport::SmallDisk disk(dir.path() / "disk", 128 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a RAM disk here (needs root)";
    setIni("Setting", "Langue", "En");
    Config& c = open();
    // The program folder lies on a disk that is then filled up.
    const std::string before = iniBytes();
    std::filesystem::copy_file(IniPath(), disk.path() + "/PlaySyk.ini");
    const testsupport::ScopedEnv folder("ZUNKARAOKE_DIR", disk.path().c_str());
    disk.fill();

    auto notSaved = [&] {
        int n = 0;
        for (const std::string& m : messages())
            if (m.rfind("The settings could not be saved: ", 0) == 0)
                ++n;
        return n;
    };
    c.Text_PathMp3.setText("/elsewhere/");
    prompter->answerMsgBox(vbOK);
    c.Command_Sortie.press();
    EXPECT_EQ(notSaved(), 1);
    EXPECT_EQ(messages().back(), "The settings could not be saved: the disk is full.");
    // Nothing is lost: the dialog stays for another try, the file is as it was.
    EXPECT_TRUE(isLoaded<Config>());
    EXPECT_EQ(iniBytes(), before);

    // A read-only folder.
    ASSERT_TRUE(disk.makeReadOnly());
    prompter->answerMsgBox(vbOK);
    c.Command_Sortie.press();
    EXPECT_EQ(notSaved(), 2);
    EXPECT_EQ(messages().back(),
              "The settings could not be saved: the folder cannot be written to (read-only or no permission).");
    EXPECT_EQ(iniBytes(), before);
    EXPECT_TRUE(prompter->unexpected().empty());
}

TEST_F(ConfigTest, ClosingWithoutSavingChangesNothing)
{
    setIni("Setting", "Langue", "Fr");
    setIni("Setting", "Theme", "2");
    Config& c = open();
    const std::string before = iniBytes();
    c.Label_Option_LangueEn.fireClick();
    c.Combo_Skins.setListIndex(6);
    prompter->answerColor(0x00FF00);
    c.Command_GetWinColor.press();
    c.Text_PathMp3.setText("/elsewhere/");
    c.Check_Syk.setValue(1);
    EXPECT_EQ(Langue, "En");
    EXPECT_EQ(ThemeIndex, 6);
    Unload(c, vbFormControlMenu);
    EXPECT_EQ(iniBytes(), before);
    EXPECT_EQ(CmdLine, "Fin");
    restarted();
    EXPECT_EQ(Langue, "Fr");
    EXPECT_EQ(ThemeIndex, 2);
    EXPECT_TRUE(QuitOnPlayerClose);
}

TEST_F(ConfigTest, MainWindowComesBackInTheNewLanguage)
{
    setIni("Setting", "Langue", "Fr");
    Player& before = restarted();
    EXPECT_EQ(before.Command_Play.Caption(), "Jouer");
    Config& c = open();
    c.Label_Option_LangueEn.fireClick();
    EXPECT_EQ(c.Command_Sortie.Caption(), "Save and Exit");
    c.Command_Sortie.press();
    Player& p = restarted();
    EXPECT_EQ(Langue, "En");
    EXPECT_EQ(p.Command_Play.Caption(), "Play");
    EXPECT_TRUE(p.Visible());
    EXPECT_EQ(CmdLine, "Fin");
    EXPECT_TRUE(QuitOnPlayerClose);
}

// ---------------------------------------------------------------- colours

TEST_F(ConfigTest, ColourButtonsPaintTheirGroups)
{
    Config& c = open();
    const long listBefore = c.Label_ListColor.BackColor();
    prompter->answerColor(std::nullopt);
    c.Command_GetWinColor.press();
    EXPECT_EQ(c.Label_ListColor.BackColor(), listBefore);
    EXPECT_EQ(prompter->questions().back().style, cdlCCFullOpen);

    prompter->answerColor(0x0000FF);
    c.Command_GetPgmColor.press();
    EXPECT_EQ(c.Label_PgmColor.BackColor(), 0x0000FF);
    EXPECT_EQ(c.BackColor(), 0x0000FF);
    EXPECT_EQ(c.Check_Maj.BackColor(), 0x0000FF);

    prompter->answerColor(0x00FF00);
    c.Command_GetWinColor.press();
    EXPECT_EQ(c.Combo_Skins.BackColor(), 0x00FF00);
    // Not preset to the swatch, nor to the colour chosen before.
    EXPECT_EQ(prompter->questions().back().text, "0");

    prompter->answerColor(0xFF0000);
    c.Command_GetButtomColor.press();
    EXPECT_EQ(c.Command_BrowseImg.BackColor(), 0xFF0000);

    c.Command_Sortie.press();
    EXPECT_EQ(ini("Setting", "PgmColor"), "255");
    EXPECT_EQ(ini("Setting", "ListColor"), "65280");
    EXPECT_EQ(ini("Setting", "ButtomColor"), "16711680");
}

TEST_F(ConfigTest, SwatchClickTellsTheColourParts)
{
    setIni("Setting", "Langue", "En");
    Config& c = open();
    c.Combo_Skins.setListIndex(0);
    prompter->answerMsgBox(vbOK);
    c.Label_ButtomColor.fireClick();
    EXPECT_EQ(prompter->questions().back().text, "Red: 15  Green: 0  Blue: 0");
    EXPECT_EQ(prompter->questions().back().title, "RGB Colors");
    c.Label_Option_LangueFr.fireClick();
    c.Label_ListColor.setBackColor(0x123456);
    prompter->answerMsgBox(vbOK);
    c.Label_ListColor.fireClick();
    EXPECT_EQ(prompter->questions().back().text, "Rouge:  86       Vert:  52       Bleu:  18");
    EXPECT_EQ(prompter->questions().back().title, "Couleurs RGB");
}

// ---------------------------------------------------------------- small controls

TEST_F(ConfigTest, CaptionLabelsToggleTheirBoxes)
{
    Config& c = open();
    EXPECT_EQ(c.Check_Kar.Value(), 0);
    c.Label_Check_Kar.fireClick();
    EXPECT_EQ(c.Check_Kar.Value(), 1);
    c.Label_Check_Kar.fireClick();
    EXPECT_EQ(c.Check_Kar.Value(), 0);
    c.Check_Mp3.setValue(2);
    c.Label_Check_Mp3.fireClick();
    EXPECT_EQ(c.Check_Mp3.Value(), 1);
    c.Label_Option_LangueEn.fireClick();
    c.Label_Option_LangueFr.fireClick();
    EXPECT_TRUE(c.Option_Langue[0].Value());
    EXPECT_EQ(Langue, "Fr");
    EXPECT_EQ(c.Label_Syk.Caption(), "Emplacement .Syk:");
}

TEST_F(ConfigTest, PictureChoiceAndNone)
{
    Config& c = open();
    testsupport::TempDir d;
    QImage img(8, 6, QImage::Format_RGB32);
    img.fill(Qt::red);
    const std::string png = d.file("skin.png");
    ASSERT_TRUE(img.save(QString::fromStdString(png)));
    const std::string broken = d.write("broken.jpg", "not a picture");

    prompter->answerOpenFile("  " + png + " ");
    c.Command_BrowseImg.press();
    EXPECT_EQ(c.Text_ImgPgm.Text(), png);
    EXPECT_EQ(PathPgmImage, png);
    ASSERT_TRUE(theme().Picture_Pgm[0].Picture().valid());
    EXPECT_EQ(theme().Picture_Pgm[0].Picture().pixelWidth(), 8);

    // A file that does not load is said; the choice there was stays, text
    // and picture (saved, it would show nothing at the next start).
    prompter->answerOpenFile(broken);
    prompter->answerMsgBox(vbOK);
    c.Command_BrowseImg.press();
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages().back(), "Cette image ne peut pas être affichée :\n" + broken);
    EXPECT_EQ(c.Text_ImgPgm.Text(), png);
    EXPECT_EQ(PathPgmImage, png);
    EXPECT_EQ(theme().Picture_Pgm[0].Picture().pixelWidth(), 8);

    // The dialog offers what loads: no PCX; TIFF where its reader is there.
    std::string filter;
    for (const auto& q : prompter->questions())
        if (q.kind == ScriptedPrompter::Kind::OpenFile)
            filter = q.title;
    EXPECT_EQ(filter.find("*.pcx"), std::string::npos);
    EXPECT_NE(filter.find("*.png"), std::string::npos);
    EXPECT_NE(filter.find("*.gif"), std::string::npos);
    const std::string tif = d.file("skin.tif");
    if (filter.find("*.tif") != std::string::npos) {
        ASSERT_TRUE(img.scaled(5, 7).save(QString::fromStdString(tif), "TIFF"));
        prompter->answerOpenFile(tif);
        c.Command_BrowseImg.press();
        EXPECT_EQ(c.Text_ImgPgm.Text(), tif);
        EXPECT_EQ(theme().Picture_Pgm[0].Picture().pixelWidth(), 5);
    }
    EXPECT_TRUE(prompter->unexpected().empty());

    const std::string keep = PathPgmImage;
    c.Command_Aucun.press();
    EXPECT_EQ(c.Text_ImgPgm.Text(), " ");
    EXPECT_EQ(PathPgmImage, keep);
}
