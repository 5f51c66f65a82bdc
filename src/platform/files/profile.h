#pragma once
// Our own private-profile (INI) functions. Section and key names are matched
// without regard to case, blanks around names and values are not part of them,
// an existing line is rewritten in place, a new key goes at the end of its
// section (before the section's trailing empty lines), a new section at the end
// of the file. The file is read with any line end and in the text-file encoding
// rules (UTF-16 when it is, else UTF-8 when valid, else Windows-1252), and
// written whole and atomically with CR LF, in Windows-1252 or UTF-8.
// Lines that are neither a section nor a key (comments, garbage) are kept as
// they are and never matched.
#include <string>
#include <string_view>
#include <vector>

namespace profile {

// The value of `key` in `section` of `file`, or `defaultValue` when the file,
// the section or the key is missing. A value is cut at a NUL character and to
// at most `bufferSize` - 1 characters (bufferSize 0: no limit), as the old
// buffer-based call did.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& file,
                                    std::size_t bufferSize = 0);

// Stores `value` for `key` in `section`, creating the file, section or key when
// missing. Line ends in the value are stored as blanks (they would break the
// file's lines). False when the file cannot be written (the old file is kept).
// The read, change and save run under a lock shared with other processes
// (textfile::FileLock), so two running programs never lose each other's writes;
// a lock that another process keeps for more than 5 s leaves the file as it is
// (false).
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& file);

enum class WriteResult { Written, Failed, LockBusy, LockUnavailable };
// The same with a say on the lock: waits up to `lockWaitMs` for another
// process to let go of it and returns LockBusy, writing nothing, when it does
// not; LockUnavailable, writing nothing, when the lock cannot be taken at all
// (see textfile::FileLock::unavailable). lockWaitMs < 0 writes without the
// lock (the user chose to).
WriteResult WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& file, int lockWaitMs);

// Removes the key (true when the file was written or the key was not there;
// false when it could not be, or another process kept the lock for 5 s).
bool DeletePrivateProfileKey(std::string_view section, std::string_view key,
                             const std::string& file);

// The key names of a section, in file order (for settings dialogs and tests).
std::vector<std::string> GetPrivateProfileKeys(std::string_view section, const std::string& file);

} // namespace profile
