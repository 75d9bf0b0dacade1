#pragma once
// PLACEHOLDER: the owner of this window replaces this file.

#include "app/ChildForm.h"
#include "app/Shell.h"

namespace kinetra {

class frmCalCinetico : public ChildForm {
    Q_OBJECT
public:
    explicit frmCalCinetico(Shell& hub, QWidget* parent = nullptr);

private:
    Shell& shell;
};

}  // namespace kinetra
