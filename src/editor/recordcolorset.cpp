// The per-song colour line dialog and the editor's button that opens it.
#include "editor/recordcolorset.h"

#include <filesystem>
#include <system_error>

#include "core/modini.h"
#include "core/player.h"
#include "core/theme.h"
#include "core/uihelpers.h"
#include "editor/record.h"
#include "platform/files/paths.h"
#include "platform/files/runtime.h"
#include "platform/forms/prompter.h"

using namespace modIni;

namespace {

bool isDisplayEntry(const std::string& entry) { return entry.rfind("//", 0) == 0; }

// The entry at `index` starts a lyric line: it is the first of the list or the
// entry before it ends a line. A display line belongs only there: anywhere
// else the writer joins it into the lyric line and the file is spoilt.
bool startsLyricLine(const ListBox& list, int index)
{
    return index == 0 || (index > 0 && vb::Right(list.List(index - 1), 1) == "_");
}

void msgNotAtLineStart()
{
    if (Langue == "Fr")
        MsgBox("Vous devez être positionné sur la première syllabe en début de ligne afin d'activer cette "
               "fonction!",
               vbOKOnly + vbCritical, "Attention");
    else
        MsgBox("You must be positioned on the first lyric at the begining of the line to use this function! ",
               vbOKOnly + vbCritical, "Warning");
}

void msgPictureElsewhere()
{
    if (Langue == "Fr")
        MsgBox("Le fichier image doit être dans le même répertoire que le fichier musique!", vbOKOnly + vbCritical,
               "Attention");
    else
        MsgBox("The image file must be in the same directory as the song file", vbOKOnly, "");
}

// ";" separates the fields of the display line: a picture name holding one
// would shift every colour after it.
void msgPictureName()
{
    if (Langue == "Fr")
        MsgBox("Le nom du fichier image ne doit pas contenir de \";\".", vbOKOnly + vbCritical, "Attention");
    else
        MsgBox("The image file name must not contain \";\".", vbOKOnly + vbCritical, "Warning");
}

std::string currentSong() { return isLoaded<Player>() ? player().Select_Song.Text() : std::string(); }

std::string canonicalFolder(const std::string& folder)
{
    std::string f = folder;
    while (f.size() > 1 && paths::isSeparator(f.back()))
        f.pop_back();
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::weakly_canonical(std::filesystem::path(f), ec);
    return ec ? std::filesystem::path(f).lexically_normal().string() : p.string();
}

// The chosen picture lies in the song's folder. The folders are compared as
// the file system resolves them ("./", links); a folder written in other
// letters (songs copied from Windows, a case-blind mounted disk) still counts
// when the picture is really found beside the song under that name.
bool pictureBesideSong(const std::string& chosenFolder, const std::string& songFolder, const std::string& name)
{
    if (chosenFolder.empty() || songFolder.empty())
        return false;
    if (canonicalFolder(chosenFolder) == canonicalFolder(songFolder))
        return true;
    return vb::UCase(chosenFolder) == vb::UCase(songFolder) && !name.empty() &&
           !paths::findFileNoCase(songFolder + name).empty();
}

long iniColour(const char* key)
{
    return vb::CLng(IniGetOrDefault("Kar Windows", key), 0);
}

} // namespace

Record_ColorSet& record_ColorSet() { return formInstance<Record_ColorSet>(); }

