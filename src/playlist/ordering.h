#pragma once
// Reordering the rows of a list view by hand: the exchange of two rows that
// the move buttons and the shuffle use, and the random source of the shuffle.
#include "platform/forms/listview.h"

#include <cstdint>
#include <functional>
#include <string>

namespace PlayList {

// Exchanges the contents of rows p and q (1-based) of `list`: small icon,
// Text, sub-items 1 to `lastSubItem` and the row's Tag, so that everything a
// song carries moves with it (the per-song look of a play-list row too). The
// check marks stay with the positions. p == q, or a row out of range,
// changes nothing; returns false then.
bool exchangeRows(ListView& list, int p, int q, int lastSubItem);

// The last sub-item of a row of the list the main window shows: 12 for the
// play list, 3 for a folder's files.
int lastSubItemFor(const std::string& playListTabName);

// The run's random source: single-precision values with 0 <= R < 1. It is
// seeded once per run from the system, so each start shuffles differently.
float Rnd();
// Restarts the random source from a fixed seed (tests, reproducible runs).
void Randomize(std::uint32_t seed);

// Shuffles the rows of `list`: for i = 1 to the row count, j = Int(R * n + 1)
// with R from `rnd`, and rows i and j are exchanged.
void shuffleRows(ListView& list, int lastSubItem, const std::function<float()>& rnd = Rnd);

} // namespace PlayList
