#pragma once
// The media player control of the main window: plays one audio song (WAV, MP3,
// anything libsndfile reads) through the audio engine, with the members the
// program uses of the old player control:
//   setFileName(path)    loads the song and, when AutoStart is on (the
//                        default), starts it from the beginning; returns false
//                        (ErrorText() says why) when it cannot be opened, and
//                        then holds nothing: Duration 0, position 0.
//                        setFileName("") closes the song.
//   Duration()           seconds, known as soon as setFileName returns.
//   CurrentPosition()    seconds the listener has heard; becomes exactly
//                        Duration() once the end of the song is heard.
//   setCurrentPosition   seek; below 0 goes to 0; at or past the end ends the
//                        song (position = Duration, stopped).
//   Stop() / Pause()     stop where the listener is; the position stays.
//   Play()               go on from the position (from the start after the end).
//   Mute, Volume         Volume in hundredths of a decibel, -4500..0 (clamped).
//   PlayState()          the old control's numbers (mpStopped, mpPlaying, ...).
// Everything is called from the user-interface thread and returns at once:
// opening a file reads its header only; decoding happens on the audio thread.
#include <memory>
#include <optional>
#include <string>

namespace media {

// Play states as the old control numbered them.
enum PlayStateConstants {
    mpStopped = 0,
    mpPaused = 1,
    mpPlaying = 2,
    mpWaiting = 3,
    mpScanForward = 4,
    mpScanReverse = 5,
    mpClosed = 6,
};

class MediaPlayer {
public:
    MediaPlayer();
    // So that a window can declare `MediaPlayer ActiveMovie1{this};` like its
    // other controls; the control has no visible part, so the owner is unused.
    template <class Owner>
    explicit MediaPlayer(Owner*) : MediaPlayer() {}
    ~MediaPlayer();
    MediaPlayer(const MediaPlayer&) = delete;
    MediaPlayer& operator=(const MediaPlayer&) = delete;

    std::string FileName() const;
    bool setFileName(const std::string& path);

    bool AutoStart() const;
    void setAutoStart(bool on);

    double Duration() const;
    double CurrentPosition() const;
    void setCurrentPosition(double seconds);

    void Play();
    void Pause();
    void Stop();

    bool Mute() const;
    void setMute(bool on);
    long Volume() const;
    void setVolume(long centibels);

    int PlayState() const;

    // Why the last setFileName failed ("" after a success).
    std::string ErrorText() const;

    struct Impl;

private:
    std::shared_ptr<Impl> d;
};

// Length in seconds of an audio file, read from its header without touching
// any player (for the play list's length column); nullopt when it cannot be
// opened as audio.
std::optional<double> probeDuration(const std::string& path);

} // namespace media
