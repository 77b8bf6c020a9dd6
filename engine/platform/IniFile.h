#pragma once
// The engine's own INI store. Every settings file goes through it. Reads re-load the file; writes
// edit the in-memory copy as the last read left it and rewrite the whole file (atomically).
//
// Syntax: "[name]" headers (blanks around the brackets and the name are ignored), "key=value" lines
// (blanks around key and value are ignored), exact case-sensitive names, the first header of a name
// and the first key line of a section win, no comments, no quoting. Lines end CR LF on disk; LF
// alone is read as well.
//
// A load reads the file once (at most kMaxFileBytes) and indexes it, so reads cost a lookup, not a
// scan. What the load could not make sense of (lines that are neither a header nor a key line, an
// unreadable, oversized or binary file) is kept as a warning for the caller to pass on.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CIniFile {
public:
    CIniFile();

    // Sets the file name only; does not load. A relative name is resolved against the process's
    // current directory at each access.
    void SetFileName(std::string name);
    const std::string& GetFileName() const { return fileName_; }

    // Larger settings files are not read at all.
    static constexpr size_t kMaxFileBytes = size_t(16) << 20;

    // Reads the whole file into the copy; 0 (copy unchanged) when it cannot be read.
    int Load();
    // Takes `data` as the file's bytes, with the rules of Load (size limit, warnings), and makes
    // this a store in memory: later loads keep the copy and saves write no file (Text() is what a
    // save would write). The name still names the file in warnings.
    int LoadBuffer(std::string_view data);
    bool InMemory() const { return inMemory_; }
    // The bytes a save writes: the copy, every line ended CR LF.
    std::string Text() const;
    // What the last Load found wrong with the file, in one line ("" when nothing: a missing file is
    // not a fault). Names the file, the line numbers and texts it could not understand.
    const std::string& LoadWarning() const { return warning_; }
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
    // which would drop the pending edits). Batches nest; the outermost end saves. Loading once and
    // then reading many keys inside a batch reads the file once.
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

    // Loads the file once (unless a batch is already open: its copy is the one to read) and keeps
    // every read on that copy until it ends. When the file could not be loaded, reads inside give
    // their defaults, as reads outside would.
    class Snapshot {
    public:
        explicit Snapshot(CIniFile& ini) : ini_(ini), outer_(ini.batchDepth_ == 0) {
            if (outer_) ini_.snapshotFailed_ = !ini_.Load();
            ini_.BeginBatch();
        }
        ~Snapshot() {
            ini_.EndBatch();
            if (outer_) ini_.snapshotFailed_ = false;
        }
        Snapshot(const Snapshot&) = delete;
        Snapshot& operator=(const Snapshot&) = delete;

    private:
        CIniFile& ini_;
        bool outer_;
    };

    // The copy, one element per line.
    std::vector<std::string> Lines() const;
    // The keys of a section (its first header of the name), each once, in file order; read as
    // ReadString reads.
    std::vector<std::string> Keys(const std::string& section);
    int OpenResult() const { return openResult_; }

    // The parsing rules, shared with anything else that reads this syntax.
    static std::string Trim(const std::string& s);
    // Leading decimal integer (clamped to the int range); 0 when there is none.
    static int LeadingInt(const std::string& s);
    // Leading decimal floating-point number (clamped to the float range); 0 when there is none.
    static float LeadingFloat(const std::string& s);

private:
    // The copy is kept section by section: new key lines go to the end of their section and
    // replaced lines keep their place, so the indexes stay valid through edits.
    struct Section {
        std::string header;             // the header line as in the file ("" for the lines before any)
        std::vector<std::string> lines; // the lines after the header up to the next one
        // First key line of each key (index into lines), built on the first look-up.
        std::unordered_map<std::string, size_t> keys;
        bool indexed = false;
    };

    void parse(std::string_view data);
    // Load's outcome for bytes read (or given): parsed, or refused as too large.
    int take(std::string_view data);
    int tooLarge();
    void clear();
    // The first section of this name, or nullptr.
    Section* findSection(const std::string& section);
    // Index of the first key line of `key` in `s`, or -1.
    long findKey(Section& s, const std::string& key);
    // Loads the file unless a batch holds the copy; false when there is nothing to read.
    bool readableCopy();
    bool find(const std::string& section, const std::string& key, std::string& value);

    std::string fileName_ = "ini.ini";
    std::vector<Section> sections_; // [0]: the lines before the first header
    std::unordered_map<std::string, size_t> firstSection_;
    std::string warning_;
    int openResult_ = 0;
    int batchDepth_ = 0;
    bool batchDirty_ = false;
    bool snapshotFailed_ = false;
    bool inMemory_ = false;
};
