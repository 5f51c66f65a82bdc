// The per-song look of the lyric windows, their hot keys and screen presets,
// and the main window's two commands that open the lyric window and mute the
// lyrics.
#include "core/modini.h"
#include "core/player.h"
#include "karaoke/lyricdraw.h"
#include "karaoke/lyricviews.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playback/midianalysis.h"

#include <array>
#include <cstdlib>
#include <optional>
#include <string>

using namespace modIni;

namespace {

// A colour given as decimal text; nothing when the text is not a number.
std::optional<long> colourNumber(const std::string& s)
{
    const std::optional<double> d = vb::ToNumber(s);
    if (!d)
        return std::nullopt;
    return vb::CLng(*d);
}

// The three parts of a colour into the texts that hold them. A colour that is
// not a number leaves them as they were.
void setParts(const std::string& colour, std::string& red, std::string& green, std::string& blue)
{
    const std::optional<long> c = colourNumber(colour);
    if (!c)
        return;
    red = vb::CStr(GetColorPart(*c, "gcRed"));
    green = vb::CStr(GetColorPart(*c, "gcGreen"));
    blue = vb::CStr(GetColorPart(*c, "gcBlue"));
}

void setBack(Form& f, const std::string& colour)
{
    if (const std::optional<long> c = colourNumber(colour))
        f.setBackColor(*c);
}

// The selected play-list row, when its own look is to be used.
ListItem* rowWithLook()
{
    if (!isLoaded<Player>() || PlayListTab != 1)
        return nullptr;
    Player& p = player();
    ListItem* row = p.ListView1.SelectedItem();
    if (!row || row->SubItems(6) != "1" || p.Select_Song.Text().empty())
        return nullptr;
    return row;
}

// A picture named by a sync file is only ever a file of the song's own folder.
bool bareFileName(const std::string& name)
{
    return !name.empty() && name.find('/') == std::string::npos && name.find('\\') == std::string::npos &&
           name.find("..") == std::string::npos && !(name.size() >= 2 && name[1] == ':');
}

bool placementToldOnce = false;

// Says once per run that the window system does not let us place windows.
bool placementOrTell()
{
    if (WindowPlacementAvailable())
        return true;
    if (!placementToldOnce) {
        placementToldOnce = true;
        if (Langue == "Fr")
            MsgBox("L'ancrage et les positions d'écran des fenêtres karaoké ne sont pas disponibles sous Wayland.",
                   vbInformation, "Zun Mp3 Karaoke");
        else
            MsgBox("Docking and screen presets of the karaoke windows are not available under Wayland.",
                   vbInformation, "Zun Mp3 Karaoke");
    }
    return false;
}

int toTwips(float v)
{
    return static_cast<int>(vb::CLng(static_cast<double>(v)));
}

// A MIDI song shown from its own lyric events: the line being sung comes back
// on the page with its sung part. A line that began while the lyrics were
// hidden left the page empty, and the redraw alone would show it so until the
// next lyric event.
void showMidiLineAgain()
{
    const Kar::LyricView v = Kar::karView();
    const long idx = Kar::MidiEventIdx;
    if (!v.midiPath || idx < 1 || idx >= static_cast<long>(Kar::MidiEvents.size()))
        return;
    const Kar::MidiEvent& rec = Kar::MidiEvents[static_cast<std::size_t>(idx)];
    const long n = rec.LineNo;
    if (Kar::IsTitleLine(n))
        return;
    std::array<std::string, 9> L;
    for (long k = 0; k < 9; ++k)
        if (n + k >= 0 && n + k < static_cast<long>(Kar::MidiLines.size()))
            L[static_cast<std::size_t>(k)] = Kar::MidiLines[static_cast<std::size_t>(n + k)];
    Kar::resumeMidiLine(v, Kar::displayOptions(), rec.Text, L);
}

} // namespace

