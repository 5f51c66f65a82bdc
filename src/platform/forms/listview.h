#pragma once
// The list view and its image list, as the windows use them: rows of texts
// (the row's own Text and its SubItems by column), small icons by image key,
// check boxes, selection, column headers, views (icon, small icon, list,
// report), grid lines and a text sort by one column.
//
//     ListView1.ColumnHeaders.Add(0, "", "Title", 3000);
//     ListItem& it = ListView1.ListItems.Add(0, "", "My Song");
//     it.setSubItems(4, "/music/My Song.mp3");
//     it.setSmallIcon("Picture_NoteMp3");
//     if (ListItem* sel = ListView1.SelectedItem()) ... // may be none
//
// Rows are numbered from 1. A ListItem& stays valid until its row is removed
// or the list is cleared; never keep one across those. Adding rows is cheap:
// the views learn about new rows in one batch (10,000 rows add in a blink).
//
// Events: Click / DblClick (left button, by the user only), ItemClick(item)
// when the user clicks a row, ColumnClick(header), ItemCheck(item) when the
// user ticks or unticks a row (a click or double click on a tick box only
// ticks: it raises neither Click, ItemClick nor DblClick), MouseDown/MouseUp/MouseMove with the old
// arguments (X, Y in twips from the control's top-left corner), KeyDown/KeyUp
// with the old key codes (F5 = 116). Changing rows, ticks or the selection
// from code raises none of them.
#include "platform/forms/control.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class StdPicture;
class ListView;
struct ListViewPrivate;
class ImageList;

// ---------------------------------------------------------------- image list

class ListImage {
public:
    int Index() const { return index_; }             // 1-based
    const std::string& Key() const { return key_; }
    const StdPicture& Picture() const { return *picture_; }

private:
    friend class ListImages;
    int index_ = 0;
    std::string key_;
    std::shared_ptr<StdPicture> picture_;
};

class ListImages {
public:
    // Adds a picture under `key` at 1-based `index` (0 or out of range:
    // appended). An empty picture is kept too (it shows nothing).
    ListImage& Add(int index, const std::string& key, const StdPicture& picture);
    int Count() const { return static_cast<int>(items_.size()); }
    // 1-based; nullptr when out of range.
    ListImage* Item(int index);
    // By key (exact match); nullptr when absent.
    ListImage* Item(const std::string& key);
    void Remove(int index);
    void Remove(const std::string& key);
    void Clear();

private:
    friend class ImageList;
    explicit ListImages(ImageList* owner) : owner_(owner) {}
    void renumber();
    ImageList* owner_;
    std::vector<std::unique_ptr<ListImage>> items_;
};

// Not visible on the window; declared like the other controls
// (`ImageList ImageList1{this};`). Pictures are scaled to ImageWidth x
// ImageHeight pixels when shown; 0 (the default) keeps each picture's size.
class ImageList {
public:
    explicit ImageList(Container* parent = nullptr);
    ~ImageList();
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;

    class ListImages ListImages{this};

    int ImageWidth() const { return imageWidth_; }   // pixels
    int ImageHeight() const { return imageHeight_; }
    void setImageWidth(int px);
    void setImageHeight(int px);

    // --- for the layer: list views showing these pictures
    void attach(ListView* view);
    void detach(ListView* view);
    void changed();   // repaint every attached view

private:
    int imageWidth_ = 0;
    int imageHeight_ = 0;
    std::vector<ListView*> views_;
};

// ---------------------------------------------------------------- columns

class ColumnHeader {
public:
    int Index() const { return index_; }             // 1-based position
    const std::string& Key() const { return key_; }
    const std::string& Text() const { return text_; }
    void setText(const std::string& t);
    float Width() const { return width_; }           // twips; 0 = hidden column
    void setWidth(float twips);
    // 0 left, 1 right, 2 centre (the first column is always shown left).
    int Alignment() const { return alignment_; }
    void setAlignment(int a);
    // 0-based sub-item shown in this column (0 = the row's Text).
    int SubItemIndex() const { return index_ - 1; }

private:
    friend class ColumnHeaders;
    friend class ListView;
    ListView* owner_ = nullptr;
    int index_ = 0;
    std::string key_;
    std::string text_;
    float width_ = 1440;
    int alignment_ = 0;
};

class ColumnHeaders {
public:
    // Adds a header at 1-based `index` (0 or out of range: appended). A
    // negative width gives the default width (1440 twips).
    ColumnHeader& Add(int index = 0, const std::string& key = "", const std::string& text = "",
                      float width = -1, int alignment = 0);
    int Count() const { return static_cast<int>(items_.size()); }
    ColumnHeader* Item(int index);                   // 1-based; nullptr when out of range
    ColumnHeader* Item(const std::string& key);
    void Remove(int index);
    void Clear();

private:
    friend class ListView;
    explicit ColumnHeaders(ListView* owner) : owner_(owner) {}
    void renumber();
    ListView* owner_;
    std::vector<std::unique_ptr<ColumnHeader>> items_;
};

// ---------------------------------------------------------------- rows

class ListItem {
public:
    const std::string& Text() const { return texts_[0]; }
    void setText(const std::string& t);
    // Sub-item j (j >= 1): the text shown in column j + 1. Reading one never
    // written gives "".
    std::string SubItems(int j) const;
    void setSubItems(int j, const std::string& t);
    void setSubItems(int j, std::string&& t);

    // Image keys of the owning list's image lists; "" = no icon.
    const std::string& SmallIcon() const { return smallIcon_; }
    void setSmallIcon(const std::string& key);
    const std::string& Icon() const { return icon_; }
    void setIcon(const std::string& key);

