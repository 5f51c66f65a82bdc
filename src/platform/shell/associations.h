#pragma once
// File-type associations on a freedesktop.org desktop, for the current user
// only: what a double click in the file manager opens.
//
// Associating an extension writes, all inside the user's own folders:
// - our desktop entry $XDG_DATA_HOME/applications/zunkaraoke.desktop, which
//   starts the program with the file's path and lists every type it was made
//   the handler of (MimeType=);
// - for the types the desktop does not know (.syk, .sy1, .kar) our MIME
//   package $XDG_DATA_HOME/mime/packages/zunkaraoke.xml;
// - our entry at the head of the type's list in [Default Applications] of
//   $XDG_CONFIG_HOME/mimeapps.list, ahead of the applications already there
//   (they keep their places and come back first when ours is removed).
// Removing an association takes away exactly these: our entry in
// mimeapps.list, the type from the desktop entry and the package (each file
// deleted once it names nothing more). Adding then removing gives back the
// user's mimeapps.list byte for byte: only our own element, line or section
// comes and goes; the user's lists keep their spelling, blanks and line ends.
// Files are written beside and renamed over.
// update-mime-database and update-desktop-database are run on those folders
// when they are installed; their absence is not a failure.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// The desktop entry's file name (its desktop id).
inline constexpr const char* kDesktopFileId = "zunkaraoke.desktop";

// The MIME type an extension (".syk", "kar", ".MP3": the dot and the case do
// not matter) is handled under: our own types for ".syk", ".sy1" and ".kar",
// the desktop's standard ones for ".mid" ("audio/midi") and ".mp3"
// ("audio/mpeg"). "" for any other extension.
std::string mimeTypeForExtension(std::string_view ext);

// $XDG_DATA_HOME, or ~/.local/share when it is unset or not absolute; and
// $XDG_CONFIG_HOME, or ~/.config. No trailing "/".
std::string userDataHome();
std::string userConfigHome();
// The files named above.
std::string desktopFilePath();
std::string mimePackagePath();
std::string mimeAppsListPath();

// The full path of the running program.
std::string runningExecutable();

// Makes `program` (an absolute path) the user's default application for the
// extension. False, with a reason in *error, when the extension is not one we
// handle, the program path cannot be put in a desktop entry, or a file could
// not be written.
bool associateFileType(std::string_view ext, const std::string& program, std::string* error = nullptr);
// Removes what associateFileType added for the extension. True when nothing
// of ours is left for it (also when there was nothing).
bool removeFileTypeAssociation(std::string_view ext, std::string* error = nullptr);
// True when our desktop entry handles the extension and is first among the
// type's default applications in mimeapps.list.
bool isFileTypeAssociated(std::string_view ext);

// Runs a desktop cache tool (program name, arguments). The default one runs
// it when it is installed and waits for it a few seconds at most; tests set
// their own. nullptr restores the default.
using AssociationToolRunner = std::function<void(const std::string& program, const std::vector<std::string>& args)>;
void setAssociationToolRunner(AssociationToolRunner runner);

// ---- Building blocks, for tests -----------------------------------------------

// The Exec= value starting `program` on one file: the path as it is, or
// quoted and escaped by the desktop entry rules when it holds a character
// that must be quoted (a blank, a quote, "$", "~", ...); "%" doubled; then
// " %f". nullopt for a path that is empty, not absolute, or holds control
// characters or "=" (which an Exec program may not contain).
std::optional<std::string> desktopExecLine(std::string_view program);
// mimeapps.list text with `desktopId` put first in the [Default Applications]
// list of `mime`: written in front of the list as it stands, or as a new key
// line at the end of the section, or a new section at the end of the file
// (after one blank line); nothing else changes.
std::string addDefaultApplication(std::string_view text, std::string_view mime, std::string_view desktopId);
// mimeapps.list text without `desktopId` in the list of `mime`: the element
// and its ";" are cut out of the line as written; a list left empty loses its
// line, a section left empty its header (and, at the end of the file, the one
// blank line before it).
std::string removeDefaultApplication(std::string_view text, std::string_view mime, std::string_view desktopId);
// The applications listed for `mime` in [Default Applications], in order.
std::vector<std::string> defaultApplications(std::string_view text, std::string_view mime);

} // namespace shell
