// Feeds arbitrary bytes to both MIDI readers: the lyric analysis and the
// standard-MIDI-file loader. Besides crashes and stray reads, it traps on results
// that the rest of the program must be able to trust.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/files/textfile.h"
#include "platform/music/smf.h"
#include "playback/midianalysis.h"

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    Kar::AnalyseMidiData(bytes);
    check(!Kar::MidiEvents.empty() && !Kar::MidiLines.empty());
    check(Kar::MidiTempo > 0 && std::isfinite(Kar::MidiMsPerTick));
    for (const Kar::MidiEvent& e : Kar::MidiEvents) {
        check(e.LineNo >= 0 && std::size_t(e.LineNo) < Kar::MidiLines.size());
        check(std::isfinite(e.TimeMs) && e.DeltaMs >= 0);
        check(textfile::isValidUtf8(e.Text));
    }
    for (const std::string& line : Kar::MidiLines)
        check(textfile::isValidUtf8(line));

    std::string text(bytes.substr(0, 64));
    Kar::OemToAnsiLyric(text);
    check(textfile::isValidUtf8(text));

    if (auto seq = music::parseStandardMidiFile(bytes)) {
        check(!seq->tempos.empty() && seq->tempos.front().time == 0);
        std::int64_t last = 0;
        for (const music::MidiMessage& m : seq->events) {
            check(m.time >= last && m.time <= seq->length);
            check(m.status >= 0x80 && m.status < 0xF0 && m.data1 < 0x80 && m.data2 < 0x80);
            last = m.time;
        }
        check(std::isfinite(seq->msAt(double(seq->length))));
    }
    return 0;
}
