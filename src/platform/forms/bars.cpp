// Scroll bars, progress bars, timers and menus.
#include "platform/forms/controls.h"

#include "platform/forms/form.h"
#include "platform/forms/widgets_p.h"

#include <QAction>
#include <QMenu>
#include <QProgressBar>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

using namespace formsp;

namespace formsp {
namespace {
bool g_popup = false;
}
bool popupRunning() { return g_popup; }
void setPopupRunning(bool on) { g_popup = on; }
} // namespace formsp

// ---------------------------------------------------------------- ScrollBar

ScrollBar::ScrollBar(Container* parent, bool horizontal)
    : Control(parent, new QScrollBar(horizontal ? Qt::Horizontal : Qt::Vertical))
{
    auto* s = static_cast<QScrollBar*>(widget());
    s->setFocusPolicy(Qt::StrongFocus);
    applyRange();
    QObject::connect(s, &QScrollBar::valueChanged, [this](int v) { widgetValueChanged(v); });
    QObject::connect(s, &QScrollBar::sliderPressed, [this] { dragStart_ = value_; });
    QObject::connect(s, &QScrollBar::sliderReleased, [this] { widgetSliderReleased(); });
    Move(0, 0, horizontal ? 1215 : 255, horizontal ? 255 : 1215);
}

void ScrollBar::applyRange()
{
    auto* s = static_cast<QScrollBar*>(widget());
    mute_ = true;
    // The old bars allowed Min above Max: the bar then runs the other way.
    s->setInvertedAppearance(min_ > max_);
    s->setInvertedControls(min_ > max_);
    s->setRange(std::min(min_, max_), std::max(min_, max_));
    s->setSingleStep(std::max(1, small_));
    s->setPageStep(std::max(1, large_));
    int lo = std::min(min_, max_), hi = std::max(min_, max_);
    value_ = std::clamp(value_, lo, hi);
    s->setValue(value_);
    mute_ = false;
}

void ScrollBar::setMin(int v)
{
    int old = value_;
    min_ = v;
    applyRange();
    if (value_ != old && change_) change_();
}

void ScrollBar::setMax(int v)
{
    int old = value_;
    max_ = v;
    applyRange();
    if (value_ != old && change_) change_();
}

bool ScrollBar::setValue(int v)
{
    if (v < std::min(min_, max_) || v > std::max(min_, max_)) return false;
    if (v == value_) return true;
    value_ = v;
    mute_ = true;
    static_cast<QScrollBar*>(widget())->setValue(v);
    mute_ = false;
    if (change_) change_();
    return true;
}

void ScrollBar::setSmallChange(int v)
{
    if (v < 0) return;
    small_ = v;
    applyRange();
}

void ScrollBar::setLargeChange(int v)
{
    if (v < 0) return;
    large_ = v;
    applyRange();
}

void ScrollBar::widgetValueChanged(int v)
{
    if (mute_ || v == value_) return;
    value_ = v;
    if (eventsBlocked() || (form() && form()->unloading())) return;
    if (static_cast<QScrollBar*>(widget())->isSliderDown()) {
        if (scroll_) scroll_();
    } else if (change_) {
        change_();
    }
}

void ScrollBar::widgetSliderReleased()
{
    if (eventsBlocked() || (form() && form()->unloading())) return;
    if (value_ != dragStart_ && change_) change_();
}

// ---------------------------------------------------------------- ProgressBar

namespace {
constexpr int kSteps = 10000;
}

ProgressBar::ProgressBar(Container* parent) : Control(parent, new QProgressBar)
{
    auto* p = static_cast<QProgressBar*>(widget());
    p->setTextVisible(false);
    p->setRange(0, kSteps);
    show();
    Move(0, 0, 1935, 255);
}

void ProgressBar::show()
{
    // The bar moves by whole pixels: a value set every 10 ms reaches the
    // widget (and its style and accessibility work) only when a pixel changes.
    auto* p = static_cast<QProgressBar*>(widget());
    const int pixels = std::clamp(p->width(), 1, kSteps);
    double span = max_ - min_;
    const long step = span > 0 ? std::lround((value_ - min_) / span * pixels) : 0;
    const int pos = static_cast<int>(step * kSteps / pixels);
    p->setValue(std::clamp(pos, 0, kSteps));
}

