#include "platform/forms/listview.h"

#include "platform/forms/picture.h"
#include "platform/forms/widgets_p.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScrollBar>
#include <QStackedLayout>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <stdexcept>
#include <type_traits>

namespace {

constexpr float kTwipsPerPixel = 15.0f;

int toPx(float twips)
{
    if (!(twips > 0))
        return 0;
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

using formsp::qs;

// The sort compares texts without regard to case or accents: "école" sorts
// with "Ecole", before "F". Plain ASCII (most song names) takes a fast path.
std::string foldForSort(const std::string& s)
{
    bool ascii = true;
    for (unsigned char c : s) {
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        std::string out(s);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
    const QString d = qs(s).normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(d.size());
    for (QChar c : d)
        if (c.category() != QChar::Mark_NonSpacing)
            out.append(c);
    return out.toCaseFolded().toUtf8().toStdString();
}

} // namespace

// ---------------------------------------------------------------- private part

namespace {

// Runs `f` whenever the watched widget changes size.
class ResizeWatch : public QObject {
public:
    explicit ResizeWatch(std::function<void()> f) : f_(std::move(f)) {}

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Resize)
            f_();
        return QObject::eventFilter(o, e);
    }

private:
    std::function<void()> f_;
};

} // namespace

class LvModel;

struct ListViewPrivate {
    ListView* q = nullptr;
    QWidget* host = nullptr;
    QStackedLayout* stack = nullptr;
    QTableView* table = nullptr;
    QListView* list = nullptr;
    LvModel* model = nullptr;
    QItemSelectionModel* sel = nullptr;
    std::unique_ptr<QObject> timerContext;

    // Every row, in list order. The views know the first `committed` of them;
    // the others were added since and are announced in one batch (commit).
    std::vector<std::unique_ptr<ListItem>> rows;
    int committed = 0;
    bool tailToPlace = false;       // the uncommitted rows wait for their place in the order
    bool commitQueued = false;
    int updateDepth = 0;
    bool applyingColumns = false;

    // Icons, padded to one box per image list so that the texts line up.
    std::map<std::pair<const ImageList*, std::string>, QPixmap> iconCache;
    std::map<const ImageList*, QSize> iconBox;

    int columnCount() const { return std::max(1, q->ColumnHeaders.Count()); }
    void commit();
    void queueCommit();
    // Row numbers (ListItem::row_) are brought up to date lazily: inserting
    // rows one by one into a long sorted list stays cheap.
    void renumber(int from) { staleFrom = std::min(staleFrom, std::max(0, from)); }
    void ensureNumbers();
    int staleFrom = 0;
    void reorder(std::vector<ListItem*> order);
    bool sortLess(const ListItem* a, const ListItem* b) const;
    const std::string& sortText(const ListItem* it) const;
    void sortAll();
    void cellChanged(const ListItem* it, int column, int role = -1);
    void applyColumns();
    // Selected rows cover every column, also columns added since.
    void widenSelection();
    void applyView();
    // The list view (2) gives every column the width of the longest name,
    // within the list's width, as a file manager's list view does.
    int widestText = 0;             // pixels, of the rows measured so far
    void measureNames(int from, int to);
    void measureName(const std::string& text);
    void fitListColumns();
    std::unique_ptr<QObject> resizeWatch;
    void applyPalette();
    void iconsChanged();
    QSize boxFor(const ImageList* il);
    QVariant decoration(const ListItem& it);
    QAbstractItemView* active() const
    {
        return q->view_ == 3 ? static_cast<QAbstractItemView*>(table) : list;
    }
    QModelIndex indexOf(const ListItem* it, int column = 0);
    ListItem* itemAt(const QModelIndex& ix) const
    {
        if (!ix.isValid() || ix.row() >= committed)
            return nullptr;
        return rows[static_cast<size_t>(ix.row())].get();
    }

    // Events raised by the views.
    void itemClick(ListItem& it)
    {
        if (q->itemClick_)
            q->itemClick_(it);
    }
    void itemCheck(ListItem& it)
    {
        if (q->itemCheck_)
            q->itemCheck_(it);
    }
};

class LvModel : public QAbstractTableModel {
public:
    explicit LvModel(ListViewPrivate* d) : d_(d) {}

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : d_->committed;
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : d_->columnCount();
    }

    QVariant data(const QModelIndex& ix, int role) const override
    {
        const ListItem* it = d_->itemAt(ix);
        if (!it)
            return {};
        const int col = ix.column();
        switch (role) {
        case Qt::DisplayRole:
            return qs(col == 0 ? it->Text() : it->SubItems(col));
        case Qt::DecorationRole:
            if (col == 0)
                return d_->decoration(*it);
            return {};
        case Qt::CheckStateRole:
            if (col == 0 && d_->q->Checkboxes())
                return it->Checked() ? Qt::Checked : Qt::Unchecked;
            return {};
        case Qt::TextAlignmentRole:
            if (col > 0) {
                if (const ColumnHeader* h = d_->q->ColumnHeaders.Item(col + 1)) {
                    if (h->Alignment() == 1)
                        return int(Qt::AlignRight | Qt::AlignVCenter);
                    if (h->Alignment() == 2)
                        return int(Qt::AlignHCenter | Qt::AlignVCenter);
                }
            }
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
        }
    }

    bool setData(const QModelIndex& ix, const QVariant& value, int role) override
    {
        // Only the views call this: the user ticked or unticked a row.
        ListItem* it = d_->itemAt(ix);
        if (!it || role != Qt::CheckStateRole || ix.column() != 0 || !d_->q->Checkboxes())
            return false;
        const bool c = value.toInt() == Qt::Checked;
        if (it->Checked() == c)
            return true;
        it->setChecked(c);
        d_->itemCheck(*it);
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& ix) const override
    {
        if (!ix.isValid())
            return Qt::NoItemFlags;
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
        if (ix.column() == 0 && d_->q->Checkboxes())
            f |= Qt::ItemIsUserCheckable;
        return f;
    }

    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o != Qt::Horizontal)
            return {};
        const ColumnHeader* h = d_->q->ColumnHeaders.Item(section + 1);
        if (role == Qt::DisplayRole)
            return h ? qs(h->Text()) : QString();
        if (role == Qt::TextAlignmentRole && h && section > 0) {
            if (h->Alignment() == 1)
                return int(Qt::AlignRight | Qt::AlignVCenter);
            if (h->Alignment() == 2)
                return int(Qt::AlignHCenter | Qt::AlignVCenter);
        }
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }

    // The list drives the notifications itself.
    using QAbstractTableModel::beginInsertColumns;
    using QAbstractTableModel::beginInsertRows;
    using QAbstractTableModel::beginRemoveColumns;
    using QAbstractTableModel::beginRemoveRows;
    using QAbstractTableModel::beginResetModel;
    using QAbstractTableModel::changePersistentIndexList;
    using QAbstractTableModel::endInsertColumns;
    using QAbstractTableModel::endInsertRows;
    using QAbstractTableModel::endRemoveColumns;
    using QAbstractTableModel::endRemoveRows;
    using QAbstractTableModel::endResetModel;
    using QAbstractTableModel::persistentIndexList;

