// The processor time of playing a MIDI karaoke song (.kar, its lyrics shown
// as they are sung), against the fluidsynth program playing the same song with
// the same SoundFont and the same 80 ms buffer, in one run (see
// peer_compare.h: turns A B A B on the same processors, the same sound server,
// the same stretch of the song). Ours is the real main window and lyric
// window, the song started as a user starts it, heard through the default
// sound output.
//
//     taskset -c 2,3 bench_midi_play_cpu [song.kar|-] [seconds] [pairs] [soundfont.sf2]
//
// With no song, or a song file that does not exist yet, a 3-minute General
// MIDI arrangement (drums, bass, piano, strings, lead) with a syllable on
// every beat is written first and kept ("-": in the temporary folder, removed
// afterwards). The SoundFont defaults to /usr/share/sounds/sf2/TimGM6mb.sf2;
// ours is given the same one through ZUNKARAOKE_SOUNDFONT. Each turn skips
// the song's first 3 s and measures the next `seconds` (default 20); `pairs`
// turns of each (default 5; 0: one turn of ours alone, for timing the whole
// process from outside). The peer is
//     fluidsynth -a pulseaudio -z 3528 -r 44100 -i -n -q <soundfont> song.kar
// (3528 frames = 80 ms at 44100 Hz: our buffer; fluidsynth's other settings
// are its defaults, as ours are). The sound server's account of each stream's
// buffer is printed (pactl list sink-inputs), then each pair, both medians
// and the ratio.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include <QApplication>

#include "bench_support.h"
#include "peer_compare.h"
#include "platform/media/engine.h"
#include "platform/music/gm_songs.h"

namespace bs = benchsupport;
namespace pc = peercompare;
namespace fs = std::filesystem;

namespace {

// The arrangement of `bars` bars at 120 bpm (96 ticks a beat) and a lyric
// track of text events as .kar files have them: "@" headers, "\" opening a
// paragraph, "/" a line, one syllable a beat, two bars a line.
std::string karaokeSong(int bars)
{
    std::string smf = testmidi::gmSong(bars, false);
    static const char* const syllables[] = {"Ka", "ra", "o", "ke ", "sing", "ing ", "all ", "night "};
    testmidi::Track lyrics;
    lyrics.text(0, "@KMIDI KARAOKE FILE").text(0, "@T Benchmark song");
    for (int beat = 0; beat < bars * 4; ++beat) {
        std::string s = syllables[beat % 8];
        if (beat % 8 == 0)
            s = (beat % 32 == 0 ? "\\" : "/") + s;
        lyrics.text(beat == 0 ? 0 : 96, s);
    }
    lyrics.end();
    const int tracks = ((static_cast<unsigned char>(smf[10]) << 8) | static_cast<unsigned char>(smf[11])) + 1;
    smf[10] = char((tracks >> 8) & 0xFF);
    smf[11] = char(tracks & 0xFF);
    return smf + testmidi::chunk("MTrk", lyrics.data);
}

} // namespace

int main(int argc, char** argv)
{
    std::string song = argc > 1 ? argv[1] : "-";
    const double seconds = argc > 2 ? std::max(1.0, std::atof(argv[2])) : 20.0;
    const int pairs = argc > 3 ? std::max(0, std::atoi(argv[3])) : 5;
    const std::string font = argc > 4 ? argv[4] : "/usr/share/sounds/sf2/TimGM6mb.sf2";
    constexpr double lead = 3.0;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    unsetenv("ZUNKARAOKE_AUDIO");
    setenv("ZUNKARAOKE_SOUNDFONT", font.c_str(), 1);
    bs::ProgramFolder folder("midicpu");
    if (!fs::exists(font)) {
        std::fprintf(stderr, "no SoundFont %s\n", font.c_str());
        return 1;
    }

    if (song == "-")
        song = folder.path("cpu song.kar");
    if (!fs::exists(song) && !bs::writeText(song, karaokeSong(90))) {
        std::fprintf(stderr, "cannot write %s\n", song.c_str());
        return 1;
    }
    const std::vector<std::string> peer{"fluidsynth", "-a", "pulseaudio", "-z", "3528", "-r", "44100",
                                        "-i", "-n", "-q", font, song};

    QApplication app(argc, argv);
    Player& p = bs::startPlayer();
    std::vector<pc::Turn> ours, theirs;
    std::map<std::string, double> threads;
    bool device = true;
    for (int round = 0; round < std::max(1, pairs); ++round) {
        p.Select_Song.setText(song);
        p.Command_Play.press();
        if (!modIni::IsPlaying || modIni::MediaKind != "midi") {
            std::fprintf(stderr, "the song did not start\n");
            return 1;
        }
        ours.push_back(pc::ourTurn(p, lead, seconds, threads, device));

        if (pairs == 0)
            break;  // ours alone
        theirs.push_back(pc::peerTurn(peer, {}, lead, seconds));
        if (theirs.back().percent < 0) {
            std::fprintf(stderr, "the peer did not play: %s\n", peer[0].c_str());
            return 1;
        }
    }
    bs::closePlayer();

    std::printf("MIDI karaoke song, from %.0f s to %.0f s of the song, on processors %s\n", lead, lead + seconds,
                pc::processors().c_str());
    std::printf("ours on the %s with ZUNKARAOKE_SOUNDFONT=%s; peer:", device ? "sound device" : "null output",
                font.c_str());
    pc::printPeerAndThreads(peer, threads);
    pc::report(ours, theirs, "fluidsynth");
    return 0;
}
