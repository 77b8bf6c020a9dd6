#pragma once
// A material file's keys between a settings store and its record, without the engine object or
// any file: PRMLoadMediaParams and PRMSaveMediaParams go through these, and so can a fuzz target
// with a store taken from bytes (CIniFile::LoadBuffer).
#include "platform/IniFile.h"
#include "settings/MediaOffset.h"

namespace settings {

// The record's values from a loaded store (missing keys read as 0); heads 1..heads are read.
void readMedia(CIniFile& ini, unsigned heads, MediaOffset& p);
// Every key of the record into the store, as one batch; the batch's save result.
int writeMedia(CIniFile& ini, unsigned heads, const MediaOffset& p);

} // namespace settings