private:
    ListViewPrivate* d_;
};

// Without FullRowSelect only the first column of the selected row is
// highlighted in the report view, as the old list view drew it.
class LvDelegate : public QStyledItemDelegate {
public:
    LvDelegate(ListViewPrivate* d, QObject* parent) : QStyledItemDelegate(parent), d_(d) {}

protected:
    void initStyleOption(QStyleOptionViewItem* o, const QModelIndex& ix) const override
    {
        QStyledItemDelegate::initStyleOption(o, ix);
        if (ix.column() > 0 && d_->q->View() == 3 && !d_->q->FullRowSelect())
            o->state &= ~QStyle::State_Selected;
    }

public:
    // Where the row's tick box is drawn in `view` (empty when it has none).
    QRect tickBoxRect(const QAbstractItemView* view, QStyleOptionViewItem option, const QModelIndex& ix) const
    {
        initStyleOption(&option, ix);
        if (!(option.features & QStyleOptionViewItem::HasCheckIndicator))
            return {};
        const QStyle* style = option.widget ? option.widget->style() : view->style();
        return style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, option.widget);
    }

private:
    ListViewPrivate* d_;
};

// The mouse, key and focus events reach the control through its hooks on
// both views; the views add Click and ItemClick on a left click (after
// MouseUp, as the old controls raised them) and keep every event to
// themselves, so that nothing reaches the control's own widget twice.
template <class Base>
class LvView : public Base {
public:
    explicit LvView(ListViewPrivate* d) : d_(d) {}

    // Whether the point of the viewport is on a row's tick box.
    bool onTickBox(const QPoint& pos) const
    {
        if (!d_->q->Checkboxes())
            return false;
        const QModelIndex ix = this->indexAt(pos);
        const auto* delegate = dynamic_cast<const LvDelegate*>(this->itemDelegate());
        if (!ix.isValid() || ix.column() != 0 || !delegate)
            return false;
        QStyleOptionViewItem option;
        this->initViewItemOption(&option);
        option.rect = this->visualRect(ix);
        return delegate->tickBoxRect(this, option, ix).contains(pos);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        QPointer<QWidget> alive(this);
        // A click on a tick box only ticks: it is no click on the row, which
        // would make the row the list's choice (the song to play, say).
        pressedOnTick_ = onTickBox(e->position().toPoint());
        Base::mousePressEvent(e);
        if (!alive)
            return;
        const QModelIndex ix = this->indexAt(e->position().toPoint());
        pressedRow_ = ix.isValid() ? ix.row() : -1;
        afterDouble_ = false;
        e->accept();
    }

    void mouseMoveEvent(QMouseEvent* e) override
    {
        Base::mouseMoveEvent(e);
        e->accept();
    }

    void mouseReleaseEvent(QMouseEvent* e) override
    {
        QPointer<QWidget> alive(this);
        Base::mouseReleaseEvent(e);
        if (!alive)
            return;
        e->accept();
        const bool wasDouble = afterDouble_;
        afterDouble_ = false;
        const int pressed = pressedRow_;
        pressedRow_ = -1;
        const bool tick = pressedOnTick_;
        pressedOnTick_ = false;
        if (e->button() != Qt::LeftButton || wasDouble || tick
            || !this->viewport()->rect().contains(e->position().toPoint()))
            return;
        const QModelIndex ix = this->indexAt(e->position().toPoint());
        if (ix.isValid() && ix.row() == pressed) {
            if (ListItem* it = d_->itemAt(ix))
                d_->itemClick(*it);
            if (!alive)
                return;
        }
        d_->q->fireClick();
    }

    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        Base::mouseDoubleClickEvent(e);
        // DblClick itself comes from the control's hook; the release that
        // follows is no click.
        if (e->button() == Qt::LeftButton)
            afterDouble_ = true;
        e->accept();
    }

    void keyPressEvent(QKeyEvent* e) override
    {
        Base::keyPressEvent(e);
        e->accept();
    }

    void keyReleaseEvent(QKeyEvent* e) override
    {
        Base::keyReleaseEvent(e);
        e->accept();
    }

    QModelIndex moveCursor(QAbstractItemView::CursorAction a, Qt::KeyboardModifiers m) override
    {
        if constexpr (std::is_same_v<Base, QTableView>) {
            // Rows, not cells: Home/End go to the first/last row, left and
            // right scroll the columns.
            const int n = this->model() ? this->model()->rowCount() : 0;
            if (n > 0) {
                const int col = this->currentIndex().isValid() ? this->currentIndex().column() : 0;
                switch (a) {
                case QAbstractItemView::MoveHome:
                    return this->model()->index(0, col);
                case QAbstractItemView::MoveEnd:
                    return this->model()->index(n - 1, col);
                case QAbstractItemView::MoveLeft:
                    this->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
                    return this->currentIndex();
                case QAbstractItemView::MoveRight:
                    this->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
                    return this->currentIndex();
                default:
                    break;
                }
            }
        }
        return Base::moveCursor(a, m);
    }

