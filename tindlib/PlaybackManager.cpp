// CPlaybackManager on a GStreamer appsrc pipeline.
#include "tindlib/PlaybackManager.h"

#include <cstdlib>
#include <vector>

#include <gst/app/gstappsrc.h>
#include <gst/audio/audio.h>
#include <gst/gst.h>

namespace tindlib {

namespace {

constexpr GstClockTime kStateTimeout = 5 * GST_SECOND;
// How often the sink's position is really asked for while playing.
constexpr GstClockTime kRequeryInterval = 10 * GST_MSECOND;

GstAudioFormat AudioFormatFor(const WAVEFORMATEX& format) {
    if (format.wFormatTag != WAVE_FORMAT_PCM) {
        return GST_AUDIO_FORMAT_UNKNOWN;
    }
    switch (format.wBitsPerSample) {
        case 8:
            return GST_AUDIO_FORMAT_U8;
        case 16:
            return GST_AUDIO_FORMAT_S16LE;
        case 24:
            return GST_AUDIO_FORMAT_S24LE;
        case 32:
            return GST_AUDIO_FORMAT_S32LE;
        default:
            return GST_AUDIO_FORMAT_UNKNOWN;
    }
}

std::string SinkDescription() {
    const char* pEnv = std::getenv("TINDLIB_AUDIO_SINK");
    return pEnv != nullptr && *pEnv != '\0' ? pEnv : "autoaudiosink";
}

// Marks the arrival of the first buffer after a start or flush.
GstPadProbeReturn OnSinkBuffer(GstPad*, GstPadProbeInfo*, gpointer pArrived) {
    static_cast<std::atomic<bool>*>(pArrived)->store(true);
    return GST_PAD_PROBE_OK;
}

// Nobody reads this pipeline's bus: everything is handled here and dropped, so that
// messages do not pile up over a long playback.
GstBusSyncReply OnBusMessage(GstBus*, GstMessage* pMsg, gpointer pEnded) {
    if (GST_MESSAGE_TYPE(pMsg) == GST_MESSAGE_EOS || GST_MESSAGE_TYPE(pMsg) == GST_MESSAGE_ERROR) {
        static_cast<std::atomic<bool>*>(pEnded)->store(true);
    }
    return GST_BUS_DROP;
}

// The input pad of the first element that has no output, searched depth-first.
GstPad* FindSinkPad(GstBin* pBin) {
    GstPad* pFound = nullptr;
    GstIterator* pIt = gst_bin_iterate_sinks(pBin);
    GValue item = G_VALUE_INIT;
    if (gst_iterator_next(pIt, &item) == GST_ITERATOR_OK) {
        auto* pElement = GST_ELEMENT(g_value_get_object(&item));
        if (GST_IS_BIN(pElement)) {
            pFound = FindSinkPad(GST_BIN(pElement));
        } else {
            GstIterator* pPads = gst_element_iterate_sink_pads(pElement);
            GValue pad = G_VALUE_INIT;
            if (gst_iterator_next(pPads, &pad) == GST_ITERATOR_OK) {
                pFound = GST_PAD(g_value_dup_object(&pad));
            }
            g_value_unset(&pad);
            gst_iterator_free(pPads);
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(pIt);
    return pFound;
}

}  // namespace

CPlaybackManager::CPlaybackManager() {
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
}

CPlaybackManager::~CPlaybackManager() {
    Close();
}

void CPlaybackManager::SetError(const std::string& strError) {
    std::lock_guard<std::mutex> guard(m_errorMutex);
    m_strError = strError;
}

std::string CPlaybackManager::GetLastError() const {
    std::lock_guard<std::mutex> guard(m_errorMutex);
    return m_strError;
}

bool CPlaybackManager::Open(const WAVEFORMATEX& format, IFeed* pFeed) {
    Close();
    const GstAudioFormat gstFormat = AudioFormatFor(format);
    if (gstFormat == GST_AUDIO_FORMAT_UNKNOWN || format.nChannels == 0 ||
        format.nSamplesPerSec == 0 || pFeed == nullptr) {
        SetError("unsupported sample format");
        return false;
    }
    const std::string strLaunch =
        "appsrc name=src format=time stream-type=seekable is-live=false ! audioconvert ! "
        "audioresample ! " +
        SinkDescription();
    GError* pError = nullptr;
    GstElement* pPipeline = gst_parse_launch(strLaunch.c_str(), &pError);
    if (pError != nullptr) {
        SetError(std::string("cannot build the output: ") + pError->message);
        g_error_free(pError);
        if (pPipeline != nullptr) {
            gst_object_unref(pPipeline);
        }
        return false;
    }
    if (!GST_IS_PIPELINE(pPipeline)) {
        SetError("the output description is not a pipeline");
        gst_object_unref(pPipeline);
        return false;
    }
    m_pPipeline = GST_ELEMENT(gst_object_ref_sink(pPipeline));  // floating: now ours
    m_pSrc = gst_bin_get_by_name(GST_BIN(m_pPipeline), "src");

    GstAudioInfo info;
    gst_audio_info_set_format(&info, gstFormat, static_cast<gint>(format.nSamplesPerSec),
                              format.nChannels, nullptr);
    GstCaps* pCaps = gst_audio_info_to_caps(&info);
    // One block queued at a time keeps the device close to the source.
    g_object_set(m_pSrc, "caps", pCaps, "max-bytes",
                 static_cast<guint64>(kBlockFrames * format.nBlockAlign), "block", FALSE, nullptr);
    gst_caps_unref(pCaps);
    g_signal_connect(m_pSrc, "need-data", G_CALLBACK(OnNeedData), this);
    g_signal_connect(m_pSrc, "seek-data", G_CALLBACK(OnSeekData), this);

    m_pSinkPad = FindSinkPad(GST_BIN(m_pPipeline));
    if (m_pSinkPad != nullptr) {
        m_nProbe = gst_pad_add_probe(m_pSinkPad, GST_PAD_PROBE_TYPE_BUFFER, OnSinkBuffer,
                                     &m_bAudioArrived, nullptr);
    }
    GstBus* pBus = gst_element_get_bus(m_pPipeline);
    gst_bus_set_sync_handler(pBus, OnBusMessage, &m_bEnded, nullptr);
    gst_object_unref(pBus);

    m_pFeed = pFeed;
    m_format = format;
    if (gst_element_set_state(m_pPipeline, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        SetError("the audio output cannot be opened");
        Close();
        return false;
    }
    return true;
}

void CPlaybackManager::Close() {
    if (m_pPipeline == nullptr) {
        return;
    }
    gst_element_set_state(m_pPipeline, GST_STATE_NULL);
    if (m_pSinkPad != nullptr) {
        gst_pad_remove_probe(m_pSinkPad, m_nProbe);
        gst_object_unref(m_pSinkPad);
        m_pSinkPad = nullptr;
    }
    GstBus* pBus = gst_element_get_bus(m_pPipeline);
    gst_bus_set_sync_handler(pBus, nullptr, nullptr, nullptr);
    gst_object_unref(pBus);
    gst_object_unref(m_pSrc);
    gst_object_unref(m_pPipeline);
    m_pSrc = nullptr;
    m_pPipeline = nullptr;
    m_pFeed = nullptr;
    m_bStarted = false;
}

bool CPlaybackManager::Start() {
    if (m_pPipeline == nullptr) {
        return false;
    }
    Halt();
    m_nPushedFrames = 0;
    m_bAudioArrived = false;
    m_bEnded = false;
    m_bStarted = true;
    m_bPlaying = true;
    m_bCacheValid = false;
    m_nCachePos = 0;
    return gst_element_set_state(m_pPipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

bool CPlaybackManager::Pause() {
    if (!m_bStarted) {
        return false;
    }
    m_bPlaying = false;
    m_bCacheValid = false;
    return gst_element_set_state(m_pPipeline, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE;
}

bool CPlaybackManager::Resume() {
    if (!m_bStarted) {
        return false;
    }
    m_bPlaying = true;
    m_bCacheValid = false;  // m_nCachePos stays: the position must be seen moving again
    return gst_element_set_state(m_pPipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

void CPlaybackManager::Halt() {
    if (m_pPipeline != nullptr) {
        // READY stops the streaming thread and drops every queued buffer.
        gst_element_set_state(m_pPipeline, GST_STATE_READY);
        gst_element_get_state(m_pPipeline, nullptr, nullptr, kStateTimeout);
    }
    m_bStarted = false;
    m_bEnded = false;
    m_bPlaying = false;
    m_bCacheValid = false;
}

bool CPlaybackManager::Flush() {
    if (!m_bStarted) {
        return false;
    }
    m_bEnded = false;
    m_bCacheValid = false;
    m_nCachePos = 0;
    // The seek reaches appsrc, whose seek-data handler calls the feed's OnFlush while
    // the streaming thread is parked; the sink's running time restarts at 0.
    const gboolean bOk =
        gst_element_seek(m_pPipeline, 1.0, GST_FORMAT_TIME,
                         static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                         GST_SEEK_TYPE_SET, 0, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    return bOk != FALSE;
}

bool CPlaybackManager::QueryTime(double* pSeconds) const {
    if (!m_bStarted || !m_bAudioArrived) {
        return false;
    }
    GstClockTime nNow = GST_CLOCK_TIME_NONE;
    if (m_bPlaying) {
        if (GstClock* pClock = gst_element_get_clock(m_pPipeline)) {
            nNow = gst_clock_get_time(pClock);
            gst_object_unref(pClock);
        }
    }
    if (m_bCacheValid && GST_CLOCK_TIME_IS_VALID(nNow) && nNow >= m_nCacheClock &&
        nNow - m_nCacheClock < kRequeryInterval) {
        *pSeconds = static_cast<double>(m_nCachePos + (nNow - m_nCacheClock)) / GST_SECOND;
        return true;
    }
    gint64 nPos = -1;
    if (!gst_element_query_position(m_pPipeline, GST_FORMAT_TIME, &nPos) || nPos < 0) {
        m_bCacheValid = false;
        return false;
    }
    // Carry forward only once the position is seen moving: a sink still starting up
    // reports a standing position that the clock must not run ahead of.
    const bool bMoving = m_bCacheValid || static_cast<uint64_t>(nPos) > m_nCachePos;
    m_bCacheValid = bMoving && GST_CLOCK_TIME_IS_VALID(nNow);
    m_nCachePos = static_cast<uint64_t>(nPos);
    m_nCacheClock = nNow;
    *pSeconds = static_cast<double>(nPos) / GST_SECOND;
    return true;
}

void CPlaybackManager::OnNeedData(GstElement* pSrc, unsigned, void* pSelf) {
    auto* self = static_cast<CPlaybackManager*>(pSelf);
    const int64_t nAlign = self->m_format.nBlockAlign;
    const uint32_t nRate = self->m_format.nSamplesPerSec;
    GstBuffer* pBuffer =
        gst_buffer_new_allocate(nullptr, static_cast<gsize>(kBlockFrames * nAlign), nullptr);
    GstMapInfo map;
    gst_buffer_map(pBuffer, &map, GST_MAP_WRITE);
    int64_t nFrames = 0;
    try {
        nFrames = self->m_pFeed->Fill(map.data, kBlockFrames);
    } catch (...) {
        nFrames = 0;  // a failing source ends the playback; nothing unwinds into GStreamer
    }
    gst_buffer_unmap(pBuffer, &map);
    if (nFrames <= 0) {
        gst_buffer_unref(pBuffer);
        gst_app_src_end_of_stream(GST_APP_SRC(pSrc));
        return;
    }
    gst_buffer_set_size(pBuffer, static_cast<gssize>(nFrames * nAlign));
    const int64_t nAt = self->m_nPushedFrames.fetch_add(nFrames);
    const auto nStart = gst_util_uint64_scale_round(static_cast<guint64>(nAt), GST_SECOND, nRate);
    const auto nEnd =
        gst_util_uint64_scale_round(static_cast<guint64>(nAt + nFrames), GST_SECOND, nRate);
    GST_BUFFER_PTS(pBuffer) = nStart;
    GST_BUFFER_DURATION(pBuffer) = nEnd - nStart;
    gst_app_src_push_buffer(GST_APP_SRC(pSrc), pBuffer);
}

int CPlaybackManager::OnSeekData(GstElement*, uint64_t, void* pSelf) {
    auto* self = static_cast<CPlaybackManager*>(pSelf);
    self->m_nPushedFrames = 0;
    self->m_bAudioArrived = false;
    try {
        self->m_pFeed->OnFlush();
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

}  // namespace tindlib