Record_ColorSet::Record_ColorSet()
{
    setCaption("Zun Mp3 Karaoke");
    setBorderStyle(3);
    setMinButton(false);
    setMaxButton(false);
    setScaleWidth(5040);
    setScaleHeight(4560);

    Label1.Move(120, 120, 4800, 255);
    Label1.setCaption("Cette fonction permet d'éffectuer un changement");
    Label2.Move(120, 375, 4800, 255);
    Label2.setCaption("des couleurs de la fenêtre karaoké");
    for (Label* l : {&Label1, &Label2}) {
        l->setBackStyle(0);
        l->setAlignment(vbCenter);
    }
    Line1.setX1(120);
    Line1.setY1(735);
    Line1.setX2(4920);
    Line1.setY2(735);

    const std::array<CommandButton*, 5> pick{&Command_GetColorFont, &Command_GetColorFontActif,
                                             &Command_GetColorFontPassif, &Command_GetColorBack,
                                             &Command_ShadowColor};
    const std::array<const char*, 5> captions{"Couleur Police", "Couleur Police Active", "Couleur Police Passive",
                                              "Couleur de Fond", "Couleur Ombrage"};
    const std::array<Label*, 5> swatch = swatches();
    for (int i = 0; i < 5; ++i) {
        const int top = 855 + i * 420;
        pick[i]->Move(240, top, 2775, 345);
        pick[i]->setCaption(captions[i]);
        swatch[i]->Move(3255, top, 1455, 345);
        swatch[i]->setBorderStyle(1);
    }
    // Frame lines around the swatch column.
    Line10.setX1(3135);
    Line10.setY1(795);
    Line10.setX2(3135);
    Line10.setY2(2955);
    Line11.setX1(4830);
    Line11.setY1(795);
    Line11.setX2(4830);
    Line11.setY2(2955);
    Line2.setX1(120);
    Line2.setY1(3015);
    Line2.setX2(4920);
    Line2.setY2(3015);

    Label_ImageFond.Move(240, 3165, 1335, 255);
    Label_ImageFond.setCaption("Image de fond");
    Label_ImageFond.setBackStyle(0);
    Text_ImageFond.Move(1620, 3135, 1935, 285);
    Command_BrowseI.Move(3675, 3105, 1155, 345);
    Command_BrowseI.setCaption("Parcourir");
    Command_Aucun.Move(3675, 3510, 1155, 345);
    Command_Aucun.setCaption("Aucun");
    Line13.setX1(120);
    Line13.setY1(3960);
    Line13.setX2(4920);
    Line13.setY2(3960);
    Command_Ok.Move(1320, 4065, 1095, 375);
    Command_Ok.setCaption("Ok");
    Command_Cancel.Move(2625, 4065, 1095, 375);
    Command_Cancel.setCaption("Annuller");
    setDefaultButton(&Command_Ok);
    setCancelButton(&Command_Cancel);

    Command_GetColorFont.onClick([this] { Command_GetColorFont_Click(); });
    Command_GetColorFontActif.onClick([this] { Command_GetColorFontActif_Click(); });
    Command_GetColorFontPassif.onClick([this] { Command_GetColorFontPassif_Click(); });
    Command_GetColorBack.onClick([this] { Command_GetColorBack_Click(); });
    Command_ShadowColor.onClick([this] { Command_ShadowColor_Click(); });
    Command_BrowseI.onClick([this] { Command_BrowseI_Click(); });
    Command_Aucun.onClick([this] { Command_Aucun_Click(); });
    Command_Ok.onClick([this] { Command_Ok_Click(); });
    Command_Cancel.onClick([this] { Command_Cancel_Click(); });
}

std::array<Label*, 5> Record_ColorSet::swatches()
{
    return {&Label_FontColor, &Label_FontColorActif, &Label_FontColorPassif, &Label_BackColor, &Label_ShadowColor};
}

void Record_ColorSet::Form_Load()
{
    CenterForm(*this);
    ApplyDialogColors(*this, {}, {&Text_ImageFond},
                      {&Command_GetColorFont, &Command_GetColorFontActif, &Command_GetColorFontPassif,
                       &Command_GetColorBack, &Command_ShadowColor, &Command_Aucun, &Command_BrowseI, &Command_Ok,
                       &Command_Cancel});
    if (Langue == "En") {
        Command_GetColorFont.setCaption("Font Color");
        Command_GetColorFontActif.setCaption("Active Font Color");
        Command_GetColorFontPassif.setCaption("Passive Font Color");
        Command_GetColorBack.setCaption("Background Color");
        Label_ImageFond.setCaption("Background Image");
        Command_BrowseI.setCaption("Browse");
        Command_Aucun.setCaption("None");
        Command_Cancel.setCaption("Cancel");
        Label1.setCaption("Use this fuction to change the");
        Label2.setCaption("color settings of the karaoke window.");
    }
}

void Record_ColorSet::Form_Resize() { TileFormBackground(*this); }

// ---------------------------------------------------------------- colours

void Record_ColorSet::pickColour(Label& swatch)
{
    // The picker opens unset, as the program's other colour pickers do.
    const std::optional<long> chosen = prompter().chooseColor(0, cdlCCFullOpen);
    if (!chosen)
        return;   // cancelled: the swatch keeps its colour
    swatch.setBackColor(*chosen);
}

void Record_ColorSet::Command_GetColorFont_Click() { pickColour(Label_FontColor); }
void Record_ColorSet::Command_GetColorFontActif_Click() { pickColour(Label_FontColorActif); }
void Record_ColorSet::Command_GetColorFontPassif_Click() { pickColour(Label_FontColorPassif); }
void Record_ColorSet::Command_GetColorBack_Click() { pickColour(Label_BackColor); }
void Record_ColorSet::Command_ShadowColor_Click() { pickColour(Label_ShadowColor); }

// ---------------------------------------------------------------- picture

void Record_ColorSet::Command_BrowseI_Click()
{
    const std::string songFolder = GetFilePath(currentSong());
    FileDialogOptions o;
    o.filter = modIni::PictureFilter();
    o.initDir = songFolder;
    const std::optional<std::string> answer = prompter().openFile(o);
    const std::string chosen = answer ? vb::Trim(*answer) : std::string();
    if (chosen.empty())
        return;   // cancelled: nothing to refuse
    const std::string name = GetFileName(chosen);
    if (!pictureBesideSong(GetFilePath(chosen), songFolder, name)) {
        // The line keeps the bare name only; the picture is looked for beside the song.
        msgPictureElsewhere();
        return;
    }
    if (name.empty())
        return;
    if (name.find(';') != std::string::npos) {
        msgPictureName();
        return;
    }
    // The lyric window will look for the name beside the song: that file must
    // be a picture it can show.
    const std::string beside = paths::findFileNoCase(songFolder + name);
    if (!PictureCanBeShown(beside.empty() ? chosen : beside))
        return;
    Text_ImageFond.setText(name);
}

