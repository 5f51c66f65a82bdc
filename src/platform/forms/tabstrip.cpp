#include "platform/forms/tabstrip.h"

#include "platform/forms/widgets_p.h"

#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

using formsp::qs;
using formsp::ss;

// One tab's page: a plain widget inside the tab control, and the container
// its controls are placed in.
class SSTab::Page : public Container {
public:
    Page(SSTab* owner, QWidget* w) : owner_(owner), widget_(w) {}
    QWidget* clientWidget() const override { return widget_; }
    Form* parentForm() override { return owner_->form(); }

private:
    SSTab* owner_;
    QWidget* widget_;
};

SSTab::SSTab(Container* parent, int tabs) : Control(parent, new QTabWidget)
{
    auto* tw = static_cast<QTabWidget*>(widget());
    tw->setDocumentMode(false);
    tw->setUsesScrollButtons(true);
    hookWidget(tw->tabBar());
    if (tabs < 1)
        tabs = 1;
    updating_ = true;
    for (int i = 0; i < tabs; ++i)
        addPage();
    tw->setCurrentIndex(0);
    updating_ = false;
    shownCount_ = tabs;
    QObject::connect(tw, &QTabWidget::currentChanged, tw, [this](int i) {
        if (updating_ || i < 0 || i == tab_)
            return;
        const int previous = tab_;
        tab_ = i;
        if (tabClick_)
            tabClick_(previous);
    });
}

SSTab::~SSTab() = default;

void SSTab::addPage()
{
    auto* tw = static_cast<QTabWidget*>(widget());
    auto* w = new QWidget;
    w->setAutoFillBackground(false);
    const int n = static_cast<int>(pages_.size());
    // The old control named its tabs "Tab 0", "Tab 1", ... until captioned.
    tw->addTab(w, QStringLiteral("Tab %1").arg(n));
    pages_.push_back(std::make_unique<Page>(this, w));
    hidden_.push_back(false);
}

Container* SSTab::page(int i)
{
    if (i < 0 || i >= static_cast<int>(pages_.size()))
        return nullptr;
    return pages_[static_cast<size_t>(i)].get();
}

void SSTab::setTab(int i)
{
    if (i < 0 || i >= Tabs() || i == tab_)
        return;
    auto* tw = static_cast<QTabWidget*>(widget());
    // A hidden or disabled tab can still be shown from code, as before.
    updating_ = true;
    tw->setTabVisible(i, true);
    hidden_[static_cast<size_t>(i)] = false;
    tw->setCurrentIndex(i);
    updating_ = false;
    const int previous = tab_;
    tab_ = i;
    if (tabClick_)
        tabClick_(previous);
}

void SSTab::setTabs(int n)
{
    if (n < 1)
        n = 1;
    auto* tw = static_cast<QTabWidget*>(widget());
    updating_ = true;
    while (static_cast<int>(pages_.size()) < n)
        addPage();
    for (int i = 0; i < static_cast<int>(pages_.size()); ++i) {
        const bool show = i < n && !hidden_[static_cast<size_t>(i)];
        tw->setTabVisible(i, show);
    }
    shownCount_ = n;
    updating_ = false;
    if (tab_ >= n)
        setTab(n - 1);
}

std::string SSTab::TabCaption(int i) const
{
    if (i < 0 || i >= Tabs())
        return {};
    return ss(static_cast<QTabWidget*>(widget())->tabText(i));
}

void SSTab::setTabCaption(int i, const std::string& caption)
{
    if (i < 0 || i >= Tabs())
        return;
    static_cast<QTabWidget*>(widget())->setTabText(i, qs(caption));
}

bool SSTab::TabVisible(int i) const
{
    if (i < 0 || i >= Tabs())
        return false;
    return !hidden_[static_cast<size_t>(i)];
}

void SSTab::setTabVisible(int i, bool v)
{
    if (i < 0 || i >= Tabs())
        return;
    hidden_[static_cast<size_t>(i)] = !v;
    updating_ = true;
    static_cast<QTabWidget*>(widget())->setTabVisible(i, v && i < shownCount_);
    updating_ = false;
    // Qt moves to another tab when the shown one is hidden: follow it.
    const int now = static_cast<QTabWidget*>(widget())->currentIndex();
    if (now >= 0 && now != tab_) {
        const int previous = tab_;
        tab_ = now;
        if (tabClick_)
            tabClick_(previous);
    }
}

bool SSTab::TabEnabled(int i) const
{
    if (i < 0 || i >= Tabs())
        return false;
    return static_cast<QTabWidget*>(widget())->isTabEnabled(i);
}

void SSTab::setTabEnabled(int i, bool e)
{
    if (i < 0 || i >= Tabs())
        return;
    static_cast<QTabWidget*>(widget())->setTabEnabled(i, e);
}
