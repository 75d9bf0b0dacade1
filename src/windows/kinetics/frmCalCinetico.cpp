#include "windows/kinetics/frmCalCinetico.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>

#include "entry/DataSetAnalysis.h"
#include "ui/Controls.h"
#include "ui/HelpFile.h"
#include "ui/Locale.h"
#include "ui/Messages.h"
#include "ui/Twips.h"
#include "ui/WindowLook.h"
#include "kinetics/KineticResults.h"
#include "base/CheckedMath.h"
#include "ui/HandlerGuard.h"
#include "ui/WindowReport.h"

namespace kinetra {

namespace {

// The points window was closed with its close box: the program is ending, so the
// calculation stops without a message of its own.
struct ProgramEnding {};

template <class W>
W* place(W* w, const char* name, double left, double top, double width, double height)
{
    return placeNamed(w, name, {left, top, width, height});
}

}  // namespace

class frmCalCinetico::Hooks : public CalculationHooks {
public:
    explicit Hooks(frmCalCinetico& form) : w(form) {}

    CurveChoice askCurvePoints(int curve) override
    {
        w.st.curveNumber = static_cast<std::int16_t>(curve);
        if (!w.shell.askCurvePoints()) throw ProgramEnding{};
        return CurveChoice{w.st.firstPoint, w.st.lastPoint, w.st.baseline};
    }
    void showWarning(const std::string& message) override
    {
        showCritical(w.shell, &w, QString::fromStdString(message));
    }
    void presentCurve(const CurveFit& fit) override
    {
        const DataSet& data = w.st.dataSet;
        w.statistics.rateUnit = data.rateUnit;
        w.statistics.concUnit = data.concUnit;
        w.statistics.curves.push_back(calculatedCurve(data, fit));
        w.showCurveResults(fit);
        // the next curve starts after this one
        w.st.firstPoint = makeWhole16(fit.points.lastPoint + 1.0);
    }

private:
    frmCalCinetico& w;
};

frmCalCinetico::frmCalCinetico(Shell& hub, QWidget* parent)
    : ChildForm(parent), shell(hub), st(hub.state()), hooks(std::make_unique<Hooks>(*this))
{
    createControls();
    connectHandlers();
    placeInMainWindow();
}

frmCalCinetico::~frmCalCinetico() = default;

void frmCalCinetico::createControls()
{
    setObjectName(QStringLiteral("frmCalCinetico"));
    setWindowTitle(QStringLiteral("Kinetic Parameters Calculation"));
    setFont(formFont());
    setClientSizeTwips(8400, 5940);

    lblNumOfCurve = place(new QLabel(QStringLiteral("Number of Curves:"), this), "lblNumOfCurve",
                          180, 120, 1815, 435);
    lblNumOfCurve->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Command1 = place(new QPushButton(QStringLiteral("1"), this), "Command1", 1740, 120, 495, 315);
    Label18 = place(new QLabel(QStringLiteral("or"), this), "Label18", 2460, 120, 375, 255);
    Command2 = place(new QPushButton(QStringLiteral("2"), this), "Command2", 2760, 120, 495, 315);
    txtNumOfCurve = place(new QLineEdit(this), "txtNumOfCurve", 480, 420, 555, 405);
    txtNumOfCurve->setEnabled(false);  // the buttons fill it; the user cannot type in it

    fraGrafico2 = place(new QGroupBox(QStringLiteral("Graph ?"), this), "fraGrafico2", 3720, 60,
                        2595, 1155);
    optGraSim = place(new QRadioButton(QStringLiteral("Yes"), fraGrafico2), "optGraSim", 240, 480,
                      855, 195);
    optGraNao = place(new QRadioButton(QStringLiteral("No"), fraGrafico2), "optGraNao", 1440, 480,
                      855, 195);
    fraGrafico2->setEnabled(false);
    fraGrafico2->hide();

    Command3 = colouredButton(this, "Command3", QStringLiteral("Stop"), {6960, 120, 1095, 375}, "rgb(255, 192, 192)");
    cmmhelp = colouredButton(this, "cmmhelp", QStringLiteral("Help"), {6960, 600, 1095, 495}, "rgb(255, 224, 192)");
    cmmhelp->setFont(timesFont(kFormPointSize, true));

    createResultsFrame();

    // below the results frame, clear of every other control; usable once a curve is calculated
    cmdStatistics = place(new QPushButton(QStringLiteral("Statistics"), this), "cmdStatistics", 6720, 5520,
                          1095, 375);
    cmdStatistics->setEnabled(false);
}

void frmCalCinetico::createResultsFrame()
{
    fraResultado = place(new QGroupBox(QStringLiteral("Results"), this), "fraResultado", 360, 1320,
                         7455, 4155);
    fraResultado->hide();

    Label[1] = place(new QLabel(fraResultado), "Label1", 600, 420, 6615, 255);
    Label[1]->setAlignment(Qt::AlignCenter);
    Label[1]->setAutoFillBackground(true);
    QPalette titlePalette = Label[1]->palette();
    titlePalette.setColor(QPalette::Window, QColor(255, 224, 192));
    Label[1]->setPalette(titlePalette);

    static constexpr double kRowTops[7] = {900, 1320, 1740, 2160, 2580, 3000, 3420};
    QFont rowFont = formFont();
    rowFont.setBold(true);
    for (int row = 0; row < 7; ++row) {
        const QByteArray nameName = "Label" + QByteArray::number(2 + row);
        const QByteArray valueName = "Label" + QByteArray::number(9 + row);
        // 2070 wide instead of 2055: "Baseline used for this curve" fits
        QLabel* name = place(new QLabel(fraResultado), nameName.constData(), 600, kRowTops[row],
                             2070, 255);
        name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (row < 4) name->setFont(rowFont);

        // The value texts look like read-only fields: window background, window text.
        QLabel* value = place(new QLabel(fraResultado), valueName.constData(), 3120, kRowTops[row],
                              3255, row == 3 ? 225 : 255);
        value->setAutoFillBackground(true);
        value->setBackgroundRole(QPalette::Base);
        value->setForegroundRole(QPalette::Text);
        Label[2 + row] = name;
        Label[9 + row] = value;
    }
}

void frmCalCinetico::connectHandlers()
{
    connect(Command1, &QPushButton::clicked, this, &frmCalCinetico::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmCalCinetico::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmCalCinetico::Command3_Click);
    connect(cmmhelp, &QPushButton::clicked, this, &frmCalCinetico::cmmhelp_Click);
    connect(cmdStatistics, &QPushButton::clicked, this, &frmCalCinetico::cmdStatistics_Click);
    connect(txtNumOfCurve, &QLineEdit::textChanged, this, &frmCalCinetico::txtNumOfCurve_Change);
    connect(optGraSim, &QRadioButton::clicked, this, &frmCalCinetico::optGraSim_Click);
    connect(optGraNao, &QRadioButton::clicked, this, &frmCalCinetico::optGraNao_Click);
}

// Outer size 8520 x 6345, centred in the main window.
void frmCalCinetico::placeInMainWindow()
{
    const QWidget* main = shell.mainWindow();
    if (!main) return;
    const double mainWidth = main->frameGeometry().width() / pixelsPerTwip();
    const double mainHeight = main->frameGeometry().height() / pixelsPerTwip();
    setFormGeometry((mainWidth - 8520) / 2, (mainHeight - 6345) / 2, 8520, 6345);
    placed = true;
}

void frmCalCinetico::activated()
{
    if (!placed) placeInMainWindow();
}

void frmCalCinetico::Command1_Click()
{
    runGuarded(shell.platform(), this, [this] {
        Command2->setEnabled(false);
        txtNumOfCurve->setText(QStringLiteral("1"));
    });
}

void frmCalCinetico::Command2_Click()
{
    runGuarded(shell.platform(), this, [this] {
        Command1->setEnabled(false);
        txtNumOfCurve->setText(QStringLiteral("2"));
    });
}

void frmCalCinetico::Command3_Click()
{
    runGuarded(shell.platform(), this, [this] { shell.endProgram(); });
}

void frmCalCinetico::cmmhelp_Click()
{
    runGuarded(shell.platform(), this, [this] { shell.openHelp(this, helpFileIn(st.helpPath), 3); });
}

void frmCalCinetico::cmdStatistics_Click()
{
    runGuarded(shell.platform(), this, [this] { shell.openStatistics(statistics); });
}

void frmCalCinetico::txtNumOfCurve_Change()
{
    // Everything the calculation throws ends here: a run-time failure (a report file that
    // cannot be written, a number of curves that cannot be read) is shown as "Wrong Data".
    try {
        runCurves();
    } catch (const ProgramEnding&) {
        // the points window's close box ended the program: nothing more to do here
    } catch (...) {
        endCalculation(Failure::current());
    }
}

void frmCalCinetico::runCurves()
{
    txtNumOfCurve->setEnabled(false);
    bool ok = false;
    const double curves = QLocale().toDouble(txtNumOfCurve->text(), &ok);
    if (!ok) throw RuntimeFailure(failure::TypeMismatch);

    // each curve's section goes to the report the user chose; a printed report is printed
    // as one job once the last curve is in it
    const std::unique_ptr<ReportOutput> report = chosenReportOutput(shell);
    // the curves are kept as they are shown: graph 2 draws them
    st.curves.clear();
    const CalculationOutcome out =
        calculate(st.dataSet, makeWhole16(curves), *hooks, report.get(), localeDecimalSeparator());
    st.curves = out.curves;
    if (out.end) {
        endCalculation(*out.end);
        return;
    }
    showGraphQuestion();
}

void frmCalCinetico::showCurveResults(const CurveFit& results)
{
    fraResultado->show();
    cmdStatistics->setEnabled(true);
    const ResultsTexts texts =
        resultsTexts(results, st.dataSet.rateUnit, st.dataSet.concUnit, localeDecimalSeparator());
    Label[1]->setText(QString::fromStdString(texts.title));
    for (int row = 0; row < 7; ++row) {
        Label[2 + row]->setText(QString::fromUtf8(ResultsTexts::kRowNames[row]));
        Label[9 + row]->setText(QString::fromStdString(texts.values[row]));
    }
}

void frmCalCinetico::showGraphQuestion()
{
    fraGrafico2->setEnabled(true);
    fraGrafico2->show();
    clearOptions(fraGrafico2);  // neither answer is selected while the question waits
}

void frmCalCinetico::endCalculation(const Failure& failure)
{
    Shell& hub = shell;  // this window is gone once the hub has closed it
    // A calculation that ended early prints no half report, now or with the next one.
    hub.discardReportJob();
    runGuarded(hub.platform(), this, [&] {
        showFailure(hub, this, failure);
        hub.closeCalculation();
        if (returnsToDataEntry(failure))
            hub.showDataEntry();
        else
            hub.showMenu();
    });
}

void frmCalCinetico::optGraSim_Click()
{
    Shell& hub = shell;
    WindowState& state = st;
    runGuarded(hub.platform(), this, [&] {
        state.considerBaseline = hub.askChoice(ChoiceId::frmrespostabaseline) == QLatin1String("optyes");
        hub.closeCalculation();
        hub.openGraph2();
    });
}

void frmCalCinetico::optGraNao_Click()
{
    Shell& hub = shell;
    runGuarded(hub.platform(), this, [&hub] {
        hub.closeCalculation();
        hub.showMenu();
    });
}

}  // namespace kinetra
