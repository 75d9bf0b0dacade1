#include "windows/stats/frmCompare.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "base/FileReplacement.h"
#include "graphs/ExperimentPlots.h"
#include "report/StatisticsLines.h"
#include "ui/BackgroundWork.h"
#include "ui/Controls.h"
#include "ui/PictureFile.h"
#include "ui/HandlerGuard.h"
#include "ui/HelpFile.h"
#include "ui/Locale.h"
#include "ui/Twips.h"
#include "windows/stats/ComparisonTable.h"
#include "windows/stats/PlotPicture.h"
#include "windows/stats/StatisticsText.h"

namespace kinetra {

namespace {

template <class W>
W* place(W* w, const char* name, double left, double top, double width, double height)
{
    return placeNamed(w, name, {left, top, width, height});
}

QTableWidget* table(QWidget* parent, const std::vector<std::string>& header)
{
    auto* t = new QTableWidget(parent);
    t->setColumnCount(static_cast<int>(header.size()));
    QStringList captions;
    for (const std::string& h : header) captions << QString::fromStdString(h);
    t->setHorizontalHeaderLabels(captions);
    t->verticalHeader()->hide();
    t->verticalHeader()->setDefaultSectionSize(twipsToPixels(300));
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void fill(QTableWidget* t, const std::vector<std::vector<std::string>>& rows)
{
    t->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < t->rowCount(); ++r) {
        const auto& row = rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < static_cast<int>(row.size()) && c < t->columnCount(); ++c)
            t->setItem(r, c, new QTableWidgetItem(QString::fromStdString(row[static_cast<std::size_t>(c)])));
    }
}

}  // namespace

frmCompare::frmCompare(Shell& hub, QWidget* parent) : ChildForm(parent), shell(hub), st(hub.state())
{
    createControls();
    connectHandlers();
}

