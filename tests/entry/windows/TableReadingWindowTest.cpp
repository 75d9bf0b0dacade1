// Tables read off the event loop in the data entry window: the window is busy meanwhile and
// refuses a second start; a table beyond a limit is refused with its message and leaves the
// list as it was; what the window lists and keeps is the core's reading of the same file.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QTemporaryDir>
#include <QThreadPool>

#include "EntryWindowsFixture.h"
#include "entry/TableReader.h"

namespace kinetra {
namespace {

using testing::testData;

class TableReading : public testing::EntryTest {
protected:
    QString tableFile(const char* name, const QByteArray& bytes)
    {
        QFile file(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return file.fileName();
    }
    // "File" with the type "Tables", the dialog answering `path` and the choice of a data set
    // `chosen`; the reading is not waited for.
    void startTable(const QString& path, int chosen = 0)
    {
        platform->typeAnswers.push_back(1);
        platform->listAnswers.push_back(chosen);
        platform->fileAnswers.push_back(path);
        control<QRadioButton>("optFile")->click();
    }

    QTemporaryDir dir;
};

TEST_F(TableReading, TheBusyWindowRefusesASecondStartAndListsTheTableOnceRead)
{
    startTable(testData("tables/en_plate_wide.csv"), 1);
    BackgroundWork& work = form->backgroundWork();
    ASSERT_TRUE(work.busy());
    auto* busy = control<QLabel>("lblBusy");
    EXPECT_TRUE(busy->isVisible() && busy->text().contains(QStringLiteral("en_plate_wide.csv")));
    for (const char* held : {"optFile", "optKeyboard", "lvwDados", "cmmdataOk", "cmdDesenha"})
        EXPECT_FALSE(control(held)->isEnabled()) << held;
    EXPECT_TRUE(control("cmmStop")->isEnabled());

    // File again, and a paste, while the table is read: neither starts
    control<QRadioButton>("optFile")->click();
    QApplication::clipboard()->setText(QStringLiteral("1\t2\n"));
    list()->findChild<QAction*>(QStringLiteral("actPastePoints"))->trigger();
    EXPECT_EQ(platform->fileDialogTitles.size(), 1u);
    EXPECT_EQ(rowCount(), 0);

    work.wait();
    EXPECT_FALSE(busy->isVisible());
    EXPECT_EQ(rowCount(), 21) << "Mut, the second data set";
    EXPECT_TRUE(control("lvwDados")->isEnabled());
}

TEST_F(TableReading, BackWhileATableIsReadDropsIt)
{
    startTable(testData("tables/en_plate_wide.csv"));
    control<QPushButton>("Command1")->click();
    QThreadPool::globalInstance()->waitForDone();
    testing::settle(10);
    EXPECT_EQ(hub->dataEntryWindow(), nullptr);
    EXPECT_TRUE(platform->messages.empty()) << "the table's warnings are never shown";
}

TEST_F(TableReading, ATableBeyondTheSizeLimitSaysSoAndLeavesTheList)
{
    readFile(testData("entry_two_points.txt"));
    handOnAndReturn();
    const QString huge = tableFile("huge.csv", "S,v\n1,2\n");
    ASSERT_TRUE(QFile::resize(huge, static_cast<qint64>(kMaxTableBytes) + 1));  // sparse
    startTable(huge);
    form->backgroundWork().wait();
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_EQ(platform->messages[0].title, QStringLiteral("Wrong Data"));
    EXPECT_TRUE(platform->messages[0].text.endsWith(QStringLiteral("\": it is larger than %1 bytes").arg(kMaxTableBytes)));
    ASSERT_EQ(rowCount(), 2);
    EXPECT_EQ(row(2), (QStringList{"2", "3.000E+00", "4.000E+00"}));
    EXPECT_TRUE(st().otherDataSets.empty());
    EXPECT_TRUE(control("optFile")->isEnabled()) << "File can be chosen again";
}

TEST_F(TableReading, TheMessageShowsFifteenWarningsAndCountsTheRest)
{
    // 40 data sets of 201 rows: each warns that its 201st point is left out
    QByteArray text = "S";
    for (int c = 1; c <= 40; ++c) text += ",c" + QByteArray::number(c);
    text += "\n";
    for (int r = 1; r <= 201; ++r) text += QByteArray::number(r) + QByteArray(40, ',').replace(",", ",2") + "\n";
    startTable(tableFile("forty_sets.csv", text));
    form->backgroundWork().wait();
    ASSERT_EQ(platform->messages.size(), 1u);
    const QStringList lines = platform->messages[0].text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 2 + 15 + 1);  // the heading and a blank line, 15 warnings, the count
    EXPECT_TRUE(lines[16].contains(QStringLiteral("In data set \"c15\"")));
    EXPECT_EQ(lines.back(), QStringLiteral("25 further warnings are not shown."));
    EXPECT_EQ(rowCount(), 200);
}

TEST_F(TableReading, TheListAndTheOtherSetsAreTheCoresReadingOfTheFile)
{
    // three named data sets of 250 rows each: each keeps its first 200 points, with a warning
    QByteArray text = "set,S (mM),v\r\n";
    for (int i = 0; i < 750; ++i) {
        const double s = 0.01 * (1 + i / 3);
        text += "ABC"[i % 3] + QByteArray(",") + QByteArray::number(s) + "," +
                QByteArray::number(40 * s / (0.5 + s) + i % 7 * 0.01) + "\r\n";
    }
    const QString path = tableFile("three_sets.csv", text);
    startTable(path, 2);
    form->backgroundWork().wait();

    const TableRead core = readTableFile(QFile::encodeName(path).toStdString());
    ASSERT_EQ(core.dataSets.size(), 3u);
    ASSERT_EQ(platform->messages.size(), 1u);
    EXPECT_TRUE(platform->messages[0].text.endsWith(QString::fromStdString(core.warnings.back())));
    const std::vector<DataSet> others = otherTableSets(core.dataSets, 2, ReportLabels{});
    ASSERT_EQ(st().otherDataSets.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) EXPECT_EQ(st().otherDataSets[k].rate, others[k].rate);
    chooseNoReport();
    drawGraph();
    const DataSet listed = tableDataSet(core.dataSets[2], ReportLabels{});
    EXPECT_EQ(st().dataSet.concentration, listed.concentration);
    EXPECT_EQ(st().dataSet.rate, listed.rate);
}

}  // namespace
}  // namespace kinetra
