// Path helpers: splitting and joining paths, the audio-candidate builder, the program folder.
#pragma once

#include <string>
#include <vector>

// Paths are UTF-8 byte strings. Backslash and slash both count as separators when a path is
// read, so Windows forms ("C:\songs\a.cdg") and this platform's ("/songs/a.cdg") split alike.
// A separator the functions insert themselves is a slash, unless the pieces are a Windows
// form (a drive or a backslash, and no slash), which keeps its own style.

// Drive ("C:"), folder (with its leading and trailing separators), title, extension (with
// its dot). The list is made exactly four strings long.
void SplitPath(const std::string& path, std::vector<std::string>& parts);

// Drive and folder of the path; with bSeparator the result ends in a separator (an empty
// one becomes a lone separator), without it one trailing separator is removed.
std::string GetPathFolder(const std::string& path, bool bSeparator);

// a, a separator, b when both are non-empty and neither has a separator at the seam;
// otherwise a followed by b.
std::string JoinPath(const std::string& a, const std::string& b);

// Drive, then the folder joined on, then the title behind a separator, then the extension
// behind a dot. Null pieces are left out.
std::string MakePath(const char* pszDrive, const char* pszFolder, const char* pszTitle,
                     const char* pszExtension);

// Cuts a folder path at its backslashes (and slashes when bSlash) into its non-empty names;
// returns how many there are.
int SplitFolders(const std::string& folder, std::vector<std::string>& names, bool bSlash);

// True when the path's status can be read (a file or a folder).
bool FileExists(const std::string& path);

// Folder of the running program, ending in a separator; empty when it cannot be found.
std::string GetModuleFolder();

// Trims white space at both ends, then removes one quote at the start and one at the end.
// Quotes are the double quote and the typographic quotes U+201C and U+201D.
std::string StripQuotes(std::string text);

namespace pathutil {

// The separator a function inserts into a path built from the given pieces.
char PreferredSeparator(const std::string& text);
bool IsSeparator(char c);
// JoinPath and MakePath with an explicit inserted separator.
std::string JoinPathWith(const std::string& a, const std::string& b, char separator);
std::string MakePathWith(const char* pszDrive, const char* pszFolder, const char* pszTitle,
                         const char* pszExtension, char separator);

}  // namespace pathutil
