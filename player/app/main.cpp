// Quillet's entry point: the application object runs the main dialog.
#include <QApplication>
#include <QStringList>

#include "player/app/PlayerApp.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    CPlayerApp app;
    QStringList args = QCoreApplication::arguments();
    const QString strProgram = args.isEmpty() ? QStringLiteral("quillet") : args.takeFirst();
    app.InitInstance(strProgram, args);
    app.Run();
    return app.ExitInstance();
}
