#pragma once
// The nine look presets of the settings dialog's theme list: a built-in skin
// picture and the three interface colours (buttons, fields, window).
#include <array>
#include <string>
#include <string_view>

namespace ThemePresets {

struct Preset {
    const char* nameFr;
    const char* nameEn;
    long buttonColour;      // [Setting] "ButtomColor", 0xBBGGRR or a system colour
    long fieldColour;       // [Setting] "ListColor"
    long backgroundColour;  // [Setting] "PgmColor"
    int themeIndex;         // the built-in picture (-1: none)
};

inline constexpr int kCount = 9;

// The button-face system colour: the plain preset follows the desktop.
inline constexpr long kButtonFace = 0x8000000F;

inline constexpr std::array<Preset, kCount> kPresets{{
    {"Classique", "Classic", kButtonFace, 0xFFFFFF, kButtonFace, -1},
    {"ZunMp3", "ZunMp3", 0xF0E8E1, 0xFFFFFF, 0xE2D2C5, 1},
    {"Mur de brique", "Brickwall", 0xEFEFEF, 0xFFFFFF, 0xDFDFDF, 2},
    {"Bulle d'eau", "Bubble", 0xE1C5B8, 0xF4ECE8, 0xE1C5B8, 3},
    {"Plume", "Feather", 0xCDBFD2, 0xFFFFFF, 0xBBB1CD, 4},
    {"Pattes", "Paws", 0xE8F7E8, 0xFFFFFF, 0xD6EFD6, 5},
    {"Brique Mauve", "Purplebrick", 0xD2B8D3, 0xFFFFFF, 0xBD95BF, 6},
    {"Sourire", "Smiley", 0xA8E6FF, 0xFFFFFF, 0x99FFFF, 7},
    {"Mixe", "Mix", 0xE6CDBA, 0xE8F7E8, 0xDDA6C1, 8},
}};

// The name of preset `index` in the interface language: French when
// `langue` is "Fr", English otherwise. "" outside 0..8.
std::string Name(int index, std::string_view langue);

// A colour as the settings file keeps it: the decimal text of the signed
// 32-bit value, so the button-face colour 0x8000000F is "-2147483633".
std::string ColourText(long colour);

} // namespace ThemePresets
