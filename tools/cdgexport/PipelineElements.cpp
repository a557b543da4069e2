// Element choice with the packages to name when one is missing, and the `skellan` lookup.
#include "tools/cdgexport/PipelineElements.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <gst/gst.h>

namespace cdgexport {

namespace {

struct Element {
    const char* pszFactory;
    const char* pszPackage;
};

constexpr const char* kBase = "gstreamer1.0-plugins-base";
constexpr const char* kGood = "gstreamer1.0-plugins-good";
constexpr const char* kUgly = "gstreamer1.0-plugins-ugly";
constexpr const char* kLibav = "gstreamer1.0-libav";
constexpr const char* kCore = "libgstreamer1.0-0";

// Elements every export uses.
constexpr Element kCommon[] = {
    {"appsrc", kBase},        {"videoconvertscale", kBase}, {"audioconvert", kBase},
    {"audioresample", kBase}, {"capsfilter", kCore},        {"queue", kCore},
    {"filesink", kCore},
};

bool Have(const char* pszFactory) {
    GstElementFactory* factory = gst_element_factory_find(pszFactory);
    if (factory == nullptr) {
        return false;
    }
    gst_object_unref(factory);
    return true;
}

std::string Missing(const Element& element) {
    return std::string("the GStreamer element ") + element.pszFactory +
           " is not installed: install the Debian package " + element.pszPackage;
}

// Checks one element and records its name for the pipeline.
bool Require(const Element& element, std::string& strFactory, std::string& error) {
    if (!Have(element.pszFactory)) {
        error = Missing(element);
        return false;
    }
    strFactory = element.pszFactory;
    return true;
}

#ifndef SKELLAN_PLUGIN_DIRS
#define SKELLAN_PLUGIN_DIRS ""
#endif

}  // namespace

bool ChooseElements(EContainer container, ContainerElements& elements, std::string& error) {
    for (const Element& element : kCommon) {
        if (!Have(element.pszFactory)) {
            error = Missing(element);
            return false;
        }
    }
    switch (container) {
        case EContainer::Mp4:
        case EContainer::Matroska:
            // FFmpeg's AAC encoder (gst-libav, already needed for WMA): cleaner than the
            // VisualOn one of plugins-bad, which also drops the last samples, and with a
            // known priming of one frame that the export accounts for.
            return Require({"x264enc", kUgly}, elements.strVideoEncoder, error) &&
                   Require({"avenc_aac", kLibav}, elements.strAudioEncoder, error) &&
                   Require({container == EContainer::Mp4 ? "mp4mux" : "matroskamux", kGood},
                           elements.strMuxer, error);
        case EContainer::WebM:
            return Require({"vp9enc", kGood}, elements.strVideoEncoder, error) &&
                   Require({"opusenc", kBase}, elements.strAudioEncoder, error) &&
                   Require({"webmmux", kGood}, elements.strMuxer, error);
    }
    error = "unknown container";
    return false;
}

bool FindSkellan(std::string& error) {
    if (Have("skellan")) {
        return true;
    }
    // Folders relative to this program, ':'-separated, worked out by the build.
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string dirs = SKELLAN_PLUGIN_DIRS;
    for (size_t start = 0; !ec && start <= dirs.size();) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::filesystem::path plugin =
            program.parent_path() / dirs.substr(start, end - start) / "libgstskellan.so";
        start = end + 1;
        std::error_code ecFile;
        if (std::filesystem::is_regular_file(plugin, ecFile)) {
            if (GstPlugin* loaded = gst_plugin_load_file(plugin.c_str(), nullptr)) {
                gst_object_unref(loaded);
                if (Have("skellan")) {
                    return true;
                }
            }
        }
    }
    error =
        "the vocal remover (GStreamer element skellan, libgstskellan.so) was not found: "
        "install Quillet's plugin or set GST_PLUGIN_PATH to the folder that holds it";
    return false;
}

}  // namespace cdgexport