void frmCompare::createControls()
{
    setObjectName(QStringLiteral("frmCompare"));
    setWindowTitle(QStringLiteral("Compare Data Sets"));
    setFormGeometry(240, 240, 0, 0);
    setClientSizeTwips(11160, 7200);  // inside the main window's 12000 x 8500

    const ComparisonTable empty = comparisonTable(Comparison{}, shownFigureText, '.');
    grdSets = place(table(this, empty.setHeader), "grdSets", 120, 120, 10920, 1260);
    grdTests = place(table(this, empty.testHeader), "grdTests", 120, 1440, 10920, 1560);
    // the verdicts stand in full beside the plot
    grdTests->setColumnCount(static_cast<int>(empty.testHeader.size()) - 1);
    grdTests->horizontalHeaderItem(6)->setText(QStringLiteral("ΔAICc"));

    picOverlay = place(new PlotPicture(plot, this), "picOverlay", 120, 3060, 5940, 4020);
    lblWeighting = place(new QLabel(this), "lblWeighting", 6180, 3060, 4860, 270);
    for (QLabel** l : {&lblVerdicts, &lblMessages}) {
        *l = new QLabel(this);
        (*l)->setWordWrap(true);
        (*l)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    place(lblVerdicts, "lblVerdicts", 6180, 3420, 4860, 1260);
    place(lblMessages, "lblMessages", 6180, 4740, 4860, 1260);
    cmdSavePicture = place(new QPushButton(QStringLiteral("Save picture…"), this), "cmdSavePicture", 6180, 6060,
                           1620, 435);

    lblBusy = place(new QLabel(this), "lblBusy", 7920, 6060, 3120, 435);
    cmdCopy = place(new QPushButton(QStringLiteral("Copy"), this), "cmdCopy", 6180, 6600, 1440, 435);
    cmdSaveCsv = place(new QPushButton(QStringLiteral("Save CSV…"), this), "cmdSaveCsv", 7860, 6600, 1440, 435);
    cmdHelp = colouredButton(this, "cmdHelp", QStringLiteral("Help"), {9600, 6600, 1440, 435}, "rgb(255, 224, 192)");
}

void frmCompare::connectHandlers()
{
    connect(cmdCopy, &QPushButton::clicked, this, &frmCompare::cmdCopy_Click);
    connect(cmdSaveCsv, &QPushButton::clicked, this, &frmCompare::cmdSaveCsv_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmCompare::cmdHelp_Click);
    connect(cmdSavePicture, &QPushButton::clicked, this, &frmCompare::cmdSavePicture_Click);
    work = new BackgroundWork(shell.platform(), this, {cmdCopy, cmdSaveCsv, cmdSavePicture}, lblBusy);
}

void frmCompare::setComparison(const std::vector<DataSetPoints>& sets, Weighting weighting)
{
    if (work->busy()) {
        shell.platform().message(this,
                                 QStringLiteral("The data sets are still being compared: compare again once their "
                                                "outcome is shown."),
                                 QStringLiteral("Kinetra"), MessageIcon::Information);
        return;
    }
    // what the plot needs from the window, taken here: the work sees values only
    const std::string rateUnit = st.dataSet.rateUnit;
    const std::string concUnit = st.dataSet.concUnit;
    const char sep = localeDecimalSeparator();
    struct Compared {
        Comparison comparison;
        DisplayList overlay;
    };
    work->start<Compared>(
        QStringLiteral("Comparing %1 data sets…").arg(sets.size()),
        [sets, weighting, rateUnit, concUnit, sep] {
            Compared c{compareDataSets(sets, weighting), {}};
            std::vector<OverlaySet> overlay;
            // a refused comparison (too few or too many sets) draws none of them
            for (std::size_t i = 0; c.comparison.refusal.empty() && i < sets.size(); ++i) {
                OverlaySet o{sets[i].name, sets[i].concentration, sets[i].rate, std::nullopt};
                const std::vector<ComparedSet>& fitted = c.comparison.sets;
                if (i < fitted.size() && fitted[i].own.determined) o.fit = fitted[i].own.estimates;
                overlay.push_back(std::move(o));
            }
            c.overlay = buildComparisonPlot(overlay, rateUnit, concUnit, sep);
            return c;
        },
        [this, weighting](Compared&& c) { showComparison(std::move(c.comparison), std::move(c.overlay), weighting); });
}

void frmCompare::showComparison(Comparison compared, DisplayList overlay, Weighting weighting)
{
    result = std::move(compared);
    plot = std::move(overlay);
    const ComparisonTable t = comparisonTable(result, shownFigureText, localeDecimalSeparator());
    fill(grdSets, t.sets);
    fill(grdTests, t.tests);

    lblWeighting->setText(QStringLiteral("Weighting: %1").arg(weightingCaption(weighting)));
    QStringList verdicts;
    for (const SharedTest& test : result.tests)
        if (test.fit) verdicts << QString::fromStdString(t.tests[static_cast<std::size_t>(test.shared)].back());
    lblVerdicts->setText(verdicts.join(QLatin1Char('\n')));
    QStringList why;
    if (!result.refusal.empty()) why << QString::fromStdString(result.refusal);
    for (const std::string& m : result.messages) why << QString::fromStdString(m);
    lblMessages->setText(why.join(QLatin1Char('\n')));
    picOverlay->update();
}

void frmCompare::cmdCopy_Click()
{
    runGuarded(shell.platform(), this, [this] {
        const char sep = localeDecimalSeparator();
        const auto everyDigit = [sep](std::optional<double> v) { return figureText(v, sep); };
        QGuiApplication::clipboard()->setText(QString::fromStdString(tabSeparated(comparisonTable(result, everyDigit, sep))));
    });
}

void frmCompare::cmdSaveCsv_Click()
{
    runGuarded(shell.platform(), this, [this] {
        const QString path = shell.platform().saveFileName(this, QStringLiteral("Save CSV"), QString());
        if (path.isEmpty()) return;
        // written whole or not at all
        replaceFile(QFile::encodeName(path).toStdString(), csvText(comparisonCsvRows(result)),
                    FileReplacement::OtherTargets::Refuse);
    });
}

void frmCompare::cmdSavePicture_Click()
{
    runGuarded(shell.platform(), this, [this] { savePicture(shell, this, plot); });
}

void frmCompare::cmdHelp_Click()
{
    runGuarded(shell.platform(), this, [this] {
        shell.openHelp(this, helpFileIn(st.helpPath), kComparisonHelpTopic);
    });
}

}  // namespace kinetra
