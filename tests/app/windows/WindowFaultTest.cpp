// Faults met on the way through the real windows, driven through the hub: data files that
// cannot be read or hold hostile values, report and point files that cannot be written, a
// printer that fails at each of its three moments, and points at the ends of the double
// range carried from the hand-off to graph 2. Each must end in a clear message, keep what
// the user entered, leave a window that works, and never show NaN or inf anywhere.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "app/frmMenu.h"
#include "entry/DataFileReader.h"
#include "windows/entry/frmEntDados.h"
#include "windows/graphs/frmGrafico1.h"
#include "windows/graphs/frmGrafico2.h"
#include "kinetics/windows/PointsAnswerer.h"
#include "support/GuiTestSupport.h"

namespace kinetra {
namespace {

using testing::findControl;
using testing::GuiTest;
using testing::PointsAnswerer;
using testing::PointsEntry;
using testing::settle;
using testing::typeText;
using testing::whenModalNamed;
using testing::answerNamed;
using testing::typePoints;

const QString kCritica = QStringLiteral("Crítica de Dados");
const QString kWrongData = QStringLiteral("Wrong Data");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// "nan", "inf" or "infinity" as a word, in any case.
bool showsNanOrInf(const QString& text)
{
    static const QRegularExpression word(QStringLiteral("\\b(nan|inf|infinity)\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    return word.match(text).hasMatch();
}

// Every text a widget shows: labels, fields, list cells, button captions, frame titles.
QStringList widgetTexts(const QWidget* w)
{
    QStringList texts{w->windowTitle()};
    if (const auto* label = qobject_cast<const QLabel*>(w)) texts << label->text();
    if (const auto* field = qobject_cast<const QLineEdit*>(w)) texts << field->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) texts << button->text();
    if (const auto* frame = qobject_cast<const QGroupBox*>(w)) texts << frame->title();
    if (const auto* list = qobject_cast<const QTreeWidget*>(w)) {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            for (int c = 0; c < list->columnCount(); ++c) texts << list->topLevelItem(i)->text(c);
    }
    return texts;
}

// The texts and coordinates of a picture: no NaN or inf text, every coordinate finite.
void expectSanePicture(const DisplayList& list, const char* which)
{
    auto finite = [](PointF p) { return std::isfinite(p.x) && std::isfinite(p.y); };
    for (const DrawOp& op : list.ops) {
        if (const auto* t = std::get_if<Text>(&op)) {
            EXPECT_FALSE(showsNanOrInf(QString::fromStdString(t->text))) << which << " draws \"" << t->text << '"';
            EXPECT_TRUE(finite(t->topLeft)) << which << " places \"" << t->text << "\" nowhere";
        } else if (const auto* l = std::get_if<Line>(&op)) {
            EXPECT_TRUE(finite(l->from) && finite(l->to)) << which << " draws a line to nowhere";
        } else if (const auto* c = std::get_if<Circle>(&op)) {
            EXPECT_TRUE(finite(c->centre) && std::isfinite(c->radius)) << which << " draws a circle nowhere";
        } else if (const auto* d = std::get_if<Dot>(&op)) {
            EXPECT_TRUE(finite(d->at)) << which << " draws a dot nowhere";
        }
    }
}

int countLines(const std::vector<std::string>& lines, const char* part)
{
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [part](const std::string& l) { return l.find(part) != std::string::npos; }));
}

// A literal's bytes, NULs included.
template <std::size_t N>
QByteArray bytesOf(const char (&literal)[N])
{
    return QByteArray(literal, N - 1);
}

// A data file's lines joined with CR LF.
QByteArray records(const QStringList& lines)
{
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
}

class WindowFaults : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        ASSERT_TRUE(dir.isValid());
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString dataFile(const QString& name, const QByteArray& bytes)
    {
        const QString p = path(name);
        EXPECT_TRUE(writeFile(p, bytes)) << p.toStdString();
        return p;
    }

    // From whatever is open back to a fresh data entry window, as the menu's command does.
    frmEntDados* freshEntry()
    {
        hub->closeGraph1();
        hub->closeCalculation();
        hub->closeGraph2();
        hub->closeDataEntry();
        hub->showMenu();
        settle();
        platform->messages.clear();
        hub->menuWindow()->cmdMenCalcula->click();
        settle();
        auto* entry = qobject_cast<frmEntDados*>(hub->dataEntryWindow());
        EXPECT_NE(entry, nullptr);
        return entry;
    }

