// CDecodedSoundFile: the pipeline's life (open, run, bus, hard seek, close) over its ring.
#include "player/audio/DecodedSoundFile.h"

#include <algorithm>
#include <chrono>

#include <gst/gst.h>

#include "player/audio/GstHolder.h"

namespace {

// How long decoding may run to let a parser estimate a duration it could not read.
constexpr auto kDurationTimeout = std::chrono::seconds(3);
// How often the duration is asked again while no message says it changed.
constexpr GstClockTime kDurationRequery = 50 * GST_MSECOND;

// Once the file is open nobody takes messages off the bus, so each one is dropped on the
// thread that posts it. An error first ends the stream in the ring: the streaming thread
// that would deliver more has stopped, and the reader must not wait for it.
GstBusSyncReply OnBusMessage(GstBus*, GstMessage* pMsg, gpointer pRing) {
    if (GST_MESSAGE_TYPE(pMsg) == GST_MESSAGE_ERROR) {
        static_cast<CDecodedRing*>(pRing)->EndWithError();
    }
    gst_message_unref(pMsg);
    return GST_BUS_DROP;
}

// The pipeline's duration in nanoseconds; false while it does not know one.
bool QueryDuration(GstElement* pGraph, gint64* pDuration) {
    return gst_element_query_duration(pGraph, GST_FORMAT_TIME, pDuration) && *pDuration > 0;
}

}  // namespace

CDecodedSoundFile::CDecodedSoundFile() = default;

CDecodedSoundFile::~CDecodedSoundFile() {
    Close();
}

bool CDecodedSoundFile::Open(const std::string& strPath, unsigned nMode) {
    Close();  // the ring starts over: nothing of the previous file leaks into this one
    m_nLength = -1;
    m_pDump = std::make_unique<tindlib::CWaveDump>();
    m_pDump->SetCallback(&CDecodedSoundFile::DumpCallback, this);
    if (!BuildGraph(strPath)) {
        // Whatever was built goes at once, so a refused file holds no thread or handle.
        Close();
        return false;
    }
    m_pBus = gst_element_get_bus(m_pGraph);
    if (!Preroll()) {
        Close();
        return false;
    }
    m_ring.SetFrameBytes(static_cast<size_t>(GetBlockAlign()));
    if (!CanPosition()) {
        CurrentMessageHook()(IDS_CANNOT_SEEK, LoadMessage(IDS_CANNOT_SEEK));
        Close();
        return false;
    }
    WatchBus();
    const bool bOpen = CSoundFile::Open(strPath, nMode);
    GetLength();  // asked once, while the pipeline stands at its start
    return bOpen;
}

void CDecodedSoundFile::WatchBus() {
    gst_bus_set_sync_handler(m_pBus, &OnBusMessage, &m_ring, nullptr);
    // What was posted before the handler still waits on the bus; an error there counts too.
    while (const GstPtr<GstMessage> pMsg{gst_bus_pop_filtered(m_pBus, GST_MESSAGE_ERROR)}) {
        m_ring.EndWithError();
    }
}

bool CDecodedSoundFile::CanPosition() {
    // Positions are asked in time: a stream that cannot seek there cannot be played from
    // the middle, which the player needs.
    const GstPtr<GstQuery> pQuery(gst_query_new_seeking(GST_FORMAT_TIME));
    gboolean bSeekable = FALSE;
    if (gst_element_query(m_pGraph, pQuery.get())) {
        gst_query_parse_seeking(pQuery.get(), nullptr, &bSeekable, nullptr, nullptr);
    }
    if (!bSeekable) {
        return false;
    }
    gint64 nDuration = -1;
    if (QueryDuration(m_pGraph, &nDuration)) {
        return true;
    }
    // Streams without a length header (e.g. MP3 without a Xing frame) get an estimate
    // from the bit rate once some frames have been parsed: start decoding into the ring
    // (which is what the first Read would do) until the parser knows. It says so with a
    // duration message, which not every parser posts: the duration is asked again anyway.
    RunGraph();
    const auto deadline = std::chrono::steady_clock::now() + kDurationTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const GstPtr<GstMessage> pMsg(gst_bus_timed_pop_filtered(
            m_pBus, kDurationRequery,
            static_cast<GstMessageType>(GST_MESSAGE_DURATION_CHANGED | GST_MESSAGE_ERROR)));
        if (pMsg != nullptr && GST_MESSAGE_TYPE(pMsg.get()) == GST_MESSAGE_ERROR) {
            return false;
        }
        if (QueryDuration(m_pGraph, &nDuration)) {
            return true;
        }
    }
    return false;
}

