#pragma once
// The few machine-wide values that live in the Windows registry on the original platform (TCP
// window sizes, the I/O card's base address) are kept in "registry.ini" in the base directory,
// in the settings-file syntax, one section per registry key path.
#include <string>

class CIniFile;

namespace platform {

inline constexpr const char* kRegistryFile = "registry.ini";
// The key of the TCP stack's window sizes (read by the network job receiver, set at card start-up).
inline constexpr const char* kTcpParametersKey = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";

// The value, or `def` when the file, the section or the key is missing or the value is not a
// whole decimal number (a registry value is typed: text that is no number is no value).
int readRegistryInt(const std::string& baseDir, const std::string& section, const std::string& key, int def);

// A text value, or `def` when the file, the section or the key is missing.
std::string readRegistryString(const std::string& baseDir, const std::string& section, const std::string& key,
                               const std::string& def);

// Writes one value, keeping every other value of the file; atomic. False when the file could not
// be written (or exists but could not be read, which would lose the other values).
bool writeRegistryInt(const std::string& baseDir, const std::string& section, const std::string& key, int value);

// The same rules on a store of the registry's syntax, without a file of the base directory (a store
// from bytes, CIniFile::LoadBuffer, reads and writes no file). A file store is loaded once.
int registryInt(CIniFile& ini, const std::string& section, const std::string& key, int def);
std::string registryString(CIniFile& ini, const std::string& section, const std::string& key, const std::string& def);
// Sets one value in the store, keeping every other one; the store's save result.
bool putRegistryInt(CIniFile& ini, const std::string& section, const std::string& key, int value);

} // namespace platform
