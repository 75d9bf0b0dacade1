#include "entry/windows/frmEntDados.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include "base/RuntimeFailure.h"
#include "format/NumberForms.h"
#include "platform/Platform.h"
#include "ui/FieldValidation.h"
#include "ui/HelpFile.h"
#include "ui/Messages.h"
#include "ui/Twips.h"
#include "ui/WindowLook.h"
#include "ui/WindowReport.h"

namespace kinetra {

namespace {

const QString kSaveDialogTitle = QStringLiteral("Output File name for Kinetic Parameters");

// The labelled fields of the data frame, top to bottom: the caption at the left, the field
// beside it.
struct FieldLook {
    const char* field;
    const char* label;
    const char* caption;
    double top;
    int maxLength;
    double labelWidth = 2100;
};

const FieldLook kDataFields[] = {
    {"txtUser", "lblUser", "User", 360, 30},
    {"txtExperiment", "lblExperiment", "Experiment", 720, 40},
    {"txtRatUnit", "lblRatUnit", "Rate Unit", 1080, 15},
    // 30 twips wider than the others: the caption fits
    {"txtSubConUnit", "lblSubConUnit", "Substrate Concentration Unit", 1440, 2, 2130},
    {"txtSubLigand", "lblSubLigand", "Substrate (Ligand)", 1800, 10},
    {"w", "lblNumDatPoints", "Number of Data Points", 2160, 3},
};

// A command in the window's bottom-right corner, in its colour.
struct CommandLook {
    const char* name;
    const char* caption;
    double top;
    const char* colour;
    bool bold;
};

// An option button in a frame's column of options.
struct OptionLook {
    QRadioButton** control;
    const char* name;
    const char* caption;
};

QLineEdit* labelledField(QWidget* frame, const FieldLook& f)
{
    auto* label = placeNamed(new QLabel(QString::fromLatin1(f.caption), frame), f.label,
                             {120, f.top, f.labelWidth, 330});
    label->setWordWrap(true);
    auto* field = placeNamed(new QLineEdit(frame), f.field, {2280, f.top, 2295, 315});
    field->setMaxLength(f.maxLength);
    label->setBuddy(field);
    return field;
}

QPushButton* colouredButton(QWidget* parent, const CommandLook& c)
{
    auto* button = placeNamed(new QPushButton(QString::fromLatin1(c.caption), parent), c.name,
                              {9720, c.top, 1095, 495});
    button->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; }%2")
            .arg(QLatin1String(c.colour),
                 c.bold ? QStringLiteral(" QPushButton { font-weight: bold; }") : QString()));
    return button;
}

// A column of option buttons in a frame (`step` twips apart), all disabled with the frame
// until the window offers them.
void optionColumn(QGroupBox* frame, QButtonGroup* group, double top, double step, double width,
                  std::initializer_list<OptionLook> options)
{
    for (const OptionLook& o : options) {
        *o.control = placeNamed(new QRadioButton(QString::fromLatin1(o.caption), frame), o.name,
                                {240, top, width, 255});
        group->addButton(*o.control);
        (*o.control)->setEnabled(false);
        top += step;
    }
    frame->setEnabled(false);
}

QString fromStd(const std::string& text) { return QString::fromStdString(text); }
std::string toStd(const QString& text) { return text.toStdString(); }
std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

frmEntDados::frmEntDados(Shell& hub, QWidget* parent)
    : ChildForm(parent), shell(hub), st(hub.state())
{
    createControls();
    connectHandlers();
    points.onChange([this](int row) { showRow(row); }, [this] { lvwDados->clear(); });
}

frmEntDados::~frmEntDados()
{
    if (expPontos) expPontos->closeFromProgram();
}

// ------------------------------------------------------------------------- controls

