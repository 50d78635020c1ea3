// Settings texts are Latin-1 bytes; these turn them into Qt strings and back.
#pragma once
#include <QString>

#include <string>

inline QString Latin1ToQString(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }
// Characters outside Latin-1 become '?'.
inline std::string QStringToLatin1(const QString& text) { return text.toLatin1().toStdString(); }
