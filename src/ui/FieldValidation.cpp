#include "ui/FieldValidation.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>
#include <algorithm>

namespace kinetra {

namespace {

QMdiSubWindow* enclosingFrame(QWidget* widget)
{
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(w)) return frame;
        if (w->isWindow()) break;
    }
    return nullptr;
}

// Whether a press on `target` would take the focus away from `field`.
bool pressMovesFocus(QWidget* target, QLineEdit* field)
{
    if (!target || target == field || field->isAncestorOf(target)) return false;
    QMdiSubWindow* fieldFrame = enclosingFrame(field);
    for (QWidget* w = target; w; w = w->parentWidget()) {
        if (w == fieldFrame) return false;  // the field's own window frame: no focus change
        if (qobject_cast<QMdiSubWindow*>(w)) return true;  // another child window takes over
        if (!w->isEnabled()) return false;
        if (w->focusPolicy() & Qt::ClickFocus) return true;
        if (w->isWindow()) return false;
    }
    return false;
}

bool isEnterKey(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

}  // namespace

FieldValidator::FieldValidator(QWidget* formWidget) : QObject(formWidget), form(formWidget)
{
    qApp->installEventFilter(this);
}

FieldValidator::~FieldValidator()
{
    if (qApp) qApp->removeEventFilter(this);
}

void FieldValidator::addField(QLineEdit* field, std::function<bool()> check)
{
    fields.push_back(Field{field, std::move(check)});
}

void FieldValidator::addEnterAsTab(QWidget* field)
{
    enterAsTab.emplace_back(field);
}

void FieldValidator::addSelectAllOnEntry(QLineEdit* field)
{
    selectOnEntry.emplace_back(field);
}

FieldValidator::Field* FieldValidator::fieldOf(QObject* widget)
{
    if (!widget) return nullptr;
    for (Field& f : fields) {
        if (f.edit && f.edit == widget) return &f;
    }
    return nullptr;
}

bool FieldValidator::isEnterAsTab(QObject* widget) const
{
    return std::any_of(enterAsTab.begin(), enterAsTab.end(),
                       [widget](const QPointer<QWidget>& w) { return w && w == widget; });
}

bool FieldValidator::validateNow(QLineEdit* edit)
{
    Field* field = fieldOf(edit);
    return !field || runCheck(*field);
}

bool FieldValidator::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        // queued as well: a click that gave the focus places the cursor afterwards
        for (const QPointer<QLineEdit>& field : selectOnEntry) {
            if (!field || field != watched) continue;
            field->selectAll();
            QTimer::singleShot(0, field, [later = field] {
                if (later) later->selectAll();
            });
        }
        return false;
    }
    if (checking || forwardingTab) return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (watched->isWidgetType()) return keyPress(static_cast<QWidget*>(watched), event);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (auto* window = qobject_cast<QWindow*>(watched)) return mousePress(window, static_cast<QMouseEvent*>(event));
        break;
    default: break;
    }
    return false;
}

// Tab, Backtab and Enter at a validated field; Enter at an Enter-as-Tab field.
bool FieldValidator::keyPress(QWidget* widget, QEvent* event)
{
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = isEnterKey(key);
    const bool backwards = key->key() == Qt::Key_Backtab ||
                           (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (!enter && !tab) return false;
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;

    if (Field* field = fieldOf(widget)) {
        if (!runCheck(*field)) return true;
        if (!enter) return false;  // Tab goes on as usual
        moveOn(widget, false);
        return true;
    }
    if (enter && isEnterAsTab(widget)) {
        moveOn(widget, backwards);
        return true;
    }
    return false;
}

// A press in the window of the focused field, seen before Qt moves the focus.
bool FieldValidator::mousePress(QWindow* window, QMouseEvent* event)
{
    Field* field = fieldOf(QApplication::focusWidget());
    if (!field || !field->edit) return false;
    QWidget* top = field->edit->window();
    if (top->windowHandle() != window) return false;
    QWidget* target = top->childAt(event->position().toPoint());
    if (!pressMovesFocus(target, field->edit)) return false;
    return !runCheck(*field);
}

bool FieldValidator::runCheck(Field& field)
{
    if (!field.check || !field.edit) return true;
    QPointer<QLineEdit> edit = field.edit;
    checking = true;
    bool accepted = true;
    try {
        accepted = field.check();
    } catch (...) {
        checking = false;
        throw;
    }
    checking = false;
    if (!accepted && edit) keepFocus(edit);
    return accepted;
}

// Back into the field, whatever the message box did to the activation.
void FieldValidator::keepFocus(QLineEdit* edit)
{
    QWidget* top = edit->window();
    top->activateWindow();
    if (QMdiSubWindow* frame = enclosingFrame(edit)) {
        if (QMdiArea* area = frame->mdiArea()) area->setActiveSubWindow(frame);
    }
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    // the window system may hand out the activation a moment later
    QPointer<QLineEdit> later = edit;
    QTimer::singleShot(0, edit, [later] {
        if (!later) return;
        if (!later->hasFocus()) {
            later->window()->activateWindow();
            later->setFocus(Qt::OtherFocusReason);
        }
        later->selectAll();
    });
}

// Moves the focus on exactly as a Tab key press at the widget does.
void FieldValidator::moveOn(QWidget* widget, bool backwards)
{
    QKeyEvent tab(QEvent::KeyPress, backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                  backwards ? Qt::ShiftModifier : Qt::NoModifier);
    forwardingTab = true;
    QCoreApplication::sendEvent(widget, &tab);
    forwardingTab = false;
}

}  // namespace kinetra
