#include "app/Program.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/MainFrame.h"
#include "app/SfpApp.h"
#include "app/options/CommandLine.h"
#include "platform/Bitmap.h"
#include "platform/QtPlatform.h"
#include "platform/native/DynamicLibrary.h"

namespace {

// Without a display Qt aborts with a terse message of its own; say what to do instead.
bool HaveDisplay() {
#if defined(Q_OS_LINUX)
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && *platform != '\0') {
        return true;
    }
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
#else
    return true;
#endif
}

constexpr const char* kUsage =
    "Usage: aq3310-sfp [/a RESOURCE] [/n] [/r]\n"
    "Shows the front panel of an AQ K3310 module; aq3310-sfp-sim starts it on the bundled\n"
    "simulated module. Options may also be written -a, -n, -r.\n"
    "  /a RESOURCE    open this VISA resource directly, with no search\n"
    "  /n             offer every resource that opens, without identifying it\n"
    "  /r             reset the module when it is opened\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n";

// --help and --version answer on the terminal, before any window or library is touched.
bool AnsweredOnTerminal(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (arg == "-V" || arg == "--version") {
            std::printf("aq3310-sfp %s\n", SFP_VERSION);
            return true;
        }
    }
    return false;
}

}  // namespace

QIcon AppIcon() {
    // The resources live in a static library: nothing would pull them in otherwise.
    Q_INIT_RESOURCE(app);
    QIcon icon;
    // The sizes a window's title bar and task switcher use; the large ones are for the desktop
    // entry, from the installed icon theme. Each size given here is decoded and sent to the
    // window manager when a window is shown. Read as PNG outright: QIcon::addFile would first
    // ask every image plug-in whether it knows the file.
    for (int size : {16, 32, 48}) {
        const QImage image =
            ReadResourceImage(QStringLiteral(":/icons/aq3310-sfp-%1.png").arg(size), "png");
        if (!image.isNull()) {
            icon.addPixmap(QPixmap::fromImage(image));
        }
    }
    return icon;
}

int RunProgram(int argc, char** argv) {
    if (AnsweredOnTerminal(argc, argv)) {
        return 0;
    }
    RestartWithSafeLibraryPath(argv);
    if (const std::string refusal = LibrarySearchRefusal(); !refusal.empty()) {
        std::fprintf(stderr, "aq3310-sfp: %s\n", refusal.c_str());
    }
    if (!HaveDisplay()) {
        std::fprintf(stderr,
                     "aq3310-sfp: no display. Start it on a desktop, under xvfb-run, or with "
                     "QT_QPA_PLATFORM=offscreen.\n");
        return 2;
    }
    QApplication qapp(argc, argv);
    // The program ends when its main frame is destroyed, not when some window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    CQtPlatform platform;
    SetPlatform(&platform);
    int status = 0;
    {
        CSfpApp app(JoinArguments(argc - 1, argv + 1));
        app.InitInstance();
        if (app.m_pMainWnd != nullptr) {
            QObject::connect(app.m_pMainWnd, &QObject::destroyed, &qapp,
                             [] { QCoreApplication::exit(0); });
            status = QApplication::exec();
        }
        app.ReleaseAll();
    }
    SetPlatform(nullptr);
    return status;
}
