#include "walk/harness/OpenWindows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

#include "app/MDIForm1.h"

namespace kinetra::walk {

bool shown(const QWidget* w) { return w && w->isVisible() && w->isEnabled(); }

QWidget* visibleModal()
{
    QWidget* m = QApplication::activeModalWidget();
    return m && m->isVisible() ? m : nullptr;
}

std::vector<QWidget*> candidateWindows(MDIForm1* hub)
{
    std::vector<QWidget*> out;
    if (QWidget* m = visibleModal()) {
        out.push_back(m);
        return out;
    }
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top != hub && top->isVisible() && qobject_cast<QDialog*>(top)) out.push_back(top);
    }
    if (hub->isVisible()) {
        for (QMdiSubWindow* frame : hub->workspace()->subWindowList()) {
            if (frame->isVisible() && frame->widget()) out.push_back(frame->widget());
        }
        // an empty workspace leaves the main window's close box
        if (out.empty()) out.push_back(hub);
    }
    return out;
}

QWidget* findWindow(MDIForm1* hub, const QString& name)
{
    for (QWidget* w : candidateWindows(hub))
        if (w->objectName() == name) return w;
    return nullptr;
}

QStringList windowNames(MDIForm1* hub, const QWidget* except)
{
    QStringList names;
    for (QWidget* w : candidateWindows(hub))
        if (w != except) names << w->objectName();
    return names;
}

bool atMenu(MDIForm1* hub)
{
    if (visibleModal()) return false;
    QWidget* menu = reinterpret_cast<QWidget*>(hub->menuWindow());
    if (!menu || !menu->isVisible()) return false;
    for (QWidget* w : candidateWindows(hub))
        if (w != menu) return false;
    return true;
}

QLineEdit* focusedField(QWidget* window)
{
    auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (!edit || !window || !(window == edit || window->isAncestorOf(edit)) || !shown(edit)) return nullptr;
    return edit;
}

QTreeWidget* pointList(MDIForm1* hub)
{
    QWidget* entry = hub->dataEntryWindow();
    return entry ? entry->findChild<QTreeWidget*>(QStringLiteral("lvwDados")) : nullptr;
}

void windowTexts(QWidget* root, std::vector<QString>& out)
{
    out.push_back(root->windowTitle());
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        if (auto* l = qobject_cast<QLabel*>(w)) out.push_back(l->text());
        else if (auto* e = qobject_cast<QLineEdit*>(w)) out.push_back(e->text());
        else if (auto* b = qobject_cast<QAbstractButton*>(w)) out.push_back(b->text());
        else if (auto* g = qobject_cast<QGroupBox*>(w)) out.push_back(g->title());
        else if (auto* t = qobject_cast<QTreeWidget*>(w)) {
            for (int i = 0; i < t->topLevelItemCount(); ++i)
                for (int c = 0; c < t->columnCount(); ++c) out.push_back(t->topLevelItem(i)->text(c));
        }
    }
}

void clickThroughWindow(QWidget* w, QPoint local)
{
    QWidget* top = w->window();
    if (!top->windowHandle()) return;
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, w->mapTo(top, local));
}

void clickCentre(QWidget* w) { clickThroughWindow(w, w->rect().center()); }

}  // namespace kinetra::walk
