// The playback clock: every 10 ms while a song plays it shows the elapsed time
// and the progress, hands the lyrics on (MIDI lyric events to PlayKar, or one
// step of each sync-file cursor and of each window's highlight), and notices the
// end of the song.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>

#include "core/modini.h"
#include "core/player.h"
#include "karaoke/engine.h"
#include "karaoke/lyricviews.h"
#include "lyricwindows/karaoke_k1.h"
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

// Whether the position runs as it should, from one tick to the next. The
// clock sleeps past the ticks at which nothing it shows can change, but only
// while the position keeps to its rate (a stalled sound, a seek, a speed
// change or a test that steps the sound itself keep it on every tick).
struct PositionRate {
    using Clock = std::chrono::steady_clock;
    bool valid = false;
    Clock::time_point wall;
    double position = 0;  // the song's position unit (seconds; music time for MIDI)
    double factor = 1;    // the tempo factor as the last tick saw it
    Clock::time_point factorSince;
    // A new tempo factor is heard only after what the synthesiser rendered
    // ahead and what the sound server holds (80 + 60 ms): until then the
    // position runs at the old rate, which a tick cannot tell from the new
    // one within the rounding of its units when they differ by little.
    static constexpr double kFactorHeardWithin = 0.2;

    // Notes this tick's position; true when it kept to `rate` (units a
    // second, as the song itself runs: a MIDI song's tempo map and factor, an
    // audio song's second a second) since the last tick. The rests are
    // reckoned with that rate, never with one measured over a tick: a MIDI
    // position counts some 15 whole units a tick, and a sound held back by a
    // busy machine for a moment runs on at its full pace just after.
    bool keptTo(double pos, double rate, double tempoFactor)
    {
        const Clock::time_point now = Clock::now();
        const double dt = std::chrono::duration<double>(now - wall).count();
        if (tempoFactor != factor) {
            factor = tempoFactor;
            factorSince = now;
        }
        bool kept = valid && dt >= 0.005 && dt < 1.0 && pos >= position &&
                    std::chrono::duration<double>(now - factorSince).count() >= kFactorHeardWithin;
        if (kept) {
            const double r = (pos - position) / dt;
            // A MIDI position counts in whole units: allow for their rounding.
            kept = r > 0 && rate > 0 && std::fabs(r - rate) <= 0.05 * r + 2.0 / dt;
        }
        valid = true;
        wall = now;
        position = pos;
        return kept;
    }
};
PositionRate g_rate;

// The longest the clock sleeps: a change it cannot foresee (the sound
// server coming back) shows this late at most. A MIDI song's position runs
// at its tempo map's rate, and the clock wakes at each tempo change: it may
// sleep longer.
constexpr double kLongestRest = 0.1;
constexpr double kLongestMidiRest = 0.5;
// Waking just after a moment rather than just before it.
constexpr double kRestMargin = 0.001;

