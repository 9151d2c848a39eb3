#pragma once

#include <QString>
#include <QStringList>

/// The arguments of a desktop entry's Exec value as a desktop's launcher reads them: string escapes
/// undone, quotes removed, "%%" made "%".
QStringList ParseDesktopExec(const QString& execValue);
