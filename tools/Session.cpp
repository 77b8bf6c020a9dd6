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

void Session::enterBase() {
    if (entered_) return;
    entered_ = true;
    startDir_ = platform::currentDir();
    sim::registerVirtualPrinter();
    hw::setDeviceOption(device);
    if (timeScale > 0) platform::setTimeScale(timeScale);
    if (!base.empty() && !platform::makeDirs(base)) throw std::runtime_error("cannot create base directory " + base);
    const std::string dir = base.empty() ? startDir_ : (base[0] == '/' ? base : platform::joinPath(startDir_, base));
    platform::setLogFile(platform::joinPath(dir, "carvex.log"));
    platform::setPrompter(std::make_shared<CliPrompter>(yes, no));
}

std::string Session::userPath(const std::string& path) const {
    if (path.empty() || path[0] == '/' || startDir_.empty()) return path;
    return platform::joinPath(startDir_, path);
}

CDrvPrint& Session::engine() {
    if (drv_) return *drv_;
    enterBase();
    // The engine's base directory is the working directory at its construction.
    if (!base.empty() && !platform::changeDir(base)) throw std::runtime_error("cannot enter base directory " + base);
    // The device is opened here, in the base folder (its registry store may name it), and before
    // anything reads the printing status: a kept virtual printer may put back the status that
    // matches the machine. Every command that drives the machine says first which one it is.
    std::cerr << "device: " << hw::deviceName() << std::endl;
    drv_ = std::make_unique<CDrvPrint>();
    std::string name;
    drv_->AUXINIGetCurrentSetup(name);
    drv_->PRMLoadParams();
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
    // Before any command's own work: the base folder exists and is the working directory.
    app.parse_complete_callback([&session] { session.enterBase(); });
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