void frmEntDados::createControls()
{
    setObjectName(QStringLiteral("frmEntDados"));
    setWindowTitle(QStringLiteral("Data Entry"));
    setFont(formFont());
    setFormGeometry(150, 150, 11000, 7500);
    setHasMinMaxButtons(false);

    lvwDados = placeNamed(new QTreeWidget(this), "lvwDados", {120, 720, 4635, 5895});
    lvwDados->setColumnCount(3);
    lvwDados->setHeaderLabels(
        {QStringLiteral("DATA"), QStringLiteral("CONCENTRATION"), QStringLiteral("RATE")});
    lvwDados->setRootIsDecorated(false);
    lvwDados->setItemsExpandable(false);
    lvwDados->setUniformRowHeights(true);
    lvwDados->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwDados->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwDados->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwDados->setColumnWidth(0, twipsToPixels(900));
    lvwDados->setColumnWidth(1, twipsToPixels(1800));

    createDataFrame();

    cmmdataOk = placeNamed(new QPushButton(QStringLiteral("Data OK"), this), "cmmdataOk",
                           {4920, 2040, 975, 975});
    cmdDesenha = placeNamed(new QPushButton(QStringLiteral("Draw Graph"), this), "cmdDesenha",
                            {7620, 4860, 1575, 495});
    cmmdataOk->setEnabled(false);
    cmdDesenha->setEnabled(false);
    cmmhelp = colouredButton(this, {"cmmhelp", "Help", 4800, "rgb(255, 200, 140)", true});
    Command1 = colouredButton(this, {"Command1", "Back", 5400, "rgb(192, 255, 192)", false});
    cmmStop = colouredButton(this, {"cmmStop", "Stop", 6000, "rgb(255, 160, 160)", false});

    lblAlteraPonto = placeNamed(new QLabel(this), "lblAlteraPonto", {4800, 5340, 2775, 255});
    lblAlteraPonto->setStyleSheet(QStringLiteral("QLabel { color: white; background-color: red; }"));
    lblAlteraPonto->hide();
    txtConCorrigida = placeNamed(new QLineEdit(this), "txtConCorrigida", {4800, 5640, 1395, 315});
    txtRatCorrigida = placeNamed(new QLineEdit(this), "txtRatCorrigida", {6300, 5640, 1395, 315});
    for (QLineEdit* field : {txtConCorrigida, txtRatCorrigida}) {
        field->setEnabled(false);
        field->hide();
    }
}

void frmEntDados::createDataFrame()
{
    fraDados = placeNamed(new QGroupBox(QStringLiteral("Data"), this), "fraDados",
                          {6000, 600, 4755, 4095});
    QLineEdit** fields[] = {&txtUser,       &txtExperiment, &txtRatUnit,
                            &txtSubConUnit, &txtSubLigand,  &w};
    for (std::size_t i = 0; i < std::size(kDataFields); ++i)
        *fields[i] = labelledField(fraDados, kDataFields[i]);
    lblNumDatPoints = fraDados->findChild<QLabel*>(QStringLiteral("lblNumDatPoints"));
    w->hide();
    lblNumDatPoints->hide();
    setTabOrder(txtUser, txtExperiment);
    setTabOrder(txtExperiment, txtRatUnit);
    setTabOrder(txtRatUnit, txtSubConUnit);
    setTabOrder(txtSubConUnit, txtSubLigand);

    fraSaida = placeNamed(new QGroupBox(QStringLiteral("Output To"), fraDados), "fraSaida",
                          {360, 2640, 1815, 1215});
    outputGroup = new QButtonGroup(this);
    optionColumn(fraSaida, outputGroup, 300, 300, 1455,
                 {{&optDestPrinter, "optDestPrinter", "Printer"},
                  {&optDestNone, "optDestNone", "None"},
                  {&optDestFile, "optDestFile", "File"}});

    fraTypEnter = placeNamed(new QGroupBox(QStringLiteral("Enter Data From"), fraDados),
                             "fraTypEnter", {2340, 2640, 1935, 1215});
    sourceGroup = new QButtonGroup(this);
    optionColumn(fraTypEnter, sourceGroup, 360, 360, 1575,
                 {{&optKeyboard, "optKeyboard", "Keyboard"}, {&optFile, "optFile", "File"}});
}

