#pragma once
// Helpers shared by the benchmark programs that run the real windows: a real X
// display with a window manager and a sound server (started here when the
// environment has none), songs shaped as users' songs are and written on the
// spot, the program started as a user starts it, and a few statistics.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "core/modini.h"
#include "core/player.h"
#include "platform/forms/app.h"
#include "platform/forms/form.h"
#include "platform/music/smf_writer.h"

namespace benchsupport {

namespace fs = std::filesystem;

// A temporary program folder (settings file, default play list), removed at the end.
struct ProgramFolder {
    fs::path dir;
    explicit ProgramFolder(const std::string& tag)
    {
        dir = fs::temp_directory_path() / ("zunbench-" + tag + "-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        setenv("ZUNKARAOKE_DIR", dir.c_str(), 1);
    }
    ~ProgramFolder()
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
};

// ---- other programs: the peers, the X server, the sound server -------------

// `name` looked up in PATH as the shell does; empty when there is none.
inline std::string findProgram(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return access(name.c_str(), X_OK) == 0 ? name : "";
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (std::size_t at = 0; at <= dirs.size();) {
        std::size_t end = dirs.find(':', at);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string candidate = (end > at ? dirs.substr(at, end - at) : ".") + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        at = end + 1;
    }
    return "";
}

// Starts `argv` (looked up in PATH) with this environment, `env` ("NAME=value")
// replacing or adding variables; its output goes to `output` (or nowhere), and
// `fd3`, when given, becomes its descriptor 3. The child is ended with SIGTERM
// if this program dies first, so that no X or sound server outlives a crashed
// run. -1 when it cannot start.
inline pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   const std::string& output = "/dev/null", int fd3 = -1)
{
    const std::string program = argv.empty() ? "" : findProgram(argv[0]);
    if (program.empty())
        return -1;
    std::vector<std::string> envs;
    for (char** e = environ; *e; ++e) {
        const std::string var = *e;
        const std::string name = var.substr(0, var.find('=') + 1);
        if (std::none_of(env.begin(), env.end(), [&](const std::string& x) { return x.rfind(name, 0) == 0; }))
            envs.push_back(var);
    }
    envs.insert(envs.end(), env.begin(), env.end());
    std::vector<char*> a, v;
    for (const std::string& s : argv)
        a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    for (const std::string& s : envs)
        v.push_back(const_cast<char*>(s.c_str()));
    v.push_back(nullptr);
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // Only calls that are safe between fork and exec from here on.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        if (fd3 >= 0)
            dup2(fd3, 3);
        if (in >= 0)
            dup2(in, 0);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        execve(program.c_str(), a.data(), v.data());
        _exit(127);
    }
    if (out >= 0)
        close(out);
    if (in >= 0)
        close(in);
    return pid;
}

