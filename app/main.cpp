// Orvix: the operator application of the printer.
//   orvix [--base DIR] [--device sim|none|PATH] [--time-scale N] [--lang zh|en]
//         [--startup-action 0|1|2] [--screenshot FILE] [--screenshot-dialogs DIR]
#include <QApplication>
#include <QGuiApplication>

#include <cstdio>

#include "OrvixApp.h"


int main(int argc, char** argv) {
    QApplication qa(argc, argv);
    orvix::prepareApplication(qa);
    orvix::AppOptions options = orvix::parseOptions(QApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "orvix: %s\n", qPrintable(options.error));
        return 2;
    }
    options.unattended = !options.screenshot.isEmpty() || !options.screenshotDialogs.isEmpty() ||
                         QGuiApplication::platformName() == QLatin1String("offscreen");
    orvix::OrvixApp app(options);
    const orvix::StartupResult started = app.startUp();
    if (!started.run) return started.exitCode;
    if (!options.screenshot.isEmpty() || !options.screenshotDialogs.isEmpty()) {
        // A picture of the frame after start-up, then an end without the shutdown question.
        return app.writeScreenshots() ? 0 : 1;
    }
    return qa.exec();
}
