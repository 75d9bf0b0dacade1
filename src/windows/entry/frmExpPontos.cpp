#include "windows/entry/frmExpPontos.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>

#include "platform/Platform.h"
#include "ui/FieldValidation.h"
#include "ui/Messages.h"
#include "ui/Twips.h"
#include "ui/WindowLook.h"

namespace kinetra {

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, double left, double top, double width)
{
    return placeNamed(new QLabel(parent), name, {left, top, width, 255});
}

QLineEdit* makeField(QWidget* parent, const char* name, double left, double top, double width)
{
    return placeNamed(new QLineEdit(parent), name, {left, top, width, 285});
}

}  // namespace

frmExpPontos::frmExpPontos(Shell& hub, PointListHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      shell(hub), st(hub.state()), list(host)
{
    createControls();
    connectHandlers();
}

frmExpPontos::~frmExpPontos() = default;

void frmExpPontos::createControls()
{
    setObjectName(QStringLiteral("frmExpPontos"));
    setWindowTitle(QStringLiteral("Entry of Experimental Points"));
    setFont(formFont());
    setFixedSize(twipsToPixels(4560), twipsToPixels(1425));

    lblConTeclado = makeLabel(this, "lblConTeclado", 360, 480, 2415);
    txtConTeclado = makeField(this, "txtConTeclado", 3120, 360, 1000);
    lblRatTeclado = makeLabel(this, "lblRatTeclado", 360, 780, 2415);
    txtRatTeclado = makeField(this, "txtRatTeclado", 3120, 720, 1000);
    setTabOrder(txtConTeclado, txtRatTeclado);
}

void frmExpPontos::connectHandlers()
{
    validator = std::make_unique<FieldValidator>(this);
    validator->addField(txtConTeclado, [this] { return txtConTeclado_Validate(); });
    validator->addField(txtRatTeclado, [this] { return txtRatTeclado_Validate(); });
    validator->addEnterAsTab(txtConTeclado);
    validator->addEnterAsTab(txtRatTeclado);
}

void frmExpPontos::activation()
{
    st.savedPointCount = st.pointCount;
    move(twipsToPixels(7000), twipsToPixels(6000));

    // the row of the point about to be typed: an existing row beyond the counted points
    // (emptied by a hand-off, or made before a return here) is reused
    list.pointList().startPoint(st.nextPointNumber, st.savedPointCount);

    const QString number = QString::number(st.nextPointNumber);
    lblConTeclado->setText(QStringLiteral("Concentration of Point ") + number);
    lblRatTeclado->setText(QStringLiteral("Rate of Point ") + number);
    txtConTeclado->clear();
    txtRatTeclado->clear();
    txtConTeclado->setFocus(Qt::OtherFocusReason);
}

bool frmExpPontos::refusePointBeyondLimit()
{
    if (PointList::roomFor(st.nextPointNumber)) return false;
    // centred on the window the user sees: this one, or the data entry window when points
    // are to be added and this window is not shown yet
    QWidget* over = isVisible() || !parentWidget() ? this : parentWidget();
    shell.platform().message(
        over,
        QStringLiteral("A data set holds at most %1 points: no further point can be entered.")
            .arg(kMaxPoints),
        QStringLiteral("Kinetra"), MessageIcon::Information);
    return true;
}

void frmExpPontos::runFreshEntry()
{
    setModal(true);
    activation();
    exec();
}

bool frmExpPontos::showForAddedPoints()
{
    if (isVisible()) {
        raise();
        activateWindow();
        return true;
    }
    if (refusePointBeyondLimit()) return false;
    setModal(false);
    show();
    activation();
    raise();
    activateWindow();
    return true;
}

void frmExpPontos::endEntry()
{
    if (!isVisible()) return;
    hide();
    st.pointCount = static_cast<std::int16_t>(st.nextPointNumber - 1);
}

void frmExpPontos::closeFromProgram()
{
    closingFromProgram = true;
    close();
    closingFromProgram = false;
}

bool frmExpPontos::txtConTeclado_Validate()
{
    if (!list.pointList().enterValue(st.nextPointNumber, 1, txtConTeclado->text().toStdString(),
                                     localeDecimalSeparator())) {
        showCritical(shell, this, QStringLiteral("Wrong Concentration"));
        return false;
    }
    // the focus moves on to the rate, which starts empty
    lblRatTeclado->setText(QStringLiteral("Rate of Point ") + QString::number(st.nextPointNumber));
    txtRatTeclado->clear();
    return true;
}

bool frmExpPontos::txtRatTeclado_Validate()
{
    if (!list.pointList().enterValue(st.nextPointNumber, 2, txtRatTeclado->text().toStdString(),
                                     localeDecimalSeparator())) {
        showCritical(shell, this, QStringLiteral("Wrong Rate"));
        return false;
    }
    st.nextPointNumber = static_cast<std::int16_t>(st.nextPointNumber + 1);

    const bool another = shell.askChoice(ChoiceId::frmoutroponto) != QLatin1String("optno");
    // the arrays hold 200 points: a 201st is refused and the entry ends with the 200
    if (!another || refusePointBeyondLimit()) {
        hide();
        st.pointCount = static_cast<std::int16_t>(st.nextPointNumber - 1);
        list.keyboardEntryEnded();
        return true;
    }
    list.pointList().nextPoint(st.nextPointNumber);
    // the focus wraps to the concentration, which names the new point and starts empty
    lblConTeclado->setText(QStringLiteral("Concentration of Point ") +
                           QString::number(st.nextPointNumber));
    txtConTeclado->clear();
    activateWindow();
    return true;
}

void frmExpPontos::closeEvent(QCloseEvent* event)
{
    if (closingFromProgram || !isVisible()) {
        event->accept();
        QDialog::setVisible(false);
        return;
    }
    event->ignore();
    askCancel();
}

// Escape behaves as the close box.
void frmExpPontos::reject()
{
    if (isVisible()) askCancel();
}

void frmExpPontos::askCancel()
{
    if (shell.askChoice(ChoiceId::frmfechar) != QLatin1String("optyes")) {
        activateWindow();
        return;
    }
    hide();
    list.pointList().clear();
    list.keyboardEntryCancelled();
    st.pointCount = 0;
}

}  // namespace kinetra
