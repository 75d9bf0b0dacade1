// PLACEHOLDER: the owner of this window replaces this file.
#include "entry/frmEntDados.h"

namespace kinetra {

frmEntDados::frmEntDados(Shell& hub, QWidget* parent) : ChildForm(parent), shell(hub)
{
    setWindowTitle(QStringLiteral("frmEntDados"));
}

}  // namespace kinetra