private:
    ListViewPrivate* d_;
    int pressedRow_ = -1;
    bool afterDouble_ = false;
    bool pressedOnTick_ = false;
};

using LvTable = LvView<QTableView>;
using LvList = LvView<QListView>;

QModelIndex ListViewPrivate::indexOf(const ListItem* it, int column)
{
    ensureNumbers();
    if (!it || it->row_ >= committed)
        return {};
    return model->index(it->row_, column);
}

void ListViewPrivate::ensureNumbers()
{
    for (size_t i = static_cast<size_t>(staleFrom); i < rows.size(); ++i)
        rows[i]->row_ = static_cast<int>(i);
    staleFrom = static_cast<int>(rows.size());
}

const std::string& ListViewPrivate::sortText(const ListItem* it) const
{
    const int col = q->sortKey_;
    if (it->sortTextColumn_ != col) {
        const auto c = static_cast<size_t>(col);
        it->sortText_ = foldForSort(c < it->texts_.size() ? it->texts_[c] : std::string());
        it->sortTextColumn_ = col;
    }
    return it->sortText_;
}

bool ListViewPrivate::sortLess(const ListItem* a, const ListItem* b) const
{
    int c = sortText(a).compare(sortText(b));
    if (c == 0) {
        // Same letters: order by the exact text, so the result does not depend
        // on the order the rows had before.
        const auto k = static_cast<size_t>(q->sortKey_);
        static const std::string empty;
        const std::string& ta = k < a->texts_.size() ? a->texts_[k] : empty;
        const std::string& tb = k < b->texts_.size() ? b->texts_[k] : empty;
        c = ta.compare(tb);
    }
    return q->sortOrder_ == 1 ? c > 0 : c < 0;
}