namespace modIni {

bool WindowPlacementAvailable()
{
    // Our start-up picks X11 whenever a display offers it; a session that
    // still ends up on Wayland cannot place windows.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string p = platform ? platform : "";
    if (p.rfind("wayland", 0) == 0)
        return false;
    if (p.empty()) {
        const char* display = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        if ((!display || !*display) && wayland && *wayland)
            return false;
    }
    return true;
}

void ApplySongKarSettings()
{
    if (KarTestMode)
        return;
    Karaoke& k = karaoke();
    if (!KarFontName.empty())
        k.setFontName(KarFontName);
    if (KarFontSize > 0)
        k.setFontSize(KarFontSize);
    k.setFontBold(KarFontBold);
    k.HScroll_Kar.setValue(KarScrollPos[1]);
    k.VScroll_Kar.setValue(KarScrollPos[2]);

    if (ListItem* row = rowWithLook()) {
        const std::string picture = row->SubItems(12);
        if (!picture.empty() && FileExists(picture))
            k.setPicture(LoadPicture(picture));
        else
            k.setPicture(StdPicture());
        setBack(k, row->SubItems(10));
        KarShadowColor = vb::CStr(vb::Val(row->SubItems(11)));
        setParts(row->SubItems(7), FontRed, FontGreen, FontBlue);
        setParts(row->SubItems(8), ActifRed, ActifGreen, ActifBlue);
        setParts(row->SubItems(9), PassifRed, PassifGreen, PassifBlue);
        return;
    }

    if (!PathImage.empty() && FileExists(PathImage))
        k.setPicture(LoadPicture(PathImage));
    else
        k.setPicture(StdPicture());
    setBack(k, KarBackColor);
    setParts(KarFontColor, FontRed, FontGreen, FontBlue);
    setParts(KarFontColorActif, ActifRed, ActifGreen, ActifBlue);
    setParts(KarFontColorPassif, PassifRed, PassifGreen, PassifBlue);
    KarShadowColor = KarShadowColorIni;
}

void ApplyKarDisplaySettings(const std::string& line)
{
    // "//" picture ; page ; sung ; passive ; background ; shadow (to the end).
    // A field counts only when the ";" that ends it is there.
    std::string fields[6];
    int complete = 0;  // fields ended by their ";"
    std::size_t pos = line.size() >= 2 ? 2 : line.size();
    while (complete < 5) {
        const std::size_t sep = line.find(';', pos);
        if (sep == std::string::npos)
            break;
        fields[complete++] = line.substr(pos, sep - pos);
        pos = sep + 1;
    }
    if (complete == 5) {
        fields[5] = line.substr(pos);
        while (!fields[5].empty() && (fields[5].back() == '\r' || fields[5].back() == '\n'))
            fields[5].pop_back();
    }

    Karaoke& k = karaoke();
    const bool k1Shown = k.Check_Aff_K1.Value() != 0;
    if (complete >= 1 && bareFileName(fields[0]) && isLoaded<Player>()) {
        const std::string folder = GetFilePath(player().Select_Song.Text());
        const std::string path = folder + fields[0];
        if (!folder.empty() && FileExists(path)) {
            const StdPicture pic = LoadPicture(path);
            k.setPicture(pic);
            if (k1Shown)
                karaoke_K1().setPicture(pic);
        }
    }
    if (complete >= 2)
        setParts(fields[1], FontRed, FontGreen, FontBlue);
    if (complete >= 3)
        setParts(fields[2], ActifRed, ActifGreen, ActifBlue);
    if (complete >= 4)
        setParts(fields[3], PassifRed, PassifGreen, PassifBlue);
    if (complete >= 5) {
        setBack(k, fields[4]);
        if (k1Shown)
            setBack(karaoke_K1(), fields[4]);
        KarShadowColor = fields[5];
    }
}

void CopyKarLookToK1()
{
    Karaoke& k = karaoke();
    Karaoke_K1& k1 = karaoke_K1();
    k1.setFontName(k.FontName());
    k1.setFontSize(k.FontSize());
    k1.setFontBold(k.FontBold());
    k1.setBackColor(k.BackColor());
    k1.setPicture(k.Picture());
    k1.Shape_Ball.setFillColor(k.Shape_Ball.FillColor());
    k1.Shape_Ball.setHeight(k.Shape_Ball.Height());
    k1.Shape_Ball.setWidth(k.Shape_Ball.Width());
}

void KarWindowHotKey(int KeyCode)
{
    if (KeyCode != vbKeyF12 && (KeyCode < vbKeyF5 || KeyCode > vbKeyF9))
        return;
    Karaoke& k = karaoke();
    if (KeyCode == vbKeyF12) {
        if (k.Command_Cacher.Value() == 1) {
            k.Command_Cacher.setValue(0);
            k.Command_Cacher.setVisible(false);
        } else {
            k.Command_Cacher.setValue(1);
            k.Command_Cacher.setVisible(true);
        }
        return;
    }
    if (KeyCode == vbKeyF9) {
        placementOrTell();
        k.Check_Aff_K1.setValue(1);
        if (isLoaded<Player>())
            player().Timer_SetKar2.setEnabled(true);
        return;
    }
    if (!placementOrTell())
        return;

    const float SH = static_cast<float>(Screen::Height());
    const float SW = static_cast<float>(Screen::Width());
    const bool k1Shown = k.Check_Aff_K1.Value() == 1;
    if (KeyCode == vbKeyF8) {
        if (k1Shown) {
            k.setWindowState(vbNormal);
            k.setTop(0);
            k.setLeft(0);
            k.setHeight(toTwips(SH / 2 - 200));
            k.setWidth(toTwips(SW));
        } else {
            k.setWindowState(vbMaximized);
        }
        return;
    }

    float height = 0;
    if (KeyCode == vbKeyF7)
        height = k1Shown ? (SH - SH / 3) / 2 : SH - SH / 3;
    else if (KeyCode == vbKeyF6)
        height = k1Shown ? SH / 4 : SH / 2;
    else
        height = k1Shown ? SH / 8 : SH / 4;

    k.setWindowState(vbNormal);
    k.setLeft(0);
    k.setHeight(toTwips(height));
    k.setWidth(toTwips(SW));
    if (k1Shown) {
        Karaoke_K1& k1 = karaoke_K1();
        k1.setLeft(0);
        if (static_cast<float>(k1.Top()) + static_cast<float>(k1.Height()) > SH)
            k.setTop(toTwips(SH - 2 * static_cast<float>(k.Height()) - 400));
    } else if (static_cast<float>(k.Top()) + static_cast<float>(k.Height()) > SH) {
        k.setTop(toTwips(SH - static_cast<float>(k.Height()) - 400));
    }
}

} // namespace modIni

