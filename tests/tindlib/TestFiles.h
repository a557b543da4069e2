// Scratch folders and sound files for the tests of the sound sources and the output.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sndfile.h>

namespace testfiles {

// A fresh folder of its own, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "tindlib-XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr) {
            ADD_FAILURE() << "no scratch folder";
        }
        m_path = tmpl;
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Interleaved 16-bit samples written by libsndfile in the given format.
inline void WriteSound(const std::filesystem::path& path, const std::vector<int16_t>& pcm,
                       int nChannels, int nRate, int nFormat = SF_FORMAT_WAV | SF_FORMAT_PCM_16) {
    SF_INFO info{};
    info.channels = nChannels;
    info.samplerate = nRate;
    info.format = nFormat;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(sf_write_short(f, pcm.data(), static_cast<sf_count_t>(pcm.size())),
              static_cast<sf_count_t>(pcm.size()));
    sf_close(f);
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testfiles
