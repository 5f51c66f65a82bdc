// The lyric text window and the main window's command that fills it.
#include "editor/paroles.h"

#include "core/modini.h"
#include "core/player.h"
#include "core/syklines.h"
#include "core/theme.h"
#include "core/uihelpers.h"
#include "editor/record.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "platform/files/runtime.h"
#include "platform/files/textfile.h"
#include "platform/forms/prompter.h"
#include "playback/midiplayer.h"

using namespace modIni;

Paroles& paroles() { return formInstance<Paroles>(); }

Paroles::Paroles()
{
    setCaption("Paroles/Lyrics");
    setScaleWidth(6600);
    setScaleHeight(5400);
    Text_Paroles.setMultiLine(true);
    Text_Paroles.setScrollBars(2);
    Text_Paroles.Move(120, 120, 6390, 4700);
    Command_Save.setCaption("Enregistrer sous");
    Command_Save.Move(120, 4900, 2100, 400);
    Command_Fermer.setToolTipText("Sortir");
    Command_Fermer.setCaption("X");
    Command_Fermer.Move(2340, 4900, 600, 400);
    Command_Save.onClick([this] { Command_Save_Click(); });
    Command_Fermer.onClick([this] { Command_Fermer_Click(); });
}

void Paroles::Form_Load()
{
    CenterForm(*this);
    ApplyDialogColors(*this, {}, {&Text_Paroles}, {&Command_Save, &Command_Fermer});
    if (Langue == "En") {
        Command_Save.setCaption("Save as");
        Command_Fermer.setToolTipText("Exit");
    }
}

void Paroles::Form_Resize()
{
    TileFormBackground(*this);
    const int w = ScaleWidth();
    const int h = ScaleHeight();
    // A window smaller than this keeps its previous layout.
    if (h < 3300 || w < 4200)
        return;
    Text_Paroles.Move(120, 120, w - 210, h - 700);
    Command_Save.Move(120, h - 500);
    Command_Fermer.Move(2340, h - 500);
}

void Paroles::Command_Save_Click()
{
    if (IsPlaying || RecordLock != 0)
        return;
    FileDialogOptions o;
    o.filter = "Syk Files (*.txt)|*.txt";
    // The dialog opens in the song's folder.
    o.initDir = isLoaded<Player>() ? GetFilePath(player().Select_Song.Text()) : std::string();
    o.flags = cdlOFNOverwritePrompt;
    const std::optional<std::string> chosen = prompter().saveFile(o);
    const std::string name = chosen ? vb::Trim(*chosen) : std::string();
    if (name.empty())
        return;
    SaveText(Text_Paroles, name);
}

void Paroles::Command_Fermer_Click() { Unload(*this); }

void Paroles::SaveText(TextBox& box, const std::string& path)
{
    // The file ends with a line end, but only one: the lyric text already ends
    // with CR LF, and an extra empty line would become an empty syllable when
    // the editor converts the file.
    std::string text = box.Text();
    if (!text.empty() && !text.ends_with(vb::vbCrLf))
        text += vb::vbCrLf;
    if (!textfile::writeText(path, text)) {
        if (Langue == "Fr")
            MsgBox("Une erreur s'est produite!", vbOKOnly, "Erreur");
        else
            MsgBox("There has been an error!", vbOKOnly, "Error");
    }
}

namespace Kar {

std::optional<std::string> SykLyricText(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        if (line.rfind("//", 0) == 0)
            continue;
        // Syllable and time pairs, each field followed by ";".
        std::size_t p = 0;
        std::size_t q = line.find(';');
        while (q != std::string::npos) {
            const std::string syllable = line.substr(p, q - p);
            const std::size_t r = line.find(';', q + 1);
            if (r == std::string::npos)
                return std::nullopt;   // a time without its closing ";"
            // The time only has to be a number: a window that shows text
            // leaves the playback's own syllable time alone.
            if (!vb::ToNumber(line.substr(q + 1, r - q - 1)))
                return std::nullopt;
            p = r + 1;
            q = line.find(';', p);
            text += syllable;
            if (q == std::string::npos)
                text += vb::vbCrLf;
        }
    }
    return text;
}

} // namespace Kar

void Player::Command_Parole_Click()
{
    if (IsPlaying) {
        MsgMustStop();
        return;
    }
    const std::string song = Select_Song.Text();
    if (song.empty()) {
        MsgSelectSong();
        return;
    }
    const std::string syk = FindSykFile(song);
    if (!syk.empty()) {
        SykFile::ReadProblem problem;
        const std::optional<std::vector<std::string>> lines = SykFile::ReadSykLines(syk, &problem);
        if (lines && !lines->empty())
            paroles().Show();
        const std::optional<std::string> text = lines ? Kar::SykLyricText(*lines) : std::nullopt;
        if (problem.kind == SykFile::ReadProblem::TooLarge) {
            MsgBox(SykFile::ReadProblemText(problem, syk, Langue == "Fr"), vbOKOnly + vbExclamation,
                   Langue == "Fr" ? "Erreur" : "Error");
            return;
        }
        if (!text) {
            if (Langue == "Fr")
                MsgBox("Fichier introuvable", vbOKOnly, "Erreur");
            else
                MsgBox("File Not Found", vbOKOnly, "Error");
            return;
        }
        paroles().Text_Paroles.setText(*text);
        return;
    }
    const std::string ending = vb::LCase(vb::Right(song, 3));
    if (ending == "kar" || ending == "mid") {
        paroles().Show();
        // Only this song's lyrics: the window may still hold an earlier song's.
        paroles().Text_Paroles.setText("");
        Kar::ShowMidiLyrics();
        karaoke().setCaption("Zun Mp3 Karaoke");
    }
}
