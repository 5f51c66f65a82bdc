#pragma once
// Turning typed lyric text into timing-list entries.
//
// The user types a song's lyrics in the editor's text pane and marks where
// sung syllables start:
// - "-" between two syllables of a word ends a syllable and is not shown;
// - a blank (when splitting at blanks is on) ends a syllable and stays with it
//   as its last character, so word spacing lives in the syllables;
// - a line break ends the syllable and the lyric line ("_" mark);
// - a piece that starts with "/" takes the rest of its text line whole, as one
//   entry that ends the line (hyphens and blanks included);
// - an empty line becomes an empty syllable that ends a line;
// - "_" becomes "-" and ";" becomes "," (";" separates fields in sync files).
// Every entry comes out with the time 0 ("syllable;0" or "syllable;0_").
//
// Pure text functions; the editor window applies them to its controls.
// Separators are ASCII, so UTF-8 text is cut byte-wise without harm.
#include <string>
#include <string_view>
#include <vector>

namespace textconvert {

// The pane's text made ready for conversion: blanks at the start of the text
// and at the end of every line removed, and CR LF added when the text does not
// end with a line break. Line ends are given back as CR LF.
std::string normaliseLyricText(std::string_view text);
// A selected part of the pane's text, cleaned as the whole text is: blanks at
// its start and at the end of each of its lines removed, line ends given as
// CR LF. It may stop in the middle of a line: no line break is added, and the
// blanks that end it stay (they end its last syllable).
std::string normaliseSelectedText(std::string_view text);

// Cuts lyric text into entries. `splitAtBlanks`: a blank ends a syllable.
// `partial`: the text is a part the user selected, which may stop in the middle
// of a line; whatever follows its last separator is one more syllable (that
// does not end a line), instead of being dropped. Blank-only syllables give no
// entry; blanks at the start of a syllable are dropped.
std::vector<std::string> textToEntries(std::string_view text, bool splitAtBlanks, bool partial = false);

} // namespace textconvert
