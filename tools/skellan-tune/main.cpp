// skellan-tune: plays a file through the vocal remover and shows its property page.
#include <cstdio>
#include <optional>

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <gst/gst.h>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/ui/PropertyFrame.h"
#include "tools/cli/CommandLine.h"
#include "tools/skellan-tune/TunePlayer.h"

namespace {

const char kUsage[] =
    "usage: skellan-tune [options] [--] FILE\n"
    "Plays FILE through the Skellan vocal remover and shows its property page: moving a\n"
    "trackbar is heard at once.\n"
    "  --sink DESCRIPTION    GStreamer audio sink (default: SKELLAN_AUDIO_SINK, else\n"
    "                        autoaudiosink)\n"
    "  --quit-after SECONDS  quit after this many seconds, without message boxes\n"
    "  -h, --help            show this help\n"
    "GStreamer's --gst-* options are taken as well.\n";

constexpr double kMaxQuitAfter = 24 * 3600;

int Fail(const QString& message, bool gui) {
    std::fprintf(stderr, "skellan-tune: %s\n", message.toUtf8().constData());
    if (gui)
        QMessageBox::critical(nullptr, QStringLiteral("Skellan"), message);
    return cli::kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);  // takes its --gst-* options out of argv
    cli::CommandLine cl("skellan-tune", kUsage);
    QString sink = qEnvironmentVariable("SKELLAN_AUDIO_SINK", QStringLiteral("autoaudiosink"));
    std::optional<double> quitAfter;
    cl.Add({{"--sink"}, "a GStreamer sink description", [&](const char* v) {
                sink = QString::fromLocal8Bit(v);
                return !sink.trimmed().isEmpty();
            }});
    cl.Add({{"--quit-after"}, "a time in seconds from 0 to 86400", [&](const char* v) {
                double seconds = 0;
                if (!cli::ParseNumber(v, seconds) || seconds < 0 || seconds > kMaxQuitAfter)
                    return false;
                quitAfter = seconds;
                return true;
            }});
    // Parsed before Qt starts, so that --help works without a display.
    if (const auto done = cl.Parse(argc, argv))
        return *done;
    if (cl.Operands().empty())
        return cl.UsageError("no file given");
    if (cl.Operands().size() > 1)
        return cl.UsageError("more than one file given: " + cl.Operands()[1]);
    const QString file = QString::fromLocal8Bit(cl.Operands().front());

    int nQtArgs = 1;  // Qt sees no argument it could take for one of its own options
    QApplication app(nQtArgs, argv);
    QApplication::setApplicationName(QStringLiteral("skellan-tune"));
    const bool gui = !quitAfter.has_value();

    CTunePlayer player;
    if (!player.Open(file, sink)) {
        return Fail(player.Error(), gui);
    }
    com::IUnknown* filter = player.Filter();
    if (filter == nullptr)
        return Fail(QStringLiteral("The Skellan filter could not be loaded."), gui);

    const QString server = player.ServerPath();
    const auto createPage = [&server](com::REFCLSID clsid, dshow::IPropertyPage** page) {
        com::IClassFactory* factory = nullptr;
        com::HRESULT hr =
            QFileInfo::exists(server)
                ? com::CoGetClassObjectFromModule(server.toStdString(), clsid,
                                                  com::IID_IClassFactory,
                                                  reinterpret_cast<void**>(&factory))
                : com::CoGetClassObject(clsid, com::CLSCTX_INPROC_SERVER, com::IID_IClassFactory,
                                        reinterpret_cast<void**>(&factory));
        if (com::FAILED(hr))
            return hr;
        hr = factory->CreateInstance(nullptr, com::IID_IPropertyPage,
                                     reinterpret_cast<void**>(page));
        factory->Release();
        return hr;
    };
    dshow::CPropertyFrame frame(QStringLiteral("Skellan - %1").arg(QFileInfo(file).fileName()));
    if (const com::HRESULT hr = frame.ShowObjectPages(filter, createPage); com::FAILED(hr)) {
        return Fail(QStringLiteral("The property page could not be shown (0x%1).")
                        .arg(static_cast<unsigned>(hr), 8, 16, QLatin1Char('0')),
                    gui);
    }
    int status = 0;
    QObject::connect(&player, &CTunePlayer::finished, &app, &QApplication::quit);
    QObject::connect(&player, &CTunePlayer::failed, &app, [&](const QString& message) {
        status = Fail(message, gui);
        app.quit();
    });
    QObject::connect(&frame, &QDialog::finished, &app, &QApplication::quit);
    if (!player.Play())
        return Fail(player.Error(), gui);
    if (quitAfter) {
        QTimer::singleShot(static_cast<int>(*quitAfter * 1000), &app, &QApplication::quit);
    }
    frame.show();
    app.exec();
    frame.ClosePages();
    return status;
}
