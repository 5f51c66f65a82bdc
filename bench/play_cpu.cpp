// The processor time of playing an MP3 song with its .syk file, against
// ffplay playing the same song with the same buffer, in one run (see
// peer_compare.h: turns A B A B on the same processors, the same sound server,
// the same stretch of the song). Ours is the real main window and lyric
// window on an X display, the song started as a user starts it, heard through
// the sound server.
//
//     taskset -c 6,7 bench_play_cpu [song.mp3|-] [seconds] [pairs]
//
// With no song, or a song file that does not exist yet, a 4-minute MP3 and a
// .syk file beside it are written first and kept (a "-" writes them in the
// temporary folder and removes them afterwards). The words are sung as songs
// are: a syllable about every 0.3 s within a line, lines of 6 to 12 syllables,
// verses of four lines and breaks between them (see sungLines); the benchmark
// prints how dense the syllables of the song it plays are, over the whole
// song and over the stretch it measures, as the cost of the lyric window
// grows with them. Each turn skips the song's first 3 s
// and measures the next `seconds` (default 20); `pairs` pairs (default and
// least 7). The peer is
//     PULSE_LATENCY_MSEC=80 ffplay -nodisp -autoexit -loglevel quiet -t <3 + seconds + 2> song.mp3
// (80 ms: the buffer ours asks for). Without DISPLAY or PULSE_SERVER, a
// private Xvfb with openbox and a private PulseAudio server with a null sink
// are started (see bench_support.h). Prints each pair, both medians, the ratio
// with its minimum and maximum, and each stream's buffer as the sound server
// reports it; exits non-zero when it could not measure.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>

#include "bench_support.h"
#include "peer_compare.h"

namespace bs = benchsupport;
namespace pc = peercompare;
namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    std::string song = argc > 1 ? argv[1] : "-";
    const double seconds = argc > 2 ? std::max(1.0, std::atof(argv[2])) : 20.0;
    const int pairs = argc > 3 ? std::atoi(argv[3]) : pc::kMinPairs;
    constexpr double lead = 3.0;
    bs::Desktop desktop(true);
    if (!desktop.ok()) {
        std::fprintf(stderr, "cannot measure: %s\n", desktop.error.c_str());
        return 1;
    }
    unsetenv("ZUNKARAOKE_AUDIO");
    bs::ProgramFolder folder("cpu");
    if (song == "-")
        song = folder.path("cpu song.mp3");
    if (!fs::exists(song) && !bs::writeSungSong(song, 240.0)) {
        std::fprintf(stderr, "cannot write %s\n", song.c_str());
        return 1;
    }
    const pc::Peer peer{"ffplay",
                        {"PULSE_LATENCY_MSEC=80"},
                        {"ffplay", "-nodisp", "-autoexit", "-loglevel", "quiet", "-t",
                         std::to_string(int(lead + seconds + 2)), song}};

    QApplication app(argc, argv);
    Player& p = bs::startPlayer();
    std::printf("on %s\n", desktop.describe().c_str());
    const auto lines = bs::readSykLines(fs::path(song).replace_extension(".syk").string());
    std::printf("the song's .syk: %s\n",
                bs::syllableDensity(lines, bs::soundSeconds(song), lead, lead + seconds).c_str());
    const bool ok = pc::comparePairs(p, "MP3 song with its .syk", song, peer, lead, seconds, pairs, false, [&p] {
        return p.HasSyk ? std::string() : std::string("the song plays without its .syk lyrics");
    });
    bs::closePlayer();
    return ok ? 0 : 1;
}
