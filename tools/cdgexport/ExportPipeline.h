// CExportPipeline: the GStreamer pipeline that scales, encodes and muxes what an export
// pushes into it: composed CD+G frames with their times, and the track's PCM audio.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "tools/cdgexport/ExportOptions.h"
#include "tools/cdgexport/PipelineElements.h"

typedef struct _GstElement GstElement;
typedef struct _GstBus GstBus;

namespace cdgexport {

struct PipelineSpec {
    EContainer container = EContainer::Mp4;
    ContainerElements elements;
    int nWidth = kDefaultWidth;
    int nHeight = kDefaultHeight;
    int nFps = kDefaultFps;
    int nChannels = 2;  // interleaved signed 16-bit PCM
    int nSampleRate = 44100;
    bool bRemoveVocals = false;
    std::string strLocation;  // the file the muxer writes
};

// Two app sources feed
//   video: appsrc ! videoconvertscale (nearest, black borders) ! encoder ! queue ! mux
//   audio: appsrc ! audioconvert [! skellan ! audioconvert] ! audioresample ! encoder ! queue ! mux
//   mux ! filesink
// Frames come at any times (the picture is pushed when it changes, each frame lasting until
// the next), so the video is of variable frame rate on a 1/fps time grid. The queues in
// front of the muxer are unbounded (compressed data, a few MB per track) so that neither
// branch can stall the other while the muxer interleaves them.
//
// Threads: one caller; the pushes wait for room themselves, watching the bus and the
// cancel flag, so a failed or cancelled pipeline never leaves the caller blocked.
class CExportPipeline {
public:
    static constexpr int kFrameWidth = 320;
    static constexpr int kFrameHeight = 240;

    CExportPipeline() = default;
    ~CExportPipeline();
    CExportPipeline(const CExportPipeline&) = delete;
    CExportPipeline& operator=(const CExportPipeline&) = delete;

    // Builds and links the pipeline (the elements were checked by ChooseElements, and
    // FindSkellan for vocal removal); false with a message otherwise.
    bool Build(const PipelineSpec& spec, std::string& error);
    bool Start(std::string& error);

    // One 320 x 240 frame of 0x00RRGGBB pixels shown from nPts for nDuration (ns) of the
    // audio's time. False when the pipeline failed (error set) or bCancel was raised
    // (error empty).
    bool PushVideo(const uint32_t* pFrame, uint64_t nPts, uint64_t nDuration,
                   const std::atomic<bool>& bCancel, std::string& error);
    // The next nFrames interleaved frames of audio, timed by the frames pushed before.
    bool PushAudio(const int16_t* pSamples, int64_t nFrames, const std::atomic<bool>& bCancel,
                   std::string& error);
    // Ends both streams and waits until the muxer has written the whole file.
    bool Finish(const std::atomic<bool>& bCancel, std::string& error);
    // Stops and frees the pipeline; the file is closed after it.
    void Stop();

    // The audio timeline so far (ns).
    uint64_t GetAudioTime() const;
    // How much later than their audio time the pictures are placed (ns): the audio
    // encoder's priming where the container does not record it, so that a picture and the
    // sound it belongs to are heard and seen together.
    uint64_t GetVideoOffset() const { return m_nVideoOffset; }

private:
    bool Push(GstElement* pSource, void* pBuffer, const std::atomic<bool>& bCancel,
              std::string& error);
    // Takes errors off the bus; false with the message once the pipeline failed. Waits up
    // to nWaitMs for one.
    bool CheckBus(int nWaitMs, std::string& error);

    GstElement* m_pPipeline = nullptr;
    GstElement* m_pVideoSource = nullptr;
    GstElement* m_pAudioSource = nullptr;
    GstBus* m_pBus = nullptr;
    int m_nSampleRate = 44100;
    int m_nChannels = 2;
    int64_t m_nAudioFrames = 0;
    uint64_t m_nVideoOffset = 0;
    bool m_bEnded = false;  // EOS seen on the bus
};

}  // namespace cdgexport
