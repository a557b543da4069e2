// The GStreamer elements an export needs, and the Debian package that brings each one.
#pragma once

#include <string>

#include "tools/cdgexport/ExportOptions.h"

namespace cdgexport {

// The encoders and the muxer of a container, each the first installed of its choices.
struct ContainerElements {
    std::string strVideoEncoder;
    std::string strAudioEncoder;
    std::string strMuxer;
};

// Picks the container's elements and checks every other element the pipeline uses. False
// with a message naming the missing element and the Debian package to install.
bool ChooseElements(EContainer container, ContainerElements& elements, std::string& error);

// Makes the project's `skellan` element findable: GStreamer's own paths (GST_PLUGIN_PATH
// among them) first, then the plugin folders relative to this program, in the build tree
// and in an install. False with a message when it cannot be found.
bool FindSkellan(std::string& error);

}  // namespace cdgexport
