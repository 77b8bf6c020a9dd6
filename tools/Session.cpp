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
    if (!device.empty()) ::setenv("CARVEX_DEVICE", device.c_str(), 1);
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
    // A kept virtual printer is loaded before anything reads the printing status: loading may put
    // back the status that matches the machine.
    if (const char* st = std::getenv("CARVEX_SIM_STATE"); st && *st) hw::deviceChoice();
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
    app.add_option("--device", session.device, "sim (default), none, or a device path");
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
