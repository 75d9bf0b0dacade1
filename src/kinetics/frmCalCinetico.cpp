// PLACEHOLDER: the owner of this window replaces this file.
#include "kinetics/frmCalCinetico.h"

namespace kinetra {

frmCalCinetico::frmCalCinetico(Shell& hub, QWidget* parent) : ChildForm(parent), shell(hub)
{
    setWindowTitle(QStringLiteral("frmCalCinetico"));
}

}  // namespace kinetra
