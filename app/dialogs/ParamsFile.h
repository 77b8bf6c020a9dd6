#pragma once
// Parameter files ("*.tkw"): the setup sections the settings sheet edits, in the setup file's own
// INI syntax, so a machine's settings can be kept and carried to another machine. Writing is
// atomic. Reading checks every value with the setup schema's own parser first and applies the file
// only when all of it fits: a damaged file changes nothing.
#include <string>
#include <vector>

class CDrvPrint;

namespace orvix {

// The sections a parameter file holds.
const std::vector<std::string>& paramsFileSections();

// True when written; otherwise `error` says why.
bool saveParamsFile(CDrvPrint& d, const std::string& path, std::string& error);
// True when read and applied; otherwise nothing changed and `error` says why.
bool loadParamsFile(CDrvPrint& d, const std::string& path, std::string& error);

} // namespace orvix
