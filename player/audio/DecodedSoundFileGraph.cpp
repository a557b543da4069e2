// CDecodedSoundFile: building and prerolling the decoding pipeline.
#include <chrono>

#include <gst/gst.h>

#include "player/audio/DecodedSoundFile.h"

namespace {

// Failure codes of the graph-building steps; thrown and caught inside BuildGraph only.
struct StepCode {  // thrown as plain int
    static constexpr int kNoPipeline = 163;
    static constexpr int kNoDump = 176;
    static constexpr int kDumpNotAdded = 179;
    static constexpr int kNoControl = 187;
    static constexpr int kNoEvents = 193;
    static constexpr int kNoSink = 257;
    static constexpr int kNotConnected =
        1;  // the sink's input is not linked: result false, no code of its own
    static constexpr int kNoFormat = 2;
};

// A file that neither errors nor prerolls within this time is refused.
constexpr auto kPrerollTimeout = std::chrono::seconds(10);

// Links decodebin's first audio pad to the converter; other streams are left unlinked.
void OnPadAdded(GstElement*, GstPad* pPad, gpointer pConvert) {
    GstPad* pSinkPad = gst_element_get_static_pad(GST_ELEMENT(pConvert), "sink");
    if (!gst_pad_is_linked(pSinkPad)) {
        GstCaps* pCaps = gst_pad_get_current_caps(pPad);
        if (pCaps == nullptr) {
            pCaps = gst_pad_query_caps(pPad, nullptr);
        }
        const GstStructure* pStruct = gst_caps_get_structure(pCaps, 0);
        if (pStruct != nullptr && g_str_has_prefix(gst_structure_get_name(pStruct), "audio/")) {
            gst_pad_link(pPad, pSinkPad);
        }
        gst_caps_unref(pCaps);
    }
    gst_object_unref(pSinkPad);
}

// Without an audio stream nothing would ever preroll: report it as an error.
void OnNoMorePads(GstElement* pDecoder, gpointer pConvert) {
    GstPad* pSinkPad = gst_element_get_static_pad(GST_ELEMENT(pConvert), "sink");
    if (!gst_pad_is_linked(pSinkPad)) {
        GError* pError =
            g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_WRONG_TYPE, "no audio stream");
        gst_element_post_message(pDecoder,
                                 gst_message_new_error(GST_OBJECT(pDecoder), pError, nullptr));
        g_error_free(pError);
    }
    gst_object_unref(pSinkPad);
}

// The bin's sink: the first element with exactly one input pad and no output pad.
GstElement* FindSink(GstElement* pGraph) {
    GstElement* pFound = nullptr;
    GstIterator* pIt = gst_bin_iterate_elements(GST_BIN(pGraph));
    GValue item = G_VALUE_INIT;
    while (pFound == nullptr && gst_iterator_next(pIt, &item) == GST_ITERATOR_OK) {
        auto* pElement = GST_ELEMENT(g_value_get_object(&item));
        GST_OBJECT_LOCK(pElement);
        const bool bSink = pElement->numsinkpads == 1 && pElement->numsrcpads == 0;
        GST_OBJECT_UNLOCK(pElement);
        if (bSink) {
            pFound = GST_ELEMENT(gst_object_ref(pElement));
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(pIt);
    return pFound;
}

// Waits for the pipeline to preroll; false on an error, an early end or the time-out.
bool WaitPreroll(GstBus* pBus) {
    const auto deadline = std::chrono::steady_clock::now() + kPrerollTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        GstMessage* pMsg = gst_bus_timed_pop_filtered(
            pBus, 20 * GST_MSECOND,
            static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR |
                                        GST_MESSAGE_EOS));
        if (pMsg == nullptr) {
            continue;
        }
        const bool bDone = GST_MESSAGE_TYPE(pMsg) == GST_MESSAGE_ASYNC_DONE;
        gst_message_unref(pMsg);
        return bDone;
    }
    return false;
}

}  // namespace

