#pragma once
// Writes small audio files for the media tests with libsndfile.
#include <sndfile.h>

#include <functional>
#include <string>
#include <vector>

namespace mediatest {

// Writes `frames` frames of `channels` channels at `rate`; sample(frame, ch)
// gives each value. Returns false when libsndfile refuses the format.
inline bool writeAudio(const std::string& path, int rate, int channels, int frames,
                       const std::function<float(int, int)>& sample,
                       int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    std::vector<float> buf(std::size_t(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            buf[std::size_t(i) * channels + c] = sample(i, c);
    const sf_count_t written = sf_writef_float(f, buf.data(), frames);
    sf_close(f);
    return written == frames;
}

// Left channel of an interleaved stereo mix.
inline float left(const std::vector<float>& mix, int frame) { return mix.at(std::size_t(frame) * 2); }
inline float right(const std::vector<float>& mix, int frame) { return mix.at(std::size_t(frame) * 2 + 1); }

inline bool allSilent(const std::vector<float>& mix)
{
    for (float v : mix)
        if (v != 0.0f)
            return false;
    return true;
}

} // namespace mediatest
