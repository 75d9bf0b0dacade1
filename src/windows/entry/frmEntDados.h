#pragma once
// The data entry window: the labels that head the report, the point list (read from a data
// file or a table, typed in or pasted, then corrected row by row), the report destination,
// and "Draw Graph", which hands the points on to the analysis and opens the first graph.

#include <QString>
#include <memory>

#include "entry/DataEntry.h"
#include "windows/entry/frmExpPontos.h"
#include "ui/ChildForm.h"
#include "ui/Shell.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kinetra {

class BackgroundWork;
class FieldValidator;

class frmEntDados : public ChildForm, public PointListHost {
    Q_OBJECT
public:
    explicit frmEntDados(Shell& hub, QWidget* parent = nullptr);
    ~frmEntDados() override;

    void activated() override;

    // Window state
    QString dataFileName() const { return QString::fromStdString(entry.dataFileName()); }
    QString changedDataFileName() const { return QString::fromStdString(entry.changedDataFileName()); }
    int editRow() const { return entry.editRow(); }
    bool dataEdited() const { return entry.dataEdited(); }
    // Rows deleted in the list since the last activation; each reads 0 and is counted once.
    int deletedCount() const { return entry.points().deletedCount(); }
    int activeCount() const { return entry.points().activeCount(); }

    // The keyboard entry window of added points, when one was opened.
    frmExpPontos* addedPointsWindow() const { return expPontos.get(); }

    // The reading of a table, which runs off the event loop; wait() on it gives the table
    // read to the window at once.
    BackgroundWork& backgroundWork() const { return *tableWork; }

    // The point list the keyboard entry fills in; the list control shows it.
    PointList& pointList() override { return entry.points(); }
    void keyboardEntryCancelled() override;
    void keyboardEntryEnded() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createDataFrame();
    void connectHandlers();

    void optFile_Click();
    void optKeyboard_Click();
    void lvwDados_Click(QTreeWidgetItem* item);
    // Ctrl+V or "Paste points": the points on the clipboard added after the last point.
    void lvwDados_Paste();
    // A table read off the event loop, then tableRead() with it.
    void readTable(const QString& path);
    // The table read into the list: its warnings shown, one of its data sets chosen, listed.
    void tableRead(const QString& path, const TableRead& table);
    // The table's data set to list: the only one, or the user's choice (-1: cancelled).
    int chooseTableSet(const TableRead& table);
    void cmmdataOk_Click();
    void optDestFile_Click();
    void optDestPrinter_Click();
    void optDestNone_Click();
    void outputChosen(const char* destination);
    void cmdDesenha_Click();
    void cmmhelp_Click();
    void Command1_Click();
    void cmmStop_Click();

    void sourceChosen();
    void showRow(int row);
    void changeRow(int row, bool withConcentration);
    bool txtConCorrigida_Validate();
    bool txtRatCorrigida_Validate();
    void endCorrection();
    bool handOff();
    ReportLabels labels() const;
    // Writes the report header and data section to the chosen destination; a report that
    // cannot be begun is said, and the analysis goes on without it.
    void GravaSaidaCalc();

    Shell& shell;
    WindowState& st;
    std::unique_ptr<FieldValidator> validator;
    std::unique_ptr<frmExpPontos> expPontos;
    DataEntry entry;
    BackgroundWork* tableWork = nullptr;

public:
    // Controls, by their own names.
    QTreeWidget* lvwDados = nullptr;
    QAction* actPastePoints = nullptr;
    QGroupBox* fraDados = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtExperiment = nullptr;
    QLineEdit* txtRatUnit = nullptr;
    QLineEdit* txtSubConUnit = nullptr;
    QLineEdit* txtSubLigand = nullptr;
    QLineEdit* w = nullptr;
    QLabel* lblNumDatPoints = nullptr;
    QGroupBox* fraSaida = nullptr;
    QRadioButton* optDestPrinter = nullptr;
    QRadioButton* optDestNone = nullptr;
    QRadioButton* optDestFile = nullptr;
    QGroupBox* fraTypEnter = nullptr;
    QRadioButton* optKeyboard = nullptr;
    QRadioButton* optFile = nullptr;
    QPushButton* cmmdataOk = nullptr;
    QPushButton* cmdDesenha = nullptr;
    QPushButton* cmmhelp = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* cmmStop = nullptr;
    QLabel* lblAlteraPonto = nullptr;
    QLabel* lblBusy = nullptr;
    QLineEdit* txtConCorrigida = nullptr;
    QLineEdit* txtRatCorrigida = nullptr;
};

}  // namespace kinetra
