// GstPtr: scoped ownership of one GStreamer reference, released on every path out.
#pragma once

#include <memory>

#include <gst/gst.h>

// Objects (elements, pads, buses) drop their reference with gst_object_unref; the
// refcounted structures have their own unref.
template <typename T>
struct GstUnref {
    void operator()(T* p) const { gst_object_unref(p); }
};
template <>
struct GstUnref<GstCaps> {
    void operator()(GstCaps* p) const { gst_caps_unref(p); }
};
template <>
struct GstUnref<GstMessage> {
    void operator()(GstMessage* p) const { gst_message_unref(p); }
};
template <>
struct GstUnref<GstQuery> {
    void operator()(GstQuery* p) const { gst_query_unref(p); }
};

// Takes over a reference the caller owns (not a floating one: sink it first).
template <typename T>
using GstPtr = std::unique_ptr<T, GstUnref<T>>;