    bool Checked() const { return checked_; }
    void setChecked(bool c);
    // Selecting a row from code makes it the list's current row too (the
    // keyboard moves on from it); in a single-selection list it deselects the
    // others. The list is not scrolled to it (EnsureVisible does that).
    bool Selected() const;
    void setSelected(bool s);

    int Index() const;                               // 1-based row number
    const std::string& Key() const { return key_; }
    const std::string& Tag() const { return tag_; }
    void setTag(const std::string& t) { tag_ = t; }
    // Scrolls the list so that the row is shown.
    void EnsureVisible();

private:
    friend class ListItems;
    friend class ListView;
    friend struct ListViewPrivate;
    ListView* owner_ = nullptr;
    int row_ = 0;                                    // 0-based, kept current by the list
    std::vector<std::string> texts_{1};              // [0] = Text, [j] = SubItems(j)
    std::string smallIcon_;
    std::string icon_;
    std::string key_;
    std::string tag_;
    bool checked_ = false;
    // Folded text of the sort column, kept between sorts (-1: none yet).
    mutable std::string sortText_;
    mutable int sortTextColumn_ = -1;
};

class ListItems {
public:
    // Adds a row at 1-based `index` (0 or out of range: appended; in a sorted
    // list the row takes its place in the order). Returns the new row.
    ListItem& Add(int index = 0, const std::string& key = "", const std::string& text = "",
                  const std::string& icon = "", const std::string& smallIcon = "");
    int Count() const;
    // 1-based; nullptr when out of range.
    ListItem* Item(int index);
    ListItem* Item(const std::string& key);
    ListItem& operator()(int index);                 // 1-based; throws std::out_of_range
    void Remove(int index);
    void Clear();

private:
    friend class ListView;
    explicit ListItems(ListView* owner) : owner_(owner) {}
    ListView* owner_;
};

// ---------------------------------------------------------------- the list

class ListView : public Control {
public:
    explicit ListView(Container* parent);
    ~ListView() override;

    class ColumnHeaders ColumnHeaders{this};
    class ListItems ListItems{this};

    // The selected row (the current one when several are selected); nullptr
    // when no row is selected.
    ListItem* SelectedItem();
    // Selects the row (nullptr: clears the selection).
    void setSelectedItem(ListItem* item);

    // 0 large icons, 1 small icons, 2 list, 3 report (columns with headers);
    // any other value gives the report view.
    int View() const { return view_; }
    void setView(int v);
    bool GridLines() const { return gridLines_; }    // report view only
    void setGridLines(bool on);
    bool Checkboxes() const { return checkboxes_; }
    void setCheckboxes(bool on);
    bool FullRowSelect() const { return fullRowSelect_; }
    void setFullRowSelect(bool on);
    bool MultiSelect() const { return multiSelect_; }
    void setMultiSelect(bool on);
    // True (the default): the selection is drawn faintly while the list does
    // not have the focus; false: drawn as when focused.
    bool HideSelection() const { return hideSelection_; }
    void setHideSelection(bool on);
    // Kept for the old property; rows are never edited in place.
    int LabelEdit() const { return labelEdit_; }
    void setLabelEdit(int v) { labelEdit_ = v; }
    bool HideColumnHeaders() const { return hideColumnHeaders_; }
    void setHideColumnHeaders(bool on);

    // Sorting by the text of one column (SortKey 0 = Text, k = SubItems(k)),
    // SortOrder 0 ascending, 1 descending, without regard to case or accents.
    // Setting Sorted to true sorts the rows at once, also when it already was
    // true; while it is on, added rows take their place in the order.
    bool Sorted() const { return sorted_; }
    void setSorted(bool on);
    int SortKey() const { return sortKey_; }
    void setSortKey(int k) { sortKey_ = k < 0 ? 0 : k; }
    int SortOrder() const { return sortOrder_; }
    void setSortOrder(int o) { sortOrder_ = o == 1 ? 1 : 0; }

    // Image lists (not owned; nullptr detaches).
    ImageList* SmallIcons() const { return smallIcons_; }
    void setSmallIcons(ImageList* list);
    ImageList* Icons() const { return icons_; }
    void setIcons(ImageList* list);

    // The row at a point (twips from the control's top-left corner), nullptr
    // when there is none.
    ListItem* HitTest(float x, float y);

    // Paint nothing between the two (long runs of changes from code).
    void BeginUpdate();
    void EndUpdate();

    void onItemClick(std::function<void(ListItem&)> f) { itemClick_ = std::move(f); }
    void onColumnClick(std::function<void(ColumnHeader&)> f) { columnClick_ = std::move(f); }
    void onItemCheck(std::function<void(ListItem&)> f) { itemCheck_ = std::move(f); }

    // --- for the layer and tests
    QWidget* activeView() const;                     // the widget showing the rows now
    void appearanceChanged() override;
    bool dblClickAt(const QWidget* inner, const QPoint& pos) const override;

private:
    friend class ColumnHeader;
    friend class ColumnHeaders;
    friend class ListItem;
    friend class ListItems;
    friend class ImageList;
    friend struct ListViewPrivate;
    std::unique_ptr<ListViewPrivate> p_;

    int view_ = 0;
    bool gridLines_ = false;
    bool checkboxes_ = false;
    bool fullRowSelect_ = false;
    bool multiSelect_ = false;
    bool hideSelection_ = true;
    int labelEdit_ = 1;
    bool hideColumnHeaders_ = false;
    bool sorted_ = false;
    int sortKey_ = 0;
    int sortOrder_ = 0;
    ImageList* smallIcons_ = nullptr;
    ImageList* icons_ = nullptr;

    std::function<void(ListItem&)> itemClick_;
    std::function<void(ColumnHeader&)> columnClick_;
    std::function<void(ListItem&)> itemCheck_;
};
