// Test tracks for the player: CD+G packet files with WAV audio beside them, in a temp folder.
#pragma once

#include <string>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "tools/cdgauthor/CdgTrackWriter.h"

namespace testtracks {

// The Qt application of the test program (offscreen unless told otherwise).
QApplication& App();

// Writes seconds of silent 16-bit stereo 44.1 kHz PCM as a WAV file.
bool WriteWav(const std::string& strPath, double dSeconds);

// A track whose picture turns from black to colour 1 (red) at dRedAt seconds and to colour
// 2 (green) at dGreenAt, padded to dLength seconds of packets.
cdgauthor::CdgTrackWriter ColourTrack(double dRedAt, double dGreenAt, double dLength);

// A temporary folder that also holds this test's settings.
class CTestFolder {
public:
    CTestFolder();
    std::string Path(const char* pszName) const;
    const QTemporaryDir& Dir() const { return m_dir; }

private:
    QTemporaryDir m_dir;
};

}  // namespace testtracks
