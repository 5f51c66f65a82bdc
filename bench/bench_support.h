#pragma once
// Helpers shared by the benchmark programs that run the real windows: songs and
// sync files written on the spot, the program started as a user starts it, and
// a few statistics.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "core/modini.h"
#include "core/player.h"
#include "platform/forms/app.h"
#include "platform/forms/form.h"

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

inline bool writeText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out);
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
