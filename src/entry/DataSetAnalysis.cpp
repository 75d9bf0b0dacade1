#include "entry/DataSetAnalysis.h"

#include "format/NumberForms.h"

namespace kinetra {

namespace {

// A record read with the point, shown with the list's separator.
std::string listed(std::string text, char sep)
{
    if (sep != '.') {
        for (char& c : text)
            if (c == '.') c = sep;
    }
    return text;
}

void label(DataSet& data, const ReportLabels& labels)
{
    data.rateUnit = trimBlanks(labels.rateUnit);
    data.concUnit = trimBlanks(labels.concUnit);
    data.ligandName = trimBlanks(labels.ligand);
}

// The curve loop's hooks with the report section of each curve after the front end's
// presentation of its results.
class ReportingHooks : public CalculationHooks {
public:
    ReportingHooks(CalculationHooks& front, ReportOutput* output, const DataSet& data, char sep)
        : front_(front), output_(output), data_(data), sep_(sep)
    {
    }
    CurveChoice askCurvePoints(int curve) override { return front_.askCurvePoints(curve); }
    void showWarning(const std::string& message) override { front_.showWarning(message); }
    void presentCurve(const CurveFit& fit) override
    {
        front_.presentCurve(fit);
        if (output_) output_->append(reportCurveLines(fit, data_.rateUnit, data_.concUnit, output_->form(), sep_));
    }

private:
    CalculationHooks& front_;
    ReportOutput* output_;
    const DataSet& data_;
    char sep_;
};

template <class Draw>
Outcome<DisplayList> drawing(Draw draw)
{
    try {
        return draw();
    } catch (...) {
        return Failure::current();
    }
}

}  // namespace

Outcome<std::vector<ListRow>> listDataFile(const std::string& path, char sep, const ReadWarning& onWarning)
{
    std::vector<ReadRecord> records;
    try {
        records = readDataFile(path, onWarning);
    } catch (...) {
        return Failure::current();
    }
    std::vector<ListRow> rows;
    rows.reserve(records.size());
    int k = 0;
    for (ReadRecord& r : records)
        rows.push_back(ListRow{std::to_string(++k), listed(std::move(r.concentrationText), sep),
                               listed(std::move(r.rateText), sep)});
    return rows;
}

void savePoints(const std::string& path, const std::vector<ListRow>& rows, int wanted, char sep)
{
    writeFileAtomically(path, copyList(rows, wanted, sep).savedLines);
}

Outcome<DataSet> handOff(std::vector<ListRow>& rows, int wanted, const ReportLabels& labels, char sep,
                         RowsAfterSort after)
{
    DataSet data;
    try {
        ListedPoints points = copyList(rows, wanted, sep, false);
        data.concentration = std::move(points.concentration);
        data.rate = std::move(points.rate);
    } catch (...) {
        return Failure::current();
    }
    label(data, labels);
    OrdenaVetor(data.concentration, data.rate);
    if (after == RowsAfterSort::Rewrite) rewriteList(data, rows, sep);
    return data;
}

Outcome<DataSet> readDataSet(const std::string& path, const ReportLabels& labels, const ReadWarning& onWarning)
{
    try {
        DataSet data = dataSetOfRecords(readDataFile(path, onWarning, RecordTexts::Skipped));
        label(data, labels);
        return data;
    } catch (...) {
        return Failure::current();
    }
}

Status startReport(ReportOutput& output, const ReportLabels& labels, const ReportClock& clock, const DataSet& data,
                   char sep)
{
    ReportHeader header;
    header.date = clock.date;
    header.time = clock.time;
    header.user = labels.user;
    header.experiment = labels.experiment;
    header.rateUnit = labels.rateUnit;
    header.concUnit = labels.concUnit;
    header.ligand = labels.ligand;
    header.numberOfPoints = labels.numberOfPoints;
    header.fileName = output.fileName();

    std::vector<ListedPoint> points;
    points.reserve(static_cast<std::size_t>(data.pointCount()));
    for (std::size_t i = 0; i < data.concentration.size(); ++i)
        points.push_back({formatE3(data.concentration[i], sep), formatE3(data.rate[i], sep)});
    try {
        const ReportForm form = output.form();
        std::vector<std::string> lines = reportHeaderLines(header, form);
        const std::vector<std::string> dataLines = reportDataLines(points, form, sep);
        lines.insert(lines.end(), dataLines.begin(), dataLines.end());
        output.begin(lines);
    } catch (...) {
        return Failure::current();
    }
    return Done{};
}

CalculationOutcome calculate(const DataSet& data, int curveCount, CalculationHooks& hooks, ReportOutput* output,
                             char sep)
{
    ReportingHooks reportingHooks(hooks, output, data, sep);
    CalculationOutcome outcome = runCalculation(data, curveCount, reportingHooks);
    if (output) output->finish(!outcome.end);
    return outcome;
}

Outcome<DisplayList> drawGraph1(const DataSet& data, const GraphMessage& onMessage)
{
    return drawing([&] { return buildGraph1(data, onMessage); });
}

Outcome<DisplayList> drawGraph2(const DataSet& data, const std::vector<CurveFit>& curves, bool considerBaseline,
                                Graph2State& g, double lowConc, double highConc)
{
    return drawing([&] { return buildGraph2(data, curves, considerBaseline, g, lowConc, highConc); });
}

}  // namespace kinetra
