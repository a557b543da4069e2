// Entry names of a track archive: safety, the ones to skip, and the track and audio pair.
#include "player/archive/TrackEntries.h"

#include <algorithm>
#include <iterator>
#include <tuple>

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

// Folder part (up to and with the last separator) and last name of an entry.
std::pair<std::string, std::string> SplitEntry(const std::string& strEntry) {
    const auto it = std::find_if(strEntry.rbegin(), strEntry.rend(), IsSeparator);
    const size_t nName = static_cast<size_t>(std::distance(it, strEntry.rend()));
    return {strEntry.substr(0, nName), strEntry.substr(nName)};
}

// The title: the last name without its extension, lower-case.
std::string EntryTitle(const std::string& strEntry) {
    const std::string strName = SplitEntry(strEntry).second;
    const size_t nDot = strName.rfind('.');
    return Lower(nDot == std::string::npos ? strName : strName.substr(0, nDot));
}

std::optional<size_t> AudioKind(const std::string& strEntry) {
    const std::string strExtension = EntryExtension(strEntry);
    for (size_t i = 0; i < std::size(kArchiveAudioExtensions); ++i) {
        if (strExtension == kArchiveAudioExtensions[i]) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string EntryExtension(const std::string& strEntry) {
    const std::string strName = SplitEntry(strEntry).second;
    const size_t nDot = strName.rfind('.');
    return nDot == std::string::npos ? std::string() : Lower(strName.substr(nDot + 1));
}

bool IsUnsafeEntryName(const std::string& strEntry) {
    if (strEntry.empty()) {
        return false;
    }
    const bool bDrive =
        strEntry.size() >= 2 && strEntry[1] == ':' &&
        ((strEntry[0] >= 'A' && strEntry[0] <= 'Z') || (strEntry[0] >= 'a' && strEntry[0] <= 'z'));
    if (IsSeparator(strEntry.front()) || bDrive) {
        return true;
    }
    size_t nStart = 0;
    for (size_t i = 0; i <= strEntry.size(); ++i) {
        if (i == strEntry.size() || IsSeparator(strEntry[i])) {
            if (i - nStart == 2 && strEntry.compare(nStart, 2, "..") == 0) {
                return true;
            }
            nStart = i + 1;
        }
    }
    return false;
}

bool IsIgnoredEntry(const std::string& strEntry) {
    if (strEntry.empty() || IsSeparator(strEntry.back())) {
        return true;
    }
    const std::string strName = SplitEntry(strEntry).second;
    return strEntry.rfind("__MACOSX/", 0) == 0 || strName.rfind("._", 0) == 0;
}

std::optional<TrackEntryChoice> ChooseTrackEntries(const std::vector<std::string>& entries) {
    std::vector<size_t> tracks;
    std::vector<std::pair<size_t, size_t>> audio;  // entry index, kind
    for (size_t i = 0; i < entries.size(); ++i) {
        if (IsIgnoredEntry(entries[i])) {
            continue;
        }
        if (EntryExtension(entries[i]) == "cdg") {
            tracks.push_back(i);
        } else if (const auto kind = AudioKind(entries[i])) {
            audio.emplace_back(i, *kind);
        }
    }
    if (tracks.empty()) {
        return std::nullopt;
    }
    for (const size_t nTrack : tracks) {
        const std::string strTitle = EntryTitle(entries[nTrack]);
        const std::string strFolder = SplitEntry(entries[nTrack]).first;
        std::optional<std::tuple<bool, size_t, size_t>> best;  // elsewhere, kind, index
        for (const auto& [nIndex, nKind] : audio) {
            if (EntryTitle(entries[nIndex]) != strTitle) {
                continue;
            }
            const auto rank =
                std::make_tuple(SplitEntry(entries[nIndex]).first != strFolder, nKind, nIndex);
            if (!best || rank < *best) {
                best = rank;
            }
        }
        if (best) {
            return TrackEntryChoice{nTrack, std::get<2>(*best), std::get<1>(*best)};
        }
    }
    if (tracks.size() == 1 && audio.size() == 1) {
        return TrackEntryChoice{tracks.front(), audio.front().first, audio.front().second};
    }
    return TrackEntryChoice{tracks.front(), std::nullopt, 0};
}
