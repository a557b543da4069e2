// Zips of test tracks and their audio for the player's track-file tests.
#include "tests/player/app/TrackFilesFixture.h"

#include <QDir>
#include <QLabel>

#include "tests/player/audio/TestMedia.h"

namespace testtracks {

std::vector<uint8_t> TrackFilesFixture::CdgBytes(double dRed, double dGreen, double dLength) {
    const std::string strPath = m_pFolder->Path("colour-track.tmp");
    EXPECT_TRUE(ColourTrack(dRed, dGreen, dLength).WriteCdg(strPath));
    std::vector<uint8_t> bytes = ziptest::ReadBytes(strPath);
    std::remove(strPath.c_str());
    return bytes;
}

std::vector<uint8_t> TrackFilesFixture::AudioBytes(const std::string& strKind, double dSeconds) {
    static std::map<std::pair<std::string, double>, std::vector<uint8_t>> s_cache;
    auto& bytes = s_cache[{strKind, dSeconds}];
    if (bytes.empty()) {
        const testmedia::TempDir dir;
        const std::string strPath = (dir / ("audio." + strKind)).string();
        const bool bMade = strKind == "wav" ? WriteWav(strPath, dSeconds)
                                            : testmedia::MakeTone(strPath, strKind, dSeconds);
        EXPECT_TRUE(bMade) << strKind;
        bytes = ziptest::ReadBytes(strPath);
    }
    return bytes;
}

std::string TrackFilesFixture::MakeZip(const char* pszName,
                                       const std::vector<ziptest::ZipEntry>& entries) {
    const std::string strPath = m_pFolder->Path(pszName);
    EXPECT_TRUE(ziptest::WriteZip(strPath, entries)) << pszName;
    return strPath;
}

std::vector<std::string> TrackFilesFixture::TrackFolders() const {
    std::vector<std::string> folders;
    for (const QString& strName :
         QDir(m_runtime.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        folders.push_back(QDir(m_runtime.path()).filePath(strName).toStdString());
    }
    return folders;
}

QString TrackFilesFixture::CurrentFileLabel() const {
    return static_cast<QLabel*>(m_pDlg->GetDlgItem(IDC_CURRENT_FILE))->text();
}

}  // namespace testtracks
