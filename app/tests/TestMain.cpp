// One program for the application's test classes; the first argument names the class to run.
#include <QApplication>
#include <QtTest>

#include <cstdlib>
#include <map>
#include <string>

#include "Fixture.h"
#include "OrvixApp.h"
#include "platform/Clock.h"

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    orvix::prepareApplication(app);
    if (!std::getenv("CARVEX_TIME_SCALE")) platform::setTimeScale(500);
    const auto& suites = orvix::test::suites();
    if (argc > 1 && suites.count(argv[1])) {
        // The class name is ours; the rest goes to Qt Test.
        const auto run = suites.at(argv[1]);
        argv[1] = argv[0];
        return run(argc - 1, argv + 1);
    }
    int failed = 0;
    for (const auto& [name, run] : suites) failed += run(1, argv) != 0;
    return failed;
}
