#pragma once
// Playing CPU against a peer player, like with like: the program (in this
// process, its windows on the X display) and the peer (a child process) play
// the same song in turns, A B A B ..., on the same processors (the children
// inherit this process's; run the benchmark under `taskset -c ...`) and to the
// same sound server, each stream with the buffer the server reports for it.
// Each turn skips the first `lead` seconds of the song (start-up: libraries,
// SoundFont, the first buffers) and measures the user+system time of the whole
// process, all threads, over the next `seconds` of the song, read the same way
// for both (the scheduler's account of each thread). While one plays the other
// does not run.
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "lyricwindows/karaoke.h"
#include "platform/media/engine.h"

namespace peercompare {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Fewer pairs than this give no figure: one odd turn would move the median.
constexpr int kMinPairs = 7;

// Seconds that the threads of process `pid` have run, summed from the
// scheduler's own nanosecond account of each (/proc/<pid>/task/*/schedstat:
// finer than the 10 ms ticks of /proc/<pid>/stat); -1 once it is gone.
inline double processCpu(pid_t pid)
{
    std::error_code ec;
    fs::directory_iterator tasks("/proc/" + std::to_string(pid) + "/task", ec);
    if (ec)
        return -1;
    double ns = 0;
    for (const auto& e : tasks) {
        std::ifstream in(e.path() / "schedstat");
        double run = 0;
        if (in >> run)
            ns += run;
    }
    return ns / 1e9;
}

// A memory figure of process `pid` from /proc/<pid>/status ("VmHWM:" the
// peak resident memory, "VmRSS:" the resident memory now), MB; -1 when unknown.
inline double memoryMb(pid_t pid, const std::string& key = "VmHWM:")
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::atof(line.c_str() + key.size()) / 1024.0;
    return -1;
}

// Starts this process's peak resident memory afresh from what it holds now.
inline void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// User+system seconds of each thread of this process, by thread name.
inline std::map<std::string, double> threadSeconds()
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

// A stream that plays into the sound server, as `pactl list sink-inputs`
// reports it.
struct Stream {
    long pid = -1;
    std::string name;
    double bufferMs = -1;  // "Buffer Latency"
    double sinkMs = -1;    // "Sink Latency"
    bool corked = true;
};

inline std::vector<Stream> streams()
{
    const fs::path out = fs::temp_directory_path() / ("zunbench-pactl-" + std::to_string(getpid()));
    std::vector<Stream> result;
    if (!benchsupport::succeeds({"pactl", "list", "sink-inputs"}, {}, 10, out.string()))
        return result;
    std::ifstream in(out);
    std::string line;
    const auto value = [](const std::string& l, char sep) {
        std::string v = l.substr(l.find(sep) + 1);
        v.erase(0, v.find_first_not_of(" \t\""));
        v.erase(v.find_last_not_of(" \t\"") + 1);
        return v;
    };
    while (std::getline(in, line)) {
        if (line.rfind("Sink Input #", 0) == 0)
            result.emplace_back();
        if (result.empty())
            continue;
        Stream& s = result.back();
        if (line.find("Buffer Latency:") != std::string::npos)
            s.bufferMs = std::atof(value(line, ':').c_str()) / 1000.0;
        else if (line.find("Sink Latency:") != std::string::npos)
            s.sinkMs = std::atof(value(line, ':').c_str()) / 1000.0;
        else if (line.find("Corked:") != std::string::npos)
            s.corked = value(line, ':') == "yes";
        else if (line.find("application.process.id = ") != std::string::npos)
            s.pid = std::atol(value(line, '=').c_str());
        else if (line.find("application.name = ") != std::string::npos)
            s.name = value(line, '=');
    }
    std::error_code ec;
    fs::remove(out, ec);
    return result;
}

inline std::string processors()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return "?";
    std::string out;
    for (int c = 0; c < CPU_SETSIZE; ++c)
        if (CPU_ISSET(c, &set))
            out += (out.empty() ? "" : ",") + std::to_string(c);
    return out;
}

// A peer program and the exact command it is run with.
struct Peer {
    std::string name;
    std::vector<std::string> env;
    std::vector<std::string> argv;
    std::string command() const
    {
        std::string out;
        const auto quoted = [](const std::string& s) {
            return s.find_first_of(" '\"\\$") == std::string::npos ? s : "'" + s + "'";
        };
        for (const std::string& e : env)
            out += quoted(e) + " ";
        for (const std::string& a : argv)
            out += (&a == &argv.front() ? "" : " ") + quoted(a);
        return out;
    }
};

struct Turn {
    double percent = -1;  // of one core over the window; < 0: failed
    double wall = 0;
    double bufferMs = -1;  // the stream's buffer as the sound server reports it; < 0: no stream
    double sinkMs = -1;
    double peakMb = -1;
    std::string failure;   // why the turn measured nothing
};

