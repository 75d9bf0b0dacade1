#pragma once
// The points window "Points of Curve": asks modally for the first and last point of a
// curve and, for the first curve, the baseline. Each field is checked when the focus is
// about to leave it; once the last needed value is accepted the choice is stored in the
// shared record and the window hides itself. One window serves the whole run: the hub
// creates it at its first use (under the main window) and only hides it between curves.

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

#include "ui/Shell.h"

class QLabel;
class QLineEdit;

namespace kinetra {

class FieldValidator;

class frmDadParcial : public QDialog {
    Q_OBJECT
public:
    // A top-level window owned by `parent` (the main window).
    frmDadParcial(Shell& hub, QWidget* parent);
    ~frmDadParcial() override;

    // Shows the window modally for curve st.curveNumber. Returns true once a complete,
    // valid entry was stored; false when the window was closed instead (the program ends).
    bool askPoints();

    // The line drawn at the top-left corner: "CURVE # " and the curve number.
    const QString& curveCaption() const { return caption; }

    void reject() override;  // Escape does not leave the window

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void connectHandlers();
    void activate();  // the steps of every showing

    bool txtPrimPonto_Validate();
    bool txtUltPonto_Validate();
    bool txtBaseline_Validate();
    void txtPrimPonto_GotFocus();
    void txtUltPonto_GotFocus();

    // Stores firstPoint, lastPoint (and for curve 1 the baseline) and hides the window,
    // after checking both point fields as they stand now; a wrong one gets its message
    // and the focus (then nothing is stored and the field being left lets the focus go).
    bool storeChoice(std::optional<double> baselineValue);
    bool firstPointIsValid() const;
    bool lastPointIsValid() const;
    // A first point that leaves no room for any last point.
    bool noLastPointPossible() const;
    void complain(const char* message);
    void moveFocusLater(QLineEdit* field);

    std::optional<double> readNumber(const QLineEdit* field) const;

    Shell& shell;
    WindowState& st;
    std::unique_ptr<FieldValidator> validator;
    QString caption;
    bool stored = false;
    bool closedByUser = false;
    bool leavingToFirstPoint = false;

    QLabel* lblPrimPonto = nullptr;
    QLineEdit* txtPrimPonto = nullptr;
    QLabel* lblUltPonto = nullptr;
    QLineEdit* txtUltPonto = nullptr;
    QLabel* lblBaseline = nullptr;
    QLineEdit* txtBaseline = nullptr;
};

}  // namespace kinetra
