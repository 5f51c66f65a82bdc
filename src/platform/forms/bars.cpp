// Scroll bars, progress bars, timers and menus.
#include "platform/forms/controls.h"

#include "platform/forms/form.h"
#include "platform/forms/widgets_p.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

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

long ProgressBar::pixels() const
{
    return std::clamp(widget()->width(), 1, kSteps);
}

namespace {

// The pixels `value` fills on a bar `pixels` wide.
long filledPixels(double value, double min, double max, long pixels)
{
    const double span = max - min;
    return span > 0 ? std::lround((value - min) / span * double(pixels)) : 0;
}

} // namespace

void ProgressBar::show()
{
    // The bar moves by whole pixels: a value set every tick reaches the
    // widget (its style and its accessibility event) only when a pixel
    // changes. QProgressBar repaints itself at once on such a change; with
    // its updates held for the call, the change is painted at the next turn
    // of the event loop instead, together with whatever else changed.
    auto* p = static_cast<QProgressBar*>(widget());
    const long pixels = this->pixels();
    const long step = filledPixels(value_, min_, max_, pixels);
    const long before = step_;
    step_ = step;
    const int pos = std::clamp(static_cast<int>(step * kSteps / pixels), 0, kSteps);
    if (pos == p->value())
        return;
    p->setAttribute(Qt::WA_UpdatesDisabled, true);
    p->setValue(pos);
    p->setAttribute(Qt::WA_UpdatesDisabled, false);
    // Fusion (Qt's own style, and the one without a desktop theme) draws the
    // bar's fill from its two ends: only the stretch between the old end and
    // the new one changes, give or take the rounded end, a bar's height at
    // most. Other styles may shade the whole fill: all of it is painted.
    if (before >= 0 && p->style()->name() == QLatin1String("fusion")) {
        const int slack = p->height() + 2;
        const int from = static_cast<int>(std::min(before, step)) - slack;
        const int to = static_cast<int>(std::max(before, step)) + slack;
        p->update(QRect(from, 0, to - from, p->height()));
    } else {
        p->update();
    }
}

double ProgressBar::NextStepValue() const
{
    const long pixels = this->pixels();
    const double span = max_ - min_;
    const long step = filledPixels(value_, min_, max_, pixels);
    if (!(span > 0) || step >= pixels)
        return std::numeric_limits<double>::infinity();
    return min_ + (double(step) + 0.5) / double(pixels) * span;
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

// Ends the rest of the resting timers when the program gets input or another
// timer ticks. Watches the application's events only while a timer rests.
class TimerWaker : public QObject {
public:
    static TimerWaker& instance()
    {
        static TimerWaker* w = new TimerWaker;  // lives as long as the program
        return *w;
    }
    void add(Timer* t)
    {
        if (std::find(resting_.begin(), resting_.end(), t) != resting_.end())
            return;
        resting_.push_back(t);
        if (resting_.size() == 1 && QCoreApplication::instance())
            QCoreApplication::instance()->installEventFilter(this);
    }
    void remove(Timer* t)
    {
        resting_.erase(std::remove(resting_.begin(), resting_.end(), t), resting_.end());
        if (resting_.empty() && QCoreApplication::instance())
            QCoreApplication::instance()->removeEventFilter(this);
    }
    // Every resting timer but `except` ticks again after its interval.
    void wakeAll(const Timer* except)
    {
        const std::vector<Timer*> resting = resting_;
        for (Timer* t : resting)
            if (t != except)
                t->endRest();
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::MouseMove:
            // Only a drag changes anything (a slider's knob, a window).
            if (static_cast<QMouseEvent*>(e)->buttons() == Qt::NoButton)
                break;
            [[fallthrough]];
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
            wakeAll(nullptr);
            break;
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            // A window, not a control inside one (a label sizing itself to
            // its caption, a count-down shown by the resting handler itself).
            if (const auto* w = qobject_cast<const QWidget*>(o); w && w->isWindow())
                wakeAll(nullptr);
            break;
        default:
            break;
        }
        return false;
    }

private:
    std::vector<Timer*> resting_;
};

Timer::Timer(Container* parent) : qt_(std::make_unique<QTimer>())
{
    Form* f = parent ? parent->parentForm() : nullptr;
    QObject::connect(qt_.get(), &QTimer::timeout, [this, f] {
        // A rest lasts one tick: the interval again, unless the handler
        // rests once more.
        if (resting_)
            endRest();
        if (eventsBlocked() || (f && f->unloading())) return;
        fire();
    });
}

Timer::~Timer()
{
    if (resting_)
        TimerWaker::instance().remove(this);
}

void Timer::fire()
{
    // A tick arriving while the handler still runs (it called DoEvents) is
    // dropped rather than run inside it.
    if (running_) return;
    // A tick ends the rest, however it comes.
    if (resting_)
        endRest();
    // Whatever another timer's handler does may change what a resting one
    // shows: the resting ones look again.
    TimerWaker::instance().wakeAll(this);
    // Cleared however the handler ends, or every later tick would be dropped.
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(running_);
    if (timer_) timer_();
}

void Timer::restFor(int ms)
{
    if (!enabled_ || interval_ <= 0 || ms <= interval_)
        return;
    qt_->start(ms);
    asleep_ = false;
    if (!resting_) {
        resting_ = true;
        TimerWaker::instance().add(this);
    }
}

void Timer::endRest()
{
    if (!resting_)
        return;
    resting_ = false;
    TimerWaker::instance().remove(this);
    if (enabled_ && interval_ > 0)
        qt_->start(interval_);
}

void Timer::sleepUntilWoken()
{
    if (!enabled_ || interval_ <= 0)
        return;
    if (resting_) {
        resting_ = false;
        TimerWaker::instance().remove(this);
    }
    asleep_ = true;
    qt_->stop();
}

void Timer::wake()
{
    if (asleep_)
        apply();
}

void Timer::apply()
{
    asleep_ = false;
    if (resting_) {
        resting_ = false;
        TimerWaker::instance().remove(this);
    }
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
