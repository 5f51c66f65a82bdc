// What the program costs while nothing plays: the real main window and lyric
// window, a short song (a WAV with its .syk) played to its end as a user plays
// it, then the event loop left alone for a while. Reads, from /proc, the
// processor time of the whole process and the number of times its threads
// were woken (context switches of every thread) over that stretch, and prints
// them per second. The same figures before the first song are printed too.
//
//     bench_idle [seconds]        (default 30)
//
// The sound goes to the default output: a PulseAudio server when one answers
// (PULSE_SERVER), the null output otherwise (or with ZUNKARAOKE_AUDIO=null).
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "bench_support.h"
#include "platform/media/engine.h"

namespace bs = benchsupport;

namespace {

struct Usage {
    double cpu = 0;                          // seconds, all threads
    std::map<std::string, long long> switches;  // per thread: voluntary + involuntary
};

// Wake-ups between two readings: every thread's switches since the first
// reading (a thread started in between counts all of its own).
long long wakeUps(const Usage& a, const Usage& b)
{
    long long n = 0;
    for (const auto& [tid, count] : b.switches) {
        const auto it = a.switches.find(tid);
        n += count - (it == a.switches.end() ? 0 : it->second);
    }
    return n;
}

Usage readUsage()
{
    Usage u;
    {
        std::ifstream stat("/proc/self/stat");
        std::string line;
        std::getline(stat, line);
        // Fields after the command name (which may hold blanks) in parentheses.
        std::istringstream rest(line.substr(line.rfind(')') + 2));
        std::string field;
        unsigned long long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14)
                utime = std::stoull(field);
            if (i == 15)
                stime = std::stoull(field);
        }
        u.cpu = double(utime + stime) / double(sysconf(_SC_CLK_TCK));
    }
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] == '.')
                continue;
            std::ifstream st(std::string("/proc/self/task/") + e->d_name + "/status");
            std::string key;
            long long value;
            long long& total = u.switches[e->d_name];
            while (st >> key) {
                if (key == "voluntary_ctxt_switches:" || key == "nonvoluntary_ctxt_switches:") {
                    st >> value;
                    total += value;
                } else {
                    st.ignore(1 << 20, '\n');
                }
            }
        }
        closedir(d);
    }
    return u;
}

// Leaves the event loop alone for `seconds` (one timer, at the end) and
// measures the stretch.
void measure(const char* what, double seconds)
{
    const Usage a = readUsage();
    const auto t0 = std::chrono::steady_clock::now();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    const Usage b = readUsage();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    // The measuring itself: the one timer's wake-up and the reads of /proc.
    std::printf("%-28s %6.2f wake-ups/s  %5.2f %% of one core  (%zu threads, %.1f s)\n", what,
                double(wakeUps(a, b)) / wall, 100.0 * (b.cpu - a.cpu) / wall, b.switches.size(), wall);
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 30.0;
    bs::Desktop desktop(true);
    if (!desktop.ok()) {
        std::fprintf(stderr, "cannot measure: %s\n", desktop.error.c_str());
        return 1;
    }
    bs::ProgramFolder folder("idle");
    const std::string song = folder.path("idle song.wav");
    if (!bs::writeSong(song, 3.0, SF_FORMAT_WAV | SF_FORMAT_PCM_16) ||
        !bs::writeText(folder.path("idle song.syk"), bs::sykText(bs::syllableTimes(0.5, 2.5, 0.3), 4))) {
        std::fprintf(stderr, "cannot write the song in %s\n", folder.dir.c_str());
        return 1;
    }

    QApplication app(argc, argv);
    Player& p = bs::startPlayer();
    measure("before the first song:", seconds);

    p.Select_Song.setText(song);
    p.Command_Play.press();
    if (!modIni::IsPlaying) {
        std::fprintf(stderr, "the song did not start\n");
        return 1;
    }
    // The output connects away from the window: looked at while the song plays.
    bool device = false;
    bs::runUntil([&device] {
        device = device || media::engine().outputKind() == media::OutputKind::Device;
        return !modIni::IsPlaying;
    }, 50);
    const char* output = device ? "sound server" : "null output";
    // What was queued drains and the last notes die away first.
    measure("settling (first second):", 1.0);
    measure("after the song ended:", seconds);
    std::printf("played on the %s; output now %s\n", output,
                media::engine().outputKind() == media::OutputKind::None ? "closed" : "open");
    bs::closePlayer();
    return 0;
}
