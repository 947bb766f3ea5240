// Printed daily schedules: a day prints its lines in their printed form,
// word wrapped on the page; a long range fills pages without a day heading
// left alone at a page's foot; and the print commands of a session print
// through the printer the session keeps, here into a PDF. The sample
// schedule's week and month print as one page each with their items, read
// back from the PDF; lists, notes, reports and help work from their menus.

#include "buildpaths.h"
#include "desktopsupport.h"

#include "core/calendar.h"
#include "core/dateformat.h"
#include "shell/helpcommands.h"
#include "shell/model/printeddocuments.h"
#include "shell/model/printedschedule.h"
#include "shell/printcommands.h"
#include "shell/reportcommands.h"
#include "tests/placementscenario.h"
#include "views/schedulepage.h"
#include "worktools/notedesk.h"

#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
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

// The PDF's text as a reader takes it in, pages apart by form feeds.
QString pdfText(const QString& file)
{
    QProcess process;
    process.start("pdftotext", {"-layout", file, "-"});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    // Ligatures ("ﬀ") read back as the letters they join.
    return QString::fromUtf8(process.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
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

// A session whose printing goes to a PDF file beside the screenshots,
// printing the pages `chosenPages` names (0 to 0: all).
class PrintCommandsTest : public testsupport::DesktopFixture {
protected:
    void startPrinting()
    {
        std::filesystem::create_directories(ZELKON_SCREENSHOT_DIR);
        startSession();
        app->commands().printing().setPrinterChooser([this](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(file);
            printer.setFromTo(chosenPages.first, chosenPages.second);
            ++printed;
            return true;
        });
    }
    // The printed text without its blanks: pdftotext breaks a line where
    // the page leaves a wide blank.
    QString printedText() const { return pdfText(file).remove(QRegularExpression("\\s")); }

    QString file;
    std::pair<int, int> chosenPages{0, 0};
    int printed = 0;
};

TEST_F(PrintCommandsTest, TodaysScheduleAndARangeOfSchedulesPrint)
{
    startPrinting();
    file = ZELKON_SCREENSHOT_DIR "/printed-range.pdf";
    dispatch(PrintCommand::todaysSchedule);
    ASSERT_EQ(printed, 1);
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
    dispatch(PrintCommand::rangeOfSchedules);
    ASSERT_EQ(printed, 2);
    EXPECT_GE(pdfPages(file), 2) << "fourteen days take more than a page";
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
}


TEST_F(PrintCommandsTest, TheSampleWeekAndMonthPrintOnOnePageEachWithTheirItems)
{
    startPrinting();
    const DayNumber today = app->today();
    PrintedWeek week;
    PrintedMonth month;
    {
        Schedule& schedule = app->session().schedule();
        const PaneDisplay display = paneDisplayFrom(app->preferences(), schedule.header);
        week = printedWeek(schedule, startOfWeek(today, false), display, {today, app->now()}, app->regional());
        month = printedMonth(schedule, today, monthOptionsFrom(app->preferences()), today, app->regional());
    }

    file = ZELKON_SCREENSHOT_DIR "/printed-week.pdf";
    dispatch(PrintCommand::week);
    EXPECT_EQ(pdfPages(file), 1);
    QString text = printedText();
    ASSERT_FALSE(text.isEmpty()) << "pdftotext read nothing";
    EXPECT_TRUE(text.contains(QString::fromStdString(week.title).remove(' ')));
    int items = 0;
    for (const DayLines& day : week.days) {
        for (const QString& word : QString::fromStdString(day.heading).split(' ', Qt::SkipEmptyParts))
            EXPECT_TRUE(text.contains(word)) << day.heading;
        // The start of each item's text (a long one is cut at the box's
        // edge), in order; those a full box leaves out are counted.
        int shown = 0, missing = 0;
        for (const PaneLine& line : day.lines) {
            if (line.kind != PaneLineKind::Item || line.text.separator)
                continue;
            const QString start = QString::fromStdString(line.text.text).remove(QRegularExpression("\\s")).left(12);
            if (missing == 0 && text.contains(start))
                ++shown;
            else
                ++missing;
        }
        if (missing > 0) {
            EXPECT_TRUE(text.contains(QStringLiteral("+%1more").arg(missing))) << day.heading << " shows " << shown;
        }
        items += shown;
    }
    EXPECT_GT(items, 3) << "the sample's week has items";

    file = ZELKON_SCREENSHOT_DIR "/printed-month.pdf";
    dispatch(PrintCommand::month);
    EXPECT_EQ(pdfPages(file), 1);
    text = printedText();
    EXPECT_TRUE(text.contains(QString::fromStdString(month.title).remove(' ')));
    EXPECT_EQ(month.cells.size() % 7, 0u);
    EXPECT_GE(month.cells.size(), 28u);
    items = 0;
    for (const MonthCell& cell : month.cells)
        for (const MonthLine& line : cell.lines) {
            const QString start = QString::fromStdString(line.text).remove(QRegularExpression("\\s")).left(6);
            if (std::distance(&cell.lines.front(), &line) < 2) {  // the first lines of a cell always fit
                EXPECT_TRUE(text.contains(start)) << line.text;
                ++items;
            }
        }
    EXPECT_GT(items, 3) << "the sample's month has items";

    // Three months: a page each, the next two months' titles on theirs.
    file = ZELKON_SCREENSHOT_DIR "/printed-months.pdf";
    dispatch(PrintCommand::threeMonths);
    EXPECT_EQ(pdfPages(file), 3);
    text = pdfText(file);
    EXPECT_EQ(text.count('\f'), 3);
    for (int month : {4, 5})
        EXPECT_TRUE(text.contains(QString::fromStdString(monthName(month, app->regional())) + " 2024")) << month;
    // The pages the print dialog chose, and only those.
    chosenPages = {2, 3};
    dispatch(PrintCommand::threeMonths);
    EXPECT_EQ(pdfPages(file), 2);
    EXPECT_FALSE(pdfText(file).contains(QString::fromStdString(monthName(3, app->regional())) + " 2024"));

    // Without the test's chooser the pages open in the preview first;
    // closing it prints nothing.
    app->commands().printing().setPrinterChooser({});
    bool previewed = false;
    testsupport::onModal<QPrintPreviewDialog>([&](QPrintPreviewDialog& preview) {
        auto* pages = preview.findChild<QPrintPreviewWidget*>();
        EXPECT_TRUE(pages && pages->pageCount() == 1);
        testsupport::saveScreenshot(preview, "print-preview");
        previewed = true;
        preview.reject();
    });
    QFile::remove(file);
    dispatch(PrintCommand::week);
    EXPECT_TRUE(previewed);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
}

TEST_F(PrintCommandsTest, ListsReportsAndHelpWorkFromTheirCommands)
{
    startPrinting();
    file = ZELKON_SCREENSHOT_DIR "/printed-chronological.pdf";
    std::vector<std::string> descriptions;
    {
        const Schedule& schedule = app->session().schedule();
        for (ItemHandle h : listedItems(schedule, ListViewId::allItems))
            descriptions.push_back(schedule.description(h));
    }
    ASSERT_GT(descriptions.size(), 5u);

    // The chronological list holds every item the alphabetical one does.
    dispatch(PrintCommand::chronologicalList);
    ASSERT_EQ(printed, 1);
    const QString text = printedText();
    EXPECT_TRUE(text.contains("ChronologicalList"));
    for (const std::string& description : descriptions)
        EXPECT_TRUE(text.contains(QString::fromStdString(description).remove(QRegularExpression("\\s")).left(20)))
            << description;
    file = ZELKON_SCREENSHOT_DIR "/printed-list.pdf";
    for (int command : {PrintCommand::alphabeticalList, PrintCommand::projectsList, PrintCommand::priorityList,
                        PrintCommand::priorityListFirstPage, PrintCommand::standardReport}) {
        dispatch(command);
        EXPECT_GE(pdfPages(file), 1) << command;
    }
    EXPECT_EQ(printed, 6);

    // The standard report prints what its setup chose: here the month.
    testsupport::onModal<QDialog>([&](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), "StandardReportSetup");
        dialog.findChild<QComboBox*>("standardReport")->setCurrentIndex(static_cast<int>(StandardReport::Month));
        testsupport::pressOk(dialog);
    });
    dispatch(PrintCommand::standardReportSetup);
    dispatch(PrintCommand::standardReport);
    EXPECT_EQ(printed, 7);
    EXPECT_EQ(pdfPages(file), 1);
    EXPECT_TRUE(pdfText(file).contains(QString::fromStdString(monthName(3, app->regional()))));

    // The day's projects report: a window with the text and a Print button.
    dispatch(ReportCommand::daysProjects);
    ReportWindow* report = app->commands().printing().reports().window();
    ASSERT_NE(report, nullptr);
    const QString reportText = report->findChild<QPlainTextEdit*>("reportText")->toPlainText();
    EXPECT_TRUE(reportText.startsWith("Day's Projects Report")) << reportText.toStdString();
    EXPECT_TRUE(reportText.contains("Total")) << reportText.toStdString();
    testsupport::saveScreenshot(*report, "report-window");
    file = ZELKON_SCREENSHOT_DIR "/printed-report.pdf";
    report->findChild<QPushButton*>("printReport")->click();
    EXPECT_EQ(printed, 8);
    EXPECT_TRUE(pdfText(file).contains("Day's Projects Report"));
    // The month's history log, absent in a new schedule, says so.
    dispatch(ReportCommand::monthHistory);
    ASSERT_NE(app->commands().printing().reports().window(), nullptr);
    EXPECT_TRUE(app->commands().printing().reports().window()->report().plain().find("No items were archived") !=
                std::string::npos);

    // Help shows the guide with its sections.
    dispatch(HelpCommand::contents);
    QTextBrowser* help = app->commands().printing().help().window();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    for (const char* section : {"The views", "Entering items", "The scheduler", "Sharing a schedule", "Keys"})
        EXPECT_TRUE(help->toPlainText().contains(section)) << section;
    testsupport::saveScreenshot(*help, "help-window");
    // Every link of the contents leads to its section.
    int sections = 0;
    for (const QRegularExpressionMatch& link : QRegularExpression("\\]\\(#([a-z-]+)\\)").globalMatch(userGuide())) {
        EXPECT_TRUE(showGuideSection(*help, link.captured(1))) << link.captured(1).toStdString();
        ++sections;
    }
    EXPECT_GT(sections, 5);
    EXPECT_GT(help->verticalScrollBar()->value(), 0) << "the last section lies below the first screen";
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
}

