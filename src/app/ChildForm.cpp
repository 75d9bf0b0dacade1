// PLACEHOLDER: the hub's owner completes this file.
#include "app/ChildForm.h"
#include "platform/Platform.h"

namespace kinetra {

void ChildForm::setFormGeometry(double, double, double widthTwips, double heightTwips)
{
    resize(twipsToPixels(widthTwips), twipsToPixels(heightTwips));
}
void ChildForm::setClientSizeTwips(double widthTwips, double heightTwips)
{
    resize(twipsToPixels(widthTwips), twipsToPixels(heightTwips));
}
void ChildForm::setHasCloseBox(bool) {}

}  // namespace kinetra
