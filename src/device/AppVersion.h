#pragma once

#include <QString>

// The CMake project version, so the program, kelvora-cli and the package name one version. QtCore only: the
// command-line tool prints it without loading the screens' libraries.
QString appVersion();
