// The audio lookup beside a track: raw images, wav before mp3 before wma, else silence.
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "player/app/AudioLookup.h"
#include "player/audio/DecodedSoundFile.h"
#include "player/audio/SilentSoundFile.h"
#include "tindlib/BinFile.h"
#include "tindlib/WaveFile.h"

namespace {

class AudioLookupTest : public ::testing::Test {
protected:
    std::string Touch(const char* pszName) {
        const QString strPath = m_dir.filePath(QString::fromUtf8(pszName));
        QFile file(strPath);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return strPath.toStdString();
    }
    std::string Path(const char* pszName) const {
        return m_dir.filePath(QString::fromUtf8(pszName)).toStdString();
    }
    QTemporaryDir m_dir;
};

TEST_F(AudioLookupTest, RawImageIsItsOwnAudioWhateverTheCase) {
    for (const char* pszName : {"track.bin", "TRACK.BIN", "track.Bin", "trackbin"}) {
        const AudioChoice choice = FindAudio(Path(pszName));
        EXPECT_EQ(choice.source, EAudioSource::Bin) << pszName;
        EXPECT_EQ(choice.strPath, Path(pszName)) << pszName;
    }
}

TEST_F(AudioLookupTest, WaveBeatsMp3BeatsWma) {
    const std::string strTrack = Touch("song.cdg");
    const std::string strWma = Touch("song.wma");
    EXPECT_EQ(FindAudio(strTrack).source, EAudioSource::Wma);
    EXPECT_EQ(FindAudio(strTrack).strPath, strWma);
    const std::string strMp3 = Touch("song.mp3");
    EXPECT_EQ(FindAudio(strTrack).source, EAudioSource::Mp3);
    EXPECT_EQ(FindAudio(strTrack).strPath, strMp3);
    const std::string strWav = Touch("song.wav");
    EXPECT_EQ(FindAudio(strTrack).source, EAudioSource::Wave);
    EXPECT_EQ(FindAudio(strTrack).strPath, strWav);
}

TEST_F(AudioLookupTest, OtherTitlesDoNotCountAndNothingMeansSilence) {
    const std::string strTrack = Touch("song.cdg");
    Touch("other.wav");
    Touch("song.cdg.wav");
    const AudioChoice choice = FindAudio(strTrack);
    EXPECT_EQ(choice.source, EAudioSource::Silence);
    EXPECT_EQ(choice.strPath, Path("song.m4a")) << "the last candidate looked at";
}

TEST_F(AudioLookupTest, LaterKindsComeAfterTheFirstThreeInTheirOrder) {
    // Added from the last kind looked for to the first: each new file takes over.
    struct Step {
        const char* pszName;
        EAudioSource source;
    };
    const Step steps[] = {
        {"song.m4a", EAudioSource::M4a}, {"song.flac", EAudioSource::Flac},
        {"song.ogg", EAudioSource::Ogg}, {"song.wma", EAudioSource::Wma},
        {"song.mp3", EAudioSource::Mp3}, {"song.wav", EAudioSource::Wave},
    };
    const std::string strTrack = Touch("song.cdg");
    for (const Step& step : steps) {
        const std::string strAudio = Touch(step.pszName);
        const AudioChoice choice = FindAudio(strTrack);
        EXPECT_EQ(choice.source, step.source) << step.pszName;
        EXPECT_EQ(choice.strPath, strAudio) << step.pszName;
    }
}

TEST(AudioLookup, EachKindMakesItsSource) {
    EXPECT_NE(dynamic_cast<tindlib::CBinFile*>(MakeSoundFile(EAudioSource::Bin).get()), nullptr);
    EXPECT_NE(dynamic_cast<tindlib::CWaveFile*>(MakeSoundFile(EAudioSource::Wave).get()), nullptr);
    EXPECT_NE(dynamic_cast<CDecodedSoundFile*>(MakeSoundFile(EAudioSource::Mp3).get()), nullptr);
    for (EAudioSource source :
         {EAudioSource::Wma, EAudioSource::Ogg, EAudioSource::Flac, EAudioSource::M4a}) {
        EXPECT_NE(dynamic_cast<CDecodedSoundFile*>(MakeSoundFile(source).get()), nullptr)
            << static_cast<int>(source);
    }
    EXPECT_NE(dynamic_cast<CSilentSoundFile*>(MakeSoundFile(EAudioSource::Silence).get()), nullptr);
}

}  // namespace
