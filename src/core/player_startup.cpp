// Start-up of the main window, in two stages: Form_Load does the little that
// must exist before the window is first painted, then the one-shot timer
// Timer_LoadPlayer does the heavy loading once the window shows.
#include "core/player.h"

#include "core/modini.h"
#include "core/theme.h"
#include "platform/files/language.h"
#include "platform/files/paths.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playback/playback.h"
#include "playback/slider.h"
#include "settings/update.h"

#include <array>
#include <ctime>

#if __has_include("lyricwindows/karaoke.h")
#include "lyricwindows/karaoke.h"
#define ZUN_HAVE_KARAOKE 1
#endif
#if __has_include("lyricwindows/karaoke_k1.h")
#include "lyricwindows/karaoke_k1.h"
#define ZUN_HAVE_KARAOKE_K1 1
#endif

using namespace modIni;

namespace {

std::string get(const char* section, const char* key)
{
    return IniAccess("GET", section, key);
}

// Numbers of the settings file; a value that is not a number gives the
// default value of the key (a hand-edited file cannot stop the start-up).
long getLong(const char* section, const char* key, long fallback)
{
    return vb::CLng(get(section, key), fallback);
}

int getInt(const char* section, const char* key, int fallback)
{
    return vb::CInt(get(section, key), fallback);
}

bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Exact name first; songs copied from Windows may differ in case only.
std::string existingSong(const std::string& candidate)
{
    if (FileExists(candidate))
        return candidate;
    const std::string found = paths::findFileNoCase(candidate);
    if (!found.empty() && FileExists(found))
        return found;
    return "";
}

// The folder browser shows the folder when it still exists, else home.
std::string browsableFolder(const std::string& folder)
{
    if (!folder.empty() && paths::isFolder(folder))
        return folder;
    return paths::homeFolder();
}

int currentMonth()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_mon + 1;
}

} // namespace

// A path given relative to the folder the program was started from, made
// absolute: the current-song box and the folder browser need the whole path.
static std::string absoluteFromHere(const std::string& path)
{
    if (path.empty() || path.front() == '/')
        return path;
    const std::string here = paths::currentFolder();
    return here.empty() ? path : paths::join(here, path);
}

std::string CommandLineSong(const std::string& cmdLine, const std::string& pathMp3, bool* syk)
{
    if (syk)
        *syk = false;
    if (cmdLine.size() < 4)
        return "";
    static const std::array<const char*, 4> kSongEndings{".mp3", ".kar", ".mid", ".wav"};
    if (endsWith(cmdLine, ".syk")) {
        if (syk)
            *syk = true;
        const std::string name = GetFileName(cmdLine);
        const std::string base = name.size() >= 4 ? name.substr(0, name.size() - 4) : "";
        if (!base.empty()) {
            for (const char* ext : kSongEndings) {
                const std::string song = existingSong(pathMp3 + base + ext);
                if (!song.empty())
                    return song;
            }
        }
        const std::string besides = cmdLine.substr(0, cmdLine.size() - 4);
        for (const char* ext : kSongEndings) {
            const std::string song = existingSong(besides + ext);
            if (!song.empty())
                return song;
        }
        return "";
    }
    const std::string ending = vb::LCase(cmdLine.substr(cmdLine.size() - 4));
    if (ending == ".mp3" || ending == ".mid" || ending == ".kar" || ending == ".wav")
        return cmdLine;
    return "";
}

