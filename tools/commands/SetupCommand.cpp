// carvex setup: shows the current setup file's settings as "SECTION.KEY = value" in file order.
//   --use NAME  makes setup-NAME.ini current; when it does not exist yet, it starts as a copy of
//               the setup that was current (the settings in memory), as the operator's chooser does
//   --save      writes the setup file (normalised: every key, in the engine's order)
#include <iostream>

#include "Session.h"
#include "settings/SetupSchema.h"

namespace cli {
namespace {

void add(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("setup", "show the current setup; --use NAME switches setups, --save writes it");
    static std::string use;
    static bool save = false;
    use.clear(); // a fresh start for each run in the same process
    save = false;
    auto* useOpt = cmd->add_option("--use", use, "make setup-NAME.ini the current setup");
    cmd->add_flag("--save", save, "write the setup file after loading it");
    cmd->callback([&s, useOpt] {
        CDrvPrint& d = s.engine();
        std::string name;
        d.AUXINIGetCurrentSetup(name);
        d.PRMLoadParams();
        if (useOpt->count() > 0) {
            if (!d.AUXINISetCurrentSetup(use)) {
                s.exitCode = reportError("cannot make setup \"" + use + "\" current (a plain name is needed, and "
                                         "CurrentSetup.ini must be writable)");
                return;
            }
            // An existing setup is shown as it is; a new one keeps the settings just loaded.
            if (d.AUXINIGetCurrentSetup(name)) d.PRMLoadParams();
        }
        const int found = d.AUXINIGetCurrentSetup(name);
        if (save && !d.PRMSaveParams()) {
            s.exitCode = reportError(d.csSaveError.empty() ? "cannot write " + d.PRMSetupFilePath() : d.csSaveError);
            return;
        }
        for (const setup::KeyDef& k : setup::schema())
            if (setup::inUse(k, d)) std::cout << k.section << "." << k.key << " = " << setup::displayText(k, d) << "\n";
        std::string what = "setup " + d.csCurrentSetupFile;
        if (save) what += " saved";
        else if (!found) what += " missing: defaults in use";
        if (!d.csSettingsWarning.empty()) what += ", read with warnings (above)";
        s.exitCode = reportOk(what);
    });
}

CommandRegistrar reg(add);

} // namespace
} // namespace cli
