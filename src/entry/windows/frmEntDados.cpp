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

template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLineEdit* labelledField(QWidget* frame, const char* fieldName, const char* labelName,
                         const QString& caption, double top, int maxLength,
                         double labelWidth = 2100)
{
    auto* label = named(new QLabel(caption, frame), labelName);
    label->setWordWrap(true);
    placeTwips(label, {120, top, labelWidth, 330});
    auto* field = named(new QLineEdit(frame), fieldName);
    field->setMaxLength(maxLength);
    placeTwips(field, {2280, top, 2295, 315});
    label->setBuddy(field);
    return field;
}

QPushButton* colouredButton(QWidget* parent, const char* name, const QString& caption,
                            double left, double top, const char* colour, bool bold)
{
    auto* button = named(new QPushButton(caption, parent), name);
    placeTwips(button, {left, top, 1095, 495});
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; }%2")
                              .arg(QLatin1String(colour),
                                   bold ? QStringLiteral(" QPushButton { font-weight: bold; }")
                                        : QString()));
    return button;
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

    lvwDados = named(new QTreeWidget(this), "lvwDados");
    placeTwips(lvwDados, {120, 720, 4635, 5895});
    lvwDados->setColumnCount(3);
    lvwDados->setHeaderLabels({QStringLiteral("DATA"), QStringLiteral("CONCENTRATION"),
                               QStringLiteral("RATE")});
    lvwDados->setRootIsDecorated(false);
    lvwDados->setItemsExpandable(false);
    lvwDados->setUniformRowHeights(true);
    lvwDados->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwDados->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwDados->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwDados->setColumnWidth(0, twipsToPixels(900));
    lvwDados->setColumnWidth(1, twipsToPixels(1800));

    createDataFrame();

    cmmdataOk = named(new QPushButton(QStringLiteral("Data OK"), this), "cmmdataOk");
    placeTwips(cmmdataOk, {4920, 2040, 975, 975});
    cmmdataOk->setEnabled(false);

    cmdDesenha = named(new QPushButton(QStringLiteral("Draw Graph"), this), "cmdDesenha");
    placeTwips(cmdDesenha, {7620, 4860, 1575, 495});
    cmdDesenha->setEnabled(false);

    cmmhelp = colouredButton(this, "cmmhelp", QStringLiteral("Help"), 9720, 4800,
                             "rgb(255, 200, 140)", true);
    Command1 = colouredButton(this, "Command1", QStringLiteral("Back"), 9720, 5400,
                              "rgb(192, 255, 192)", false);
    cmmStop = colouredButton(this, "cmmStop", QStringLiteral("Stop"), 9720, 6000,
                             "rgb(255, 160, 160)", false);

    lblAlteraPonto = named(new QLabel(this), "lblAlteraPonto");
    placeTwips(lblAlteraPonto, {4800, 5340, 2775, 255});
    lblAlteraPonto->setStyleSheet(QStringLiteral("QLabel { color: white; background-color: red; }"));
    lblAlteraPonto->hide();

    txtConCorrigida = named(new QLineEdit(this), "txtConCorrigida");
    placeTwips(txtConCorrigida, {4800, 5640, 1395, 315});
    txtRatCorrigida = named(new QLineEdit(this), "txtRatCorrigida");
    placeTwips(txtRatCorrigida, {6300, 5640, 1395, 315});
    for (QLineEdit* field : {txtConCorrigida, txtRatCorrigida}) {
        field->setEnabled(false);
        field->hide();
    }
}

