#pragma once
// Reading a printing status from a settings store, without the engine object or any file: the
// engine's AUXReadPrintingStatus goes through it, and so can a fuzz target with a store taken
// from bytes (CIniFile::LoadBuffer).
#include <string>

#include "core/PrintingStatus.h"
#include "platform/IniFile.h"

// `st` holds the values to keep where nothing is read (the engine's own) on entry. 1 with `st`
// filled when the status is complete and consistent; -1 with `st` as it was and the reason in
// *why when it is not.
int ReadPrintingStatus(CIniFile& ini, PrintingStatusRecord& st, std::string* why);