    void readFile(frmEntDados* entry, const QString& file)
    {
        platform->fileAnswers.push_back(file);
        entry->optFile->click();
        settle();
    }


    static QList<QStringList> listRows(const frmEntDados* entry)
    {
        QList<QStringList> rows;
        for (int i = 0; i < entry->lvwDados->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = entry->lvwDados->topLevelItem(i);
            rows << QStringList{item->text(0), item->text(1), item->text(2)};
        }
        return rows;
    }

    // No widget of any window (open, hidden or a dialog kept for later), no message and no
    // picture of a graph window shows NaN or inf.
    void expectNoNanOrInfShown()
    {
        for (const QWidget* w : QApplication::allWidgets()) {
            for (const QString& text : widgetTexts(w))
                EXPECT_FALSE(showsNanOrInf(text))
                    << w->objectName().toStdString() << " shows \"" << text.toStdString() << '"';
        }
        for (const auto& m : platform->messages)
            EXPECT_FALSE(showsNanOrInf(m.text)) << "message \"" << m.text.toStdString() << '"';
        if (auto* g1 = qobject_cast<frmGrafico1*>(hub->graph1Window())) expectSanePicture(g1->picture(), "graph 1");
        if (auto* g2 = qobject_cast<frmGrafico2*>(hub->graph2Window()))
            for (const DisplayList& layer : g2->picture()) expectSanePicture(layer, "graph 2");
    }

    // The window the user goes on with: shown, enabled, nothing modal in its way.
    static void expectWorking(QWidget* window, const char* which)
    {
        ASSERT_NE(window, nullptr) << which << " is not open";
        EXPECT_TRUE(window->isVisible()) << which;
        EXPECT_TRUE(window->isEnabled()) << which;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << which << " is blocked";
    }

    // The messages so far, one a line, for failure reports.
    std::string messagesShown() const
    {
        std::string all;
        for (const auto& m : platform->messages)
            all += "\n  " + m.title.toStdString() + ": " + m.text.simplified().toStdString();
        return all;
    }

    // The one message of a read or calculation failure: "Wrong Data" with its number.
    void expectWrongData(int number)
    {
        ASSERT_EQ(platform->messages.size(), 1u);
        const auto& box = platform->messages[0];
        EXPECT_EQ(box.title, kWrongData);
        EXPECT_EQ(box.icon, MessageIcon::Critical);
        EXPECT_TRUE(box.text.startsWith(QStringLiteral("Error\r\n\r\nErro Number: %1\r\nDescription: ").arg(number)))
            << box.text.toStdString();
    }

    QTemporaryDir dir;
};

// ---------------------------------------------------------------- data files

// 200 good records, then 50 MB that would fail the read if any of it were read: overflowing
// numbers and a record cut off by the end of the file.
QByteArray fiftyMegabytes()
{
    QByteArray bytes;
    for (int k = 1; k <= 200; ++k) bytes += QByteArray::number(k) + ',' + QByteArray::number(2 * k) + "\r\n";
    const QByteArray poison = "1E999,1E999\r\n";
    bytes.reserve(50 * 1024 * 1024 + 64);
    while (bytes.size() < 50 * 1024 * 1024) bytes += poison;
    return bytes + "7";
}

// Bytes of every value, NULs among them, from a fixed seed.
QByteArray binaryGarbage()
{
    std::mt19937 random(20240611);
    QByteArray bytes(64 * 1024, '\0');
    for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
    return bytes;
}

enum class Source { Bytes, Missing, Directory };

struct FileCase {
    const char* what;
    Source source;
    QByteArray bytes;
    int failure = 0;              // the "Wrong Data" number; 0: the file is listed
    int rows = 0;                 // rows listed
    int warnings = 0;             // "must be greater than zero" warnings
    std::vector<QStringList> expectedRows = {};  // rows to check, by their number text
};

class DataFileFaults : public WindowFaults {
protected:
    QString fileOf(const FileCase& c)
    {
        switch (c.source) {
        case Source::Missing: return path(QStringLiteral("no such file.txt"));
        case Source::Directory: return dir.path();
        case Source::Bytes: break;
        }
        return dataFile(QStringLiteral("case.txt"), c.bytes);
    }
};

