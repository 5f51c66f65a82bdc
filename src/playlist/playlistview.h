#pragma once
// Play-list rows in and out of a list view: the thirteen fields are the row's
// Text and its sub-items 1 to 12.
#include "platform/forms/listview.h"
#include "playlist/playlistrow.h"

#include <vector>

namespace PlayList {

// The thirteen fields of one list row.
PlayListRow rowOf(const ListItem& item);
// Every row of the list, first to last.
std::vector<PlayListRow> rowsOf(ListView& list);
// Appends a row with the given small icon ("" for none).
ListItem& appendRow(ListView& list, const PlayListRow& row, const std::string& icon);
// The same, taking the row's texts (a loaded list is not held twice).
ListItem& appendRow(ListView& list, PlayListRow&& row, const std::string& icon);
// Appends a copy of another list's row: its thirteen fields and its Tag (the
// song editor's mark goes with its song through every rebuild of the rows),
// with the given small icon ("" for none).
ListItem& copyRow(ListView& list, const ListItem& from, const std::string& icon);
// A name given back by a file dialog, without the blanks, tabs and line ends
// around it ("" when nothing else is left).
std::string trimChosenName(const std::string& s);

// A first start names no play list yet: the default list in the program
// folder becomes the current and the remembered one, made (empty) when
// missing. Returns its path.
std::string AdoptDefaultList();

// True while the play list is being loaded or a folder listed: those let
// pending events run, and nothing may save, reload or list meanwhile.
inline bool ListBusy = false;

// Counts the loads of the play list from its file: rows made by a load are new
// rows, which carry no mark of an earlier one.
inline int ListLoads = 0;

} // namespace PlayList
