// `sim ...` console commands: look at and act on the virtual printer.
//   sim state | sim log [KIND] [N] | sim clearlog | sim passes | sim reg PORT | sim dsp REG
//   sim estop press|release [at-ms MS | at-pass N]
//   sim fault limit left|right stuck|dead|ok | slip FACTOR | card absent|present
//             | transfer fail|hang|ok | board silent|ok | dio absent|present | clear
//             | call N [read|write|any]   (the N-th card call of that kind from now fails)
//   sim media LEFT_MM WIDTH_MM | sim feed MM | sim carriage MM
//   sim sheet png PATH | raw PATH | res XDPI YDPI | new | drops
//   sim dio PORT BIT SOURCE | sim selector PAIR VALUE | sim counter CH VALUE | sim temp SLOT C
//   sim misplacement on|off | sim firmware | sim boards | sim save PATH | sim load PATH
//   sim machine [FILE] | sim reset | sim takeup [switch NAME POSITION | loop A|B MM]
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <ostream>

#include "console/ConsoleTable.h"
#include "hardware/CardRegisters.h"
#include "hardware/Devices.h"
#include "sim/Sim.h"

namespace console {
namespace {

std::string hex(uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%08X", v);
    return b;
}

std::string hex16(const std::array<uint8_t, 16>& a) {
    std::string s;
    char b[4];
    for (uint8_t c : a) {
        std::snprintf(b, sizeof b, "%02X", c);
        s += b;
    }
    return s;
}

void need(const Args& a, size_t n, const char* usage) {
    if (a.size() < n) throw ConsoleError(std::string("usage: sim ") + usage);
}

bool onOff(const std::string& s, const char* on, const char* off) {
    if (s == on) return true;
    if (s == off) return false;
    throw ConsoleError(std::string("expected ") + on + " or " + off);
}

// The media take-up: "takeup" shows both rolls; "takeup switch NAME POSITION" sets an operator
// switch; "takeup loop A|B MM" threads the media anew with that loop.
void takeup(CDrvPrint&, const Args& a, std::ostream& o) {
    auto m = sim::machine();
    static const std::pair<const char*, sim::TakeupSwitch> kSwitches[] = {
        {"manual-a", sim::TakeupSwitch::ManualA}, {"direction-a", sim::TakeupSwitch::DirectionA},
        {"manual-b", sim::TakeupSwitch::ManualB}, {"direction-b", sim::TakeupSwitch::DirectionB},
        {"switch1", sim::TakeupSwitch::Switch1},  {"switch2", sim::TakeupSwitch::Switch2}};
    if (!a.empty() && a[0] == "switch") {
        need(a, 3, "takeup switch manual-a|direction-a|manual-b|direction-b|switch1|switch2 POSITION(0-2)");
        const auto* it = std::find_if(std::begin(kSwitches), std::end(kSwitches),
                                      [&](const auto& e) { return a[1] == e.first; });
        if (it == std::end(kSwitches)) throw ConsoleError("no take-up switch " + a[1]);
        const long long v = parseInt(a[2]);
        if (v < 0 || v > 2) throw ConsoleError("a switch position is 0, 1 or 2");
        m->setTakeupSwitch(it->second, unsigned(v));
    } else if (!a.empty() && a[0] == "loop") {
        need(a, 3, "takeup loop A|B MM");
        const bool rollB = onOff(a[1], "B", "A");
        const double mm = parseFloat(a[2]);
        if (!(mm >= 0)) throw ConsoleError("a loop is a length in mm, 0 or more");
        m->setTakeupLoop(rollB ? 1u : 0u, mm);
    } else if (!a.empty()) {
        throw ConsoleError("usage: sim takeup [switch NAME POSITION | loop A|B MM]");
    }
    const sim::TakeupState st = m->takeupState();
    for (int r = 0; r < 2; ++r) {
        const auto& x = st.roll[r];
        o << "roll " << (r == 0 ? "A" : "B") << ": loopMM = " << formatFloat(x.loopMM) << ", dancer = "
          << formatFloat(x.dancer) << ", top = " << x.top << ", bottom = " << x.bottom << ", motor = " << x.motor
          << ", manual = " << x.manual << ", direction = " << x.direction << "\n";
    }
    o << "switch1 = " << st.switch1 << ", switch2 = " << st.switch2 << "\n";
}

void state(CDrvPrint&, const Args&, std::ostream& o) {
    auto m = sim::machine();
    o << "carriageMM = " << formatFloat(m->carriageMM()) << "\n";
    o << "encoder = " << m->encoderDots() << "\n";
    o << "xMoving = " << m->xMoving() << "\n";
    o << "xSpeedMMs = " << formatFloat(m->xSpeedMMs()) << "\n";
    o << "feedMM = " << formatFloat(m->mediaFeedMM()) << "\n";
    o << "yMoving = " << m->yMoving() << "\n";
    o << "leftLimit = " << m->leftLimit() << "\n";
    o << "rightLimit = " << m->rightLimit() << "\n";
    o << "yHome = " << m->yHome() << "\n";
    o << "overMedia = " << m->mediaUnderSensor() << "\n";
    o << "emergencyStop = " << m->emergencyStopPressed() << "\n";
    o << "wiper = " << formatFloat(m->wiperPosition()) << "\n";
    o << "station = " << formatFloat(m->stationPosition()) << "\n";
    o << "output = " << hex(m->peekRegister(hw::REG_OUTPUT)) << "\n";
    o << "input = " << hex(m->peekRegister(hw::REG_INPUT)) << "\n";
    o << "passes = " << m->passes().size() << "\n";
    o << "flashSpits = " << m->flashSpits() << "\n";
    o << "time = " << formatFloat(double(m->nowUs()) / 1000.0) << "\n";
}

void logCmd(CDrvPrint&, const Args& a, std::ostream& o) {
    std::string kind = a.size() > 0 && a[0] != "all" ? a[0] : "";
    size_t last = a.size() > 1 ? size_t(parseInt(a[1])) : 50;
    auto ev = sim::machine()->events(kind);
    size_t from = ev.size() > last ? ev.size() - last : 0;
    for (size_t i = from; i < ev.size(); ++i) {
        char t[32];
        std::snprintf(t, sizeof t, "%.3f", double(ev[i].us) / 1000.0);
        o << "event = " << t << " " << ev[i].kind << " " << ev[i].what << "\n";
    }
    o << "events = " << ev.size() << "\n";
}

void estop(CDrvPrint&, const Args& a, std::ostream& o) {
    need(a, 1, "estop press|release [at-ms MS | at-pass N]");
    const bool press = onOff(a[0], "press", "release");
    auto m = sim::machine();
    if (a.size() >= 3 && a[1] == "at-ms") m->scheduleEmergencyStopAt(press, uint64_t(parseInt(a[2])) * 1000);
    else if (a.size() >= 3 && a[1] == "at-pass") m->scheduleEmergencyStopAtPass(press, unsigned(parseInt(a[2])));
    else if (a.size() == 1) m->pressEmergencyStop(press);
    else throw ConsoleError("usage: sim estop press|release [at-ms MS | at-pass N]");
    o << "estop = " << a[0] << "\n";
}

void fault(CDrvPrint&, const Args& a, std::ostream& o) {
    need(a, 1, "fault limit|slip|card|transfer|board|call|dio|clear ...");
    auto m = sim::machine();
    const std::string& f = a[0];
    if (f == "clear") {
        m->clearFaults();
    } else if (f == "limit") {
        need(a, 3, "fault limit left|right stuck|dead|ok");
        bool right = onOff(a[1], "right", "left");
        sim::LimitFault lf = a[2] == "stuck" ? sim::LimitFault::Stuck
                             : a[2] == "dead" ? sim::LimitFault::Dead
                             : a[2] == "ok"   ? sim::LimitFault::None
                                              : throw ConsoleError("stuck, dead or ok");
        m->setLimitFault(right, lf);
    } else if (f == "slip") {
        need(a, 2, "fault slip FACTOR");
        m->setSlip(parseFloat(a[1]));
    } else if (f == "card") {
        need(a, 2, "fault card absent|present");
        m->setCardAbsent(onOff(a[1], "absent", "present"));
    } else if (f == "transfer") {
        need(a, 2, "fault transfer fail|hang|ok");
        m->setTransferFault(a[1] == "fail"   ? sim::TransferFault::Fail
                            : a[1] == "hang" ? sim::TransferFault::Hang
                            : a[1] == "ok"   ? sim::TransferFault::None
                                             : throw ConsoleError("fail, hang or ok"));
    } else if (f == "board") {
        need(a, 2, "fault board silent|ok");
        m->setHeadBoardSilent(onOff(a[1], "silent", "ok"));
    } else if (f == "call") {
        need(a, 2, "fault call N [read|write|any]");
        const long long n = parseInt(a[1]);
        if (n < 0) throw ConsoleError("fault call N: N is 0 (cancel) or more");
        const std::string kind = a.size() >= 3 ? a[2] : "any";
        const sim::CallKind k = kind == "read"    ? sim::CallKind::Read
                                : kind == "write" ? sim::CallKind::Write
                                : kind == "any"   ? sim::CallKind::Any
                                                  : throw ConsoleError("read, write or any");
        m->failCall(k, uint64_t(n));
        o << "calls = " << m->callCount(k) << "\n";
    } else if (f == "dio") {
        need(a, 2, "fault dio absent|present");
        m->setDioAbsent(onOff(a[1], "absent", "present"));
    } else {
        throw ConsoleError("unknown fault " + f);
    }
    o << "fault = " << f << "\n";
}

void sheet(CDrvPrint&, const Args& a, std::ostream& o) {
    need(a, 1, "sheet png PATH | raw PATH | res XDPI YDPI | new | drops");
    auto m = sim::machine();
    std::string error;
    if (a[0] == "png" || a[0] == "raw") {
        need(a, 2, "sheet png|raw PATH");
        bool ok = a[0] == "png" ? m->saveSheetPng(a[1], &error) : m->saveSheetRaw(a[1], &error);
        if (!ok) throw ConsoleError(error);
        auto s = m->sheet();
        auto e = s.extent();
        o << "sheet = " << a[1] << "\n";
        o << "sheetDpi = " << formatFloat(s.xdpi()) << " " << formatFloat(s.ydpi()) << "\n";
        o << "sheetExtent = " << e.x0 << " " << e.y0 << " " << e.width << " " << e.height << "\n";
    } else if (a[0] == "res") {
        need(a, 3, "sheet res XDPI YDPI");
        m->setSheetResolution(parseFloat(a[1]), parseFloat(a[2]));
        o << "sheetRes = " << a[1] << " " << a[2] << "\n";
    } else if (a[0] == "new") {
        m->newSheet();
        o << "sheet = new\n";
    } else if (a[0] == "drops") {
        int colours = 0;
        for (const auto& h : m->config().heads) colours = std::max(colours, h.colour + 1);
        for (int c = 0; c < colours; ++c) o << "drops" << c << " = " << m->drops(c) << "\n";
        o << "dropsOffSheet = " << m->dropsOffSheet() << "\n";
        o << "flashSpits = " << m->flashSpits() << "\n";
    } else {
        throw ConsoleError("unknown sheet command " + a[0]);
    }
}

void add(ConsoleTable& t) {
    t.sim("state", state);
    t.sim("log", logCmd);
    t.sim("clearlog", [](CDrvPrint&, const Args&, std::ostream& o) {
        sim::machine()->clearEvents();
        o << "log = cleared\n";
    });
    t.sim("passes", [](CDrvPrint&, const Args&, std::ostream& o) {
        for (const auto& p : sim::machine()->passes())
            o << "pass = dir " << p.dir << " columns " << p.first << ".." << p.last << " from " << p.startDot
              << " fired " << p.columnsFired << " drops " << p.drops << (p.complete ? " complete" : " incomplete")
              << "\n";
    });
    t.sim("reg", [](CDrvPrint&, const Args& a, std::ostream& o) {
        need(a, 1, "reg PORT");
        o << a[0] << " = " << hex(sim::machine()->peekRegister(uint32_t(parseInt(a[0])))) << "\n";
    });
    t.sim("dsp", [](CDrvPrint&, const Args& a, std::ostream& o) {
        need(a, 1, "dsp REGISTER");
        o << a[0] << " = " << hex(sim::machine()->peekDsp(uint32_t(parseInt(a[0])))) << "\n";
    });
    t.sim("estop", estop);
    t.sim("fault", fault);
    t.sim("media", [](CDrvPrint&, const Args& a, std::ostream& o) {
        need(a, 2, "media LEFT_MM WIDTH_MM");
        sim::machine()->setMedia(parseFloat(a[0]), parseFloat(a[1]));
        o << "media = " << a[0] << " " << a[1] << "\n";
    });
    t.sim("feed", [](CDrvPrint&, const Args& a, std::ostream& o) {
        need(a, 1, "feed MM");
        sim::machine()->setFeed(parseFloat(a[0]));
        o << "feedMM = " << a[0] << "\n";
    });
    t.sim("carriage", [](CDrvPrint&, const Args& a, std::ostream& o) {
        need(a, 1, "carriage MM");
        sim::machine()->setCarriage(parseFloat(a[0]));
        o << "carriageMM = " << a[0] << "\n";
    });
    t.sim("sheet", sheet);
    t.sim("dio", [](CDrvPrint&, const Args& a, std::ostream& o) {
        need(a, 3, "dio PORT BIT 0|1|estop|slowzone|wiper-out-n|wiper-in-n");
        sim::machine()->setDioInput(unsigned(parseInt(a[0])), unsigned(parseInt(a[1])), a[2]);
        o << "dio = " << a[0] << "." << a[1] << " " << a[2] << "\n";
    });
    t.sim("selector", [](CDrvPrint&, const Args& a, std::ostream& o) {
        need(a, 2, "selector PAIR(0-5) VALUE(0-2)");
        sim::machine()->setSelector(unsigned(parseInt(a[0])), unsigned(parseInt(a[1])));
        o << "selector = " << a[0] << " " << a[1] << "\n";
    });
    t.sim("takeup", takeup);
    t.sim("counter", [](CDrvPrint&, const Args& a, std::ostream& o) {
        need(a, 2, "counter CHANNEL VALUE");
        sim::machine()->setCounter(unsigned(parseInt(a[0])), uint16_t(parseInt(a[1])));
        o << "counter = " << a[0] << " " << a[1] << "\n";
    });
    t.sim("temp", [](CDrvPrint&, const Args& a, std::ostream& o) {
        need(a, 2, "temp SLOT CELSIUS");
        sim::machine()->setHeadTemperature(int(parseInt(a[0])), parseFloat(a[1]));
        o << "temp = " << a[0] << " " << a[1] << "\n";
    });
    t.sim("misplacement", [](CDrvPrint&, const Args& a, std::ostream& o) {
        need(a, 1, "misplacement on|off");
        sim::machine()->setMisplacement(onOff(a[0], "on", "off"));
        o << "misplacement = " << a[0] << "\n";
    });
    t.sim("firmware", [](CDrvPrint&, const Args&, std::ostream& o) {
        auto m = sim::machine();
        for (auto [name, f] : {std::pair{"fpga", m->fpga()}, std::pair{"dsp", m->dsp()}})
            o << name << " = " << (f.loaded ? f.path + " " + std::to_string(f.bytes) + " bytes" : "not loaded") << "\n";
        o << "driverDir = " << m->driverDir() << "\n";
    });
    t.sim("boards", [](CDrvPrint&, const Args&, std::ostream& o) {
        auto m = sim::machine();
        for (int b = 0; b < 2; ++b)
            o << "board" << b + 1 << " = " << hex16(m->boardReceived(b)) << " (" << m->boardTransfers(b) << " transfers)\n";
    });
    t.sim("save", [](CDrvPrint&, const Args& a, std::ostream& o) {
        need(a, 1, "save PATH");
        std::string error;
        if (!sim::machine()->saveState(a[0], &error)) throw ConsoleError(error);
        o << "saved = " << a[0] << "\n";
    });
    t.sim("load", [](CDrvPrint&, const Args& a, std::ostream& o) {
        need(a, 1, "load PATH");
        std::string error;
        if (!sim::machine()->loadState(a[0], &error)) throw ConsoleError(error);
        o << "loaded = " << a[0] << "\n";
    });
    t.sim("machine", [](CDrvPrint&, const Args& a, std::ostream& o) {
        if (a.empty()) {
            o << sim::machineText(sim::machine()->config());
            return;
        }
        sim::MachineConfig cfg;
        std::string error;
        if (!sim::loadMachineFile(a[0], cfg, &error)) throw ConsoleError(error);
        sim::newMachine(cfg);
        o << "machine = " << a[0] << "\n";
    });
    t.sim("reset", [](CDrvPrint&, const Args&, std::ostream& o) {
        hw::openDevices("sim");
        o << "machine = fresh\n";
    });
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