TEST_F(DataFileFaults, EachFileEndsInItsMessageWithTheWindowsConsistent)
{
    const QString longDigits(100000, QLatin1Char('9'));
    const QString longBlanks(100000, QLatin1Char(' '));
    const std::vector<FileCase> cases = {
        {"missing", Source::Missing, {}, 53},
        {"a directory", Source::Directory, {}, 75},
        {"a record cut off", Source::Bytes, "1,2\r\n3,4\r\n5", 62},
        {"an empty line at the end", Source::Bytes, "1,2\r\n3,4\r\n\r\n", 62},
        {"1E999", Source::Bytes, records({"1,2", "1E999,3"}), 6},
        {"-1E999 as a rate", Source::Bytes, records({"1,2", "3,-1E999"}), 6},
        {"1.7977E+308, listed as 1.798E+308", Source::Bytes, records({"1.7977E+308,1"}), 6},
        {"NaN and Inf texts", Source::Bytes,
         records({"NaN,1", "2,inf", "-Infinity,3", "4,nan(0x1)", "+INF,5", "6,7"}), 0, 6, 5,
         {{"1", "0.000E+00", "1.000E+00"},
          {"2", "2.000E+00", "0.000E+00"},
          {"3", "0.000E+00", "3.000E+00"},
          {"6", "6.000E+00", "7.000E+00"}}},
        {"NULs and control bytes as fields", Source::Bytes,
         bytesOf("\x00\x01\x02,\xff\xfe\r\n\x00\x00\x00 \x7f\r\n8,9\r\n"), 0, 3, 2,
         {{"1", "0.000E+00", "0.000E+00"}, {"3", "8.000E+00", "9.000E+00"}}},
        {"a 100,000-digit field", Source::Bytes, records({"1," + longDigits, "3,4"}), 0, 2, 1,
         {{"1", "1.000E+00", "0.000E+00"}, {"2", "3.000E+00", "4.000E+00"}}},
        {"100,000 blanks between the fields", Source::Bytes, records({"1," + longBlanks + "2"}), 0, 1, 0,
         {{"1", "1.000E+00", "2.000E+00"}}},
        {"50 MB, of which 200 records are read", Source::Bytes, fiftyMegabytes(), 0, 200, 0,
         {{"1", "1.000E+00", "2.000E+00"}, {"200", "2.000E+02", "4.000E+02"}}},
    };

    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.what);
        frmEntDados* entry = freshEntry();
        ASSERT_NE(entry, nullptr);
        hub->state().pointCount = 7;  // what a failed read must leave alone
        hub->state().nextPointNumber = 8;
        readFile(entry, fileOf(c));

        if (c.failure != 0) {
            expectWrongData(c.failure);
            EXPECT_EQ(hub->dataEntryWindow(), nullptr) << "a failed read closes the data entry window";
            expectWorking(hub->menuWindow(), "the menu");
            EXPECT_EQ(hub->state().pointCount, 7);
            EXPECT_EQ(hub->state().nextPointNumber, 8);
        } else {
            ASSERT_EQ(platform->messages.size(), static_cast<std::size_t>(c.warnings));
            for (const auto& m : platform->messages) {
                EXPECT_EQ(m.text, QString::fromUtf8(kReadWarningText));
                EXPECT_EQ(m.title, kCritica);
            }
            expectWorking(entry, "the data entry window");
            EXPECT_TRUE(entry->lvwDados->isEnabled());
            const QList<QStringList> rows = listRows(entry);
            ASSERT_EQ(rows.size(), c.rows);
            EXPECT_EQ(hub->state().pointCount, c.rows);
            EXPECT_EQ(hub->state().nextPointNumber, c.rows + 1);
            for (const QStringList& expected : c.expectedRows)
                EXPECT_EQ(rows[expected[0].toInt() - 1], expected);
        }
        expectNoNanOrInfShown();
    }
}

