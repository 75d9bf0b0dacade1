#include "ui/HelpFile.h"

#include <QCoreApplication>
#include <QDir>

namespace kinetra {

QString helpFileIn(const std::string& helpDir)
{
    return QString::fromStdString(helpDir) + QStringLiteral("/helpkinetra.hlp");
}

QStringList installedHelpDirectories()
{
    QStringList dirs;
    if (QCoreApplication::instance())
        dirs << QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/kinetra"));
#ifdef KINETRA_HELP_INSTALL_DIR
    dirs << QStringLiteral(KINETRA_HELP_INSTALL_DIR);
#endif
#ifdef KINETRA_SOURCE_HELP_DIR
    dirs << QStringLiteral(KINETRA_SOURCE_HELP_DIR);
#endif
    dirs.removeDuplicates();
    return dirs;
}

}  // namespace kinetra
