#include "ui/Locale.h"

#include <QLocale>

namespace kinetra {

char localeDecimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    if (point.size() != 1) return '.';
    const char16_t c = point.at(0).unicode();
    return c == u',' ? ',' : '.';
}

}  // namespace kinetra
