// LRC parsing: ID tags, line time tags (several per line allowed) and <mm:ss.xx> word tags.
#include "tools/lrc2cdg/LrcParser.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <sstream>

namespace lrc2cdg {

namespace {

constexpr double kMillisecondsPerSecond = 1000.0;
constexpr int kSecondsPerMinute = 60;

std::string Trim(const std::string& text) {
    const size_t nFirst = text.find_first_not_of(" \t");
    if (nFirst == std::string::npos) {
        return std::string();
    }
    return text.substr(nFirst, text.find_last_not_of(" \t") - nFirst + 1);
}

bool AllDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](unsigned char c) { return std::isdigit(c) != 0; });
}

// A line as read, before the end times are known.
struct RawLine {
    int nSourceLine = 0;
    double dStart = 0.0;
    bool bWordTimed = false;
    bool bEndMarked = false;  // a closing <time> after the last piece
    double dEndMark = 0.0;
    std::vector<LrcWord> words;  // ends filled in later
};

std::string At(int nLine, const std::string& message) {
    return "line " + std::to_string(nLine) + ": " + message;
}

// Splits "<t1> a <t2> b <t3>" into timed pieces; text before the first tag belongs to
// the line's own time.
bool ParseWords(const std::string& body, double dLineStart, int nLine, RawLine& raw,
                std::string& error) {
    size_t pos = 0;
    double dTime = dLineStart;
    bool bHaveTag = false;
    std::string pending;
    const auto flush = [&]() {
        if (!Trim(pending).empty()) {
            raw.words.push_back({dTime, 0.0, pending});
        } else if (bHaveTag && !raw.words.empty()) {
            // Blanks between tags belong to the piece before.
            raw.words.back().text += pending;
        }
        pending.clear();
    };
    while (pos < body.size()) {
        if (body[pos] != '<') {
            pending += body[pos++];
            continue;
        }
        const size_t close = body.find('>', pos);
        double dTag = 0.0;
        if (close == std::string::npos ||
            !LrcParser::ParseTime(body.substr(pos + 1, close - pos - 1), dTag)) {
            error = At(nLine, "bad word time tag at \"" + body.substr(pos, 12) + "\"");
            return false;
        }
        flush();
        if (dTag < dTime || dTag < dLineStart) {
            error = At(nLine, "word time " + body.substr(pos, close - pos + 1) +
                                  " is earlier than the one before it");
            return false;
        }
        dTime = dTag;
        bHaveTag = true;
        raw.bWordTimed = true;
        pos = close + 1;
    }
    if (!Trim(pending).empty()) {
        raw.words.push_back({dTime, 0.0, pending});
    } else if (bHaveTag && !raw.words.empty() && raw.words.back().dStart < dTime) {
        raw.bEndMarked = true;
        raw.dEndMark = dTime;
    }
    return true;
}

bool ReadIdTag(const std::string& tag, double& dOffset, LrcSong& song, int nLine,
               std::string& error) {
    const size_t colon = tag.find(':');
    std::string key = tag.substr(0, colon);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string value = Trim(tag.substr(colon + 1));
    if (key == "ti") {
        song.title = value;
    } else if (key == "ar") {
        song.artist = value;
    } else if (key == "al") {
        song.album = value;
    } else if (key == "by") {
        song.author = value;
    } else if (key == "length") {
        if (!LrcParser::ParseTime(value, song.dLength)) {
            error = At(nLine, "bad length \"" + value + "\"");
            return false;
        }
    } else if (key == "offset") {
        const std::string digits =
            value.size() > 0 && (value[0] == '+' || value[0] == '-') ? value.substr(1) : value;
        if (!AllDigits(digits) || digits.size() > 7) {
            error = At(nLine, "bad offset \"" + value + "\"");
            return false;
        }
        // A positive offset shows the lyrics earlier.
        const double dMagnitude = std::stod(digits) / kMillisecondsPerSecond;
        dOffset = value[0] == '-' ? -dMagnitude : dMagnitude;
    }
    return true;
}

}  // namespace

std::string LrcLine::Text(std::vector<LrcPieceRange>* pRanges) const {
    std::string text;
    bool bBlankDue = false;
    if (pRanges) {
        pRanges->clear();
    }
    for (const LrcWord& word : words) {
        const std::string core = Trim(word.text);
        const bool bLeadingBlank =
            !word.text.empty() && (word.text[0] == ' ' || word.text[0] == '\t');
        bBlankDue = bBlankDue || bLeadingBlank;
        if (!core.empty() && bBlankDue && !text.empty()) {
            text += ' ';
        }
        if (pRanges) {
            pRanges->push_back({text.size(), core.size()});
        }
        text += core;
        if (!core.empty()) {
            const char last = word.text.back();
            bBlankDue = last == ' ' || last == '\t';
        }
    }
    return text;
}

