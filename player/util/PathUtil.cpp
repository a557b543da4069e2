// Path helpers on UTF-8 byte strings; both separators are read, one style is written.
#include "player/util/PathUtil.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include <sys/stat.h>

namespace pathutil {

namespace {

constexpr char kBackslash = '\\';
constexpr char kSlash = '/';
constexpr std::string_view kBlanks = " \t\n\v\f\r";
constexpr std::string_view kOpeningQuote = "\xE2\x80\x9C";  // U+201C
constexpr std::string_view kClosingQuote = "\xE2\x80\x9D";  // U+201D

bool EndsInSeparator(const std::string& text) {
    return !text.empty() && IsSeparator(text.back());
}

bool HasDrive(std::string_view path) {
    const unsigned char c = path.empty() ? 0 : static_cast<unsigned char>(path[0]);
    const bool bLetter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return bLetter && path.size() >= 2 && path[1] == ':';
}

// Length of the quote the text starts (bAtEnd: ends) with, 0 for none.
size_t QuoteLength(std::string_view text, bool bAtEnd) {
    if (text.empty()) {
        return 0;
    }
    if ((bAtEnd ? text.back() : text.front()) == '"') {
        return 1;
    }
    for (const std::string_view quote : {kOpeningQuote, kClosingQuote}) {
        if (bAtEnd ? text.ends_with(quote) : text.starts_with(quote)) {
            return quote.size();
        }
    }
    return 0;
}

}  // namespace

bool IsSeparator(char c) {
    return c == kBackslash || c == kSlash;
}

char PreferredSeparator(const std::string& text) {
    // A drive or a backslash marks a Windows form, unless a slash is there too.
    const bool bWindows = HasDrive(text) || text.find(kBackslash) != std::string::npos;
    const bool bSlash = text.find(kSlash) != std::string::npos;
    return bWindows && !bSlash ? kBackslash : kSlash;
}

std::string JoinPathWith(const std::string& a, const std::string& b, char separator) {
    if (!a.empty() && !b.empty() && !IsSeparator(a.back()) && !IsSeparator(b.front())) {
        return a + separator + b;
    }
    return a + b;
}

std::string MakePathWith(const char* pszDrive, const char* pszFolder, const char* pszTitle,
                         const char* pszExtension, char separator) {
    std::string result;
    if (pszDrive) {
        result += pszDrive;
    }
    if (pszFolder) {
        result = JoinPathWith(result, pszFolder, separator);
    }
    if (pszTitle) {
        if (!result.empty() && !EndsInSeparator(result)) {
            result += separator;
        }
        result += pszTitle;
    }
    if (pszExtension && *pszExtension) {
        if ((result.empty() || result.back() != '.') && pszExtension[0] != '.') {
            result += '.';
        }
        result += pszExtension;
    }
    return result;
}

}  // namespace pathutil

using pathutil::IsSeparator;

void SplitPath(const std::string& path, std::vector<std::string>& parts) {
    parts.assign(4, std::string());
    std::string_view rest = path;
    if (pathutil::HasDrive(rest)) {
        parts[0] = std::string(rest.substr(0, 2));
        rest.remove_prefix(2);
    }
    const size_t nLastSeparator = rest.find_last_of("\\/");
    if (nLastSeparator != std::string_view::npos) {
        parts[1] = std::string(rest.substr(0, nLastSeparator + 1));
        rest.remove_prefix(nLastSeparator + 1);
    }
    const size_t nDot = rest.rfind('.');
    if (nDot != std::string_view::npos) {
        parts[3] = std::string(rest.substr(nDot));
        rest = rest.substr(0, nDot);
    }
    parts[2] = std::string(rest);
}

std::string GetPathFolder(const std::string& path, bool bSeparator) {
    std::vector<std::string> parts;
    SplitPath(path, parts);
    std::string folder = parts[0] + parts[1];
    if (bSeparator) {
        if (folder.empty() || !IsSeparator(folder.back())) {
            folder += pathutil::PreferredSeparator(path);
        }
    } else if (!folder.empty() && IsSeparator(folder.back())) {
        folder.pop_back();
    }
    return folder;
}

std::string JoinPath(const std::string& a, const std::string& b) {
    return pathutil::JoinPathWith(a, b, pathutil::PreferredSeparator(a + b));
}

std::string MakePath(const char* pszDrive, const char* pszFolder, const char* pszTitle,
                     const char* pszExtension) {
    std::string all;
    for (const char* piece : {pszDrive, pszFolder, pszTitle}) {
        all += piece ? piece : "";
    }
    return pathutil::MakePathWith(pszDrive, pszFolder, pszTitle, pszExtension,
                                  pathutil::PreferredSeparator(all));
}

int SplitFolders(const std::string& folder, std::vector<std::string>& names, bool bSlash) {
    names.clear();
    std::string piece;
    for (const char c : folder) {
        if (c == '\\' || (bSlash && c == '/')) {
            if (!piece.empty()) {
                names.push_back(piece);
            }
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty()) {
        names.push_back(piece);
    }
    return static_cast<int>(names.size());
}

bool FileExists(const std::string& path) {
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0;
}

std::string GetModuleFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty()) {
        return std::string();
    }
    return GetPathFolder(program.string(), true);
}

std::string StripQuotes(std::string text) {
    const size_t nFirst = text.find_first_not_of(pathutil::kBlanks);
    if (nFirst == std::string::npos) {
        return std::string();
    }
    text = text.substr(nFirst, text.find_last_not_of(pathutil::kBlanks) - nFirst + 1);
    text.erase(0, pathutil::QuoteLength(text, false));
    text.erase(text.size() - pathutil::QuoteLength(text, true));
    return text;
}