bool CDecodedSoundFile::BuildGraph(const std::string& strPath) {
    if (!gst_is_initialized()) {
        gst_init(nullptr, nullptr);
    }
    try {
        // Step 1: the pipeline.
        m_pGraph = gst_pipeline_new("decoder");
        if (m_pGraph == nullptr) {
            throw StepCode::kNoPipeline;
        }
        gst_object_ref_sink(m_pGraph);
        // Steps 2-4: the dump sink joins the pipeline first.
        if (!m_pDump->IsValid()) {
            throw StepCode::kNoDump;
        }
        if (!gst_bin_add(GST_BIN(m_pGraph), m_pDump->GetElement())) {
            throw StepCode::kDumpNotAdded;
        }
        m_bDumpInGraph = true;
        // Step 5: render the file into the dump. A missing element leaves the dump
        // unconnected, which the connection check below refuses.
        GstElement* pSource = gst_element_factory_make("filesrc", nullptr);
        GstElement* pDecoder = gst_element_factory_make("decodebin", nullptr);
        GstElement* pConvert = gst_element_factory_make("audioconvert", nullptr);
        GstElement* pFilter = gst_element_factory_make("capsfilter", nullptr);
        if (pSource == nullptr || pDecoder == nullptr || pConvert == nullptr ||
            pFilter == nullptr) {
            for (GstElement* p : {pSource, pDecoder, pConvert, pFilter}) {
                if (p != nullptr) {
                    gst_object_unref(gst_object_ref_sink(p));
                }
            }
            throw StepCode::kNotConnected;
        }
        g_object_set(pSource, "location", strPath.c_str(), nullptr);
        GstCaps* pCaps = gst_caps_from_string("audio/x-raw,format=S16LE,layout=interleaved");
        g_object_set(pFilter, "caps", pCaps, nullptr);
        gst_caps_unref(pCaps);
        gst_bin_add_many(GST_BIN(m_pGraph), pSource, pDecoder, pConvert, pFilter, nullptr);
        gst_element_link(pSource, pDecoder);
        gst_element_link_many(pConvert, pFilter, m_pDump->GetElement(), nullptr);
        g_signal_connect(pDecoder, "pad-added", G_CALLBACK(OnPadAdded), pConvert);
        g_signal_connect(pDecoder, "no-more-pads", G_CALLBACK(OnNoMorePads), pConvert);
    } catch (int) {
        return false;
    }
    return true;
}

bool CDecodedSoundFile::Preroll() {
    GstElement* pSink = nullptr;
    try {
        // Steps 6-8: control, seeking and events all go through the pipeline and its bus.
        if (m_pBus == nullptr) {
            throw StepCode::kNoEvents;
        }
        if (gst_element_set_state(m_pGraph, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
            throw StepCode::kNoControl;
        }
        const bool bPrerolled = WaitPreroll(m_pBus);
        // Steps 9-13 of the original graph (a sample grabber and a null renderer that
        // never joined it) had no effect and are left out.

        // Steps 14-15: the sink must be the dump, and its input must be connected.
        pSink = FindSink(m_pGraph);
        if (pSink == nullptr) {
            throw StepCode::kNoSink;
        }
        GstPad* pSinkPad = gst_element_get_static_pad(pSink, "sink");
        const bool bLinked = pSinkPad != nullptr && gst_pad_is_linked(pSinkPad);
        if (pSinkPad != nullptr) {
            gst_object_unref(pSinkPad);
        }
        if (!bPrerolled || !bLinked) {
            throw StepCode::kNotConnected;
        }
        // Step 16: the decoded format.
        tindlib::WAVEFORMATEX format;
        if (!m_pDump->GetConnectedFormat(&format)) {
            throw StepCode::kNoFormat;
        }
        SetFormat(format);
        // Step 17 (time format) does not apply: positions are always in nanoseconds here.
        // Steps 18-19: seeking and the duration are checked by Open.
    } catch (int) {
        if (pSink != nullptr) {
            gst_object_unref(pSink);
        }
        return false;
    }
    gst_object_unref(pSink);
    return true;
}
