#include "settings/IniFile.h"

// Placeholder bodies; the store is completed with the setup-file work.
CIniFile::CIniFile() = default;
void CIniFile::SetFileName(std::string name) { fileName_ = std::move(name); }
int CIniFile::Load() { return 0; }
int CIniFile::Save() { return 0; }
std::string CIniFile::ReadString(const std::string&, const std::string&, const std::string& def) { return def; }
int CIniFile::ReadInt(const std::string&, const std::string&, int def) { return def; }
float CIniFile::ReadFloat(const std::string&, const std::string&, float def) { return def; }
void CIniFile::WriteString(const std::string&, const std::string&, const std::string&) {}
void CIniFile::WriteInt(const std::string&, const std::string&, int) {}
