#pragma once
// Settings left beside the executable by an older run (when the program kept
// them there) are brought over to the program folder once.
#include <string>
#include <vector>

namespace modIni {

// Copies PlaySyk.ini, the default play list and a background picture that the
// settings keep in `oldFolder` into `newFolder`, when `newFolder` holds no
// PlaySyk.ini yet and `oldFolder` does (and they are different folders).
// [Path] "Path Lst" and "Path Image" that named a file of `oldFolder` are
// pointed at the copy. Nothing is written over an existing file. Returns the
// names of the files copied (none when there was nothing to do or the
// settings file could not be copied).
std::vector<std::string> CopyOldProgramFiles(const std::string& oldFolder, const std::string& newFolder);

// At start-up: unless ZUNKARAOKE_DIR chooses the program folder, copies the
// files found beside the executable (CopyOldProgramFiles) and tells the user
// where they are now, in the language of the copied settings.
void AdoptOldProgramFiles();
// The same from a given folder (tests).
void AdoptOldProgramFiles(const std::string& oldFolder);

} // namespace modIni
