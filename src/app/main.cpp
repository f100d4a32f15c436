#include "app/AppDelegate.h"
#include "app/FontMatches.h"
#include "app/GlyphOutlines.h"
#include "app/SingleInstance.h"
#include "app/StartupProbe.h"
#include "receipt/RecognizerPlugin.h"

#include "settings/LocalizationManager.h"
#include "store/Store.h"
#include "views/ContentView.h"
#include "views/Theme.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <future>

namespace {
// What Qt said while it tried to reach the display: replayed once it succeeded, and the first of
// it ends the one line printed when it failed.
QStringList platformMessages;

// The platform plugin ends the process with abort() when it cannot reach a display. While the
// application object is made, its messages are kept, and a fatal one becomes one line and exit 1.
void startupMessages(QtMsgType type, const QMessageLogContext &, const QString &message) {
    if (type != QtFatalMsg) {
        platformMessages.append(message);
        return;
    }
    const QString reason = platformMessages.value(0, message);
    std::fprintf(stderr, "renewly: cannot open a display to show the window on (%s)\n",
                 qPrintable(reason.simplified()));
    std::fflush(stderr);
    std::_Exit(1);
}

// The font database can be read once the platform integration exists, which is partway through
// the application object's construction: the rest of it, and the instance claim after it, then run
// beside the reading.
std::future<void> fontDatabaseRead;
void startReadingFontDatabase() {
    fontDatabaseRead = std::async(std::launch::async, [] { Theme::prepareFonts(); });
}

// The fonts the window's first frame draws, as the font database is asked for them: the content's,
// then the menu bar's in the application font. Chinese text falls back to the Chinese family, which
// only a Chinese window draws.
QList<FontMatches::Font> firstFrameFonts(bool listEmpty) {
    const QFont application = QApplication::font();
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int menuPixelSize = application.pixelSize() > 0 || !screen
                                  ? application.pixelSize()
                                  : qRound(application.pointSizeF() * screen->logicalDotsPerInchY() / 72.0);
    QList<Theme::FontRequest> requests = ContentView::firstFrameFonts(listEmpty);
    requests.append({.families = application.families(), .pixelSize = menuPixelSize});
    const bool zh = LocalizationManager::shared().isZh();
    QList<FontMatches::Font> fonts;
    for (const Theme::FontRequest &request : std::as_const(requests)) {
        for (qsizetype i = 0; i < request.families.size() && (i == 0 || zh); ++i) {
            const FontMatches::Font font{request.families.at(i), request.weight, double(request.pixelSize)};
            const bool known = std::any_of(fonts.cbegin(), fonts.cend(), [&font](const FontMatches::Font &f) {
                return f.family == font.family && f.weight == font.weight && f.pixelSize == font.pixelSize;
            });
            if (!known && font.pixelSize > 0)
                fonts.append(font);
        }
    }
    return fonts;
}

// Matches `fonts`, then has the font database look up the default family's stand-ins, unless the
// window has begun loading fonts and so looked them up itself meanwhile.
void prepareFirstFrame(const QList<FontMatches::Font> &fonts) {
    FontMatches::prepare(fonts);
    if (FontMatches::asked() == 0)
        Theme::prepareFallbackFamilies();
}
} // namespace

int main(int argc, char *argv[]) {
    StartupProbe::markMainEntered();
    RecognizerPlugin::setUpAllocator();
    QApplication::setOrganizationName(QStringLiteral("Renewly"));
    QApplication::setApplicationName(QStringLiteral("Renewly"));
    QApplication::setApplicationVersion(QStringLiteral(RENEWLY_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(RENEWLY_APP_ID));

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
    // Help and version need no display, so they are answered before the application object
    // connects to one. Other mistakes wait for process(), which knows Qt's own options.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    parser.parse(arguments);
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version")) ||
        parser.optionNames().contains(QStringLiteral("help-all"))) {
        // An application object without a display; process() prints the answer and exits.
        QCoreApplication console(argc, argv);
        parser.process(console);
        return 0;
    }

    // The list is read while the application reaches the display.
    auto listReadAhead = AppDelegate::readListAhead();
    // So is the font configuration, which the application would otherwise load when it first needs
    // a font, on the way to the first frame, and then the list of installed faces the font database
    // is read from, which the window's first text waits for.
    const bool windowAtLaunch = !parser.isSet(background);
    const auto fontsAhead = std::async(std::launch::async, [windowAtLaunch] {
        Theme::loadFontConfiguration();
        if (windowAtLaunch)
            FontMatches::listFontsAhead();
    });
    const QtMessageHandler previous = qInstallMessageHandler(startupMessages);
    qAddPreRoutine(startReadingFontDatabase);
    QApplication app(argc, argv);
    // Finished before the application object goes.
    const std::future<void> fontsPrepared = std::move(fontDatabaseRead);
    qInstallMessageHandler(previous);
    for (const QString &message : std::as_const(platformMessages))
        qWarning("%s", qPrintable(message));
    platformMessages.clear();
    parser.process(app);

    // The fonts and the session bus are set up on other threads while this one claims the instance
    // and builds the window, which needs them: the views' text asks for fonts, and the menu bar needs
    // to know whether the desktop shows menus itself. While the font database is read, fontconfig
    // names the default family's face on another thread, which then connects to the bus and asks it.
    const std::shared_future<bool> desktopShowsMenus = std::async(std::launch::async, [] {
        Theme::prepareDefaultFamily();
        return AppDelegate::askDesktopShowsMenus();
    });

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
    options.showWindowAtLaunch = windowAtLaunch;
    options.listReadAhead = std::move(listReadAhead);
    options.desktopShowsMenus = [desktopShowsMenus] { return desktopShowsMenus.get(); };
    AppDelegate delegate(options);
    AppDelegate::applyDarkLook();
    // While the window is built, the rendering settings of its first frame's fonts are matched on
    // another thread; once it is on screen, fontconfig answers every question itself again.
    std::future<void> fontMatchesAhead;
    if (options.showWindowAtLaunch)
        fontMatchesAhead = std::async(std::launch::async, prepareFirstFrame,
                                      firstFrameFonts(delegate.store().subscriptions().isEmpty()));
    QObject::connect(&delegate, &AppDelegate::launchFinished, &delegate, [] {
        FontMatches::close();
        GlyphOutlines::close();
    });
    if (options.showWindowAtLaunch)
        delegate.buildApplicationMenuWithWindow(AppDelegate::MenuEntries::afterFirstFrame);
    else
        delegate.buildApplicationMenu(AppDelegate::MenuEntries::afterFirstFrame);
    // Looking the icon up in the icon themes takes a while, and the first frame does not show it.
    QObject::connect(&delegate, &AppDelegate::launchFinished, &app, [&app] {
        app.setWindowIcon(QIcon::fromTheme(QStringLiteral(RENEWLY_APP_ID),
                                           QIcon(QStringLiteral(":/renewly/app-icon.svg"))));
    });

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
