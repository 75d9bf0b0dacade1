// Kinetra: the splash first; once it is dismissed, the main window with the menu.
#include <QApplication>
#include <memory>

#include "app/MDIForm1.h"
#include "app/frmSplash.h"
#include "platform/QtPlatform.h"
#include "ui/HelpFile.h"
#include "ui/WindowLook.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    kinetra::setUpApplication();

    kinetra::QtPlatform platform(kinetra::installedHelpDirectories());
    std::unique_ptr<kinetra::MDIForm1> mainWindow;

    auto* splash = new kinetra::frmSplash;
    QObject::connect(splash, &kinetra::frmSplash::dismissed, [&] {
        mainWindow = std::make_unique<kinetra::MDIForm1>(platform);
        mainWindow->show();
    });
    splash->show();
    splash->activateWindow();

    const int status = QApplication::exec();
    mainWindow.reset();
    return status;
}
