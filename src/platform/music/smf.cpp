#include "platform/music/smf.h"

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

std::uint32_t be32(std::string_view d, std::size_t at) {
    return (std::uint32_t(std::uint8_t(d[at])) << 24) | (std::uint32_t(std::uint8_t(d[at + 1])) << 16) |
           (std::uint32_t(std::uint8_t(d[at + 2])) << 8) | std::uint32_t(std::uint8_t(d[at + 3]));
}

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

class TrackReader {
public:
    TrackReader(std::string_view data) : d_(data) {}
    bool atEnd() const { return p_ >= d_.size(); }
    bool byte(std::uint8_t& out) {
        if (p_ >= d_.size())
            return false;
        out = std::uint8_t(d_[p_++]);
        return true;
    }
    bool peek(std::uint8_t& out) const {
        if (p_ >= d_.size())
            return false;
        out = std::uint8_t(d_[p_]);
        return true;
    }
    // A variable-length quantity of at most four bytes.
    bool vlq(std::uint32_t& out) {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b;
            if (!byte(b))
                return false;
            out = (out << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false; // a fifth byte would be needed: not a valid quantity
    }
    bool skip(std::uint32_t n) {
        if (n > d_.size() - p_) {
            p_ = d_.size();
            return false;
        }
        p_ += n;
        return true;
    }
    std::string_view take(std::uint32_t n) {
        const std::size_t k = std::min<std::size_t>(n, d_.size() - p_);
        std::string_view v = d_.substr(p_, k);
        p_ += k;
        return v;
    }

private:
    std::string_view d_;
    std::size_t p_ = 0;
};

// Reads one track; returns false when it was cut short or malformed (what came
// before is kept). `endTime` receives the time of End of Track or of the last event.
bool readTrack(std::string_view data, int track, const TimeBase& tb, std::vector<RawEvent>& out,
               std::int64_t& endTime) {
    TrackReader r(data);
    std::uint64_t ticks = 0;
    std::uint8_t running = 0;
    std::uint32_t order = 0;
    endTime = 0;
    while (!r.atEnd()) {
        std::uint32_t delta;
        if (!r.vlq(delta))
            return false;
        ticks += delta;
        if (ticks >= kMaxTicks)
            return false;
        const std::int64_t t = tb.toMusic(ticks);
        if (t > kMaxMusicTime)
            return false;
        std::uint8_t status;
        if (!r.peek(status))
            return false;
        if (status & 0x80) {
            r.byte(status);
        } else if (running) {
            // Running status. Meta and SysEx events do not cancel it here: many
            // files in the wild rely on that, and nothing is lost by allowing it.
            status = running;
        } else {
            return false; // a data byte with no status to belong to
        }

        if (status == 0xFF) {
            std::uint8_t type;
            std::uint32_t len;
            if (!r.byte(type) || !r.vlq(len))
                return false;
            const std::string_view body = r.take(len);
            if (body.size() < len)
                return false;
            endTime = std::max(endTime, t);
            if (type == 0x2F)
                return true;
            if (type == 0x51 && len >= 3) {
                const std::uint32_t us = (std::uint32_t(std::uint8_t(body[0])) << 16) |
                                         (std::uint32_t(std::uint8_t(body[1])) << 8) | std::uint8_t(body[2]);
                if (us > 0 && !tb.smpte)
                    out.push_back(RawEvent{t, track, order++, true, {}, us});
            }
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            std::uint32_t len;
            if (!r.vlq(len) || !r.skip(len))
                return false;
            endTime = std::max(endTime, t);
            continue;
        }
        if (status >= 0xF0) {
            // System common / real-time bytes have no place in a file; skip their data.
            if (status == 0xF2)
                r.skip(2);
            else if (status == 0xF1 || status == 0xF3)
                r.skip(1);
            continue;
        }

        running = status;
        const std::uint8_t kind = status & 0xF0;
        const int count = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        std::uint8_t data1 = 0, data2 = 0;
        if (!r.byte(data1))
            return false;
        if (count == 2 && !r.byte(data2))
            return false;
        MidiMessage m;
        m.time = t;
        m.status = status;
        m.data1 = data1 & 0x7F;
        m.data2 = data2 & 0x7F;
        out.push_back(RawEvent{t, track, order++, false, m, 0});
        endTime = std::max(endTime, t);
    }
    return false; // no End of Track
}

} // namespace