// ---------------------------------------------------------------- main window commands

void Player::Command_AffSyk_Click()
{
    Karaoke& k = karaoke();
    if (Check_Aff_Karaoke.Value() == 0) {
        auto saved = [](const char* key, float fallback) {
            return toTwips(vb::CSng(IniAccess("GET", "Kar Windows", key), fallback));
        };
        // A saved place from another monitor, or a hand-edited size, is made
        // to fit the screen before the window takes it.
        k.placeOnScreen(saved("Left", 150), saved("Top", 6705), saved("Width", 10875), saved("Height", 2775));
        Check_Aff_Karaoke.setValue(1);
        k.Show();
    } else {
        k.SetFocus();
    }
    ApplySongKarSettings();
    k.Cls();
    if (k.Check_Aff_K1.Value() == 1) {
        karaoke_K1().Cls();
        CopyKarLookToK1();
    }
    if (k.Top() < 0)
        k.setTop(0);
}

void Player::Check_Muet2_Click()
{
    Karaoke& k = karaoke();
    const bool k1Shown = k.Check_Aff_K1.Value() == 1;
    if (Check_Muet2.Value() == 1) {
        k.Mute_SK.setValue(1);
        k.Check_Ball.setValue(0);
        k.Shape_Ball.setWidth(0);
        k.Shape_Ball.setHeight(0);
        if (k1Shown) {
            karaoke_K1().Shape_Ball.setWidth(0);
            karaoke_K1().Shape_Ball.setHeight(0);
        }
        k.Check_Decompte.setValue(0);
        k.Label_Sec.setCaption("");
        karaoke_K1().Label_Sec.setCaption("");
        k.Cls();
        if (k1Shown)
            karaoke_K1().Cls();
        return;
    }
    k.Mute_SK.setValue(0);
    // The syllables that fell due meanwhile must not clear the page again.
    if (IsPlaying)
        Kar::KarPage.Resumed = Kar::K1Page.Resumed = true;
    // Ball and count-down come back as the user set them, not forced on: a
    // ball switched off stays 0 by 0, as the window opens it.
    const bool ball = vb::CLng(IniAccess("GET", "Kar Windows", "Ball"), 1) != 0;
    k.Check_Ball.setValue(ball ? 1 : 0);
    k.Check_Decompte.setValue(vb::CLng(IniAccess("GET", "Kar Windows", "CountDown"), 1) != 0 ? 1 : 0);
    const int size = ball ? toTwips(vb::CSng(IniAccess("GET", "Kar Windows", "BallSize"), 175)) : 0;
    k.Shape_Ball.setHeight(size);
    k.Shape_Ball.setWidth(size);
    k.Command_Print2Ligne.press();
    if (IsPlaying)
        showMidiLineAgain();
    if (k1Shown) {
        Karaoke_K1& k1 = karaoke_K1();
        k1.Shape_Ball.setWidth(k.Shape_Ball.Width());
        k1.Shape_Ball.setHeight(k.Shape_Ball.Height());
        k1.Command_Print2Ligne.press();
    }
}