TEST_F(DataFileFaults, BinaryGarbageIsListedAsZerosWithTheirWarnings)
{
    // NULs and bytes above 127 are field characters like any other: fields that are no
    // number read as 0, and each record not above zero is warned about
    frmEntDados* entry = freshEntry();
    ASSERT_NE(entry, nullptr);
    readFile(entry, dataFile(QStringLiteral("garbage.bin"), binaryGarbage()));
    ASSERT_EQ(hub->dataEntryWindow(), entry) << messagesShown();
    expectWorking(entry, "the data entry window");
    const int rows = entry->lvwDados->topLevelItemCount();
    EXPECT_GT(rows, 0);
    EXPECT_LE(rows, 200);
    EXPECT_EQ(hub->state().pointCount, rows);
    EXPECT_GT(platform->messages.size(), 0u);
    EXPECT_LE(platform->messages.size(), static_cast<std::size_t>(rows)) << "at most one warning a record";
    for (const auto& m : platform->messages) EXPECT_EQ(m.text, QString::fromUtf8(kReadWarningText));
    expectNoNanOrInfShown();
}

// ---------------------------------------------------------------- files that cannot be written

struct UnwritableCase {
    const char* what;
    std::function<QString(const QString& regularFile, const QString& folder)> path;
    bool sizeLimit;                 // files may grow no further than a few bytes
    const char* reportDescription;  // the failure's description each message must give (null: any)
    const char* pointsDescription;
};

const std::vector<UnwritableCase>& unwritableCases()
{
    static const std::vector<UnwritableCase> cases = {
        {"a folder that is a regular file",
         [](const QString& file, const QString&) { return file + QStringLiteral("/x.txt"); }, false,
         "Path/File access error", "Path/File access error"},
        // (a report's missing folder is described as its missing file: not checked here)
        {"a folder of /proc", [](const QString&, const QString&) { return QStringLiteral("/proc/kinetra/x.txt"); },
         false, nullptr, "Path/File access error"},
        // a device is never replaced by a saved point file
        {"the full disk device", [](const QString&, const QString&) { return QStringLiteral("/dev/full"); }, false,
         "Disk full", "Path/File access error"},
        {"a file size limit, as on a full disk",
         [](const QString&, const QString& folder) { return folder + QStringLiteral("/limited.txt"); }, true,
         "Disk full", "Disk full"},
    };
    return cases;
}

