// The scripted platform that every window test relies on: answers in order, recorded
// messages and print jobs, and real PDF output paginated as on paper.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include "platform/PrintPages.h"
#include "platform/ScriptedPlatform.h"
#include "base/RuntimeFailure.h"

namespace kinetra {
namespace {

// Pages of a PDF file: its page objects ("/Type /Page", not the "/Type /Pages" tree).
int pdfPageCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray pdf = file.readAll();
    if (!pdf.startsWith("%PDF")) return -1;
    int pages = 0;
    for (qsizetype at = pdf.indexOf("/Type /Page"); at >= 0; at = pdf.indexOf("/Type /Page", at + 1)) {
        if (pdf.mid(at + 11, 1) != "s") ++pages;
    }
    return pages;
}

std::vector<std::string> numberedLines(int count)
{
    std::vector<std::string> lines;
    for (int i = 1; i <= count; ++i) lines.push_back("line " + std::to_string(i) + " of the report");
    return lines;
}

TEST(ScriptedPlatformTest, TextJobsGiveRealPdfsWithTheRightPageCount)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ScriptedPlatform platform;
    platform.pdfDirectory = dir.path();
    const int perPage = platform.pdfLinesPerPage();
    ASSERT_GT(perPage, 20) << "a 10 pt face fills an A4 page with many lines";

    struct Case {
        int lines;
        int pages;
    };
    const std::vector<Case> cases = {{1, 1}, {perPage, 1}, {perPage + 1, 2}, {3 * perPage, 3}, {3 * perPage + 2, 4}};
    for (std::size_t k = 0; k < cases.size(); ++k) {
        SCOPED_TRACE(cases[k].lines);
        std::unique_ptr<TextPrintJob> job = platform.beginTextJob(QStringLiteral("report"));
        for (const std::string& line : numberedLines(cases[k].lines)) job->writeLine(line);
        EXPECT_EQ(platform.openJobLines().size(), static_cast<std::size_t>(cases[k].lines));
        EXPECT_FALSE(QFile::exists(platform.jobPdfPath(static_cast<int>(k) + 1))) << "printed only when ended";
        job->end();
        EXPECT_EQ(pdfPageCount(platform.jobPdfPath(static_cast<int>(k) + 1)), cases[k].pages);
        EXPECT_EQ(platform.printedJobs.back(), numberedLines(cases[k].lines));
        EXPECT_TRUE(platform.openJobLines().empty());
    }
    EXPECT_EQ(platform.jobsBegun, 5);
    EXPECT_EQ(platform.jobsEnded, 5);
}

TEST(ScriptedPlatformTest, AJobNeverEndedPrintsNothingAndAnEmptyJobNoPaper)
{
    QTemporaryDir dir;
    ScriptedPlatform platform;
    platform.pdfDirectory = dir.path();
    {
        auto abandoned = platform.beginTextJob(QStringLiteral("abandoned"));
        abandoned->writeLine("never printed");
        EXPECT_TRUE(platform.hasOpenJob());
    }
    EXPECT_FALSE(platform.hasOpenJob());
    EXPECT_TRUE(platform.printedJobs.empty());
    auto empty = platform.beginTextJob(QStringLiteral("empty"));
    empty->end();
    empty->end();  // a second end changes nothing
    EXPECT_EQ(platform.jobsEnded, 1);
    EXPECT_FALSE(QFile::exists(platform.jobPdfPath(2)));
}

TEST(ScriptedPlatformTest, PrintedPictureIsOnePage)
{
    QTemporaryDir dir;
    ScriptedPlatform platform;
    platform.pdfDirectory = dir.path();
    QLabel picture(QStringLiteral("graph"));
    picture.resize(787, 533);  // a graph window, larger than the page at screen size
    platform.printWidget(&picture);
    EXPECT_EQ(platform.picturesPrinted, 1);
    EXPECT_EQ(pdfPageCount(platform.picturePdfPath(1)), 1);
    // drawn as text and lines: no picture of the page at the printer's resolution
    QFile pdf(platform.picturePdfPath(1));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_FALSE(pdf.readAll().contains("/Subtype /Image"));
}