// Puts the (committed) rows in `order`, keeping the views' selection and
// current row with their rows.
void ListViewPrivate::reorder(std::vector<ListItem*> order)
{
    emit model->layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = model->persistentIndexList();
    std::vector<ListItem*> fromItems;
    fromItems.reserve(static_cast<size_t>(from.size()));
    for (const QModelIndex& ix : from)
        fromItems.push_back(itemAt(ix));
    for (auto& r : rows)
        (void)r.release();
    for (size_t i = 0; i < order.size(); ++i)
        rows[i].reset(order[i]);
    renumber(0);
    ensureNumbers();
    QModelIndexList to;
    to.reserve(from.size());
    for (qsizetype i = 0; i < from.size(); ++i) {
        const ListItem* it = fromItems[static_cast<size_t>(i)];
        to.append(it ? model->index(it->row_, from[i].column()) : QModelIndex());
    }
    model->changePersistentIndexList(from, to);
    emit model->layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ListViewPrivate::commit()
{
    const int n = static_cast<int>(rows.size());
    if (committed >= n) {
        tailToPlace = false;
        return;
    }
    const bool place = q->sorted_ && tailToPlace;
    tailToPlace = false;
    auto less = [this](const std::unique_ptr<ListItem>& a, const std::unique_ptr<ListItem>& b) {
        return sortLess(a.get(), b.get());
    };
    if (place && committed > 0 && n - committed <= 8) {
        // A few rows: each goes straight to its place.
        while (committed < n) {
            const auto idx = rows.begin() + committed;
            const auto pos = std::upper_bound(rows.begin(), idx, *idx, less);
            const int row = static_cast<int>(pos - rows.begin());
            model->beginInsertRows({}, row, row);
            std::rotate(pos, idx, idx + 1);
            ++committed;
            renumber(row);
            model->endInsertRows();
            measureNames(row, row + 1);
        }
        return;
    }
    if (place) {
        std::stable_sort(rows.begin() + committed, rows.end(), less);
        renumber(committed);
    }
    const int first = committed;
    model->beginInsertRows({}, first, n - 1);
    committed = n;
    model->endInsertRows();
    measureNames(first, n);
    if (place && first > 0) {
        std::vector<ListItem*> head, tail, merged;
        head.reserve(static_cast<size_t>(first));
        tail.reserve(static_cast<size_t>(n - first));
        for (int i = 0; i < n; ++i)
            (i < first ? head : tail).push_back(rows[static_cast<size_t>(i)].get());
        merged.reserve(static_cast<size_t>(n));
        std::merge(head.begin(), head.end(), tail.begin(), tail.end(), std::back_inserter(merged),
                   [this](const ListItem* a, const ListItem* b) { return sortLess(a, b); });
        reorder(std::move(merged));
    }
}

void ListViewPrivate::queueCommit()
{
    if (commitQueued)
        return;
    commitQueued = true;
    QTimer::singleShot(0, timerContext.get(), [this] {
        commitQueued = false;
        commit();
    });
}

void ListViewPrivate::sortAll()
{
    tailToPlace = false;
    commit();
    if (rows.size() < 2)
        return;
    std::vector<ListItem*> order;
    order.reserve(rows.size());
    for (auto& r : rows)
        order.push_back(r.get());
    std::stable_sort(order.begin(), order.end(),
                     [this](const ListItem* a, const ListItem* b) { return sortLess(a, b); });
    reorder(std::move(order));
}

void ListViewPrivate::cellChanged(const ListItem* it, int column, int role)
{
    // A number below staleFrom is exact; above it the row may have moved, and
    // a repaint shows the change without renumbering every row.
    if (it->row_ >= staleFrom) {
        if (committed > 0)
            active()->viewport()->update();
        return;
    }
    if (it->row_ >= committed || column >= columnCount())
        return;
    const QModelIndex ix = model->index(it->row_, column);
    if (role < 0)
        emit model->dataChanged(ix, ix);
    else
        emit model->dataChanged(ix, ix, {role});
}

void ListViewPrivate::widenSelection()
{
    if (!sel->hasSelection())
        return;
    QItemSelection s;
    const int last = columnCount() - 1;
    for (const QItemSelectionRange& r : sel->selection())
        if (r.left() == 0 && r.right() < last)
            s.select(model->index(r.top(), 0), model->index(r.bottom(), last));
    if (!s.isEmpty())
        sel->select(s, QItemSelectionModel::Select);
}

void ListViewPrivate::applyColumns()
{
    applyingColumns = true;
    const int n = q->ColumnHeaders.Count();
    for (int c = 0; c < n; ++c) {
        const ColumnHeader* h = q->ColumnHeaders.Item(c + 1);
        const int px = toPx(h->Width());
        table->setColumnHidden(c, px == 0);
        if (px > 0)
            table->setColumnWidth(c, px);
    }
    if (n == 0)
        table->setColumnHidden(0, false);
    applyingColumns = false;
}

void ListViewPrivate::applyView()
{
    switch (q->view_) {
    case 0:
        list->setViewMode(QListView::IconMode);
        list->setFlow(QListView::LeftToRight);
        list->setWrapping(true);
        list->setIconSize(QSize(32, 32));
        break;
    case 1:
        list->setViewMode(QListView::ListMode);
        list->setFlow(QListView::LeftToRight);
        list->setWrapping(true);
        list->setIconSize(QSize());
        break;
    case 2:
        list->setViewMode(QListView::ListMode);
        list->setFlow(QListView::TopToBottom);
        list->setWrapping(true);
        list->setIconSize(QSize());
        break;
    default:
        break;
    }
    list->setMovement(QListView::Static);
    list->setResizeMode(QListView::Adjust);
    list->setUniformItemSizes(true);
    list->setLayoutMode(QListView::Batched);
    list->setBatchSize(500);
    fitListColumns();
    QAbstractItemView* v = active();
    const bool hadFocus = host->hasFocus() || table->hasFocus() || list->hasFocus();
    stack->setCurrentWidget(v);
    host->setFocusProxy(v);
    if (hadFocus)
        v->setFocus();
    const QModelIndex cur = sel->currentIndex();
    if (cur.isValid())
        v->scrollTo(cur);
}

void ListViewPrivate::measureName(const std::string& text)
{
    const int w = QFontMetrics(list->font()).horizontalAdvance(qs(text));
    if (w > widestText) {
        widestText = w;
        fitListColumns();
    }
}

void ListViewPrivate::measureNames(int from, int to)
{
    const QFontMetrics fm(list->font());
    const int before = widestText;
    for (int i = std::max(0, from); i < to && i < static_cast<int>(rows.size()); ++i)
        widestText = std::max(widestText, fm.horizontalAdvance(qs(rows[static_cast<size_t>(i)]->Text())));
    if (widestText != before)
        fitListColumns();
}

void ListViewPrivate::fitListColumns()
{
    if (q->view_ != 2 || committed == 0) {
        if (list->gridSize().isValid())
            list->setGridSize(QSize());
        return;
    }
    // What a row needs besides its text (icon, check box, margins), from the
    // first row's own size.
    const QModelIndex first = model->index(0, 0);
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.font = list->font();
    option.features |= QStyleOptionViewItem::HasDisplay;
    const QSize hint = list->itemDelegate()->sizeHint(option, first);
    const int firstText = QFontMetrics(list->font()).horizontalAdvance(first.data(Qt::DisplayRole).toString());
    const int extra = std::max(0, hint.width() - firstText);
    const int room = std::max(1, list->viewport()->width() - 2 * list->spacing() - 4);
    const QSize cell(std::min(widestText + extra + 12, room), std::max(1, hint.height()));
    if (list->gridSize() != cell)
        list->setGridSize(cell);
}

void ListViewPrivate::applyPalette()
{
    for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(table), static_cast<QAbstractItemView*>(list)}) {
        QPalette pal = v->palette();
        const long back = q->BackColor();
        const long fore = q->ForeColor();
        pal.setColor(QPalette::Base, formsp::toQColor(back));
        pal.setColor(QPalette::Text, formsp::toQColor(fore));
        if (!q->hideSelection_) {
            pal.setColor(QPalette::Inactive, QPalette::Highlight,
                         pal.color(QPalette::Active, QPalette::Highlight));
            pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         pal.color(QPalette::Active, QPalette::HighlightedText));
        } else {
            QPalette def = host->palette();
            pal.setColor(QPalette::Inactive, QPalette::Highlight,
                         def.color(QPalette::Inactive, QPalette::Highlight));
            pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         def.color(QPalette::Inactive, QPalette::HighlightedText));
        }
        v->setPalette(pal);
    }
    const int h = QFontMetrics(host->font()).height() + 4;
    table->verticalHeader()->setMinimumSectionSize(1);
    table->verticalHeader()->setDefaultSectionSize(std::max(h, 18));
}

