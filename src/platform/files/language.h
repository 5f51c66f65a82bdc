#pragma once
// The program's language for the texts this layer gives the user: why a song
// or a SoundFont cannot be read, which the program shows inside its own
// messages. The function set here says whether the program speaks French
// (its language setting); English otherwise, and until one is set.
#include <functional>
#include <string>

namespace language {

void setFrench(std::function<bool()> french);
bool french();
// The French or the English text, as the program speaks.
inline std::string say(const std::string& fr, const std::string& en) { return french() ? fr : en; }

// Why the system refused a file operation, from its error number, in French or
// English ("system error: ..."). The C library's own text is English whatever
// the program speaks, so the errors a save or a copy meets have texts of ours;
// any other number is named by its value in French.
std::string systemError(int error, bool fr);

} // namespace language
