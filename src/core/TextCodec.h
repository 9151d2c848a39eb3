#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/// Decodes file bytes in the locale's encoding; bytes that are not valid there are read as
/// Windows-1252, so an old file never fails to load.
QString DecodeText(const QByteArray& bytes);
/// Encodes text in the locale's encoding.
QByteArray EncodeText(QStringView text);
/// Decodes Windows-1252 (Latin-1 with its own 0x80-0x9F).
QString DecodeWindows1252(const QByteArray& bytes);
/// Splits at CR LF, a bare CR and a bare LF; a final line end gives no extra empty line.
QList<QStringView> SplitLines(QStringView text);
/// Each line followed by CR LF, encoded in the locale's encoding.
QByteArray JoinLines(const QStringList& lines);
