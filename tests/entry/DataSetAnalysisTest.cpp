// The data set's road as both front ends take it: a data file read into list rows, the
// hand-off (copy, labels, sort, rewritten rows), the report's start and what happens when
// it cannot be written, the curves with their report sections.
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

#include "entry/DataSetAnalysis.h"
#include "support/TempDir.h"

namespace kinetra {
namespace {

using testing::slurp;
using testing::TempDirTest;

const ReportClock kMoment{"27/09/2005", "14:05:09"};

class DataSetRoad : public TempDirTest {
protected:
    SharedState st;
};

std::vector<ListRow> rows(const std::vector<std::pair<std::string, std::string>>& values)
{
    std::vector<ListRow> out;
    int k = 0;
    for (const auto& [c, r] : values) out.push_back({std::to_string(++k), c, r});
    return out;
}

// ---------------------------------------------------------------- reading

TEST_F(DataSetRoad, AFileIsListedAsTheListShowsIt)
{
    struct Case {
        const char* what;
        std::string text;
        char sep;
        std::vector<std::vector<std::string>> listed;  // number, concentration, rate
        std::vector<int> warnings;
    };
    const std::vector<Case> cases = {
        {"two records, CR LF", "1,2\r\n3,4\r\n", '.', {{"1", "1.000E+00", "2.000E+00"}, {"2", "3.000E+00", "4.000E+00"}}, {}},
        {"the same on one line", "1 2 3 4", '.', {{"1", "1.000E+00", "2.000E+00"}, {"2", "3.000E+00", "4.000E+00"}}, {}},
        {"four digits kept, the user's separator", "1.23456E-3 0.5\r\n", ',', {{"1", "1,235E-03", "5,000E-01"}}, {}},
        {"a zero concentration and a text", "0,5\r\nabc,5\r\n2,3\r\n", '.',
         {{"1", "0.000E+00", "5.000E+00"}, {"2", "0.000E+00", "5.000E+00"}, {"3", "2.000E+00", "3.000E+00"}}, {1, 2}},
        {"an empty file", "", '.', {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SharedState state;
        std::vector<int> warned;
        const ListedFile listed =
            DataSetAnalysis(state, c.sep).readDataFile(file("data.txt", c.text), [&](int k) { warned.push_back(k); });
        ASSERT_FALSE(listed.failure) << listed.failure->message;
        std::vector<std::vector<std::string>> shown;
        for (const ListRow& r : listed.rows) shown.push_back({r.number, r.concentration, r.rate});
        EXPECT_EQ(shown, c.listed);
        EXPECT_EQ(warned, c.warnings);
        const int n = static_cast<int>(c.listed.size());
        EXPECT_EQ(state.pointCount, n);
        EXPECT_EQ(state.nextPointNumber, n + 1);
        EXPECT_EQ(state.savedPointCount, n);
    }
}

TEST_F(DataSetRoad, AFileThatCannotBeReadIsWrongDataAndKeepsTheCounts)
{
    const std::vector<std::pair<std::string, int>> cases = {
        {file("empty_line_at_end.txt", "1,2\r\n3,4\r\n\r\n"), 62},
        {file("cut_off.txt", "1,2,3"), 62},
        {file("overflow.txt", "1e400,2"), 6},
        {(dir / "missing.txt").string(), 53},
        {dir.string(), 75},
    };
    for (const auto& [path, number] : cases) {
        SCOPED_TRACE(path);
        st.pointCount = 7;
        st.nextPointNumber = 8;
        const ListedFile listed = DataSetAnalysis(st, '.').readDataFile(path);
        ASSERT_TRUE(listed.failure);
        EXPECT_EQ(listed.failure->title, kTitleWrongData);
        EXPECT_EQ(listed.failure->failureNumber, number);
        EXPECT_NE(listed.failure->message.find("Erro Number: " + std::to_string(number) + "\r\n"), std::string::npos);
        EXPECT_EQ(listed.failure->returnTo, ReturnTo::Menu);
        EXPECT_EQ(st.pointCount, 7);
        EXPECT_EQ(st.nextPointNumber, 8);
    }
}

// ---------------------------------------------------------------- hand-off

TEST_F(DataSetRoad, TheHandOffCopiesSortsAndRewritesTheRows)
{
    struct Case {
        const char* what;
        std::vector<ListRow> rows;
        int pointCount, deleted;
        std::vector<std::pair<double, double>> handedOn;
        std::vector<std::string> concentrationsShown;  // every row after the hand-off
    };
    const std::vector<Case> cases = {
        {"three points sorted, each rate with its concentration",
         rows({{"3.000E+00", "3.000E+01"}, {"1.000E+00", "1.000E+01"}, {"2.000E+00", "2.000E+01"}}), 3, 0,
         {{1, 10}, {2, 20}, {3, 30}}, {"1.000E+00", "2.000E+00", "3.000E+00"}},
        {"row 3 of five deleted",
         rows({{"5.000E+00", "5"}, {"4.000E+00", "4"}, {"0", "0"}, {"2.000E+00", "2"}, {"1.000E+00", "1"}}), 5, 1,
         {{1, 1}, {2, 2}, {4, 4}, {5, 5}}, {"1.000E+00", "2.000E+00", "4.000E+00", "5.000E+00", ""}},
        {"a zero concentration read from a file is passed over",
         rows({{"0.000E+00", "5.000E+00"}, {"2.000E+00", "3.000E+00"}, {"1.000E+00", "4.000E+00"}}), 3, 0,
         {{1, 4}, {2, 3}}, {"1.000E+00", "2.000E+00", ""}},
        {"a typed value enters as typed and is shown with four digits",
         rows({{"1.2345679E+00", "1"}}), 1, 0, {{1.2345679, 1}}, {"1.235E+00"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SharedState state;
        state.pointCount = static_cast<std::int16_t>(c.pointCount);
        std::vector<ListRow> list = c.rows;
        DataSetAnalysis analysis(state, '.');
        ASSERT_FALSE(analysis.handOff(list, c.deleted, ReportLabels{}));
        const int n = static_cast<int>(c.handedOn.size());
        EXPECT_EQ(analysis.activeCount(), n);
        EXPECT_EQ(state.pointCount, n);
        EXPECT_EQ(state.nextPointNumber, n + 1);
        for (int k = 1; k <= n; ++k) {
            EXPECT_DOUBLE_EQ(state.concentration[k], c.handedOn[static_cast<std::size_t>(k - 1)].first) << k;
            EXPECT_DOUBLE_EQ(state.rate[k], c.handedOn[static_cast<std::size_t>(k - 1)].second) << k;
        }
        std::vector<std::string> shown;
        for (const ListRow& r : list) shown.push_back(r.concentration);
        EXPECT_EQ(shown, c.concentrationsShown);
    }
}

TEST_F(DataSetRoad, LabelsLoseTheirBlanksOnlyAndTheHeaderShowsThemAsTyped)
{
    ReportLabels labels;
    labels.user = " Ana ";
    labels.rateUnit = "  U/mg ";
    labels.concUnit = "\tmM";
    labels.ligand = " ATP\t ";
    std::vector<ListRow> list = rows({{"1.000E+00", "2.000E+00"}});
    st.pointCount = 1;
    st.outputDestination = "F";
    DataSetAnalysis analysis(st, '.');
    ASSERT_FALSE(analysis.handOff(list, 0, labels));
    EXPECT_EQ(st.rateUnit, "U/mg");
    EXPECT_EQ(st.concUnit, "\tmM") << "a tab is not a blank";
    EXPECT_EQ(st.ligandName, "ATP\t");

    ReportFile report((dir / "report.txt").string());
    ASSERT_FALSE(analysis.startReport(&report, labels, kMoment, list));
    const std::string text = slurp(dir / "report.txt");
    EXPECT_NE(text.find("\r\n          User:  Ana \r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n          Rate unit:   U/mg \r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n          Substrate concentration unit: \tmM\r\n"), std::string::npos);
}

TEST_F(DataSetRoad, AListTextTooLargeIsWrongData)
{
    std::vector<ListRow> list = rows({{"1e400", "1"}});
    st.pointCount = 1;
    const std::optional<CalculationEnd> failed = DataSetAnalysis(st, '.').handOff(list, 0, ReportLabels{});
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->title, kTitleWrongData);
    EXPECT_EQ(failed->failureNumber, failure::Overflow);
}

// ---------------------------------------------------------------- report and curves

// A destination that fails where it is told to, as a broken printer does.
class FailingOutput : public ReportOutput {
public:
    explicit FailingOutput(bool atBegin) : atBegin_(atBegin) {}
    ReportForm form() const override { return ReportForm::Printer; }
    void begin(const std::vector<std::string>& lines) override
    {
        if (atBegin_) throw RuntimeFailure(failure::PrinterError);
        written += lines.size();
    }
    void append(const std::vector<std::string>&) override { throw RuntimeFailure(failure::DiskFull); }
    void finish(bool completed) override { finished = completed ? 1 : -1; }
    std::size_t written = 0;
    int finished = 0;

private:
    bool atBegin_;
};

// The worked case of 13 points, one curve over all of them above a baseline of 5.
CalculationOutcome workedCase(SharedState& st, ReportOutput* output, const std::filesystem::path& data,
                              const ReportLabels& labels, std::optional<RuntimeFailure>* started = nullptr)
{
    DataSetAnalysis analysis(st, '.');
    st.outputDestination = "F";
    ListedFile listed = analysis.readDataFile(data.string());
    EXPECT_FALSE(listed.failure);
    EXPECT_FALSE(analysis.handOff(listed.rows, 0, labels));
    const std::optional<RuntimeFailure> start = analysis.startReport(output, labels, kMoment, listed.rows);
    if (started) *started = start;
    FitWork work;
    ChosenCurves curves({{1, 13}}, 5.0, {});
    return analysis.calculate(work, 1, curves, output);
}

const std::filesystem::path kWorkedData = std::filesystem::path(KINETRA_TEST_DATA_DIR) / "worked_case_13_points.txt";

TEST_F(DataSetRoad, TheWindowsReportFileIsTheReportOfKinetraFit)
{
    ReportLabels labels;
    labels.rateUnit = "  U/mg ";
    labels.concUnit = "mM";
    ReportFile report((dir / "report.out").string());
    const CalculationOutcome out = workedCase(st, &report, kWorkedData, labels);
    ASSERT_FALSE(out.end) << out.end->message;
    ASSERT_EQ(out.curves.size(), 1u);

    // the golden report of kinetra-fit on the same data and labels, its folder masked
    std::string text = slurp(dir / "report.out");
    for (std::size_t at = text.find(dir.string()); at != std::string::npos; at = text.find(dir.string(), at))
        text.replace(at, dir.string().size(), "<dir>");
    EXPECT_TRUE(text == slurp(std::filesystem::path(KINETRA_TEST_DATA_DIR) / "golden" / "worked_case.report"));
}

TEST_F(DataSetRoad, AReportThatCannotBeBegunIsDroppedAndTheCurvesGoOn)
{
    struct Case {
        const char* what;
        std::function<std::unique_ptr<ReportOutput>()> output;
        int number;
    };
    const std::vector<Case> cases = {
        {"a file in a missing folder",
         [&] { return std::make_unique<ReportFile>((dir / "missing" / "report.txt").string()); }, 75},
        {"a file inside a regular file",
         [&] {
             std::ofstream(dir / "plain.txt") << "x";
             return std::make_unique<ReportFile>((dir / "plain.txt" / "report.txt").string());
         },
         75},
        {"a printer that fails", [] { return std::make_unique<FailingOutput>(true); }, failure::PrinterError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SharedState state;
        state.outputFileName = "chosen.txt";
        const std::unique_ptr<ReportOutput> output = c.output();
        std::optional<RuntimeFailure> started;
        const CalculationOutcome out = workedCase(state, output.get(), kWorkedData, ReportLabels{}, &started);
        ASSERT_TRUE(started);
        EXPECT_EQ(started->number(), c.number);
        EXPECT_EQ(state.outputDestination, "N") << "the report is dropped for the rest of the data set";
        EXPECT_EQ(state.outputFileName, "");
        EXPECT_FALSE(out.end) << "no curve section is tried";
        ASSERT_EQ(out.curves.size(), 1u);
        EXPECT_NEAR(out.curves[0].V, 100.0, 1.0);
        EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    }
}

TEST_F(DataSetRoad, ACurveSectionThatCannotBeWrittenEndsTheCalculation)
{
    FailingOutput output(false);
    const CalculationOutcome out = workedCase(st, &output, kWorkedData, ReportLabels{});
    EXPECT_EQ(output.written, 31u) << "17 header lines, 13 data lines, the closing rule";
    ASSERT_TRUE(out.end);
    EXPECT_EQ(out.end->title, kTitleWrongData);
    EXPECT_EQ(out.end->failureNumber, failure::DiskFull);
    EXPECT_EQ(out.end->returnTo, ReturnTo::Menu);
    EXPECT_TRUE(out.curves.empty()) << "results are stored only once reported";
    EXPECT_EQ(output.finished, -1) << "an ended calculation finishes its report as incomplete";
}

TEST_F(DataSetRoad, GraphFailuresComeBackAsTheirText)
{
    st.pointCount = 2;
    st.concentration[1] = 0.0;  // the logarithm of 0
    st.concentration[2] = 1.0;
    st.rate[1] = st.rate[2] = 1.0;
    const GraphDrawing g = DataSetAnalysis(st, '.').graph1();
    EXPECT_FALSE(g.list);
    EXPECT_NE(g.failure.find("Erro Number: 5\r\n"), std::string::npos) << g.failure;
}

TEST(CurvePointsError, ChecksEachCurveAsThePointsWindowDoes)
{
    struct Case {
        std::vector<std::pair<std::string, std::string>> curves;
        int pointCount;
        std::optional<std::string> message;
    };
    const std::vector<Case> cases = {
        {{{"1", "12"}}, 12, std::nullopt},
        {{{"0", "5"}}, 12, "Wrong First Point"},
        {{{"12", "12"}}, 12, "Wrong Last Point"},
        {{{"3", "13"}}, 12, "Wrong Last Point"},
        {{{"1", "7"}, {"7", "12"}}, 12, "Wrong First Point"},
        {{{"1", "7"}, {"8", "12"}}, 12, std::nullopt},
        {{{"x", "7"}}, 12, "Wrong First Point"},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<int, int>> points;
        EXPECT_EQ(curvePointsError(c.curves, c.pointCount, &points), c.message);
        if (!c.message) {
            EXPECT_EQ(points.size(), c.curves.size());
        }
    }
}

}  // namespace
}  // namespace kinetra
