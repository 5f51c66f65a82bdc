#include "playback/midianalysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>

#include "platform/files/textfile.h"
#include "platform/music/smfwalk.h"

namespace Kar {

namespace {

// No real song comes near these; anything larger is refused rather than read
// whole, and a scan that finds more meta events than any song holds stops there,
// so hostile files cannot eat the memory.
constexpr std::uintmax_t kMaxMidiFileSize = 16u * 1024u * 1024u;
constexpr std::size_t kMaxMidiEvents = 1000000;

// Byte at a 0-based position, or nothing when the position lies outside the data.
std::optional<std::uint8_t> byteAt(std::string_view d, std::size_t pos) {
    if (pos >= d.size())
        return std::nullopt;
    return static_cast<std::uint8_t>(d[pos]);
}

std::size_t findByte(std::string_view d, std::uint8_t b, std::size_t from) {
    if (from >= d.size())
        return std::string_view::npos;
    return d.find(static_cast<char>(b), from);
}

std::size_t findPair(std::string_view d, std::uint8_t a, std::uint8_t b, std::size_t from) {
    if (from >= d.size())
        return std::string_view::npos;
    const char pair[2] = {static_cast<char>(a), static_cast<char>(b)};
    return d.find(std::string_view(pair, 2), from);
}

// Only blanks count here, as in the lyric files the program has always read:
// a carriage return on its own is a line mark and must survive the trim.
std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::string_view trimLeadingBlanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

// UTF-8 form of the DOS letters that karaoke files written on DOS tools carry.
const char* dosLetter(std::uint8_t b) {
    switch (b) {
    case 130: return "\xC3\xA9"; // é
    case 131: return "\xC3\xA2"; // â
    case 132: return "\xC3\xA4"; // ä
    case 133: return "\xC3\xA0"; // à
    case 134: return "a";
    case 135: return "\xC3\xA7"; // ç
    case 136: return "\xC3\xAA"; // ê
    case 137: return "\xC3\xAB"; // ë
    case 138: return "\xC3\xA8"; // è
    case 139: return "\xC3\xAF"; // ï
    case 140: return "\xC3\xAE"; // î
    case 141: return "i";
    case 142: return "A";
    case 143: return "A";
    case 144: return "\xC3\x89"; // É
    case 148: return "o";
    case 149: return "o";
    case 150: return "\xC3\xBB"; // û
    case 151: return "\xC3\xB9"; // ù
    case 152: return "y";
    case 154: return "\xC3\x9C"; // Ü, the letter this byte holds in the DOS code page
    case 160: return "a";
    case 161: return "i";
    case 162: return "o";
    case 163: return "u";
    case 171: return "\xC2\xBD"; // ½
    case 172: return "\xC2\xBC"; // ¼
    default: return nullptr;
    }
}

} // namespace

int Utf8Length(std::string_view text) {
    int n = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

std::string& OemToAnsiLyric(std::string& text) {
    // Valid UTF-8 is already the program's own text: the DOS bytes could only be
    // parts of multi-byte letters there (à is C3 A0), which must not be touched.
    if (textfile::isValidUtf8(text))
        return text;
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    std::string run; // bytes outside the DOS table, decoded as Windows-1252
    for (char c : text) {
        if (const char* letter = dosLetter(static_cast<std::uint8_t>(c))) {
            if (!run.empty()) {
                out += textfile::cp1252ToUtf8(run);
                run.clear();
            }
            out += letter;
        } else {
            run += c;
        }
    }
    if (!run.empty())
        out += textfile::cp1252ToUtf8(run);
    text = std::move(out);
    return text;
}

void ResetMidiChannels() {
    MidiEventIdx = 0;
    MidiLines.assign(1, std::string());
    MidiLeadText = false;
    MidiEvents.assign(1, MidiEvent{});
    MidiChannels.fill(MidiChannel{});
}

namespace {

// One meta event met by the walk of a track.
struct MetaEvent {
    std::uint64_t tick = 0;  // absolute time in its track, in ticks
    std::uint8_t type = 0;
    std::string_view body;   // cut short when the track ends inside it
    // Time of the event that follows it in its own track, when one was read.
    std::optional<std::uint64_t> nextTick;
};

// Walks the events of one track and appends its meta events to `out`, in order,
// until `out` holds `cap` of them. Times come from the deltas alone, whatever
// lies between the meta events (notes, controllers, SysEx). A truncated or
// malformed event ends the track: what came before it is kept, and a meta event
// whose data runs past the end is kept with the data that is there. Running
// status outlives meta and SysEx events, as the MIDI player reads them too.
void walkTrack(std::string_view data, std::vector<MetaEvent>& out, std::size_t cap) {
    if (out.size() >= cap)
        return;
    std::optional<std::size_t> waiting; // this track's last meta event, until the next delta is read
    music::walkTrackEvents(
        data,
        [&](std::uint64_t tick) {
            if (waiting) {
                out[*waiting].nextTick = tick;
                waiting.reset();
            }
            return true;
        },
        [&](const music::TrackEvent& e) {
            if (e.status != 0xFF)
                return true;
            MetaEvent m;
            m.tick = e.tick;
            m.type = e.metaType;
            m.body = e.body;
            out.push_back(m);
            waiting = out.size() - 1;
            return out.size() < cap;
        });
}

// Line breaks inside a lyric text: CR LF, a lone CR and a lone LF are one
// break each (lyric-event files end their lines with a text holding only LF or
// CR, or put the break before or after a syllable).
struct BrokenText {
    std::string text;         // the syllable without its breaks
    bool breakBefore = false; // a break before the first character
    bool breakAfter = false;  // a break after the last character
};

BrokenText splitBreaks(const std::string& raw)
{
    BrokenText b;
    std::string t;
    t.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r') {
            t += '\n';
            if (i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;
        } else {
            t += raw[i];
        }
    }
    const std::size_t first = t.find_first_not_of(" \n");
    if (first == std::string::npos) {
        // Blanks and breaks only: a break when there is one, else the text as it is.
        b.breakBefore = t.find('\n') != std::string::npos;
        b.text = b.breakBefore ? std::string() : t;
        return b;
    }
    const std::size_t lead = t.find_first_not_of(' ');
    b.breakBefore = t[lead] == '\n';
    std::size_t from = b.breakBefore ? first : 0;
    std::size_t to = t.size();
    while (to > from && (t[to - 1] == '\n' || t[to - 1] == ' ')) {
        if (t[to - 1] == '\n')
            b.breakAfter = true;
        --to;
    }
    if (!b.breakAfter)
        to = t.size();  // trailing blanks stay: they space the words
    else
        while (to < t.size() && t[to] == ' ')
            ++to;  // blanks before the break still end the word
    b.text = t.substr(from, to - from);
    for (char& c : b.text)
        if (c == '\n')
            c = ' ';  // a break inside a syllable: the line goes on
    return b;
}

// The track chunks of a song file as the MIDI player takes them: after the
// header (its own length when it is a real one), every "MTrk" chunk to the
// end of the file, each handed to `onTrack` until it returns false.
template <typename OnTrack>
void forEachTrack(std::string_view file, OnTrack&& onTrack) {
    std::uint64_t q = 14;
    if (file.size() >= 14 && file.substr(0, 4) == "MThd" && music::be32(file, 4) >= 6)
        q = 8 + std::uint64_t(music::be32(file, 4));
    music::walkChunks(file, q, [&](std::string_view type, std::string_view body, bool) {
        return type != "MTrk" || onTrack(body);
    });
}

// The time of the first sounding note of a song file (a note-on of velocity
// above 0 in any track), in ticks; nothing when it plays no note.
std::optional<std::uint64_t> firstNoteTick(std::string_view file) {
    std::optional<std::uint64_t> first;
    forEachTrack(file, [&](std::string_view track) {
        music::walkTrackEvents(
            track, [&](std::uint64_t tick) { return !first || tick < *first; },
            [&](const music::TrackEvent& e) {
                if ((e.status & 0xF0) != 0x90 || e.data2 == 0)
                    return true;
                first = e.tick;
                return false;
            });
        return true;
    });
    return first;
}

// Makes the lyric records of meta events given in the order they are heard.
// Each record carries the time from its event to the next one, so the running
// sum is the time of the next record; the sum starts at the first event's own
// time, so every record falls due when its event is heard. The last record,
// with no event after it, keeps the delta of the record before it.
// `firstNote` is the tick of the song's first sounding note.
void makeRecords(const std::vector<MetaEvent>& metas, std::optional<std::uint64_t> firstNote) {
    MidiEvents.assign(1, MidiEvent{});
    MidiLines.assign(1, std::string());
    MidiLeadText = false;
    MidiLyricType = 1;
    for (const MetaEvent& m : metas)
        if (m.type == 0x05) {
            MidiLyricType = 5;
            break;
        }
    MidiEvents.reserve(metas.size() + 2);

    std::int32_t lineNo = 0;
    std::int32_t linePos = 0;
    double time = metas.empty() ? 0.0 : static_cast<double>(metas.front().tick) * MidiMsPerTick;
    std::uint64_t ticks = 0;
    bool pendingBreak = false;  // the text before ended its line
    bool markAfterLeadText = false;  // the first line mark is "/" or "\" and text comes before it
    int leadTexts = 0;               // records with text before the first line mark
    std::uint64_t leadTick = 0;      // the time of the last of them

    auto syllableOf = [](const MetaEvent& m) {
        std::string text;
        if (m.type == MidiLyricType && !m.body.empty() && m.body.front() != '@') {
            text = std::string(m.body);
            OemToAnsiLyric(text);
        }
        return text;
    };
    // The first record is only the starting point of the dispatch and is never
    // shown: when the first event is itself a syllable, an empty record at its
    // time goes before it.
    if (!metas.empty() && !syllableOf(metas.front()).empty()) {
        MidiEvent start;
        start.TimeMs = time;
        start.DeltaMs = time;
        MidiEvents.push_back(start);
    }

    auto newLine = [&](std::string first) {
        ++lineNo;
        MidiLines.push_back(std::move(first));
        linePos = 0;
    };

    for (std::size_t k = 0; k < metas.size(); ++k) {
        const MetaEvent& m = metas[k];
        const std::string raw = syllableOf(m);
        BrokenText bt = splitBreaks(raw);
        std::string text = std::move(bt.text);

        if (k + 1 < metas.size()) {
            const std::uint64_t next = metas[k + 1].tick;
            ticks = next >= m.tick ? next - m.tick : 0;
        } else if (m.nextTick) {
            ticks = *m.nextTick - m.tick;
        }
        const double deltaMs = static_cast<double>(ticks) * MidiMsPerTick;
        time += deltaMs;

        MidiEvent ev;
        ev.TimeMs = time;
        ev.DeltaMs = deltaMs;
        const std::string_view t = trimBlanks(text);
        const bool lineBreak = bt.breakBefore || pendingBreak;
        if (text.empty() && bt.breakBefore) {
            // A break alone: the next syllables start a new line.
            newLine({});
            pendingBreak = false;
            ev.LineNo = lineNo;
        } else if (t == "\\" || t == "/") {
            markAfterLeadText = markAfterLeadText || (lineNo == 0 && !MidiLines[0].empty());
            newLine({});
            pendingBreak = false;
            text.clear();
            ev.LineNo = lineNo;
        } else if (!text.empty() && (text[0] == '/' || text[0] == '\\')) {
            markAfterLeadText = markAfterLeadText || (lineNo == 0 && !MidiLines[0].empty());
            text = std::string(trimLeadingBlanks(std::string_view(text).substr(1)));
            newLine(text);
            pendingBreak = false;
            ev.Text = text;
            ev.TextLen = Utf8Length(text);
            ev.LineNo = lineNo;
        } else if (!text.empty() && lineBreak) {
            text = std::string(trimLeadingBlanks(text));
            newLine(text);
            pendingBreak = false;
            ev.Text = text;
            ev.TextLen = Utf8Length(text);
            ev.LineNo = lineNo;
        } else {
            // A line's first syllable shows no blank before it, wherever the
            // file puts its word spacing.
            if (linePos == 0 && MidiLines[static_cast<std::size_t>(lineNo)].empty())
                text = std::string(trimLeadingBlanks(text));
            ev.Text = text;
            ev.TextLen = Utf8Length(text);
            ev.LinePos = linePos;
            ev.LineNo = lineNo;
            MidiLines[static_cast<std::size_t>(lineNo)] += text;
            if (lineNo == 0 && !text.empty()) {
                ++leadTexts;
                leadTick = m.tick;
            }
        }
        if (bt.breakAfter && !ev.Text.empty())
            pendingBreak = true;
        linePos += Utf8Length(text);
        MidiEvents.push_back(std::move(ev));
    }
    // Text before the first "/" or "\" line is a title (such as "DURATION: 46")
    // only when it is a single text heard at the very start or before any note
    // sounds: a first line of several syllables, or one sung over the music, is
    // a sung line even when the file put no mark before it.
    MidiLeadText = markAfterLeadText && leadTexts == 1 && (leadTick == 0 || (firstNote && leadTick < *firstNote));
}

} // namespace

void ParseKarTrack(std::string_view data, std::optional<std::uint64_t> firstNote) {
    std::vector<MetaEvent> metas;
    walkTrack(data, metas, kMaxMidiEvents);
    makeRecords(metas, firstNote);
}

void ParseMergedTracks(std::string_view file) {
    std::vector<MetaEvent> metas;
    forEachTrack(file, [&](std::string_view track) {
        walkTrack(track, metas, kMaxMidiEvents);
        return metas.size() < kMaxMidiEvents;
    });
    // Heard order: by time; at equal times the earlier track, then the earlier
    // event of a track, as each track was appended in its own order.
    std::stable_sort(metas.begin(), metas.end(),
                     [](const MetaEvent& a, const MetaEvent& b) { return a.tick < b.tick; });
    makeRecords(metas, firstNoteTick(file));
}

namespace {

void analyseTempo(std::string_view d) {
    long tempo = kDefaultMidiTempo;
    const std::size_t p = findPair(d, 0xFF, 0x51, 0);
    if (p != std::string_view::npos) {
        auto t0 = byteAt(d, p + 3), t1 = byteAt(d, p + 4), t2 = byteAt(d, p + 5);
        if (t0 && t1 && t2) {
            const long t = (long(*t0) << 16) | (long(*t1) << 8) | long(*t2);
            if (t > 0)
                tempo = t;
        }
    }
    long division = 0;
    if (auto h = byteAt(d, 12), l = byteAt(d, 13); h && l)
        division = (long(*h) << 8) | long(*l);

    MidiTempo = tempo;
    MidiBpm = static_cast<float>(std::round(60000000.0 / double(tempo) * 100.0) / 100.0);
    if (division & 0x8000) {
        // SMPTE time code: the high byte is minus the frames per second, the low
        // byte the ticks per frame; ticks are then fixed slices of a second.
        if (const std::optional<double> msPerTick = music::smpteMsPerTick(static_cast<int>(division))) {
            MidiMsPerTick = *msPerTick;
            MidiDivision4 = double(tempo) / 1000.0 / MidiMsPerTick / 4.0;
        } else {
            MidiMsPerTick = 0;
            MidiDivision4 = 0;
        }
    } else if (division == 0) {
        // No usable time base: every lyric time is 0 rather than infinite.
        MidiDivision4 = 0;
        MidiMsPerTick = 0;
    } else {
        MidiDivision4 = double(division) / 4.0;
        MidiMsPerTick = double(MidiTempo) / MidiDivision4 / 4000.0;
    }
}

void chooseLyricTrack(std::string_view d) {
    std::uint32_t trackCount = 0;
    if (auto h = byteAt(d, 10), l = byteAt(d, 11); h && l)
        trackCount = (std::uint32_t(*h) << 8) | *l;

    static constexpr std::string_view kWords("\xFF\x03\x05Words", 8);
    std::uint64_t q = 14;
    for (std::uint32_t i = 0; i < trackCount; ++i) {
        if (q + 8 > d.size())
            break;
        const auto at = static_cast<std::size_t>(q);
        const std::uint64_t len = music::be32(d, at + 4);
        const std::string_view chunk = d.substr(at + 8, static_cast<std::size_t>(len));
        if (chunk.find(kWords) != std::string_view::npos) {
            ParseKarTrack(chunk, firstNoteTick(d));
            return;
        }
        int hits = 0;
        for (std::size_t h = findPair(chunk, 0xFF, 0x01, 0); h != std::string_view::npos && hits < 50;
             h = findPair(chunk, 0xFF, 0x01, h + 1))
            ++hits;
        if (hits >= 50) {
            ParseKarTrack(chunk, firstNoteTick(d));
            return;
        }
        q += 8 + len;
    }
    ParseMergedTracks(d);
}

void summariseChannels(std::string_view d) {
    // The first 21 bytes are the header and the first chunk's start: no status
    // byte found there belongs to the song.
    constexpr std::size_t kFrom = 21;
    for (int c = 0; c < 16; ++c) {
        MidiChannel& ch = MidiChannels[static_cast<std::size_t>(c)];
        ch.Used = -1;
        if (findByte(d, std::uint8_t(0x90 + c), 0) == std::string_view::npos)
            continue;
        ch.Used = static_cast<std::int16_t>(c + 1);

        for (std::size_t h = findByte(d, std::uint8_t(0xC0 + c), kFrom); h != std::string_view::npos;
             h = findByte(d, std::uint8_t(0xC0 + c), h + 1)) {
            auto v = byteAt(d, h + 1);
            if (!v)
                break;
            if (*v != 0) {
                ch.Program = *v;
                break;
            }
        }

        ch.Volume = 100;
        for (std::size_t h = findPair(d, std::uint8_t(0xB0 + c), 7, kFrom); h != std::string_view::npos;
             h = findPair(d, std::uint8_t(0xB0 + c), 7, h + 1)) {
            auto v = byteAt(d, h + 2);
            if (v && *v >= 1 && *v <= 126) {
                ch.Volume = *v;
                break;
            }
        }

        const std::size_t h = findPair(d, std::uint8_t(0xB0 + c), 10, kFrom);
        if (h != std::string_view::npos) {
            auto v = byteAt(d, h + 2);
            if (v)
                ch.Pan = *v;
            if (v && (*v == 0 || *v > 127)) {
                const std::size_t h2 = findPair(d, std::uint8_t(0xB0 + c), 10, h + 1);
                if (h2 != std::string_view::npos)
                    if (auto v2 = byteAt(d, h2 + 2))
                        ch.Pan = *v2;
            }
        }
    }
}

} // namespace

void AnalyseMidiData(std::string_view bytes) {
    MidiFileData.assign(bytes.data(), bytes.size());
    MidiEventIdx = 0;
    MidiChannels.fill(MidiChannel{});
    const std::string_view d(MidiFileData);
    analyseTempo(d);
    chooseLyricTrack(d);
    summariseChannels(d);
}

bool AnalyseMidiFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes;
    bool ok = false;
    if (in) {
        in.seekg(0, std::ios::end);
        const std::streamoff size = in.tellg();
        if (size >= 0 && static_cast<std::uintmax_t>(size) <= kMaxMidiFileSize) {
            bytes.resize(static_cast<std::size_t>(size));
            in.seekg(0, std::ios::beg);
            ok = static_cast<bool>(in.read(bytes.data(), size));
        }
    }
    if (!ok)
        bytes.clear();
    AnalyseMidiData(bytes);
    return ok;
}

} // namespace Kar