bool CDecodedSoundFile::Close() {
    // A callback waiting for room leaves at once; later ones store nothing.
    m_ring.Park();
    if (m_pGraph != nullptr) {
        gst_element_set_state(m_pGraph, GST_STATE_NULL);  // joins the streaming threads
    }
    // Every callback has gone through the ring's lock, so taking it here orders them all
    // before the dump goes, in a way thread checkers see too (GLib's joins they do not).
    m_ring.Reset();
    if (m_pBus != nullptr) {
        gst_bus_set_sync_handler(m_pBus, nullptr, nullptr, nullptr);
        gst_object_unref(m_pBus);
        m_pBus = nullptr;
    }
    if (m_bDumpInGraph) {
        gst_bin_remove(GST_BIN(m_pGraph), m_pDump->GetElement());
        m_bDumpInGraph = false;
    }
    if (m_pGraph != nullptr) {
        gst_object_unref(m_pGraph);
        m_pGraph = nullptr;
    }
    m_pDump.reset();
    m_bRunning = false;
    return CSoundFile::Close();
}

void CDecodedSoundFile::RunGraph() {
    if (m_pGraph != nullptr && !m_bRunning) {
        gst_element_set_state(m_pGraph, GST_STATE_PLAYING);
        m_bRunning = true;
    }
}

int64_t CDecodedSoundFile::Read(void* pBuffer, int64_t nFrames) {
    if (!IsOpen() || nFrames <= 0 || GetBlockAlign() == 0) {
        return 0;
    }
    RunGraph();  // decoding starts with the first read
    return static_cast<int64_t>(
        m_ring.Read(static_cast<uint8_t*>(pBuffer), static_cast<size_t>(nFrames)));
}

int64_t CDecodedSoundFile::Seek(int64_t nFrame, int) {
    nFrame = std::max<int64_t>(nFrame, 0);
    if (!IsOpen() || GetBlockAlign() == 0 || m_ring.SeekInRing(nFrame)) {
        return nFrame;
    }
    // Hard seek: park the streaming side, empty the ring, reposition the pipeline. Rounded
    // up, so that clipping at this time keeps the target frame and drops the one before it.
    m_ring.BeginHardSeek(nFrame);
    const auto nTime = static_cast<gint64>(gst_util_uint64_scale_ceil(
        static_cast<guint64>(nFrame), GST_SECOND, GetFormat().nSamplesPerSec));
    const gboolean bSeeked =
        gst_element_seek(m_pGraph, 1.0, GST_FORMAT_TIME,
                         static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                         GST_SEEK_TYPE_SET, nTime, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    if (!bSeeked) {
        m_ring.CancelFlushWait();
    }
    return nFrame;
}

int64_t CDecodedSoundFile::GetPosition() {
    return m_ring.GetPosition();
}

int64_t CDecodedSoundFile::GetLength() {
    gint64 nDuration = -1;
    if (m_nLength == -1 && IsOpen() && GetFormat().nSamplesPerSec > 0 &&
        QueryDuration(m_pGraph, &nDuration)) {
        // Rounded: durations are frame times truncated to nanoseconds.
        m_nLength = static_cast<int64_t>(gst_util_uint64_scale_round(
            static_cast<guint64>(nDuration), GetFormat().nSamplesPerSec, GST_SECOND));
    }
    return std::max<int64_t>(m_nLength, 0);
}

void CDecodedSoundFile::DumpCallback(const tindlib::CWaveDumpSample& sample, void* pSource) {
    CDecodedRing& ring = static_cast<CDecodedSoundFile*>(pSource)->m_ring;
    switch (sample.nKind) {
        case tindlib::CWaveDumpSample::Kind::Flushed:
            ring.EndFlush();
            break;
        case tindlib::CWaveDumpSample::Kind::EndOfStream:
            ring.StoreEndOfStream();
            break;
        case tindlib::CWaveDumpSample::Kind::Data:
            ring.StoreSample(sample.pData, sample.nLength, sample.nMediaTime);
            break;
    }
}
