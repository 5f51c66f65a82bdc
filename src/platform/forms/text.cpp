// Labels and text boxes.
#include "platform/forms/controls.h"

#include "platform/forms/app.h"
#include "platform/forms/form.h"
#include "platform/forms/widgets_p.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

using namespace formsp;

// ---------------------------------------------------------------- Label

Label::Label(Container* parent) : Control(parent, new QLabel)
{
    clickOnMouseRelease(true);
    auto* l = static_cast<QLabel*>(widget());
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    appearanceChanged();
}

namespace {

// The rows of a one-line caption's ink in the label (top-aligned, as every
// label is), across its whole width; empty when the caption is of more lines
// or wraps: then all of it is painted.
QRect captionInk(const QLabel* l, const QString& text)
{
    if (l->wordWrap() || text.contains('\n'))
        return {};
    if (text.isEmpty())
        return QRect(l->contentsRect().topLeft(), QSize(1, 1));
    const QFontMetrics fm(l->font());
    const QRect ink = fm.tightBoundingRect(text);
    const QRect cr = l->contentsRect();
    const int baseline = cr.top() + fm.ascent();
    // A pixel more each way for antialiasing.
    return QRect(cr.left(), baseline + ink.top() - 1, cr.width(), ink.height() + 2);
}

} // namespace

void Label::setCaption(const std::string& s)
{
    // A clock sets its captions on every tick: the same text costs nothing.
    if (s == caption_)
        return;
    caption_ = s;
    auto* l = static_cast<QLabel*>(widget());
    // Only the rows of the old and the new text change. QLabel repaints all of
    // itself, and with it any control it overlaps: the main window's elapsed
    // time, set every second, reaches 3 px into the length under it.
    const QString text = qs(s);
    const QRect before = captionInk(l, l->text());
    const QRect after = captionInk(l, text);
    const bool rows = !autoSize_ && !before.isEmpty() && !after.isEmpty();
    if (rows)
        l->setAttribute(Qt::WA_UpdatesDisabled, true);
    l->setText(text);
    if (rows) {
        l->setAttribute(Qt::WA_UpdatesDisabled, false);
        l->update(before.united(after));
    }
    applyAutoSize();
}

void Label::setAlignment(int a)
{
    alignment_ = a;
    Qt::Alignment h = a == vbRightJustify ? Qt::AlignRight : (a == vbCenter ? Qt::AlignHCenter : Qt::AlignLeft);
    static_cast<QLabel*>(widget())->setAlignment(h | Qt::AlignTop);
}

void Label::setAutoSize(bool b)
{
    autoSize_ = b;
    applyAutoSize();
}

void Label::applyAutoSize()
{
    if (!autoSize_) return;
    auto* l = static_cast<QLabel*>(widget());
    QSize s = l->sizeHint();
    if (wordWrap_) {
        // Word-wrapping labels keep their width and grow downwards.
        int h = l->heightForWidth(std::max(1, l->width()));
        Move(Left(), Top(), Width(), pixelsToTwips(h > 0 ? h : s.height()));
    } else {
        Move(Left(), Top(), pixelsToTwips(s.width()), pixelsToTwips(s.height()));
    }
}

void Label::setBackStyle(int s)
{
    backStyle_ = s;
    appearanceChanged();
}

void Label::setBorderStyle(int s)
{
    borderStyle_ = s;
    auto* l = static_cast<QLabel*>(widget());
    l->setFrameStyle(s == 1 ? (QFrame::Box | QFrame::Plain) : QFrame::NoFrame);
    applyAutoSize();
}

void Label::setWordWrap(bool b)
{
    wordWrap_ = b;
    static_cast<QLabel*>(widget())->setWordWrap(b);
    applyAutoSize();
}

void Label::appearanceChanged()
{
    // Transparent labels let the printed surface behind them show through.
    widget()->setAutoFillBackground(backStyle_ == 1);
    applyAutoSize();
}

// ---------------------------------------------------------------- TextBox

