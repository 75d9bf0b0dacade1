#include "windows/stats/frmFitStatistics.h"

#include <QClipboard>
#include <algorithm>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>

#include "base/FileReplacement.h"
#include "platform/DisplayPainter.h"
#include "report/StatisticsLines.h"
#include "graphs/ResidualPlot.h"
#include "ui/Controls.h"
#include "ui/HandlerGuard.h"
#include "ui/HelpFile.h"
#include "ui/Locale.h"
#include "ui/Twips.h"

namespace kinetra {

namespace {

template <class W>
W* place(W* w, const char* name, double left, double top, double width, double height)
{
    return placeNamed(w, name, {left, top, width, height});
}

// The residual plot, scaled down to the box it is given.
class ResidualPicture : public QWidget {
public:
    ResidualPicture(const DisplayList& list, QWidget* parent) : QWidget(parent), plot(list)
    {
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, Qt::white);
        setPalette(pal);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        scaleToTwips(p);
        const double twipsWide = width() * 1440.0 / logicalDpiX();
        const double twipsHigh = height() * 1440.0 / logicalDpiY();
        const double f = std::min(twipsWide / static_cast<double>(kPageWidth), twipsHigh / static_cast<double>(kPageHeight));
        p.scale(f, f);
        paintDisplayList(p, plot);
    }

private:
    const DisplayList& plot;
};

// Six significant digits with the user's decimal separator: the table shows what a reader
// compares; "Copy" and "Save CSV…" give every digit.
QString figure(std::optional<double> value, char)
{
    if (!value) return QString::fromLatin1(kNotDetermined);
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(*value, 'g', 6);
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
    setFormGeometry(90, 90, 9900, 7500);  // inside the main window's 12000 x 8500

    grdStatistics = place(new QTableWidget(this), "grdStatistics", 120, 120, 9480, 2160);
    grdStatistics->setColumnCount(8);
    grdStatistics->setHorizontalHeaderLabels({QStringLiteral("Curve"), QStringLiteral("Parameter"),
                                              QStringLiteral("Estimate"), QStringLiteral("Standard error"),
                                              QStringLiteral("95 % low"), QStringLiteral("95 % high"),
                                              QStringLiteral("Profile low"), QStringLiteral("Profile high")});
    grdStatistics->verticalHeader()->hide();
    grdStatistics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // columns as wide as their header or widest figure; the last takes what is left
    grdStatistics->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    grdStatistics->horizontalHeader()->setStretchLastSection(true);

    lblFit = place(new QLabel(this), "lblFit", 120, 2340, 9480, 300);
    lblComparison = place(new QLabel(this), "lblComparison", 120, 2640, 9480, 600);
    lblComparison->setWordWrap(true);
    lblComparison->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    picResiduals = place(new ResidualPicture(plot, this), "picResiduals", 120, 3300, 5100, 3450);

    cmdCopy = place(new QPushButton(QStringLiteral("Copy"), this), "cmdCopy", 7920, 3300, 1680, 435);
    cmdSaveCsv = place(new QPushButton(QStringLiteral("Save CSV…"), this), "cmdSaveCsv", 7920, 3900, 1680, 435);
    cmdHelp = colouredButton(this, "cmdHelp", QStringLiteral("Help"), {7920, 4500, 1680, 435}, "rgb(255, 224, 192)");
}

void frmFitStatistics::connectHandlers()
{
    connect(cmdCopy, &QPushButton::clicked, this, &frmFitStatistics::cmdCopy_Click);
    connect(cmdSaveCsv, &QPushButton::clicked, this, &frmFitStatistics::cmdSaveCsv_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmFitStatistics::cmdHelp_Click);
}

void frmFitStatistics::setCalculation(const CalculationStatistics& calculation)
{
    calc = calculation;
    const char sep = localeDecimalSeparator();
    grdStatistics->setRowCount(0);
    QStringList fit, comparison;
    std::vector<ResidualSeries> series;
    for (const CalculatedCurve& c : calc.curves) {
        const CurveStatistics& s = c.stats;
        const QString curve = QString::number(c.results.curve);
        auto addRow = [&](const QStringList& cells) {
            const int row = grdStatistics->rowCount();
            grdStatistics->insertRow(row);
            for (int col = 0; col < cells.size(); ++col)
                grdStatistics->setItem(row, col, new QTableWidgetItem(cells[col]));
        };
        if (!s.determined) {
            addRow({curve, QString::fromStdString(s.reason)});
            comparison << QStringLiteral("Curve %1: %2").arg(curve, QString::fromStdString(s.reason));
            continue;
        }
        const std::pair<const char*, const ParameterStatistics*> params[4] = {
            {"V", &s.V}, {"n", &s.n}, {"K", &s.K}, {"V/K", &s.VK}};
        for (const auto& [name, p] : params) {
            const auto& ci = p->ci95;
            const auto& pr = p->profileCi95;
            QStringList cells{curve, QString::fromLatin1(name), figure(p->estimate, sep), figure(p->standardError, sep),
                              figure(ci ? ci->low : std::nullopt, sep), figure(ci ? ci->high : std::nullopt, sep)};
            // V/K is a ratio of two fitted parameters: it has no profile of its own
            if (p != &s.VK)
                cells << figure(pr ? pr->low : std::nullopt, sep) << figure(pr ? pr->high : std::nullopt, sep);
            addRow(cells);
        }
        fit << QStringLiteral("Curve %1: Syx = %2   R² = %3").arg(curve, figure(s.syx, sep), figure(s.r2, sep));
        QString n1 = QStringLiteral("Curve %1, n = 1: ").arg(curve);
        if (s.hyperbolic)
            n1 += QStringLiteral("V = %1, K = %2; ").arg(figure(s.hyperbolic->V, sep), figure(s.hyperbolic->K, sep));
        n1 += QString::fromStdString(statisticsVerdict(s, sep));
        comparison << n1;
        series.push_back(ResidualSeries{c.results.curve, c.concentration, s.residuals});
    }
    lblFit->setText(fit.join(QStringLiteral("     ")));
    lblComparison->setText(comparison.join(QLatin1Char('\n')));
    plot = buildResidualPlot(series, calc.rateUnit, calc.concUnit, sep);
    picResiduals->update();
}

void frmFitStatistics::cmdCopy_Click()
{
    runGuarded(shell.platform(), this, [this] {
        std::vector<std::pair<int, CurveStatistics>> curves;
        for (const CalculatedCurve& c : calc.curves) curves.emplace_back(c.results.curve, c.stats);
        QGuiApplication::clipboard()->setText(QString::fromStdString(statisticsTable(curves, localeDecimalSeparator())));
    });
}

void frmFitStatistics::cmdSaveCsv_Click()
{
    runGuarded(shell.platform(), this, [this] {
        const QString path = shell.platform().saveFileName(this, QStringLiteral("Save CSV"), QString());
        if (path.isEmpty()) return;
        std::vector<std::vector<std::string>> rows{csvHeader(true)};
        // the window does not know the data file's name: the file column stays empty
        for (const CalculatedCurve& c : calc.curves) rows.push_back(csvRow("", c.results, &c.stats));
        // written whole or not at all
        replaceFile(path.toStdString(), csvText(rows), FileReplacement::OtherTargets::Refuse);
    });
}

void frmFitStatistics::cmdHelp_Click()
{
    runGuarded(shell.platform(), this, [this] {
        shell.openHelp(this, helpFileIn(st.helpPath), kStatisticsHelpTopic);
    });
}

}  // namespace kinetra
