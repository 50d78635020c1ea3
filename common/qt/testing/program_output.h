// A windowed program started the way a script or help2man starts it: with no display at all.
#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testing_support {

// Runs program with args, without QT_QPA_PLATFORM, DISPLAY or WAYLAND_DISPLAY; its standard
// output when it ended by itself with status 0 within 10 s, else "" and a test failure.
QByteArray OutputWithoutADisplay(const QString& program, const QStringList& args);

}  // namespace testing_support
