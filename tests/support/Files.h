#pragma once

#include <QByteArray>
#include <QString>

/// Writes bytes as the whole file at path; a file that cannot be written fails the test.
void writeFile(const QString& path, const QByteArray& bytes);
/// The whole file at path, or "<missing>" when it cannot be read.
QByteArray readFile(const QString& path);