void frmEntDados::connectHandlers()
{
    validator = std::make_unique<FieldValidator>(this);
    for (QLineEdit* field : {txtUser, txtExperiment, txtRatUnit, txtSubConUnit, txtSubLigand,
                             txtConCorrigida, txtRatCorrigida})
        validator->addEnterAsTab(field);
    validator->addField(txtConCorrigida, [this] { return txtConCorrigida_Validate(); });
    validator->addField(txtRatCorrigida, [this] { return txtRatCorrigida_Validate(); });
    txtConCorrigida->installEventFilter(this);
    txtRatCorrigida->installEventFilter(this);

    connect(optFile, &QRadioButton::clicked, this, [this] { optFile_Click(); });
    connect(optKeyboard, &QRadioButton::clicked, this, [this] { optKeyboard_Click(); });
    connect(lvwDados, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { lvwDados_Click(item); });
    connect(cmmdataOk, &QPushButton::clicked, this, [this] { cmmdataOk_Click(); });
    connect(optDestFile, &QRadioButton::clicked, this, [this] { optDestFile_Click(); });
    connect(optDestPrinter, &QRadioButton::clicked, this, [this] { optDestPrinter_Click(); });
    connect(optDestNone, &QRadioButton::clicked, this, [this] { optDestNone_Click(); });
    connect(cmdDesenha, &QPushButton::clicked, this, [this] { cmdDesenha_Click(); });
    connect(cmmhelp, &QPushButton::clicked, this, [this] { cmmhelp_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(cmmStop, &QPushButton::clicked, this, [this] { cmmStop_Click(); });
    // the close box ends the program; a close from the program's own steps only closes
    connect(this, &ChildForm::closedByUser, this, [this] { shell.endProgram(); });
}

// Option buttons of a group that can all be unselected.
void frmEntDados::clearOptions(QButtonGroup* group)
{
    group->setExclusive(false);
    for (QAbstractButton* option : group->buttons()) option->setChecked(false);
    group->setExclusive(true);
}

// The correction fields select their whole text when they receive the focus, so typing
// replaces it (queued: a click that gave the focus would place the cursor afterwards).
bool frmEntDados::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn &&
        (watched == txtConCorrigida || watched == txtRatCorrigida)) {
        auto* field = static_cast<QLineEdit*>(watched);
        field->selectAll();
        QTimer::singleShot(0, field, [field] { field->selectAll(); });
    }
    return ChildForm::eventFilter(watched, event);
}

void frmEntDados::closeEvent(QCloseEvent* event)
{
    if (expPontos) expPontos->closeFromProgram();
    ChildForm::closeEvent(event);
}

// ------------------------------------------------------------------------- activation

void frmEntDados::activated()
{
    if (st.firstActivation) {
        points.clear();
        st.firstActivation = false;
    }
    points.forgetDeletedRows();
    if (st.pointCount != 0) {
        st.nextPointNumber = static_cast<std::int16_t>(st.pointCount + 1);
        points.setActiveCount(st.pointCount);
    }
    setFormGeometry(150, 150, 11000, 7500);
    clearOptions(sourceGroup);
    clearOptions(outputGroup);
    cmmdataOk->setEnabled(false);
    lvwDados->setEnabled(true);
    dataEdited_ = false;
    fraTypEnter->setEnabled(true);
    optFile->setEnabled(true);
    optKeyboard->setEnabled(true);
}

// ------------------------------------------------------------------------- point list

// The list control shows the point list: a changed row is written again, an added one made.
void frmEntDados::showRow(int row)
{
    while (lvwDados->topLevelItemCount() < row)
        new QTreeWidgetItem(lvwDados, QStringList{QString(), QString(), QString()});
    const ListRow& r = points.row(row);
    QTreeWidgetItem* item = lvwDados->topLevelItem(row - 1);
    item->setText(0, fromStd(r.number));
    item->setText(1, fromStd(r.concentration));
    item->setText(2, fromStd(r.rate));
}

void frmEntDados::keyboardEntryCancelled()
{
    w->clear();
    sourceGroup->setExclusive(false);
    optKeyboard->setChecked(false);
    sourceGroup->setExclusive(true);
    fraTypEnter->setEnabled(false);
    points.setActiveCount(0);
}

void frmEntDados::keyboardEntryEnded()
{
    points.countPoints(st.pointCount);
}

// ------------------------------------------------------------------------- input source

void frmEntDados::optFile_Click()
{
    cmmdataOk->setEnabled(true);
    const QString path = shell.platform().openFileName(this, QStringLiteral("Open Data File"),
                                                       QDir::currentPath());
    if (path.isEmpty()) {
        // a cancelled dialog keeps the list and the counts as they were; the option is
        // unselected so that "File" can be chosen again
        clearOptions(sourceGroup);
        return;
    }
    dataFileName_ = path;
    readDataFileIntoList(path);
}

