// CWaveDump: every sample reaches the callback once, in order, with its frame index.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include "tindlib/WaveDump.h"

using tindlib::CWaveDump;
using tindlib::CWaveDumpSample;

namespace {

struct Log {
    std::vector<int64_t> times;
    std::vector<size_t> lengths;
    std::atomic<int> ends{0};
    std::atomic<bool> dataAfterEnd{false};
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
};

void Record(const CWaveDumpSample& sample, void* pUser) {
    auto* log = static_cast<Log*>(pUser);
    if (sample.nKind == CWaveDumpSample::Kind::EndOfStream) {
        ++log->ends;
        return;
    }
    if (sample.nKind != CWaveDumpSample::Kind::Data) {
        return;
    }
    log->dataAfterEnd = log->dataAfterEnd || log->ends > 0;
    if (log->inside.fetch_add(1) != 0) {
        log->overlapped = true;
    }
    log->times.push_back(sample.nMediaTime);
    log->lengths.push_back(sample.nLength);
    if (log->times.size() == 1) {
        // A slow consumer: the sink must wait for it rather than pass samples by.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    log->inside.fetch_sub(1);
}

}  // namespace

TEST(WaveDump, HandsEachSampleToTheCallbackInOrder) {
    gst_init(nullptr, nullptr);
    CWaveDump dump;
    ASSERT_TRUE(dump.IsValid());
    Log log;
    dump.SetCallback(&Record, &log);

    GstElement* pipeline = gst_parse_launch(
        "audiotestsrc num-buffers=12 samplesperbuffer=441 ! "
        "audio/x-raw,format=S16LE,rate=44100,channels=2,layout=interleaved ! queue name=q",
        nullptr);
    ASSERT_NE(pipeline, nullptr);
    gst_bin_add(GST_BIN(pipeline), dump.GetElement());
    GstElement* queue = gst_bin_get_by_name(GST_BIN(pipeline), "q");
    ASSERT_TRUE(gst_element_link(queue, dump.GetElement()));
    gst_object_unref(queue);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* msg = gst_bus_timed_pop_filtered(
        bus, 10 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    ASSERT_NE(msg, nullptr);
    EXPECT_EQ(GST_MESSAGE_TYPE(msg), GST_MESSAGE_EOS);
    gst_message_unref(msg);

    tindlib::WAVEFORMATEX format;
    EXPECT_TRUE(dump.GetConnectedFormat(&format));
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(format.nSamplesPerSec, 44100u);
    EXPECT_EQ(format.nBlockAlign, 4);

    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(pipeline);

    ASSERT_EQ(log.times.size(), 12u);
    for (size_t i = 0; i < log.times.size(); ++i) {
        EXPECT_EQ(log.times[i], static_cast<int64_t>(i * 441)) << "sample " << i;
        EXPECT_EQ(log.lengths[i], 441u * 4);
    }
    EXPECT_FALSE(log.overlapped) << "no sample may arrive while the callback runs";
    EXPECT_EQ(log.ends, 1) << "the end is reported once";
    EXPECT_FALSE(log.dataAfterEnd) << "and after the last sample";
}
