#include "app/frmMenu.h"

#include <QPushButton>

#include "ui/Twips.h"
#include "ui/WindowLook.h"

namespace kinetra {

namespace {

constexpr double kMenuWidth = 7000;
constexpr double kMenuHeight = 6000;

QFont menuButtonFont() { return timesFont(13.5, true, true); }

}  // namespace

frmMenu::frmMenu(Shell& hub, QWidget* parent) : ChildForm(parent), shell(hub)
{
    createControls();
    connectHandlers();
    Form_Load();
}

void frmMenu::createControls()
{
    setObjectName(QStringLiteral("frmMenu"));
    setWindowTitle(QStringLiteral("Menu "));
    setFont(formFont());
    setHasCloseBox(false);

    const auto makeButton = [this](const char* name, const QString& caption, double top, double width) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setFont(menuButtonFont());
        placeTwips(button, {1740, top, width, 1095});
        return button;
    };
    // 3840 wide, 45 twips more than the exit button: the longer caption needs it
    cmdMenCalcula = makeButton("cmdMenCalcula", QStringLiteral("Calculation of Kinetic Parameters"), 840, 3840);
    cmdMenSaida = makeButton("cmdMenSaida", QStringLiteral("Exit to Windows"), 2520, 3795);
    setTabOrder(cmdMenCalcula, cmdMenSaida);
    setFocusProxy(cmdMenCalcula);
}

void frmMenu::connectHandlers()
{
    connect(cmdMenCalcula, &QPushButton::clicked, this, &frmMenu::cmdMenCalcula_Click);
    connect(cmdMenSaida, &QPushButton::clicked, this, &frmMenu::cmdMenSaida_Click);
}

// Centred in the main window, outer sizes of both windows (twips).
void frmMenu::Form_Load()
{
    QWidget* main = shell.mainWindow();
    const double twipsPerPixel = 1.0 / pixelsPerTwip();
    const double mainWidth = main ? main->frameGeometry().width() * twipsPerPixel : kMenuWidth;
    const double mainHeight = main ? main->frameGeometry().height() * twipsPerPixel : kMenuHeight;
    setFormGeometry((mainWidth - kMenuWidth) / 2, (mainHeight - kMenuHeight) / 2, kMenuWidth, kMenuHeight);
}

void frmMenu::cmdMenCalcula_Click()
{
    shell.startCalculation();
}

void frmMenu::cmdMenSaida_Click()
{
    shell.endProgram();  // closes the menu with every other window
}

}  // namespace kinetra