void frmEntDados::readDataFileIntoList(const QString& path)
{
    DataSetAnalysis analysis(st, localeDecimalSeparator());
    const ListedFile listed = analysis.readDataFile(localPath(path), [this](int) {
        showCritical(shell, this, QString::fromUtf8(kReadWarningText));
    });
    if (listed.failure) {
        Shell& hub = shell;
        showCritical(hub, this, fromStd(listed.failure->message), fromStd(listed.failure->title));
        hub.closeDataEntry();
        hub.showMenu();
        return;
    }
    points.load(listed.rows);
    points.countRows();

    fraTypEnter->setEnabled(false);
    optFile->setEnabled(false);
    optKeyboard->setEnabled(false);
    lvwDados->setEnabled(true);
}

void frmEntDados::optKeyboard_Click()
{
    cmmdataOk->setEnabled(true);
    dataEdited_ = true;
    points.clear();
    st.nextPointNumber = 1;
    {
        frmExpPontos entry(shell, *this, this);
        entry.runFreshEntry();
        entry.closeFromProgram();
    }
    fraTypEnter->setEnabled(false);
    optFile->setEnabled(false);
    optKeyboard->setEnabled(false);
    points.countRows();
    dataEdited_ = true;
    lvwDados->setEnabled(true);
}

// ------------------------------------------------------------------------- list editing

void frmEntDados::lvwDados_Click(QTreeWidgetItem* item)
{
    // a click that does not land on a row does nothing
    const int row = item ? lvwDados->indexOfTopLevelItem(item) + 1 : 0;
    if (row < 1) return;

    fraTypEnter->setEnabled(false);
    dataEdited_ = true;
    const QString choice = shell.askChoice(ChoiceId::frmchangedata);
    enableOutputChoice();
    window()->activateWindow();

    if (choice == QLatin1String("optok")) return;
    if (choice == QLatin1String("optad")) {
        if (!expPontos) expPontos = std::make_unique<frmExpPontos>(shell, *this, this);
        expPontos->showForAddedPoints();
        return;
    }
    if (choice == QLatin1String("optdelete")) {
        deleteRow(row);
        return;
    }
    changeRow(row, choice == QLatin1String("optchange"));
}

void frmEntDados::enableOutputChoice()
{
    cmmdataOk->setEnabled(true);
    fraSaida->setEnabled(true);
    for (QAbstractButton* option : outputGroup->buttons()) option->setEnabled(true);
}

void frmEntDados::deleteRow(int row)
{
    st.loopIndex = row;
    if (!points.deleteRow(row, st.nextPointNumber))
        shell.platform().message(this,
                                 QStringLiteral("There is no a specified data pair to be excluded"),
                                 QStringLiteral("Kinetra"), MessageIcon::None);
}

void frmEntDados::changeRow(int row, bool withConcentration)
{
    const ListRow& point = points.row(row);
    editRow_ = row;
    lvwDados->setEnabled(true);
    lblAlteraPonto->setVisible(withConcentration);
    txtConCorrigida->setVisible(withConcentration);
    txtConCorrigida->setEnabled(withConcentration);
    if (withConcentration)
        lblAlteraPonto->setText(QStringLiteral("Point # ") + QString::number(row));
    txtConCorrigida->setText(fromStd(point.concentration));
    txtRatCorrigida->setEnabled(true);
    txtRatCorrigida->show();
    txtRatCorrigida->setText(fromStd(point.rate));
    // the focus stays where the user left it: the fields are checked once the user is in them
}

bool frmEntDados::txtConCorrigida_Validate()
{
    const Correction done =
        points.correctConcentration(editRow_, toStd(txtConCorrigida->text()),
                                    txtConCorrigida->isModified(), localeDecimalSeparator());
    if (done == Correction::Refused)
        showCritical(shell, this, QStringLiteral("Wrong Concentration"));
    return done != Correction::Refused;
}

bool frmEntDados::txtRatCorrigida_Validate()
{
    const Correction done =
        points.correctRate(editRow_, toStd(txtRatCorrigida->text()), txtRatCorrigida->isModified(),
                           localeDecimalSeparator());
    if (done == Correction::Refused) showCritical(shell, this, QStringLiteral("Wrong Rate"));
    if (done == Correction::Accepted) endCorrection();
    return done != Correction::Refused;
}

