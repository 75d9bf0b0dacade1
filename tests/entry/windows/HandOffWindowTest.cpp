// "Draw Graph": the save question and the saved point file, the copy into the shared
// arrays with its sort and the rewritten list, the report header and data section on a file
// or the printer, files that cannot be written, and the opening of graph 1.
#include <QRegularExpression>
#include <QTemporaryDir>

#include "EntryWindowsFixture.h"
#include "entry/DataFileReader.h"

namespace kinetra {
namespace {

using testing::answerChoice;
using testing::EntryTest;
using testing::readAll;
using testing::settle;
using testing::testData;
using testing::typeText;

class HandOffWindow : public EntryTest {
protected:
    void SetUp() override
    {
        EntryTest::SetUp();
        ASSERT_TRUE(dir.isValid());
    }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    // The five unsorted points with row 3 deleted and the labels of the golden report.
    void prepareFourPoints()
    {
        readFile(testData("entry_five_unsorted.txt"));
        clickRow(3, QStringLiteral("optdelete"));
        typeText(control<QLineEdit>("txtUser"), QStringLiteral("Ana"));
        typeText(control<QLineEdit>("txtExperiment"), QStringLiteral("Run 7"));
        typeText(control<QLineEdit>("txtRatUnit"), QStringLiteral(" U/mg "));
        typeText(control<QLineEdit>("txtSubConUnit"), QStringLiteral("mM"));
        typeText(control<QLineEdit>("txtSubLigand"), QStringLiteral("ATP"));
    }

    // The report with its moment and file name masked.
    static QByteArray masked(QByteArray text, const QString& fileName)
    {
        QString s = QString::fromUtf8(text);
        s.replace(QRegularExpression(QStringLiteral("Date: \\d\\d/\\d\\d/\\d{4}")), QStringLiteral("Date: DD/MM/YYYY"));
        s.replace(QRegularExpression(QStringLiteral("Hour: \\d\\d:\\d\\d:\\d\\d")), QStringLiteral("Hour: HH:MM:SS"));
        s.replace(fileName, QStringLiteral("<FILE>"));
        return s.toUtf8();
    }

    QTemporaryDir dir;
};

TEST_F(HandOffWindow, SortsTheKeptPointsAndRewritesTheList)
{
    prepareFourPoints();
    chooseNoReport();
    answerChoice(QStringLiteral("optno"));
    drawGraph();

    const double conc[] = {1, 2, 4, 10}, rate[] = {10, 20, 40, 30};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_DOUBLE_EQ(st().dataSet.concentration.at(k - 1), conc[k - 1]) << k;
        EXPECT_DOUBLE_EQ(st().dataSet.rate.at(k - 1), rate[k - 1]) << k;
    }
    EXPECT_EQ(st().pointCount, 4);
    EXPECT_EQ(row(1), (QStringList{"1", "1.000E+00", "1.000E+01"}));
    EXPECT_EQ(row(4), (QStringList{"4", "1.000E+01", "3.000E+01"}));
    EXPECT_EQ(row(5), (QStringList{"", "", ""}));
    EXPECT_EQ(st().dataSet.rateUnit, "U/mg");
    EXPECT_EQ(st().dataSet.concUnit, "mM");
    EXPECT_EQ(st().dataSet.ligandName, "ATP");
    EXPECT_EQ(hub->dataEntryWindow(), form) << "hidden, not closed";
    EXPECT_FALSE(form->isVisibleTo(hub.get()));
    EXPECT_NE(hub->graph1Window(), nullptr);
    EXPECT_TRUE(hub->graph1Window()->isVisibleTo(hub.get()));
    EXPECT_TRUE(form->dataEdited()) << "the hand-off leaves dataEdited as it was";
}

TEST_F(HandOffWindow, TypedPointsSavedInListOrderReadBackAsADataFile)
{
    typePoints({{"3", "30"}, {"1.23456789", "12"}, {"2", "20"}});
    const QString saved = path("entry_saved_points.txt");
    chooseNoReport();
    answerChoice(QStringLiteral("optyes"));
    platform->fileAnswers.push_back(saved);
    drawGraph();
    EXPECT_EQ(form->changedDataFileName(), saved);
    EXPECT_EQ(readAll(saved), QByteArray("3,30\r\n1.2345679,12\r\n2,20\r\n"));
    EXPECT_DOUBLE_EQ(st().dataSet.concentration.at(1 - 1), 1.2345679);
    EXPECT_EQ(row(1), (QStringList{"1", "1.235E+00", "1.200E+01"}));

    const std::vector<ReadRecord> back = readDataFile(saved.toStdString());
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[1].concentrationText, "1.235E+00");
    EXPECT_EQ(back[2].rateText, "2.000E+01");
}

TEST_F(HandOffWindow, NoToTheSaveQuestionWritesNoFile)
{
    typePoints({{"1", "2"}});
    chooseNoReport();
    answerChoice(QStringLiteral("optno"));
    const std::size_t dialogs = platform->fileDialogTitles.size();
    drawGraph();
    EXPECT_EQ(platform->fileDialogTitles.size(), dialogs);
    EXPECT_NE(hub->graph1Window(), nullptr);
}

