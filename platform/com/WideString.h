// Conversion between the wide strings of COM interfaces and UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace com {

// wchar_t holds one Unicode code point here; invalid code points become U+FFFD.
std::string WideToUtf8(std::wstring_view wide);
// Invalid UTF-8 sequences become U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);

}  // namespace com
