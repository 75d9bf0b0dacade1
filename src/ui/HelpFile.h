#pragma once
// Where the help file "helpkinetra.hlp" is looked for.
//
// A window's Help button asks for <helpPath>/helpkinetra.hlp (the data entry window first
// sets helpPath to the current directory). When that file is not there, the viewer takes
// the copy installed with the program, looked up in this order:
//   <program folder>/../share/kinetra   the Debian package, `cmake --install` under any prefix
//   the install folder compiled in       an install whose program was moved away from it
//   the source help/ folder              a program run from its build tree

#include <QString>
#include <QStringList>
#include <string>

namespace kinetra {

// helpDir + "/helpkinetra.hlp"; the file name with its separator alone while helpDir is empty.
QString helpFileIn(const std::string& helpDir);

// The folders above, in that order, without duplicates.
QStringList installedHelpDirectories();

}  // namespace kinetra
