#pragma once
// Settings left beside the executable by an older run (when the program kept
// them there) are brought over to the program folder once.
#include <string>
#include <vector>

namespace modIni {

// What became of one old file.
struct OldFileCopy {
    enum Outcome {
        Copied,        // copied under its own name
        CopiedAs,      // the folder held a different file of that name: copied under `newName`
        NotReadable,   // the old file could not be read (`error`)
        NotWritten,    // the copy could not be written (`reason`, in the interface language)
    };
    std::string name;     // the old file's name
    std::string newName;  // the copy's name (CopiedAs)
    Outcome outcome = Copied;
    int error = 0;        // errno of the failed read
    std::string reason;   // why the copy was not written
};

struct OldFilesReport {
    bool found = false;        // old settings were there and the program folder had none
    bool settingsCopied = false;
    std::vector<OldFileCopy> files;
};

// Copies PlaySyk.ini, the default play list and a background picture that the
// settings keep in `oldFolder` into `newFolder`, when `newFolder` holds no
// PlaySyk.ini yet and `oldFolder` does (and they are different folders).
// Nothing in `oldFolder` is changed and nothing in `newFolder` is written
// over: a file of the same name with other contents there makes the copy go
// under a free name ("ZunMp3Syk-old.lst"). [Path] "Path Lst" and "Path Image"
// that named a file of `oldFolder` are pointed at its copy; one that could
// not be copied keeps naming the old file. An empty "Path Lst" (the default
// list) is pointed at the old default list's copy when that went under
// another name. Whatever could not be read or written is in the report.
OldFilesReport CopyOldProgramFiles(const std::string& oldFolder, const std::string& newFolder);

// At start-up: unless ZUNKARAOKE_DIR chooses the program folder, copies the
// files found beside the executable (CopyOldProgramFiles) and tells the user
// where they are now and what could not be copied and why, in the language
// of the old settings (the default language when they could not be read).
void AdoptOldProgramFiles();
// The same from a given folder (tests).
void AdoptOldProgramFiles(const std::string& oldFolder);

} // namespace modIni
