#pragma once
// Focus-leave validation, shared by every window with validated fields.
//
// A validated field is checked when the focus is about to leave it: by Tab or Backtab, by
// Enter (which moves on exactly as Tab does), or by a mouse press elsewhere in the field's
// window on something that takes the focus (another field, a button, an option, another
// child window). The check runs BEFORE the focus moves: it is an application event filter
// that looks at key presses at the focused field and at mouse presses where a real mouse
// delivers them, the field's QWindow. So a clicked button does not fire while the value is
// wrong. Clicks on labels, on disabled controls or on the window's own frame move no focus
// and check nothing, nor does the window losing the activation.
//
// check() shows its own message (through the platform) and returns false to keep the
// focus; the event is then swallowed, the window re-activated, the focus kept in the field
// and its whole text selected. It returns true to let the focus go.
//
// Works for fields in the main window's child windows and in top-level modal dialogs. A
// check that opens a modal window of its own is not re-entered while it runs.
//
// In tests, click through the window (QTest::mouseClick(w->window()->windowHandle(), ...)):
// QTest::mouseClick on a widget bypasses the window level and moves the focus unchecked.

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class QLineEdit;
class QMouseEvent;
class QWidget;
class QWindow;

namespace kinetra {

class FieldValidator : public QObject {
    Q_OBJECT
public:
    explicit FieldValidator(QWidget* form);
    ~FieldValidator() override;

    // Validates the field with check() whenever the focus is about to leave it.
    void addField(QLineEdit* field, std::function<bool()> check);
    // Enter in this (unvalidated) field moves the focus on as Tab does.
    void addEnterAsTab(QWidget* field);
    // The field selects its whole text whenever it receives the focus, so typing replaces it.
    void addSelectAllOnEntry(QLineEdit* field);

    // Runs the check of a registered field now, as if the focus were leaving it, and keeps
    // the focus there when it fails (for a window's own commands). True when accepted.
    bool validateNow(QLineEdit* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Field {
        QPointer<QLineEdit> edit;
        std::function<bool()> check;
    };

    Field* fieldOf(QObject* widget);
    bool isEnterAsTab(QObject* widget) const;
    bool keyPress(QWidget* widget, QEvent* event);
    bool mousePress(QWindow* window, QMouseEvent* event);
    bool runCheck(Field& field);
    void keepFocus(QLineEdit* edit);
    void moveOn(QWidget* widget, bool backwards);

    QPointer<QWidget> form;
    std::vector<Field> fields;
    std::vector<QPointer<QWidget>> enterAsTab;
    std::vector<QPointer<QLineEdit>> selectOnEntry;
    bool checking = false;
    bool forwardingTab = false;
};

}  // namespace kinetra