// While it lives, no file of the process grows beyond 16 bytes (a write past it fails as on
// a full disk, instead of raising the signal that would end the process).
class FileSizeLimit {
public:
    explicit FileSizeLimit(bool active) : active_(active)
    {
        if (!active_) return;
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tight = saved_;
        tight.rlim_cur = 16;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    }
    ~FileSizeLimit()
    {
        if (!active_) return;
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    bool active_;
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};

class UnwritableFiles : public WindowFaults {
protected:
    QString regularFile() { return dataFile(QStringLiteral("a file.txt"), "not a folder"); }
};

TEST_F(UnwritableFiles, AReportFileThatCannotBeWrittenLetsTheAnalysisGoOnWithoutIt)
{
    for (const UnwritableCase& c : unwritableCases()) {
        SCOPED_TRACE(c.what);
        const QString report = c.path(regularFile(), dir.path());
        frmEntDados* entry = freshEntry();
        ASSERT_NE(entry, nullptr);
        readFile(entry, QStringLiteral(KINETRA_TEST_DATA_DIR "/worked_case_13_points.txt"));
        typeText(entry->txtRatUnit, QStringLiteral("U/mg"));
        entry->cmmdataOk->click();
        platform->fileAnswers.push_back(report);
        entry->optDestFile->click();
        const QList<QStringList> listed = listRows(entry);
        {
            FileSizeLimit limit(c.sizeLimit);
            entry->cmdDesenha->click();
        }
        settle();

        ASSERT_EQ(platform->messages.size(), 1u);
        const auto& box = platform->messages[0];
        EXPECT_EQ(box.title, kCritica);
        EXPECT_TRUE(box.text.contains(report)) << box.text.toStdString();
        if (c.reportDescription) {
            EXPECT_TRUE(box.text.contains(QLatin1String(c.reportDescription))) << box.text.toStdString();
        }
        EXPECT_TRUE(hub->state().outputFileName.empty()) << "the calculation will not try the file again";

        // nothing entered is lost: the points went on, the list still holds them (sorted)
        EXPECT_EQ(listRows(entry), listed) << "the file's points were already in order";
        EXPECT_EQ(hub->state().pointCount, 13);
        expectWorking(hub->graph1Window(), "graph 1");

        // and the calculation runs to its results without a further word about the file
        findControl<QPushButton>(hub->graph1Window(), QStringLiteral("cmdNext"))->click();
        settle();
        QWidget* calc = hub->calculationWindow();
        ASSERT_NE(calc, nullptr);
        {
            PointsAnswerer answers({{QStringLiteral("1"), QStringLiteral("13"), QStringLiteral("5")}});
            findControl<QPushButton>(calc, QStringLiteral("Command1"))->click();
            settle();
            EXPECT_TRUE(answers.exhausted());
        }
        EXPECT_EQ(platform->messages.size(), 1u);
        ASSERT_EQ(hub->calculationWindow(), calc);
        EXPECT_TRUE(findControl<QGroupBox>(calc, QStringLiteral("fraGrafico2"))->isVisible());
        EXPECT_EQ(findControl<QLabel>(calc, QStringLiteral("Label9"))->text(), QStringLiteral("1.000E+02  U/mg"));
        expectWorking(calc, "the calculation window");
        expectNoNanOrInfShown();
    }
}

TEST_F(UnwritableFiles, ASavedPointFileThatCannotBeWrittenKeepsEveryTypedPoint)
{
    const std::vector<std::pair<QString, QString>> typed = {{"3", "30"}, {"1.5", "12.25"}, {"2", "20"}};
    for (const UnwritableCase& c : unwritableCases()) {
        SCOPED_TRACE(c.what);
        const QString target = c.path(regularFile(), dir.path());
        frmEntDados* entry = freshEntry();
        ASSERT_NE(entry, nullptr);
        typePoints(entry, typed);
        const QList<QStringList> listed = listRows(entry);
        ASSERT_EQ(listed.size(), 3);
        entry->cmmdataOk->click();
        entry->optDestNone->click();
        answerNamed("frmsalvaarquivo", "optyes");
        platform->fileAnswers.push_back(target);
        {
            FileSizeLimit limit(c.sizeLimit);
            entry->cmdDesenha->click();
        }
        settle();

        ASSERT_EQ(platform->messages.size(), 1u);
        const auto& box = platform->messages[0];
        EXPECT_EQ(box.title, kCritica);
        EXPECT_TRUE(box.text.contains(target)) << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(QLatin1String(c.pointsDescription))) << box.text.toStdString();
        if (c.sizeLimit) {
            EXPECT_FALSE(QFile::exists(target)) << "no half-written file is left";
        }
        EXPECT_EQ(hub->graph1Window(), nullptr) << "nothing was handed on";
        expectWorking(entry, "the data entry window");
        EXPECT_TRUE(entry->cmdDesenha->isEnabled()) << "Draw Graph can be tried again";
        EXPECT_EQ(listRows(entry), listed) << "the list is untouched";
        EXPECT_EQ(hub->state().pointCount, 3);
        EXPECT_EQ(hub->state().dataSet.pointCount(), 0) << "nothing was handed on";
        expectNoNanOrInfShown();

        // a second try into a folder that can be written saves the very points typed
        const QString good = path(QStringLiteral("saved.txt"));
        answerNamed("frmsalvaarquivo", "optyes");
        platform->fileAnswers.push_back(good);
        entry->cmdDesenha->click();
        settle();
        EXPECT_EQ(platform->messages.size(), 1u);
        expectWorking(hub->graph1Window(), "graph 1");
        EXPECT_EQ(readAll(good), QByteArray("3,30\r\n1.5,12.25\r\n2,20\r\n"));
        ASSERT_EQ(hub->state().dataSet.pointCount(), 3);
        EXPECT_DOUBLE_EQ(hub->state().dataSet.concentration[0], 1.5);
        EXPECT_DOUBLE_EQ(hub->state().dataSet.rate[0], 12.25);
    }
}

// ---------------------------------------------------------------- a printer that fails

enum class FailsAt { HandOff, CurveReport, Graph2Print };

struct PrinterCase {
    const char* what;
    FailsAt at;
    bool calculationEnds;  // true: the calculation shows its results and asks "Graph ?"
    std::vector<std::pair<QString, QString>> messages;  // (text start, title), in order
};

