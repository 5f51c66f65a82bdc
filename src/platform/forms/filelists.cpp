#include "platform/forms/filelists.h"

#include "platform/files/paths.h"
#include "platform/forms/widgets_p.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QPointer>
#include <QStorageInfo>
#include <QStyle>
#include <QTimer>
#include <QTextDocument>
#include <QTreeWidget>

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>
#include <unistd.h>
#include <pwd.h>

using formsp::qs;
using formsp::ss;

namespace {

// Default look of the old list controls: window background, window text.
constexpr long kWindowBack = 0x80000005;
constexpr long kWindowText = 0x80000008;

std::string withoutTrailingSlash(std::string p)
{
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

std::string home()
{
    return withoutTrailingSlash(paths::homeFolder());
}

// "c:", "C:\Music", "d:x": a path of the old system.
bool isDriveForm(const std::string& p)
{
    return p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
}

// Absolute, "." and ".." resolved, no trailing "/" (except "/"); "" for the
// drive form and for an empty text.
std::string normalizeFolder(std::string p, const std::string& base)
{
    if (p.empty() || isDriveForm(p))
        return {};
    std::replace(p.begin(), p.end(), '\\', '/');
    if (p[0] == '~' && (p.size() == 1 || p[1] == '/'))
        p = home() + p.substr(1);
    else if (p[0] != '/')
        p = (base.empty() ? home() : base) + "/" + p;
    return withoutTrailingSlash(ss(QDir::cleanPath(qs(p))));
}

bool holds(const std::string& root, const std::string& path)
{
    if (root == "/")
        return !path.empty() && path[0] == '/';
    return path.compare(0, root.size(), root) == 0 && (path.size() == root.size() || path[root.size()] == '/');
}

std::string userName()
{
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        return pw->pw_name;
    if (const char* u = std::getenv("USER"))
        return u;
    return {};
}

} // namespace

// ---------------------------------------------------------------- DriveListBox

namespace {
// Reads the places again each time the user opens the list.
class DriveCombo : public QComboBox {
public:
    std::function<void()> beforePopup;

protected:
    void showPopup() override
    {
        if (beforePopup)
            beforePopup();
        QComboBox::showPopup();
    }
};
} // namespace

DriveListBox::DriveListBox(Container* parent) : Control(parent, new DriveCombo)
{
    auto* combo = static_cast<DriveCombo*>(widget());
    combo->setEditable(false);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(8);
    setBackColor(kWindowBack);
    setForeColor(kWindowText);
    combo->beforePopup = [this] { refreshDrives(); };
    QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [this](int i) {
        if (!filling_)
            choose(i, true);
    });
    roots_ = systemRoots();
    fill();
    // Start on the home folder, the old lists' "c:".
    const std::string h = pickRoot(roots_, home(), home());
    const auto it = std::find(roots_.begin(), roots_.end(), h);
    choose(it == roots_.end() ? (roots_.empty() ? -1 : 0) : static_cast<int>(it - roots_.begin()), false);
}

DriveListBox::~DriveListBox() = default;

std::vector<std::string> DriveListBox::systemRoots()
{
    std::vector<std::string> roots{"/"};
    const std::string h = home();
    if (h != "/")
        roots.push_back(h);
    const std::string user = userName();
    std::vector<std::string> media;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady())
            continue;
        const std::string r = withoutTrailingSlash(ss(v.rootPath()));
        const bool isMedia = r.rfind("/media/", 0) == 0 || r.rfind("/mnt/", 0) == 0
            || (!user.empty() && r.rfind("/run/media/" + user + "/", 0) == 0);
        if (isMedia && std::find(roots.begin(), roots.end(), r) == roots.end()
            && std::find(media.begin(), media.end(), r) == media.end())
            media.push_back(r);
    }
    std::sort(media.begin(), media.end());
    roots.insert(roots.end(), media.begin(), media.end());
    return roots;
}