bool LrcParser::ParseTime(const std::string& text, double& dSeconds) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return false;
    }
    const std::string minutes = text.substr(0, colon);
    std::string rest = text.substr(colon + 1);
    std::string fraction;
    const size_t sep = rest.find_first_of(".:");
    if (sep != std::string::npos) {
        fraction = rest.substr(sep + 1);
        rest = rest.substr(0, sep);
        if (!AllDigits(fraction) || fraction.size() > 3) {
            return false;
        }
    }
    if (!AllDigits(minutes) || minutes.size() > 4 || !AllDigits(rest) || rest.size() > 2) {
        return false;
    }
    const int nSeconds = std::stoi(rest);
    if (nSeconds >= kSecondsPerMinute) {
        return false;
    }
    double dFraction = 0.0;
    if (!fraction.empty()) {
        dFraction = std::stod(fraction) / std::pow(10.0, static_cast<double>(fraction.size()));
    }
    dSeconds = std::stoi(minutes) * kSecondsPerMinute + nSeconds + dFraction;
    return true;
}

bool LrcParser::Parse(const std::string& text, LrcSong& song, std::string& error) {
    LrcSong result;
    std::vector<RawLine> raws;
    double dOffset = 0.0;
    std::istringstream in(text);
    std::string line;
    int nLine = 0;
    while (std::getline(in, line)) {
        ++nLine;
        if (nLine == 1 && line.starts_with("\xEF\xBB\xBF")) {
            line.erase(0, 3);
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        line = Trim(line);
        if (line.empty()) {
            continue;
        }
        if (line[0] != '[') {
            error = At(nLine, "expected a [mm:ss.xx] time or an [id:value] tag");
            return false;
        }
        // Leading tags: times for this line, or one ID tag.
        std::vector<double> times;
        size_t pos = 0;
        while (pos < line.size() && line[pos] == '[') {
            const size_t close = line.find(']', pos);
            if (close == std::string::npos) {
                error = At(nLine, "a tag is not closed with ']'");
                return false;
            }
            const std::string tag = line.substr(pos + 1, close - pos - 1);
            double dTime = 0.0;
            if (ParseTime(tag, dTime)) {
                times.push_back(dTime);
            } else if (times.empty() && tag.find(':') != std::string::npos &&
                       std::isalpha(static_cast<unsigned char>(tag[0]))) {
                if (!ReadIdTag(tag, dOffset, result, nLine, error)) {
                    return false;
                }
                times.clear();
                pos = line.size();
                break;
            } else {
                error = At(nLine, "bad time tag \"[" + tag + "]\"");
                return false;
            }
            pos = close + 1;
        }
        if (times.empty()) {
            continue;
        }
        std::string body = line.substr(pos);
        std::replace(body.begin(), body.end(), '\t', ' ');
        RawLine raw;
        raw.nSourceLine = nLine;
        // Word times belong to the line's earliest time; the other copies are shifted.
        raw.dStart = *std::min_element(times.begin(), times.end());
        if (!ParseWords(body, raw.dStart, nLine, raw, error)) {
            return false;
        }
        // A line given several times: the copies keep the first one's word rhythm.
        for (const double dTime : times) {
            RawLine copy = raw;
            const double dShift = dTime - raw.dStart;
            copy.dStart = dTime;
            copy.dEndMark += dShift;
            for (LrcWord& word : copy.words) {
                word.dStart += dShift;
            }
            raws.push_back(std::move(copy));
        }
    }

    std::stable_sort(raws.begin(), raws.end(),
                     [](const RawLine& a, const RawLine& b) { return a.dStart < b.dStart; });
    for (size_t i = 0; i < raws.size(); ++i) {
        RawLine& raw = raws[i];
        if (raw.words.empty()) {
            continue;  // an empty timed line only ends the one before
        }
        const bool bHasNext = i + 1 < raws.size();
        const double dNext = bHasNext ? raws[i + 1].dStart : 0.0;
        if (bHasNext && raw.words.back().dStart > dNext) {
            error = At(raw.nSourceLine, "its words run past the start of the next line");
            return false;
        }
        for (size_t w = 0; w + 1 < raw.words.size(); ++w) {
            raw.words[w].dEnd = raw.words[w + 1].dStart;
        }
        LrcWord& last = raw.words.back();
        if (raw.bEndMarked) {
            last.dEnd = raw.dEndMark;
        } else if (!raw.bWordTimed && bHasNext) {
            last.dEnd = dNext;  // a plain line is sung until the next one
        } else {
            last.dEnd = last.dStart + kDefaultLastPiece;
            if (bHasNext) {
                last.dEnd = std::min(last.dEnd, dNext);
            }
        }
        LrcLine out;
        out.dStart = raw.dStart;
        out.words = std::move(raw.words);
        for (LrcWord& word : out.words) {
            word.dStart = std::max(0.0, word.dStart - dOffset);
            word.dEnd = std::max(word.dStart, word.dEnd - dOffset);
        }
        out.dStart = std::max(0.0, out.dStart - dOffset);
        result.lines.push_back(std::move(out));
    }
    song = std::move(result);
    return true;
}

bool LrcParser::ParseFile(const std::string& path, LrcSong& song, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be opened";
        return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) {
        error = path + ": cannot be read";
        return false;
    }
    if (!Parse(content.str(), song, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace lrc2cdg