class FailingPrinter : public WindowFaults {
protected:
    // The worked case read from its file, the printer chosen, Draw Graph.
    frmEntDados* handOffToPrinter()
    {
        frmEntDados* entry = freshEntry();
        if (!entry) return nullptr;
        readFile(entry, QStringLiteral(KINETRA_TEST_DATA_DIR "/worked_case_13_points.txt"));
        entry->cmmdataOk->click();
        entry->optDestPrinter->click();
        entry->cmdDesenha->click();
        settle();
        return entry;
    }

    // Graph 1's Next, then one curve over points 1-13 above a baseline of 5.
    QWidget* calculateOneCurve()
    {
        QWidget* g1 = hub->graph1Window();
        EXPECT_NE(g1, nullptr);
        if (!g1) return nullptr;
        findControl<QPushButton>(g1, QStringLiteral("cmdNext"))->click();
        settle();
        QWidget* calc = hub->calculationWindow();
        EXPECT_NE(calc, nullptr);
        if (!calc) return nullptr;
        PointsAnswerer answers({{QStringLiteral("1"), QStringLiteral("13"), QStringLiteral("5")}});
        findControl<QPushButton>(calc, QStringLiteral("Command1"))->click();
        settle();
        return hub->calculationWindow();
    }
};

TEST_F(FailingPrinter, EachFailureGivesItsMessageAndTheRunEndsSane)
{
    const std::vector<PrinterCase> cases = {
        {"during the calculation's report", FailsAt::CurveReport, false,
         {{QStringLiteral("Error\r\n\r\nErro Number: 482\r\nDescription: "), kWrongData}}},
        {"on graph 2's Print", FailsAt::Graph2Print, true,
         {{QStringLiteral("The graph could not be printed.\r\n\r\nError"), kCritica}}},
        // the printer stays broken: graph 2's Print fails as well
        {"at the hand-off", FailsAt::HandOff, true,
         {{QStringLiteral("The report cannot be printed"), kCritica},
          {QStringLiteral("The graph could not be printed."), kCritica}}},
    };
    for (const PrinterCase& c : cases) {
        SCOPED_TRACE(c.what);
        platform->failPrinting = c.at == FailsAt::HandOff;
        const int jobsBefore = platform->jobsEnded;
        ASSERT_NE(handOffToPrinter(), nullptr);
        expectWorking(hub->graph1Window(), "graph 1");

        platform->failPrinting = c.at != FailsAt::Graph2Print;  // a printer that stays broken
        QWidget* calc = calculateOneCurve();
        if (!c.calculationEnds) {
            EXPECT_EQ(calc, nullptr) << "the calculation stops on the failure";
            expectWorking(hub->menuWindow(), "the menu");
        } else {
            ASSERT_NE(calc, nullptr) << "the calculation stopped:" << messagesShown();
            EXPECT_TRUE(findControl<QGroupBox>(calc, QStringLiteral("fraGrafico2"))->isVisible());
            expectWorking(calc, "the calculation window");
            answerNamed("frmrespostabaseline", "optno");
            findControl<QRadioButton>(calc, QStringLiteral("optGraSim"))->click();
            settle();
            auto* g2 = qobject_cast<frmGrafico2*>(hub->graph2Window());
            ASSERT_NE(g2, nullptr);
            const std::size_t layers = g2->picture().size();
            platform->failPrinting = true;
            findControl<QPushButton>(g2, QStringLiteral("cmdPrint"))->click();
            settle();
            expectWorking(g2, "graph 2");
            EXPECT_EQ(g2->picture().size(), layers) << "the graph stays drawn";
            for (const char* name : {"cmmBack", "cmdNext", "cmdPrint", "cmmStop"})
                EXPECT_TRUE(findControl<QPushButton>(g2, QLatin1String(name))->isVisible()) << name;
        }

        ASSERT_EQ(platform->messages.size(), c.messages.size()) << messagesShown();
        for (std::size_t i = 0; i < c.messages.size(); ++i) {
            const auto& box = platform->messages[i];
            EXPECT_TRUE(box.text.startsWith(c.messages[i].first)) << box.text.toStdString();
            EXPECT_EQ(box.title, c.messages[i].second);
            EXPECT_EQ(box.icon, MessageIcon::Critical);
        }
        if (c.at == FailsAt::Graph2Print) {
            EXPECT_EQ(platform->jobsEnded, jobsBefore + 1) << "the report went out, only the picture failed";
        }
        EXPECT_EQ(hub->reportJob(), nullptr) << "no print job is left open after the run";
        expectNoNanOrInfShown();

        // the printer works again: the next run prints its own report and nothing older
        platform->failPrinting = false;
        platform->printedJobs.clear();
        ASSERT_NE(handOffToPrinter(), nullptr);
        ASSERT_NE(calculateOneCurve(), nullptr);
        EXPECT_EQ(platform->printedJobs.size(), 1u) << "a report left over from the failed run was printed";
        if (!platform->printedJobs.empty()) {
            const std::vector<std::string>& job = platform->printedJobs.back();
            EXPECT_EQ(countLines(job, "K I N E T R A"), 1) << "one header";
            EXPECT_EQ(countLines(job, "CALCULATED KINETIC PARAMETERS OF CURVE #"), 1) << "one curve";
        }
        hub->closeCalculation();
        settle();
    }
}

