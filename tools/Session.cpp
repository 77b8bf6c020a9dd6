#include "Session.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

#include "hardware/Devices.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "sim/VirtualPrinter.h"

namespace cli {

namespace {

// Answers the engine's questions from --yes/--no, or asks on the terminal.
class CliPrompter : public platform::Prompter {
public:
    CliPrompter(bool yes, bool no) : yes_(yes), no_(no) {}
    int ask(const std::string& text, platform::Buttons buttons) override {
        std::cerr << "? " << text << "\n";
        if (buttons == platform::Buttons::Ok) return platform::IDOK;
        if (yes_) return platform::IDYES;
        if (no_ || !::isatty(STDIN_FILENO)) return platform::safeAnswer(buttons);
        std::cerr << (buttons == platform::Buttons::YesNo ? "[y/n] " : "[y/n/c] ") << std::flush;
        std::string line;
        if (!std::getline(std::cin, line)) return platform::safeAnswer(buttons);
        if (!line.empty() && (line[0] == 'y' || line[0] == 'Y')) return platform::IDYES;
        if (!line.empty() && (line[0] == 'n' || line[0] == 'N')) return platform::IDNO;
        return platform::safeAnswer(buttons);
    }

private:
    bool yes_, no_;
};

} // namespace

std::vector<CommandAdder>& commandAdders() {
    static std::vector<CommandAdder> adders;
    return adders;
}

CDrvPrint& Session::engine() {
    if (drv_) return *drv_;
    sim::registerVirtualPrinter();
    hw::setDeviceOption(device);
    if (timeScale > 0) platform::setTimeScale(timeScale);
    if (!base.empty()) {
        platform::makeDirs(base);
        if (!platform::changeDir(base)) throw std::runtime_error("cannot enter base directory " + base);
    }
    platform::setLogFile(platform::joinPath(platform::currentDir(), "carvex.log"));
    platform::setPrompter(std::make_shared<CliPrompter>(yes, no));
    // The device is opened here, in the base folder (its registry store may name it), and before
    // anything reads the printing status: a kept virtual printer may put back the status that
    // matches the machine. Every command that drives the machine says first which one it is.
    std::cerr << "device: " << hw::deviceName() << std::endl;
    drv_ = std::make_unique<CDrvPrint>();
    return *drv_;
}

void Session::shutdown() {
    if (drv_) hw::persistMachineState(drv_->AUXPrintingStatusPath());
    drv_.reset();
}

int reportOk(const std::string& text) {
    std::cout << "ok: " << text << std::endl;
    return 0;
}

int reportError(const std::string& text) {
    std::cerr << "error: " << text << std::endl;
    return 1;
}

int runMain(int argc, char** argv) {
    CLI::App app{"carvex: the print engine's command line and machine console"};
    app.require_subcommand(1);
    Session session;
    app.add_option("--base", session.base, "base directory (default: the working directory)");
    app.add_option("--device", session.device,
                   "sim, none, or a device path (else CARVEX_DEVICE, else registry.ini, else sim)");
    app.add_option("--time-scale", session.timeScale, "speed of the clock (default 1)");
    auto* yes = app.add_flag("--yes", session.yes, "answer Yes to the engine's questions");
    app.add_flag("--no", session.no, "answer No to the engine's questions")->excludes(yes);
    for (auto add : commandAdders()) add(app, session);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    } catch (const std::exception& e) {
        return reportError(e.what());
    }
    session.shutdown();
    return session.exitCode;
}

} // namespace cli
