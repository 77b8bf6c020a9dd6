#pragma once
// The engine's own INI store. Every settings file goes through it. Reads re-load the file; writes
// edit the in-memory copy as the last read left it and rewrite the whole file (atomically).
#include <string>
#include <vector>

class CIniFile {
public:
    CIniFile();

    void SetFileName(std::string name);
    const std::string& GetFileName() const { return fileName_; }

    int Load();
    int Save();

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def);
    int ReadInt(const std::string& section, const std::string& key, int def);
    // Leading decimal floating-point number; empty or non-numeric gives 0.
    float ReadFloat(const std::string& section, const std::string& key, float def);
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInt(const std::string& section, const std::string& key, int value);

    const std::vector<std::string>& Lines() const { return lines_; }
    int OpenResult() const { return openResult_; }

private:
    std::string fileName_ = "ini.ini";
    std::vector<std::string> lines_;
    int openResult_ = 0;
};
