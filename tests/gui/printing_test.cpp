// Printed daily schedules: a day prints its lines in their printed form,
// word wrapped on the page; a long range fills pages without a day heading
// left alone at a page's foot; and the print commands of a session print
// through the printer the session keeps, here into a PDF.

#include "buildpaths.h"
#include "desktopsupport.h"

#include "core/dateformat.h"
#include "shell/model/printedschedule.h"
#include "shell/printcommands.h"
#include "tests/placementscenario.h"
#include "views/schedulepage.h"

#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;

int pdfPages(const QString& file)
{
    QFile pdf(file);
    return pdf.open(QIODevice::ReadOnly) ? static_cast<int>(pdf.readAll().count("/Type /Page\n")) : -1;
}

class PrintingTest : public ::testing::Test, public testing::Scenario {
protected:
    PrintingTest()
    {
        testsupport::guiApplication();
        display.proMode = true;
        display.liteMode = false;
        display.timespace = false;
        display.statusLabels = {"normal", "tentative", "proposed", "confirmed", "", "", "", ""};
        page.setDotsPerMeterX(3937);  // 100 dpi: an A4 sheet less its margins
        page.setDotsPerMeterY(3937);
        page.fill(Qt::white);
    }
    SchedulePages laidOut(DayNumber first, DayNumber last)
    {
        SchedulePages pages(printedDays(s, {first, last}, display, {kMonday - 1, hm(12)}, regional), PrintStyle());
        pages.layout(page);
        return pages;
    }

    PaneDisplay display;
    RegionalSettings regional;
    QImage page{780, 1120, QImage::Format_RGB32};
};

TEST_F(PrintingTest, ADayPrintsItsLinesInThePrintedForm)
{
    put(appointment("Board meeting", hm(9), 60), kMonday);
    put(task("Write the quarterly report, with the figures of every branch, the outlook for the next year "
             "and the notes of the auditors, which take some room",
             90),
        kMonday);
    put(task("Call the bank", 60, ItemFlag::fSplit), kMonday, 45);  // one piece of 45 of its 60 minutes
    ItemHandle tentative = task("Book the venue", 30);
    s.record(tentative).setStatus(1);
    put(tentative, kMonday);

    SchedulePages pages = laidOut(kMonday, kMonday);
    ASSERT_EQ(pages.pageCount(), 1);
    const QStringList texts = pages.pageTexts(0);
    const std::string all = texts.join('\n').toStdString();
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_EQ(texts[0], QString::fromStdString(paneHeading(kMonday, regional)));
    EXPECT_TRUE(texts.contains("9:00a\tBoard meeting (1:00)")) << all;
    // The scheduler's caret, the short placement's tilde, the status tag.
    for (const char* printed : {"^\\d+:\\d\\d[ap]\\^\tWrite the quarterly", "\\^\t~Call the bank \\(:45/1:00\\)",
                                "\t\\[tentative\\] Book the venue"})
        EXPECT_EQ(texts.filter(QRegularExpression(printed)).size(), 1) << printed << " in\n" << all;

    // The long line wraps within the page.
    qreal widest = 0, tallest = 0;
    for (const SchedulePages::Piece& piece : pages.page(0)) {
        widest = std::max(widest, piece.rect.right());
        if (piece.part == SchedulePages::Part::Text)
            tallest = std::max(tallest, piece.rect.height());
    }
    EXPECT_LE(widest, page.width());
    EXPECT_GT(tallest, 2 * QFontMetricsF(PrintStyle().text, &page).height());

    // The screen keeps its own form: no caret, no tilde, no tag.
    for (const PaneLine& line : dayLines(s, kMonday, display, {kMonday - 1, hm(12)}, regional).lines)
        EXPECT_EQ(line.whole().find_first_of("^~["), std::string::npos) << line.whole();

    QPainter painter(&page);
    pages.paintPage(painter, 0);
    painter.end();
    testsupport::saveScreenshot(page, "printed-day");
}

TEST_F(PrintingTest, ARangeFillsPagesInOrderAndKeepsHeadingsWithTheirLines)
{
    constexpr int kDays = 30;
    for (int d = 0; d < kDays; ++d) {
        put(appointment("Stand-up", hm(9), 15), kMonday + d);
        for (int i = 0; i < 4; ++i)
            put(task("Task " + std::to_string(i + 1) + " of day " + std::to_string(d + 1), 30), kMonday + d);
    }
    SchedulePages pages = laidOut(kMonday, kMonday + (kDays - 1));
    ASSERT_GT(pages.pageCount(), 3);

    QStringList headings;
    for (int p = 0; p < pages.pageCount(); ++p) {
        const SchedulePages::Page& pieces = pages.page(p);
        ASSERT_FALSE(pieces.empty()) << p;
        for (const SchedulePages::Piece& piece : pieces) {
            EXPECT_LE(piece.rect.bottom(), page.height() + 0.5) << "page " << p << ": " << piece.text.toStdString();
            if (piece.part == SchedulePages::Part::Heading)
                headings << piece.text;
        }
        EXPECT_NE(pieces.back().part, SchedulePages::Part::Heading) << "page " << p;
        EXPECT_NE(pieces.back().part, SchedulePages::Part::Facts) << "page " << p;
    }
    ASSERT_EQ(headings.size(), kDays) << "each day once, in order";
    for (int d = 0; d < kDays; ++d)
        EXPECT_EQ(headings[d], QString::fromStdString(paneHeading(kMonday + d, regional)));

    // The same pages go to a PDF file, one sheet each.
    const QString file = QString::fromStdString((std::filesystem::temp_directory_path() / "zelkon-range.pdf").string());
    QPdfWriter pdf(file);
    pdf.setResolution(100);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    ASSERT_TRUE(pages.print(pdf));
    EXPECT_EQ(pdfPages(file), pages.pageCount());
    QFile::remove(file);
}

using PrintCommandsTest = testsupport::DesktopFixture;

TEST_F(PrintCommandsTest, TodaysScheduleAndARangeOfSchedulesPrint)
{
    std::filesystem::create_directories(ZELKON_SCREENSHOT_DIR);
    const QString file = ZELKON_SCREENSHOT_DIR "/printed-range.pdf";  // kept beside the screenshots
    int chosen = 0;
    startSession();
    app->commands().printing().setPrinterChooser([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        ++chosen;
        return true;
    });
    app->commands().dispatcher().dispatch(PrintCommand::todaysSchedule);
    ASSERT_EQ(chosen, 1);
    EXPECT_EQ(pdfPages(file), 1);
    QFile::remove(file);

    // The range dialog: a fortnight from today.
    testsupport::onModal<QDialog>([&](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), "RangeOfSchedules");
        for (auto [name, day] : {std::pair{"firstDay", app->today()}, {"lastDay", app->today() + 13}})
            dialog.findChild<QLineEdit*>(name)->setText(QString::fromStdString(shortDate(day, app->regional())));
        testsupport::saveScreenshot(dialog, "print-range-dialog");
        testsupport::pressOk(dialog);
    });
    app->commands().dispatcher().dispatch(PrintCommand::rangeOfSchedules);
    ASSERT_EQ(chosen, 2);
    EXPECT_GE(pdfPages(file), 2) << "fourteen days take more than a page";
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
}

} // namespace
} // namespace zk