// ---------------------------------------------------------------- extremes

// The rate law 5 + 100 S / (0.5 + S) at 13 concentrations from 0.01 to 100, with the
// concentrations and rates multiplied by their own scale factors.
double lawConc(int k, double scale) { return scale * std::pow(10.0, (k - 6) / 3.0); }
double lawRate(int k, double scale)
{
    const double s = std::pow(10.0, (k - 6) / 3.0);
    return scale * (5 + 100 * s / (0.5 + s));
}

struct ExtremeCase {
    const char* what;
    std::function<double(int k)> conc, rate;  // point k = 0..12
    bool drawn;  // true: graph 2 must be drawn; false: graph 2 or a clean refusal
};

struct Range {
    QString low, high;
};

class ExtremePoints : public WindowFaults {
protected:
    // Graph 2's Next, "Change X axis?" Yes, without the baseline, over low..high.
    void redraw(frmGrafico2* g2, const Range& r)
    {
        answerNamed("frmchangeX", "optyes");
        answerNamed("frmconsiderabaseline2", "optno");
        whenModalNamed(QStringLiteral("frmSubConcentration"), [r](QWidget* d) {
            testing::typeAndTab(findControl<QLineEdit>(d, QStringLiteral("txtLowConcentration")), r.low);
            testing::typeAndTab(findControl<QLineEdit>(d, QStringLiteral("txtHigConcentration")), r.high);
            if (d->isVisible()) {
                ADD_FAILURE() << "the range " << r.low.toStdString() << ".." << r.high.toStdString()
                              << " was not taken";
                d->hide();
            }
        });
        findControl<QPushButton>(g2, QStringLiteral("cmdNext"))->click();
        settle();
    }
};

