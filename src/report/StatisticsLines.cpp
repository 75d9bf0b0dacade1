#include "report/StatisticsLines.h"

#include <charconv>
#include <cmath>

#include "format/NumberForms.h"
#include "base/CheckedMath.h"

namespace kinetra {

namespace {

constexpr const char* kIndent = "                  "; // the lines under a parameter

std::string blanks(std::size_t count) { return std::string(count, ' '); }

struct Named {
    const char* name;         // as the report and the tables show it
    const char* key;          // as CSV columns name it
    const ParameterStatistics* p;
};

std::vector<Named> parameters(const CurveStatistics& st, bool fileForm = true)
{
    return {{"V     ", "V", &st.V}, {"n     ", "n", &st.n}, {"K     ", "K", &st.K}, {fileForm ? "V /K  " : "V/K   ", "VK", &st.VK}};
}

}  // namespace

std::string figureText(std::optional<double> value, char sep)
{
    return value ? formatGeneralNumber(*value, sep) : kNotDetermined;
}

std::vector<std::string> statisticsReportLines(const CurveStatistics& st, int curve, const std::string& rateUnit,
                                               const std::string& concUnit, ReportForm form, char sep)
{
    const std::string m(kReportMargin), in(kIndent);
    auto number = [sep](double v) { return formatReportNumber(v, sep); };
    auto figure = [&](std::optional<double> v) { return v ? number(*v) : std::string(" ") + kNotDetermined + " "; };
    auto limits = [&](const std::optional<Limits>& l) {
        if (!l) return std::string(" ") + kNotDetermined;
        return figure(l->low) + "to" + figure(l->high);
    };
    std::vector<std::string> lines;
    lines.push_back(ruleLine());
    lines.push_back(blanks(17) + "STATISTICS OF CURVE #" + number(curve));
    lines.push_back(ruleLine());
    if (!st.determined) {
        lines.push_back(m + st.reason);
        lines.push_back(ruleLine());
        for (int i = 0; i < 4; ++i) lines.push_back(" ");
        return lines;
    }
    lines.push_back(m + (st.source == StatisticsSource::DescribedFit ? "Least squares from the fitted V, n and K"
                                                                     : "Least squares from start values of its own"));
    lines.push_back(m + "Points =" + number(st.points) + "  Degrees of freedom =" + number(st.degreesOfFreedom));
    const std::string units[4] = {rateUnit, "", concUnit, ""};
    int k = 0;
    for (const Named& p : parameters(st, form == ReportForm::File)) {
        lines.push_back(" ");
        lines.push_back(m + p.name + "=" + number(p.p->estimate) + units[k++]);
        lines.push_back(in + "Standard error =" + figure(p.p->standardError));
        lines.push_back(in + "95 % limits =" + limits(p.p->ci95));
        if (p.p != &st.VK) lines.push_back(in + "Profile limits =" + limits(p.p->profileCi95));
    }
    lines.push_back(" ");
    lines.push_back(m + "Syx =" + figure(st.syx));
    lines.push_back(m + "R squared =" + figure(st.r2));
    lines.push_back(" ");
    if (st.hyperbolic)
        lines.push_back(m + "n = 1:  V =" + number(st.hyperbolic->V) + " K =" + number(st.hyperbolic->K) +
                        " SSR =" + number(st.hyperbolic->ssr));
    else
        lines.push_back(m + "n = 1: " + kNotDetermined);
    lines.push_back(m + "F =" + figure(st.fTest ? std::optional<double>(st.fTest->F) : std::nullopt) +
                    " p =" + figure(st.fTest ? std::optional<double>(st.fTest->p) : std::nullopt));
    lines.push_back(m + "AICc of n = 1 minus AICc of the Hill law =" + figure(st.deltaAICc));
    lines.push_back(m + statisticsVerdict(st, sep));
    lines.push_back(" ");
    lines.push_back(m + "Residuals (rate minus fitted rate):");
    for (std::size_t i = 0; i < st.residuals.size(); ++i)
        lines.push_back(m + "Point" + number(static_cast<double>(i + 1)) + "=" + number(st.residuals[i]));
    lines.push_back(ruleLine());
    for (int i = 0; i < 4; ++i) lines.push_back(" ");
    return lines;
}

std::string csvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string csvNumber(std::optional<double> value)
{
    if (!value || !std::isfinite(*value)) return {};
    char buffer[40];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, *value);
    return std::string(buffer, r.ptr);
}

