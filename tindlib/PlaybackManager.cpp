// CPlaybackManager on a GStreamer appsrc pipeline.
#include "tindlib/PlaybackManager.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <gst/app/gstappsrc.h>
#include <gst/audio/audio.h>
#include <gst/base/gstbasetransform.h>
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

// The buffer a sound server's client sink gets. PulseAudio may render ahead in blocks of up
// to 2 s (its null output always does when idle); a stream that cannot fill such a block
// at once is held back to the next one, and the server's time runs on meanwhile, so the
// start is late and then jumps. With this much buffered the audio starts at once. What is
// heard is still the clock: the sink reports its latency.
constexpr gint64 kServerBufferUs = 2000000;

// Gives a PulseAudio sink the longer buffer, also the one autoaudiosink puts in place.
void OnElementAdded(GstBin*, GstBin*, GstElement* pElement, gpointer) {
    GstElementFactory* pFactory = gst_element_get_factory(pElement);
    if (pFactory != nullptr &&
        g_strcmp0(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(pFactory)), "pulsesink") == 0) {
        g_object_set(pElement, "buffer-time", kServerBufferUs, nullptr);
    }
}

// Where the audio goes when there is no output: a sink that discards it against the
// clock, so the track still plays in time.
constexpr const char* kDiscardSink = "fakesink sync=true";

// The vocal remover takes 8- and 16-bit PCM as it comes; deeper samples play without it
// rather than be cut down to 16 bits.
bool FilterTakes(const WAVEFORMATEX& format) {
    return format.wBitsPerSample == 8 || format.wBitsPerSample == 16;
}

bool IsFakeSink(GstElement* pElement) {
    GstElementFactory* pFactory = gst_element_get_factory(pElement);
    return pFactory != nullptr &&
           g_strcmp0(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(pFactory)), "fakesink") == 0;
}

// Whether a sink inside the pipeline is a fake one: autoaudiosink falls back to one when
// it finds no server or device.
bool PlaysIntoFakeSink(GstBin* pBin) {
    bool bFake = false;
    GstIterator* pIt = gst_bin_iterate_recurse(pBin);
    GValue item = G_VALUE_INIT;
    while (!bFake && gst_iterator_next(pIt, &item) == GST_ITERATOR_OK) {
        auto* pElement = GST_ELEMENT(g_value_get_object(&item));
        bFake = GST_OBJECT_FLAG_IS_SET(pElement, GST_ELEMENT_FLAG_SINK) && IsFakeSink(pElement);
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(pIt);
    return bFake;
}

}  // namespace

// Nobody reads this pipeline's bus: everything is handled here, on the thread that posts,
// and dropped, so that messages do not pile up over a long playback. ASYNC_DONE is the
// pipeline's own: every sink, whatever a bin put in place, has prerolled.
GstBusSyncReply OnPipelineMessage(GstBus*, GstMessage* pMsg, gpointer pFlags) {
    auto* flags = static_cast<CPlaybackManager::BusFlags*>(pFlags);
    switch (GST_MESSAGE_TYPE(pMsg)) {
        case GST_MESSAGE_ASYNC_DONE:
            flags->bAudioArrived = true;
            break;
        case GST_MESSAGE_EOS:
        case GST_MESSAGE_ERROR:
            flags->bEnded = true;
            break;
        default:
            break;
    }
    return GST_BUS_DROP;
}

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
    if (AudioFormatFor(format) == GST_AUDIO_FORMAT_UNKNOWN || format.nChannels == 0 ||
        format.nSamplesPerSec == 0 || pFeed == nullptr) {
        SetError("unsupported sample format");
        return false;
    }
    {
        std::lock_guard<std::mutex> feed(m_feedMutex);
        m_pFeed = pFeed;
        m_format = format;
    }
    const std::string strSink = SinkDescription();
    m_bHasOutput = BuildWithFilter(strSink, format);
    // A fake sink asked for by name is what the caller wants; one put in by autoaudiosink
    // means nothing can play, and it need not keep time: ours does.
    if (m_bHasOutput && strSink.find("fakesink") == std::string::npos &&
        PlaysIntoFakeSink(GST_BIN(m_pPipeline))) {
        Release();
        m_bHasOutput = false;
    }
    if (!m_bHasOutput && !BuildWithFilter(kDiscardSink, format)) {
        std::lock_guard<std::mutex> feed(m_feedMutex);
        m_pFeed = nullptr;
        return false;
    }
    return true;
}

