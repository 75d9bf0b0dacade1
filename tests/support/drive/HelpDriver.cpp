// Loaded into the real program with LD_PRELOAD by the packaging tests. Once the application
// object exists it plays the user: dismisses the splash, starts a calculation and presses the
// data entry window's "Help" (the program runs in a folder without a help file, so the path
// rule misses), then prints which help file the viewer opened, or the viewer's message when
// it found none, and ends the program.
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

QWidget* visibleNamed(const char* name)
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String(name) && top->isVisible()) return top;
        if (auto* w = top->findChild<QWidget*>(QLatin1String(name)); w && w->isVisible()) return w;
    }
    return nullptr;
}

[[noreturn]] void finish(const char* what, const QString& detail, int status)
{
    std::printf("%s %s\n", what, detail.toUtf8().constData());
    std::fflush(stdout);
    std::_Exit(status);
}

void drive()
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(50);
    auto step = std::make_shared<int>(0);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [step, ticks] {
        if (++*ticks > 400) finish("HELP-TIMEOUT", QString::number(*step), 3);
        switch (*step) {
        case 0:
            if (QWidget* splash = visibleNamed("frmSplash")) {
                QApplication::postEvent(splash, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
                *step = 1;
            }
            break;
        case 1:
            if (auto* start = qobject_cast<QPushButton*>(visibleNamed("cmdMenCalcula"))) {
                *step = 2;
                start->click();
            }
            break;
        case 2:
            if (QWidget* entry = visibleNamed("frmEntDados")) {
                if (auto* help = entry->findChild<QPushButton*>(QStringLiteral("cmmhelp"))) {
                    *step = 3;
                    help->click();  // a missing file opens a modal box: this timer still runs
                }
            }
            break;
        default:
            if (QWidget* viewer = visibleNamed("frmHelp")) finish("HELP-FILE", viewer->windowFilePath(), 0);
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                finish("HELP-MISSING", box->text(), 1);
            break;
        }
    });
    timer->start();
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(drive)
