// Test tracks: WAV writing and the colour-change track.
#include "tests/player/app/TestTracks.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/TestApplication.h"
#include "tools/cdgauthor/CdgPacketBuilder.h"

namespace testtracks {

QApplication& App() {
    if (qEnvironmentVariableIsEmpty("TINDLIB_AUDIO_SINK")) {
        qputenv("TINDLIB_AUDIO_SINK", "fakesink sync=true");
    }
    return TestApplication();
}

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t n) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(n >> (8 * i)));
    }
}

void Put16(std::vector<uint8_t>& out, uint16_t n) {
    out.push_back(static_cast<uint8_t>(n));
    out.push_back(static_cast<uint8_t>(n >> 8));
}

}  // namespace

bool WriteWav(const std::string& strPath, double dSeconds) {
    constexpr uint32_t kRate = 44100;
    constexpr uint16_t kChannels = 2;
    constexpr uint16_t kBlockAlign = kChannels * 2;
    const auto nFrames = static_cast<uint32_t>(dSeconds * kRate);
    const uint32_t nData = nFrames * kBlockAlign;
    std::vector<uint8_t> header;
    header.insert(header.end(), {'R', 'I', 'F', 'F'});
    Put32(header, 36 + nData);
    header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(header, 16);
    Put16(header, 1);
    Put16(header, kChannels);
    Put32(header, kRate);
    Put32(header, kRate * kBlockAlign);
    Put16(header, kBlockAlign);
    Put16(header, 16);
    header.insert(header.end(), {'d', 'a', 't', 'a'});
    Put32(header, nData);
    FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (pFile == nullptr) {
        return false;
    }
    bool bOk = std::fwrite(header.data(), 1, header.size(), pFile) == header.size();
    const std::vector<uint8_t> silence(nData, 0);
    bOk = bOk && std::fwrite(silence.data(), 1, silence.size(), pFile) == silence.size();
    return std::fclose(pFile) == 0 && bOk;
}

cdgauthor::CdgTrackWriter ColourTrack(double dRedAt, double dGreenAt, double dLength) {
    using cdgauthor::CdgTrackWriter;
    CdgTrackWriter writer;
    writer.Put(0, cdgauthor::LoadColors(false, {0x000, 0xF00, 0x0F0, 0, 0, 0, 0, 0}));
    writer.Put(1, cdgauthor::MemoryPreset(0));
    writer.PutFrom(CdgTrackWriter::PacketAt(dRedAt), cdgauthor::MemoryPreset(1));
    writer.PutFrom(CdgTrackWriter::PacketAt(dGreenAt), cdgauthor::MemoryPreset(2));
    writer.PadTo(CdgTrackWriter::PacketAt(dLength));
    return writer;
}

CTestFolder::CTestFolder() {
    // Settings of the test program go to the temp folder, never the user's own.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
    QCoreApplication::setOrganizationName(QStringLiteral("Quillet"));
    QCoreApplication::setApplicationName(QStringLiteral("playerapp_test"));
}

std::string CTestFolder::Path(const char* pszName) const {
    return m_dir.filePath(QString::fromUtf8(pszName)).toStdString();
}

}  // namespace testtracks
