// GstSkellan: caps negotiation into the filter's media type, in-place buffers, properties
// through IVocalRemover, presets, and the plugin's registration.
#include "vocalremover/gst/GstSkellan.h"

#include <climits>
#include <new>

#include "platform/dshow/MediaType.h"
#include "vocalremover/gst/SkellanHost.h"

GST_DEBUG_CATEGORY_STATIC(gst_skellan_debug);
#define GST_CAT_DEFAULT gst_skellan_debug

struct _GstSkellan {
    GstBaseTransform parent;
    // Made in init, destroyed in finalize; null only when the filter could not be had.
    skellan::CSkellanHost* host;
};

namespace {

enum { PROP_0, PROP_LEVEL, PROP_BALANCE, PROP_GAIN, PROP_FILTER };

constexpr int DEFAULT_LEVEL = 100;
constexpr int DEFAULT_BALANCE = 50;
constexpr int DEFAULT_GAIN = 100;

// Exactly what the filter accepts: 8- or 16-bit PCM, interleaved, any rate, and as many
// channels as a wave format can name.
#define SKELLAN_CAPS                                                                \
    "audio/x-raw, format = (string) { U8, S16LE }, layout = (string) interleaved, " \
    "rate = (int) [ 1, MAX ], channels = (int) [ 1, 65535 ]"

GstStaticPadTemplate sink_template =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS(SKELLAN_CAPS));
GstStaticPadTemplate src_template =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS(SKELLAN_CAPS));

void gst_skellan_preset_init(gpointer g_iface, gpointer iface_data);

}  // namespace

G_DEFINE_TYPE_WITH_CODE(GstSkellan, gst_skellan, GST_TYPE_BASE_TRANSFORM,
                        G_IMPLEMENT_INTERFACE(GST_TYPE_PRESET, gst_skellan_preset_init))

namespace {

// Presets hold the filter's three settings only.
gchar** gst_skellan_get_property_names(GstPreset*) {
    const gchar* names[] = {"level", "balance", "gain", nullptr};
    return g_strdupv(const_cast<gchar**>(names));
}

void gst_skellan_preset_init(gpointer g_iface, gpointer) {
    auto* iface = static_cast<GstPresetInterface*>(g_iface);
    iface->get_property_names = gst_skellan_get_property_names;
}

void gst_skellan_set_property(GObject* object, guint prop_id, const GValue* value,
                              GParamSpec* pspec) {
    GstSkellan* self = GST_SKELLAN(object);
    skellan::IVocalRemover* params = self->host ? self->host->Parameters() : nullptr;
    if (params == nullptr) {
        if (prop_id > PROP_0 && prop_id < PROP_FILTER) {
            GST_WARNING_OBJECT(self, "no filter: %s not set", pspec->name);
            return;
        }
    }
    switch (prop_id) {
        case PROP_LEVEL:
            params->put_Level(g_value_get_int(value));
            break;
        case PROP_BALANCE:
            params->put_Balance(g_value_get_int(value));
            break;
        case PROP_GAIN:
            params->put_Gain(g_value_get_int(value));
            break;
        default:
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, prop_id, pspec);
            break;
    }
}

void gst_skellan_get_property(GObject* object, guint prop_id, GValue* value, GParamSpec* pspec) {
    GstSkellan* self = GST_SKELLAN(object);
    skellan::IVocalRemover* params = self->host ? self->host->Parameters() : nullptr;
    int v = 0;
    switch (prop_id) {
        case PROP_LEVEL:
            v = DEFAULT_LEVEL;
            if (params)
                params->get_Level(&v);
            g_value_set_int(value, v);
            break;
        case PROP_BALANCE:
            v = DEFAULT_BALANCE;
            if (params)
                params->get_Balance(&v);
            g_value_set_int(value, v);
            break;
        case PROP_GAIN:
            v = DEFAULT_GAIN;
            if (params)
                params->get_Gain(&v);
            g_value_set_int(value, v);
            break;
        case PROP_FILTER:
            g_value_set_pointer(value, self->host ? self->host->Filter() : nullptr);
            break;
        default:
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, prop_id, pspec);
            break;
    }
}

gboolean gst_skellan_start(GstBaseTransform* trans) {
    GstSkellan* self = GST_SKELLAN(trans);
    if (self->host == nullptr || com::FAILED(self->host->Result())) {
        GST_ELEMENT_ERROR(self, LIBRARY, INIT, ("Cannot load the Skellan filter."),
                          ("%s", self->host ? self->host->Error().c_str() : "out of memory"));
        return FALSE;
    }
    return TRUE;
}

gboolean gst_skellan_stop(GstBaseTransform* trans) {
    GstSkellan* self = GST_SKELLAN(trans);
    if (self->host != nullptr)
        self->host->Stop();
    return TRUE;
}

// Read from the structure itself: a layout of more than two channels needs no channel
// positions here, since the filter treats every channel count alike.
gboolean gst_skellan_set_caps(GstBaseTransform* trans, GstCaps* incaps, GstCaps*) {
    GstSkellan* self = GST_SKELLAN(trans);
    const GstStructure* s = gst_caps_get_structure(incaps, 0);
    const gchar* format = gst_structure_get_string(s, "format");
    gint rate = 0;
    gint channels = 0;
    uint16_t bits = 0;
    if (g_strcmp0(format, "U8") == 0) {
        bits = 8;
    } else if (g_strcmp0(format, "S16LE") == 0) {
        bits = 16;
    }
    if (bits == 0 || !gst_structure_get_int(s, "rate", &rate) || rate <= 0 ||
        !gst_structure_get_int(s, "channels", &channels) || channels < 1 || channels > 65535) {
        GST_WARNING_OBJECT(self, "unusable caps");
        return FALSE;
    }
    const dshow::CMediaType mt = dshow::MakeAudioType(
        dshow::WAVE_FORMAT_PCM, static_cast<uint16_t>(channels), static_cast<uint32_t>(rate), bits);
    const com::HRESULT hr = self->host ? self->host->SetFormat(mt) : com::E_UNEXPECTED;
    if (com::FAILED(hr)) {
        gchar* caps = gst_caps_to_string(incaps);
        GST_WARNING_OBJECT(self, "the filter refused %s: 0x%08X", caps, static_cast<unsigned>(hr));
        g_free(caps);
        return FALSE;
    }
    return TRUE;
}