void Player::Form_Load()
{
    KarScrollPos[1] = 3;
    KarScrollPos[2] = 4;

    const long buttonColour = getLong("Setting", "ButtomColor", 15788257);
    VolumeCtl.setBackColor(buttonColour);
    VelocityCtl.setBackColor(buttonColour);
    TransposeCtl.setBackColor(buttonColour);

    Kar::SliderVolume.SlideCreate(VolumeCtl);
    Kar::SliderVelocity.SlideCreate(VelocityCtl);
    Kar::SliderTranspose.SlideCreate(TransposeCtl);
    Kar::SliderBalance.SlideCreate(BalanceCtl);
    Kar::SliderVolume.setValue(64);
    Kar::SliderBalance.setValue(64);
    Kar::SliderVelocity.setValue(64);
    Kar::SliderTranspose.setValue(64);

    // The MIDI performance is created by the MIDI playback when a song loads.

    // Whole twips, saturated (a hand-edited huge value cannot overflow the
    // conversion); a place no screen shows would leave the program unusable.
    setTop(static_cast<int>(getLong("Player Windows", "Top", 75)));
    setLeft(static_cast<int>(getLong("Player Windows", "Left", 150)));
    keepOnScreen();

    LineTab1.setX1(Image_Tab.Left() + Image_Tab.Width());
    Image_Tab.setTop(static_cast<int>(LineTab2.Y1()) - Image_Tab.Height());

    Timer_LoadPlayer.setEnabled(true);

    ThemeIndex = getInt("Setting", "Theme", 1);
    PathPgmImage = get("Path", "Path PgmImage");
    setBackColor(getLong("Setting", "PgmColor", 14865093));

    if (!PathPgmImage.empty() && PathPgmImage[0] != '@') {
        if (!FileExists(PathPgmImage))
            return;
        bool ok = true;
        StdPicture picture = LoadPicture(PathPgmImage, &ok);
        // A file that is not a picture paints nothing, like a missing one.
        if (!ok)
            return;
        theme().SetUserPicture(picture);
        TileFormBackground(*this);
    } else if (!PathPgmImage.empty()) {
        TileFormBackground(*this);
    }
}