TEST_F(HandOffWindow, ASavedPointFileThatCannotBeWrittenStopsTheHandOff)
{
    typePoints({{"3", "30"}, {"1", "10"}});
    chooseNoReport();
    answerChoice(QStringLiteral("optyes"));
    platform->fileAnswers.push_back(path("no_such_folder/points.txt"));
    drawGraph();
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_TRUE(platform->messages[0].text.contains(QStringLiteral("points.txt")));
    EXPECT_EQ(hub->graph1Window(), nullptr);
    EXPECT_TRUE(form->isVisibleTo(hub.get()));
    EXPECT_EQ(row(1), (QStringList{"1", "3.0000000E+00", "3.0000000E+01"})) << "the list is untouched";
    EXPECT_EQ(st().pointCount, 2);
    EXPECT_EQ(st().dataSet.pointCount(), 0) << "nothing was handed on";
}

TEST_F(HandOffWindow, ReportFileMatchesTheGoldenHeaderAndData)
{
    prepareFourPoints();
    const QString report = path("entry_report.txt");
    chooseReportFile(report);
    answerChoice(QStringLiteral("optno"));
    drawGraph();
    EXPECT_EQ(masked(readAll(report), report), readAll(testData("entry_report_four_points.golden")));

    // a second hand-off replaces the file
    hub->closeGraph1();
    hub->showDataEntry();
    settle();
    chooseReportFile(report);
    drawGraph();
    EXPECT_EQ(masked(readAll(report), report), readAll(testData("entry_report_four_points.golden")));
}

TEST_F(HandOffWindow, ThePrinterReportStaysOpenForTheCalculation)
{
    prepareFourPoints();
    control<QPushButton>("cmmdataOk")->click();
    control<QRadioButton>("optDestPrinter")->click();
    answerChoice(QStringLiteral("optno"));
    drawGraph();
    ASSERT_NE(hub->reportJob(), nullptr);
    const std::vector<std::string> lines = platform->openJobLines();
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines[1], std::string(31, ' ') + "K I N E T R A" + std::string(22, ' '));
    EXPECT_EQ(lines[6], "          Rate unit:  U/mg ");
    EXPECT_EQ(lines[15], "          DATA" + std::string(16, ' ') + "CONCENTRATION" + std::string(13, ' ') + "RATE");
    EXPECT_EQ(lines[17], "          1" + std::string(16, ' ') + "1.000E+00" + std::string(13, ' ') + "1.000E+01");
    EXPECT_EQ(lines[21], std::string(9, ' ') + std::string(83, '-'));
    EXPECT_EQ(platform->jobsEnded, 0);
}

TEST_F(HandOffWindow, TheReportUsesTheLocaleSeparator)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    typePoints({{"0,5", "12,5"}});
    const QString report = path("entry_report_de.txt");
    chooseReportFile(report);
    answerChoice(QStringLiteral("optno"));
    drawGraph();
    const QList<QByteArray> lines = readAll(report).split('\n');
    ASSERT_GE(lines.size(), 19);
    EXPECT_EQ(lines[17], QByteArray("          1         5,000E-01             1,250E+01\r"));
    EXPECT_DOUBLE_EQ(st().dataSet.concentration.at(1 - 1), 0.5);
    EXPECT_EQ(row(1), (QStringList{"1", "5,000E-01", "1,250E+01"}));
}

TEST_F(HandOffWindow, AReportFileThatCannotBeCreatedLeavesTheAnalysisGoing)
{
    readFile(testData("entry_two_points.txt"));
    chooseReportFile(path("no_such_folder/report.txt"));
    drawGraph();
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_TRUE(platform->messages[0].text.contains(QStringLiteral("report.txt")));
    EXPECT_NE(hub->graph1Window(), nullptr);
    EXPECT_TRUE(st().outputFileName.empty()) << "the results will not try the file again";
    EXPECT_EQ(st().pointCount, 2);
}

TEST_F(HandOffWindow, PointsBeingAddedAreCountedBeforeTheCopy)
{
    readFile(testData("entry_two_points.txt"));
    clickRow(1, QStringLiteral("optad"));
    frmExpPontos* added = form->addedPointsWindow();
    ASSERT_NE(added, nullptr);
    typeText(added->txtConTeclado, QStringLiteral("5"));
    testing::pressEnter(added->txtConTeclado);
    typeText(added->txtRatTeclado, QStringLiteral("6"));
    answerChoice(QStringLiteral("optyes"));
    testing::pressEnter(added->txtRatTeclado);
    ASSERT_TRUE(added->isVisible());  // waiting for point 4

    chooseNoReport();
    answerChoice(QStringLiteral("optno"));
    drawGraph();
    EXPECT_FALSE(added->isVisible());
    EXPECT_EQ(st().pointCount, 3);
    EXPECT_DOUBLE_EQ(st().dataSet.concentration.at(3 - 1), 5.0);
    EXPECT_EQ(row(3), (QStringList{"3", "5.000E+00", "6.000E+00"}));
    EXPECT_EQ(row(4), (QStringList{"", "", ""})) << "the row of the unfinished point";
}

}  // namespace
}  // namespace kinetra