std::string DriveListBox::pickRoot(const std::vector<std::string>& roots, const std::string& path,
                                   const std::string& homePath)
{
    std::string p = normalizeFolder(path, homePath);
    if (p.empty())
        p = withoutTrailingSlash(homePath);
    std::string best;
    for (const std::string& r : roots) {
        if (holds(r, p) && r.size() > best.size())
            best = r;
    }
    return best;
}

void DriveListBox::fill()
{
    auto* combo = static_cast<QComboBox*>(widget());
    filling_ = true;
    combo->clear();
    const std::string h = home();
    QStyle* st = combo->style();
    for (const std::string& r : roots_) {
        QString label;
        QIcon icon;
        if (r == "/") {
            label = QStringLiteral("/");
            icon = st->standardIcon(QStyle::SP_DriveHDIcon);
        } else if (r == h) {
            label = qs(r);
            icon = st->standardIcon(QStyle::SP_DirHomeIcon);
        } else {
            label = qs(r);
            icon = st->standardIcon(QStyle::SP_DriveFDIcon);
        }
        combo->addItem(icon, label);
    }
    combo->setCurrentIndex(index_);
    filling_ = false;
}

void DriveListBox::choose(int i, bool fire)
{
    if (i < -1 || i >= ListCount())
        return;
    auto* combo = static_cast<QComboBox*>(widget());
    if (combo->currentIndex() != i) {
        filling_ = true;
        combo->setCurrentIndex(i);
        filling_ = false;
    }
    if (i == index_)
        return;
    index_ = i;
    if (fire && change_)
        change_();
}

std::string DriveListBox::Drive() const
{
    return List(index_);
}

void DriveListBox::setDrive(const std::string& path)
{
    const std::string r = pickRoot(roots_, path, home());
    const auto it = std::find(roots_.begin(), roots_.end(), r);
    if (it != roots_.end())
        choose(static_cast<int>(it - roots_.begin()), true);
}

std::string DriveListBox::List(int i) const
{
    if (i < 0 || i >= ListCount())
        return {};
    return roots_[static_cast<size_t>(i)];
}

void DriveListBox::setListIndex(int i)
{
    choose(i, true);
}

void DriveListBox::refreshDrives()
{
    const std::string current = Drive();
    auto fresh = systemRoots();
    if (fresh == roots_)
        return;
    roots_ = std::move(fresh);
    const auto it = std::find(roots_.begin(), roots_.end(), current);
    const int keep = it == roots_.end() ? -1 : static_cast<int>(it - roots_.begin());
    index_ = keep;
    fill();
    if (keep < 0) {
        // The chosen medium went away: fall back on the home folder.
        setDrive(home());
    }
}

// ---------------------------------------------------------------- DirListBox

namespace {
constexpr int kIndexRole = Qt::UserRole + 1;
}

DirListBox::DirListBox(Container* parent) : Control(parent, new QTreeWidget)
{
    auto* tree = static_cast<QTreeWidget*>(widget());
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    tree->setRootIsDecorated(false);
    tree->setItemsExpandable(false);
    tree->setExpandsOnDoubleClick(false);
    tree->setIndentation(12);
    tree->setUniformRowHeights(true);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setTextElideMode(Qt::ElideRight);
    hookWidget(tree->viewport());
    setBackColor(kWindowBack);
    setForeColor(kWindowText);

    QObject::connect(tree, &QTreeWidget::currentItemChanged, tree,
                     [this](QTreeWidgetItem* cur, QTreeWidgetItem*) {
                         if (filling_ || !cur)
                             return;
                         const int i = cur->data(0, kIndexRole).toInt();
                         if (i == listIndex_)
                             return;
                         listIndex_ = i;
                         fireClick();
                     });
    // Opening rebuilds the lines, so it waits until the view has finished
    // with the event that asked for it.
    QObject::connect(tree, &QTreeWidget::itemActivated, tree, [this, tree](QTreeWidgetItem* item, int) {
        if (!item)
            return;
        const int i = item->data(0, kIndexRole).toInt();
        QTimer::singleShot(0, tree, [this, i] { open(i); });
    });

    path_ = home();
    if (!paths::isFolder(path_))
        path_ = "/";
    fill();
}