TEST_F(ExtremePoints, FromTheHandOffToGraph2ThereAreResultsOrACleanMessage)
{
    const auto decade = [](int from, int step) { return [=](int k) { return std::pow(10.0, from + step * k); }; };
    const auto law = [](double scale) { return [=](int k) { return lawConc(k, scale); }; };
    const auto lawRates = [](double scale) { return [=](int k) { return lawRate(k, scale); }; };
    const std::vector<ExtremeCase> cases = {
        // concentrations are scaled before the fit: any magnitude is drawn
        {"the rate law at concentrations near 1e-300", law(1e-300), lawRates(1), true},
        {"the rate law at concentrations near 1e300", law(1e300), lawRates(1), true},
        {"the rate law at concentrations near 1e300, rates near 1e-40", law(1e300), lawRates(1e-40), true},
        // rates far from 1 may be out of the fit's reach: a clean refusal is enough
        {"1e-300 to 1e300, rates likewise", decade(-300, 50), decade(-300, 50), false},
        {"1e-300 to 1e300, rates falling", decade(-300, 50), decade(300, -50), false},
        {"all near 1e-300", decade(-300, 1), [](int k) { return 1e-300 * (k + 1); }, false},
        {"all near 1e300", decade(288, 1), [](int k) { return 1e300 / (13 - k); }, false},
        {"tiny concentrations, huge rates", decade(-300, 1), decade(288, 1), false},
        {"huge concentrations, tiny rates", decade(288, 1), decade(-300, 1), false},
        {"the rate law at 1e-300 scale", law(1e-300), lawRates(1e-300), false},
        {"the rate law at 1e300 scale", law(1e300), lawRates(1e300), false},
    };

    for (const ExtremeCase& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList lines;
        for (int k = 0; k < 13; ++k)
            lines << QString::number(c.conc(k), 'g', 17) + QLatin1Char(',') + QString::number(c.rate(k), 'g', 17);
        const QString file = dataFile(QStringLiteral("extreme.txt"), records(lines));
        const QString report = path(QStringLiteral("extreme report.txt"));

        frmEntDados* entry = freshEntry();
        ASSERT_NE(entry, nullptr);
        readFile(entry, file);
        ASSERT_EQ(entry->lvwDados->topLevelItemCount(), 13) << "every extreme value is a number" << messagesShown();
        ASSERT_TRUE(platform->messages.empty()) << messagesShown();
        entry->cmmdataOk->click();
        platform->fileAnswers.push_back(report);
        entry->optDestFile->click();
        entry->cmdDesenha->click();
        settle();
        expectNoNanOrInfShown();

        // graph 1, then one curve over every point, then graph 2 without the baseline
        frmGrafico2* g2 = nullptr;
        if (QWidget* g1 = hub->graph1Window()) {
            expectWorking(g1, "graph 1");
            findControl<QPushButton>(g1, QStringLiteral("cmdNext"))->click();
            settle();
            QWidget* calc = hub->calculationWindow();
            ASSERT_NE(calc, nullptr);
            {
                PointsAnswerer answers({{QStringLiteral("1"), QStringLiteral("13"), QStringLiteral("0")}});
                findControl<QPushButton>(calc, QStringLiteral("Command1"))->click();
                settle();
            }
            expectNoNanOrInfShown();
            if (hub->calculationWindow() == calc) {
                expectWorking(calc, "the calculation window");
                ASSERT_TRUE(findControl<QGroupBox>(calc, QStringLiteral("fraGrafico2"))->isVisible());
                answerNamed("frmrespostabaseline", "optno");
                findControl<QRadioButton>(calc, QStringLiteral("optGraSim"))->click();
                settle();
                g2 = qobject_cast<frmGrafico2*>(hub->graph2Window());
            }
        }
        if (g2) {
            expectWorking(g2, "graph 2");
            EXPECT_FALSE(g2->picture().empty());
        } else {
            EXPECT_FALSE(c.drawn) << "refused:" << messagesShown();
            ASSERT_FALSE(platform->messages.empty()) << "a refusal without a message";
            expectWorking(hub->menuWindow(), "the menu");
        }
        expectNoNanOrInfShown();
        EXPECT_FALSE(showsNanOrInf(QString::fromUtf8(readAll(report)))) << "the report";
        if (!g2 || !c.drawn) continue;

        // graph 2 drawn again over ranges at the ends of what a double holds
        const std::vector<Range> ranges = {
            {QString::number(c.conc(0), 'g', 17), QString::number(c.conc(12), 'g', 17)},
            {QStringLiteral("1e-300"), QStringLiteral("1e300")},
            {QStringLiteral("1e-307"), QStringLiteral("1.7e308")},
            {QStringLiteral("2e-10"), QStringLiteral("3e-10")},
        };
        for (const Range& r : ranges) {
            SCOPED_TRACE((r.low + QStringLiteral("..") + r.high).toStdString());
            const std::size_t before = platform->messages.size();
            redraw(g2, r);
            if (hub->graph2Window() == g2) {
                expectWorking(g2, "graph 2");
                EXPECT_EQ(platform->messages.size(), before) << messagesShown();
                EXPECT_FALSE(g2->firstDrawing());
                EXPECT_DOUBLE_EQ(hub->state().rangeLowConc, r.low.toDouble());
                EXPECT_DOUBLE_EQ(hub->state().rangeHighConc, r.high.toDouble());
                ASSERT_EQ(g2->picture().size(), 1u);
                ASSERT_FALSE(g2->picture()[0].ops.empty());
                EXPECT_TRUE(std::holds_alternative<Clear>(g2->picture()[0].ops.front())) << "drawn afresh";
            } else {
                ASSERT_GT(platform->messages.size(), before) << "graph 2 closed without a message";
                expectWorking(hub->menuWindow(), "the menu");
            }
            expectNoNanOrInfShown();
            if (hub->graph2Window() != g2) break;
        }
    }
}

}  // namespace
}  // namespace kinetra
