// CSoundFile base behaviour.
#include "tindlib/SoundFile.h"

#include <algorithm>
#include <cmath>

namespace tindlib {

bool CSoundFile::Open(const std::string& strPath, unsigned nMode) {
    m_strPath = strPath;
    m_nMode = nMode;
    m_bOpen = true;
    return true;
}

bool CSoundFile::Close() {
    m_bOpen = false;
    return true;
}

int64_t CSoundFile::Read(void*, int64_t) {
    return 0;
}

int64_t CSoundFile::Write(const void*, int64_t) {
    return 0;
}

int64_t CSoundFile::Seek(int64_t, int) {
    return -1;
}

std::string CSoundFile::GetName() const {
    const auto nSlash = m_strPath.find_last_of('/');
    return nSlash == std::string::npos ? m_strPath : m_strPath.substr(nSlash + 1);
}

int64_t CSoundFile::TimeToSample(double dSeconds) const {
    if (!std::isfinite(dSeconds)) {
        return 0;
    }
    const double dFrames = dSeconds * m_format.nSamplesPerSec;
    constexpr double kLimit = 9.0e18;  // keeps llround inside int64_t
    return std::llround(std::clamp(dFrames, -kLimit, kLimit));
}

double CSoundFile::SampleToTime(int64_t nFrame) const {
    if (m_format.nSamplesPerSec == 0) {
        return 0.0;
    }
    return static_cast<double>(nFrame) / m_format.nSamplesPerSec;
}

}  // namespace tindlib