bool CPlaybackManager::BuildWithFilter(const std::string& strSink, const WAVEFORMATEX& format) {
    if (FilterTakes(format) && IsVocalRemoverAvailable()) {
        const std::string strError = GetLastError();
        if (Build(strSink, format, true)) {
            return true;
        }
        SetError(strError);  // the output may still work without the filter
    }
    return Build(strSink, format, false);
}

bool CPlaybackManager::Build(const std::string& strSink, const WAVEFORMATEX& format, bool bFilter) {
    const std::string strLaunch =
        std::string("appsrc name=src format=time stream-type=seekable is-live=false ! ") +
        (bFilter ? "skellan name=tindlib_vocals ! " : "") + "audioconvert ! audioresample ! " +
        strSink;
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
    m_pFilter = bFilter ? gst_bin_get_by_name(GST_BIN(m_pPipeline), "tindlib_vocals") : nullptr;
    ApplyPassthrough();

    GstAudioInfo info;
    gst_audio_info_set_format(&info, AudioFormatFor(format),
                              static_cast<gint>(format.nSamplesPerSec), format.nChannels, nullptr);
    GstCaps* pCaps = gst_audio_info_to_caps(&info);
    // One block queued at a time keeps the device close to the source.
    g_object_set(m_pSrc, "caps", pCaps, "max-bytes",
                 static_cast<guint64>(kBlockFrames * format.nBlockAlign), "block", FALSE, nullptr);
    gst_caps_unref(pCaps);
    g_signal_connect(m_pSrc, "need-data", G_CALLBACK(OnNeedData), this);
    g_signal_connect(m_pSrc, "seek-data", G_CALLBACK(OnSeekData), this);

    GstBus* pBus = gst_element_get_bus(m_pPipeline);
    gst_bus_set_sync_handler(pBus, OnPipelineMessage, &m_flags, nullptr);
    gst_object_unref(pBus);
    g_signal_connect(m_pPipeline, "deep-element-added", G_CALLBACK(OnElementAdded), nullptr);
    GstIterator* pIt = gst_bin_iterate_recurse(GST_BIN(m_pPipeline));
    gst_iterator_foreach(
        pIt,
        [](const GValue* pItem, gpointer) {
            OnElementAdded(nullptr, nullptr, GST_ELEMENT(g_value_get_object(pItem)), nullptr);
        },
        nullptr);
    gst_iterator_free(pIt);

    // Audio sinks open their device on the way to READY: no server or device fails here.
    if (gst_element_set_state(m_pPipeline, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        SetError("the audio output cannot be opened");
        Release();
        return false;
    }
    return true;
}

void CPlaybackManager::Release() {
    if (m_pPipeline == nullptr) {
        return;
    }
    gst_element_set_state(m_pPipeline, GST_STATE_NULL);
    GstBus* pBus = gst_element_get_bus(m_pPipeline);
    gst_bus_set_sync_handler(pBus, nullptr, nullptr, nullptr);
    gst_object_unref(pBus);
    gst_object_unref(m_pSrc);
    if (m_pFilter != nullptr) {
        gst_object_unref(m_pFilter);
        m_pFilter = nullptr;
    }
    gst_object_unref(m_pPipeline);
    m_pSrc = nullptr;
    m_pPipeline = nullptr;
}

void CPlaybackManager::Close() {
    if (m_pPipeline == nullptr) {
        return;
    }
    Release();  // the streaming thread has stopped: the feed can go
    std::lock_guard<std::mutex> feed(m_feedMutex);
    m_pFeed = nullptr;
    m_bStarted = false;
}

bool CPlaybackManager::Start() {
    if (m_pPipeline == nullptr) {
        return false;
    }
    Halt();
    m_nPushedFrames = 0;
    m_flags.bAudioArrived = false;
    m_flags.bEnded = false;
    m_bStarted = true;
    m_bPlaying = true;
    m_bCacheValid = false;
    m_nCachePos = 0;
    {
        std::lock_guard<std::mutex> feed(m_feedMutex);
        ResetShifter();
    }
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
    m_flags.bEnded = false;
    m_bPlaying = false;
    m_bCacheValid = false;
}

bool CPlaybackManager::Flush() {
    if (!m_bStarted) {
        return false;
    }
    m_flags.bEnded = false;
    m_flags.bAudioArrived = false;
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
    if (!m_bStarted || !m_flags.bAudioArrived) {
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
        // Never past the audio handed over: a sink that stalls stops the clock too.
        const uint64_t nPushed = gst_util_uint64_scale(static_cast<guint64>(m_nPushedFrames.load()),
                                                       GST_SECOND, m_format.nSamplesPerSec);
        const uint64_t nCarried = std::min(m_nCachePos + (nNow - m_nCacheClock), nPushed);
        *pSeconds = static_cast<double>(std::max(nCarried, m_nCachePos)) / GST_SECOND;
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
    std::lock_guard<std::mutex> feed(self->m_feedMutex);
    const int64_t nAlign = self->m_format.nBlockAlign;
    const uint32_t nRate = self->m_format.nSamplesPerSec;
    GstBuffer* pBuffer =
        gst_buffer_new_allocate(nullptr, static_cast<gsize>(kBlockFrames * nAlign), nullptr);
    GstMapInfo map;
    gst_buffer_map(pBuffer, &map, GST_MAP_WRITE);
    int64_t nFrames = 0;
    try {
        nFrames = self->m_shifter.Fill(map.data, kBlockFrames, [self](uint8_t* p, int64_t n) {
            return self->m_pFeed->Fill(p, n);
        });
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
    std::lock_guard<std::mutex> feed(self->m_feedMutex);
    self->m_nPushedFrames = 0;
    try {
        self->m_pFeed->OnFlush();
        self->ResetShifter();
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

void CPlaybackManager::ResetShifter() {
    // Under m_feedMutex. A format or library the shifter cannot use leaves it passing the audio through.
    m_shifter.Reset(m_format, m_nSemitones);
}

bool CPlaybackManager::SetKeySemitones(int nSemitones) {
    m_nSemitones = CPitchShifter::ClampSemitones(nSemitones);
    return m_nSemitones == 0 || CPitchShifter::IsAvailable();
}

bool CPlaybackManager::SetVocalRemoval(bool bOn) {
    m_bVocalRemoval = bOn;
    ApplyPassthrough();
    return m_pFilter != nullptr;
}

void CPlaybackManager::ApplyPassthrough() {
    if (m_pFilter != nullptr) {
        gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(m_pFilter), !m_bVocalRemoval);
    }
}

bool CPlaybackManager::IsVocalRemoverAvailable(std::string* pstrWhy) {
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    GstElement* pElement = gst_element_factory_make("skellan", nullptr);
    if (pElement == nullptr) {
        if (pstrWhy != nullptr) {
            *pstrWhy = "the skellan GStreamer element is not installed";
        }
        return false;
    }
    gst_object_ref_sink(pElement);
    // The element exists without its filter when Skellan.ax cannot be loaded; it would
    // then fail the whole pipeline.
    gpointer pFilter = nullptr;
    g_object_get(pElement, "filter", &pFilter, nullptr);
    gst_object_unref(pElement);
    if (pFilter == nullptr && pstrWhy != nullptr) {
        *pstrWhy = "the Skellan filter (Skellan.ax) cannot be loaded";
    }
    return pFilter != nullptr;
}

bool CPlaybackManager::LoadVocalRemoverPlugin(const std::string& strPluginFile) {
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    if (GstElementFactory* pFactory = gst_element_factory_find("skellan")) {
        gst_object_unref(pFactory);
        return true;
    }
    GError* pError = nullptr;
    GstPlugin* pPlugin = gst_plugin_load_file(strPluginFile.c_str(), &pError);
    if (pError != nullptr) {
        g_error_free(pError);
    }
    if (pPlugin == nullptr) {
        return false;
    }
    gst_object_unref(pPlugin);
    GstElementFactory* pFactory = gst_element_factory_find("skellan");
    if (pFactory == nullptr) {
        return false;
    }
    gst_object_unref(pFactory);
    return true;
}

}  // namespace tindlib