namespace {
QString toWidgetText(const std::string& s)
{
    QString t = qs(s);
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace('\r', '\n');
    return t;
}

// Positions in the CR LF text <-> positions in the widget's "\n" text.
int toCrLfPos(const QString& plain, int pos)
{
    pos = std::clamp(pos, 0, static_cast<int>(plain.size()));
    return pos + static_cast<int>(plain.left(pos).count('\n'));
}

int fromCrLfPos(const QString& plain, int crlfPos)
{
    int count = 0;
    for (int i = 0; i < plain.size(); ++i) {
        int step = plain[i] == '\n' ? 2 : 1;
        if (count + step > crlfPos) return i;
        count += step;
    }
    return static_cast<int>(plain.size());
}
} // namespace

TextBox::TextBox(Container* parent) : Control(parent, nullptr)
{
    rebuild();
    setBackColor(0x80000005);
    setForeColor(0x80000008);
}

void TextBox::rebuild()
{
    std::string text = widget() && (dynamic_cast<QLineEdit*>(widget()) || dynamic_cast<QPlainTextEdit*>(widget())) ? Text() : std::string();
    muteChange_ = true;
    if (multiLine_) {
        auto* e = new QPlainTextEdit;
        e->setLineWrapMode(scrollBars_ == 1 || scrollBars_ == 3 ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
        e->setVerticalScrollBarPolicy(scrollBars_ >= 2 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        e->setHorizontalScrollBarPolicy(scrollBars_ == 1 || scrollBars_ == 3 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        e->setReadOnly(locked_);
        e->setPlainText(toWidgetText(text));
        replaceWidget(e);
        hookWidget(e->viewport());
        QObject::connect(e, &QPlainTextEdit::textChanged, [this] { fireChange(); });
    } else {
        auto* e = new QLineEdit;
        e->setReadOnly(locked_);
        if (maxLength_ > 0) e->setMaxLength(maxLength_);
        e->setText(qs(text));
        e->setFrame(borderStyle_ != 0);
        replaceWidget(e);
        QObject::connect(e, &QLineEdit::textChanged, [this] { fireChange(); });
    }
    muteChange_ = false;
    setAlignment(alignment_);
}

std::string TextBox::Text() const
{
    if (auto* e = dynamic_cast<QLineEdit*>(widget())) return ss(e->text());
    if (auto* e = dynamic_cast<QPlainTextEdit*>(widget())) {
        QString t = e->toPlainText();
        t.replace('\n', QLatin1String("\r\n"));
        return ss(t);
    }
    return {};
}

void TextBox::setText(const std::string& s)
{
    if (auto* e = dynamic_cast<QLineEdit*>(widget())) {
        // A single-line box shows the text up to its first line end.
        QString t = toWidgetText(s);
        if (e->text() != t) e->setText(t);
    } else if (auto* e = dynamic_cast<QPlainTextEdit*>(widget())) {
        QString t = toWidgetText(s);
        if (e->toPlainText() != t) {
            e->setPlainText(t);
        }
        // The caret goes to the start, as when the old box got new text.
        QTextCursor c = e->textCursor();
        c.setPosition(0);
        e->setTextCursor(c);
    }
}

void TextBox::setMultiLine(bool b)
{
    if (b == multiLine_) return;
    multiLine_ = b;
    rebuild();
}

void TextBox::setScrollBars(int s)
{
    scrollBars_ = s;
    if (auto* e = dynamic_cast<QPlainTextEdit*>(widget())) {
        e->setLineWrapMode(s == 1 || s == 3 ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
        e->setVerticalScrollBarPolicy(s >= 2 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        e->setHorizontalScrollBarPolicy(s == 1 || s == 3 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    }
}

void TextBox::setLocked(bool b)
{
    locked_ = b;
    if (auto* e = dynamic_cast<QLineEdit*>(widget())) e->setReadOnly(b);
    if (auto* e = dynamic_cast<QPlainTextEdit*>(widget())) e->setReadOnly(b);
}

void TextBox::setMaxLength(int n)
{
    maxLength_ = std::max(0, n);
    if (auto* e = dynamic_cast<QLineEdit*>(widget())) e->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

void TextBox::setAlignment(int a)
{
    alignment_ = a;
    Qt::Alignment h = a == vbRightJustify ? Qt::AlignRight : (a == vbCenter ? Qt::AlignHCenter : Qt::AlignLeft);
    if (auto* e = dynamic_cast<QLineEdit*>(widget())) e->setAlignment(h | Qt::AlignVCenter);
}

void TextBox::setBorderStyle(int s)
{
    borderStyle_ = s;
    if (auto* e = dynamic_cast<QLineEdit*>(widget())) e->setFrame(s != 0);
    if (auto* e = dynamic_cast<QPlainTextEdit*>(widget())) e->setFrameStyle(s != 0 ? (QFrame::StyledPanel | QFrame::Sunken) : QFrame::NoFrame);
}

int TextBox::SelStart() const
{
    if (auto* e = dynamic_cast<QLineEdit*>(widget())) {
        return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    }
    if (auto* e = dynamic_cast<QPlainTextEdit*>(widget())) {
        QTextCursor c = e->textCursor();
        return toCrLfPos(e->toPlainText(), c.selectionStart());
    }
    return 0;
}

void TextBox::setSelStart(int pos)
{
    if (pos < 0) pos = 0;
    if (auto* e = dynamic_cast<QLineEdit*>(widget())) {
        e->setCursorPosition(std::min(pos, static_cast<int>(e->text().size())));
    } else if (auto* e = dynamic_cast<QPlainTextEdit*>(widget())) {
        QTextCursor c = e->textCursor();
        c.setPosition(fromCrLfPos(e->toPlainText(), pos));
        e->setTextCursor(c);
    }
}

int TextBox::SelLength() const
{
    if (auto* e = dynamic_cast<QLineEdit*>(widget())) return static_cast<int>(e->selectedText().size());
    if (auto* e = dynamic_cast<QPlainTextEdit*>(widget())) {
        QTextCursor c = e->textCursor();
        QString plain = e->toPlainText();
        return toCrLfPos(plain, c.selectionEnd()) - toCrLfPos(plain, c.selectionStart());
    }
    return 0;
}

void TextBox::setSelLength(int len)
{
    if (len < 0) len = 0;
    int start = SelStart();
    if (auto* e = dynamic_cast<QLineEdit*>(widget())) {
        int n = static_cast<int>(e->text().size());
        start = std::min(start, n);
        e->setSelection(start, std::min(len, n - start));
    } else if (auto* e = dynamic_cast<QPlainTextEdit*>(widget())) {
        QString plain = e->toPlainText();
        QTextCursor c = e->textCursor();
        int a = fromCrLfPos(plain, start);
        int b = fromCrLfPos(plain, start + len);
        c.setPosition(a);
        c.setPosition(b, QTextCursor::KeepAnchor);
        e->setTextCursor(c);
    }
}

std::string TextBox::SelText() const
{
    if (auto* e = dynamic_cast<QLineEdit*>(widget())) return ss(e->selectedText());
    if (auto* e = dynamic_cast<QPlainTextEdit*>(widget())) {
        QString t = e->textCursor().selectedText();
        t.replace(QChar(0x2029), QLatin1String("\r\n"));
        return ss(t);
    }
    return {};
}

void TextBox::setSelText(const std::string& s)
{
    if (auto* e = dynamic_cast<QLineEdit*>(widget())) {
        e->insert(toWidgetText(s));
    } else if (auto* e = dynamic_cast<QPlainTextEdit*>(widget())) {
        QTextCursor c = e->textCursor();
        c.insertText(toWidgetText(s));
        e->setTextCursor(c);
    }
}

void TextBox::appearanceChanged()
{
    if (QWidget* w = widget()) w->setAutoFillBackground(true);
}