// The soonest moment, in seconds from now, at which something the clock
// shows may change.
struct Rest {
    bool busy = false;  // the next tick has work: no rest
    double seconds = kLongestRest;
    // The position (at `rate` units a second) reaches `target`.
    void until(double target, double pos, double rate)
    {
        if (!std::isfinite(target))
            return;
        seconds = std::min(seconds, (target - pos) / rate);
    }
};

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

    // Until when nothing shown so far changes, at the rate the position runs.
    const double pos = midi ? static_cast<double>(clock.position) : x;
    Rest rest;
    if (midi)
        rest.seconds = kLongestMidiRest;
    // (An audio song's position runs a second a second: nothing changes its speed.)
    const double rate = midi ? clock.rate : 1.0;
    rest.busy = !g_rate.keptTo(pos, rate, midi ? clock.masterTempo : 1.0) || (midi && !clock.loaded);
    if (!rest.busy) {
        rest.until(ProgressBar1.NextStepValue(), ProgressBar1.Value(), rate);
        // (A lyric window's bar that refused the value stays where it is.)
        if (lyricBar && lyricBar->Value() == ProgressBar1.Value())
            rest.until(lyricBar->NextStepValue(), lyricBar->Value(), rate);
        if (max > 0)
            rest.until(double(percent + 1) * max / 100.0, ProgressBar1.Value(), rate);
        if (midi) {
            rest.until(clock.nextTempo, pos, rate);
            // (The elapsed time counts milliseconds at normal speed: it runs at the tempo factor.)
            const double e = clock.elapsedMs;
            rest.until((std::floor(std::fmax(0.0, e) / 1000.0) + 1.0) * 1000.0, e, 1000.0 * clock.masterTempo);
            rest.until(static_cast<double>(clock.length), pos, rate);
        } else {
            rest.until(std::floor(x + 0.5) + 0.5, x, rate);  // the shown seconds round
            rest.until(ActiveMovie1.Duration(), x, rate);
        }
    }

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
        const double msPerUnit = static_cast<double>(Kar::MidiTempo) / 768000.0;
        const double cur = clock.position * msPerUnit;
        const long long now = roundedMs(cur);
        const long idx = Kar::MidiEventIdx;
        const long long due = idx <= last ? roundedMs(Kar::MidiEvents[static_cast<std::size_t>(idx)].TimeMs) : now;
        const Kar::DisplayOptions options = Kar::displayOptions();
        const Kar::LyricView view = Kar::karView();
        Kar::midiCountDown(view, options, due, now);
        if (options.countDown && now <= 3)
            rest.busy = true;
        else if (Kar::KarCountDown > 0 && !rest.busy) {
            // A running count-down shows the time left to the next record:
            // its bar moves a pixel, and its seconds go down one, at moments
            // known in advance (now >= X once the lyric clock reaches X - 0.5).
            const double lyricRate = rate * msPerUnit;
            const ProgressBar& bar = *view.bar;
            rest.until(static_cast<double>(now) + std::ceil(bar.NextStepValue() - bar.Value()) - 0.5, cur, lyricRate);
            const long long left = due - now;
            if (left >= 0)
                rest.until(static_cast<double>(due - (left / 1000) * 1000 + 1) - 0.5, cur, lyricRate);
        }
        if (idx + 1 > last) {
            // Past the last lyric: the window stays clear until the song ends.
            Kar::karView().window->Cls();
        } else if (now >= due) {
            // The next record may be due at once, or start a count-down.
            rest.busy = true;
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
            if (Kar::IsTitleLine(n))
                show = false;
            if (show)
                PlayKar(rec.Text, rec.LinePos, L0, midiLine(n - 1), midiLine(n + 1), midiLine(n + 2), midiLine(n + 3),
                        midiLine(n + 4), midiLine(n + 5), midiLine(n + 6), midiLine(n + 7), midiLine(n + 8));
        } else if (!rest.busy) {
            // now >= due once the lyric clock reaches due - 0.5 ms.
            rest.until(static_cast<double>(due) - 0.5, cur, rate * msPerUnit);
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
        if (!rest.busy) {
            // Each window: its next syllable, the cut after a syllable shown,
            // a count-down that runs or may start once 3 s have played.
            const Kar::DisplayOptions options = Kar::displayOptions();
            const double unit = midi ? 1000.0 : 1.0;  // position units a second
            const auto window = [&](const Kar::SyncCursor& c, const Kar::LyricPage& page, auto&& viewOf) {
                if (!c.HasFile || options.muted || c.EofLines >= pageLines)
                    return;
                if (c.NeedSyllable == -1) {
                    rest.busy = true;
                    return;
                }
                const double t = c.SyllableTime;
                rest.until(t * unit, pos, rate);  // due once strictly past
                if (options.countDown && pos <= 3.0 * unit)
                    rest.until(3.0 * unit, pos, rate);
                const ProgressBar* bar = page.CountDown > 0 ? viewOf().bar : nullptr;
                if (bar) {
                    // A running count-down: its bar moves a pixel a little
                    // later (its value grows a unit a millisecond), its
                    // seconds go down one once the time left drops under a
                    // whole second.
                    const double s = pos / unit;
                    rest.until((s + (bar->NextStepValue() - bar->Value()) / 1000.0) * unit, pos, rate);
                    if (t - s >= 0)
                        rest.until((t - std::floor(t - s)) * unit, pos, rate);
                }
            };
            window(Kar::SykCursor, Kar::KarPage, [] { return Kar::karView(); });
            // (A count-down runs on the second window's page only while it is there.)
            window(Kar::Sy1Cursor, Kar::K1Page,
                   [] { return isLoaded<Karaoke_K1>() ? Kar::k1View() : Kar::LyricView{}; });
        }
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
            return;
        }
    } else if (x >= ActiveMovie1.Duration() && modIni::IsPlaying) {
        if (Command_Auto.Value() == 1)
            Command_Next_Click();
        else
            Command_Stop_Click();
        return;
    }

    // Nothing to show before then: no need to wake on every tick until then.
    if (!rest.busy && modIni::IsPlaying)
        Timer1.restFor(static_cast<int>(std::ceil((std::max(0.0, rest.seconds) + kRestMargin) * 1000.0)));
}
