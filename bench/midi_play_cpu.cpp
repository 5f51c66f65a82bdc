// The processor time and peak memory of playing MIDI karaoke songs (.kar,
// their lyrics shown as they are sung), against the fluidsynth program
// playing the same song with the same SoundFont and the same buffer, in one
// run (see peer_compare.h: turns A B A B on the same processors, the same
// sound server, the same stretch of the song). Ours is the real main window
// and lyric window on an X display, the song started as a user starts it,
// heard through the sound server.
//
//     taskset -c 6,7 bench_midi_play_cpu [sparse|dense|both|song.kar] [seconds] [pairs] [soundfont.sf2]
//
// The songs are written on the spot (bench_support.h): "sparse" a nursery
// song (one syllable a beat, melody, bass and drums, 100 bpm), "dense" an
// arranged song of 16 tracks with thousands of notes and tempo changes, one
// at the start of a sung line; "both" (the default) measures one after the
// other. The SoundFont defaults to /usr/share/sounds/sf2/TimGM6mb.sf2; ours
// is given the same one through ZUNKARAOKE_SOUNDFONT. Each turn skips the
// song's first 3 s and measures the next `seconds` (default 20); `pairs`
// pairs (default and least 7). The peer is
//     fluidsynth -a pulseaudio -z 3528 -r 44100 -i -n -q <soundfont> song.kar
// (3528 frames = 80 ms at 44100 Hz: the buffer ours asks for; fluidsynth's
// other settings are its defaults, as ours are). Without DISPLAY or
// PULSE_SERVER, a private Xvfb with openbox and a private PulseAudio server
// with a null sink are started. Prints, for each song, each pair, both
// medians, the ratio with its minimum and maximum, each stream's buffer as the
// sound server reports it and both peak memories (VmHWM: ours counted from
// the start of each song); exits non-zero when it could not measure.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>

#include "bench_support.h"
#include "karaoke/pagestate.h"
#include "peer_compare.h"

namespace bs = benchsupport;
namespace pc = peercompare;
namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    const std::string which = argc > 1 ? argv[1] : "both";
    const double seconds = argc > 2 ? std::max(1.0, std::atof(argv[2])) : 20.0;
    const int pairs = argc > 3 ? std::atoi(argv[3]) : pc::kMinPairs;
    const std::string font = argc > 4 ? argv[4] : "/usr/share/sounds/sf2/TimGM6mb.sf2";
    constexpr double lead = 3.0;
    if (!fs::exists(font)) {
        std::fprintf(stderr, "cannot measure: no SoundFont %s\n", font.c_str());
        return 1;
    }
    bs::Desktop desktop(true);
    if (!desktop.ok()) {
        std::fprintf(stderr, "cannot measure: %s\n", desktop.error.c_str());
        return 1;
    }
    unsetenv("ZUNKARAOKE_AUDIO");
    setenv("ZUNKARAOKE_SOUNDFONT", font.c_str(), 1);
    bs::ProgramFolder folder("midicpu");

    std::vector<std::pair<std::string, std::string>> songs;  // what, file
    if (which == "sparse" || which == "both")
        songs.emplace_back("sparse .kar (nursery song, 5 tracks)", folder.path("sparse song.kar"));
    if (which == "dense" || which == "both")
        songs.emplace_back("dense .kar (16 tracks, tempo changes)", folder.path("dense song.kar"));
    if (songs.empty())
        songs.emplace_back(".kar " + which, which);
    for (const auto& [what, file] : songs) {
        if (fs::exists(file))
            continue;
        if (!bs::writeText(file, what.rfind("sparse", 0) == 0 ? bs::nurseryKar() : bs::denseKar())) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            return 1;
        }
    }

    QApplication app(argc, argv);
    Player& p = bs::startPlayer();
    std::printf("on %s; ours with ZUNKARAOKE_SOUNDFONT=%s\n", desktop.describe().c_str(), font.c_str());
    bool ok = true;
    for (const auto& [what, file] : songs) {
        const pc::Peer peer{"fluidsynth",
                            {},
                            {"fluidsynth", "-a", "pulseaudio", "-z", "3528", "-r", "44100", "-i", "-n", "-q", font,
                             file}};
        ok = pc::comparePairs(p, what, file, peer, lead, seconds, pairs, true, [] {
            if (modIni::MediaKind != "midi")
                return std::string("the song does not play as MIDI");
            const auto& lines = Kar::KarPage.ShownLines;
            const bool shown = std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
                return l.find_first_not_of(" .") != std::string::npos;
            });
            return shown ? std::string() : std::string("the song's lyrics are not shown");
        }) && ok;
        if (!ok)
            break;
    }
    bs::closePlayer();
    return ok ? 0 : 1;
}
