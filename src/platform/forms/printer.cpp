// The printer over Qt's print support: positions are twips of the printable
// area, turned into device pixels at the printer's own resolution.
#include "platform/forms/printer.h"

#include "platform/forms/prompter.h"
#include "platform/forms/widgets_p.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

using namespace formsp;

struct Printer::Impl {
    QPrinter printer{QPrinter::HighResolution};
    QPainter painter;

    double dpi() const
    {
        const int r = printer.resolution();
        return r > 0 ? r : 1200;
    }
    double toPx(double twips) const { return twips * dpi() / 1440.0; }
    double toTwips(double pixels) const { return pixels * 1440.0 / dpi(); }
    QRectF area() const { return printer.pageLayout().paintRectPixels(printer.resolution()); }
};

namespace {

std::vector<std::string>& lastDocument()
{
    static std::vector<std::string> rows;
    return rows;
}

std::vector<std::string> splitRows(const std::string& text)
{
    std::vector<std::string> rows(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            rows.emplace_back();
        } else {
            rows.back() += c;
        }
    }
    return rows;
}

} // namespace

Printer::Printer() : d_(std::make_unique<Impl>()) {}

Printer::~Printer()
{
    EndDoc();
}

bool Printer::Printing() const
{
    return d_->painter.isActive();
}

void Printer::fail(const std::string& why)
{
    if (!failed_)
        error_ = why;
    failed_ = true;
}

bool Printer::open(bool askUser, const std::string& docName)
{
    if (Printing())
        return true;
    if (failed_)
        return false;
    d_->printer.setDocName(qs(docName.empty() ? std::string("Document") : docName));
    if (askUser && !prompter().printDialog(d_->printer))
        return false;   // cancelled: no document, no failure
    if (!d_->painter.begin(&d_->printer)) {
        fail("The printer could not be opened.");
        return false;
    }
    rows_.clear();
    page_ = 1;
    x_ = 0;
    y_ = 0;
    return true;
}

bool Printer::StartDoc(const std::string& docName)
{
    return open(true, docName);
}

double Printer::TextWidth(const std::string& s) const
{
    const QFontMetricsF fm(makeFont(fontName_, fontSize_, fontBold_, false, false), &d_->printer);
    double widest = 0;
    for (const std::string& row : splitRows(s))
        widest = std::max(widest, fm.horizontalAdvance(qs(row)));
    return d_->toTwips(widest);
}

double Printer::TextHeight(const std::string& s) const
{
    const QFontMetricsF fm(makeFont(fontName_, fontSize_, fontBold_, false, false), &d_->printer);
    return d_->toTwips(fm.height()) * static_cast<double>(splitRows(s).size());
}

void Printer::printRow(const std::string& row)
{
    const QFont font = makeFont(fontName_, fontSize_, fontBold_, false, false);
    const QFontMetricsF fm(font, &d_->printer);
    const double rowHeight = d_->toTwips(fm.height());
    // A row that does not fit below goes to the top of the next page (a row
    // taller than a whole page is printed where it is).
    if (y_ > 0 && y_ + rowHeight > ScaleHeight()) {
        NewPage();
        if (failed_)
            return;
    }
    if (!row.empty()) {
        d_->painter.setFont(font);
        d_->painter.setPen(Qt::black);
        d_->painter.drawText(QPointF(d_->toPx(x_), d_->toPx(y_) + fm.ascent()), qs(row));
    }
    rows_.push_back(row);
    x_ = 0;
    y_ += rowHeight;
}

void Printer::Print(const std::string& text)
{
    if (!open(false, ""))
        return;
    for (const std::string& row : splitRows(text)) {
        printRow(row);
        if (failed_)
            return;
    }
}

void Printer::Line(double x1, double y1, double x2, double y2)
{
    if (!open(false, ""))
        return;
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, d_->toPx(15)));   // one screen pixel wide
    d_->painter.setPen(pen);
    d_->painter.drawLine(QPointF(d_->toPx(x1), d_->toPx(y1)), QPointF(d_->toPx(x2), d_->toPx(y2)));
    x_ = x2;
    y_ = y2;
}

void Printer::NewPage()
{
    if (!open(false, ""))
        return;
    if (!d_->printer.newPage()) {
        fail("The printer refused a new page.");
        return;
    }
    ++page_;
    x_ = 0;
    y_ = 0;
}

const std::vector<std::string>& Printer::LastDocumentRows()
{
    return lastDocument();
}

void Printer::EndDoc()
{
    if (d_->painter.isActive()) {
        if (!d_->painter.end())
            fail("The document could not be sent to the printer.");
        lastDocument() = rows_;
    }
    page_ = 0;
    x_ = 0;
    y_ = 0;
}

void Printer::KillDoc()
{
    if (d_->painter.isActive()) {
        d_->printer.abort();
        d_->painter.end();
    }
    page_ = 0;
}

int Printer::ScaleWidth() const
{
    return static_cast<int>(d_->toTwips(d_->area().width()));
}

int Printer::ScaleHeight() const
{
    return static_cast<int>(d_->toTwips(d_->area().height()));
}
