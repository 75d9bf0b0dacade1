#include "DataSetSources.h"

#include <cctype>
#include <cmath>
#include <filesystem>

#include "entry/HandOff.h"
#include "format/NumberForms.h"

namespace kinetra::cli {

namespace {

// A data set's name as part of a file name: letters, digits, '-', '_' and '.' kept, any
// other byte '_'.
std::string fileNamePart(const std::string& name)
{
    std::string out = name;
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (!(std::isalnum(u) && u < 0x80) && c != '-' && c != '_' && c != '.') c = '_';
    }
    return out;
}

// One value as the point list keeps it, and as a data file's record holds it.
double listed(double value, std::string& text)
{
    double readBack = 0.0;
    text = formatScientific(value, 3, '.', &readBack);
    if (!std::isfinite(readBack)) throw RuntimeFailure(failure::Overflow);
    return readBack;
}

}  // namespace

ReportLabels sourceLabels(const FitOptions& options, const DataSetSource& source)
{
    return ReportLabels{options.user,
                        options.experiment,
                        options.rateUnit.empty() ? source.rateUnit : options.rateUnit,
                        options.concUnit.empty() ? source.concUnit : options.concUnit,
                        options.ligand,
                        ""};
}

Outcome<DataSet> tableDataSet(const TableDataSet& set, const ReportLabels& labels)
{
    try {
        std::vector<ReadRecord> records(set.concentration.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            records[i].concentration = listed(set.concentration[i], records[i].concentrationText);
            records[i].rate = listed(set.rate[i], records[i].rateText);
        }
        DataSet data = dataSetOfRecords(records);
        data.rateUnit = trimBlanks(labels.rateUnit);
        data.concUnit = trimBlanks(labels.concUnit);
        data.ligandName = trimBlanks(labels.ligand);
        return data;
    } catch (...) {
        return Failure::current();
    }
}

std::vector<DataSetSource> dataSetSources(const FitOptions& options)
{
    std::vector<DataSetSource> sources;
    sources.reserve(options.dataFiles.size());
    for (const std::string& file : options.dataFiles)
        sources.push_back({file, false, "", file, std::filesystem::path(file).stem().string(), std::nullopt, {}, "", ""});
    for (const std::string& table : options.tables) {
        TableRead read = readTableFile(table, options.columns);
        const std::string stem = std::filesystem::path(table).stem().string();
        if (!read.ok()) {
            DataSetSource failed{table, true, "", table, stem, Failure::refused(read.failure), {}, "", ""};
            failed.tableWarnings = std::move(read.warnings);
            sources.push_back(std::move(failed));
            continue;
        }
        bool first = true;
        for (TableDataSet& set : read.dataSets) {
            DataSetSource s{table, true, set.name, set.name.empty() ? table : table + "#" + set.name,
                            set.name.empty() ? stem : stem + "-" + fileNamePart(set.name), std::nullopt, {},
                            set.concUnit, set.rateUnit};
            s.read = tableDataSet(set, sourceLabels(options, s));
            if (first) s.tableWarnings = std::move(read.warnings);
            first = false;
            sources.push_back(std::move(s));
        }
    }
    return sources;
}

}  // namespace kinetra::cli
