// CDecodedSoundFile: building and prerolling the decoding pipeline.
#include <gst/gst.h>

#include "player/audio/DecodedSoundFile.h"
#include "player/audio/GstHolder.h"

namespace {

// What the dump takes: the player's own sample layout, whatever the file holds.
constexpr const char* kDecodedCaps = "audio/x-raw,format=S16LE,layout=interleaved";
// A file that neither errors nor prerolls within this time is refused.
constexpr GstClockTime kPrerollTimeout = 10 * GST_SECOND;

// A new element of the named factory, owned by the caller; null when its plugin is missing.
GstPtr<GstElement> MakeElement(const char* szFactory) {
    GstElement* pElement = gst_element_factory_make(szFactory, nullptr);
    return GstPtr<GstElement>(pElement != nullptr ? GST_ELEMENT(gst_object_ref_sink(pElement))
                                                  : nullptr);
}

bool IsInputLinked(GstElement* pElement) {
    const GstPtr<GstPad> pPad(gst_element_get_static_pad(pElement, "sink"));
    return pPad != nullptr && gst_pad_is_linked(pPad.get());
}

// decodebin exposes a pad per stream as it finds them; the first audio one feeds the
// converter, other streams (cover art, video) stay unlinked and are ignored.
void OnPadAdded(GstElement*, GstPad* pPad, gpointer pConvert) {
    const GstPtr<GstPad> pSinkPad(gst_element_get_static_pad(GST_ELEMENT(pConvert), "sink"));
    if (gst_pad_is_linked(pSinkPad.get())) {
        return;
    }
    GstPtr<GstCaps> pCaps(gst_pad_get_current_caps(pPad));
    if (pCaps == nullptr) {
        pCaps.reset(gst_pad_query_caps(pPad, nullptr));
    }
    const GstStructure* pStruct = gst_caps_get_structure(pCaps.get(), 0);
    if (pStruct != nullptr && g_str_has_prefix(gst_structure_get_name(pStruct), "audio/")) {
        gst_pad_link(pPad, pSinkPad.get());
    }
}

// Once decodebin has exposed all its streams without an audio one, the dump would never
// preroll: post an error so that Preroll fails at once instead of timing out.
void OnNoMorePads(GstElement* pDecoder, gpointer pConvert) {
    if (IsInputLinked(GST_ELEMENT(pConvert))) {
        return;
    }
    GError* pError =
        g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_WRONG_TYPE, "no audio stream");
    gst_element_post_message(pDecoder,
                             gst_message_new_error(GST_OBJECT(pDecoder), pError, nullptr));
    g_error_free(pError);
}

}  // namespace

bool CDecodedSoundFile::BuildGraph(const std::string& strPath) {
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    // filesrc ! decodebin ! audioconvert ! capsfilter ! dump. decodebin picks the demuxer
    // and decoder for whatever the file holds; audioconvert and the caps filter turn any
    // raw audio into interleaved S16LE, the only layout the ring and the player handle.
    if (!m_pDump->IsValid()) {
        return false;
    }
    m_pGraph = gst_pipeline_new("decoder");
    if (m_pGraph == nullptr) {
        return false;
    }
    gst_object_ref_sink(m_pGraph);
    // The bin holds its own reference to the dump; Close takes it out again before the
    // CWaveDump that owns the element goes.
    if (!gst_bin_add(GST_BIN(m_pGraph), m_pDump->GetElement())) {
        return false;
    }
    m_bDumpInGraph = true;
    const GstPtr<GstElement> pSource = MakeElement("filesrc");
    const GstPtr<GstElement> pDecoder = MakeElement("decodebin");
    const GstPtr<GstElement> pConvert = MakeElement("audioconvert");
    const GstPtr<GstElement> pFilter = MakeElement("capsfilter");
    if (!pSource || !pDecoder || !pConvert || !pFilter) {
        return false;  // a plugin is missing: nothing decodes here
    }
    g_object_set(pSource.get(), "location", strPath.c_str(), nullptr);
    const GstPtr<GstCaps> pCaps(gst_caps_from_string(kDecodedCaps));
    g_object_set(pFilter.get(), "caps", pCaps.get(), nullptr);
    gst_bin_add_many(GST_BIN(m_pGraph), pSource.get(), pDecoder.get(), pConvert.get(),
                     pFilter.get(), nullptr);
    // A failed link leaves the dump without data, which Preroll refuses.
    gst_element_link(pSource.get(), pDecoder.get());
    gst_element_link_many(pConvert.get(), pFilter.get(), m_pDump->GetElement(), nullptr);
    // The bin keeps the converter alive as long as decodebin can signal.
    g_signal_connect(pDecoder.get(), "pad-added", G_CALLBACK(OnPadAdded), pConvert.get());
    g_signal_connect(pDecoder.get(), "no-more-pads", G_CALLBACK(OnNoMorePads), pConvert.get());
    return true;
}

bool CDecodedSoundFile::Preroll() {
    // Going to PAUSED makes decodebin type the file and expose its streams; the change
    // completes (ASYNC_DONE) once the first decoded sample waits in the dump. An error or
    // an end before that means the file holds no audio this pipeline can decode.
    if (m_pBus == nullptr ||
        gst_element_set_state(m_pGraph, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        return false;
    }
    const GstPtr<GstMessage> pMsg(gst_bus_timed_pop_filtered(
        m_pBus, kPrerollTimeout,
        static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR | GST_MESSAGE_EOS)));
    if (pMsg == nullptr || GST_MESSAGE_TYPE(pMsg.get()) != GST_MESSAGE_ASYNC_DONE ||
        !IsInputLinked(m_pDump->GetElement())) {
        return false;
    }
    // The caps the dump negotiated are the decoded format: rate, channels, 16-bit samples.
    tindlib::WAVEFORMATEX format;
    if (!m_pDump->GetConnectedFormat(&format)) {
        return false;
    }
    SetFormat(format);
    return true;
}
