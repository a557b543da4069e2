// skellan-tune: plays a file through the vocal remover and shows its property page.
#include <cstdio>

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <gst/gst.h>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/ui/PropertyFrame.h"
#include "tools/skellan-tune/TunePlayer.h"

namespace {

int Fail(const QString& message, bool gui) {
    std::fprintf(stderr, "skellan-tune: %s\n", message.toUtf8().constData());
    if (gui)
        QMessageBox::critical(nullptr, QStringLiteral("Skellan"), message);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("skellan-tune"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays FILE through the Skellan vocal remover and shows its property page: moving a "
        "trackbar is heard at once."));
    parser.addHelpOption();
    const QCommandLineOption sinkOption(
        QStringLiteral("sink"), QStringLiteral("GStreamer audio sink (default autoaudiosink)."),
        QStringLiteral("description"),
        qEnvironmentVariable("SKELLAN_AUDIO_SINK", QStringLiteral("autoaudiosink")));
    const QCommandLineOption quitOption(QStringLiteral("quit-after"),
                                        QStringLiteral("Quit after this many seconds."),
                                        QStringLiteral("seconds"));
    parser.addOption(sinkOption);
    parser.addOption(quitOption);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The audio file to play."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "%s", parser.helpText().toUtf8().constData());
        return 2;
    }
    const bool gui = !parser.isSet(quitOption);

    CTunePlayer player;
    if (!player.Open(parser.positionalArguments().front(), parser.value(sinkOption))) {
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
    dshow::CPropertyFrame frame(
        QStringLiteral("Skellan - %1")
            .arg(QFileInfo(parser.positionalArguments().front()).fileName()));
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
    if (parser.isSet(quitOption)) {
        QTimer::singleShot(static_cast<int>(parser.value(quitOption).toDouble() * 1000), &app,
                           &QApplication::quit);
    }
    frame.show();
    app.exec();
    frame.ClosePages();
    return status;
}