GstFlowReturn gst_skellan_transform_ip(GstBaseTransform* trans, GstBuffer* buf) {
    GstSkellan* self = GST_SKELLAN(trans);
    GstMapInfo map;
    if (!gst_buffer_map(buf, &map, GST_MAP_READWRITE)) {
        GST_ELEMENT_ERROR(self, STREAM, FAILED, (nullptr), ("cannot map the buffer"));
        return GST_FLOW_ERROR;
    }
    com::HRESULT hr = com::S_OK;
    if (map.size > static_cast<gsize>(LONG_MAX)) {
        hr = com::E_INVALIDARG;
    } else {
        hr = self->host->Process(map.data, static_cast<long>(map.size));
    }
    gst_buffer_unmap(buf, &map);
    if (com::FAILED(hr)) {
        GST_ELEMENT_ERROR(self, STREAM, FAILED, (nullptr),
                          ("the filter failed on a buffer: 0x%08X", static_cast<unsigned>(hr)));
        return GST_FLOW_ERROR;
    }
    return GST_FLOW_OK;
}

void gst_skellan_finalize(GObject* object) {
    GstSkellan* self = GST_SKELLAN(object);
    delete self->host;
    self->host = nullptr;
    G_OBJECT_CLASS(gst_skellan_parent_class)->finalize(object);
}

}  // namespace

static void gst_skellan_class_init(GstSkellanClass* klass) {
    GObjectClass* gobject_class = G_OBJECT_CLASS(klass);
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    GstBaseTransformClass* trans_class = GST_BASE_TRANSFORM_CLASS(klass);

    GST_DEBUG_CATEGORY_INIT(gst_skellan_debug, "skellan", 0, "Skellan vocal remover");

    gobject_class->set_property = gst_skellan_set_property;
    gobject_class->get_property = gst_skellan_get_property;
    gobject_class->finalize = gst_skellan_finalize;

    const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS);
    g_object_class_install_property(
        gobject_class, PROP_LEVEL,
        g_param_spec_int("level", "Level",
                         "Share of the centre removed, in percent (0 none, 100 all); any "
                         "integer is used as given",
                         G_MININT, G_MAXINT, DEFAULT_LEVEL, flags));
    g_object_class_install_property(
        gobject_class, PROP_BALANCE,
        g_param_spec_int("balance", "Balance",
                         "Weight of the left channel in the centre estimate, in percent "
                         "(50 equal, 100 left only, 0 right only)",
                         G_MININT, G_MAXINT, DEFAULT_BALANCE, flags));
    g_object_class_install_property(
        gobject_class, PROP_GAIN,
        g_param_spec_int("gain", "Gain", "Output gain in percent (100 unity, 0 silence)", G_MININT,
                         G_MAXINT, DEFAULT_GAIN, flags));
    g_object_class_install_property(
        gobject_class, PROP_FILTER,
        g_param_spec_pointer("filter", "Filter",
                             "The element's Skellan filter (an IBaseFilter, valid while the "
                             "element lives; no reference is added)",
                             static_cast<GParamFlags>(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));

    gst_element_class_add_static_pad_template(element_class, &sink_template);
    gst_element_class_add_static_pad_template(element_class, &src_template);
    gst_element_class_set_static_metadata(
        element_class, "Skellan vocal remover", "Filter/Effect/Audio",
        "Removes the centre of the stereo image, where a lead vocal usually sits, from 16-bit "
        "stereo PCM through the Skellan filter; other PCM passes unchanged",
        "Quillet developers");

    trans_class->start = GST_DEBUG_FUNCPTR(gst_skellan_start);
    trans_class->stop = GST_DEBUG_FUNCPTR(gst_skellan_stop);
    trans_class->set_caps = GST_DEBUG_FUNCPTR(gst_skellan_set_caps);
    trans_class->transform_ip = GST_DEBUG_FUNCPTR(gst_skellan_transform_ip);
    // Passthrough (set by a host that switches the removal off) leaves buffers untouched.
    trans_class->transform_ip_on_passthrough = FALSE;
}

static void gst_skellan_init(GstSkellan* self) {
    self->host = new (std::nothrow) skellan::CSkellanHost();
    if (self->host != nullptr && com::FAILED(self->host->Result())) {
        GST_WARNING_OBJECT(self, "%s", self->host->Error().c_str());
    }
    gst_base_transform_set_in_place(GST_BASE_TRANSFORM(self), TRUE);
}

static gboolean plugin_init(GstPlugin* plugin) {
    // Rank none: like a filter of merit "do not use", never plugged in on its own.
    return gst_element_register(plugin, "skellan", GST_RANK_NONE, GST_TYPE_SKELLAN);
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, skellan,
                  "Skellan vocal remover, hosting the Skellan filter library", plugin_init,
                  SKELLAN_VERSION, "unknown", "Skellan", "Unknown package origin")
