#include "windows/graphs/frmSubConcentration.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <cmath>

#include "ui/FieldValidation.h"
#include "ui/Messages.h"
#include "ui/WindowLook.h"
#include "windows/graphs/GraphWindowSupport.h"
#include "platform/Platform.h"

namespace kinetra {

namespace {
constexpr double kClientWidth = 4095;
constexpr double kClientHeight = 1245;
}  // namespace

frmSubConcentration::frmSubConcentration(Shell& hub, QWidget* parent)
    : QDialog(parent), shell(hub), st(hub.state())
{
    createControls();
    // on load: both boxes empty and no range chosen yet
    st.rangeLowConc = 0.0;
    st.rangeHighConc = 0.0;
}

frmSubConcentration::~frmSubConcentration() = default;

void frmSubConcentration::createControls()
{
    setObjectName(QStringLiteral("frmSubConcentration"));
    setWindowTitle(QStringLiteral("New Concentrations Range"));
    setFont(formFont());
    setModal(true);
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));

    lblLowConcentration = new QLabel(QStringLiteral("Lowest Substrate Concentration"), this);
    lblLowConcentration->setObjectName(QStringLiteral("lblLowConcentration"));
    placeTwips(lblLowConcentration, {240, 300, 2355, 255});  // 15 twips wider: the caption fits
    txtLowConcentration = new QLineEdit(this);
    txtLowConcentration->setObjectName(QStringLiteral("txtLowConcentration"));
    placeTwips(txtLowConcentration, {2640, 240, 1215, 285});

    lblHigConcentration = new QLabel(QStringLiteral("Highest Substrate Concentration"), this);
    lblHigConcentration->setObjectName(QStringLiteral("lblHigConcentration"));
    placeTwips(lblHigConcentration, {240, 660, 2385, 255});  // 45 twips wider: the caption fits
    txtHigConcentration = new QLineEdit(this);
    txtHigConcentration->setObjectName(QStringLiteral("txtHigConcentration"));
    placeTwips(txtHigConcentration, {2640, 600, 1215, 285});

    setTabOrder(txtLowConcentration, txtHigConcentration);
    txtLowConcentration->setFocus();

    // Enter in either box moves on as Tab does: the validator takes it for its fields
    validator = std::make_unique<FieldValidator>(this);
    validator->addField(txtLowConcentration, [this] { return txtLowConcentration_Validate(); });
    validator->addField(txtHigConcentration, [this] { return txtHigConcentration_Validate(); });
}

double frmSubConcentration::valueOf(const QString& text)
{
    QLocale locale;
    // "1,000" is no thousand in a range box: only the decimal separator is a separator
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

bool frmSubConcentration::txtLowConcentration_Validate()
{
    if (valueOf(txtLowConcentration->text()) > 0.0) return true;
    showCritical(shell, this, QStringLiteral("Wrong Low Substrate Concentration"));
    return false;
}

bool frmSubConcentration::txtHigConcentration_Validate()
{
    const double low = valueOf(txtLowConcentration->text());
    const double high = valueOf(txtHigConcentration->text());
    if (!(high > 0.0 && high > low)) {
        showCritical(shell, this, QStringLiteral("Wrong Highest Substrate Concentration"));
        return false;
    }
    st.rangeLowConc = low;
    st.rangeHighConc = high;
    accepted = true;
    hide();  // ends the modal showing: the drawing goes on
    return true;
}

void frmSubConcentration::placeOnMainWindow()
{
    QWidget* main = shell.mainWindow();
    if (!main) return;
    const QRect outer = main->frameGeometry();
    const QSize own = frameGeometry().size();
    move(outer.left() + (outer.width() - own.width()) / 2,
         outer.top() + (outer.height() - own.height()) / 2);
}

bool frmSubConcentration::askRange()
{
    accepted = false;
    closedByUser = false;
    placeOnMainWindow();
    exec();
    return accepted && !closedByUser;
}

void frmSubConcentration::closeEvent(QCloseEvent* event)
{
    // the program never closes this dialog itself: a close is the user's close box
    if (!accepted) closedByUser = true;
    QDialog::closeEvent(event);
}

void frmSubConcentration::keyPressEvent(QKeyEvent* event)
{
    // Escape does not dismiss the dialog: it has no cancel, only its close box
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kinetra