void Record_ColorSet::Command_Aucun_Click() { Text_ImageFond.setText(""); }

// ---------------------------------------------------------------- the line

std::string Record_ColorSet::MakeColorLine(const std::string& image, const Colours& colours)
{
    std::string line = "//" + image;
    for (const long c : colours)
        line += ";" + vb::CStr(c);
    return line;
}

std::optional<Record_ColorSet::ColorLineFields> Record_ColorSet::ParseColorLine(const std::string& entry)
{
    if (!isDisplayEntry(entry))
        return std::nullopt;
    ColorLineFields f;
    // The five ";" in turn; a line cut short leaves the fields after the cut unset.
    std::array<std::size_t, 5> sep{};
    std::size_t from = 2;
    int found = 0;
    for (; found < 5; ++found) {
        const std::size_t p = entry.find(';', from);
        if (p == std::string::npos)
            break;
        sep[found] = p;
        from = p + 1;
    }
    f.image = entry.substr(2, found > 0 ? sep[0] - 2 : std::string::npos);
    auto number = [](std::string_view text) -> std::optional<long> {
        const std::optional<double> v = vb::ToNumber(text);
        if (!v)
            return std::nullopt;
        return vb::CLng(*v);
    };
    for (int k = 0; k < 5 && k < found; ++k) {
        const std::size_t begin = sep[k] + 1;
        // The shadow colour is the rest of the line.
        const std::size_t end = (k + 1 < found) ? sep[k + 1] : (k == 4 ? entry.size() : std::string::npos);
        if (end == std::string::npos)
            break;
        f.colours[k] = number(std::string_view(entry).substr(begin, end - begin));
    }
    return f;
}

void Record_ColorSet::ShowColorLine(const std::string& entry)
{
    Show();
    const std::optional<ColorLineFields> f = ParseColorLine(entry);
    if (!f)
        return;
    const std::string songFolder = GetFilePath(currentSong());
    if (!songFolder.empty() && !f->image.empty() && FileExists(songFolder + f->image))
        Text_ImageFond.setText(f->image);
    const std::array<Label*, 5> swatch = swatches();
    for (int k = 0; k < 5; ++k)
        if (f->colours[k])
            swatch[k]->setBackColor(*f->colours[k]);
}

void Record_ColorSet::Command_Ok_Click()
{
    // The editor may have been closed while this dialog stayed open: the line
    // then has no list to go into (opening the editor again just for it would
    // hide the main window).
    if (!RecordLoaded()) {
        Unload(*this);
        return;
    }
    const std::string image = Text_ImageFond.Text();
    if (image.find(';') != std::string::npos) {
        msgPictureName();
        return;
    }
    Colours colours{};
    const std::array<Label*, 5> swatch = swatches();
    for (int k = 0; k < 5; ++k)
        colours[k] = swatch[k]->BackColor();
    const std::string line = MakeColorLine(image, colours);

    Record& r = record();
    ListBox& list = r.List_Syk;
    const int i = list.ListIndex();
    if (i >= 0 && isDisplayEntry(list.List(i))) {
        list.setList(i, line);
    } else {
        // The dialog does not block the editor: the selection may have moved
        // since it was opened. A display line in the middle of a lyric line
        // would be merged into that line on saving.
        if (i >= 0 && !startsLyricLine(list, i)) {
            msgNotAtLineStart();
            return;
        }
        list.AddItem(line, i < 0 ? 0 : i);
    }
    // An added colour line is a change like any other: closing the editor asks about it.
    Record::RecModified = true;
    Unload(*this);
}

void Record_ColorSet::Command_Cancel_Click() { Unload(*this); }

// ---------------------------------------------------------------- the editor's button

void Record::Command_SetColor_Click()
{
    if (!EditingAllowed())
        return;
    const int i = List_Syk.ListIndex();
    if (i >= 0 && isDisplayEntry(List_Syk.List(i))) {
        // The Apply command hands a display entry to the dialog, filled with its values.
        Command_MAJ_Click();
        return;
    }
    if (i >= 0 && startsLyricLine(List_Syk, i) && i < List_Syk.ListCount() - 1) {
        Record_ColorSet& d = record_ColorSet();
        d.Show();
        d.Label_FontColor.setBackColor(iniColour("FontColor"));
        d.Label_FontColorActif.setBackColor(iniColour("FontColorActif"));
        d.Label_FontColorPassif.setBackColor(iniColour("FontColorPassif"));
        d.Label_BackColor.setBackColor(iniColour("BackColor"));
        d.Label_ShadowColor.setBackColor(iniColour("ShadowColor"));
        return;
    }
    msgNotAtLineStart();
}
