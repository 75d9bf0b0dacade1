#include "support/GuiTestSupport.h"

#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <vector>

namespace kinetra::testing {

namespace {

std::vector<QPointer<QTimer>> pollers;  // the armed helpers that have not acted yet

void retire(QTimer* timer)
{
    timer->stop();
    timer->deleteLater();
    pollers.erase(std::remove(pollers.begin(), pollers.end(), timer), pollers.end());
}

// Polls for a visible modal window that `accepts` and runs the action on it once.
void pollForModal(std::function<bool(QWidget*)> accepts, std::function<void(QWidget*)> action, int timeoutMs,
                  const QString& what)
{
    auto* timer = new QTimer(qApp);
    pollers.emplace_back(timer);
    timer->setInterval(5);
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        *waited += timer->interval();
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && accepts(modal)) {
            retire(timer);
            action(modal);
            // an assertion that failed inside the window left it waiting for an answer that
            // will not come: the windows still open are hidden, which ends their loops, so the
            // test fails instead of hanging
            if (::testing::Test::HasFatalFailure()) {
                for (int i = 0; i < 10 && QApplication::activeModalWidget(); ++i)
                    QApplication::activeModalWidget()->hide();
            }
            return;
        }
        if (*waited >= timeoutMs) {
            retire(timer);
            ADD_FAILURE() << "no modal window " << what.toStdString() << " appeared within " << timeoutMs << " ms";
        }
    });
    timer->start();
}

}  // namespace

void whenModal(std::function<void(QWidget* modal)> action, int timeoutMs)
{
    pollForModal([](QWidget*) { return true; }, std::move(action), timeoutMs, QStringLiteral("(any)"));
}

void whenModalNamed(const QString& objectName, std::function<void(QWidget* modal)> action, int timeoutMs)
{
    pollForModal([objectName](QWidget* w) { return w->objectName() == objectName; }, std::move(action), timeoutMs,
                 objectName);
}

bool allModalsAnswered()
{
    return pollers.empty();
}

void cancelPendingModals()
{
    while (!pollers.empty()) {
        QPointer<QTimer> timer = pollers.back();
        pollers.pop_back();
        if (timer) {
            timer->stop();
            timer->deleteLater();
        }
    }
}

void answerChoice(const QString& optionObjectName, int timeoutMs)
{
    whenModal(
        [optionObjectName](QWidget* dialog) {
            if (!optionObjectName.isEmpty()) {
                if (auto* option = findControl<QRadioButton>(dialog, optionObjectName)) option->click();
            }
            if (auto* go = findControl<QPushButton>(dialog, QStringLiteral("Command1"))) go->click();
        },
        timeoutMs);
}

void closeChoiceByCloseBox(int timeoutMs)
{
    whenModal([](QWidget* dialog) { dialog->close(); }, timeoutMs);
}

void clickInWindow(QWidget* w, QPoint pos)
{
    ASSERT_NE(w, nullptr);
    QWidget* top = w->window();
    ASSERT_NE(top->windowHandle(), nullptr) << "window of " << w->objectName().toStdString() << " not shown";
    const QPoint local = pos.x() < 0 ? w->rect().center() : pos;
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, w->mapTo(top, local));
}

void typeText(QLineEdit* field, const QString& text)
{
    ASSERT_NE(field, nullptr);
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    if (text.isEmpty()) QTest::keyClick(field, Qt::Key_Delete);
    else QTest::keyClicks(field, text);
}

void typeAndTab(QLineEdit* field, const QString& text)
{
    typeText(field, text);
    pressTab(field);
}

void pressEnter(QWidget* w)
{
    ASSERT_NE(w, nullptr);
    QTest::keyClick(w, Qt::Key_Return);
}

void pressTab(QWidget* w)
{
    ASSERT_NE(w, nullptr);
    QTest::keyClick(w, Qt::Key_Tab);
}

void settle(int rounds)
{
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

bool waitActive(QWidget* w)
{
    if (!w) return false;
    w->window()->activateWindow();
    return QTest::qWaitForWindowActive(w->window());
}

// ---------------------------------------------------------------- fixture

void GuiTest::SetUp()
{
    platform = std::make_unique<ScriptedPlatform>();
    hub = std::make_unique<MDIForm1>(*platform);
    hub->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(hub.get()));
    waitActive(hub.get());
    settle();
}

void GuiTest::TearDown()
{
    // give armed helpers a last chance, then close whatever a failing test left open
    for (int i = 0; i < 20 && !allModalsAnswered(); ++i) QTest::qWait(10);
    EXPECT_TRUE(allModalsAnswered()) << "a modal window the test waited for never appeared";
    cancelPendingModals();
    QStringList leaked;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top != hub.get() && top->isVisible() && !top->isAncestorOf(hub.get())) {
            leaked << (top->objectName().isEmpty() ? QString::fromLatin1(top->metaObject()->className())
                                                   : top->objectName());
        }
    }
    EXPECT_TRUE(leaked.isEmpty()) << "windows left open: " << leaked.join(QStringLiteral(", ")).toStdString();
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top != hub.get() && top->isVisible()) top->close();
    }
    hub.reset();
    settle();
    platform.reset();
}

void GuiTest::startCalculation()
{
    hub->startCalculation();
    settle();
}

int GuiTest::messagesTitled(const QString& title) const
{
    int count = 0;
    for (const auto& m : platform->messages) count += m.title == title ? 1 : 0;
    return count;
}

void answerNamed(const char* dialog, const char* option)
{
    const QString chosen = QString::fromLatin1(option);
    whenModalNamed(QString::fromLatin1(dialog), [chosen](QWidget* d) {
        if (!chosen.isEmpty()) findControl<QRadioButton>(d, chosen)->click();
        findControl<QPushButton>(d, QStringLiteral("Command1"))->click();
    });
}

void typePoints(QWidget* dataEntry, const std::vector<std::pair<QString, QString>>& points)
{
    whenModalNamed(QStringLiteral("frmExpPontos"), [points](QWidget* dialog) {
        auto* con = findControl<QLineEdit>(dialog, QStringLiteral("txtConTeclado"));
        auto* rate = findControl<QLineEdit>(dialog, QStringLiteral("txtRatTeclado"));
        for (std::size_t i = 0; i < points.size(); ++i) {
            typeText(con, points[i].first);
            pressEnter(con);
            typeText(rate, points[i].second);
            answerNamed("frmoutroponto", i + 1 == points.size() ? "optno" : "optyes");
            pressEnter(rate);
        }
    });
    findControl<QRadioButton>(dataEntry, QStringLiteral("optKeyboard"))->click();
    settle();
}

}  // namespace kinetra::testing