// A black square 10 px from the top-left corner of a 100 x 80 px widget.
class Square : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(10, 10, 20, 20, Qt::black); }
};

TEST(ScriptedPlatformTest, PictureOnAPageKeepsItsSizeOrShrinksToFit)
{
    Square widget;
    widget.resize(100, 80);
    // the page, and device dots per widget pixel there: 1200 dpi over 96, or shrunk to fit
    const std::pair<QRectF, double> cases[] = {{QRectF(0, 0, 1400, 1100), 12.5}, {QRectF(40, 30, 500, 900), 5.0}};
    for (const auto& [place, dotsPerPixel] : cases) {
        QImage page(1400, 1100, QImage::Format_RGB32);
        page.setDotsPerMeterX(47244);  // 1200 dpi
        page.setDotsPerMeterY(47244);
        page.fill(Qt::white);
        QPainter painter(&page);
        paintWidgetOnPage(painter, place, widget);
        painter.end();
        const auto at = [&](double px, double py) {
            return qGray(page.pixel(int(place.x() + px * dotsPerPixel), int(place.y() + py * dotsPerPixel)));
        };
        SCOPED_TRACE(dotsPerPixel);
        EXPECT_EQ(at(20, 20), 0);    // the square's middle
        EXPECT_EQ(at(11, 29), 0);    // near its corners
        EXPECT_GT(at(8, 20), 200);   // beside it
        EXPECT_GT(at(20, 32), 200);  // below it
        EXPECT_GT(at(60, 60), 200);
    }
}

TEST(ScriptedPlatformTest, FailingPrinterThrowsThePrinterFailure)
{
    ScriptedPlatform platform;
    auto job = platform.beginTextJob(QStringLiteral("report"));
    platform.failPrinting = true;
    QLabel picture;
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"begin", [&] { platform.beginTextJob(QStringLiteral("x")); }},
        {"write", [&] { job->writeLine("x"); }},
        {"end", [&] { job->end(); }},
        {"picture", [&] { platform.printWidget(&picture); }},
    };
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        try {
            call();
            ADD_FAILURE() << "no failure";
        } catch (const RuntimeFailure& f) {
            EXPECT_EQ(f.number(), kPrinterErrorNumber);
            EXPECT_EQ(f.description(), kPrinterErrorText);
        }
    }
    EXPECT_TRUE(platform.printedJobs.empty());
}

TEST(ScriptedPlatformTest, DialogsAnswerInOrderAndRecordWhatWasAsked)
{
    ScriptedPlatform platform;
    platform.fileAnswers = {QStringLiteral("/data/a.txt"), QStringLiteral("/out/r.txt")};
    platform.printerAnswers = {false};
    int seen = 0;
    platform.onMessage = [&seen](const ScriptedPlatform::Message& m) {
        ++seen;
        EXPECT_EQ(m.icon, MessageIcon::Critical);
    };
    EXPECT_EQ(platform.openFileName(nullptr, QStringLiteral("Open"), QStringLiteral("/data")), "/data/a.txt");
    EXPECT_EQ(platform.saveFileName(nullptr, QStringLiteral("Save"), QStringLiteral("/out")), "/out/r.txt");
    EXPECT_EQ(platform.openFileName(nullptr, QStringLiteral("Again"), QString()), QString()) << "cancelled";
    EXPECT_EQ(platform.fileDialogTitles, (std::vector<QString>{"Open", "Save", "Again"}));
    EXPECT_EQ(platform.fileDialogDirs, (std::vector<QString>{"/data", "/out", ""}));
    EXPECT_FALSE(platform.choosePrinter(nullptr));
    EXPECT_TRUE(platform.choosePrinter(nullptr)) << "OK once the script is used up";
    EXPECT_EQ(platform.printerDialogs, 2);
    platform.message(nullptr, QStringLiteral("bad"), QStringLiteral("Crítica de Dados"), MessageIcon::Critical);
    EXPECT_EQ(seen, 1);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].title, QStringLiteral("Crítica de Dados"));
}

}  // namespace
}  // namespace kinetra
