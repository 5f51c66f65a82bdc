// Plays an audio file through the engine's null output in real time, for
// measuring the CPU that decoding and mixing cost:
//     /usr/bin/time -v build/bench/bench_audio_play song.mp3 60
// With no file (or "-"), a 3-minute MP3 (WAV when no MP3 encoder is present)
// is generated first in the temporary folder. Prints nothing but errors.
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/media/engine.h"
#include "platform/media/mediaplayer.h"

namespace {

bool generate(const std::string& path, int format)
{
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    const int total = 180 * info.samplerate;
    std::vector<float> buf(4096 * 2);
    bool ok = true;
    for (int done = 0; done < total && ok;) {
        const int n = std::min(4096, total - done);
        for (int i = 0; i < n; ++i) {
            const double t = double(done + i) / info.samplerate;
            const float v = float(0.3 * std::sin(2 * M_PI * 220 * t) + 0.2 * std::sin(2 * M_PI * 331 * t * (1 + 0.01 * std::sin(t))));
            buf[2 * i] = v;
            buf[2 * i + 1] = -v;
        }
        ok = sf_writef_float(f, buf.data(), n) == n;
        done += n;
    }
    sf_close(f);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    std::string file = argc > 1 ? argv[1] : "-";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    std::string generated;
    if (file == "-") {
        const auto tmp = std::filesystem::temp_directory_path();
        generated = (tmp / "zun_bench_audio.mp3").string();
        if (!generate(generated, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III)) {
            std::filesystem::remove(generated);
            generated = (tmp / "zun_bench_audio.wav").string();
            if (!generate(generated, SF_FORMAT_WAV | SF_FORMAT_PCM_16)) {
                std::fprintf(stderr, "cannot write %s\n", generated.c_str());
                return 1;
            }
        }
        file = generated;
    }

    media::useNullOutput();
    int rc = 0;
    {
        media::MediaPlayer player;
        if (!player.setFileName(file)) {
            std::fprintf(stderr, "%s\n", player.ErrorText().c_str());
            rc = 1;
        } else {
            const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
            while (std::chrono::steady_clock::now() < end && player.PlayState() == media::mpPlaying)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    media::engine().shutdown();
    if (!generated.empty())
        std::filesystem::remove(generated);
    return rc;
}