void ProgressBar::setMin(double v)
{
    if (!std::isfinite(v) || v >= max_) return;  // the old bar refused Min >= Max
    min_ = v;
    value_ = std::max(value_, min_);
    show();
}

void ProgressBar::setMax(double v)
{
    if (!std::isfinite(v) || v <= min_) return;
    max_ = v;
    value_ = std::min(value_, max_);
    show();
}

bool ProgressBar::setValue(double v)
{
    if (!std::isfinite(v) || v < min_ || v > max_) return false;
    value_ = v;
    show();
    return true;
}

// ---------------------------------------------------------------- Timer

Timer::Timer(Container* parent) : qt_(std::make_unique<QTimer>())
{
    Form* f = parent ? parent->parentForm() : nullptr;
    QObject::connect(qt_.get(), &QTimer::timeout, [this, f] {
        if (eventsBlocked() || (f && f->unloading())) return;
        fire();
    });
}

Timer::~Timer() = default;

void Timer::fire()
{
    // A tick arriving while the handler still runs (it called DoEvents) is
    // dropped rather than run inside it.
    if (running_) return;
    // Cleared however the handler ends, or every later tick would be dropped.
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(running_);
    if (timer_) timer_();
}

void Timer::apply()
{
    if (enabled_ && interval_ > 0) {
        qt_->setTimerType(interval_ < 100 ? Qt::PreciseTimer : Qt::CoarseTimer);
        qt_->start(interval_);
    } else {
        qt_->stop();
    }
}

void Timer::setInterval(int ms)
{
    if (ms < 0) return;
    interval_ = ms;
    apply();
}

void Timer::setEnabled(bool b)
{
    enabled_ = b;
    apply();
}

// ---------------------------------------------------------------- Menu

Menu::Menu(Form* form) : form_(form)
{
    action_ = new QAction;
    QObject::connect(action_, &QAction::triggered, [this] {
        if (eventsBlocked() || popupRunning()) return;
        if (form_ && form_->unloading()) return;
        fireClick();
    });
    if (form_) form_->addMenu(this);
}

Menu::Menu(Menu* parent) : Menu(parent ? parent->form_ : nullptr)
{
    if (form_) form_->removeMenu(this);
    parent_ = parent;
    if (parent_) parent_->items_.push_back(this);
}

Menu::~Menu()
{
    if (parent_) {
        auto& v = parent_->items_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    } else if (form_) {
        form_->removeMenu(this);
    }
    for (Menu* m : items_) m->parent_ = nullptr;
    BlockEvents block;
    menu_.reset();
    delete action_;
}

void Menu::syncAction()
{
    // A separator with a text is drawn as a titled section, its "-" shown
    // beside the line: the line alone is what the caption asks for.
    action_->setText(isSeparator() ? QString() : qs(caption_));
    action_->setSeparator(isSeparator());
    action_->setVisible(visible_);
    action_->setEnabled(enabled_);
    action_->setCheckable(checked_);
    action_->setChecked(checked_);
    if (!parent_ && form_) form_->updateMenuBar();
}

void Menu::setCaption(const std::string& s)
{
    caption_ = s;
    syncAction();
}
void Menu::setVisible(bool b)
{
    visible_ = b;
    syncAction();
}
void Menu::setEnabled(bool b)
{
    enabled_ = b;
    syncAction();
}
void Menu::setChecked(bool b)
{
    checked_ = b;
    syncAction();
}

QMenu* Menu::qmenu()
{
    if (!menu_) menu_ = std::make_unique<QMenu>();
    menu_->clear();
    menu_->setTitle(qs(caption_));
    for (Menu* m : items_) {
        if (!m->items().empty()) {
            QMenu* sub = m->qmenu();
            QAction* a = menu_->addMenu(sub);
            a->setVisible(m->Visible());
            a->setEnabled(m->Enabled());
        } else {
            menu_->addAction(m->action());
        }
    }
    return menu_.get();
}
