#include "entry/DataSetAnalysis.h"

#include <filesystem>

#include "format/NumberForms.h"

namespace kinetra {

namespace {

CalculationEnd wrongData(const RuntimeFailure& f)
{
    return CalculationEnd{failureText(f), kTitleWrongData, ReturnTo::Menu, f.number()};
}

// A record read with the point, shown with the list's separator.
std::string listed(std::string text, char sep)
{
    if (sep != '.') {
        for (char& c : text)
            if (c == '.') c = sep;
    }
    return text;
}

// The curve loop's hooks with the report section of each curve after the front end's
// presentation of its results.
class ReportingHooks : public CalculationHooks {
public:
    ReportingHooks(CalculationHooks& front, ReportOutput* output, const DataSetAnalysis& analysis, char sep)
        : front_(front), output_(output), analysis_(analysis), sep_(sep)
    {
    }
    void askCurvePoints(SharedState& st, int curve) override { front_.askCurvePoints(st, curve); }
    void showWarning(const std::string& message) override { front_.showWarning(message); }
    void presentCurve(const SharedState& st, const CurveResults& results) override
    {
        front_.presentCurve(st, results);
        if (output_ && analysis_.reporting())
            output_->append(reportCurveLines(results, st.rateUnit, st.concUnit, output_->form(), sep_));
    }
    char decimalSeparator() const override { return front_.decimalSeparator(); }

private:
    CalculationHooks& front_;
    ReportOutput* output_;
    const DataSetAnalysis& analysis_;
    char sep_;
};

template <class Draw>
GraphDrawing drawing(Draw draw)
{
    GraphDrawing g;
    try {
        g.list = draw();
    } catch (...) {
        g.failure = failureText(failureOf(std::current_exception()));
    }
    return g;
}

}  // namespace

void ReportFile::begin(const std::vector<std::string>& lines)
{
    FileLineSink sink(path_, FileLineSink::Mode::Create);
    writeLines(sink, lines);
    sink.close();
}

void ReportFile::append(const std::vector<std::string>& lines)
{
    FileLineSink sink(path_, FileLineSink::Mode::Append);
    writeLines(sink, lines);
    sink.close();
}

ReportFileReplacement::ReportFileReplacement(std::string path) : path_(std::move(path)) {}
ReportFileReplacement::~ReportFileReplacement() = default;

std::string ReportFileReplacement::fileName() const
{
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path_, ec);
    return ec ? path_ : full.lexically_normal().string();
}

void ReportFileReplacement::begin(const std::vector<std::string>& lines)
{
    // a device or a pipe named as the report is written directly
    file_ = std::make_unique<FileReplacement>(path_, FileReplacement::OtherTargets::WriteDirectly, FileAccess::Read);
    append(lines);
}

void ReportFileReplacement::append(const std::vector<std::string>& lines)
{
    if (!file_) throw RuntimeFailure(failure::PathFileAccessError);  // it failed before
    std::string bytes;
    for (const std::string& l : lines) {
        bytes += l;
        bytes += "\r\n";
    }
    try {
        file_->write(bytes);
    } catch (const RuntimeFailure&) {
        file_.reset();
        throw;
    }
}

void ReportFileReplacement::commit()
{
    if (!file_) return;
    const std::unique_ptr<FileReplacement> file = std::move(file_);
    file->commit();
}

void ReportStream::append(const std::vector<std::string>& lines)
{
    for (const std::string& l : lines) out_ << l << '\n';
}

void ChosenCurves::askCurvePoints(SharedState& st, int curve)
{
    const auto [first, last] = points_.at(static_cast<std::size_t>(curve - 1));
    st.firstPoint = static_cast<std::int16_t>(first);
    st.lastPoint = static_cast<std::int16_t>(last);
    if (curve != 2) st.baseline = baseline_;
}

std::optional<std::string> curvePointsError(const std::vector<std::pair<std::string, std::string>>& curves,
                                            int pointCount, std::vector<std::pair<int, int>>* points)
{
    std::vector<std::pair<int, int>> chosen;
    double lowest = 1.0;  // the lowest first point: 1, then the last curve's last point + 1
    for (const auto& [firstText, lastText] : curves) {
        const std::optional<double> f = parseDecimal(firstText, '.');
        if (!f || *f < lowest || *f > pointCount || *f == 0.0) return "Wrong First Point";
        const std::optional<double> l = parseDecimal(lastText, '.');
        if (!l || *f + 1.0 > *l || *l > pointCount || *l == 0.0) return "Wrong Last Point";
        chosen.emplace_back(makeWhole16(*f), makeWhole16(*l));
        lowest = chosen.back().second + 1.0;
    }
    if (points != nullptr) *points = std::move(chosen);
    return std::nullopt;
}

DataSetAnalysis::DataSetAnalysis(SharedState& st, char sep) : st_(st), sep_(sep) {}

