#pragma once
// The setup file's keys between a settings store and the settings, without the engine object or
// any file: the engine's loads and saves go through these, and so can a test or a fuzz target
// with a store taken from bytes (CIniFile::LoadBuffer).
#include <functional>
#include <initializer_list>

#include "platform/IniFile.h"
#include "settings/SetupSchema.h"

namespace setup {

// One group's keys from the store, in load order, and the rules the group's values obey once
// read. Open a CIniFile::Snapshot around it for a file store, so the file is read once.
void loadGroup(CIniFile& ini, SetupSettings& s, Group g);
// Every group, in the order the engine loads them (HEADS before the per-head keys); afterGroup
// (when given) is told after each group, for the values the engine derives from it.
void loadSetup(CIniFile& ini, SetupSettings& s, const std::function<void(Group)>& afterGroup = {});
// The groups' sections written into the store as one batch; the batch's save result.
int writeGroups(CIniFile& ini, SetupSettings& s, std::initializer_list<Group> groups);
// Every group, in the order a whole save writes them.
inline constexpr std::initializer_list<Group> kAllGroups = {Group::BaseHeadAlignment, Group::HeadAlignment,
                                                            Group::Movement, Group::PrintSetting};

} // namespace setup
