// The processor time the program takes while it plays an MP3 song with its
// .syk file: the real main window and lyric window, the song started as a user
// starts it, heard through the default sound output (a PulseAudio server when
// one answers; `null` as third argument, or ZUNKARAOKE_AUDIO=null, for the
// null output advancing in real time).
//
//     bench_play_cpu [song.mp3] [seconds] [null]
//
// With no song, or a song file that does not exist yet, a 3-minute MP3 and a
// .syk file beside it (a syllable about every 0.3 s) are written first and kept
// (a "-" writes them in the temporary folder and removes them afterwards).
// Plays `seconds` of the song (default: all of it) and prints the user+system
// time of the whole process over that stretch as a percentage of one core.
// For a peer figure, play the same stretch in real time to the same sink:
//     ffplay -nodisp -autoexit -loglevel quiet -t <seconds> song.mp3
//     mpg123 -q -o pulse -n <seconds * 44100 / 1152> song.mp3
// and time each whole process (for example with /usr/bin/time -v).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <unistd.h>

#include <QApplication>

#include "bench_support.h"
#include "platform/media/engine.h"

using Clock = std::chrono::steady_clock;
namespace bs = benchsupport;
namespace fs = std::filesystem;

namespace {

// User+system seconds of each thread of the process, by thread name.
std::map<std::string, double> threadSeconds()
{
    std::map<std::string, double> out;
    const double tick = double(sysconf(_SC_CLK_TCK));
    for (const auto& e : fs::directory_iterator("/proc/self/task")) {
        std::ifstream stat(e.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const auto open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i)
            if (i == 14 || i == 15)
                ticks += std::stod(field);
        out[line.substr(open + 1, close - open - 1)] += ticks / tick;
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    std::string song = argc > 1 ? argv[1] : "-";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 1.0e9;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (argc > 3 && std::string(argv[3]) == "null")
        setenv("ZUNKARAOKE_AUDIO", "null", 1);
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

    QApplication app(argc, argv);
    Player& p = bs::startPlayer();
    p.Select_Song.setText(song);

    const auto threads0 = threadSeconds();
    const double cpu0 = bs::cpuSeconds();
    const auto t0 = Clock::now();
    p.Command_Play.press();
    if (!modIni::IsPlaying) {
        std::fprintf(stderr, "the song did not start\n");
        return 1;
    }
    const bool synced = p.HasSyk;
    const char* output = media::engine().outputKind() == media::OutputKind::Device ? "sound device" : "null output";
    const auto end = t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    // Looked at once a second: the measuring must not wake the process much.
    bs::runUntil([&] { return !modIni::IsPlaying || Clock::now() >= end; }, 1000);
    const double cpu = bs::cpuSeconds() - cpu0;
    auto threads = threadSeconds();
    for (auto& [name, secs] : threads)
        secs -= threads0.count(name) ? threads0.at(name) : 0.0;
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double heard = p.ActiveMovie1.CurrentPosition();
    bs::closePlayer();

    std::printf("played %.1f s (%s) on the %s, song at %.1f s\n", wall, synced ? "with its .syk" : "no .syk",
                output, heard);
    std::printf("cpu %.3f s = %.2f %% of one core while playing; whole process %.3f s\n", cpu, 100.0 * cpu / wall,
                bs::cpuSeconds());
    for (const auto& [name, secs] : threads)
        if (secs > 0)
            std::printf("  thread %-16s %.3f s\n", name.c_str(), secs);
    return 0;
}