ListedFile DataSetAnalysis::readDataFile(const std::string& path, const ReadWarning& onWarning) const
{
    ListedFile out;
    std::vector<ReadRecord> records;
    try {
        records = kinetra::readDataFile(path, onWarning);
    } catch (...) {
        out.failure = wrongData(failureOf(std::current_exception()));
        return out;
    }
    out.rows.reserve(records.size());
    int k = 0;
    for (ReadRecord& r : records) {
        out.rows.push_back(ListRow{std::to_string(++k), listed(std::move(r.concentrationText), sep_),
                                   listed(std::move(r.rateText), sep_)});
    }
    st_.pointCount = static_cast<std::int16_t>(k);
    st_.nextPointNumber = static_cast<std::int16_t>(k + 1);
    st_.loopIndex = k;
    st_.savedPointCount = static_cast<std::int16_t>(k);
    return out;
}

void DataSetAnalysis::savePoints(const std::string& path, const std::vector<ListRow>& rows, int deletedCount) const
{
    SharedState scratch = st_;
    const HandOffCopy copy = copyListToState(scratch, rows, deletedCount, sep_);
    writeFileAtomically(path, copy.savedLines);
}

std::optional<CalculationEnd> DataSetAnalysis::handOff(std::vector<ListRow>& rows, int deletedCount,
                                                       const ReportLabels& labels, RowsAfterSort after)
{
    try {
        const HandOffCopy copy = copyListToState(st_, rows, deletedCount, sep_, false);
        st_.rateUnit = trimBlanks(labels.rateUnit);
        st_.concUnit = trimBlanks(labels.concUnit);
        st_.ligandName = trimBlanks(labels.ligand);
        OrdenaVetor(st_, copy.activeCount, deletedCount);
        // the points actually handed on: rows that ran out, or a list whose points were not
        // yet counted, never leave pointCount disagreeing with the arrays
        st_.pointCount = static_cast<std::int16_t>(copy.activeCount);
        st_.nextPointNumber = static_cast<std::int16_t>(copy.activeCount + 1);
        activeCount_ = copy.activeCount;
        if (after == RowsAfterSort::Rewrite) rewriteList(st_, rows, activeCount_, sep_);
    } catch (const RuntimeFailure& f) {
        return wrongData(f);
    }
    return std::nullopt;
}

bool DataSetAnalysis::reporting() const { return st_.outputDestination != "N"; }

std::optional<RuntimeFailure> DataSetAnalysis::startReport(ReportOutput* output, const ReportLabels& labels,
                                                           const ReportClock& clock,
                                                           const std::vector<ListRow>& rows)
{
    if (!output || !reporting()) return std::nullopt;
    ReportHeader header;
    header.date = clock.date;
    header.time = clock.time;
    header.user = labels.user;
    header.experiment = labels.experiment;
    header.rateUnit = labels.rateUnit;
    header.concUnit = labels.concUnit;
    header.ligand = labels.ligand;
    header.numberOfPoints = labels.numberOfPoints;
    header.fileName = output->fileName();

    // the points handed on stand sorted in rows 1..activeCount
    std::vector<ListedPoint> points;
    const std::size_t shown = std::min(rows.size(), static_cast<std::size_t>(std::max(activeCount_, 0)));
    points.reserve(shown);
    for (std::size_t r = 0; r < shown; ++r) points.push_back({rows[r].concentration, rows[r].rate});
    try {
        const ReportForm form = output->form();
        std::vector<std::string> lines = reportHeaderLines(header, form);
        const std::vector<std::string> data = reportDataLines(points, form, sep_);
        lines.insert(lines.end(), data.begin(), data.end());
        output->begin(lines);
    } catch (...) {
        // a report that cannot be begun is dropped: the analysis goes on without it rather
        // than failing on it again at every curve
        st_.outputDestination = "N";
        st_.outputFileName.clear();
        return failureOf(std::current_exception());
    }
    return std::nullopt;
}

CalculationOutcome DataSetAnalysis::calculate(FitWork& work, int curveCount, CalculationHooks& hooks,
                                              ReportOutput* output)
{
    ReportingHooks reportingHooks(hooks, output, *this, sep_);
    CalculationOutcome outcome = runCalculation(st_, work, curveCount, reportingHooks);
    if (output && reporting()) output->finish(!outcome.end);
    return outcome;
}

GraphDrawing DataSetAnalysis::graph1(const GraphMessage& onMessage) const
{
    return drawing([&] { return buildGraph1(st_, onMessage); });
}

GraphDrawing DataSetAnalysis::graph2(Graph2State& g, bool considerBaseline)
{
    st_.considerBaseline = considerBaseline;
    return drawing([&] { return buildGraph2(st_, g); });
}

GraphDrawing DataSetAnalysis::graph2(Graph2State& g, bool considerBaseline, double lowConc, double highConc)
{
    GraphDrawing first = graph2(g, considerBaseline);
    if (!first.list) return first;
    st_.rangeLowConc = lowConc;
    st_.rangeHighConc = highConc;
    g.firstDrawing = false;
    return drawing([&] { return buildGraph2(st_, g); });
}

}  // namespace kinetra
