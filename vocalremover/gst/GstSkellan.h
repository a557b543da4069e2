// GstSkellan: the `skellan` element, a GStreamer host for the Skellan filter.
#pragma once

#include <gst/base/gstbasetransform.h>

G_BEGIN_DECLS

#define GST_TYPE_SKELLAN (gst_skellan_get_type())
G_DECLARE_FINAL_TYPE(GstSkellan, gst_skellan, GST, SKELLAN, GstBaseTransform)

G_END_DECLS
