#pragma once
// The menu: a child window without a close box, left only through its two buttons.
// It places itself centred in the main window's current outer size whenever it is created.

#include "ui/ChildForm.h"
#include "ui/Shell.h"

class QPushButton;

namespace kinetra {

class frmMenu : public ChildForm {
    Q_OBJECT
public:
    explicit frmMenu(Shell& hub, QWidget* parent = nullptr);

    QPushButton* cmdMenCalcula = nullptr;
    QPushButton* cmdMenSaida = nullptr;

private:
    void createControls();
    void connectHandlers();
    void Form_Load();
    void cmdMenCalcula_Click();
    void cmdMenSaida_Click();

    Shell& shell;
};

}  // namespace kinetra