void Player::Timer_LoadPlayer_Timer()
{
    MediaKind = "None";
    QuitOnPlayerClose = true;
    PlayListModified = false;
    KarShadowColorIni = "";

    Timer_LoadPlayer.setEnabled(false);

    // The language of the previous pass (empty on the first one).
    if (Langue == "En")
        setCaption("Player");

    LastDirList = get("Path", "Path");
    PathMp3 = get("Path", "Path Mp3");
    PathSyk = get("Path", "Path Syk");
    PathLst = get("Path", "Path Lst");
    const std::string checkUpd = get("Setting", "CheckUpd");
    const std::string nextUpd = get("Setting", "NextUpd");
    MidiOut = getInt("Setting", "MidiOut", -1);
    FrezeDeskTop = get("Setting", "FrezeDeskTop");
    const int setup = getInt("Setting", "Setup", 0);

    if (setup == 0) {
        IniAccess("WRITE", "Path", "Path Image", paths::join(App::Path(), "ZunMp3syk.jpg"));
        IniAccess("WRITE", "Setting", "Setup", "1");
    }

    CheckDecimalSep();

    SetBufferColumns();
    InitListIcons();

    // Only the list (2) and detail (3) views are offered by the view menu.
    ListView1.setView(getLong("Setting", "ListView", 2) == 3 ? 3 : 2);
    TickViewMenu();
    Check_GridLines.setValue(getInt("Setting", "GridLines", 0) == 1 ? 1 : 0);
    if (Check_GridLines.Value() == 1)
        mnuGride[0].setChecked(true);

    KarBackColor = IniGetOrDefault("Kar Windows", "BackColor");
    KarFontColor = IniGetOrDefault("Kar Windows", "FontColor");
    KarFontColorActif = IniGetOrDefault("Kar Windows", "FontColorActif");
    KarFontColorPassif = IniGetOrDefault("Kar Windows", "FontColorPassif");
    KarShadowColor = IniGetOrDefault("Kar Windows", "ShadowColor");
    KarShadowColorIni = KarShadowColor;
    PathImage = get("Path", "Path Image");
    KarFontName = IniGetOrDefault("Kar Windows", "FontName");
    KarFontSize = getInt("Kar Windows", "FontSize", 26);
    NbLigne = getInt("Kar Windows", "NbLigne", 2);
    ShadowH = getInt("Kar Windows", "ShadowH", 30);
    ShadowV = getInt("Kar Windows", "ShadowV", 30);
    (void)get("Setting", "PgmColor");
    KarFontBold = vb::Val(get("Kar Windows", "FontBold")) == 1;

    FontRed = vb::CStr(GetColorPart(KarFontColor, "gcRed"));
    FontGreen = vb::CStr(GetColorPart(KarFontColor, "gcGreen"));
    FontBlue = vb::CStr(GetColorPart(KarFontColor, "gcBlue"));
    ActifRed = vb::CStr(GetColorPart(KarFontColorActif, "gcRed"));
    ActifGreen = vb::CStr(GetColorPart(KarFontColorActif, "gcGreen"));
    ActifBlue = vb::CStr(GetColorPart(KarFontColorActif, "gcBlue"));
    PassifRed = vb::CStr(GetColorPart(KarFontColorPassif, "gcRed"));
    PassifGreen = vb::CStr(GetColorPart(KarFontColorPassif, "gcGreen"));
    PassifBlue = vb::CStr(GetColorPart(KarFontColorPassif, "gcBlue"));

    // A settings file that cannot be read gives "": the default language then,
    // not French windows with English messages.
    Langue = IniGetOrDefault("Setting", "Langue");
    // Why a song cannot be read is said in the program's language too.
    language::setFrench([] { return Langue == "Fr"; });

    ApplyPlayerColors();
    if (Langue == "En")
        ApplyEnglishCaptions();

    Time_Left.setCaption("0:00");
    Label_time.setCaption("0:00");
    ProgressBar1.setValue(0);
    Label_PTime.setCaption("0 %");
    StopMidiRewind();
    DoEvents();
#ifdef ZUN_HAVE_KARAOKE
    if (isLoaded<Karaoke>())
        Unload(formInstance<Karaoke>());
#endif

    // Two tabs: any other number than 0 is the play list, whose tab the user
    // can then leave as usual.
    PlayListTab = getInt("Setting", "SSTab", 0) != 0 ? 1 : 0;
    if (PlayListTab == 0)
        Image_Tab.setPicture(Langue == "Fr" ? Image_Tab1Fr.Picture() : Image_Tab1An.Picture());
    else
        Image_Tab.setPicture(Langue == "Fr" ? Image_Tab2Fr.Picture() : Image_Tab2An.Picture());

    if (PlayListTab != 0) {
        ShowPlayListTab();
    } else {
        // The list shows a folder's files: a row's song is that folder plus its name.
        PlayListTabName = "DirList";
        SetBrowseColumns();
        const std::string folder = browsableFolder(LastDirList);
        // The folder list first (it lists the folder), then the drive list
        // quietly: the other way round would list the drive's root first.
        Dir1.setPath(folder);
        FollowFolderWithDrive(folder);
        DoEvents();
        ListView1.setSortOrder(0);
        ListView1.setSorted(true);
        mnuEdit[0].setVisible(false);
        mnuDetect[0].setVisible(false);
        mnuDeleteToPlayList[0].setVisible(false);
        if (ListView1.ListItems.Count() == 0)
            ListFolder();
    }

    DoEvents();
    // The window may have been unloaded while pending events ran.
    if (unloading())
        return;

    if (CmdLine != "Fin") {
        if (checkUpd == "1") {
            const int month = currentMonth();
            const int next = NextUpdateMonth(month);
            const bool due = month == 12 ? vb::Val(nextUpd) != 1 : nextUpd != std::to_string(next);
            if (due)
                CheckUpdate("Auto");
        }

        CmdLine = CommandLine();
        if (!CmdLine.empty()) {
            bool syk = false;
            const std::string named = absoluteFromHere(CmdLine);
            const std::string song = CommandLineSong(named, PathMp3, &syk);
            // A song's name on a folder, a device or a pipe is no song.
            if (!song.empty() && (paths::isFile(song) || !paths::exists(song))) {
                Select_Song.setText(song);
                Command_Play_Click();
            } else if (syk) {
                if (Langue == "Fr")
                    MsgBox("Le fichier musique est inexistant à l'endroit spécifié dans la configuration.",
                           vbCritical, "Attention");
                else
                    MsgBox("Music file not found in the specified directory.", vbCritical, "Warning");
            } else if (!paths::exists(named)) {
                // Said as Play says it, whatever the name's ending.
                playback::ReportMissing(*this);
            } else {
                // Another kind of file: the user is told rather than left
                // with a program that seems to have ignored the file.
                playback::ReportUnplayable(*this, named);
            }

            if (!Select_Song.Text().empty()) {
                // The folder browser follows the song only when it is the
                // list shown: moving it lists that folder into ListView1,
                // which in the play-list tab would put folder rows in place
                // of the play list (and a later save would write them).
                if (PlayListTab == 0) {
                    const std::string remembered = GetFilePath(Select_Song.Text());
                    LastDirList = remembered;
                    Drive1.setDrive(browsableFolder(remembered));
                    LastDirList = remembered;
                    Dir1.setPath(browsableFolder(LastDirList));
                }
                Check_Aff_Karaoke.setValue(1);
#ifdef ZUN_HAVE_KARAOKE
                Karaoke& k = formInstance<Karaoke>();
                k.Show();
#ifdef ZUN_HAVE_KARAOKE_K1
                if (k.Check_Aff_K1.Value() == 1)
                    formInstance<Karaoke_K1>().Show();
#endif
#endif
            }
        }
    }
    CmdLine = "Fin";
}
