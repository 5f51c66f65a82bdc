// The printer: documents go to the printer the print dialog chose (a PDF file
// in tests), rows move down the page and onto the next one, a cancelled dialog
// prints nothing and a printer that cannot be opened is reported, not thrown.
#include "platform/forms/printer.h"
#include "platform/forms/prompter.h"
#include "support/testdir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testsupport::TempDir;

std::uintmax_t sizeOf(const std::string& path)
{
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : n;
}

TEST(Printer, PrintsRowsDownThePageIntoThePdfTheDialogChose)
{
    TempDir dir;
    const std::string pdf = dir.file("list.pdf");
    ScopedScriptedPrompter p;
    p->answerPrint(pdf);

    Printer prn;
    ASSERT_TRUE(prn.StartDoc("Play list"));
    EXPECT_TRUE(prn.Printing());
    EXPECT_EQ(prn.Page(), 1);
    EXPECT_GT(prn.ScaleWidth(), 1440 * 5);    // an A4 or Letter page, in twips
    EXPECT_GT(prn.ScaleHeight(), prn.ScaleWidth());
    const double row = prn.TextHeight();
    EXPECT_GT(row, 100);
    EXPECT_GT(prn.TextWidth("Title    -    Artist"), prn.TextWidth("Title"));
    EXPECT_DOUBLE_EQ(prn.TextHeight("a\nb"), 2 * row);

    prn.Print("Heading");
    EXPECT_DOUBLE_EQ(prn.CurrentY(), row);
    prn.Print("");
    prn.Line(0, prn.CurrentY() + 10, prn.ScaleWidth(), prn.CurrentY() + 10);
    prn.setCurrentX(500);
    prn.Print("two\r\nrows");
    EXPECT_EQ(prn.CurrentX(), 0);
    prn.EndDoc();
    EXPECT_FALSE(prn.Printing());
    EXPECT_FALSE(prn.Failed());
    prn.EndDoc();   // twice is harmless
    EXPECT_FALSE(prn.Failed());

    EXPECT_EQ(prn.PrintedRows(), (std::vector<std::string>{"Heading", "", "two", "rows"}));
    ASSERT_GT(sizeOf(pdf), 0u);
    EXPECT_EQ(dir.read("list.pdf").substr(0, 4), "%PDF");
    ASSERT_EQ(p->questions().size(), 1u);
    EXPECT_EQ(p->questions()[0].kind, ScriptedPrompter::Kind::Print);
    EXPECT_EQ(p->questions()[0].text, "Play list");
}

TEST(Printer, RowsPastTheBottomContinueOnTheNextPage)
{
    TempDir dir;
    ScopedScriptedPrompter p;
    p->answerPrint(dir.file("long.pdf"));
    Printer prn;
    ASSERT_TRUE(prn.StartDoc());
    const int perPage = static_cast<int>(prn.ScaleHeight() / prn.TextHeight());
    for (int i = 0; i < perPage + 3; ++i)
        prn.Print("row " + std::to_string(i));
    EXPECT_EQ(prn.Page(), 2);
    // The rows that did not fit start again at the top of the new page.
    EXPECT_DOUBLE_EQ(prn.CurrentY(), 3 * prn.TextHeight());
    prn.NewPage();
    EXPECT_EQ(prn.Page(), 3);
    EXPECT_EQ(prn.CurrentY(), 0);
    prn.EndDoc();
    EXPECT_FALSE(prn.Failed());
    EXPECT_EQ(prn.PrintedRows().size(), static_cast<std::size_t>(perPage + 3));
    EXPECT_GT(sizeOf(dir.file("long.pdf")), 0u);
}

TEST(Printer, ACancelledDialogPrintsNothingAndIsNoFailure)
{
    TempDir dir;
    ScopedScriptedPrompter p;
    p->answerPrint(std::nullopt);
    {
        Printer prn;
        EXPECT_FALSE(prn.StartDoc());
        EXPECT_FALSE(prn.Failed());
        EXPECT_FALSE(prn.Printing());
        // No answer at all counts as a cancel too.
        EXPECT_FALSE(prn.StartDoc());
        EXPECT_FALSE(prn.Failed());
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(Printer, APrinterThatCannotOpenIsReportedAndLaterCallsAreSafe)
{
    TempDir dir;
    ScopedScriptedPrompter p;
    p->answerPrint(dir.file("no/such/folder/out.pdf"));
    Printer prn;
    EXPECT_FALSE(prn.StartDoc());
    EXPECT_TRUE(prn.Failed());
    EXPECT_FALSE(prn.ErrorText().empty());
    prn.Print("nothing");
    prn.Line(0, 0, 100, 100);
    prn.NewPage();
    prn.EndDoc();
    EXPECT_TRUE(prn.PrintedRows().empty());
}

} // namespace