std::vector<std::string> csvHeader(bool withStatistics)
{
    std::vector<std::string> h = {"file", "curve", "firstPoint", "lastPoint", "baseline", "V", "n", "K", "VK", "r",
                                  "totalActivity"};
    if (!withStatistics) return h;
    for (const char* p : {"V", "n", "K", "VK"}) {
        const std::string s(p);
        for (const char* suffix : {"_SE", "_ci95Low", "_ci95High"}) h.push_back(s + suffix);
        if (s != "VK")
            for (const char* suffix : {"_profileLow", "_profileHigh"}) h.push_back(s + suffix);
    }
    for (const char* c : {"Syx", "R2", "F", "p", "deltaAICc", "determined"}) h.emplace_back(c);
    return h;
}

std::vector<std::string> csvRow(const std::string& file, const CurveFit& r, const CurveStatistics* st)
{
    std::vector<std::string> row = {file,
                                    std::to_string(r.curve),
                                    std::to_string(r.points.firstPoint),
                                    std::to_string(r.points.lastPoint),
                                    csvNumber(r.points.baseline),
                                    csvNumber(r.V),
                                    csvNumber(r.n),
                                    csvNumber(r.K),
                                    csvNumber(r.VK),
                                    csvNumber(r.r),
                                    csvNumber(r.totalActivity)};
    if (!st) return row;
    const bool d = st->determined;
    for (const Named& p : parameters(*st)) {
        auto lim = [&](const std::optional<Limits>& l, bool high) -> std::optional<double> {
            if (!d || !l) return std::nullopt;
            return high ? l->high : l->low;
        };
        row.push_back(csvNumber(d ? p.p->standardError : std::nullopt));
        row.push_back(csvNumber(lim(p.p->ci95, false)));
        row.push_back(csvNumber(lim(p.p->ci95, true)));
        if (p.p != &st->VK) {
            row.push_back(csvNumber(lim(p.p->profileCi95, false)));
            row.push_back(csvNumber(lim(p.p->profileCi95, true)));
        }
    }
    row.push_back(csvNumber(d ? st->syx : std::nullopt));
    row.push_back(csvNumber(d ? st->r2 : std::nullopt));
    row.push_back(csvNumber(d && st->fTest ? std::optional<double>(st->fTest->F) : std::nullopt));
    row.push_back(csvNumber(d && st->fTest ? std::optional<double>(st->fTest->p) : std::nullopt));
    row.push_back(csvNumber(d ? st->deltaAICc : std::nullopt));
    row.emplace_back(d ? "true" : "false");
    return row;
}

std::string csvText(const std::vector<std::vector<std::string>>& rows)
{
    std::string out;
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) out += ',';
            out += csvField(row[i]);
        }
        out += "\r\n";
    }
    return out;
}

std::string statisticsTable(const std::vector<std::pair<int, CurveStatistics>>& curves, char sep)
{
    std::string out = "curve\tparameter\testimate\tstandard error\t95 % low\t95 % high\tprofile low\tprofile high\r\n";
    auto cell = [&](std::optional<double> v) { return figureText(v, sep); };
    for (const auto& [curve, st] : curves) {
        const std::string c = std::to_string(curve);
        if (!st.determined) {
            out += c + "\t" + st.reason + "\r\n";
            continue;
        }
        for (const Named& p : parameters(st)) {
            const auto& ci = p.p->ci95;
            const auto& pr = p.p->profileCi95;
            out += c + "\t" + p.key + "\t" + cell(p.p->estimate) + "\t" + cell(p.p->standardError) + "\t" +
                   cell(ci ? ci->low : std::nullopt) + "\t" + cell(ci ? ci->high : std::nullopt) + "\t" +
                   cell(pr ? pr->low : std::nullopt) + "\t" + cell(pr ? pr->high : std::nullopt) + "\r\n";
        }
        out += c + "\tSyx\t" + cell(st.syx) + "\r\n";
        out += c + "\tR2\t" + cell(st.r2) + "\r\n";
        out += c + "\tF\t" + cell(st.fTest ? std::optional<double>(st.fTest->F) : std::nullopt) + "\r\n";
        out += c + "\tp\t" + cell(st.fTest ? std::optional<double>(st.fTest->p) : std::nullopt) + "\r\n";
        out += c + "\tdeltaAICc\t" + cell(st.deltaAICc) + "\r\n";
        out += c + "\tverdict\t" + statisticsVerdict(st, sep) + "\r\n";
    }
    return out;
}

}  // namespace kinetra
