// The one QApplication of a Qt test program.
#pragma once

#include <QApplication>

// Made on first use (on the offscreen platform unless QT_QPA_PLATFORM says otherwise) and
// deleted after the last test, before Qt's own globals go at static destruction.
QApplication& TestApplication();
