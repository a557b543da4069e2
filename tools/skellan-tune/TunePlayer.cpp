// CTunePlayer: pipeline construction, the decoder's dynamic pad, and bus polling.
#include "tools/skellan-tune/TunePlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

constexpr int kBusPollMs = 50;

GstElement* Make(const char* factory, const char* name = nullptr) {
    return gst_element_factory_make(factory, name);
}

// The plugin from the build tree or an install beside the program, when GStreamer's own
// paths do not have it.
void FindPlugin() {
    GstElementFactory* factory = gst_element_factory_find("skellan");
    if (factory != nullptr) {
        gst_object_unref(factory);
        return;
    }
    const QString app = QCoreApplication::applicationDirPath();
    for (const QString& dir :
         {app + QStringLiteral("/../../plugins"), app + QStringLiteral("/../lib/gstreamer-1.0")}) {
        const QString plugin = QDir(dir).filePath(QStringLiteral("libgstskellan.so"));
        if (QFileInfo::exists(plugin)) {
            if (GstPlugin* loaded = gst_plugin_load_file(plugin.toUtf8().constData(), nullptr)) {
                gst_object_unref(loaded);
                return;
            }
        }
    }
}

}  // namespace

CTunePlayer::CTunePlayer(QObject* parent) : QObject(parent) {
    connect(&m_busTimer, &QTimer::timeout, this, &CTunePlayer::PollBus);
}

CTunePlayer::~CTunePlayer() {
    if (m_pipeline != nullptr) {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_skellan);
        gst_object_unref(m_pipeline);
    }
}

bool CTunePlayer::Open(const QString& file, const QString& sinkDescription) {
    if (!QFileInfo(file).isFile()) {
        m_error = tr("Cannot open the file %1.").arg(file);
        return false;
    }
    FindPlugin();
    m_pipeline = gst_pipeline_new("skellan-tune");
    GstElement* source = Make("filesrc");
    GstElement* decoder = Make("decodebin");
    GstElement* convert = Make("audioconvert");
    GstElement* resample = Make("audioresample");
    GstElement* caps = Make("capsfilter");
    m_skellan = Make("skellan", "skellan");
    GstElement* after = Make("audioconvert");
    GError* error = nullptr;
    GstElement* sink =
        gst_parse_bin_from_description(sinkDescription.toUtf8().constData(), TRUE, &error);
    if (error != nullptr) {
        m_error = tr("Bad audio sink: %1").arg(QString::fromUtf8(error->message));
        g_error_free(error);
    }
    if (!source || !decoder || !convert || !resample || !caps || !m_skellan || !after || !sink) {
        if (m_error.isEmpty()) {
            m_error = m_skellan ? tr("A GStreamer element is missing (install the base plugins).")
                                : tr("The skellan element is not installed.");
        }
        for (GstElement* e : {source, decoder, convert, resample, caps, after, sink}) {
            if (e)
                gst_object_unref(e);
        }
        return false;
    }
    gst_object_ref(m_skellan);
    g_object_set(source, "location", file.toUtf8().constData(), nullptr);
    GstCaps* s16 = gst_caps_from_string("audio/x-raw, format=S16LE, layout=interleaved");
    g_object_set(caps, "caps", s16, nullptr);
    gst_caps_unref(s16);
    gst_bin_add_many(GST_BIN(m_pipeline), source, decoder, convert, resample, caps, m_skellan,
                     after, sink, nullptr);
    if (!gst_element_link(source, decoder) ||
        !gst_element_link_many(convert, resample, caps, m_skellan, after, sink, nullptr)) {
        m_error = tr("Cannot link the playback pipeline.");
        return false;
    }
    g_signal_connect(decoder, "pad-added", G_CALLBACK(&CTunePlayer::OnPadAdded), convert);
    return true;
}

void CTunePlayer::OnPadAdded(GstElement*, GstPad* pad, gpointer convert) {
    GstPad* sinkPad = gst_element_get_static_pad(static_cast<GstElement*>(convert), "sink");
    if (!gst_pad_is_linked(sinkPad)) {
        GstCaps* caps = gst_pad_get_current_caps(pad);
        const GstStructure* s = caps ? gst_caps_get_structure(caps, 0) : nullptr;
        if (s != nullptr && g_str_has_prefix(gst_structure_get_name(s), "audio/")) {
            gst_pad_link(pad, sinkPad);
        }
        if (caps)
            gst_caps_unref(caps);
    }
    gst_object_unref(sinkPad);
}

bool CTunePlayer::Play() {
    if (m_pipeline == nullptr)
        return false;
    if (gst_element_set_state(m_pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        m_error = tr("Cannot start playback.");
        PollBus();  // the bus may say why
        return false;
    }
    m_busTimer.start(kBusPollMs);
    return true;
}

com::IUnknown* CTunePlayer::Filter() const {
    gpointer filter = nullptr;
    if (m_skellan != nullptr)
        g_object_get(m_skellan, "filter", &filter, nullptr);
    return static_cast<com::IUnknown*>(filter);
}

QString CTunePlayer::ServerPath() const {
    if (m_skellan == nullptr)
        return {};
    GstElementFactory* factory = gst_element_get_factory(m_skellan);
    GstPlugin* plugin = gst_plugin_feature_get_plugin(GST_PLUGIN_FEATURE(factory));
    if (plugin == nullptr)
        return {};
    const QString dir =
        QFileInfo(QString::fromUtf8(gst_plugin_get_filename(plugin))).absolutePath();
    gst_object_unref(plugin);
    return QDir(dir).filePath(QStringLiteral("Skellan.ax"));
}

void CTunePlayer::PollBus() {
    GstBus* bus = gst_element_get_bus(m_pipeline);
    while (GstMessage* message = gst_bus_pop(bus)) {
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
            m_busTimer.stop();
            emit finished();
        } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            m_error = QString::fromUtf8(error ? error->message : "unknown error");
            if (error)
                g_error_free(error);
            m_busTimer.stop();
            emit failed(m_error);
        }
        gst_message_unref(message);
    }
    gst_object_unref(bus);
}
