#pragma once
// The virtual printer's memory across engine processes. A real machine keeps its carriage, media
// and ink when the controlling program dies; the virtual one lives in the program, so with
// CARVEX_SIM_STATE=path set the engine saves it there at every printing status save and the next
// process starts from it.
//
// The printing status and the machine must agree: a status naming pass p with a sheet and a feed
// of another pass would print a band twice or not at all. Two files cannot be replaced at once,
// so the machine state carries a copy of the status file it was saved with, and on loading that
// copy is put back when the status file differs (the status written after the machine's last
// save is undone). The pair is thus always one that was true at one moment.
#include <string>

namespace sim {

// CARVEX_SIM_STATE, empty when unset.
std::string statePathFromEnvironment();

// Saves the current machine to CARVEX_SIM_STATE together with the text of hostFile. Does nothing
// (and returns true) when the variable is unset. Fails, keeping the previous state, while the
// machine moves.
bool persistMachine(const std::string& hostFile, std::string* error = nullptr);

// Loads the saved state into the current machine and puts the host file it carries back in place
// when it differs. Returns true when there is nothing to load.
bool restoreMachine(std::string* error = nullptr);

} // namespace sim
