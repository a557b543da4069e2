// Tests of the demo song generator: the synth's pitch, pan and WAV output, and lyrics that
// match the sung melody.
#include <cmath>
#include <cstdio>
#include <numeric>

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include "tools/lrc2cdg/LrcParser.h"
#include "tools/musicgen/DemoSong.h"
#include "tools/musicgen/Synth.h"

namespace {

using musicgen::DemoSong;
using musicgen::Synth;

double Energy(const Synth& synth, double dFrom, double dTo, bool bLeft) {
    double sum = 0.0;
    const auto nFirst = static_cast<size_t>(dFrom * Synth::kSampleRate);
    const auto nLast =
        std::min(synth.GetFrameCount(), static_cast<size_t>(dTo * Synth::kSampleRate));
    for (size_t i = nFirst; i < nLast; ++i) {
        const double s = bLeft ? synth.GetLeft(i) : synth.GetRight(i);
        sum += s * s;
    }
    return sum;
}

// Zero crossings a second of the left channel: twice the frequency of a pure tone.
double CrossingRate(const Synth& synth, double dFrom, double dTo) {
    int nCrossings = 0;
    const auto nFirst = static_cast<size_t>(dFrom * Synth::kSampleRate);
    const auto nLast = static_cast<size_t>(dTo * Synth::kSampleRate);
    for (size_t i = nFirst + 1; i < nLast; ++i) {
        nCrossings += (synth.GetLeft(i - 1) < 0.0f) != (synth.GetLeft(i) < 0.0f) ? 1 : 0;
    }
    return nCrossings / (dTo - dFrom);
}

TEST(SynthTest, NotesHaveTheirPitch) {
    EXPECT_DOUBLE_EQ(Synth::NoteFrequency(69), 440.0);
    EXPECT_NEAR(Synth::NoteFrequency(60), 261.626, 1e-3);
    EXPECT_NEAR(Synth::NoteFrequency(81), 880.0, 1e-9);
    // The bass is nearly a pure tone: its zero crossings give its pitch.
    Synth synth(1.0);
    synth.Bass(0.0, 0.9, 45, 1.0);  // A2, 110 Hz
    EXPECT_NEAR(CrossingRate(synth, 0.1, 0.8) / 2.0, 110.0, 3.0);
}

TEST(SynthTest, PanPlacesTheSound) {
    Synth synth(2.0);
    synth.Pad(0.0, 0.5, 60, -1.0, 1.0);  // hard left
    synth.HiHat(1.0, 1.0, 1.0);          // hard right
    EXPECT_GT(Energy(synth, 0.0, 0.9, true), 1.0);
    EXPECT_LT(Energy(synth, 0.0, 0.9, false), 1e-6);
    EXPECT_LT(Energy(synth, 1.0, 1.1, true), 1e-6);
    EXPECT_GT(Energy(synth, 1.0, 1.1, false), 0.01);
    // The lead sits in the centre: both channels alike.
    Synth lead(1.0);
    lead.Lead(0.0, 0.5, 67, 1.0);
    EXPECT_NEAR(Energy(lead, 0.0, 1.0, true), Energy(lead, 0.0, 1.0, false), 1e-3);
}

TEST(SynthTest, NormalisedMixIsWrittenAsSixteenBitStereo) {
    Synth synth(0.5);
    synth.Kick(0.0, 3.0);
    synth.Normalise(0.5);
    float peak = 0.0f;
    for (size_t i = 0; i < synth.GetFrameCount(); ++i) {
        peak = std::max({peak, std::fabs(synth.GetLeft(i)), std::fabs(synth.GetRight(i))});
    }
    EXPECT_NEAR(peak, 0.5f, 1e-6);

    char name[] = "/tmp/musicgen-test-XXXXXX";
    close(mkstemp(name));
    std::string error;
    ASSERT_TRUE(synth.WriteWav(name, error)) << error;
    SF_INFO info{};
    SNDFILE* pFile = sf_open(name, SFM_READ, &info);
    ASSERT_NE(pFile, nullptr);
    EXPECT_EQ(info.samplerate, Synth::kSampleRate);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(info.frames, static_cast<sf_count_t>(synth.GetFrameCount()));
    sf_close(pFile);
    std::remove(name);
    EXPECT_FALSE(synth.WriteWav("/nonexistent/dir/out.wav", error));
    EXPECT_FALSE(error.empty());
}

TEST(DemoSongTest, LyricsFollowTheMelody) {
    const DemoSong song;
    lrc2cdg::LrcSong lyrics;
    std::string error;
    ASSERT_TRUE(lrc2cdg::LrcParser::Parse(song.ToLrc(), lyrics, error)) << error;
    EXPECT_EQ(lyrics.title, "Lanterns on the Bay");
    EXPECT_NEAR(lyrics.dLength, song.GetLength(), 0.01);
    EXPECT_GE(song.GetLength(), 30.0);
    EXPECT_LE(song.GetLength(), 60.0);
    ASSERT_EQ(lyrics.lines.size(), song.GetLines().size());
    const double beat = DemoSong::BeatSeconds();
    for (size_t l = 0; l < lyrics.lines.size(); ++l) {
        const auto& sung = song.GetLines()[l];
        const auto& line = lyrics.lines[l];
        ASSERT_EQ(line.words.size(), sung.notes.size());
        const double t0 = sung.nBar * DemoSong::kBeatsPerBar * beat;
        for (size_t n = 0; n < sung.notes.size(); ++n) {
            EXPECT_NEAR(line.words[n].dStart, t0 + sung.notes[n].dBeat * beat, 0.005);
            EXPECT_NE(line.words[n].text.find(sung.notes[n].pszSyllable), std::string::npos);
        }
        EXPECT_LE(line.Text().size(), 24u);
    }
}

TEST(DemoSongTest, RenderingIsRepeatableAndTheLeadIsHeardWhereItSings) {
    const DemoSong song;
    Synth first(song.GetLength());
    Synth second(song.GetLength());
    song.Render(first);
    song.Render(second);
    for (size_t i = 0; i < first.GetFrameCount(); i += 997) {
        ASSERT_EQ(first.GetLeft(i), second.GetLeft(i)) << i;
    }
    // The instrumental intro is quieter than the sung first verse line.
    const auto& line = song.GetLines().front();
    const double t0 = line.nBar * DemoSong::kBeatsPerBar * DemoSong::BeatSeconds();
    EXPECT_GT(Energy(first, t0, t0 + 2.0, true), 1.5 * Energy(first, t0 - 2.5, t0 - 0.5, true));
}

}  // namespace
