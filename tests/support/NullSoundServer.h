// A private PulseAudio server with a null output, so tests play through a real sound
// server the way a desktop does, without a sound card.
#pragma once

#include <string>

#include <sys/types.h>

// Starts `pulseaudio` in a temporary folder with one null sink and its native socket, and
// points this process at it (PULSE_SERVER). Stopped and removed by the destructor.
class CNullSoundServer {
public:
    CNullSoundServer();
    ~CNullSoundServer();
    CNullSoundServer(const CNullSoundServer&) = delete;
    CNullSoundServer& operator=(const CNullSoundServer&) = delete;

    // False (and why in Error) when the server could not be started.
    bool IsRunning() const { return m_pid > 0; }
    const std::string& Error() const { return m_strError; }
    // The address clients use: "unix:<folder>/native".
    std::string Address() const { return "unix:" + m_strFolder + "/native"; }

    // Points PULSE_SERVER at a socket nobody listens on: as on a machine with no server.
    static void UseNoServer();

private:
    std::string m_strFolder;
    std::string m_strError;
    pid_t m_pid = -1;
};

// The one server of a test program, started on first use and stopped at its end.
CNullSoundServer& TestSoundServer();
