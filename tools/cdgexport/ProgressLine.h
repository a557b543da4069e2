// The progress shown while exporting: a line for a terminal and a plain one for programs.
#pragma once

#include <string>

#include "tools/cdgexport/VideoExporter.h"

namespace cdgexport {

// Speed as media seconds per wall second (0 until measurable), and the seconds left at
// that speed (negative when unknown).
double ExportSpeed(const ExportProgress& progress);
double SecondsLeft(const ExportProgress& progress);

// " 42%  25.3x real time  0:07 left" (the terminal's line, without the carriage return).
std::string FormatProgressLine(const ExportProgress& progress);
// "42.0 25.3 7": percent, speed and whole seconds left (-1 when unknown).
std::string FormatProgressRecord(const ExportProgress& progress);

}  // namespace cdgexport
