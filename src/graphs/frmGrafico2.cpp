// PLACEHOLDER: the owner of this window replaces this file.
#include "graphs/frmGrafico2.h"

namespace kinetra {

frmGrafico2::frmGrafico2(Shell& hub, QWidget* parent) : ChildForm(parent), shell(hub)
{
    setWindowTitle(QStringLiteral("frmGrafico2"));
}

}  // namespace kinetra
