#pragma once
// "New Concentrations Range": asks, modally, for the lowest and highest substrate
// concentration of graph 2's new X axis. Leaving the low box checks low > 0; leaving the
// high box checks high > 0 and high > low and, when right, stores both in rangeLowConc /
// rangeHighConc and hides the dialog. The close box ends the program.

#include <QDialog>
#include <memory>

#include "ui/Shell.h"

class QCloseEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;

namespace kinetra {

class FieldValidator;

class frmSubConcentration : public QDialog {
    Q_OBJECT
public:
    explicit frmSubConcentration(Shell& hub, QWidget* parent = nullptr);
    ~frmSubConcentration() override;

    // Shows the dialog modally until a right range was entered (true) or the user closed
    // it with its close box (false: the program is to end).
    bool askRange();

    // A range box's text as a number in the user's locale; a text that is not a number
    // (or is empty) counts as 0.
    static double valueOf(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    void placeOnMainWindow();

    bool txtLowConcentration_Validate();
    bool txtHigConcentration_Validate();

    Shell& shell;
    WindowState& st;
    bool accepted = false;
    bool closedByUser = false;

    QLabel* lblLowConcentration = nullptr;
    QLineEdit* txtLowConcentration = nullptr;
    QLabel* lblHigConcentration = nullptr;
    QLineEdit* txtHigConcentration = nullptr;
    std::unique_ptr<FieldValidator> validator;
};

}  // namespace kinetra
