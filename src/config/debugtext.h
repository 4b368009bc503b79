#pragma once

#include <QString>

// A text as QDebug writes it: in double quotes, '"' and '\\' escaped and
// what is not printable written as an escape sequence. Printable ASCII, the
// paths of almost every link file, is quoted in one step; anything else
// goes through QDebug itself. The link reader writes several such lines per
// file, and QDebug's own scan of each character cost more than the rest of
// a small file's reading.
//
// Use with noquote(): qDebug().noquote() << "Icon:" << debugQuoted(path);
QString debugQuoted(const QString &text);
