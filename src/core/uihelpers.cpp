#include "core/uihelpers.h"

#include "core/modini.h"
#include "core/player.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/control.h"
#include "platform/forms/picture.h"
#include "platform/forms/prompter.h"

#include <exception>

namespace modIni {

void MsgMustStop()
{
    if (Langue == "Fr")
        MsgBox("Vous devez cliquer sur ARRÊTER avant d'accéder à cette fonction", vbCritical, "Attention");
    else
        MsgBox("You must stop before running this function", vbCritical, "Stop");
}

void ShowSettingsNotSaved(const std::string& why)
{
    if (Langue == "Fr")
        MsgBox("Les paramètres n'ont pas pu être enregistrés : " + why, vbOKOnly + vbExclamation, "Erreur");
    else
        MsgBox("The settings could not be saved: " + why, vbOKOnly + vbExclamation, "Error");
}

std::string PictureFilter() { return "Images Files |" + PictureFilePatterns(); }

bool PictureCanBeShown(const std::string& path, StdPicture* picture)
{
    bool ok = false;
    const StdPicture loaded = LoadPicture(path, &ok);
    if (ok) {
        if (picture)
            *picture = loaded;
        return true;
    }
    if (Langue == "Fr")
        MsgBox("Cette image ne peut pas être affichée :\n" + path, vbOKOnly + vbExclamation, "Attention");
    else
        MsgBox("This picture cannot be shown:\n" + path, vbOKOnly + vbExclamation, "Warning");
    return false;
}

void MsgSaveFailed(const std::string& path, const std::string& why)
{
    const bool fr = Langue == "Fr";
    std::string text = fr ? "Une erreur s'est produite durant la sauvegarde!" : "An error occured while saving!";
    text += "\n" + path + (fr ? " : " : ": ") + why;
    MsgBox(text, vbOKOnly, fr ? "Erreur" : "Error");
}

std::string SelectSongText()
{
    return Langue == "Fr" ? "Sélectionner une chanson !" : "Select a song !";
}

void MsgSelectSong()
{
    Player& p = player();
    if (!p.Select_Song.Text().empty())
        return;
    MsgBox(SelectSongText(), vbOKOnly);
    p.SetFocus();
    IsPlaying = false;
}

void CenterForm(Form& form)
{
    // Halves of an odd difference keep their half twip, as a single-precision
    // position would; the layer holds whole twips.
    form.setTop((Screen::Height() - form.Height()) / 2);
    form.setLeft((Screen::Width() - form.Width()) / 2);
}

long SettingColor(const char* key)
{
    const long fallback = vb::CLng(IniDefault("Setting", key), 0);
    return vb::CLng(IniAccess("GET", "Setting", key), fallback);
}

void ApplyDialogColors(Form& form, std::initializer_list<Control*> backgrounds,
                       std::initializer_list<Control*> fields, std::initializer_list<Control*> buttons)
{
    const long background = SettingColor("PgmColor");
    form.setBackColor(background);
    for (Control* c : backgrounds)
        c->setBackColor(background);
    const long field = SettingColor("ListColor");
    for (Control* c : fields)
        c->setBackColor(field);
    const long button = SettingColor("ButtomColor");
    for (Control* c : buttons)
        c->setBackColor(button);
}

void UnloadAllForms()
{
    // Unloading changes the collection: walk a copy, and look each window up
    // again before unloading it (an earlier unload may have taken it along).
    const std::vector<Form*> loaded = Forms();
    for (Form* f : loaded) {
        try {
            if (dynamic_cast<Player*>(f))
                continue;
            const std::vector<Form*> now = Forms();
            bool stillLoaded = false;
            for (Form* g : now)
                if (g == f)
                    stillLoaded = true;
            if (stillLoaded)
                Unload(*f);
        } catch (const std::exception&) {
            // A window that fails to unload does not keep the others loaded.
        }
    }
}

} // namespace modIni