// The stream of process `pid` that plays (not corked). Its "Buffer Latency"
// is what the server holds at that moment: it drops by a request's worth
// while the player answers one. The fullest of a few readings is the buffer
// the server keeps for the stream.
inline void noteStream(Turn& t, pid_t pid)
{
    for (int reading = 0; reading < 5; ++reading) {
        if (reading > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(37));
        for (const Stream& s : streams())
            if (s.pid == pid && !s.corked && s.bufferMs > t.bufferMs) {
                t.bufferMs = s.bufferMs;
                t.sinkMs = s.sinkMs;
            }
    }
}

// The peer's turn: started, left `lead` seconds, measured `seconds`, ended.
inline Turn peerTurn(const Peer& peer, double lead, double seconds)
{
    Turn t;
    const pid_t pid = benchsupport::spawn(peer.argv, peer.env);
    if (pid < 0) {
        t.failure = peer.name + " is not installed (" + peer.argv[0] + " not found in PATH)";
        return t;
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(lead));
    const double c0 = processCpu(pid);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double c1 = processCpu(pid);
    t.wall = std::chrono::duration<double>(Clock::now() - t0).count();
    noteStream(t, pid);
    t.peakMb = memoryMb(pid);
    const bool running = waitpid(pid, nullptr, WNOHANG) == 0;
    benchsupport::stop(pid);
    if (!running || c0 < 0 || c1 < 0)
        t.failure = peer.name + " ended before the end of its turn: " + peer.command();
    else if (t.bufferMs < 0)
        t.failure = peer.name + "'s stream did not connect to the sound server";
    else
        t.percent = 100.0 * (c1 - c0) / t.wall;
    return t;
}

// Runs the event loop for `seconds`, waking once a second to look at the clock.
inline void playOn(double seconds)
{
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    benchsupport::runUntil([&] { return Clock::now() >= end; }, 1000);
}

// Our turn: `song` is started as a user starts it (its peak memory counted
// from there), plays `lead` seconds, then is measured over `seconds`; then it
// is stopped and its output given the time to close, so the peer plays alone.
// `threads` gets each thread's share of one core over the window; `check`,
// asked while the song plays, says what is wrong with it (empty: nothing).
inline Turn ourTurn(Player& p, const std::string& song, double lead, double seconds,
                    std::map<std::string, double>& threads, const std::function<std::string()>& check)
{
    Turn t;
    resetPeak();
    p.Select_Song.setText(song);
    p.Command_Play.press();
    if (!modIni::IsPlaying) {
        t.failure = "the song did not start: " + song;
        return t;
    }
    playOn(lead);
    const auto threads0 = threadSeconds();
    const double c0 = processCpu(getpid());
    const auto t0 = Clock::now();
    playOn(seconds);
    const double c1 = processCpu(getpid());
    t.wall = std::chrono::duration<double>(Clock::now() - t0).count();
    threads = threadSeconds();
    for (auto& [name, secs] : threads)
        secs = (secs - (threads0.count(name) ? threads0.at(name) : 0.0)) / t.wall * 100.0;
    noteStream(t, getpid());
    t.peakMb = memoryMb(getpid());
    const std::string wrong = check();
    if (!modIni::IsPlaying)
        t.failure = "the song stopped before the end of the turn";
    else if (!wrong.empty())
        t.failure = wrong;
    else if (!karaoke().Visible())
        t.failure = "the lyric window is not shown";
    else if (media::engine().outputKind() != media::OutputKind::Device || t.bufferMs < 0)
        t.failure = "our stream did not connect to the sound server";
    else
        t.percent = 100.0 * (c1 - c0) / t.wall;
    p.Command_Stop_Click();
    // The output closes itself half a second after the sound stops.
    const auto quiet = Clock::now() + std::chrono::seconds(3);
    benchsupport::runUntil(
        [&] { return media::engine().outputKind() == media::OutputKind::None || Clock::now() > quiet; });
    return t;
}

inline double median(std::vector<double> v)
{
    return benchsupport::quantile(std::move(v), 0.5);
}

