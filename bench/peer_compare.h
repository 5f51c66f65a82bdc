#pragma once
// Playing CPU against a peer player, like with like: the program (in this
// process) and the peer (a child process) play the same song in turns, A B A
// B ..., on the same processors (the children inherit this process's; run the
// benchmark under `taskset -c ...`) and to the same sound server. Each turn
// skips the first `lead` seconds of the song (start-up: libraries, SoundFont,
// the first buffers) and measures the user+system time of the whole process,
// all threads, over the next `seconds` of the song, read the same way for
// both (the scheduler's account of each thread). While one plays the other
// does not run.
#include <signal.h>
#include <spawn.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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
#include "platform/media/engine.h"

extern char** environ;

namespace peercompare {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

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

// Starts `argv` (looked up in PATH) with `env` added to this environment,
// its output thrown away. -1 when it cannot start.
inline pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env)
{
    std::vector<std::string> envs;
    for (char** e = environ; *e; ++e)
        envs.emplace_back(*e);
    for (const std::string& e : env)
        envs.push_back(e);
    std::vector<char*> a, v;
    for (const std::string& s : argv)
        a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    for (const std::string& s : envs)
        v.push_back(const_cast<char*>(s.c_str()));
    v.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int err = posix_spawnp(&pid, a[0], &actions, nullptr, a.data(), v.data());
    posix_spawn_file_actions_destroy(&actions);
    return err == 0 ? pid : -1;
}

inline void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// What the sound server says of each stream that plays: "name: buffer
// latency" as `pactl list sink-inputs` prints it (empty without pactl).
inline std::string sinkInputs()
{
    const fs::path out = fs::temp_directory_path() / ("zunbench-pactl-" + std::to_string(getpid()));
    const pid_t pid = spawn({"sh", "-c", "exec pactl list sink-inputs > '" + out.string() + "' 2>/dev/null"}, {});
    if (pid < 0)
        return "";
    waitpid(pid, nullptr, 0);
    std::ifstream in(out);
    std::string line, name, latency, result;
    while (std::getline(in, line)) {
        const auto trim = [](std::string s) { return s.substr(s.find_first_not_of(" \t")); };
        if (line.find("Buffer Latency:") != std::string::npos)
            latency = trim(line.substr(line.find(':') + 1));
        if (line.find("application.name = ") != std::string::npos) {
            name = trim(line.substr(line.find('=') + 1));
            result += (result.empty() ? "" : ", ") + name + " buffer " + latency;
        }
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

struct Turn {
    double percent = -1;  // of one core over the window; < 0: failed
    double wall = 0;
    std::string streams;  // the sound server's streams at the window's end
};

// The peer's turn: started, left `lead` seconds, measured `seconds`, ended.
inline Turn peerTurn(const std::vector<std::string>& argv, const std::vector<std::string>& env, double lead,
                     double seconds)
{
    Turn t;
    const pid_t pid = spawn(argv, env);
    if (pid < 0)
        return t;
    std::this_thread::sleep_for(std::chrono::duration<double>(lead));
    const double c0 = processCpu(pid);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double c1 = processCpu(pid);
    t.wall = std::chrono::duration<double>(Clock::now() - t0).count();
    t.streams = sinkInputs();
    stop(pid);
    if (c0 >= 0 && c1 >= 0 && waitpid(pid, nullptr, WNOHANG) <= 0)
        t.percent = 100.0 * (c1 - c0) / t.wall;
    return t;
}

// Runs the event loop for `seconds`, waking once a second to look at the clock.
inline void playOn(double seconds)
{
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    benchsupport::runUntil([&] { return Clock::now() >= end; }, 1000);
}

// Our turn: the song the player has just started plays `lead` seconds, then
// is measured over `seconds`; then it is stopped and its output given the
// time to close, so the peer plays alone. `threads` gets each thread's share
// of one core over the window; `device` is cleared when the sound did not go
// to the sound server (the output connects away from the window: looked at
// once the song plays).
inline Turn ourTurn(Player& p, double lead, double seconds, std::map<std::string, double>& threads, bool& device)
{
    playOn(lead);
    device = device && media::engine().outputKind() == media::OutputKind::Device;
    const auto threads0 = threadSeconds();
    const double c0 = processCpu(getpid());
    const auto t0 = Clock::now();
    playOn(seconds);
    Turn t;
    const double c1 = processCpu(getpid());
    t.wall = std::chrono::duration<double>(Clock::now() - t0).count();
    t.percent = modIni::IsPlaying ? 100.0 * (c1 - c0) / t.wall : -1;
    threads = threadSeconds();
    for (auto& [name, secs] : threads)
        secs = (secs - (threads0.count(name) ? threads0.at(name) : 0.0)) / t.wall * 100.0;
    t.streams = sinkInputs();
    p.Command_Stop_Click();
    // The output closes itself half a second after the sound stops.
    const auto quiet = Clock::now() + std::chrono::seconds(3);
    benchsupport::runUntil(
        [&] { return media::engine().outputKind() == media::OutputKind::None || Clock::now() > quiet; });
    return t;
}

// Prints the peer's command line, then our threads' shares of the last turn.
inline void printPeerAndThreads(const std::vector<std::string>& peer, const std::map<std::string, double>& threads)
{
    for (const std::string& a : peer)
        std::printf(" %s", a.c_str());
    std::printf("\nours, last turn, by thread (%% of one core):");
    for (const auto& [name, pct] : threads)
        if (pct > 0)
            std::printf(" %s %.3f", name.c_str(), pct);
    std::printf("\n");
}

inline double median(std::vector<double> v)
{
    return benchsupport::quantile(std::move(v), 0.5);
}

// Prints the turns, both medians and the ratio ours / peer (median of the
// ratios of each pair).
inline void report(const std::vector<Turn>& ours, const std::vector<Turn>& peer, const std::string& peerName)
{
    if (peer.empty()) {
        for (const Turn& t : ours)
            std::printf("ours alone: %.3f %% of one core; streams: %s\n", t.percent, t.streams.c_str());
        return;
    }
    std::vector<double> a, b, r;
    for (std::size_t i = 0; i < ours.size() && i < peer.size(); ++i) {
        std::printf("  pair %zu: ours %.3f %%  %s %.3f %%  ratio %.3f\n", i + 1, ours[i].percent, peerName.c_str(),
                    peer[i].percent, peer[i].percent > 0 ? ours[i].percent / peer[i].percent : 0.0);
        if (ours[i].percent >= 0 && peer[i].percent > 0) {
            a.push_back(ours[i].percent);
            b.push_back(peer[i].percent);
            r.push_back(ours[i].percent / peer[i].percent);
        }
    }
    if (!ours.empty())
        std::printf("streams while ours played: %s\n", ours.back().streams.c_str());
    if (!peer.empty())
        std::printf("streams while %s played: %s\n", peerName.c_str(), peer.back().streams.c_str());
    std::printf("median of one core: ours %.3f %%, %s %.3f %%; ratio ours/%s median %.3f (min %.3f, max %.3f) over %zu pairs\n",
                median(a), peerName.c_str(), median(b), peerName.c_str(), median(r), benchsupport::quantile(r, 0.0),
                benchsupport::quantile(r, 1.0), r.size());
}

} // namespace peercompare
