#include "base/CheckedMath.h"
#include "windows/entry/frmDadParcial.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cmath>

#include "ui/Controls.h"
#include "ui/FieldValidation.h"
#include "ui/HandlerGuard.h"
#include "ui/Messages.h"
#include "ui/Twips.h"
#include "ui/WindowLook.h"

namespace kinetra {

namespace {

const char* const kObjectName = "frmDadParcial";

// A number in its shortest form with the user's separator: 4 gives "4", 3.5 gives "3.5".
QString shortestNumber(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', QLocale::FloatingPointShortest);
}

}  // namespace

frmDadParcial::frmDadParcial(Shell& hub, QWidget* parent)
    : QDialog(parent), shell(hub), st(hub.state())
{
    createControls();
    connectHandlers();

    // Placed once, when created: 5500 twips from the top and 7200 from the left of the screen.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
    move(origin + QPoint(twipsToPixels(7200), twipsToPixels(5500)));
    st.firstPoint = 1;
}

frmDadParcial::~frmDadParcial() = default;

void frmDadParcial::createControls()
{
    setObjectName(QLatin1String(kObjectName));
    setWindowTitle(QStringLiteral("Points of Curve"));
    setFont(formFont());
    // Fixed single frame: a close box, no minimise or maximise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twipsToPixels(3885), twipsToPixels(1785));
    setModal(true);

    auto makeRow = [this](const char* labelName, const char* fieldName, double labelTop,
                          double fieldTop, int maxLength, QLabel*& label, QLineEdit*& field,
                          double labelWidth) {
        const LabelledField made = labelledField(this, labelName, QString(), {540, labelTop, labelWidth, 195},
                                                 fieldName, {1980, fieldTop, 1095, 285}, maxLength);
        label = made.label;
        field = made.field;
    };
    // the range hints are 165 twips wider than the baseline label, so that a hint of five
    // digits fits ("First Point (99-200)"); they end before the fields
    makeRow("lblPrimPonto", "txtPrimPonto", 540, 480, 3, lblPrimPonto, txtPrimPonto, 1410);
    makeRow("lblUltPonto", "txtUltPonto", 900, 840, 3, lblUltPonto, txtUltPonto, 1410);
    makeRow("lblBaseline", "txtBaseline", 1260, 1200, 10, lblBaseline, txtBaseline, 1245);
    lblBaseline->setText(QStringLiteral("Baseline"));
    setTabOrder(txtPrimPonto, txtUltPonto);
    setTabOrder(txtUltPonto, txtBaseline);
}

void frmDadParcial::connectHandlers()
{
    validator = std::make_unique<FieldValidator>(this);
    validator->addField(txtPrimPonto, [this] { return txtPrimPonto_Validate(); });
    validator->addField(txtUltPonto, [this] { return txtUltPonto_Validate(); });
    validator->addField(txtBaseline, [this] { return txtBaseline_Validate(); });
    for (QLineEdit* field : {txtPrimPonto, txtUltPonto, txtBaseline})
        validator->addEnterAsTab(field);
    txtPrimPonto->installEventFilter(this);
    txtUltPonto->installEventFilter(this);
}

bool frmDadParcial::askPoints()
{
    stored = false;
    closedByUser = false;
    activate();
    // Installed after the validator, so it sees each key and click first: it notes whether
    // the focus is about to go back from the last point to the first point.
    qApp->installEventFilter(this);
    exec();
    qApp->removeEventFilter(this);
    leavingToFirstPoint = false;
    if (!stored && closedByUser) shell.endProgram();
    return stored;
}

void frmDadParcial::activate()
{
    caption = QStringLiteral("CURVE # ") + QString::number(st.curveNumber);
    update();
    txtPrimPonto->clear();
    txtUltPonto->clear();
    txtBaseline->clear();
    lblPrimPonto->clear();
    lblUltPonto->clear();
    const bool baselineAsked = st.curveNumber != 2;
    lblBaseline->setVisible(baselineAsked);
    lblBaseline->setEnabled(baselineAsked);
    txtBaseline->setVisible(baselineAsked);
    txtBaseline->setEnabled(baselineAsked);
    if (st.curveNumber == 1) st.firstPoint = 1;
    txtPrimPonto->setFocus();
    txtPrimPonto_GotFocus();
}

void frmDadParcial::txtPrimPonto_GotFocus()
{
    lblPrimPonto->setText(QStringLiteral("First Point (%1-%2)").arg(st.firstPoint).arg(st.pointCount));
}

void frmDadParcial::txtUltPonto_GotFocus()
{
    // A first point field that does not hold a number counts as 0 here.
    const double first = readNumber(txtPrimPonto).value_or(0.0);
    lblUltPonto->setText(QStringLiteral("Last Point (%1-%2)")
                             .arg(shortestNumber(first + 1))
                             .arg(st.pointCount));
}

std::optional<double> frmDadParcial::readNumber(const QLineEdit* field) const
{
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(field->text().trimmed(), &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool frmDadParcial::firstPointIsValid() const
{
    const std::optional<double> f = readNumber(txtPrimPonto);
    return f && *f >= st.firstPoint && *f <= st.pointCount && *f != 0;
}

bool frmDadParcial::lastPointIsValid() const
{
    const std::optional<double> l = readNumber(txtUltPonto);
    if (!l || *l > st.pointCount || *l == 0) return false;
    const std::optional<double> f = readNumber(txtPrimPonto);
    if (!f) return true;  // the first point is judged in its own field
    if (*f + 1 > *l) return false;
    // The points are stored made whole: 3.5 and 4.5 would both become 4, a one-point curve.
    return std::nearbyint(*f) + 1 <= std::nearbyint(*l);
}

bool frmDadParcial::noLastPointPossible() const
{
    const std::optional<double> f = readNumber(txtPrimPonto);
    return f && *f + 1 > st.pointCount;
}

void frmDadParcial::complain(const char* message)
{
    showCritical(shell, this, QString::fromUtf8(message));
}

void frmDadParcial::moveFocusLater(QLineEdit* field)
{
    // The field being left lets the focus go (it is not at fault); the field at fault takes
    // it once the key or click that left has been handled.
    QPointer<QLineEdit> target(field);
    QTimer::singleShot(0, this, [this, target] {
        if (!target || !isVisible()) return;
        activateWindow();
        target->setFocus(Qt::OtherFocusReason);
        target->selectAll();
    });
}

bool frmDadParcial::txtPrimPonto_Validate()
{
    bool accepted = false;
    runGuarded(shell.platform(), this, [&] {
        accepted = firstPointIsValid();
        if (!accepted) complain("Wrong First Point");
    });
    return accepted;
}

bool frmDadParcial::txtUltPonto_Validate()
{
    bool accepted = false;
    runGuarded(shell.platform(), this, [&] {
        // With a first point that leaves no room for a last point, the way back to the
        // first point stays open.
        if (leavingToFirstPoint && noLastPointPossible()) {
            accepted = true;
        } else if (!lastPointIsValid()) {
            complain("Wrong Last Point");
        } else {
            accepted = st.curveNumber != 2 || storeChoice(std::nullopt);
        }
    });
    return accepted;
}

bool frmDadParcial::txtBaseline_Validate()
{
    bool accepted = false;
    runGuarded(shell.platform(), this, [&] {
        const std::optional<double> b = readNumber(txtBaseline);
        if (!b || *b < 0)
            complain("Base Line wrong");
        else
            accepted = storeChoice(*b);
    });
    return accepted;
}

bool frmDadParcial::storeChoice(std::optional<double> baselineValue)
{
    // The mouse may have jumped past a field: both points are checked again as they stand.
    if (!firstPointIsValid()) {
        complain("Wrong First Point");
        moveFocusLater(txtPrimPonto);
        return true;
    }
    if (!lastPointIsValid()) {
        complain("Wrong Last Point");
        moveFocusLater(txtUltPonto);
        return true;
    }
    st.firstPoint = makeWhole16(*readNumber(txtPrimPonto));
    st.lastPoint = makeWhole16(*readNumber(txtUltPonto));
    if (baselineValue) st.baseline = *baselineValue + 0.0;  // -0 is stored as 0
    stored = true;
    done(QDialog::Accepted);
    return true;
}

void frmDadParcial::reject() {}

bool frmDadParcial::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        if (watched == txtPrimPonto) txtPrimPonto_GotFocus();
        if (watched == txtUltPonto) txtUltPonto_GotFocus();
        break;
    case QEvent::KeyPress:
        if (watched == txtUltPonto) {
            const auto* key = static_cast<QKeyEvent*>(event);
            leavingToFirstPoint = key->key() == Qt::Key_Backtab ||
                                  (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
        }
        break;
    case QEvent::MouseButtonPress:
        if (watched == windowHandle()) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            leavingToFirstPoint = txtPrimPonto->geometry().contains(at);
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void frmDadParcial::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.drawText(QPoint(0, fontMetrics().ascent()), caption);
}

void frmDadParcial::closeEvent(QCloseEvent* event)
{
    // The close box (the program itself only hides this window, or closes it while ending):
    // the run ends once the modal showing has returned.
    if (isVisible()) closedByUser = true;
    event->accept();
    if (isVisible()) done(QDialog::Rejected);
}

}  // namespace kinetra
