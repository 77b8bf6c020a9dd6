#pragma once
// The setup file as one table: every key with its section, type, default, member, the position at
// which the engine reads it, the position at which it writes it, and its write format. Loading,
// saving, the console and the settings dialogs all walk this table.
#include <string>
#include <vector>

#include "platform/IniFile.h"
#include "settings/SetupSettings.h"

namespace setup {

// Type in the file.
enum class KeyType { Int, Float, String };
// Type of the member that holds it.
enum class Store { Int, Unsigned, Float, String };
// The load and save functions that handle a key.
enum class Group { Movement, BaseHeadAlignment, HeadAlignment, PrintSetting };

// The separator written first into every section the engine saves; never read.
inline const std::string kHiKey = "HI";
inline const std::string kHiValue(53, '/');

struct KeyDef {
    std::string section;
    std::string key;          // as in the file, e.g. "HeadOffsetXL3"
    std::string consoleName;  // the key, or SECTION.KEY when the member lives in a section struct
                              // and another section has the same key
    KeyType type = KeyType::Int;
    const char* format = "%d"; // "%d", "%f", "%.1f"; "" for strings
    int precision = 6;         // digits after the point for floats
    unsigned head = 0;         // per-head keys: the head number 1..24 (bounded by HEADS); 0 otherwise
    Group loadGroup = Group::Movement;
    int loadPos = 0;           // order inside the load function
    Group saveGroup = Group::Movement;
    int savePos = 0;           // order inside the section when saved (HI comes first)
    Store store = Store::Int;
    void* (*ref)(SetupSettings&, unsigned) = nullptr;
    unsigned index = 0;        // element for array members
    std::string defaultText;   // the default, as the file would hold it

    void* member(SetupSettings& s) const { return ref(s, index); }
};

// Every key, in file order (the order of a file written from scratch).
const std::vector<KeyDef>& schema();
// The keys one load function reads, in its order.
const std::vector<const KeyDef*>& loadOrder(Group g);
// The sections one save function writes, in its order.
const std::vector<std::string>& saveSections(Group g);
// The keys written into one section, in save order (whatever function writes them).
const std::vector<const KeyDef*>& saveOrder(const std::string& section);
// Order of the sections in a file written from scratch.
const std::vector<std::string>& sectionOrder();

const KeyDef* findKey(const std::string& section, const std::string& key);
// By console name, or by SECTION.KEY for any key.
const KeyDef* findByName(const std::string& name);

// Per-head keys exist for heads 1..min(HEADS, 24) of the base section.
unsigned headBound(const SetupSettings& s);
bool inUse(const KeyDef& k, const SetupSettings& s);

// The value as the file holds it ("%d", the key's float format, or the text).
std::string fileText(const KeyDef& k, const SetupSettings& s);
// The value for people: like the file, but floats in their shortest exact form.
std::string displayText(const KeyDef& k, const SetupSettings& s);

// Reads one key from the file into the member (the default when the key is missing).
void loadKey(const KeyDef& k, CIniFile& ini, SetupSettings& s);
// Writes one key's member into the file (into the copy when a batch is open).
int saveKey(const KeyDef& k, CIniFile& ini, SetupSettings& s);
// Puts the default into the member.
void resetKey(const KeyDef& k, SetupSettings& s);

// Typed access for the console and dialogs. setText parses strictly and returns false (member
// unchanged) for a malformed or out-of-range value.
long long getInt(const KeyDef& k, SetupSettings& s);
float getFloat(const KeyDef& k, SetupSettings& s);
bool setText(const KeyDef& k, SetupSettings& s, const std::string& text);

std::string formatFloat(float v, int precision);

} // namespace setup
