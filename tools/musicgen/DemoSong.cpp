// The demo song "Lanterns on the Bay": 22 bars in C major at 100 beats a minute.
#include "tools/musicgen/DemoSong.h"

#include <cmath>
#include <cstdio>

namespace musicgen {

namespace {

// MIDI notes.
constexpr int C4 = 60, D4 = 62, E4 = 64, F4 = 65, G4 = 67, A4 = 69, B4 = 71;
constexpr int C5 = 72, D5 = 74, E5 = 76;
constexpr int kBassOctaveDown = 24;

constexpr int kIntroBars = 4;
constexpr int kVerseBars = 8;
constexpr int kChorusBars = 8;
constexpr int kOutroBars = 2;
constexpr int kBars = kIntroBars + kVerseBars + kChorusBars + kOutroBars;
constexpr double kRingOut = 1.6;  // seconds of the last chord dying away

std::string LrcTime(double dSeconds) {
    const auto nCentis = static_cast<long>(std::lround(dSeconds * 100.0));
    char text[64];
    std::snprintf(text, sizeof(text), "%02ld:%02ld.%02ld", nCentis / 6000, nCentis / 100 % 60,
                  nCentis % 100);
    return text;
}

}  // namespace

DemoSong::DemoSong() {
    const Chord c{C4, {C4, E4, G4}};
    const Chord am{A4 - 12, {A4 - 12, C4, E4}};
    const Chord f{F4 - 12, {F4 - 12, A4 - 12, C4}};
    const Chord g{G4 - 12, {G4 - 12, B4 - 12, D4}};
    m_bars = {c, am, f, g,                 // intro
              c, am, f, g,  c, am, f, g,   // verse
              f, g,  c, am, f, g,  c, am,  // chorus
              f, c};                       // outro

    const int v = kIntroBars;
    const int k = kIntroBars + kVerseBars;
    m_lines = {
        {v,
         {{0, 1, E4, "Lan", false},
          {1, 1, G4, "terns", true},
          {2, 0.5, A4, "on", true},
          {2.5, 0.5, G4, "the", true},
          {3, 2.5, E4, "bay", true}}},
        {v + 2,
         {{0, 1, D4, "Glow", false},
          {1, 1, E4, "ing", true},
          {2, 0.5, F4, "in", true},
          {2.5, 0.5, E4, "the", true},
          {3, 2.5, D4, "night", true}}},
        {v + 4,
         {{0, 0.5, C4, "Ev", false},
          {0.5, 0.5, E4, "ery", true},
          {1, 1, G4, "word", true},
          {2, 1, A4, "we", true},
          {3, 2.5, C5, "sing", true}}},
        {v + 6,
         {{0, 1, B4, "Turns", true},
          {1, 0.5, A4, "the", true},
          {1.5, 0.5, G4, "dark", true},
          {2, 1, F4, "to", true},
          {3, 3, G4, "light", true}}},
        {k,
         {{0, 1.5, C5, "Sing", true},
          {1.5, 0.5, A4, "a", false},
          {2, 1, C5, "long", true},
          {3, 1, D5, "with", true},
          {4, 2.5, B4, "me", true}}},
        {k + 2,
         {{0, 0.5, C5, "Fol", false},
          {0.5, 0.5, B4, "low", true},
          {1, 0.5, A4, "ev", false},
          {1.5, 0.5, G4, "ery", true},
          {2, 3, E4, "line", true}}},
        {k + 4,
         {{0, 1.5, A4, "Gold", true},
          {1.5, 0.5, A4, "a", false},
          {2, 1, C5, "cross", true},
          {3, 0.5, A4, "the", true},
          {3.5, 2.5, D5, "screen", true}}},
        {k + 6, {{0, 1, E5, "Right", true}, {1, 1, D5, "on", true}, {2, 4, C5, "time", true}}},
    };
}

double DemoSong::GetLength() const {
    return kBars * kBeatsPerBar * BeatSeconds() + kRingOut;
}

void DemoSong::Render(Synth& synth) const {
    const double beat = BeatSeconds();
    const double bar = kBeatsPerBar * beat;
    for (int b = 0; b < kBars; ++b) {
        const Chord& chord = m_bars[b];
        const double t = b * bar;
        const bool bLast = b == kBars - 1;
        const bool bChorus = b >= kIntroBars + kVerseBars && b < kBars - kOutroBars;
        // Pad: the chord across the bar, its notes spread over the stereo field.
        const double dPans[] = {-0.6, 0.6, -0.2};
        for (size_t n = 0; n < chord.notes.size(); ++n) {
            synth.Pad(t, bLast ? bar + kRingOut - 0.4 : bar, chord.notes[n], dPans[n % 3],
                      bChorus ? 1.0 : 0.8);
        }
        // Bass: root, a push on the "and" of two, the fifth, the octave.
        const int root = chord.nRoot - kBassOctaveDown + 12;
        if (bLast) {
            synth.Bass(t, 2.0 * beat, root, 1.0);
        } else {
            synth.Bass(t, 1.4 * beat, root, 1.0);
            synth.Bass(t + 1.5 * beat, 0.4 * beat, root, 0.8);
            synth.Bass(t + 2.0 * beat, 0.9 * beat, root + 7, 0.9);
            synth.Bass(t + 3.0 * beat, 0.9 * beat, root + 12, 0.8);
        }
        // Drums: hats from the start, the full kit from bar 3, a busier kick in the chorus.
        for (int e = 0; e < 2 * kBeatsPerBar && !bLast; ++e) {
            synth.HiHat(t + e * beat / 2, 0.4, e % 2 == 0 ? 1.0 : 0.6);
        }
        if (b >= 2 && !bLast) {
            synth.Kick(t, 1.0);
            synth.Kick(t + 2 * beat, 0.9);
            if (bChorus) {
                synth.Kick(t + 2.5 * beat, 0.7);
            }
            synth.Snare(t + beat, -0.2, 1.0);
            synth.Snare(t + 3 * beat, -0.2, 1.0);
        }
        if (bLast) {
            synth.Kick(t, 1.0);
        }
    }
    for (const SungLine& line : m_lines) {
        const double t0 = line.nBar * bar;
        for (const SungNote& note : line.notes) {
            synth.Lead(t0 + note.dBeat * beat, note.dBeats * beat - 0.04, note.nNote, 1.0);
        }
    }
}

std::string DemoSong::ToLrc() const {
    const double beat = BeatSeconds();
    const double bar = kBeatsPerBar * beat;
    std::string lrc =
        "[ti:Lanterns on the Bay]\n"
        "[ar:The Quillet Demo Band]\n"
        "[al:Quillet demo track]\n"
        "[by:Quillet]\n"
        "[length:" +
        LrcTime(GetLength()) + "]\n";
    for (const SungLine& line : m_lines) {
        const double t0 = line.nBar * bar;
        lrc += "[" + LrcTime(t0) + "]";
        double dEnd = t0;
        for (const SungNote& note : line.notes) {
            lrc += "<" + LrcTime(t0 + note.dBeat * beat) + ">" + note.pszSyllable;
            if (note.bWordEnd) {
                lrc += ' ';
            }
            dEnd = t0 + (note.dBeat + note.dBeats) * beat;
        }
        lrc += "<" + LrcTime(dEnd) + ">\n";
    }
    return lrc;
}

}  // namespace musicgen