double Sequence::msAt(double t) const {
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
    auto fail = [&](const char* why) -> std::optional<Sequence> {
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
        return fail("not a MIDI file");
    const std::uint32_t headerLen = be32(bytes, 4);
    if (headerLen < 6)
        return fail("not a MIDI file");

    Sequence seq;
    seq.format = (std::uint8_t(bytes[8]) << 8) | std::uint8_t(bytes[9]);
    const int declaredTracks = (std::uint8_t(bytes[10]) << 8) | std::uint8_t(bytes[11]);
    seq.division = (std::uint8_t(bytes[12]) << 8) | std::uint8_t(bytes[13]);

    TimeBase tb;
    if (seq.division & 0x8000) {
        const int code = -static_cast<int>(static_cast<std::int8_t>(seq.division >> 8));
        const double fps = code == 29 ? 29.97 : double(code);
        const double tpf = double(seq.division & 0xFF);
        if (fps <= 0 || tpf <= 0)
            return fail("the MIDI file has no usable time base");
        // SMPTE ticks are fixed slices of a second; on the music time line they
        // are laid out at the default tempo, which then is the whole tempo map.
        tb.smpte = true;
        const double msPerTick = 1000.0 / (fps * tpf);
        tb.musicPerTick = msPerTick * 1000.0 * kTicksPerQuarter / kDefaultTempo;
    } else {
        if (seq.division == 0)
            return fail("the MIDI file has no usable time base");
        tb.ppq = seq.division;
    }

    std::vector<RawEvent> raw;
    std::uint64_t p = std::uint64_t(8) + headerLen;
    int track = 0;
    while (p + 8 <= bytes.size()) {
        const auto at = static_cast<std::size_t>(p);
        const std::uint32_t len = be32(bytes, at + 4);
        const std::string_view body = bytes.substr(at + 8, len);
        if (body.size() < len)
            seq.damaged = true;
        if (bytes.substr(at, 4) == "MTrk") {
            std::int64_t end = 0;
            if (!readTrack(body, track, tb, raw, end))
                seq.damaged = true;
            seq.length = std::max(seq.length, end);
            ++track;
        }
        p += 8 + std::uint64_t(len);
    }
    if (p < bytes.size())
        seq.damaged = true; // trailing bytes too short to be a chunk
    seq.trackCount = track;
    if (track != declaredTracks)
        seq.damaged = true;

    // Tracks are merged by time; at equal times the earlier track, then the
    // earlier event of a track, comes first.
    std::stable_sort(raw.begin(), raw.end(), [](const RawEvent& a, const RawEvent& b) {
        if (a.time != b.time)
            return a.time < b.time;
        if (a.track != b.track)
            return a.track < b.track;
        return a.order < b.order;
    });
    seq.tempos.push_back(TempoChange{0, kDefaultTempo});
    seq.events.reserve(raw.size());
    for (const RawEvent& e : raw) {
        if (e.tempo) {
            if (seq.tempos.back().time == e.time)
                seq.tempos.back().usPerQuarter = e.usPerQuarter;
            else
                seq.tempos.push_back(TempoChange{e.time, e.usPerQuarter});
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
            *error = "cannot open the file";
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uintmax_t>(size) > kMaxFileSize) {
        if (error)
            *error = size < 0 ? "cannot read the file" : "the file is too large for a MIDI file";
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0, std::ios::beg);
    if (!in.read(bytes.data(), size)) {
        if (error)
            *error = "cannot read the file";
        return std::nullopt;
    }
    return parseStandardMidiFile(bytes, error);
}

} // namespace music
