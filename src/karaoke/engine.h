#pragma once
// The karaoke engine's procedures that other parts of the program call.
//
// The main window's own engine procedures (OpenSykFile, NextSykLine,
// PrintKarPage, RefreshKaraoke, PlayKar, Timer1_Timer, ... and their K1 twins)
// are members of `Player` (core/player.h). The page state they work on is in
// karaoke/pagestate.h.
#include <string>

#include "core/syklines.h"
#include "karaoke/pagestate.h"

namespace Kar {

// Places the ball of the main lyric window centred over `syllable`, the end of
// `rowText`, on the top of row `row` (1..4) of the current line; KarRowOffset
// must hold the rows above the current line.
void MoveBall(const std::string& rowText, const std::string& syllable, int row);
// The same on the second lyric window (K1RowOffset).
void MoveBallK1(const std::string& rowText, const std::string& syllable, int row);

// Closes the song's sync files (the stop and the close-down); the cursors keep
// their values until the next open.
void CloseSyncFiles();

// Tells the user why a sync file was not read (an exclamation box naming it);
// the song plays on without it.
void TellSyncFileProblem(const SykFile::ReadProblem& problem, const std::string& path);

} // namespace Kar

namespace modIni {

// Wraps a line to the main lyric window's width (its font, its Width, the
// margin of HScroll_Kar): returns the row count 1..4 and leaves rows 1..n in
// Kar::KarSplitRows (none written for 1: the line is printed whole).
int SplitKarLigne(const std::string& line);
// The same measured on the second lyric window, rows in Kar::K1SplitRows.
int SplitKarLigneK1(const std::string& line);
// Counts the rows of the page lines above the current line (n of them) and, in
// the scrolling layout, of the kept sung lines into Kar::KarRowOffset, printing
// one empty row on the main lyric window per extra row.
void PrepareKarPage(int n);
// The same on the second lyric window (Kar::K1RowOffset); options read on the
// main lyric window.
void PrepareKarPageK1(int n);

} // namespace modIni
