// CTunePlayer: plays a file through the `skellan` element and hands out its filter.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <gst/gst.h>

#include "platform/com/Unknown.h"

// The pipeline: filesrc ! decodebin ! audioconvert ! audioresample ! S16LE ! skellan !
// audioconvert ! sink. UI thread only; bus messages are polled on a timer.
class CTunePlayer : public QObject {
    Q_OBJECT
public:
    explicit CTunePlayer(QObject* parent = nullptr);
    ~CTunePlayer() override;

    // False with a message in Error() when the pipeline cannot be built.
    bool Open(const QString& file, const QString& sinkDescription);
    bool Play();
    QString Error() const { return m_error; }

    // The element's filter (no reference added; valid while the player lives).
    com::IUnknown* Filter() const;
    // Skellan.ax beside the loaded plugin, for the page's class.
    QString ServerPath() const;

signals:
    void finished();
    void failed(const QString& message);

private:
    void PollBus();
    static void OnPadAdded(GstElement* decoder, GstPad* pad, gpointer convert);

    GstElement* m_pipeline = nullptr;
    GstElement* m_skellan = nullptr;
    QTimer m_busTimer;
    QString m_error;
};
