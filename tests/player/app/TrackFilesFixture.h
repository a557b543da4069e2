// A player whose unpacked tracks go to a runtime folder of the test's own, with zips of
// test tracks and encoded audio made on the fly.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "tests/player/app/DlgFixture.h"
#include "tests/player/archive/ZipBuilder.h"

namespace testtracks {

class TrackFilesFixture : public PlayerFixture {
protected:
    void SetUp() override {
        m_strOldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
        PlayerFixture::SetUp();
    }
    void TearDown() override {
        PlayerFixture::TearDown();
        qputenv("XDG_RUNTIME_DIR", m_strOldRuntime);
    }

    // The bytes of a colour track (see ColourTrack).
    std::vector<uint8_t> CdgBytes(double dRed, double dGreen, double dLength);
    // The bytes of dSeconds of audio of a kind ("wav", "mp3", "wma", "ogg", "flac", "m4a");
    // the same kind and length are encoded once per test program.
    std::vector<uint8_t> AudioBytes(const std::string& strKind, double dSeconds);
    // A zip in the test folder; its path.
    std::string MakeZip(const char* pszName, const std::vector<ziptest::ZipEntry>& entries);
    // The track folders under the test's runtime folder.
    std::vector<std::string> TrackFolders() const;
    QString CurrentFileLabel() const;

    QTemporaryDir m_runtime;
    QByteArray m_strOldRuntime;
};

}  // namespace testtracks
