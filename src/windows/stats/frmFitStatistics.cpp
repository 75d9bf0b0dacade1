#include "windows/stats/frmFitStatistics.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "ui/PictureFile.h"
#include <algorithm>

#include "base/FileReplacement.h"
#include "entry/DataSetAnalysis.h"
#include "graphs/ExperimentPlots.h"
#include "graphs/ResidualPlot.h"
#include "report/StatisticsLines.h"
#include "stats/Bands.h"
#include "ui/BackgroundWork.h"
#include "ui/Controls.h"
#include "ui/HandlerGuard.h"
#include "ui/HelpFile.h"
#include "ui/Locale.h"
#include "ui/Messages.h"
#include "ui/Twips.h"
#include "windows/stats/PlotPicture.h"
#include "windows/stats/StatisticsText.h"

namespace kinetra {

namespace {

template <class W>
W* place(W* w, const char* name, double left, double top, double width, double height)
{
    return placeNamed(w, name, {left, top, width, height});
}

QString fromStd(const std::string& text) { return QString::fromStdString(text); }

// A further data set with its rates above the same baseline as curve 1.
DataSetPoints aboveBaseline(std::string name, const DataSet& set, double baseline)
{
    DataSetPoints d{std::move(name), set.concentration, set.rate, std::nullopt};
    for (double& v : d.rate) v -= baseline;
    return d;
}

// The lack-of-fit line of a curve, or why it has none.
QString replicatesLine(const QString& curve, const CurveStatistics& s, char sep)
{
    if (!s.replicates)
        return QStringLiteral("Curve %1: no lack-of-fit test (it needs points measured more than once at more "
                              "than three concentrations)")
            .arg(curve);
    const ReplicatesTest& r = *s.replicates;
    return QStringLiteral("Curve %1, lack of fit against the replicates at %2 concentrations: F = %3 with %4 and %5 "
                          "df; %6")
        .arg(curve, QString::number(r.concentrations), shownFigure(r.F), QString::number(r.lackOfFitDf),
             QString::number(r.pureErrorDf), fromStd(replicatesVerdict(r, sep)));
}

}  // namespace

frmFitStatistics::frmFitStatistics(Shell& hub, QWidget* parent) : ChildForm(parent), shell(hub), st(hub.state())
{
    createControls();
    connectHandlers();
}

void frmFitStatistics::createControls()
{
    setObjectName(QStringLiteral("frmFitStatistics"));
    setWindowTitle(QStringLiteral("Fit Statistics"));
    setFormGeometry(90, 90, 0, 0);
    setClientSizeTwips(11280, 7260);  // inside the main window's 12000 x 8500

    place(new QLabel(QStringLiteral("Weighting"), this), "lblWeighting", 120, 165, 900, 270);
    cboWeighting = place(weightingList(this), "cboWeighting", 1020, 105, 1300, 360);
    place(new QLabel(QStringLiteral("Fit plot of curve"), this), "lblPlotCurve", 2700, 165, 1400, 270);
    cboPlotCurve = place(new QComboBox(this), "cboPlotCurve", 4100, 105, 700, 360);

    grdStatistics = place(new QTableWidget(this), "grdStatistics", 120, 540, 9600, 1980);
    grdStatistics->setColumnCount(8);
    grdStatistics->setHorizontalHeaderLabels({QStringLiteral("Curve"), QStringLiteral("Parameter"),
                                              QStringLiteral("Estimate"), QStringLiteral("Standard error"),
                                              QStringLiteral("95 % low"), QStringLiteral("95 % high"),
                                              QStringLiteral("Profile low"), QStringLiteral("Profile high")});
    grdStatistics->verticalHeader()->hide();
    grdStatistics->verticalHeader()->setDefaultSectionSize(twipsToPixels(300));
    grdStatistics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // columns as wide as their header or widest figure; the last takes what is left
    grdStatistics->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    grdStatistics->horizontalHeader()->setStretchLastSection(true);

    lblFit = place(new QLabel(this), "lblFit", 120, 2580, 9600, 270);
    for (QLabel** l : {&lblComparison, &lblReplicates}) {
        *l = new QLabel(this);
        (*l)->setWordWrap(true);
        (*l)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    place(lblComparison, "lblComparison", 120, 2850, 11040, 480);
    place(lblReplicates, "lblReplicates", 120, 3330, 11040, 480);

    place(new QLabel(QStringLiteral("Residuals"), this), "lblResidualPlot", 120, 3840, 5460, 270);
    picResiduals = place(new PlotPicture(plot, this), "picResiduals", 120, 4110, 5460, 3030);
    // two lines beside the plot's button: the curve and its bands, or why there is no band
    lblFitPlot = place(new QLabel(this), "lblFitPlot", 5700, 3690, 3780, 420);
    lblFitPlot->setWordWrap(true);
    lblFitPlot->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    // each plot saves its picture from the end of its caption's line
    cmdSaveResiduals = place(new QPushButton(QStringLiteral("Save picture…"), this), "cmdSaveResiduals", 3960, 3765,
                             1620, 345);
    cmdSaveFitPlot = place(new QPushButton(QStringLiteral("Save picture…"), this), "cmdSaveFitPlot", 9540, 3765,
                           1620, 345);
    picFit = place(new PlotPicture(fitPicture, this), "picFit", 5700, 4110, 5460, 3030);

    cmdCopy = place(new QPushButton(QStringLiteral("Copy"), this), "cmdCopy", 9840, 540, 1320, 435);
    cmdSaveCsv = place(new QPushButton(QStringLiteral("Save CSV…"), this), "cmdSaveCsv", 9840, 1080, 1320, 435);
    cmdCompare = place(new QPushButton(QStringLiteral("Compare…"), this), "cmdCompare", 9840, 1620, 1320, 435);
    cmdCompare->setEnabled(false);
    cmdHelp = colouredButton(this, "cmdHelp", QStringLiteral("Help"), {9840, 2160, 1320, 435}, "rgb(255, 224, 192)");
}

void frmFitStatistics::connectHandlers()
{
    connect(cboWeighting, &QComboBox::activated, this, &frmFitStatistics::cboWeighting_Click);
    connect(cboPlotCurve, &QComboBox::activated, this, &frmFitStatistics::cboPlotCurve_Click);
    connect(cmdCopy, &QPushButton::clicked, this, &frmFitStatistics::cmdCopy_Click);
    connect(cmdSaveCsv, &QPushButton::clicked, this, &frmFitStatistics::cmdSaveCsv_Click);
    connect(cmdCompare, &QPushButton::clicked, this, &frmFitStatistics::cmdCompare_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmFitStatistics::cmdHelp_Click);
    connect(cmdSaveResiduals, &QPushButton::clicked, this, &frmFitStatistics::cmdSaveResiduals_Click);
    connect(cmdSaveFitPlot, &QPushButton::clicked, this, &frmFitStatistics::cmdSaveFitPlot_Click);
    filesWork = new BackgroundWork(shell.platform(), this, {cmdCompare, cboWeighting});
}

void frmFitStatistics::setCalculation(const CalculationStatistics& calculation)
{
    calc = calculation;
    // the points of each curve as the calculation saw them: the window state's data set
    // stays that of the calculation while this window is open
    inputs.clear();
    for (const CalculatedCurve& c : calc.curves)
        inputs.push_back(curveStatisticsInput(st.dataSet, c.results.points, HillEstimates{c.results.V, c.results.n, c.results.K}));
    cboPlotCurve->clear();
    for (const CalculatedCurve& c : calc.curves) cboPlotCurve->addItem(QString::number(c.results.curve));
    cboPlotCurve->setEnabled(calc.curves.size() > 1);
    cmdCompare->setEnabled(!calc.curves.empty());
    showStatistics();
}

void frmFitStatistics::showStatistics()
{
    shown = calc;
    const Weighting weighting = chosenWeighting(cboWeighting);
    if (weighting != Weighting::None) {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            StatisticsInput in = inputs[i];
            in.weighting = weighting;
            shown.curves[i].stats = computeCurveStatistics(in);
        }
    }

    const char sep = localeDecimalSeparator();
    grdStatistics->setRowCount(0);
    QStringList fit, comparison, replicates;
    std::vector<ResidualSeries> series;
    for (const CalculatedCurve& c : shown.curves) {
        const CurveStatistics& s = c.stats;
        const QString curve = QString::number(c.results.curve);
        auto addRow = [&](const QStringList& cells) {
            const int row = grdStatistics->rowCount();
            grdStatistics->insertRow(row);
            for (int col = 0; col < cells.size(); ++col)
                grdStatistics->setItem(row, col, new QTableWidgetItem(cells[col]));
        };
        if (!s.determined) {
            addRow({curve, fromStd(s.reason)});
            comparison << QStringLiteral("Curve %1: %2").arg(curve, fromStd(s.reason));
            continue;
        }
        const std::pair<const char*, const ParameterStatistics*> params[4] = {
            {"V", &s.V}, {"n", &s.n}, {"K", &s.K}, {"V/K", &s.VK}};
        for (const auto& [name, p] : params) {
            const auto& ci = p->ci95;
            const auto& pr = p->profileCi95;
            QStringList cells{curve, QString::fromLatin1(name), shownFigure(p->estimate), shownFigure(p->standardError),
                              shownFigure(ci ? ci->low : std::nullopt), shownFigure(ci ? ci->high : std::nullopt)};
            // V/K is a ratio of two fitted parameters: it has no profile of its own
            if (p != &s.VK) cells << shownFigure(pr ? pr->low : std::nullopt) << shownFigure(pr ? pr->high : std::nullopt);
            addRow(cells);
        }
        fit << QStringLiteral("Curve %1: Syx = %2   R² = %3").arg(curve, shownFigure(s.syx), shownFigure(s.r2));
        QString n1 = QStringLiteral("Curve %1, n = 1: ").arg(curve);
        if (s.hyperbolic)
            n1 += QStringLiteral("V = %1, K = %2; ").arg(shownFigure(s.hyperbolic->V), shownFigure(s.hyperbolic->K));
        n1 += fromStd(statisticsVerdict(s, sep));
        comparison << n1;
        replicates << replicatesLine(curve, s, sep);
        series.push_back(ResidualSeries{c.results.curve, c.concentration, s.residuals});
    }
    lblFit->setText(fit.join(QStringLiteral("     ")));
    lblComparison->setText(comparison.join(QLatin1Char('\n')));
    lblReplicates->setText(replicates.join(QLatin1Char('\n')));
    plot = buildResidualPlot(series, shown.rateUnit, shown.concUnit, sep);
    picResiduals->update();
    showFitPlot();
}

void frmFitStatistics::showFitPlot()
{
    const int i = cboPlotCurve->currentIndex();
    if (i < 0 || static_cast<std::size_t>(i) >= inputs.size()) {
        fitPicture = buildFitPlot({}, {}, {}, shown.rateUnit, shown.concUnit, localeDecimalSeparator());
        lblFitPlot->clear();
        picFit->update();
        return;
    }
    const StatisticsInput& in = inputs[static_cast<std::size_t>(i)];
    const CalculatedCurve& c = shown.curves[static_cast<std::size_t>(i)];
    const QString curve = QString::number(c.results.curve);
    CurveBands bands;
    if (!c.stats.determined) {
        bands.reason = c.stats.reason;
    } else {
        double low = 0.0, high = 0.0;
        for (double S : in.concentration) {
            if (!(S > 0.0)) continue;
            low = low > 0.0 ? std::min(low, S) : S;
            high = std::max(high, S);
        }
        bands = curveBands(c.stats, low, high, kFitPlotPoints);
    }
    fitPicture = buildFitPlot(in.concentration, in.rate, bands.points, shown.rateUnit, shown.concUnit,
                              localeDecimalSeparator());
    lblFitPlot->setText(bands.points.empty()
                            ? QStringLiteral("Curve %1: %2").arg(curve, fromStd(bands.reason))
                            : QStringLiteral("Curve %1 fitted; 95 % bands: confidence shaded, prediction dashed")
                                  .arg(curve));
    picFit->update();
}

void frmFitStatistics::cboWeighting_Click()
{
    runGuarded(shell.platform(), this, [this] { showStatistics(); });
}

void frmFitStatistics::cboPlotCurve_Click()
{
    runGuarded(shell.platform(), this, [this] { showFitPlot(); });
}

void frmFitStatistics::cmdCopy_Click()
{
    runGuarded(shell.platform(), this, [this] {
        std::vector<std::pair<int, CurveStatistics>> curves;
        for (const CalculatedCurve& c : shown.curves) curves.emplace_back(c.results.curve, c.stats);
        QGuiApplication::clipboard()->setText(fromStd(statisticsTable(curves, localeDecimalSeparator())));
    });
}

void frmFitStatistics::cmdSaveCsv_Click()
{
    runGuarded(shell.platform(), this, [this] {
        const QString path = shell.platform().saveFileName(this, QStringLiteral("Save CSV"), QString());
        if (path.isEmpty()) return;
        std::vector<std::vector<std::string>> rows{csvHeader(true)};
        // the window does not know the data file's name: the file column stays empty
        for (const CalculatedCurve& c : shown.curves) rows.push_back(csvRow("", c.results, &c.stats));
        // written whole or not at all
        replaceFile(QFile::encodeName(path).toStdString(), csvText(rows), FileReplacement::OtherTargets::Refuse);
    });
}

std::vector<DataSetPoints> frmFitStatistics::setsAtHand() const
{
    std::vector<DataSetPoints> sets;
    if (inputs.empty()) return sets;
    const CurveFit& first = calc.curves.front().results;
    sets.push_back(DataSetPoints{"curve " + std::to_string(first.curve), inputs.front().concentration,
                                 inputs.front().rate, inputs.front().start});
    for (std::size_t k = 0; k < st.otherDataSets.size(); ++k)
        sets.push_back(aboveBaseline("table set " + std::to_string(k + 1), st.otherDataSets[k], first.points.baseline));
    return sets;
}

namespace {

// A file chosen for the comparison as the data entry reads it: rounded and sorted, with the
// points of its warnings.
struct ComparedFile {
    Outcome<DataSet> read = Failure{};
    std::vector<int> warnedPoints;
};

}  // namespace

void frmFitStatistics::readComparedFiles(std::vector<DataSetPoints> sets, const QStringList& paths,
                                         Weighting weighting)
{
    std::vector<std::string> files;
    for (const QString& path : paths) files.push_back(QFile::encodeName(path).toStdString());
    const double baseline = calc.curves.front().results.points.baseline;
    auto handOn = [this, sets = std::move(sets), paths, weighting, baseline](const std::vector<ComparedFile>& read) mutable {
        for (std::size_t i = 0; i < read.size(); ++i) {
            const QString& path = paths[static_cast<int>(i)];
            // the warnings and failures in the order the files were read
            for (std::size_t w = 0; w < read[i].warnedPoints.size(); ++w)
                showCritical(shell, this, QString::fromUtf8(kReadWarningText));
            if (!read[i].read) {
                showCritical(shell, this,
                             QStringLiteral("%1 cannot be read and is left out of the comparison.\r\n\r\n%2")
                                 .arg(QDir::toNativeSeparators(path), fromStd(failureMessage(read[i].read.failure()))),
                             wrongDataTitle());
                continue;
            }
            sets.push_back(aboveBaseline(QFileInfo(path).completeBaseName().toStdString(), *read[i].read, baseline));
        }
        // curve 1 alone (the dialog cancelled, or no file could be read) has nothing to be
        // compared with
        if (sets.size() > 1) shell.openComparison(sets, weighting);
    };
    if (files.empty()) {
        handOn({});
        return;
    }
    filesWork->start<std::vector<ComparedFile>>(
        QString(),
        [files] {
            std::vector<ComparedFile> read(files.size());
            for (std::size_t i = 0; i < files.size(); ++i) {
                std::vector<int>& warned = read[i].warnedPoints;
                read[i].read = readDataSet(files[i], ReportLabels{}, [&warned](int point) { warned.push_back(point); });
            }
            return read;
        },
        std::move(handOn));
}

void frmFitStatistics::cmdCompare_Click()
{
    runGuarded(shell.platform(), this, [this] {
        if (filesWork->busy() || inputs.empty()) return;
        std::vector<DataSetPoints> sets = setsAtHand();
        const Weighting weighting = chosenWeighting(cboWeighting);
        const QStringList paths =
            shell.platform().openFileNames(this, QStringLiteral("Compare With Data Files"), QDir::currentPath());
        readComparedFiles(std::move(sets), paths, weighting);
    });
}

void frmFitStatistics::cmdSaveResiduals_Click()
{
    runGuarded(shell.platform(), this, [this] { savePicture(shell, this, plot); });
}

void frmFitStatistics::cmdSaveFitPlot_Click()
{
    runGuarded(shell.platform(), this, [this] { savePicture(shell, this, fitPicture); });
}

void frmFitStatistics::cmdHelp_Click()
{
    runGuarded(shell.platform(), this, [this] {
        shell.openHelp(this, helpFileIn(st.helpPath), kStatisticsHelpTopic);
    });
}

}  // namespace kinetra