// Ends a child: SIGTERM, SIGKILL after a second; reaps it.
inline void stop(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Runs a command to its end (at most `seconds`); true when it exits with 0.
inline bool succeeds(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                     double seconds = 10, const std::string& output = "/dev/null")
{
    const pid_t pid = spawn(argv, env, output);
    if (pid < 0)
        return false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            stop(pid);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Polls `ok()` every 100 ms for at most `seconds`.
template <class Pred>
bool waitFor(Pred ok, double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!ok()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

// The desktop a user plays on: an X display run by a window manager, and with
// `sound` a PulseAudio server. The ones the environment names (DISPLAY,
// PULSE_SERVER) are used as they are; otherwise a private Xvfb with openbox,
// and a private PulseAudio server whose default sink is a null sink, are
// started here and ended with this object. Qt is sent to the X display (the
// windows are drawn and shown there, not offscreen). `error` says what is
// missing when `ok()` is false.
class Desktop {
public:
    explicit Desktop(bool sound)
    {
        dir_ = fs::temp_directory_path() / ("zunbench-desktop-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        chmod(dir_.c_str(), 0700);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        // As the program's own start does.
        sendPixelsWithoutSharedMemory();
        if (!std::getenv("DISPLAY") && !startX())
            return;
        if (sound && !std::getenv("PULSE_SERVER") && !startPulse())
            return;
        ok_ = true;
    }
    ~Desktop()
    {
        for (auto it = started_.rbegin(); it != started_.rend(); ++it)
            stop(*it);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    bool ok() const { return ok_; }
    std::string error;
    // What this run plays on, for the printed figures.
    std::string describe() const
    {
        const char* d = std::getenv("DISPLAY");
        const char* p = std::getenv("PULSE_SERVER");
        return std::string("X display ") + (d ? d : "?") + (startedX_ ? " (Xvfb + openbox, started here)" : "") +
               ", sound server " + (p ? p : "(default)") + (startedPulse_ ? " (null sink, started here)" : "");
    }

private:
    bool startX()
    {
        for (const char* p : {"Xvfb", "openbox", "wmctrl"})
            if (findProgram(p).empty()) {
                error = std::string("no X display: DISPLAY is not set and ") + p +
                        " is not installed to start one (Xvfb, openbox and wmctrl are needed)";
                return false;
            }
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            error = "no X display: cannot make a pipe for Xvfb";
            return false;
        }
        // -noreset: an X server resets itself whenever its last client leaves,
        // and refuses a client that connects during the reset (openbox after
        // wmctrl's probe, the player after a probe of the benchmark's own).
        const pid_t x = spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1920x1080x24", "-nolisten", "tcp", "-noreset"},
                              {}, (dir_ / "xvfb.log").string(), fds[1]);
        close(fds[1]);
        std::string number;
        if (x > 0) {
            started_.push_back(x);
            pollfd pfd{fds[0], POLLIN, 0};
            char c = 0;
            while (poll(&pfd, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
                number += c;
        }
        close(fds[0]);
        if (number.empty()) {
            error = "no X display: Xvfb did not start (see its log in " + dir_.string() + ")";
            return false;
        }
        setenv("DISPLAY", (":" + number).c_str(), 1);
        startedX_ = true;
        const fs::path home = dir_ / "openbox-home";
        fs::create_directories(home);
        const pid_t wm = spawn({"openbox", "--sm-disable"}, {"HOME=" + home.string()}, (dir_ / "openbox.log").string());
        if (wm > 0)
            started_.push_back(wm);
        if (wm > 0 && waitFor([] { return succeeds({"wmctrl", "-m"}); }, 20))
            return true;
        error = "no window manager: openbox did not start on " + std::string(std::getenv("DISPLAY")) + " (see its log in " +
                dir_.string() + ")";
        return false;
    }

    bool startPulse()
    {
        for (const char* p : {"pulseaudio", "pactl"})
            if (findProgram(p).empty()) {
                error = std::string("no sound server: PULSE_SERVER is not set and ") + p + " is not installed";
                return false;
            }
        const fs::path pulse = dir_ / "pulse";
        fs::create_directories(pulse / "home");
        fs::create_directories(pulse / "runtime");
        chmod((pulse / "runtime").c_str(), 0700);
        setenv("PULSE_SERVER", ("unix:" + (pulse / "native").string()).c_str(), 1);
        setenv("PULSE_RUNTIME_PATH", (pulse / "runtime").c_str(), 1);
        setenv("PULSE_STATE_PATH", (pulse / "state").c_str(), 1);
        // norewinds: without it a recording of the monitor loses up to 0.7 s
        // when a new playing stream starts.
        const pid_t pa = spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                "--disable-shm=yes", "--log-target=stderr",
                                "--load=module-native-protocol-unix socket=" + (pulse / "native").string() +
                                    " auth-anonymous=1",
                                "--load=module-null-sink sink_name=bench_sink norewinds=1 rate=44100 channels=2"},
                               {"HOME=" + (pulse / "home").string()}, (dir_ / "pulse.log").string());
        if (pa > 0)
            started_.push_back(pa);
        if (pa <= 0 || !waitFor([] { return succeeds({"pactl", "info"}); }, 20) ||
            !succeeds({"pactl", "set-default-sink", "bench_sink"})) {
            error = "no sound server: the private PulseAudio server did not answer";
            return false;
        }
        startedPulse_ = true;
        return true;
    }

    fs::path dir_;
    std::vector<pid_t> started_;
    bool ok_ = false;
    bool startedX_ = false;
    bool startedPulse_ = false;
};

// A stereo sound file opened for writing by libsndfile in `format` (WAV or
// MP3); null when it cannot be created.
inline SNDFILE* createStereo(const std::string& path, int format, int rate)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = format;
    return sf_open(path.c_str(), SFM_WRITE, &info);
}

// Writes interleaved stereo samples with libsndfile in `format` (WAV or MP3).
inline bool writeStereo(const std::string& path, const std::vector<float>& mix, int format, int rate)
{
    SNDFILE* f = createStereo(path, format, rate);
    if (!f)
        return false;
    const auto frames = static_cast<sf_count_t>(mix.size() / 2);
    const bool ok = sf_writef_float(f, mix.data(), frames) == frames;
    sf_close(f);
    return ok;
}

// Stereo music-like sound (two detuned tones and a beat) of `seconds`, written
// by libsndfile in `format` (WAV or MP3). False when it cannot be written.
inline bool writeSong(const std::string& path, double seconds, int format, int rate = 44100)
{
    SNDFILE* f = createStereo(path, format, rate);
    if (!f)
        return false;
    const auto total = static_cast<sf_count_t>(seconds * rate);
    std::vector<float> buf(4096 * 2);
    bool ok = true;
    for (sf_count_t done = 0; done < total && ok;) {
        const int n = static_cast<int>(std::min<sf_count_t>(4096, total - done));
        for (int i = 0; i < n; ++i) {
            const double t = double(done + i) / rate;
            const double beat = std::fmod(t, 0.5) < 0.05 ? 0.2 * std::sin(2 * M_PI * 80 * t) : 0.0;
            const float l = float(0.25 * std::sin(2 * M_PI * 220 * t) +
                                  0.15 * std::sin(2 * M_PI * 331 * t * (1 + 0.01 * std::sin(t))) + beat);
            const float r = float(0.25 * std::sin(2 * M_PI * 277 * t) + 0.15 * std::sin(2 * M_PI * 440 * t) + beat);
            buf[2 * std::size_t(i)] = l;
            buf[2 * std::size_t(i) + 1] = r;
        }
        ok = sf_writef_float(f, buf.data(), n) == n;
        done += n;
    }
    sf_close(f);
    return ok;
}

// A sync file of the syllables at `times` (seconds), `perLine` to a line.
// Times are written with "," and three decimals.
inline std::string sykText(const std::vector<double>& times, int perLine)
{
    static const char* const syllables[] = {"Ka", "ra", "o", "ke ", "sing", "ing ", "all ", "night "};
    std::string out;
    char time[32];
    for (std::size_t i = 0; i < times.size(); ++i) {
        std::snprintf(time, sizeof time, "%.3f", times[i]);
        std::string t = time;
        std::replace(t.begin(), t.end(), '.', ',');
        out += std::string(syllables[i % 8]) + ";" + t + ";";
        if ((i + 1) % std::size_t(perLine) == 0 || i + 1 == times.size())
            out += "\r\n";
    }
    return out;
}

// Syllable times from `first` to `last` seconds, one about every `step`: each
// is moved later by a whole number of milliseconds below 10, so that the
// syllables fall at every phase of a 10 ms clock.
inline std::vector<double> syllableTimes(double first, double last, double step)
{
    std::vector<double> times;
    unsigned seed = 12345;
    for (int i = 0;; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double t = first + step * i + double((seed >> 16) % 10) / 1000.0;
        if (t > last)
            break;
        times.push_back(t);
    }
    return times;
}

// ---- songs shaped as users' songs are ------------------------------------------

// The lines of a sung song of about `seconds`, sung as songs are: a syllable
// every 0.2 to 0.45 s (0.3 s on average, about 3.3 a second) within a line,
// lines of 6 to 12 syllables with a breath of 0.3 to 0.8 s between them,
// verses of four lines, a gap of 0.8 to 2 s after a verse and an
// instrumental break of 6 to 10 s after every third verse; a 5 s opening and
// an ending of at least 8 s with no words. About 2.1 syllables a second over
// the whole song. Each time is moved later by a whole number of milliseconds below 10,
// so that the syllables fall at every phase of a 10 ms clock.
inline std::vector<std::vector<double>> sungLines(double seconds)
{
    static const double lengths[] = {0.22, 0.3, 0.26, 0.34, 0.28, 0.4, 0.24, 0.32, 0.2, 0.36, 0.3, 0.45};
    std::vector<std::vector<double>> lines;
    unsigned seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    double t = 5.0;
    for (int line = 0;; ++line) {
        if (line > 0 && line % 12 == 0)
            t += 6.0 + double(next() % 40) / 10.0;  // the instrumental break
        else if (line > 0 && line % 4 == 0)
            t += 0.8 + double(next() % 12) / 10.0;  // between two verses
        const int count = 6 + int(next() % 7);
        std::vector<double> times;
        for (int k = 0; k < count; ++k) {
            times.push_back(t + double(next() % 10) / 1000.0);
            t += lengths[next() % 12];
        }
        if (t > seconds - 8.0)
            break;
        lines.push_back(times);
        t += 0.3 + double(next() % 6) / 10.0;  // a breath
    }
    return lines;
}

inline std::vector<double> flatten(const std::vector<std::vector<double>>& lines)
{
    std::vector<double> all;
    for (const auto& l : lines)
        all.insert(all.end(), l.begin(), l.end());
    return all;
}

// Syllables of words of different lengths, each line ending on a whole word.
inline const char* syllableText(std::size_t i)
{
    static const char* const words[] = {"Un", "der ", "the ", "sil", "ver ", "moon", "light ", "we ", "will ",
                                        "dance ", "for", "ev", "er ", "and ", "a ", "day ", "sing", "ing ",
                                        "to", "geth", "er ", "all ", "night ", "long "};
    return words[i % (sizeof words / sizeof *words)];
}

// The .syk text of `lines`: "syllable;time;" with the time in seconds, a
// comma and three decimals, each line ended by CR LF.
inline std::string sykLines(const std::vector<std::vector<double>>& lines)
{
    std::string out;
    std::size_t i = 0;
    char time[32];
    for (const auto& l : lines) {
        for (double t : l) {
            std::snprintf(time, sizeof time, "%.3f", t);
            std::string text = time;
            std::replace(text.begin(), text.end(), '.', ',');
            out += std::string(syllableText(i++)) + ";" + text + ";";
        }
        out += "\r\n";
    }
    return out;
}

// The syllable times of a .syk file, line by line, read as the lines are
// written ("syllable;time;" with a decimal comma or point; the display lines
// that start with "//" hold none). Empty when the file cannot be read.
inline std::vector<std::vector<double>> readSykLines(const std::string& path)
{
    std::vector<std::vector<double>> lines;
    std::ifstream in(path, std::ios::binary);
    std::string text;
    while (std::getline(in, text)) {
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (text.rfind("//", 0) == 0)
            continue;
        std::vector<double> times;
        std::size_t at = 0;
        for (int field = 0;; ++field) {
            const std::size_t end = text.find(';', at);
            if (end == std::string::npos)
                break;
            if (field % 2 == 1) {
                std::string t = text.substr(at, end - at);
                std::replace(t.begin(), t.end(), ',', '.');
                times.push_back(std::atof(t.c_str()));
            }
            at = end + 1;
        }
        if (!times.empty())
            lines.push_back(times);
    }
    return lines;
}

// The length of a sound file in seconds as libsndfile reads it; 0 when unknown.
inline double soundSeconds(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
        return 0;
    sf_close(f);
    return info.samplerate > 0 ? double(info.frames) / info.samplerate : 0;
}

// How dense the syllables of `lines` are, in words: how many a second over
// the whole song of `seconds`, how many a second while a line is sung (from
// the median step between two syllables of one line), and how many fall
// from `from` to `to` seconds.
inline std::string syllableDensity(const std::vector<std::vector<double>>& lines, double seconds, double from,
                                   double to)
{
    std::size_t count = 0, inStretch = 0;
    std::vector<double> steps;
    for (const auto& l : lines) {
        count += l.size();
        for (std::size_t k = 0; k < l.size(); ++k) {
            inStretch += l[k] >= from && l[k] < to;
            if (k > 0)
                steps.push_back(l[k] - l[k - 1]);
        }
    }
    std::sort(steps.begin(), steps.end());
    const double step = steps.empty() ? 0 : steps[steps.size() / 2];
    char out[320];
    std::snprintf(out, sizeof out,
                  "%zu syllables in %zu lines over %.0f s: %.2f a second over the song; while a line is sung one "
                  "every %.2f s (median), %.2f a second; %zu from %.0f s to %.0f s, %.2f a second",
                  count, lines.size(), seconds, seconds > 0 ? double(count) / seconds : 0.0, step,
                  step > 0 ? 1.0 / step : 0.0, inStretch, from, to, to > from ? double(inStretch) / (to - from) : 0.0);
    return out;
}

// A track written by absolute ticks (any order) and turned into delta times;
// at the same tick note-offs go first, then the rest in the order given.
class TimedTrack {
public:
    TimedTrack& add(std::uint32_t tick, std::initializer_list<int> b) { return raw(tick, testmidi::bytes(b), 1); }
    TimedTrack& on(std::uint32_t tick, int ch, int key, int vel) { return add(tick, {0x90 | ch, key, vel}); }
    TimedTrack& off(std::uint32_t tick, int ch, int key) { return raw(tick, testmidi::bytes({0x80 | ch, key, 64}), 0); }
    TimedTrack& note(std::uint32_t tick, std::uint32_t length, int ch, int key, int vel)
    {
        return on(tick, ch, key, vel).off(tick + length, ch, key);
    }
    TimedTrack& meta(std::uint32_t tick, int type, const std::string& body)
    {
        return raw(tick, std::string{char(0xFF), char(type)} + testmidi::vlq(std::uint32_t(body.size())) + body, 1);
    }
    TimedTrack& text(std::uint32_t tick, const std::string& t) { return meta(tick, 0x01, t); }
    TimedTrack& tempo(std::uint32_t tick, double bpm)
    {
        const auto us = static_cast<std::uint32_t>(60e6 / bpm);
        return meta(tick, 0x51, std::string{char((us >> 16) & 0xFF), char((us >> 8) & 0xFF), char(us & 0xFF)});
    }
    testmidi::Track track() const
    {
        auto sorted = events_;
        std::stable_sort(sorted.begin(), sorted.end(), [](const Event& a, const Event& b) {
            return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
        });
        testmidi::Track t;
        std::uint32_t last = 0;
        for (const Event& e : sorted) {
            t.raw(testmidi::vlq(e.tick - last) + e.bytes);
            last = e.tick;
        }
        return t.end();
    }

private:
    struct Event {
        std::uint32_t tick;
        int order;
        std::string bytes;
    };
    TimedTrack& raw(std::uint32_t tick, const std::string& b, int order)
    {
        events_.push_back({tick, order, b});
        return *this;
    }
    std::vector<Event> events_;
};

// A Soft Karaoke .kar as nursery songs come: 100 bpm, one syllable a beat,
// lines of seven syllables and a rest, four lines a verse, six verses (about
// 2.5 minutes); a melody, a bass and light drums; the words as text events of
// a "Words" track after the "@" headers, "\" starting a verse and "/" a line.
inline std::string nurseryKar()
{
    constexpr int q = 192;  // ticks a beat
    static const int tunes[4][7] = {{60, 60, 67, 67, 69, 69, 67}, {65, 65, 64, 64, 62, 62, 60},
                                    {67, 67, 65, 65, 64, 64, 62}, {67, 67, 65, 65, 64, 64, 62}};
    static const char* const words[4][7] = {{"Twin", "kle ", "twin", "kle ", "lit", "tle ", "star "},
                                            {"How ", "I ", "won", "der ", "what ", "you ", "are "},
                                            {"Up ", "a", "bove ", "the ", "world ", "so ", "high "},
                                            {"Like ", "a ", "dia", "mond ", "in ", "the ", "sky "}};
    static const int roots[4] = {48, 41, 43, 43};
    TimedTrack conductor, lyrics, melody, bass, drums;
    conductor.meta(0, 0x03, "Soft Karaoke").text(0, "@KMIDI KARAOKE FILE");
    conductor.meta(0, 0x58, std::string{4, 2, 24, 8}).tempo(0, 100);
    lyrics.meta(0, 0x03, "Words").text(0, "@LENGL").text(0, "@TTwinkle Twinkle").text(0, "@TTraditional");
    melody.meta(0, 0x03, "Melody").add(0, {0xC0, 0}).add(0, {0xB0, 7, 110});
    bass.meta(0, 0x03, "Bass").add(0, {0xC1, 32}).add(0, {0xB1, 7, 100});
    drums.meta(0, 0x03, "Drums").add(0, {0xB9, 7, 90});
    std::uint32_t bar = 2;  // two bars of drums and bass first
    for (int verse = 0; verse < 6; ++verse) {
        for (int line = 0; line < 4; ++line, bar += 2) {
            for (int k = 0; k < 7; ++k) {
                const std::uint32_t at = bar * 4 * q + std::uint32_t(k * q);
                melody.note(at, q * 9 / 10, 0, tunes[line][k], 100);
                lyrics.text(at, std::string(k > 0 ? "" : line == 0 ? "\\" : "/") + words[line][k]);
            }
        }
        bar += 2;  // a short break between verses
    }
    for (std::uint32_t b = 0; b < bar; ++b) {
        const int root = roots[(b / 2) % 4];
        for (int half = 0; half < 2; ++half)
            bass.note((b * 4 + std::uint32_t(half) * 2) * q, q * 2 - 10, 1, root - 12 + half * 7, 90);
        for (int beat = 0; beat < 4; ++beat) {
            const std::uint32_t at = (b * 4 + std::uint32_t(beat)) * q;
            drums.note(at, q / 4, 9, 42, 60);
            if (beat % 2 == 0)
                drums.note(at, q / 4, 9, beat == 0 ? 36 : 38, 80);
        }
    }
    return testmidi::file(1, q, {conductor.track(), lyrics.track(), melody.track(), bass.track(), drums.track()});
}

// A dense .kar as arranged pop songs come: 16 tracks (the tempo map, the
// words, and fourteen instruments with drums: piano arpeggios in sixteenths,
// bass and guitar in eighths, strings with expression swells, brass stabs,
// pads, choir, counter melodies), thousands of notes over 76 bars (about 2.7
// minutes), and tempo changes: 92 bpm, 124 from bar 8, which is also where a
// sung line starts, 118 for the bridge, 132 for the last verse, slowing to
// 100 and 84 at the end. The words are text events, one syllable an eighth,
// lines of 5 to 12 syllables every two bars, "\" starting a verse, "/" a line.
inline std::string denseKar()
{
    constexpr std::uint32_t q = 480, barLen = 4 * q, e = q / 2, s = q / 4;
    constexpr std::uint32_t bars = 76;
    static const int chords[4][4] = {{48, 52, 55, 60}, {45, 48, 52, 57}, {41, 45, 48, 53}, {43, 47, 50, 55}};
    TimedTrack conductor, lyrics;
    conductor.meta(0, 0x03, "Soft Karaoke").text(0, "@KMIDI KARAOKE FILE").meta(0, 0x58, std::string{4, 2, 24, 8});
    conductor.tempo(0, 92).tempo(8 * barLen, 124).tempo(40 * barLen, 118).tempo(56 * barLen, 132);
    conductor.tempo(72 * barLen, 100).tempo(74 * barLen, 84);
    lyrics.meta(0, 0x03, "Words").text(0, "@LENGL").text(0, "@TDense Song").text(0, "@TBenchmark Band");
    struct Part {
        int channel, program, pan;
        const char* name;
    };
    static const Part parts[] = {{0, 0, 64, "Piano"},    {1, 33, 64, "Bass"},    {2, 48, 40, "Strings"},
                                 {3, 54, 64, "Voice"},   {4, 61, 90, "Brass"},   {5, 25, 30, "Guitar"},
                                 {6, 16, 100, "Organ"},  {7, 73, 80, "Flute"},   {8, 52, 50, "Choir"},
                                 {9, 0, 64, "Drums"},    {10, 12, 20, "Marimba"}, {11, 89, 110, "Pad"},
                                 {12, 46, 70, "Harp"},   {13, 56, 60, "Trumpet"}};
    std::vector<TimedTrack> tracks(sizeof parts / sizeof *parts);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const Part& p = parts[i];
        tracks[i].meta(0, 0x03, p.name).add(0, {0xC0 | p.channel, p.program});
        tracks[i].add(0, {0xB0 | p.channel, 7, 96}).add(0, {0xB0 | p.channel, 10, p.pan});
    }
    // Sung lines: bars 2-17, 24-39, 40-47 (the bridge), 56-71.
    const auto sung = [](std::uint32_t bar) {
        return (bar >= 2 && bar < 18) || (bar >= 24 && bar < 48) || (bar >= 56 && bar < 72);
    };
    std::size_t syllable = 0;
    int line = 0;
    for (std::uint32_t bar = 0; bar < bars; ++bar) {
        const int* c = chords[bar % 4];
        const std::uint32_t b = bar * barLen;
        for (std::uint32_t k = 0; k < 16; ++k)  // piano
            tracks[0].note(b + k * s, s - 10, 0, c[k % 4] + 12, 70 + int(k % 4) * 8);
        for (std::uint32_t k = 0; k < 8; ++k) {
            tracks[1].note(b + k * e, e - 20, 1, c[0] - 12 + (k % 4 == 3 ? 7 : 0), 95);  // bass
            for (int n = 0; n < 4; ++n)  // guitar strums
                tracks[5].note(b + k * e + std::uint32_t(n) * 8, e - 40, 5, c[n], 64 + int(k % 2) * 20);
            tracks[10].note(b + k * e, e - 30, 10, c[(k + 1) % 4] + 24, 70);  // marimba
            tracks[12].note(b + k * e, e, 12, c[k % 4] + (k >= 4 ? 12 : 0), 60);  // harp
            tracks[2].add(b + k * e, {0xB2, 11, 70 + int(k) * 7});  // string swell
        }
        for (int n = 0; n < 4; ++n) {
            tracks[2].note(b, barLen - 20, 2, c[n], 72);
            tracks[6].note(b, barLen - 10, 6, c[n] - 12, 55);
            tracks[11].note(b, barLen, 11, c[n] + 12, 50);
            if (bar % 2 == 0 && n < 3)
                tracks[8].note(b, 2 * barLen - 20, 8, c[n] + 12, 60);
        }
        for (std::uint32_t beat : {1u, 3u})
            for (int n = 0; n < 3; ++n)
                tracks[4].note(b + beat * q, e, 4, c[n + 1], 100);
        for (std::uint32_t beat = 0; beat < 4; ++beat)
            tracks[7].note(b + beat * q, q - 30, 7, c[(beat + bar) % 4] + 24, 75);
        for (std::uint32_t k = 0; k < 16; ++k) {  // drums
            tracks[9].note(b + k * s, s / 2, 9, k % 2 ? 42 : 44, 70 + int(k % 4 == 0) * 30);
            if (k % 8 == 0)
                tracks[9].note(b + k * s, s, 9, 36, 110);
            if (k % 8 == 4)
                tracks[9].note(b + k * s, s, 9, 38, 105);
            if (bar % 8 == 7 && k >= 12)
                tracks[9].note(b + k * s, s, 9, 50 - int(k - 12) * 2, 100);  // a tom fill
        }
        if (bar % 4 == 0)
            tracks[9].note(b, q, 9, 49, 110);
        if (bar % 8 >= 4) {  // the trumpet doubles the tune, with a bend
            tracks[13].note(b, q * 2, 13, c[3] + 12, 90).add(b + q, {0xED, 0, 72}).add(b + 2 * q, {0xED, 0, 64});
            tracks[13].note(b + 2 * q, q * 2, 13, c[2] + 12, 90);
        }
        // A sung line every two bars: 5 to 12 syllables, one an eighth.
        if (sung(bar) && bar % 2 == 0) {
            const int count = 5 + (line * 7) % 8;
            const bool verseStart = !sung(bar - 1 > bar ? 0 : bar - 1) || bar == 24 || bar == 40 || bar == 56;
            for (int k = 0; k < count; ++k) {
                const std::uint32_t at = b + std::uint32_t(k) * e + (k >= 8 ? e : 0);
                tracks[3].note(at, e - 20, 3, c[k % 4] + 12 + (k % 3) * 2, 100);
                lyrics.text(at, std::string(k > 0 ? "" : verseStart ? "\\" : "/") + syllableText(syllable++));
            }
            ++line;
        }
    }
    std::vector<testmidi::Track> out{conductor.track(), lyrics.track()};
    for (const TimedTrack& t : tracks)
        out.push_back(t.track());
    return testmidi::file(1, int(q), out);
}

inline bool writeText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out);
}

