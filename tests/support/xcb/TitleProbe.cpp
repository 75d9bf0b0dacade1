// Shows every kind of top-level window of the program at once, set up as the program sets
// itself up, on whatever platform Qt is given (the title test runs it under xcb in Xvfb),
// then prints one line per shown top-level window: its native window id, a tab, and the title
// it was given.
// It stays until its standard input closes, so that the desktop's titles can be read.
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

#include "app/MDIForm1.h"
#include "app/frmSplash.h"
#include "windows/entry/frmExpPontos.h"
#include "windows/graphs/frmSubConcentration.h"
#include "platform/ScriptedPlatform.h"
#include "ui/ChoiceDialog.h"
#include "ui/WindowLook.h"

namespace {

class NoList : public kinetra::PointListHost {
public:
    kinetra::PointList& pointList() override { return points; }
    void keyboardEntryCancelled() override {}

private:
    kinetra::PointList points;
};

QMessageBox* box(const QString& title)
{
    auto* b = new QMessageBox;
    b->setWindowTitle(title);
    b->setText(QStringLiteral("A message"));
    b->setIcon(QMessageBox::Critical);
    return b;
}

QFileDialog* fileDialog(const QString& title)
{
    auto* d = new QFileDialog(nullptr, title);
    d->setOption(QFileDialog::DontUseNativeDialog);
    return d;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace kinetra;
    QApplication app(argc, argv);
    setUpApplication();

    ScriptedPlatform platform;
    MDIForm1 hub(platform);
    NoList list;
    std::vector<QWidget*> windows{&hub, new frmSplash};
    for (const ChoiceDescription& d : choiceDescriptions()) windows.push_back(new ChoiceDialog(d.id, &hub));
    windows.push_back(new frmExpPontos(hub, list, &hub));
    windows.push_back(new frmSubConcentration(hub, &hub));
    for (const char* title : {"Crítica de Dados", "Wrong Data", "Kinetra"}) windows.push_back(box(QString::fromUtf8(title)));
    for (const char* title : {"Open Data File", "Output File name for Kinetic Parameters"})
        windows.push_back(fileDialog(QString::fromLatin1(title)));

    for (QWidget* w : windows) w->show();
    // the points of a curve, shown modally through the hub as the calculation asks for them
    QTimer::singleShot(0, [&hub] { hub.askCurvePoints(); });
    QTimer::singleShot(1000, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible()) continue;
            std::printf("%llu\t%s\n", static_cast<unsigned long long>(w->winId()), w->windowTitle().toUtf8().constData());
        }
        std::printf("ready\n");
        std::fflush(stdout);
    });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&input] {
        char buf[64];
        if (::read(STDIN_FILENO, buf, sizeof buf) <= 0) {
            input.setEnabled(false);
            QApplication::quit();
        }
    });
    QTimer::singleShot(60000, [] { QApplication::quit(); });
    return QApplication::exec();
}
