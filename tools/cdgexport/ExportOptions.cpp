// Output containers by file extension.
#include "tools/cdgexport/ExportOptions.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace cdgexport {

std::optional<EContainer> ContainerForPath(const std::string& strPath) {
    std::string extension = std::filesystem::path(strPath).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".mp4") {
        return EContainer::Mp4;
    }
    if (extension == ".mkv") {
        return EContainer::Matroska;
    }
    if (extension == ".webm") {
        return EContainer::WebM;
    }
    return std::nullopt;
}

const char* ContainerName(EContainer container) {
    switch (container) {
        case EContainer::Mp4:
            return "MP4";
        case EContainer::Matroska:
            return "Matroska";
        case EContainer::WebM:
            return "WebM";
    }
    return "";
}

}  // namespace cdgexport