// An MP3 song of `seconds` with its .syk file beside it (the shape of
// sungLines). False when either cannot be written.
inline bool writeSungSong(const std::string& mp3, double seconds)
{
    return writeSong(mp3, seconds, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III) &&
           writeText(fs::path(mp3).replace_extension(".syk").string(), sykLines(sungLines(seconds)));
}

// Runs the event loop, as the program's own loop runs, until `done()` holds
// (asked every `pollMs` milliseconds) or the program ends.
template <class Pred>
void runUntil(Pred done, int pollMs = 20)
{
    if (done() || Ending())
        return;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done() || Ending())
            loop.quit();
    });
    poll.start(pollMs);
    loop.exec();
}

// Starts the main window as the program does (settings written first, on the
// folder tab) and lets its deferred loading finish.
inline Player& startPlayer()
{
    // The benchmark's own arguments name no file for the player to play.
    setCommandLine("");
    modIni::WriteDefaultIni();
    modIni::IniAccess("WRITE", "Setting", "SSTab", "0");
    modIni::IniAccess("WRITE", "Setting", "Setup", "1");
    Player& p = player();
    p.Show();
    runUntil([] { return modIni::CmdLine == "Fin"; }, 5);
    return p;
}

inline void closePlayer()
{
    if (!isLoaded<Player>())
        return;
    Player& p = player();
    if (modIni::IsPlaying)
        p.Command_Stop_Click();
    modIni::QuitOnPlayerClose = false;
    modIni::PlayListModified = false;
    Unload(p);
    DoEvents();
}

// User plus system CPU seconds of the whole process (all threads).
inline double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec) + double(u.ru_stime.tv_sec) +
           (double(u.ru_utime.tv_usec) + double(u.ru_stime.tv_usec)) / 1e6;
}

// The q-quantile (0..1) of `v`, nearest rank; NaN when empty.
inline double quantile(std::vector<double> v, double q)
{
    if (v.empty())
        return std::nan("");
    std::sort(v.begin(), v.end());
    const auto rank = static_cast<std::size_t>(std::ceil(q * double(v.size())));
    return v[std::min(v.size() - 1, rank == 0 ? 0 : rank - 1)];
}

} // namespace benchsupport
