#pragma once
// The file types the settings dialog can make the program open: .syk sync
// files, .kar and .mid MIDI songs, .mp3 songs.
#include <array>
#include <string>

namespace modIni {

struct ExtAssociation {
    const char* ext;        // ".syk"
    const char* className;  // the type's name in the old program
};

// In the order the dialog's boxes make them: Check_Syk, Check_Kar, Check_Mid, Check_Mp3.
inline constexpr std::array<ExtAssociation, 4> kExtAssociations{{
    {".syk", "ZunMp3Syk Synchro"},
    {".kar", "Son au format Kar"},
    {".mid", "Son au format midi"},
    {".mp3", "Son au format MP3"},
}};

// Makes `program` the user's default application for the extension (the
// desktop names the type by its MIME type; the class name only tells what it
// is). False when it could not be done.
bool AssociateExt(const std::string& ext, const std::string& className, const std::string& program);
// Takes back what AssociateExt did for the extension.
bool UnassociateExt(const std::string& ext);

// The program that associated files open: this running program.
std::string AssociationProgram();

} // namespace modIni