void ListViewPrivate::iconsChanged()
{
    iconCache.clear();
    iconBox.clear();
    fitListColumns();
    table->viewport()->update();
    list->viewport()->update();
    if (committed > 0 && q->view_ != 3)
        list->doItemsLayout();
}

QSize ListViewPrivate::boxFor(const ImageList* il)
{
    auto f = iconBox.find(il);
    if (f != iconBox.end())
        return f->second;
    QSize box(il->ImageWidth(), il->ImageHeight());
    if (box.width() <= 0 || box.height() <= 0) {
        int w = 0, h = 0;
        auto& imgs = const_cast<ImageList*>(il)->ListImages;
        for (int i = 1; i <= imgs.Count(); ++i) {
            const StdPicture& p = imgs.Item(i)->Picture();
            w = std::max(w, p.pixelWidth());
            h = std::max(h, p.pixelHeight());
        }
        if (box.width() <= 0)
            box.setWidth(w);
        if (box.height() <= 0)
            box.setHeight(h);
    }
    iconBox[il] = box;
    return box;
}

QVariant ListViewPrivate::decoration(const ListItem& it)
{
    const bool large = q->view_ == 0 && q->icons_;
    const ImageList* il = large ? q->icons_ : q->smallIcons_;
    if (!il)
        return {};
    const std::string& key = large ? it.icon_ : it.smallIcon_;
    const auto ck = std::make_pair(il, key);
    auto f = iconCache.find(ck);
    if (f != iconCache.end())
        return f->second;
    const QSize box = boxFor(il);
    QPixmap pm;
    if (box.width() > 0 && box.height() > 0) {
        QImage canvas(box, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        if (!key.empty()) {
            if (ListImage* li = const_cast<ImageList*>(il)->ListImages.Item(key)) {
                QImage img = li->Picture().image();
                if (!img.isNull()) {
                    if (img.width() > box.width() || img.height() > box.height()
                        || (il->ImageWidth() > 0 && il->ImageHeight() > 0))
                        img = img.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
                    QPainter p(&canvas);
                    p.drawImage((box.width() - img.width()) / 2, (box.height() - img.height()) / 2, img);
                }
            }
        }
        pm = QPixmap::fromImage(canvas);
    }
    iconCache[ck] = pm;
    if (pm.isNull())
        return {};
    return pm;
}

// ---------------------------------------------------------------- ImageList

ListImage& ListImages::Add(int index, const std::string& key, const StdPicture& picture)
{
    auto img = std::make_unique<ListImage>();
    img->key_ = key;
    img->picture_ = std::make_shared<StdPicture>(picture);
    ListImage& ref = *img;
    if (index >= 1 && index <= Count())
        items_.insert(items_.begin() + (index - 1), std::move(img));
    else
        items_.push_back(std::move(img));
    renumber();
    owner_->changed();
    return ref;
}

ListImage* ListImages::Item(int index)
{
    if (index < 1 || index > Count())
        return nullptr;
    return items_[static_cast<size_t>(index - 1)].get();
}

ListImage* ListImages::Item(const std::string& key)
{
    for (auto& i : items_)
        if (i->key_ == key)
            return i.get();
    return nullptr;
}

void ListImages::Remove(int index)
{
    if (index < 1 || index > Count())
        return;
    items_.erase(items_.begin() + (index - 1));
    renumber();
    owner_->changed();
}

void ListImages::Remove(const std::string& key)
{
    if (ListImage* i = Item(key))
        Remove(i->Index());
}

void ListImages::Clear()
{
    items_.clear();
    owner_->changed();
}

void ListImages::renumber()
{
    for (size_t i = 0; i < items_.size(); ++i)
        items_[i]->index_ = static_cast<int>(i + 1);
}

ImageList::ImageList(Container*) {}

ImageList::~ImageList()
{
    const auto views = views_;
    for (ListView* v : views) {
        if (v->SmallIcons() == this)
            v->setSmallIcons(nullptr);
        if (v->Icons() == this)
            v->setIcons(nullptr);
    }
}

void ImageList::setImageWidth(int px)
{
    imageWidth_ = std::max(0, px);
    changed();
}

void ImageList::setImageHeight(int px)
{
    imageHeight_ = std::max(0, px);
    changed();
}

void ImageList::attach(ListView* view)
{
    if (std::find(views_.begin(), views_.end(), view) == views_.end())
        views_.push_back(view);
}

void ImageList::detach(ListView* view)
{
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

void ImageList::changed()
{
    for (ListView* v : views_)
        v->p_->iconsChanged();
}

// ---------------------------------------------------------------- columns

void ColumnHeader::setText(const std::string& t)
{
    text_ = t;
    if (owner_)
        emit owner_->p_->model->headerDataChanged(Qt::Horizontal, index_ - 1, index_ - 1);
}

void ColumnHeader::setWidth(float twips)
{
    width_ = twips > 0 ? twips : 0;
    if (owner_)
        owner_->p_->applyColumns();
}

void ColumnHeader::setAlignment(int a)
{
    alignment_ = (a == 1 || a == 2) ? a : 0;
    if (!owner_)
        return;
    ListViewPrivate* d = owner_->p_.get();
    emit d->model->headerDataChanged(Qt::Horizontal, index_ - 1, index_ - 1);
    if (d->committed > 0 && index_ - 1 < d->columnCount())
        emit d->model->dataChanged(d->model->index(0, index_ - 1),
                                   d->model->index(d->committed - 1, index_ - 1),
                                   {Qt::TextAlignmentRole});
}

ColumnHeader& ColumnHeaders::Add(int index, const std::string& key, const std::string& text,
                                 float width, int alignment)
{
    ListViewPrivate* d = owner_->p_.get();
    auto h = std::make_unique<ColumnHeader>();
    h->owner_ = owner_;
    h->key_ = key;
    h->text_ = text;
    h->width_ = width < 0 ? 1440.0f : width;
    h->alignment_ = (alignment == 1 || alignment == 2) ? alignment : 0;
    ColumnHeader& ref = *h;
    const int oldCols = d->columnCount();
    const bool grows = Count() >= 1;   // the first header takes the one column shown without headers
    if (grows)
        d->model->beginInsertColumns({}, oldCols, oldCols);
    if (index >= 1 && index <= Count())
        items_.insert(items_.begin() + (index - 1), std::move(h));
    else
        items_.push_back(std::move(h));
    renumber();
    if (grows) {
        d->model->endInsertColumns();
        d->widenSelection();
    }
    emit d->model->headerDataChanged(Qt::Horizontal, 0, d->columnCount() - 1);
    if (ref.index_ < Count() && d->committed > 0)
        emit d->model->dataChanged(d->model->index(0, 0),
                                   d->model->index(d->committed - 1, d->columnCount() - 1));
    d->applyColumns();
    return ref;
}

ColumnHeader* ColumnHeaders::Item(int index)
{
    if (index < 1 || index > Count())
        return nullptr;
    return items_[static_cast<size_t>(index - 1)].get();
}

ColumnHeader* ColumnHeaders::Item(const std::string& key)
{
    for (auto& h : items_)
        if (h->key_ == key)
            return h.get();
    return nullptr;
}

void ColumnHeaders::Remove(int index)
{
    if (index < 1 || index > Count())
        return;
    ListViewPrivate* d = owner_->p_.get();
    const bool shrinks = Count() >= 2;
    const int last = d->columnCount() - 1;
    if (shrinks)
        d->model->beginRemoveColumns({}, last, last);
    items_.erase(items_.begin() + (index - 1));
    renumber();
    if (shrinks)
        d->model->endRemoveColumns();
    emit d->model->headerDataChanged(Qt::Horizontal, 0, d->columnCount() - 1);
    if (d->committed > 0)
        emit d->model->dataChanged(d->model->index(0, 0),
                                   d->model->index(d->committed - 1, d->columnCount() - 1));
    d->applyColumns();
}

void ColumnHeaders::Clear()
{
    if (items_.empty())
        return;
    ListViewPrivate* d = owner_->p_.get();
    const int cols = d->columnCount();
    // Column 0 stays (it shows the rows' Text), so the selection survives.
    if (cols > 1)
        d->model->beginRemoveColumns({}, 1, cols - 1);
    items_.clear();
    if (cols > 1)
        d->model->endRemoveColumns();
    emit d->model->headerDataChanged(Qt::Horizontal, 0, 0);
    d->applyColumns();
}

void ColumnHeaders::renumber()
{
    for (size_t i = 0; i < items_.size(); ++i)
        items_[i]->index_ = static_cast<int>(i + 1);
}

// ---------------------------------------------------------------- rows

void ListItem::setText(const std::string& t)
{
    texts_[0] = t;
    if (sortTextColumn_ == 0)
        sortTextColumn_ = -1;
    if (owner_) {
        ListViewPrivate* d = owner_->p_.get();
        d->cellChanged(this, 0, Qt::DisplayRole);
        // A row not shown yet is measured again when it is; measuring twice
        // changes nothing.
        d->measureName(t);
    }
}

std::string ListItem::SubItems(int j) const
{
    if (j < 1 || static_cast<size_t>(j) >= texts_.size())
        return {};
    return texts_[static_cast<size_t>(j)];
}

void ListItem::setSubItems(int j, const std::string& t)
{
    setSubItems(j, std::string(t));
}

void ListItem::setSubItems(int j, std::string&& t)
{
    if (j < 1)
        return;
    const auto k = static_cast<size_t>(j);
    if (k >= texts_.size()) {
        if (t.empty())
            return;
        texts_.resize(k + 1);
    }
    texts_[k] = std::move(t);
    if (sortTextColumn_ == j)
        sortTextColumn_ = -1;
    if (owner_)
        owner_->p_->cellChanged(this, j, Qt::DisplayRole);
}

void ListItem::setSmallIcon(const std::string& key)
{
    smallIcon_ = key;
    if (owner_)
        owner_->p_->cellChanged(this, 0, Qt::DecorationRole);
}

void ListItem::setIcon(const std::string& key)
{
    icon_ = key;
    if (owner_)
        owner_->p_->cellChanged(this, 0, Qt::DecorationRole);
}

void ListItem::setChecked(bool c)
{
    if (checked_ == c)
        return;
    checked_ = c;
    if (owner_)
        owner_->p_->cellChanged(this, 0, Qt::CheckStateRole);
}

bool ListItem::Selected() const
{
    if (!owner_)
        return false;
    ListViewPrivate* d = owner_->p_.get();
    d->commit();
    const QModelIndex ix = d->indexOf(this);
    return ix.isValid() && d->sel->isSelected(ix);
}

void ListItem::setSelected(bool s)
{
    if (!owner_)
        return;
    ListViewPrivate* d = owner_->p_.get();
    d->commit();
    const QModelIndex ix = d->indexOf(this);
    if (!ix.isValid())
        return;
    if (s) {
        const auto flags = owner_->multiSelect_
            ? QItemSelectionModel::Select | QItemSelectionModel::Rows
            : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
        // The list stays scrolled where it is (a select-all walk ends on the
        // last row and must not carry the view there); EnsureVisible scrolls.
        const bool tableScrolls = d->table->hasAutoScroll(), listScrolls = d->list->hasAutoScroll();
        d->table->setAutoScroll(false);
        d->list->setAutoScroll(false);
        d->sel->setCurrentIndex(ix, flags);
        d->table->setAutoScroll(tableScrolls);
        d->list->setAutoScroll(listScrolls);
    } else {
        d->sel->select(ix, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    }
}

int ListItem::Index() const
{
    if (owner_) {
        owner_->p_->commit();
        owner_->p_->ensureNumbers();
    }
    return row_ + 1;
}

void ListItem::EnsureVisible()
{
    if (!owner_)
        return;
    ListViewPrivate* d = owner_->p_.get();
    d->commit();
    const QModelIndex ix = d->indexOf(this);
    if (ix.isValid())
        d->active()->scrollTo(ix);
}

ListItem& ListItems::Add(int index, const std::string& key, const std::string& text,
                         const std::string& icon, const std::string& smallIcon)
{
    ListViewPrivate* d = owner_->p_.get();
    auto it = std::make_unique<ListItem>();
    it->owner_ = owner_;
    it->key_ = key;
    it->texts_[0] = text;
    it->icon_ = icon;
    it->smallIcon_ = smallIcon;
    ListItem& ref = *it;
    const int n = Count();
    if (index >= 1 && index <= n) {
        d->commit();
        const int row = index - 1;
        d->model->beginInsertRows({}, row, row);
        d->rows.insert(d->rows.begin() + row, std::move(it));
        ++d->committed;
        d->renumber(row);
        d->model->endInsertRows();
        return ref;
    }
    ref.row_ = n;
    if (d->staleFrom == n)
        d->staleFrom = n + 1;
    d->rows.push_back(std::move(it));
    if (owner_->sorted_)
        d->tailToPlace = true;
    d->queueCommit();
    return ref;
}

int ListItems::Count() const
{
    return static_cast<int>(owner_->p_->rows.size());
}

ListItem* ListItems::Item(int index)
{
    ListViewPrivate* d = owner_->p_.get();
    if (index < 1 || index > Count())
        return nullptr;
    d->commit();
    return d->rows[static_cast<size_t>(index - 1)].get();
}

ListItem* ListItems::Item(const std::string& key)
{
    ListViewPrivate* d = owner_->p_.get();
    d->commit();
    for (auto& r : d->rows)
        if (r->key_ == key)
            return r.get();
    return nullptr;
}

ListItem& ListItems::operator()(int index)
{
    ListItem* it = Item(index);
    if (!it)
        throw std::out_of_range("list row " + std::to_string(index) + " does not exist");
    return *it;
}

void ListItems::Remove(int index)
{
    ListViewPrivate* d = owner_->p_.get();
    if (index < 1 || index > Count())
        return;
    d->commit();
    const int row = index - 1;
    // The old list leaves no row selected when the selected one goes; the
    // views would otherwise move the selection onto a neighbour.
    const QModelIndex cur = d->sel->currentIndex();
    if (cur.isValid() && cur.row() == row) {
        d->sel->select(cur, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        d->sel->clearCurrentIndex();
    }
    d->model->beginRemoveRows({}, row, row);
    d->rows.erase(d->rows.begin() + row);
    --d->committed;
    d->renumber(row);
    d->model->endRemoveRows();
}

void ListItems::Clear()
{
    ListViewPrivate* d = owner_->p_.get();
    if (d->rows.empty())
        return;
    d->model->beginResetModel();
    d->rows.clear();
    d->committed = 0;
    d->tailToPlace = false;
    d->staleFrom = 0;
    d->model->endResetModel();
    d->widestText = 0;
    d->fitListColumns();
}

// ---------------------------------------------------------------- ListView

ListView::ListView(Container* parent)
    : Control(parent, new QWidget), p_(std::make_unique<ListViewPrivate>())
{
    ListViewPrivate* d = p_.get();
    d->q = this;
    d->host = widget();
    d->timerContext = std::make_unique<QObject>();
    d->stack = new QStackedLayout(d->host);
    d->stack->setContentsMargins(0, 0, 0, 0);
    d->model = new LvModel(d);
    d->model->setParent(d->host);
    d->table = new LvTable(d);
    d->list = new LvList(d);
    d->table->setModel(d->model);
    d->list->setModel(d->model);
    d->sel = d->table->selectionModel();
    QItemSelectionModel* own = d->list->selectionModel();
    d->list->setSelectionModel(d->sel);
    delete own;

    for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(d->table), static_cast<QAbstractItemView*>(d->list)}) {
        v->setItemDelegate(new LvDelegate(d, v));
        v->setSelectionBehavior(QAbstractItemView::SelectRows);
        v->setSelectionMode(QAbstractItemView::SingleSelection);
        v->setEditTriggers(QAbstractItemView::NoEditTriggers);
        v->setTextElideMode(Qt::ElideRight);
        v->setTabKeyNavigation(false);
        v->setDragEnabled(false);
        d->stack->addWidget(v);
        hookWidget(v);
        hookWidget(v->viewport());
    }
    d->resizeWatch = std::make_unique<ResizeWatch>([d] { d->fitListColumns(); });
    d->list->viewport()->installEventFilter(d->resizeWatch.get());
    QTableView* t = d->table;
    t->setShowGrid(false);
    t->setWordWrap(false);
    t->setCornerButtonEnabled(false);
    t->setSortingEnabled(false);
    t->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    t->verticalHeader()->hide();
    t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* hh = t->horizontalHeader();
    hh->setSectionsClickable(true);
    hh->setHighlightSections(false);
    hh->setStretchLastSection(false);
    hh->setSectionResizeMode(QHeaderView::Interactive);
    hh->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QObject::connect(hh, &QHeaderView::sectionClicked, d->timerContext.get(), [this](int logical) {
        if (ColumnHeader* h = ColumnHeaders.Item(logical + 1); h && columnClick_)
            columnClick_(*h);
    });
    QObject::connect(hh, &QHeaderView::sectionResized, d->timerContext.get(),
                     [this](int logical, int, int newSize) {
                         if (p_->applyingColumns)
                             return;
                         if (ColumnHeader* h = ColumnHeaders.Item(logical + 1))
                             h->width_ = float(newSize) * kTwipsPerPixel;
                     });
    d->applyView();
    // The old list's colours: window background and window text.
    setBackColor(0x80000005);
    setForeColor(0x80000008);
}

ListView::~ListView()
{
    if (smallIcons_)
        smallIcons_->detach(this);
    if (icons_ && icons_ != smallIcons_)
        icons_->detach(this);
    // The views go before the rows they show; nothing they raise on the way
    // reaches the window's handlers.
    formsp::BlockEvents block;
    ListViewPrivate* d = p_.get();
    d->timerContext.reset();
    delete d->table;
    delete d->list;
    delete d->model;
    d->rows.clear();
}

ListItem* ListView::SelectedItem()
{
    ListViewPrivate* d = p_.get();
    d->commit();
    const QModelIndex cur = d->sel->currentIndex();
    if (cur.isValid() && d->sel->isSelected(d->model->index(cur.row(), 0)))
        return d->itemAt(cur);
    int best = -1;
    for (const QItemSelectionRange& r : d->sel->selection()) {
        if (r.left() == 0 && (best < 0 || r.top() < best))
            best = r.top();
    }
    return best >= 0 ? d->itemAt(d->model->index(best, 0)) : nullptr;
}

void ListView::setSelectedItem(ListItem* item)
{
    if (!item || item->owner_ != this) {
        p_->sel->clearSelection();
        return;
    }
    item->setSelected(true);
}

void ListView::setView(int v)
{
    if (v < 0 || v > 3)
        v = 3;
    view_ = v;
    p_->iconCache.clear();
    p_->applyView();
}

void ListView::setGridLines(bool on)
{
    gridLines_ = on;
    p_->table->setShowGrid(on);
}

void ListView::setCheckboxes(bool on)
{
    if (checkboxes_ == on)
        return;
    checkboxes_ = on;
    ListViewPrivate* d = p_.get();
    d->commit();
    // The check boxes change the rows' size: the views lay the rows out anew.
    emit d->model->layoutAboutToBeChanged();
    emit d->model->layoutChanged();
    d->fitListColumns();
}

void ListView::setFullRowSelect(bool on)
{
    fullRowSelect_ = on;
    p_->table->viewport()->update();
}

void ListView::setMultiSelect(bool on)
{
    multiSelect_ = on;
    const auto mode = on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection;
    p_->table->setSelectionMode(mode);
    p_->list->setSelectionMode(mode);
    if (!on) {
        // Keep only the current row selected.
        ListItem* keep = SelectedItem();
        if (keep)
            keep->setSelected(true);
    }
}

void ListView::setHideSelection(bool on)
{
    hideSelection_ = on;
    p_->applyPalette();
}

void ListView::setHideColumnHeaders(bool on)
{
    hideColumnHeaders_ = on;
    p_->table->horizontalHeader()->setVisible(!on);
}

void ListView::setSorted(bool on)
{
    sorted_ = on;
    if (on)
        p_->sortAll();
}

void ListView::setSmallIcons(ImageList* list)
{
    if (smallIcons_ == list)
        return;
    if (smallIcons_ && smallIcons_ != icons_)
        smallIcons_->detach(this);
    smallIcons_ = list;
    if (list)
        list->attach(this);
    p_->iconsChanged();
}

void ListView::setIcons(ImageList* list)
{
    if (icons_ == list)
        return;
    if (icons_ && icons_ != smallIcons_)
        icons_->detach(this);
    icons_ = list;
    if (list)
        list->attach(this);
    p_->iconsChanged();
}

ListItem* ListView::HitTest(float x, float y)
{
    ListViewPrivate* d = p_.get();
    d->commit();
    QAbstractItemView* v = d->active();
    const QPoint hostPt(static_cast<int>(std::floor(x / kTwipsPerPixel)),
                        static_cast<int>(std::floor(y / kTwipsPerPixel)));
    const QPoint vp = v->viewport()->mapFrom(d->host, hostPt);
    if (!v->viewport()->rect().contains(vp))
        return nullptr;
    return d->itemAt(v->indexAt(vp));
}

void ListView::BeginUpdate()
{
    if (p_->updateDepth++ == 0)
        p_->host->setUpdatesEnabled(false);
}

void ListView::EndUpdate()
{
    if (p_->updateDepth == 0)
        return;
    if (--p_->updateDepth == 0) {
        p_->commit();
        p_->host->setUpdatesEnabled(true);
    }
}

QWidget* ListView::activeView() const
{
    return p_->active();
}

bool ListView::dblClickAt(const QWidget* inner, const QPoint& pos) const
{
    if (inner == p_->table->viewport())
        return !static_cast<const LvTable*>(p_->table)->onTickBox(pos);
    if (inner == p_->list->viewport())
        return !static_cast<const LvList*>(p_->list)->onTickBox(pos);
    return true;
}

void ListView::appearanceChanged()
{
    p_->applyPalette();
    // Another font: the names take another width.
    p_->widestText = 0;
    p_->measureNames(0, p_->committed);
    p_->fitListColumns();
}
