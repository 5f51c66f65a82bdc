#pragma once
// The printer: one document at a time, made of text lines and straight lines
// placed in twips on the printable area of each page, as the old runtime's
// Printer object did.
//
//     Printer prn;
//     if (!prn.StartDoc("Play list"))   // the print dialog (through the prompter)
//         return;                        // cancelled, or no printer (Failed())
//     prn.Print("Heading");              // at CurrentX, CurrentY; then next row
//     prn.Line(0, prn.CurrentY(), prn.ScaleWidth(), prn.CurrentY());
//     prn.EndDoc();                      // sends the document
//
// Output given while no document is open starts one on the default printer
// without a dialog. Text that runs past the bottom of a page continues at the
// top of the next one. Nothing here throws: a failing printer sets Failed()
// and the later calls do nothing; EndDoc is always safe, also twice.
#include <memory>
#include <string>
#include <vector>

class Printer {
public:
    Printer();
    ~Printer();   // ends a document still open (as EndDoc)
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // Asks the print dialog which printer to use (tests answer it with a PDF
    // file) and opens the document. False when the dialog was cancelled (not a
    // failure: nothing is printed) or the printer could not be opened (Failed).
    bool StartDoc(const std::string& docName = "");
    // A document is open.
    bool Printing() const;

    // Prints one line at (CurrentX, CurrentY), then moves to the start of the
    // next row: CurrentX = 0, CurrentY += the row's height. Print("") only
    // moves down. Line breaks inside `text` print several rows.
    void Print(const std::string& text);
    double CurrentX() const { return x_; }
    double CurrentY() const { return y_; }
    void setCurrentX(double twips) { x_ = twips; }
    void setCurrentY(double twips) { y_ = twips; }
    // Size of a text in the current font, in twips; TextHeight("") is one row.
    double TextWidth(const std::string& s) const;
    double TextHeight(const std::string& s = "A") const;

    std::string FontName() const { return fontName_; }
    void setFontName(const std::string& name) { fontName_ = name; }
    double FontSize() const { return fontSize_; }
    void setFontSize(double points) { fontSize_ = points > 0 ? points : fontSize_; }
    bool FontBold() const { return fontBold_; }
    void setFontBold(bool b) { fontBold_ = b; }

    // A straight line between two points (twips).
    void Line(double x1, double y1, double x2, double y2);
    // Ends the page; the drawing position goes back to the top-left corner.
    void NewPage();
    // Sends the document to the printer. Harmless without an open document.
    void EndDoc();
    // Throws the document away (nothing more is sent).
    void KillDoc();

    // The printable area of the page, in twips.
    int ScaleWidth() const;
    int ScaleHeight() const;
    // The page being printed, from 1 (0 while no document is open).
    int Page() const { return page_; }

    bool Failed() const { return failed_; }
    const std::string& ErrorText() const { return error_; }
    // The text rows printed in the current (or last) document, in order.
    const std::vector<std::string>& PrintedRows() const { return rows_; }
    // The text rows of the last document this process ended with EndDoc (what
    // a command printed, for tests that cannot hold its Printer).
    static const std::vector<std::string>& LastDocumentRows();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
    double x_ = 0;
    double y_ = 0;
    std::string fontName_ = "Arial";
    double fontSize_ = 10;
    bool fontBold_ = false;
    int page_ = 0;
    bool failed_ = false;
    std::string error_;
    std::vector<std::string> rows_;
    bool open(bool askUser, const std::string& docName);
    void fail(const std::string& why);
    void printRow(const std::string& row);
};
