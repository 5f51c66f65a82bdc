#pragma once
// The byte-level rules of a standard MIDI file, shared by the loader of the
// performance and by the lyric analysis: big-endian chunk words, variable-length
// quantities, the SMPTE time base, and the walk of one track's events (delta
// times, running status, and how many bytes each kind of event takes).
//
// Every read is checked against the data: a walk over any bytes ends, never
// reads outside them, and says why it ended.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace music {

// The 32-bit big-endian word at `at`; the caller has checked that four bytes are there.
inline std::uint32_t be32(std::string_view d, std::size_t at)
{
    return (std::uint32_t(std::uint8_t(d[at])) << 24) | (std::uint32_t(std::uint8_t(d[at + 1])) << 16) |
           (std::uint32_t(std::uint8_t(d[at + 2])) << 8) | std::uint32_t(std::uint8_t(d[at + 3]));
}

// The chunks of a file from byte `from` on: each one's type (its four bytes),
// its body as far as the data goes, and whether that body is whole, handed to
// `onChunk` until it returns false. Returns where the chunks walked end.
template <typename OnChunk>
std::uint64_t walkChunks(std::string_view file, std::uint64_t from, OnChunk&& onChunk)
{
    std::uint64_t p = from;
    while (p + 8 <= file.size()) {
        const auto at = static_cast<std::size_t>(p);
        const std::uint32_t len = be32(file, at + 4);
        const std::string_view body = file.substr(at + 8, len);
        p += 8 + std::uint64_t(len);
        if (!onChunk(file.substr(at, 4), body, body.size() == len))
            break;
    }
    return p;
}

// Milliseconds per tick of a header's SMPTE division (top bit set: minus the
// frames per second in the high byte, 29 meaning 29.97 drop-frame, ticks per
// frame in the low byte); nothing when either part is zero.
inline std::optional<double> smpteMsPerTick(int division)
{
    const int code = -static_cast<int>(static_cast<std::int8_t>(division >> 8));
    const double fps = code == 29 ? 29.97 : double(code);
    const double tpf = double(division & 0xFF);
    if (fps <= 0 || tpf <= 0)
        return std::nullopt;
    return 1000.0 / (fps * tpf);
}

// Reads the bytes of a track one item at a time.
class TrackBytes {
public:
    explicit TrackBytes(std::string_view d) : d_(d) {}
    bool atEnd() const { return p_ >= d_.size(); }
    bool byte(std::uint8_t& out)
    {
        if (p_ >= d_.size())
            return false;
        out = static_cast<std::uint8_t>(d_[p_++]);
        return true;
    }
    bool peek(std::uint8_t& out) const
    {
        if (p_ >= d_.size())
            return false;
        out = static_cast<std::uint8_t>(d_[p_]);
        return true;
    }
    // A variable-length quantity: seven bits a byte, the top bit set on every
    // byte but the last, four bytes at most (a fifth would make it invalid).
    bool vlq(std::uint32_t& out)
    {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b;
            if (!byte(b))
                return false;
            out = (out << 7) | (b & 0x7Fu);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }
    // Up to n bytes: fewer when the data ends first.
    std::string_view take(std::uint32_t n)
    {
        const std::size_t k = std::min<std::size_t>(n, d_.size() - p_);
        const std::string_view v = d_.substr(p_, k);
        p_ += k;
        return v;
    }
    // Passes over n bytes; false (at the end of the data) when fewer are left.
    bool skip(std::uint32_t n) { return take(n).size() == n; }

private:
    std::string_view d_;
    std::size_t p_ = 0;
};

// One event met by the walk of a track.
struct TrackEvent {
    std::uint64_t tick = 0;     // absolute time in its track, in the file's ticks
    std::uint8_t status = 0;    // 0xFF meta, 0xF0 / 0xF7 SysEx, 0x80..0xEF channel message
    std::uint8_t metaType = 0;  // meta events
    std::string_view body;      // meta events: their data, cut short when the track ends inside it
    bool complete = true;       // meta events: false when the body was cut short
    std::uint8_t data1 = 0;     // channel messages: their data bytes as read
    std::uint8_t data2 = 0;     // (0 for the one-byte program change and channel pressure)
};

enum class TrackEnd {
    EndOfTrack,  // the End of Track meta event
    NoEnd,       // the data ran out between two events
    Damaged,     // cut short inside an event, or a data byte with no status to belong to
    Stopped,     // a callback asked to stop
};

// Walks the events of one track. After each delta time, `onDelta(tick)` gets
// the running tick (bool: go on); `onEvent(const TrackEvent&)` gets every meta,
// SysEx and channel event (bool: go on). System common bytes, which have no
// place in a file, are passed over with their data. Running status survives
// meta and SysEx events: many files in the wild rely on that, and nothing is
// lost by allowing it. A meta event cut short by the end of the data is still
// handed over (`complete` false) and ends the walk.
template <class OnDelta, class OnEvent>
TrackEnd walkTrackEvents(std::string_view data, OnDelta&& onDelta, OnEvent&& onEvent)
{
    TrackBytes r(data);
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    while (!r.atEnd()) {
        std::uint32_t delta;
        if (!r.vlq(delta))
            return TrackEnd::Damaged;
        tick += delta;
        if (!onDelta(tick))
            return TrackEnd::Stopped;

        std::uint8_t status;
        if (!r.peek(status))
            return TrackEnd::Damaged;
        if (status & 0x80)
            r.byte(status);
        else if (running)
            status = running;
        else
            return TrackEnd::Damaged;

        TrackEvent e;
        e.tick = tick;
        e.status = status;
        if (status == 0xFF) {
            std::uint32_t len;
            if (!r.byte(e.metaType) || !r.vlq(len))
                return TrackEnd::Damaged;
            e.body = r.take(len);
            e.complete = e.body.size() == len;
            const bool goOn = onEvent(static_cast<const TrackEvent&>(e));
            if (!e.complete)
                return TrackEnd::Damaged;
            if (e.metaType == 0x2F)
                return TrackEnd::EndOfTrack;
            if (!goOn)
                return TrackEnd::Stopped;
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            std::uint32_t len;
            if (!r.vlq(len) || !r.skip(len))
                return TrackEnd::Damaged;
            if (!onEvent(static_cast<const TrackEvent&>(e)))
                return TrackEnd::Stopped;
            continue;
        }
        if (status >= 0xF0) {
            if (status == 0xF2)
                r.skip(2);
            else if (status == 0xF1 || status == 0xF3)
                r.skip(1);
            continue;
        }

        running = status;
        const std::uint8_t kind = status & 0xF0;
        if (!r.byte(e.data1))
            return TrackEnd::Damaged;
        if (kind != 0xC0 && kind != 0xD0 && !r.byte(e.data2))
            return TrackEnd::Damaged;
        if (!onEvent(static_cast<const TrackEvent&>(e)))
            return TrackEnd::Stopped;
    }
    return TrackEnd::NoEnd;
}

} // namespace music
