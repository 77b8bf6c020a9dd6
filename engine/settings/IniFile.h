#pragma once
// The engine's own INI store. Every settings file goes through it. Reads re-load the file; writes
// edit the in-memory copy as the last read left it and rewrite the whole file (atomically).
//
// Syntax: "[name]" headers (blanks around the brackets and the name are ignored), "key=value" lines
// (blanks around key and value are ignored), exact case-sensitive names, the first header of a name
// and the first key line of a section win, no comments, no quoting. Lines end CR LF on disk; LF
// alone is read as well.
#include <string>
#include <vector>

class CIniFile {
public:
    CIniFile();

    // Sets the file name only; does not load. A relative name is resolved against the process's
    // current directory at each access.
    void SetFileName(std::string name);
    const std::string& GetFileName() const { return fileName_; }

    // Reads the whole file into the copy; 0 (copy unchanged) when it cannot be read.
    int Load();
    // Rewrites the whole file from the copy, atomically; 0 when it cannot be written.
    int Save();

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def);
    // Leading decimal integer of the value; a present but empty or non-numeric value gives 0.
    int ReadInt(const std::string& section, const std::string& key, int def);
    // Leading decimal floating-point number; a present but empty or non-numeric value gives 0.
    float ReadFloat(const std::string& section, const std::string& key, float def);
    // Edits the copy, then saves (unless a batch is open). Returns the save result (non-zero when
    // the file was written; 1 while a batch defers the save).
    int WriteString(const std::string& section, const std::string& key, const std::string& value);
    int WriteInt(const std::string& section, const std::string& key, int value);

    // A batch defers the saves of its writes to one save at its end, so a group of writes reaches
    // the disk as one atomic replacement. Reads inside a batch use the copy (they do not re-load,
    // which would drop the pending edits). Batches nest; the outermost end saves.
    void BeginBatch();
    // Ends a batch; the outermost end saves when anything was written and returns that result.
    int EndBatch();
    class Batch {
    public:
        explicit Batch(CIniFile& ini) : ini_(ini) { ini_.BeginBatch(); }
        ~Batch() {
            if (!ended_) ini_.EndBatch();
        }
        int end() {
            ended_ = true;
            return ini_.EndBatch();
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        CIniFile& ini_;
        bool ended_ = false;
    };

    const std::vector<std::string>& Lines() const { return lines_; }
    int OpenResult() const { return openResult_; }

    // The parsing rules, shared with anything else that reads this syntax.
    static std::string Trim(const std::string& s);
    // Leading decimal integer (clamped to the int range); 0 when there is none.
    static int LeadingInt(const std::string& s);
    // Leading decimal floating-point number (clamped to the float range); 0 when there is none.
    static float LeadingFloat(const std::string& s);

private:
    // Index of the first header naming `section`, or -1.
    long findSection(const std::string& section) const;
    // Index of the first matching key line of the section starting at header `sec`, or -1;
    // `end` receives the index of the next header (or the line count).
    long findKey(long sec, const std::string& key, size_t& end) const;
    bool find(const std::string& section, const std::string& key, std::string& value);

    std::string fileName_ = "ini.ini";
    std::vector<std::string> lines_;
    int openResult_ = 0;
    int batchDepth_ = 0;
    bool batchDirty_ = false;
};
