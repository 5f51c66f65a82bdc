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

} // namespace language
