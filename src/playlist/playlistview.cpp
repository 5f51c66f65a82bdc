#include "playlist/playlistview.h"

namespace PlayList {

PlayListRow rowOf(const ListItem& item)
{
    PlayListRow row;
    row[ColTitle] = item.Text();
    for (int col = 1; col < PlayListColumnCount; ++col)
        row[col] = item.SubItems(col);
    return row;
}

std::vector<PlayListRow> rowsOf(ListView& list)
{
    std::vector<PlayListRow> rows;
    const int count = list.ListItems.Count();
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i)
        if (const ListItem* item = list.ListItems.Item(i))
            rows.push_back(rowOf(*item));
    return rows;
}

std::string trimChosenName(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

ListItem& appendRow(ListView& list, PlayListRow&& row, const std::string& icon)
{
    ListItem& item = list.ListItems.Add(0, "", row[ColTitle]);
    for (int col = 1; col < PlayListColumnCount; ++col)
        item.setSubItems(col, std::move(row[col]));
    if (!icon.empty())
        item.setSmallIcon(icon);
    row = PlayListRow{};
    return item;
}

ListItem& appendRow(ListView& list, const PlayListRow& row, const std::string& icon)
{
    ListItem& item = list.ListItems.Add(0, "", row[ColTitle]);
    for (int col = 1; col < PlayListColumnCount; ++col)
        item.setSubItems(col, row[col]);
    if (!icon.empty())
        item.setSmallIcon(icon);
    return item;
}

ListItem& copyRow(ListView& list, const ListItem& from, const std::string& icon)
{
    ListItem& item = appendRow(list, rowOf(from), icon);
    item.setTag(from.Tag());
    return item;
}

} // namespace PlayList
