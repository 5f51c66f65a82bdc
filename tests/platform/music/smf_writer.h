#pragma once
// A tiny standard-MIDI-file writer for tests: tracks are built event by event and
// joined into a file with a header; any byte can be written raw to make broken files.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace testmidi {

inline std::string vlq(std::uint32_t v) {
    std::string out(1, char(v & 0x7F));
    while (v >>= 7)
        out.insert(out.begin(), char(0x80 | (v & 0x7F)));
    return out;
}

inline std::string be16(int v) {
    return {char((v >> 8) & 0xFF), char(v & 0xFF)};
}

inline std::string be32(std::uint32_t v) {
    return {char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}

inline std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int x : b)
        s += char(x);
    return s;
}

struct Track {
    std::string data;

    Track& raw(const std::string& b) { data += b; return *this; }
    // A delta time followed by raw event bytes (also for running status).
    Track& ev(std::uint32_t delta, std::initializer_list<int> b) { data += vlq(delta) + bytes(b); return *this; }
    Track& meta(std::uint32_t delta, int type, const std::string& body) {
        data += vlq(delta) + char(0xFF) + char(type) + vlq(std::uint32_t(body.size())) + body;
        return *this;
    }
    Track& text(std::uint32_t delta, const std::string& t) { return meta(delta, 0x01, t); }
    Track& lyric(std::uint32_t delta, const std::string& t) { return meta(delta, 0x05, t); }
    Track& name(std::uint32_t delta, const std::string& t) { return meta(delta, 0x03, t); }
    Track& tempo(std::uint32_t delta, std::uint32_t us) {
        return meta(delta, 0x51, std::string{char((us >> 16) & 0xFF), char((us >> 8) & 0xFF), char(us & 0xFF)});
    }
    Track& on(std::uint32_t delta, int ch, int key, int vel = 100) { return ev(delta, {0x90 | ch, key, vel}); }
    Track& off(std::uint32_t delta, int ch, int key) { return ev(delta, {0x80 | ch, key, 0}); }
    Track& program(std::uint32_t delta, int ch, int prog) { return ev(delta, {0xC0 | ch, prog}); }
    Track& cc(std::uint32_t delta, int ch, int c, int v) { return ev(delta, {0xB0 | ch, c, v}); }
    Track& end(std::uint32_t delta = 0) { return meta(delta, 0x2F, ""); }
};

inline std::string chunk(const std::string& tag, const std::string& body) {
    return tag + be32(std::uint32_t(body.size())) + body;
}

inline std::string header(int format, int tracks, int division) {
    return chunk("MThd", be16(format) + be16(tracks) + be16(division));
}

inline std::string file(int format, int division, const std::vector<Track>& tracks) {
    std::string out = header(format, int(tracks.size()), division);
    for (const Track& t : tracks)
        out += chunk("MTrk", t.data);
    return out;
}

} // namespace testmidi
