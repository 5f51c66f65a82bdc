// The processor time of playing an MP3 song with its .syk file, against
// ffplay playing the same song, in one run (see peer_compare.h: turns A B A B
// on the same processors, the same sound server, the same stretch of the
// song). Ours is the real main window and lyric window, the song started as a
// user starts it, heard through the default sound output.
//
//     taskset -c 2,3 bench_play_cpu [song.mp3|-] [seconds] [pairs] [--same-buffer]
//
// With no song, or a song file that does not exist yet, a 3-minute MP3 and a
// .syk file beside it (a syllable about every 0.3 s) are written first and kept
// (a "-" writes them in the temporary folder and removes them afterwards).
// Each turn skips the song's first 3 s and measures the next `seconds`
// (default 20); `pairs` turns of each (default 5; 0: one turn of ours alone,
// for timing the whole process from outside). The peer is
//     ffplay -nodisp -autoexit -loglevel quiet -t <3 + seconds + 2> song.mp3
// at its default buffer; with --same-buffer it gets ours (80 ms) through
// PULSE_LATENCY_MSEC=80. The sound server's own account of each stream's
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

namespace bs = benchsupport;
namespace pc = peercompare;
namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    std::vector<std::string> args;
    bool sameBuffer = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--same-buffer")
            sameBuffer = true;
        else
            args.emplace_back(argv[i]);
    }
    std::string song = args.size() > 0 ? args[0] : "-";
    const double seconds = args.size() > 1 ? std::max(1.0, std::atof(args[1].c_str())) : 20.0;
    const int pairs = args.size() > 2 ? std::max(0, std::atoi(args[2].c_str())) : 5;
    constexpr double lead = 3.0;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    unsetenv("ZUNKARAOKE_AUDIO");
    bs::ProgramFolder folder("cpu");

    const bool temporary = song == "-";
    if (temporary)
        song = folder.path("cpu song.mp3");
    if (!fs::exists(song)) {
        const double length = 180.0;
        const std::string syk = fs::path(song).replace_extension(".syk").string();
        if (!bs::writeSong(song, length, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III) ||
            !bs::writeText(syk, bs::sykText(bs::syllableTimes(2.0, length - 2.0, 0.3), 6))) {
            std::fprintf(stderr, "cannot write %s\n", song.c_str());
            return 1;
        }
    }
    const std::vector<std::string> peer{"ffplay", "-nodisp", "-autoexit", "-loglevel", "quiet",
                                        "-t", std::to_string(int(lead + seconds + 2)), song};
    const std::vector<std::string> peerEnv = sameBuffer ? std::vector<std::string>{"PULSE_LATENCY_MSEC=80"}
                                                        : std::vector<std::string>{};

    QApplication app(argc, argv);
    Player& p = bs::startPlayer();
    std::vector<pc::Turn> ours, theirs;
    std::map<std::string, double> threads;
    bool synced = true, device = true;
    for (int round = 0; round < std::max(1, pairs); ++round) {
        p.Select_Song.setText(song);
        p.Command_Play.press();
        if (!modIni::IsPlaying) {
            std::fprintf(stderr, "the song did not start\n");
            return 1;
        }
        synced = synced && p.HasSyk;
        ours.push_back(pc::ourTurn(p, lead, seconds, threads, device));

        if (pairs == 0)
            break;  // ours alone
        theirs.push_back(pc::peerTurn(peer, peerEnv, lead, seconds));
        if (theirs.back().percent < 0) {
            std::fprintf(stderr, "the peer did not play: %s\n", peer[0].c_str());
            return 1;
        }
    }
    bs::closePlayer();

    std::printf("MP3 song %s, from %.0f s to %.0f s of the song, on processors %s\n", synced ? "with its .syk" : "(no .syk)",
                lead, lead + seconds, pc::processors().c_str());
    std::printf("ours on the %s; peer: PULSE_LATENCY_MSEC=%s", device ? "sound device" : "null output",
                sameBuffer ? "80" : "(unset)");
    pc::printPeerAndThreads(peer, threads);
    pc::report(ours, theirs, "ffplay");
    return 0;
}
