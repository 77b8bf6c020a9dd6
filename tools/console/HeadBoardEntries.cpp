// Console entries of the head boards: the board type and name, the prepared and read-back blocks
// (as 32 hex digits), and `call AUXHTV...` / `call AUX...HeadsParams` for each operation. The
// operations that fill a 16-byte buffer answer "RESULT HEX".
#include <cstdio>

#include "console/ConsoleTable.h"

namespace console {
namespace {

std::string hex(const uint8_t* b) {
    std::string s;
    char x[4];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(x, sizeof x, "%02X", b[i]);
        s += x;
    }
    return s;
}

// 32 hex digits into 16 bytes.
void unhex(const std::string& text, uint8_t* b) {
    if (text.size() != 32) throw ConsoleError("expected 32 hex digits (16 bytes)");
    for (int i = 0; i < 16; ++i) {
        unsigned v = 0;
        for (int j = 0; j < 2; ++j) {
            const char c = text[size_t(2 * i + j)];
            unsigned d;
            if (c >= '0' && c <= '9') d = unsigned(c - '0');
            else if (c >= 'a' && c <= 'f') d = unsigned(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') d = unsigned(c - 'A' + 10);
            else throw ConsoleError("expected 32 hex digits (16 bytes)");
            v = v * 16 + d;
        }
        b[i] = uint8_t(v);
    }
}

void need(const Args& a, size_t n, const char* usage) {
    if (a.size() != n) throw ConsoleError(std::string("usage: call ") + usage);
}

void block(ConsoleTable& t, const std::string& name, uint8_t (CDrvPrint::*m)[16]) {
    ValueEntry e;
    e.get = [m](CDrvPrint& d) { return hex(d.*m); };
    e.set = [m](CDrvPrint& d, const std::string& s) { unhex(s, d.*m); };
    t.value(name, std::move(e));
}

unsigned headArg(const Args& a) { return static_cast<unsigned>(parseInt(a[0])); }

void add(ConsoleTable& t) {
    t.member("uiHTVBoardType", &CDrvPrint::uiHTVBoardType);
    t.member("csHeadBoardName", &CDrvPrint::csHeadBoardName);
    t.member("bHTVTemperatureMode", &CDrvPrint::bHTVTemperatureMode);
    t.member("bHTVSplitAt8", &CDrvPrint::bHTVSplitAt8);
    block(t, "byHTVOutA", &CDrvPrint::byHTVOutA);
    block(t, "byHTVOutB", &CDrvPrint::byHTVOutB);
    block(t, "byHTVInA", &CDrvPrint::byHTVInA);
    block(t, "byHTVInB", &CDrvPrint::byHTVInB);

    t.method("AUXHTVInitParams", &CDrvPrint::AUXHTVInitParams);
    t.method("AUXHTVSetParams", &CDrvPrint::AUXHTVSetParams);
    t.method("AUXHTVWriteParams", &CDrvPrint::AUXHTVWriteParams);
    t.method("AUXHTVCheckHCB", &CDrvPrint::AUXHTVCheckHCB);
    t.method("AUXHTVDisableParams", &CDrvPrint::AUXHTVDisableParams);
    t.method("AUXSetHeadsParamsState", &CDrvPrint::AUXSetHeadsParamsState);
    t.method("AUXGetHeadsParamsState", &CDrvPrint::AUXGetHeadsParamsState);
    using Fill = int (CDrvPrint::*)(uint8_t*);
    const std::pair<const char*, Fill> fills[] = {{"AUXHTVGetVersion", &CDrvPrint::AUXHTVGetVersion},
                                                   {"AUXHTVReadParams", &CDrvPrint::AUXHTVReadParams},
                                                   {"AUXHTVReadParamsTemp", &CDrvPrint::AUXHTVReadParamsTemp}};
    for (const auto& [name, fn] : fills)
        t.call(name, [name = std::string(name), fn = fn](CDrvPrint& d, const Args& a) {
            need(a, 0, name.c_str());
            uint8_t b[16] = {};
            const int r = (d.*fn)(b);
            return std::to_string(r) + " " + hex(b);
        });
    t.call("AUXReadHeadsParams", [](CDrvPrint& d, const Args& a) {
        if (a.size() != 1 && a.size() != 2) throw ConsoleError("usage: call AUXReadHeadsParams HEAD [HEX]");
        HeadsParams p;
        if (a.size() == 2) unhex(a[1], p.byData);
        const int r = d.AUXReadHeadsParams(headArg(a), &p);
        return std::to_string(r) + " " + hex(p.byData);
    });
    t.call("AUXWriteHeadsParams", [](CDrvPrint& d, const Args& a) {
        need(a, 2, "AUXWriteHeadsParams HEAD HEX");
        HeadsParams p;
        unhex(a[1], p.byData);
        return std::to_string(d.AUXWriteHeadsParams(headArg(a), p));
    });
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
