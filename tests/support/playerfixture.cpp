#include "support/playerfixture.h"

#include "core/modini.h"
#include "core/player.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "platform/forms/app.h"
#include "platform/forms/form.h"
#include "platform/media/engine.h"

namespace testsupport {

std::string silentWav(double seconds, std::uint32_t rate)
{
    const auto frames = static_cast<std::uint32_t>(seconds * rate);
    const std::uint32_t dataBytes = frames * 2;
    std::string w;
    auto u32 = [&w](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            w += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto u16 = [&w](std::uint16_t v) {
        w += static_cast<char>(v & 0xFF);
        w += static_cast<char>(v >> 8);
    };
    w += "RIFF";
    u32(36 + dataBytes);
    w += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    w += "data";
    u32(dataBytes);
    w.append(dataBytes, '\0');
    return w;
}

void StartedPlayerTest::SetUp()
{
    media::useSteppedOutput();
    modIni::CmdLine = "";
    modIni::Langue = "En";
    modIni::IsPlaying = false;
    modIni::MediaKind = "None";
    Kar::resetAll();
    setCommandLine("");
    Player& p = player();
    p.Timer_LoadPlayer.setEnabled(false);
    p.Timer_LoadPlayer_Timer();
}

void StartedPlayerTest::TearDown()
{
    modIni::IsPlaying = false;
    if (isLoaded<Player>()) {
        player().Timer1.setEnabled(false);
        player().ActiveMovie1.setFileName("");
    }
    if (isLoaded<Karaoke_K1>())
        Unload(karaoke_K1());
    if (isLoaded<Karaoke>())
        Unload(karaoke());
    if (isLoaded<Player>()) {
        modIni::QuitOnPlayerClose = false;
        Unload(player());
    }
    DoEvents();
    DestroyUnloadedForms();
    modIni::QuitOnPlayerClose = true;
    Kar::resetAll();
}

std::vector<std::string> StartedPlayerTest::messages()
{
    std::vector<std::string> v;
    for (const auto& q : prompter->questions())
        if (q.kind == ScriptedPrompter::Kind::MsgBox)
            v.push_back(q.text);
    return v;
}

} // namespace testsupport
