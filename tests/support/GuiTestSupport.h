#pragma once
// Helpers for the tests that drive real windows (offscreen): finding controls by their
// object names, answering modal windows while the code under test waits in exec(), clicking
// like a real mouse, typing, and a fixture with a fresh main window over a scripted platform
// that checks in TearDown that no window was left open.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/MDIForm1.h"
#include "platform/ScriptedPlatform.h"

namespace kinetra::testing {

// The control with that object name under root (root included); fails the test when there
// is none or it is not a W.
template <class W = QWidget>
W* findControl(QWidget* root, const QString& objectName)
{
    W* found = nullptr;
    if (root && root->objectName() == objectName) found = qobject_cast<W*>(root);
    if (!found && root) found = root->findChild<W*>(objectName);
    EXPECT_NE(found, nullptr) << "no control " << objectName.toStdString() << " under "
                              << (root ? root->objectName().toStdString() : std::string("(null)"));
    return found;
}

// Acts once on the next modal window to appear (QApplication::activeModalWidget(), visible),
// polled every 5 ms; gives up after timeoutMs (a test failure). Arm it BEFORE the call that
// opens the window. The action runs from the modal window's own event loop.
void whenModal(std::function<void(QWidget* modal)> action, int timeoutMs = 5000);
// The same for a modal window with that object name (e.g. "frmoutroponto").
void whenModalNamed(const QString& objectName, std::function<void(QWidget* modal)> action, int timeoutMs = 5000);
// The same for a modal window of class W (e.g. QMessageBox).
template <class W>
void whenModalOf(std::function<void(W* modal)> action, int timeoutMs = 5000);

// Answers the next choice dialog: selects that option ("optyes", "optno", "optok", ...)
// then presses "Continue". An empty name presses "Continue" with no option touched.
void answerChoice(const QString& optionObjectName, int timeoutMs = 5000);
// Answers the next modal choice dialog of that name ("frmoutroponto", ...) with that option;
// an empty option presses "Continue" alone.
void answerNamed(const char* dialog, const char* option);
// A fresh keyboard entry in the data entry window: each (concentration, rate) typed in turn,
// "Yes" to "Another point to entry?" after each point but the last, "No" after the last.
void typePoints(QWidget* dataEntry, const std::vector<std::pair<QString, QString>>& points);
// Closes the next choice dialog with its close box.
void closeChoiceByCloseBox(int timeoutMs = 5000);
// Whether every armed whenModal* has acted (a missed modal window also fails its test).
bool allModalsAnswered();
// Disarms every helper that has not acted (GuiTest's TearDown does it).
void cancelPendingModals();

// A left click at w's centre (or at pos in w's coordinates) delivered through w's QWindow,
// as a real mouse does (so focus-leave validation sees it before the focus moves).
void clickInWindow(QWidget* w, QPoint pos = QPoint(-1, -1));
// Replaces the field's text by typing (after selecting all of it), then presses Tab.
void typeAndTab(QLineEdit* field, const QString& text);
// Replaces the field's text by typing, without leaving the field.
void typeText(QLineEdit* field, const QString& text);
void pressEnter(QWidget* w);
void pressTab(QWidget* w);
// Lets queued work run (window activations are delivered from the event loop).
void settle(int rounds = 3);
// Waits until w's window is the active window (needed before checking the focus).
bool waitActive(QWidget* w);

// A fresh main window over a scripted platform for each test, shown and exposed. TearDown
// ends whatever is open and fails the test when a top-level window is still visible or a
// whenModal* helper never found its window.
class GuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The menu's "Calculation of Kinetic Parameters": reset, menu gone, data entry shown.
    void startCalculation();
    // Messages recorded so far, by title ("Crítica de Dados", ...).
    int messagesTitled(const QString& title) const;

    std::unique_ptr<ScriptedPlatform> platform;
    std::unique_ptr<MDIForm1> hub;
};

// ---------------------------------------------------------------- implementation of the template

template <class W>
void whenModalOf(std::function<void(W* modal)> action, int timeoutMs)
{
    whenModal(
        [action](QWidget* modal) {
            if (W* typed = qobject_cast<W*>(modal)) action(typed);
            else ADD_FAILURE() << "modal window is a " << modal->metaObject()->className();
        },
        timeoutMs);
}

}  // namespace kinetra::testing
