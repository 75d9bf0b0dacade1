#pragma once
// The keyboard entry window: asks for the concentration and then the rate of one point at
// a time and writes each accepted value straight into the data entry window's point list.
// It serves a fresh entry (shown modally) and the "Add a new point" choice (not modal).

#include <QDialog>
#include <memory>

#include "entry/PointList.h"
#include "ui/Locale.h"
#include "ui/Shell.h"

class QLabel;
class QLineEdit;

namespace kinetra {

class FieldValidator;

// The data entry window as the keyboard entry window sees it: the point list it fills in,
// and what the data entry window does when the entry ends.
class PointListHost {
public:
    virtual PointList& pointList() = 0;
    // The entry was cancelled: the hidden number-of-points field is emptied, the
    // "Keyboard" option cleared and the source frame disabled.
    virtual void keyboardEntryCancelled() = 0;
    // The entry ended with "No" (or at the point limit); pointCount is set.
    virtual void keyboardEntryEnded() {}

protected:
    ~PointListHost() = default;
};

class frmExpPontos : public QDialog {
    Q_OBJECT
public:
    frmExpPontos(Shell& hub, PointListHost& host, QWidget* parent = nullptr);
    ~frmExpPontos() override;

    // A fresh entry: activation, then the modal showing; returns when the entry ended or
    // was cancelled.
    void runFreshEntry();
    // Added points: shown without blocking; a window already open is only brought forward.
    // False (with a message) when the list has no room for another point.
    bool showForAddedPoints();
    // Ends a running entry from the program's side, as "No" would (the point being typed,
    // if any, is not counted).
    void endEntry();
    // Closes the window without asking (the program's own close).
    void closeFromProgram();

    bool entryRunning() const { return isVisible(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void createControls();
    void connectHandlers();
    void activation();
    bool refusePointBeyondLimit();
    bool txtConTeclado_Validate();
    bool txtRatTeclado_Validate();
    void askCancel();

    Shell& shell;
    WindowState& st;
    PointListHost& list;
    std::unique_ptr<FieldValidator> validator;
    bool closingFromProgram = false;

public:
    QLabel* lblConTeclado = nullptr;
    QLineEdit* txtConTeclado = nullptr;
    QLabel* lblRatTeclado = nullptr;
    QLineEdit* txtRatTeclado = nullptr;
};

}  // namespace kinetra