void frmEntDados::createDataFrame()
{
    fraDados = named(new QGroupBox(QStringLiteral("Data"), this), "fraDados");
    placeTwips(fraDados, {6000, 600, 4755, 4095});

    txtUser = labelledField(fraDados, "txtUser", "lblUser", QStringLiteral("User"), 360, 30);
    txtExperiment = labelledField(fraDados, "txtExperiment", "lblExperiment",
                                  QStringLiteral("Experiment"), 720, 40);
    txtRatUnit = labelledField(fraDados, "txtRatUnit", "lblRatUnit", QStringLiteral("Rate Unit"),
                               1080, 15);
    txtSubConUnit = labelledField(fraDados, "txtSubConUnit", "lblSubConUnit",
                                  QStringLiteral("Substrate Concentration Unit"), 1440, 2,
                                  2130);  // 30 twips wider than the others: the caption fits
    txtSubLigand = labelledField(fraDados, "txtSubLigand", "lblSubLigand",
                                 QStringLiteral("Substrate (Ligand)"), 1800, 10);
    w = labelledField(fraDados, "w", "lblNumDatPoints", QStringLiteral("Number of Data Points"),
                      2160, 3);
    lblNumDatPoints = fraDados->findChild<QLabel*>(QStringLiteral("lblNumDatPoints"));
    w->hide();
    lblNumDatPoints->hide();
    setTabOrder(txtUser, txtExperiment);
    setTabOrder(txtExperiment, txtRatUnit);
    setTabOrder(txtRatUnit, txtSubConUnit);
    setTabOrder(txtSubConUnit, txtSubLigand);

    fraSaida = named(new QGroupBox(QStringLiteral("Output To"), fraDados), "fraSaida");
    placeTwips(fraSaida, {360, 2640, 1815, 1215});
    optDestPrinter = named(new QRadioButton(QStringLiteral("Printer"), fraSaida), "optDestPrinter");
    optDestNone = named(new QRadioButton(QStringLiteral("None"), fraSaida), "optDestNone");
    optDestFile = named(new QRadioButton(QStringLiteral("File"), fraSaida), "optDestFile");
    outputGroup = new QButtonGroup(this);
    double top = 300;
    for (QRadioButton* option : {optDestPrinter, optDestNone, optDestFile}) {
        placeTwips(option, {240, top, 1455, 255});
        outputGroup->addButton(option);
        option->setEnabled(false);
        top += 300;
    }
    fraSaida->setEnabled(false);

    fraTypEnter = named(new QGroupBox(QStringLiteral("Enter Data From"), fraDados), "fraTypEnter");
    placeTwips(fraTypEnter, {2340, 2640, 1935, 1215});
    optKeyboard = named(new QRadioButton(QStringLiteral("Keyboard"), fraTypEnter), "optKeyboard");
    optFile = named(new QRadioButton(QStringLiteral("File"), fraTypEnter), "optFile");
    sourceGroup = new QButtonGroup(this);
    top = 360;
    for (QRadioButton* option : {optKeyboard, optFile}) {
        placeTwips(option, {240, top, 1575, 255});
        sourceGroup->addButton(option);
        option->setEnabled(false);
        top += 360;
    }
    fraTypEnter->setEnabled(false);
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
        removeAllListRows();
        st.firstActivation = false;
    }
    deletedRows.clear();
    if (st.pointCount != 0) {
        st.nextPointNumber = static_cast<std::int16_t>(st.pointCount + 1);
        activeCount_ = st.pointCount;
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

QTreeWidgetItem* frmEntDados::rowItem(int row) const
{
    if (row < 1 || row > lvwDados->topLevelItemCount()) return nullptr;
    return lvwDados->topLevelItem(row - 1);
}

int frmEntDados::listRowCount() const { return lvwDados->topLevelItemCount(); }

void frmEntDados::appendListRow(const QString& text)
{
    new QTreeWidgetItem(lvwDados, QStringList{text, QString(), QString()});
}

void frmEntDados::setListRowText(int row, const QString& text)
{
    if (QTreeWidgetItem* item = rowItem(row)) item->setText(0, text);
}

void frmEntDados::setListRowValue(int row, int column, const QString& text)
{
    if (column < 1 || column > 2) return;
    if (QTreeWidgetItem* item = rowItem(row)) item->setText(column, text);
}

void frmEntDados::removeAllListRows()
{
    lvwDados->clear();
    deletedRows.clear();
}

void frmEntDados::keyboardEntryCancelled()
{
    w->clear();
    sourceGroup->setExclusive(false);
    optKeyboard->setChecked(false);
    sourceGroup->setExclusive(true);
    fraTypEnter->setEnabled(false);
    activeCount_ = 0;
}

void frmEntDados::keyboardEntryEnded()
{
    activeCount_ = st.pointCount - deletedCount();
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
    removeAllListRows();
    for (const ListRow& row : listed.rows)
        new QTreeWidgetItem(lvwDados, QStringList{fromStd(row.number), fromStd(row.concentration), fromStd(row.rate)});
    activeCount_ = listRowCount() - deletedCount();

    fraTypEnter->setEnabled(false);
    optFile->setEnabled(false);
    optKeyboard->setEnabled(false);
    lvwDados->setEnabled(true);
}

void frmEntDados::optKeyboard_Click()
{
    cmmdataOk->setEnabled(true);
    dataEdited_ = true;
    removeAllListRows();
    st.nextPointNumber = 1;
    {
        frmExpPontos entry(shell, *this, this);
        entry.runFreshEntry();
        entry.closeFromProgram();
    }
    fraTypEnter->setEnabled(false);
    optFile->setEnabled(false);
    optKeyboard->setEnabled(false);
    activeCount_ = listRowCount() - deletedCount();
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
    if (row > st.nextPointNumber - 1) {
        shell.platform().message(this,
                                 QStringLiteral("There is no a specified data pair to be excluded"),
                                 QStringLiteral("Kinetra"), MessageIcon::None);
        return;
    }
    QTreeWidgetItem* item = rowItem(row);
    item->setText(1, QStringLiteral("0"));
    item->setText(2, QStringLiteral("0"));
    // a row deleted twice is counted once: the hand-off takes deletedCount as the number
    // of rows that read 0
    deletedRows.insert(row);
}

void frmEntDados::changeRow(int row, bool withConcentration)
{
    QTreeWidgetItem* item = rowItem(row);
    editRow_ = row;
    lvwDados->setEnabled(true);
    lblAlteraPonto->setVisible(withConcentration);
    txtConCorrigida->setVisible(withConcentration);
    txtConCorrigida->setEnabled(withConcentration);
    if (withConcentration)
        lblAlteraPonto->setText(QStringLiteral("Point # ") + QString::number(row));
    txtConCorrigida->setText(item->text(1));
    txtRatCorrigida->setEnabled(true);
    txtRatCorrigida->show();
    txtRatCorrigida->setText(item->text(2));
    // the focus stays where the user left it: the fields are checked once the user is in them
}

bool frmEntDados::txtConCorrigida_Validate()
{
    const char sep = localeDecimalSeparator();
    const auto value = parseDecimal(toStd(txtConCorrigida->text()), sep);
    if (!value || *value <= 0.0) {
        // the text the program put there (the "0" of a deleted row, the empty text of a row
        // emptied by a hand-off) does not hold the user: only a typed value is refused
        if (!txtConCorrigida->isModified()) return true;
        showCritical(shell, this, QStringLiteral("Wrong Concentration"));
        return false;
    }
    if (QTreeWidgetItem* item = rowItem(editRow_)) {
        item->setText(1, fromStd(formatE3(*value, sep)));
        deletedRows.remove(editRow_);  // a deleted row given a concentration is in use again
    }
    return true;
}

bool frmEntDados::txtRatCorrigida_Validate()
{
    const char sep = localeDecimalSeparator();
    const auto value = parseDecimal(toStd(txtRatCorrigida->text()), sep);
    if (!value || *value <= 0.0) {
        if (!txtRatCorrigida->isModified()) return true;
        showCritical(shell, this, QStringLiteral("Wrong Rate"));
        return false;
    }
    if (QTreeWidgetItem* item = rowItem(editRow_)) item->setText(2, fromStd(formatE3(*value, sep)));
    endCorrection();
    return true;
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

namespace {

std::vector<ListRow> listRows(const QTreeWidget* list)
{
    std::vector<ListRow> rows;
    rows.reserve(static_cast<std::size_t>(list->topLevelItemCount()));
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        rows.push_back({toStd(item->text(0)), toStd(item->text(1)), toStd(item->text(2))});
    }
    return rows;
}

}  // namespace

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
        DataSetAnalysis(st, localeDecimalSeparator()).savePoints(localPath(path), listRows(lvwDados), deletedCount());
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
    std::vector<ListRow> rows = listRows(lvwDados);
    if (const std::optional<CalculationEnd> failed = analysis.handOff(rows, deletedCount(), labels())) {
        showCritical(shell, this, fromStd(failed->message), fromStd(failed->title));
        return false;
    }
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        QTreeWidgetItem* item = lvwDados->topLevelItem(i);
        item->setText(0, fromStd(rows[static_cast<std::size_t>(i)].number));
        item->setText(1, fromStd(rows[static_cast<std::size_t>(i)].concentration));
        item->setText(2, fromStd(rows[static_cast<std::size_t>(i)].rate));
    }
    deletedRows.clear();
    activeCount_ = analysis.activeCount();
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
