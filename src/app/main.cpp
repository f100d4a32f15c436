#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "app/StartupProbe.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[]) {
    StartupProbe::markMainEntered();
    QApplication::setOrganizationName(QStringLiteral("Renewly"));
    QApplication::setApplicationName(QStringLiteral("Renewly"));
    QApplication::setApplicationVersion(QStringLiteral(RENEWLY_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(RENEWLY_APP_ID));
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Personal subscription tracker"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption background(QStringLiteral("background"),
                                        QStringLiteral("Start in the tray without opening the main window."));
    const QCommandLineOption probe(QStringLiteral("startup-probe"),
                                   QStringLiteral("Print start-up timing and memory figures, then quit."));
    parser.addOption(background);
    parser.addOption(probe);
    parser.process(app);

    // Before anything opens the subscription file: only one process per user may own it.
    SingleInstance instance;
    if (instance.claim() == SingleInstance::Role::secondary) {
        if (parser.isSet(background))
            return 0;
        if (instance.sendToPrimary(SingleInstance::showMessage))
            return 0;
        std::fprintf(stderr, "renewly: another instance holds the lock but does not answer\n");
        return 1;
    }

    AppDelegate::Options options;
    options.showWindowAtLaunch = !parser.isSet(background);
    AppDelegate delegate(options);
    AppDelegate::applyDarkLook();
    delegate.buildApplicationMenu();
    app.setWindowIcon(
        QIcon::fromTheme(QStringLiteral(RENEWLY_APP_ID), QIcon(QStringLiteral(":/renewly/app-icon.svg"))));

    QObject::connect(&instance, &SingleInstance::messageReceived, &delegate,
                     [&delegate](const QByteArray &message) {
                         if (message == SingleInstance::showMessage)
                             delegate.applicationShouldHandleReopen();
                     });

    std::unique_ptr<StartupProbe> startupProbe;
    if (parser.isSet(probe))
        startupProbe = std::make_unique<StartupProbe>(delegate);
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    return app.exec();
}