void frmEntDados::endCorrection()
{
    lblAlteraPonto->hide();
    for (QLineEdit* field : {txtConCorrigida, txtRatCorrigida}) {
        field->setEnabled(false);
        field->hide();
    }
    lvwDados->setEnabled(true);
}

// ------------------------------------------------------------------------- output

void frmEntDados::cmmdataOk_Click() { enableOutputChoice(); }

void frmEntDados::optDestFile_Click()
{
    const QString path = shell.platform().saveFileName(this, kSaveDialogTitle, QDir::currentPath());
    st.outputFileName = toStd(path);
    st.outputDestination = "F";
    cmdDesenha->setEnabled(true);
}

void frmEntDados::optDestPrinter_Click()
{
    // a cancelled printer dialog leaves the printer chosen before (or the default one)
    shell.platform().choosePrinter(this);
    st.outputDestination = "P";
    cmdDesenha->setEnabled(true);
}

void frmEntDados::optDestNone_Click()
{
    st.outputDestination = "N";
    cmdDesenha->setEnabled(true);
}

// ------------------------------------------------------------------------- hand-off

void frmEntDados::cmdDesenha_Click()
{
    if (!handOff()) return;
    Shell& hub = shell;
    hub.hideDataEntry();
    hub.openGraph1();
}

ReportLabels frmEntDados::labels() const
{
    return ReportLabels{toStd(txtUser->text()),       toStd(txtExperiment->text()), toStd(txtRatUnit->text()),
                        toStd(txtSubConUnit->text()), toStd(txtSubLigand->text()),  toStd(w->text())};
}

bool frmEntDados::saveChangedPoints()
{
    const QString path = shell.platform().saveFileName(this, kSaveDialogTitle, QDir::currentPath());
    changedDataFileName_ = path;
    if (path.isEmpty()) return true;
    try {
        DataSetAnalysis(st, localeDecimalSeparator())
            .savePoints(localPath(path), points.rows(), deletedCount());
    } catch (const RuntimeFailure& f) {
        showCritical(shell, this,
                     QStringLiteral("The data points could not be saved in the file %1\r\n%2")
                         .arg(path, fromStd(f.description())));
        return false;
    }
    return true;
}

bool frmEntDados::handOff()
{
    // points being added are ended first, so that the list and pointCount agree
    if (expPontos && expPontos->entryRunning()) expPontos->endEntry();

    if (dataEdited_ && shell.askChoice(ChoiceId::frmsalvaarquivo) == QLatin1String("optyes")) {
        if (!saveChangedPoints()) return false;
    }

    DataSetAnalysis analysis(st, localeDecimalSeparator());
    std::vector<ListRow> rows = points.rows();
    if (const std::optional<CalculationEnd> failed = analysis.handOff(rows, deletedCount(), labels())) {
        showCritical(shell, this, fromStd(failed->message), fromStd(failed->title));
        return false;
    }
    points.rewrite(rows);
    points.setActiveCount(analysis.activeCount());
    GravaSaidaCalc(analysis, rows);
    return true;
}

void frmEntDados::GravaSaidaCalc(DataSetAnalysis& analysis, const std::vector<ListRow>& rows)
{
    const std::unique_ptr<ReportOutput> output = chosenReportOutput(shell);
    const bool printer = st.outputDestination == "P";
    const QString path = fromStd(st.outputFileName);
    const std::optional<RuntimeFailure> failed = analysis.startReport(output.get(), labels(), currentDateTime(), rows);
    if (!failed) return;
    const QString reason = fromStd(failed->description());
    const QString text = printer ? QStringLiteral("The report cannot be printed (%1).").arg(reason)
                                 : QStringLiteral("The report file %1 cannot be written (%2).").arg(path, reason);
    showCritical(shell, this, text + QStringLiteral("\r\nThe calculation goes on without a report."));
}

// ------------------------------------------------------------------------- commands

void frmEntDados::cmmhelp_Click()
{
    st.helpPath = toStd(QDir::currentPath());
    shell.openHelp(this, helpFileIn(st.helpPath), 2);
}

void frmEntDados::Command1_Click()
{
    Shell& hub = shell;
    hub.closeDataEntry();
    hub.showMenu();
}

void frmEntDados::cmmStop_Click() { shell.endProgram(); }

}  // namespace kinetra
