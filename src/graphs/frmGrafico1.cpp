// PLACEHOLDER: the owner of this window replaces this file.
#include "graphs/frmGrafico1.h"

namespace kinetra {

frmGrafico1::frmGrafico1(Shell& hub, QWidget* parent) : ChildForm(parent), shell(hub)
{
    setWindowTitle(QStringLiteral("frmGrafico1"));
}

}  // namespace kinetra
