// DemoSong: the bundled demo's score (chords, bass, drums, the sung melody with its words),
// rendered to audio and written out as timed lyrics that match the melody exactly.
#pragma once

#include <string>
#include <vector>

#include "tools/musicgen/Synth.h"

namespace musicgen {

class DemoSong {
public:
    static constexpr double kBeatsPerMinute = 100.0;
    static constexpr int kBeatsPerBar = 4;

    // One sung note: its syllable, and whether a word ends with it.
    struct SungNote {
        double dBeat;   // from the start of its line
        double dBeats;  // length
        int nNote;      // MIDI note
        const char* pszSyllable;
        bool bWordEnd;
    };
    struct SungLine {
        int nBar;  // the bar the line starts in
        std::vector<SungNote> notes;
    };

    DemoSong();

    static double BeatSeconds() { return 60.0 / kBeatsPerMinute; }
    double GetLength() const;
    const std::vector<SungLine>& GetLines() const { return m_lines; }

    // Renders the whole arrangement into a synth of GetLength() seconds.
    void Render(Synth& synth) const;
    // The lyrics as LRC with word timings.
    std::string ToLrc() const;

private:
    struct Chord {
        int nRoot;               // MIDI note of the bass root
        std::vector<int> notes;  // the pad's notes
    };

    std::vector<Chord> m_bars;  // one chord a bar
    std::vector<SungLine> m_lines;
};

}  // namespace musicgen
