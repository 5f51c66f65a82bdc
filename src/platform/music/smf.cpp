#include "platform/music/smf.h"

#include "platform/music/smfwalk.h"
#include "platform/files/language.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>

namespace music {

namespace {

constexpr std::uintmax_t kMaxFileSize = 16u * 1024u * 1024u; // far beyond any real song
// Ticks beyond this are not music any more but a corrupt delta: the track ends there.
constexpr std::uint64_t kMaxTicks = std::uint64_t(1) << 40;
constexpr std::int64_t kMaxMusicTime = std::numeric_limits<MusicTime>::max();

std::uint32_t le32(std::string_view d, std::size_t at) {
    return (std::uint32_t(std::uint8_t(d[at + 3])) << 24) | (std::uint32_t(std::uint8_t(d[at + 2])) << 16) |
           (std::uint32_t(std::uint8_t(d[at + 1])) << 8) | std::uint32_t(std::uint8_t(d[at]));
}

// Converts file ticks to music time.
struct TimeBase {
    bool smpte = false;
    std::int64_t ppq = 0;       // ticks per quarter note
    double musicPerTick = 0;    // SMPTE: music time per tick at the default tempo

    std::int64_t toMusic(std::uint64_t ticks) const {
        if (smpte)
            return static_cast<std::int64_t>(double(ticks) * musicPerTick + 0.5);
        // ticks < 2^40 and 768 < 2^10: no overflow.
        return (static_cast<std::int64_t>(ticks) * kTicksPerQuarter + ppq / 2) / ppq;
    }
};

struct RawEvent {
    std::int64_t time;
    int track;
    std::uint32_t order;
    bool tempo;
    MidiMessage msg;
    std::uint32_t usPerQuarter;
};

// Reads one track; returns false when it was cut short or malformed (what came
// before is kept). `endTime` receives the time of End of Track or of the last event;
// `beyondReach` is set when the track goes on past the last music time there is.
bool readTrack(std::string_view data, int track, const TimeBase& tb, std::vector<RawEvent>& out,
               std::int64_t& endTime, bool& beyondReach) {
    std::int64_t t = 0;
    std::uint32_t order = 0;
    endTime = 0;
    const TrackEnd end = walkTrackEvents(
        data,
        [&](std::uint64_t ticks) {
            if (ticks >= kMaxTicks || (t = tb.toMusic(ticks)) > kMaxMusicTime) {
                beyondReach = true;
                return false;
            }
            return true;
        },
        [&](const TrackEvent& e) {
            if (e.status == 0xFF) {
                if (!e.complete)
                    return false;
                endTime = std::max(endTime, t);
                if (e.metaType == 0x51 && e.body.size() >= 3) {
                    const std::uint32_t us = (std::uint32_t(std::uint8_t(e.body[0])) << 16) |
                                             (std::uint32_t(std::uint8_t(e.body[1])) << 8) |
                                             std::uint8_t(e.body[2]);
                    if (!tb.smpte)
                        out.push_back(RawEvent{t, track, order++, true, {}, us});
                }
                return true;
            }
            endTime = std::max(endTime, t);
            if (e.status == 0xF0 || e.status == 0xF7)
                return true;
            MidiMessage m;
            m.time = t;
            m.status = e.status;
            m.data1 = e.data1 & 0x7F;
            m.data2 = e.data2 & 0x7F;
            out.push_back(RawEvent{t, track, order++, false, m, 0});
            return true;
        });
    return end == TrackEnd::EndOfTrack;
}

} // namespace

namespace {

double msAlong(const std::vector<TempoChange>& tempos, double t) {
    double ms = 0;
    double at = 0;
    std::uint32_t us = kDefaultTempo;
    for (const TempoChange& c : tempos) {
        if (double(c.time) >= t)
            break;
        ms += (double(c.time) - at) * us / kTicksPerQuarter / 1000.0;
        at = double(c.time);
        us = c.usPerQuarter;
    }
    ms += (t - at) * us / kTicksPerQuarter / 1000.0;
    return ms;
}

} // namespace

double Sequence::msAt(double t) const { return msAlong(tempos, t); }

double Sequence::writtenMsAt(double t) const { return msAlong(writtenTempos, t); }

std::uint32_t Sequence::tempoAt(std::int64_t t) const {
    std::uint32_t us = kDefaultTempo;
    for (const TempoChange& c : tempos) {
        if (c.time > t)
            break;
        us = c.usPerQuarter;
    }
    return us;
}

std::optional<Sequence> parseStandardMidiFile(std::string_view bytes, std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<Sequence> {
        if (error)
            *error = why;
        return std::nullopt;
    };

    // A RIFF "RMID" file carries the standard file in its "data" chunk.
    if (bytes.size() >= 12 && bytes.substr(0, 4) == "RIFF" && bytes.substr(8, 4) == "RMID") {
        std::size_t p = 12;
        std::string_view inner;
        while (p + 8 <= bytes.size()) {
            const std::uint32_t len = le32(bytes, p + 4);
            if (bytes.substr(p, 4) == "data") {
                inner = bytes.substr(p + 8, len);
                break;
            }
            const std::uint64_t next = std::uint64_t(p) + 8 + len + (len & 1);
            if (next > bytes.size())
                break;
            p = static_cast<std::size_t>(next);
        }
        bytes = inner;
    }

    if (bytes.size() < 14 || bytes.substr(0, 4) != "MThd")
        return fail(language::say("ce n'est pas un fichier MIDI", "not a MIDI file"));
    const std::uint32_t headerLen = be32(bytes, 4);
    if (headerLen < 6)
        return fail(language::say("ce n'est pas un fichier MIDI", "not a MIDI file"));

    Sequence seq;
    seq.format = (std::uint8_t(bytes[8]) << 8) | std::uint8_t(bytes[9]);
    const int declaredTracks = (std::uint8_t(bytes[10]) << 8) | std::uint8_t(bytes[11]);
    seq.division = (std::uint8_t(bytes[12]) << 8) | std::uint8_t(bytes[13]);

    TimeBase tb;
    if (seq.division & 0x8000) {
        const std::optional<double> msPerTick = smpteMsPerTick(seq.division);
        if (!msPerTick)
            return fail(language::say("le fichier MIDI n'a pas de base de temps utilisable", "the MIDI file has no usable time base"));
        // SMPTE ticks are fixed slices of a second; on the music time line they
        // are laid out at the default tempo, which then is the whole tempo map.
        tb.smpte = true;
        tb.musicPerTick = *msPerTick * 1000.0 * kTicksPerQuarter / kDefaultTempo;
    } else {
        if (seq.division == 0)
            return fail(language::say("le fichier MIDI n'a pas de base de temps utilisable", "the MIDI file has no usable time base"));
        tb.ppq = seq.division;
    }

    const std::uint64_t chunksFrom = std::uint64_t(8) + headerLen;
    // The events are counted first so that their list is allocated once, at
    // its size: grown by doubling, it holds up to twice what a song of many
    // notes needs just when the song loads.
    std::size_t count = 0;
    walkChunks(bytes, chunksFrom, [&](std::string_view type, std::string_view body, bool) {
        if (type == "MTrk")
            walkTrackEvents(body, [](std::uint64_t) { return true; }, [&](const TrackEvent&) { return ++count, true; });
        return true;
    });
    std::vector<RawEvent> raw;
    raw.reserve(count);
    int track = 0;
    const std::uint64_t p = walkChunks(bytes, chunksFrom, [&](std::string_view type, std::string_view body, bool whole) {
        if (!whole)
            seq.damaged = true;
        if (type == "MTrk") {
            std::int64_t end = 0;
            if (!readTrack(body, track, tb, raw, end, seq.beyondReach))
                seq.damaged = true;
            seq.length = std::max(seq.length, end);
            ++track;
        }
        return true;
    });
    if (p < bytes.size())
        seq.damaged = true; // trailing bytes too short to be a chunk
    seq.trackCount = track;
    if (track != declaredTracks)
        seq.damaged = true;

    // Tracks are merged by time; at equal times the earlier track, then the
    // earlier event of a track, comes first. No two events share all three,
    // so sorting in place (no copy of the list, as a stable sort takes) gives
    // that one order.
    std::sort(raw.begin(), raw.end(), [](const RawEvent& a, const RawEvent& b) {
        if (a.time != b.time)
            return a.time < b.time;
        if (a.track != b.track)
            return a.track < b.track;
        return a.order < b.order;
    });
    seq.tempos.push_back(TempoChange{0, kDefaultTempo});
    seq.writtenTempos.push_back(TempoChange{0, kDefaultTempo});
    seq.events.reserve(raw.size());
    const auto addTempo = [](std::vector<TempoChange>& map, const RawEvent& e) {
        if (map.back().time == e.time)
            map.back().usPerQuarter = e.usPerQuarter;
        else
            map.push_back(TempoChange{e.time, e.usPerQuarter});
    };
    for (const RawEvent& e : raw) {
        if (e.tempo) {
            addTempo(seq.writtenTempos, e);
            // A tempo of 0 would stop the music clock: the tempo before holds.
            if (e.usPerQuarter > 0)
                addTempo(seq.tempos, e);
        } else {
            seq.events.push_back(e.msg);
        }
    }
    return seq;
}

std::optional<Sequence> loadStandardMidiFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = language::say("le fichier ne peut pas être ouvert", "cannot open the file");
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uintmax_t>(size) > kMaxFileSize) {
        if (error)
            *error = size < 0 ? language::say("le fichier ne peut pas être lu", "cannot read the file")
                              : language::say("le fichier est trop grand pour un fichier MIDI",
                                              "the file is too large for a MIDI file");
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0, std::ios::beg);
    if (!in.read(bytes.data(), size)) {
        if (error)
            *error = language::say("le fichier ne peut pas être lu", "cannot read the file");
        return std::nullopt;
    }
    return parseStandardMidiFile(bytes, error);
}

} // namespace music
