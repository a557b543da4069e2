// CDecodedSoundFile: the failures it reports and the replaceable hook that reports them.
#include <atomic>
#include <iostream>

#include "player/audio/DecodedSoundFile.h"

namespace {

// Without an application to show it, a report goes to the log.
void LogMessage(int, const std::string& strText) {
    std::clog << strText << std::endl;
}

std::atomic<CDecodedSoundFile::MessageHook> g_pMessageHook{nullptr};

}  // namespace

void CDecodedSoundFile::SetMessageHook(MessageHook pHook) {
    g_pMessageHook = pHook;
}

CDecodedSoundFile::MessageHook CDecodedSoundFile::CurrentMessageHook() {
    const MessageHook pHook = g_pMessageHook;
    return pHook != nullptr ? pHook : &LogMessage;
}

std::string CDecodedSoundFile::LoadMessage(int nId) {
    if (nId == IDS_CANNOT_SEEK) {
        return "decoded audio: the stream cannot seek to a position or does not tell its "
               "length (message 1018)";
    }
    return {};
}
