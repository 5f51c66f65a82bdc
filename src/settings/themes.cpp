// The theme list of the settings dialog: filling it and applying a preset.
#include "settings/themes.h"

#include "core/modini.h"
#include "core/theme.h"
#include "platform/files/runtime.h"
#include "settings/config.h"

#include <cstdint>

using namespace modIni;

namespace ThemePresets {

std::string Name(int index, std::string_view langue)
{
    if (index < 0 || index >= kCount)
        return "";
    const Preset& p = kPresets[static_cast<std::size_t>(index)];
    return langue == "Fr" ? p.nameFr : p.nameEn;
}

std::string ColourText(long colour)
{
    return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(colour & 0xFFFFFFFFL)));
}

} // namespace ThemePresets

void Config::FillSkins()
{
    for (int i = 0; i < ThemePresets::kCount; ++i)
        Combo_Skins.AddItem(ThemePresets::Name(i, Langue));
    // Selecting runs the list's click, which applies the preset (except while
    // the window loads or the language switch fills the list).
    Combo_Skins.setListIndex(SavedThemeIndex());
}

int Config::SavedThemeIndex()
{
    const std::string text = IniAccess("GET", "Setting", "Theme");
    const auto n = vb::ToNumber(text);
    // A hand-edited value that names no theme falls back to the default one.
    if (!n || *n != vb::Int(*n) || *n < -1 || *n >= ThemePresets::kCount)
        return vb::CInt(IniDefault("Setting", "Theme"), 1);
    return static_cast<int>(*n);
}

int Config::SkinsListIndex() const
{
    // Text typed over the list's choice leaves no theme chosen.
    const int i = Combo_Skins.ListIndex();
    if (i < 0 || Combo_Skins.Text() != Combo_Skins.List(i))
        return -1;
    return i;
}

void Config::Combo_Skins_Click()
{
    if (ConfigLoading || SwitchingLanguage)
        return;
    const int row = Combo_Skins.ListIndex();
    if (row < 0 || row >= ThemePresets::kCount)
        return;
    const ThemePresets::Preset& p = ThemePresets::kPresets[static_cast<std::size_t>(row)];
    if (row == 0) {
        Text_ImgPgm.setText(" ");
        PathPgmImage = "";
    } else {
        Text_ImgPgm.setText("@" + Combo_Skins.List(row));
        PathPgmImage = Text_ImgPgm.Text();
    }
    ThemeIndex = p.themeIndex;
    PaintBackgroundGroup(p.backgroundColour, true);
    PaintButtonGroup(p.buttonColour);
    PaintFieldGroup(p.fieldColour, true);
    Cls();
    TileFormBackground(*this);
}
