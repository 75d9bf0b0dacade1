#include "windows/entry/frmEntDados.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include "platform/Platform.h"
#include "ui/BackgroundWork.h"
#include "ui/Controls.h"
#include "ui/FieldValidation.h"
#include "ui/HelpFile.h"
#include "ui/Locale.h"
#include "ui/Messages.h"
#include "ui/Twips.h"
#include "ui/WindowLook.h"
#include "ui/WindowReport.h"

namespace kinetra {

namespace {

const QString kSaveDialogTitle = QStringLiteral("Output File name for Kinetic Parameters");

// The open dialog's file types: a data file, read as always, or a table.
enum FileType { DataFile = 0, Table = 1 };
const QStringList kOpenTypes{QStringLiteral("Data files (*)"), QStringLiteral("Tables (*.csv *.tsv *.txt)")};

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

// The warnings of a table its message shows; the rest are counted.
constexpr std::size_t kShownTableWarnings = 15;

QString fromStd(const std::string& text) { return QString::fromStdString(text); }
std::string toStd(const QString& text) { return text.toStdString(); }
std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

frmEntDados::frmEntDados(Shell& hub, QWidget* parent)
    : ChildForm(parent), shell(hub), st(hub.state()), entry(hub.state(), &localeDecimalSeparator)
{
    createControls();
    connectHandlers();
    entry.points().onChange([this](int row) { showRow(row); }, [this] { lvwDados->clear(); });
}

frmEntDados::~frmEntDados()
{
    if (expPontos) expPontos->closeFromProgram();
}

void frmEntDados::createControls()
{
    setObjectName(QStringLiteral("frmEntDados"));
    setWindowTitle(QStringLiteral("Data Entry"));
    setFont(formFont());
    setFormGeometry(150, 150, 11000, 7500);
    setHasMinMaxButtons(false);

    lvwDados = placeNamed(new QTreeWidget(this), "lvwDados", {120, 720, 4635, 5895});
    lvwDados->setHeaderLabels(
        {QStringLiteral("DATA"), QStringLiteral("CONCENTRATION"), QStringLiteral("RATE")});
    lvwDados->setRootIsDecorated(false);
    lvwDados->setItemsExpandable(false);
    lvwDados->setUniformRowHeights(true);
    lvwDados->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwDados->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwDados->setColumnWidth(0, twipsToPixels(900));
    lvwDados->setColumnWidth(1, twipsToPixels(1800));
    // points copied from a spreadsheet: Ctrl+V in the list, or its context menu
    actPastePoints = new QAction(QStringLiteral("Paste points"), lvwDados);
    actPastePoints->setObjectName(QStringLiteral("actPastePoints"));
    actPastePoints->setShortcut(QKeySequence::Paste);
    actPastePoints->setShortcutContext(Qt::WidgetShortcut);
    lvwDados->addAction(actPastePoints);
    lvwDados->setContextMenuPolicy(Qt::ActionsContextMenu);

    createDataFrame();

    cmmdataOk = placeNamed(new QPushButton(QStringLiteral("Data OK"), this), "cmmdataOk",
                           {4920, 2040, 975, 975});
    cmdDesenha = placeNamed(new QPushButton(QStringLiteral("Draw Graph"), this), "cmdDesenha",
                            {7620, 4860, 1575, 495});
    cmmdataOk->setEnabled(false);
    cmdDesenha->setEnabled(false);
    cmmhelp = colouredButton(this, "cmmhelp", QStringLiteral("Help"), {9720, 4800, 1095, 495},
                             "rgb(255, 200, 140)", true);
    Command1 = colouredButton(this, "Command1", QStringLiteral("Back"), {9720, 5400, 1095, 495},
                              "rgb(192, 255, 192)");
    cmmStop = colouredButton(this, "cmmStop", QStringLiteral("Stop"), {9720, 6000, 1095, 495},
                             "rgb(255, 160, 160)");

    lblAlteraPonto = placeNamed(new QLabel(this), "lblAlteraPonto", {4800, 5340, 2775, 255});
    lblAlteraPonto->setStyleSheet(QStringLiteral("QLabel { color: white; background-color: red; }"));
    txtConCorrigida = placeNamed(new QLineEdit(this), "txtConCorrigida", {4800, 5640, 1395, 315});
    txtRatCorrigida = placeNamed(new QLineEdit(this), "txtRatCorrigida", {6300, 5640, 1395, 315});
    endCorrection();
    // above the list while a table is being read
    lblBusy = placeNamed(new QLabel(this), "lblBusy", {120, 360, 4635, 300});
}

void frmEntDados::createDataFrame()
{
    fraDados = placeNamed(new QGroupBox(QStringLiteral("Data"), this), "fraDados",
                          {6000, 600, 4755, 4095});
    QLineEdit** fields[] = {&txtUser,       &txtExperiment, &txtRatUnit,
                            &txtSubConUnit, &txtSubLigand,  &w};
    for (std::size_t i = 0; i < std::size(kDataFields); ++i) {
        const FieldLook& f = kDataFields[i];
        const auto [label, field] = labelledField(fraDados, f.label, QString::fromLatin1(f.caption),
                                                  {120, f.top, f.labelWidth, 330}, f.field,
                                                  {2280, f.top, 2295, 315}, f.maxLength);
        label->setWordWrap(true);
        *fields[i] = field;
        lblNumDatPoints = label;  // the last: the hidden count of points
    }
    w->hide();
    lblNumDatPoints->hide();
    for (std::size_t i = 1; i + 1 < std::size(fields); ++i) setTabOrder(*fields[i - 1], *fields[i]);

    fraSaida = placeNamed(new QGroupBox(QStringLiteral("Output To"), fraDados), "fraSaida",
                          {360, 2640, 1815, 1215});
    optionColumn(fraSaida, {240, 300, 1455, 255}, 300,
                 {{&optDestPrinter, "optDestPrinter", "Printer"},
                  {&optDestNone, "optDestNone", "None"},
                  {&optDestFile, "optDestFile", "File"}});
    fraTypEnter = placeNamed(new QGroupBox(QStringLiteral("Enter Data From"), fraDados),
                             "fraTypEnter", {2340, 2640, 1935, 1215});
    optionColumn(fraTypEnter, {240, 360, 1575, 255}, 360,
                 {{&optKeyboard, "optKeyboard", "Keyboard"}, {&optFile, "optFile", "File"}});
}

void frmEntDados::connectHandlers()
{
    tableWork = new BackgroundWork(shell.platform(), this, {fraTypEnter, lvwDados, cmmdataOk, fraSaida, cmdDesenha},
                                   lblBusy);
    validator = std::make_unique<FieldValidator>(this);
    for (QLineEdit* field : {txtUser, txtExperiment, txtRatUnit, txtSubConUnit, txtSubLigand,
                             txtConCorrigida, txtRatCorrigida})
        validator->addEnterAsTab(field);
    validator->addField(txtConCorrigida, [this] { return txtConCorrigida_Validate(); });
    validator->addField(txtRatCorrigida, [this] { return txtRatCorrigida_Validate(); });
    for (QLineEdit* field : {txtConCorrigida, txtRatCorrigida}) validator->addSelectAllOnEntry(field);

    connect(optFile, &QRadioButton::clicked, this, &frmEntDados::optFile_Click);
    connect(optKeyboard, &QRadioButton::clicked, this, &frmEntDados::optKeyboard_Click);
    connect(lvwDados, &QTreeWidget::itemClicked, this, &frmEntDados::lvwDados_Click);
    connect(actPastePoints, &QAction::triggered, this, &frmEntDados::lvwDados_Paste);
    connect(cmmdataOk, &QPushButton::clicked, this, &frmEntDados::cmmdataOk_Click);
    connect(optDestFile, &QRadioButton::clicked, this, &frmEntDados::optDestFile_Click);
    connect(optDestPrinter, &QRadioButton::clicked, this, &frmEntDados::optDestPrinter_Click);
    connect(optDestNone, &QRadioButton::clicked, this, &frmEntDados::optDestNone_Click);
    connect(cmdDesenha, &QPushButton::clicked, this, &frmEntDados::cmdDesenha_Click);
    connect(cmmhelp, &QPushButton::clicked, this, &frmEntDados::cmmhelp_Click);
    connect(Command1, &QPushButton::clicked, this, &frmEntDados::Command1_Click);
    connect(cmmStop, &QPushButton::clicked, this, &frmEntDados::cmmStop_Click);
    // the close box ends the program; a close from the program's own steps only closes
    connect(this, &ChildForm::closedByUser, this, [this] { shell.endProgram(); });
}

void frmEntDados::closeEvent(QCloseEvent* event)
{
    if (expPontos) expPontos->closeFromProgram();
    ChildForm::closeEvent(event);
}

void frmEntDados::activated()
{
    entry.activate();
    setFormGeometry(150, 150, 11000, 7500);
    clearOptions(fraTypEnter);
    clearOptions(fraSaida);
    cmmdataOk->setEnabled(false);
    lvwDados->setEnabled(true);
    enableOptions(fraTypEnter);
}

// The list control shows the point list: a changed row is written again, an added one made.
void frmEntDados::showRow(int row)
{
    while (lvwDados->topLevelItemCount() < row)
        new QTreeWidgetItem(lvwDados, QStringList{QString(), QString(), QString()});
    const ListRow& r = entry.points().row(row);
    QTreeWidgetItem* item = lvwDados->topLevelItem(row - 1);
    int column = 0;
    for (const std::string* text : {&r.number, &r.concentration, &r.rate}) item->setText(column++, fromStd(*text));
}

void frmEntDados::keyboardEntryCancelled()
{
    w->clear();
    clearOptions(fraTypEnter);
    fraTypEnter->setEnabled(false);
    entry.keyboardEntryCancelled();
}

void frmEntDados::keyboardEntryEnded() { entry.addedPointsEnded(); }

void frmEntDados::optFile_Click()
{
    if (tableWork->busy()) return;  // one table at a time
    cmmdataOk->setEnabled(true);
    const OpenedFile opened =
        shell.platform().openFileOfType(this, QStringLiteral("Open Data File"), QDir::currentPath(), kOpenTypes);
    const QString& path = opened.path;
    if (path.isEmpty()) {
        // a cancelled dialog keeps the list and the counts as they were; the option is
        // unselected so that "File" can be chosen again
        clearOptions(fraTypEnter);
        return;
    }
    if (opened.type == Table) {
        readTable(path);
        return;
    }
    const auto failed = entry.readFile(localPath(path), toStd(path), [this](int) {
        showCritical(shell, this, QString::fromUtf8(kReadWarningText));
    });
    if (!failed) {
        Shell& hub = shell;
        showFailure(hub, this, failed.failure());
        hub.closeDataEntry();
        hub.showMenu();
        return;
    }
    st.otherDataSets.clear();
    sourceChosen();
}

void frmEntDados::readTable(const QString& path)
{
    tableWork->start<TableRead>(
        QStringLiteral("Reading the table %1…").arg(QDir::toNativeSeparators(path)),
        [file = localPath(path)] { return readTableFile(file); },
        [this, path](const TableRead& table) { tableRead(path, table); });
}

void frmEntDados::tableRead(const QString& path, const TableRead& table)
{
    if (!table.ok() || table.dataSets.empty()) {
        // unlike a data file, a table that cannot be read leaves the window as it was
        const QString why = table.ok() ? QStringLiteral("The table %1 holds no data set with points.").arg(path)
                                       : fromStd(table.failure);
        showCritical(shell, this, why, wrongDataTitle());
        clearOptions(fraTypEnter);
        return;
    }
    if (!table.warnings.empty()) {
        // a message as tall as the screen at the most: a table of many data sets can warn
        // for each of them
        QStringList lines{QStringLiteral("The table %1 was read with these warnings:\r\n").arg(path)};
        const std::size_t shown = std::min(table.warnings.size(), kShownTableWarnings);
        for (std::size_t i = 0; i < shown; ++i) lines << fromStd(table.warnings[i]);
        if (const std::size_t more = table.warnings.size() - shown; more == 1)
            lines << QStringLiteral("1 further warning is not shown.");
        else if (more > 1)
            lines << QStringLiteral("%1 further warnings are not shown.").arg(more);
        showCritical(shell, this, lines.join(QStringLiteral("\r\n")));
    }
    const int chosen = chooseTableSet(table);
    if (chosen < 0) {
        clearOptions(fraTypEnter);
        return;
    }
    const auto k = static_cast<std::size_t>(chosen);
    entry.listTableSet(table.dataSets[k], toStd(path));
    st.otherDataSets = otherTableSets(table.dataSets, k, labels());
    sourceChosen();
}

int frmEntDados::chooseTableSet(const TableRead& table)
{
    if (table.dataSets.size() == 1) return 0;
    QStringList captions;
    for (const TableDataSet& set : table.dataSets) captions << fromStd(tableSetCaption(set));
    const QString prompt = QStringLiteral("The table holds %1 data sets. Which one is to be listed?\n"
                                          "The others can be compared with it after the calculation.")
                               .arg(captions.size());
    return shell.platform().chooseFromList(this, QStringLiteral("Data Sets"), prompt, captions);
}

void frmEntDados::lvwDados_Paste()
{
    if (tableWork->busy()) return;  // the table being read is listed over the list
    const PastedPoints pasted =
        readPastedPoints(toStd(QGuiApplication::clipboard()->text()), localeDecimalSeparator());
    Platform& platform = shell.platform();
    if (pasted.status == PasteStatus::NoPoints) {
        platform.message(this, fromStd(pasteRefusalText(pasted)), QStringLiteral("Kinetra"), MessageIcon::Information);
        return;
    }
    if (pasted.status != PasteStatus::Points) {
        showCritical(shell, this, fromStd(pasteRefusalText(pasted)));
        return;
    }
    // points being added by hand are ended first: the pasted ones are numbered after them
    if (expPontos && expPontos->entryRunning()) expPontos->endEntry();
    const PasteDone done = entry.paste(pasted.points);
    if (done.added > 0) {
        cmmdataOk->setEnabled(true);
        sourceChosen();
    }
    if (done.limitReached)
        platform.message(this, QString::fromUtf8(kPointLimitText), QStringLiteral("Kinetra"), MessageIcon::Information);
}

void frmEntDados::optKeyboard_Click()
{
    cmmdataOk->setEnabled(true);
    st.otherDataSets.clear();
    entry.startKeyboardEntry();
    {
        frmExpPontos typing(shell, *this, this);
        typing.runFreshEntry();
        typing.closeFromProgram();
    }
    entry.keyboardEntryOver();
    sourceChosen();
}

void frmEntDados::sourceChosen()
{
    fraTypEnter->setEnabled(false);
    optFile->setEnabled(false);
    optKeyboard->setEnabled(false);
    lvwDados->setEnabled(true);
}

void frmEntDados::lvwDados_Click(QTreeWidgetItem* item)
{
    // a click that does not land on a row does nothing
    const int row = item ? lvwDados->indexOfTopLevelItem(item) + 1 : 0;
    if (row < 1) return;

    fraTypEnter->setEnabled(false);
    entry.markEdited();
    const QString choice = shell.askChoice(ChoiceId::frmchangedata);
    cmmdataOk_Click();
    window()->activateWindow();

    if (choice == QLatin1String("optok")) return;
    if (choice == QLatin1String("optad")) {
        if (!expPontos) expPontos = std::make_unique<frmExpPontos>(shell, *this, this);
        expPontos->showForAddedPoints();
    } else if (choice == QLatin1String("optdelete")) {
        if (!entry.deleteRow(row))
            shell.platform().message(this, QStringLiteral("There is no a specified data pair to be excluded"),
                                     QStringLiteral("Kinetra"), MessageIcon::None);
    } else {
        changeRow(row, choice == QLatin1String("optchange"));
    }
}

void frmEntDados::changeRow(int row, bool withConcentration)
{
    const ListRow& point = entry.startCorrection(row);
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
        entry.correctConcentration(toStd(txtConCorrigida->text()), txtConCorrigida->isModified());
    if (done == Correction::Refused) showCritical(shell, this, QStringLiteral("Wrong Concentration"));
    return done != Correction::Refused;
}

bool frmEntDados::txtRatCorrigida_Validate()
{
    const Correction done = entry.correctRate(toStd(txtRatCorrigida->text()), txtRatCorrigida->isModified());
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
}

void frmEntDados::cmmdataOk_Click()
{
    cmmdataOk->setEnabled(true);
    enableOptions(fraSaida);
}

void frmEntDados::optDestFile_Click()
{
    st.outputFileName = toStd(shell.platform().saveFileName(this, kSaveDialogTitle, QDir::currentPath()));
    outputChosen("F");
}

void frmEntDados::optDestPrinter_Click()
{
    // a cancelled printer dialog leaves the printer chosen before (or the default one)
    shell.platform().choosePrinter(this);
    outputChosen("P");
}

void frmEntDados::optDestNone_Click() { outputChosen("N"); }

void frmEntDados::outputChosen(const char* destination)
{
    st.outputDestination = destination;
    cmdDesenha->setEnabled(true);
}

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

bool frmEntDados::handOff()
{
    // points being added are ended first, so that the list and pointCount agree
    if (expPontos && expPontos->entryRunning()) expPontos->endEntry();

    if (entry.dataEdited() && shell.askChoice(ChoiceId::frmsalvaarquivo) == QLatin1String("optyes")) {
        const QString path = shell.platform().saveFileName(this, kSaveDialogTitle, QDir::currentPath());
        if (const auto failed = entry.savePoints(localPath(path), toStd(path))) {
            showCritical(shell, this, fromStd(*failed));
            return false;
        }
    }
    const Outcome<DataSet> handed = entry.handOff(labels());
    if (!handed) {
        showFailure(shell, this, handed.failure());
        return false;
    }
    st.dataSet = *handed;
    st.otherDataSets = relabelled(std::move(st.otherDataSets), labels());
    GravaSaidaCalc();
    return true;
}

void frmEntDados::GravaSaidaCalc()
{
    const std::unique_ptr<ReportOutput> output = chosenReportOutput(shell);
    if (!output) return;
    const bool printer = st.outputDestination == "P";
    if (const auto failed = entry.startReport(*output, printer, st.outputFileName, labels(), currentDateTime())) {
        // a report that cannot be begun is dropped for the rest of the data set
        st.outputDestination = "N";
        st.outputFileName.clear();
        showCritical(shell, this, fromStd(*failed));
    }
}

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