DirListBox::~DirListBox() = default;

std::string DirListBox::List(int i) const
{
    if (i >= 0) {
        if (i >= ListCount())
            return {};
        return subfolders_[static_cast<size_t>(i)];
    }
    // -1 is Path, -2 its parent, ...
    const long pos = static_cast<long>(ancestors_.size()) + i;
    if (pos < 0)
        return {};
    return ancestors_[static_cast<size_t>(pos)];
}

bool DirListBox::setPath(const std::string& path)
{
    std::string p = normalizeFolder(path, path_);
    bool taken = !p.empty() && paths::isFolder(p);
    if (!taken) {
        p = home();
        if (!paths::isFolder(p))
            p = "/";
    }
    if (p == path_) {
        // Same folder: show its sub-folders as they are now.
        Refresh();
        return taken;
    }
    path_ = p;
    fill();
    if (change_)
        change_();
    return taken;
}

void DirListBox::setListIndex(int i)
{
    if (i < -static_cast<int>(ancestors_.size()) || i >= ListCount())
        return;
    auto* tree = static_cast<QTreeWidget*>(widget());
    QTreeWidgetItemIterator it(tree);
    for (; *it; ++it) {
        if ((*it)->data(0, kIndexRole).toInt() == i) {
            tree->setCurrentItem(*it);   // Click runs through currentItemChanged
            return;
        }
    }
}

void DirListBox::Refresh()
{
    fill();
    Control::Refresh();
}

void DirListBox::open(int listIndex)
{
    const std::string target = List(listIndex);
    if (!target.empty())
        setPath(target);
}

void DirListBox::fill()
{
    auto* tree = static_cast<QTreeWidget*>(widget());
    filling_ = true;
    ancestors_.clear();
    subfolders_.clear();
    ancestors_.push_back("/");
    if (path_ != "/") {
        std::string acc;
        size_t start = 1;
        while (start <= path_.size()) {
            const size_t slash = path_.find('/', start);
            const size_t end = slash == std::string::npos ? path_.size() : slash;
            if (end > start) {
                acc += "/" + path_.substr(start, end - start);
                ancestors_.push_back(acc);
            }
            start = end + 1;
        }
    }
    // Listed by their bytes: a folder whose name is not UTF-8 must still open.
    std::vector<std::pair<QString, std::string>> found;
    for (std::string& n : paths::listSubfolders(path_))
        found.emplace_back(qs(n), std::move(n));
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        const int c = a.first.toLower().localeAwareCompare(b.first.toLower());
        return c != 0 ? c < 0 : a.second < b.second;
    });
    QStringList names;
    const std::string prefix = path_ == "/" ? "/" : path_ + "/";
    for (auto& [shown, name] : found) {
        names.append(shown);
        subfolders_.push_back(prefix + name);
    }

    tree->clear();
    QStyle* st = tree->style();
    const QIcon openIcon = st->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = st->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem* parent = nullptr;
    const int depth = static_cast<int>(ancestors_.size());
    for (int k = 0; k < depth; ++k) {
        const std::string& a = ancestors_[static_cast<size_t>(k)];
        const QString label = a == "/" ? QStringLiteral("/") : qs(a.substr(a.rfind('/') + 1));
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        item->setText(0, label);
        item->setIcon(0, openIcon);
        item->setData(0, kIndexRole, k - depth);   // Path is -1
        // A tool tip is read as markup when it looks like markup: the folder's
        // name is shown as it is.
        item->setToolTip(0, Qt::convertFromPlainText(qs(a), Qt::WhiteSpaceNoWrap));
        parent = item;
    }
    QList<QTreeWidgetItem*> children;
    children.reserve(static_cast<qsizetype>(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, names[i]);
        item->setIcon(0, closedIcon);
        item->setData(0, kIndexRole, static_cast<int>(i));
        children.append(item);
    }
    parent->addChildren(children);
    tree->expandAll();
    tree->setCurrentItem(parent);
    tree->scrollToItem(parent);
    listIndex_ = -1;
    filling_ = false;
}
