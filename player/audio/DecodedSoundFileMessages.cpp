// CDecodedSoundFile: the user-visible message and its replaceable display hook.
#include <atomic>
#include <cstdio>

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QThread>

#include "player/audio/DecodedSoundFile.h"

namespace {

void DefaultMessageHook(int, const std::string& strText) {
    auto* pApp = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (pApp != nullptr && QThread::currentThread() == pApp->thread()) {
        QMessageBox::critical(nullptr, QApplication::applicationDisplayName(),
                              QString::fromStdString(strText));
    } else {
        std::fprintf(stderr, "%s\n", strText.c_str());
    }
}

std::atomic<CDecodedSoundFile::MessageHook> g_pMessageHook{nullptr};

}  // namespace

void CDecodedSoundFile::SetMessageHook(MessageHook pHook) {
    g_pMessageHook = pHook;
}

CDecodedSoundFile::MessageHook CDecodedSoundFile::CurrentMessageHook() {
    const MessageHook pHook = g_pMessageHook;
    return pHook != nullptr ? pHook : &DefaultMessageHook;
}

std::string CDecodedSoundFile::LoadMessage(int nId) {
    if (nId == IDS_CANNOT_SEEK) {
        return "This audio file cannot be played: its stream does not allow seeking to a "
               "position or does not tell its length.";
    }
    return {};
}