TEST_F(PrintCommandsTest, NotesPrintFromTheirWindowsAndFromTheViewedDaysItems)
{
    startPrinting();
    file = ZELKON_SCREENSHOT_DIR "/printed-notes.pdf";
    dispatch(PrintCommand::openNotes);
    ASSERT_EQ(presenter.texts().size(), 1u) << "nothing to print says so";
    presenter.clear();

    ItemHandle standUp;
    for (ItemHandle h : app->session().schedule().chain)
        if (app->session().schedule().storedDescription(h).starts_with("Team stand-up"))
            standUp = h;
    ASSERT_TRUE(standUp);
    NoteWindow* note = app->notes().open(standUp);
    ASSERT_NE(note, nullptr);
    note->editor().setPlainText("Bring the sales figures\nand the new badge");
    note->editor().document()->setModified(true);  // as typing leaves it
    // An open note prints as its window holds it.
    dispatch(PrintCommand::openNotes);
    QString text = printedText();
    EXPECT_TRUE(text.contains("OpenNotes"));
    EXPECT_TRUE(text.contains("Bringthesalesfigures")) << text.toStdString();
    // Saved and closed, it prints from its file with the day's other notes.
    ASSERT_TRUE(app->notes().close(*note));
    dispatch(PrintCommand::viewedScheduleNotes);
    text = printedText();
    EXPECT_TRUE(text.contains("Notesof")) << text.toStdString();
    EXPECT_TRUE(text.contains("Teamstand-up")) << text.toStdString();
    EXPECT_TRUE(text.contains("andthenewbadge")) << text.toStdString();
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
}

} // namespace
} // namespace zk
