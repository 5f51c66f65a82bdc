// The playback clock: every 10 ms while a song plays it shows the elapsed time
// and the progress, hands the lyrics on (MIDI lyric events to PlayKar, or one
// step of each sync-file cursor and of each window's highlight), and notices the
// end of the song.
#include <cmath>
#include <optional>
#include <string>

#include "core/modini.h"
#include "core/player.h"
#include "karaoke/engine.h"
#include "karaoke/lyricviews.h"
#include "playback/midianalysis.h"
#include "platform/files/runtime.h"
#include "platform/forms/controls.h"

namespace {

// Lines whose text starts so are a track header of some karaoke files, not lyrics.
const std::string kTrackHeader = "Track-RTrack-1Track";

std::string midiLine(long index)
{
    if (index < 0 || index >= static_cast<long>(Kar::MidiLines.size()))
        return {};
    return Kar::MidiLines[static_cast<std::size_t>(index)];
}

// Whether a record of line `n` up to record `upTo` carries text (the line has
// begun). Records of a line are consecutive; a line of more meta events than
// any song holds counts as begun.
bool lineBegun(long upTo, long n)
{
    long seen = 0;
    for (long k = upTo; k >= 1; --k) {
        const Kar::MidiEvent& e = Kar::MidiEvents[static_cast<std::size_t>(k)];
        if (e.LineNo != n)
            return false;
        if (!e.Text.empty() || ++seen > 4096)
            return true;
    }
    return false;
}

long long roundedMs(double ms)
{
    if (!std::isfinite(ms))
        return 0;
    return std::llround(std::fmax(-1.0e15, std::fmin(1.0e15, ms)));
}

} // namespace

void Player::Timer1_Timer()
{
    if (!modIni::IsPlaying)
        return;
    const bool midi = modIni::MediaKind == "midi";
    Kar::MidiClock clock;
    double x = 0;  // an audio song's position
    ProgressBar* lyricBar = Kar::karSongBar();

    // Elapsed time and progress. A value the bar refuses (past its maximum)
    // leaves it where it was.
    if (midi) {
        clock = Kar::midiClock();
        if (clock.loaded) {
            const long long s = static_cast<long long>(std::floor(std::fmax(0.0, clock.elapsedMs) / 1000.0));
            Time_Left.setCaption(std::to_string(s / 60) + ":" + vb::Format2(static_cast<long>(s % 60)));
            ProgressBar1.setValue(static_cast<double>(clock.position));
        }
    } else {
        x = ActiveMovie1.CurrentPosition();
        ProgressBar1.setValue(x);
        Time_Left.setCaption(vb::FormatMinSec(x));
    }
    if (lyricBar)
        lyricBar->setValue(ProgressBar1.Value());
    // A song of no length (nothing measured yet) shows 0 % rather than dividing by 0.
    const double max = ProgressBar1.Max();
    const long percent = max > 0 ? static_cast<long>(std::floor(ProgressBar1.Value() * 100.0 / max)) : 0;
    Label_PTime.setCaption(std::to_string(percent) + " %");

    // The position is read once a tick; the lyric procedures below ask the
    // scope for it, and for the display options.
    std::optional<Kar::TickScope> tick;
    tick.emplace(midi ? clock.position / 1000.0 : x);

    if (midi && !HasSyk) {
        // MIDI lyric events: at most one per tick, in order.
        if (!clock.loaded || clock.state == 1 || clock.state == 2)
            return;  // not started again since it was loaded, stopped or moved
        if (Kar::MidiEventIdx < 1)
            Kar::MidiEventIdx = 1;
        const long last = static_cast<long>(Kar::MidiEvents.size()) - 1;
        // The lyric clock is the heard position itself: the synthesiser renders
        // no earlier than it is heard, so no look-ahead is taken off.
        const double cur = clock.position * static_cast<double>(Kar::MidiTempo) / 768000.0;
        const long long now = roundedMs(cur);
        const long idx = Kar::MidiEventIdx;
        const long long due = idx <= last ? roundedMs(Kar::MidiEvents[static_cast<std::size_t>(idx)].TimeMs) : now;
        Kar::midiCountDown(Kar::karView(), Kar::displayOptions(), due, now);
        if (idx + 1 > last) {
            // Past the last lyric: the window stays clear until the song ends.
            Kar::karView().window->Cls();
        } else if (now >= due) {
            Kar::MidiEventIdx = idx + 1;
            const Kar::MidiEvent rec = Kar::MidiEvents[static_cast<std::size_t>(idx + 1)];
            const long n = rec.LineNo;
            const std::string L0 = midiLine(n);
            if (L0.compare(0, kTrackHeader.size(), kTrackHeader) == 0)
                return;  // passed over, and no end test on this tick
            // A record without sung text (a tempo change, an information text,
            // another track's meta event) must not move the page once its line
            // has begun: after the line's last syllable it would bring the
            // finished line back and the next line's syllables would be painted
            // over it. Before its line begins it may show that line's page
            // early; of an empty line only the mark that opens it takes a slot,
            // and before the first line the page of the lines to come shows.
            bool show = !rec.Text.empty();
            if (!show && L0.empty())
                show = Kar::MidiEvents[static_cast<std::size_t>(idx)].LineNo != n || Kar::KarIntroDots;
            else if (!show)
                show = !lineBegun(idx, n);
            // A title before the first line is not sung: it neither turns red
            // nor takes the slot of the first line.
            if (n == 0 && Kar::MidiLeadText)
                show = false;
            if (show)
                PlayKar(rec.Text, rec.LinePos, L0, midiLine(n - 1), midiLine(n + 1), midiLine(n + 2), midiLine(n + 3),
                        midiLine(n + 4), midiLine(n + 5), midiLine(n + 6), midiLine(n + 7), midiLine(n + 8));
        }
    } else {
        // Sync files: each cursor cuts at most one syllable, then each window
        // shows at most one.
        const int pageLines = Kar::pageSize(modIni::NbLigne);
        if (Kar::SykNeedSyllable == -1 && Kar::SykEofLines < pageLines && HasSyk)
            NextSykLine();
        if (Kar::Sy1NeedSyllable == -1 && Kar::Sy1EofLines < pageLines && HasSy1)
            NextSy1Line();
        RefreshKaraoke();
        RefreshKaraokeK1();
    }

    // The end of the song: the next one, or stop.
    tick.reset();
    if (midi) {
        const Kar::MidiClock& now = clock;
        if (now.loaded && now.position >= now.length && modIni::IsPlaying) {
            if (Command_Auto.Value() == 1) {
                Command_Next_Click();
            } else {
                Kar::stopMidiAtEnd();
                Command_Stop_Click();
            }
        }
    } else if (x >= ActiveMovie1.Duration() && modIni::IsPlaying) {
        if (Command_Auto.Value() == 1)
            Command_Next_Click();
        else
            Command_Stop_Click();
    }
}
