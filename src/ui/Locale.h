#pragma once
// Numbers typed by the user, shown in the windows and written into reports use the decimal
// separator of the user's locale (QLocale(), which follows QLocale::setDefault).

namespace kinetra {

// The comma when the locale's decimal point is the comma, otherwise the point: the number
// forms write and read these two only.
char localeDecimalSeparator();

}  // namespace kinetra