// Plays `song` against `peer` in `pairs` interleaved pairs (ours first) and
// prints each pair, both medians, the ratio ours / peer (median of the pairs'
// ratios, with its minimum and maximum), each side's buffer as the sound
// server reports it, the peer's exact command, and with `memory` both peak
// memories. False, with the reason on stderr, when it could not measure:
// fewer than kMinPairs pairs, a side that did not play or connect, or
// buffers that differ by more than a tenth (at least 5 ms) in more pairs than
// can be played again. `check` as for
// ourTurn.
inline bool comparePairs(Player& p, const std::string& what, const std::string& song, const Peer& peer, double lead,
                         double seconds, int pairs, bool memory, const std::function<std::string()>& check)
{
    std::printf("== %s, from %.0f s to %.0f s of the song, on processors %s\n", what.c_str(), lead, lead + seconds,
                processors().c_str());
    std::printf("peer: %s\n", peer.command().c_str());
    std::fflush(stdout);
    if (benchsupport::findProgram(peer.argv[0]).empty()) {
        std::fprintf(stderr, "%s is not installed (%s not found in PATH)\n", peer.name.c_str(), peer.argv[0].c_str());
        return false;
    }
    if (pairs < kMinPairs) {
        std::fprintf(stderr, "%d pairs asked: at least %d are needed for a figure\n", pairs, kMinPairs);
        return false;
    }
    if (memory)
        std::printf("ours before the song: resident %.1f MB\n", memoryMb(getpid(), "VmRSS:"));
    std::vector<double> a, b, r, bufA, bufB, memA, memB;
    std::map<std::string, double> threads;
    // A pair whose two streams got different buffers from the server (it
    // now and then gives a stream less than it asked) compares unlike with
    // unlike: it is shown, not counted, and another pair is played instead.
    const auto differ = [](double x, double y) { return std::abs(x - y) > std::max(5.0, 0.1 * std::max(x, y)); };
    int skipped = 0;
    for (int i = 0; int(r.size()) < pairs; ++i) {
        if (i >= 2 * pairs) {
            std::fprintf(stderr, "%d of %d pairs had different buffers: too few pairs to compare\n", skipped, i);
            return false;
        }
        const Turn ours = ourTurn(p, song, lead, seconds, threads, check);
        if (ours.percent < 0) {
            std::fprintf(stderr, "ours did not measure (pair %d): %s\n", i + 1, ours.failure.c_str());
            return false;
        }
        const Turn theirs = peerTurn(peer, lead, seconds);
        if (theirs.percent < 0) {
            std::fprintf(stderr, "the peer did not measure (pair %d): %s\n", i + 1, theirs.failure.c_str());
            return false;
        }
        std::printf("  pair %d: ours %.3f %% (buffer %.1f ms, peak %.1f MB)  %s %.3f %% (buffer %.1f ms, peak %.1f MB)"
                    "  ratio %.3f\n",
                    i + 1, ours.percent, ours.bufferMs, ours.peakMb, peer.name.c_str(), theirs.percent,
                    theirs.bufferMs, theirs.peakMb, ours.percent / theirs.percent);
        std::fflush(stdout);
        if (differ(ours.bufferMs, theirs.bufferMs)) {
            std::printf("    (the buffers differ: pair not counted)\n");
            ++skipped;
            continue;
        }
        a.push_back(ours.percent);
        b.push_back(theirs.percent);
        r.push_back(ours.percent / theirs.percent);
        bufA.push_back(ours.bufferMs);
        bufB.push_back(theirs.bufferMs);
        memA.push_back(ours.peakMb);
        memB.push_back(theirs.peakMb);
    }
    std::printf("ours, last turn, by thread (%% of one core):");
    for (const auto& [name, pct] : threads)
        if (pct > 0)
            std::printf(" %s %.3f", name.c_str(), pct);
    std::printf("\nbuffer as the sound server reports it (median): ours %.1f ms, %s %.1f ms\n", median(bufA),
                peer.name.c_str(), median(bufB));
    std::printf("CPU, median of one core: ours %.3f %%, %s %.3f %%; ratio ours/%s median %.3f (min %.3f, max %.3f) "
                "over %zu pairs (%d not counted)\n",
                median(a), peer.name.c_str(), median(b), peer.name.c_str(), median(r), benchsupport::quantile(r, 0.0),
                benchsupport::quantile(r, 1.0), r.size(), skipped);
    if (memory) {
        std::vector<double> m;
        for (std::size_t i = 0; i < memA.size(); ++i)
            m.push_back(memA[i] / memB[i]);
        std::printf("peak memory (VmHWM), median: ours %.1f MB, %s %.1f MB; ratio median %.2f (min %.2f, max %.2f)\n",
                    median(memA), peer.name.c_str(), median(memB), median(m), benchsupport::quantile(m, 0.0),
                    benchsupport::quantile(m, 1.0));
    }
    std::fflush(stdout);
    const double da = median(bufA), db = median(bufB);
    if (differ(da, db)) {
        std::fprintf(stderr, "the two streams' buffers differ (ours %.1f ms, %s %.1f ms): the figures do not compare\n",
                     da, peer.name.c_str(), db);
        return false;
    }
    return true;
}

} // namespace peercompare
