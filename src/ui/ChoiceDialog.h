#pragma once
// The family of yes/no choice dialogs: one class driven by a table of seven descriptions.
// "Continue" (Command1) only hides the dialog, which ends its modal showing and keeps the
// options as they are for the next showing; the close box marks the dialog as closed so
// that the hub destroys it (its answer is then forgotten). Escape does nothing: the
// dialogs have no cancel button. Enter on an option presses "Continue".

#include <QDialog>
#include <QString>
#include <vector>

#include "ui/ChoiceId.h"

class QLabel;
class QPushButton;
class QRadioButton;

namespace kinetra {

struct ChoiceOptionDescription {
    const char* name;  // object name: "optyes", "optno", "optdelete", ...
    QString caption;
    int tabIndex;
    double left, top, width, height;  // twips, client coordinates
};

enum class ChoicePlacement {
    SystemDefault,  // where the desktop puts a dialog (over the main window)
    ScreenCentre,
    Fixed,          // at `left`, `top` of the screen, outer frame
};

struct ChoiceDescription {
    ChoiceId id;
    const char* name;  // the dialog's own name, also its object name
    QString caption;
    QString question;
    double questionTop, questionHeight;  // twips; the question is centred across the dialog
    std::vector<ChoiceOptionDescription> options;
    int continueTabIndex;
    double continueLeft, continueTop, continueWidth, continueHeight;
    double continuePointSize;
    const char* firstFocus;  // object name of the control that has the focus on first opening
    double clientWidth, clientHeight;
    bool fixedFrame;  // fixed dialog frame without minimise and maximise buttons
    ChoicePlacement placement;
    double left, top;  // twips, for ChoicePlacement::Fixed
};

// The description of one member of the family.
const ChoiceDescription& choiceDescription(ChoiceId id);
// All seven, in the order of ChoiceId.
const std::vector<ChoiceDescription>& choiceDescriptions();

class ChoiceDialog : public QDialog {
    Q_OBJECT
public:
    explicit ChoiceDialog(ChoiceId id, QWidget* parent = nullptr);

    ChoiceId id() const { return description.id; }
    // Object name of the option selected, or an empty text when none is.
    QString selectedOption() const;
    // Whether the last showing ended by the close box (the hub then destroys the dialog).
    bool closedByCloseBox() const { return closedByUser; }
    // Shows the dialog modally until "Continue" or the close box.
    int exec() override;

    QLabel* Label1 = nullptr;
    QPushButton* Command1 = nullptr;
    std::vector<QRadioButton*> options;  // in the description's order

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void connectHandlers();
    void setTabOrderByIndex();
    void Command1_Click();

    const ChoiceDescription& description;
    bool closedByUser = false;
    bool shownBefore = false;
};

}  // namespace kinetra
