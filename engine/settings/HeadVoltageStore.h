#pragma once
// A head temperature/voltage file's keys between a settings store and their values, without the
// engine object or any file: PRMLoadHTVParams and PRMSaveHTVParams go through these, and so can
// a fuzz target with a store taken from bytes (CIniFile::LoadBuffer).
#include "platform/IniFile.h"
#include "settings/SetupSettings.h"

namespace settings {

// Section HEADSTEMPVOLT; the defaults are those of a file that lacks a key.
struct HeadVoltages {
    int bEnable = 0;
    float VoltageDefine[kMaxHeads];
    float VoltageOffset[kMaxHeads];
    int ColorChannel[kMaxHeads];
    int HeadChannel[kMaxHeads];
    float VoltageDefault;
    float VoltageDACUnit;
    HeadVoltages(); // the defaults
    bool operator==(const HeadVoltages&) const = default;
};

// Every value from a loaded store (a missing key gives its default).
void readHeadVoltages(CIniFile& ini, HeadVoltages& v);
// Every value into the store, to its written precision, as one batch; the batch's save result.
int writeHeadVoltages(CIniFile& ini, const HeadVoltages& v);

} // namespace settings
