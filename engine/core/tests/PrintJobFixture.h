#pragma once
// A whole-job rig on the virtual printer: an engine with four heads of 126 nozzles, one colour
// each, the carriage homed, heads placed exactly where the setup says, and helpers that write a
// RIP file with ink to its edges, run it and compare the sheet with it. Derived rigs may set up
// other machines (useMachine), more heads (beforeBuffers, setEngineHeads) and heads across the
// carriage (placeHeadX).
#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <random>
#include <set>

#include "../../hardware/tests/HardwareTestSupport.h"
#include "testsupport/RipFiles.h"
#include "testsupport/ScratchDir.h"
#include "core/DrvPrint.h"

namespace printjobtest {

using hwtest::HardwareTest;

class PrintJob : public HardwareTest {
protected:
    std::unique_ptr<CDrvPrint> d;
    std::vector<std::string> tagsSeen;
    std::mutex tagLock;
    std::vector<uint8_t> ripFile;
    RipHead ripHeadUsed;

    // A fresh virtual printer in the given card memory format, its carriage homed.
    void freshMachine(bool eightLine) {
        sim::MachineConfig cfg = machine_->config();
        cfg.eightLineFormat = eightLine;
        useMachine(cfg);
    }
    // A fresh virtual printer of this configuration, heads where it says (misplacement off), the
    // carriage homed, and a sheet of one row per job line at the given interlace.
    void useMachine(const sim::MachineConfig& cfg, unsigned interlace = 1) {
        machine_ = sim::newMachine(cfg);
        machine_->setMisplacement(false);
        machine_->setCarriage(0.0);
        machine_->setSheetResolution(180, 185.21 * interlace);
        if (d) d->AUXInitHardware(0, 3);
    }
    // The engine's heads: n of them over the four colours (head h prints colour h % 4, the k-th
    // head of a colour is its k-th), the print buffers allocated again for them (headsOver sets
    // them without allocating).
    void setEngineHeads(unsigned n) {
        headsOver(*d, n);
        d->PRNInitMemory();
    }
    static void headsOver(CDrvPrint& e, unsigned n) {
        e.HEADS = n;
        unsigned seen[4] = {};
        for (unsigned h = 0; h < n; ++h) {
            e.ColorChannel[h] = int(h % 4);
            e.uiHeadIndexInColor[h] = seen[h % 4]++;
        }
        e.PRNInitParams(); // the heads per colour, which size the card buffers
    }
    // Places head h of the setup and of the virtual machine a dots to the right of the carriage
    // reference: the setup's left-to-right offset is a, its right-to-left one the reference's less a.
    void placeHeadX(sim::MachineConfig& cfg, unsigned h, int a) {
        cfg.heads[h].xMM = a * 25.4 / 180.0;
        d->HeadOffsetXR[h] = d->headAlignment.HeadOffsetXR[h] = a;
        d->HeadOffsetXL[h] = d->headAlignment.HeadOffsetXL[h] = 1049 - a;
    }
    void SetUp() override {
        HardwareTest::SetUp();
        platform::setTimeScale(1000);
        freshMachine(true);
        d = std::make_unique<CDrvPrint>();
        CDrvPrint& e = *d;
        e.HEADS = 4;
        e.COLORS = 4;
        e.LINESPERHEAD = 1;
        e.NOZZLESPERHEAD = 126;
        e.fHeadDPI = 185.21f;
        e.COLORCACHE = 1;
        e.HEADCACHE = 1;
        e.COLORBARCACHE = 1;
        beforeBuffers(e);
        e.PRNInitMemory();
        e.AUXInitHardware(0, 3); // homed: the encoder counts from the left end
        e.uiLeftLimitPos = 0;
        e.uiRightLimitPos = 22000;
        e.uiFire = 3000;
        e.uiStartPos1 = 2126;
        e.uiWidth1 = 11338;
        e.uiDPIColorMode = 0;
        e.bUnidirection = 1;
        e.bUnidirectionToLeft = 0;
        e.bSmartPrint = 0;
        e.bEdgeFeather = 0;
        e.colorBar.bEnable = 0;
        e.bJobRecord = 0;
        // The virtual heads sit at the carriage reference. A right-to-left pass fires its window
        // from the far end of the head columns, so the setup's right-to-left offset is the
        // distance that brings it back over the left-to-right dots (the heads' width + 100 steps,
        // less one dot for a leftward move entering each dot at its upper edge, shared by the
        // fire position and the head offset).
        for (unsigned h = 0; h < 4; ++h) {
            e.HeadOffsetXR[h] = 0;
            e.HeadOffsetXL[h] = 1049;
            e.headAlignment.HeadOffsetXR[h] = 0;
            e.headAlignment.HeadOffsetXL[h] = 1049;
        }
    }
    // A derived rig's last word on the setup before the print buffers are allocated for it.
    virtual void beforeBuffers(CDrvPrint&) {}
    void TearDown() override {
        d.reset();
        HardwareTest::TearDown();
    }
    // Records every step tag the print thread sets.
    void watch() {
        d->onStepTag = [this](const char* t) {
            std::lock_guard g(tagLock);
            tagsSeen.push_back(t);
        };
    }
    std::vector<std::string> seen() {
        std::lock_guard g(tagLock);
        return tagsSeen;
    }
    // A RIP file with ink to its edges: a frame in every plane and a random interior.
    std::string makeRip(unsigned w, unsigned h, unsigned seed = 1, unsigned ydpi = 180, unsigned xdpi = 180) {
        RipHead head = testsupport::ripHead(w, h, 4, xdpi, ydpi);
        const std::vector<uint8_t> v = testsupport::framedRipBytes(head, seed);
        const std::string path = dir_ + "/job" + std::to_string(seed) + ".prn";
        testsupport::writeBytes(path, v);
        ripFile = v;
        ripHeadUsed = head;
        return path;
    }
    bool fileDot(unsigned k, unsigned x, unsigned y) const {
        const unsigned bpl = ripHeadUsed.uiBytesPerLine;
        return ripFile[kRipHeadSize + (size_t(y) * 4 + k) * bpl + x / 8] & (0x80 >> (x % 8));
    }
    int run(const std::string& path, unsigned passes) {
        d->uiPassCount = passes;
        d->uiStepSendCurrent = 0; // a new job, not a resumed one
        d->PRNPrintFile(path);
        d->PRNWaitPrintThread();
        if (d->iPrintResult != 1) {
            for (auto& t : prompter_->texts()) std::printf("asked: %s\n", t.c_str());
            std::printf("refusal: %s tag %s\n", d->csRefusal.c_str(), d->csPrintStep.get());
        }
        return d->iPrintResult;
    }
    // Compares every plane with the sheet, placing the file's top-left dot on the sheet's.
    struct Diff {
        uint64_t expected = 0, printed = 0, missing = 0, extra = 0;
    };
    // With `mirrored` the sheet must be the file mirrored left to right. With a tolerance of t
    // rows a dot counts as printed (or wanted) when the other side has one in the same column
    // within t rows: the compare of a print whose passes were displaced by up to t rows.
    Diff compare(bool mirrored = false, int tolerance = 0) {
        sim::Sheet s = machine_->sheet();
        const auto ext = s.extent();
        const int64_t W = ripHeadUsed.uiWidth, H = ripHeadUsed.uiHeight;
        auto want = [&](unsigned k, int64_t x, int64_t y) {
            if (x < 0 || y < 0 || x >= W || y >= H) return false;
            return fileDot(k, unsigned(mirrored ? W - 1 - x : x), unsigned(y));
        };
        auto got = [&](unsigned k, int64_t x, int64_t y) { return s.dot(int(k), ext.x0 + x, ext.y0 + y); };
        auto near = [&](auto&& f, unsigned k, int64_t x, int64_t y) {
            for (int64_t dy = -tolerance; dy <= tolerance; ++dy)
                if (f(k, x, y + dy)) return true;
            return false;
        };
        Diff r;
        const int64_t w = std::max<int64_t>(ext.width, W), h = std::max<int64_t>(ext.height, H);
        for (unsigned k = 0; k < 4; ++k) {
            for (int64_t y = 0; y < h; ++y)
                for (int64_t x = 0; x < w; ++x) {
                    const bool wa = want(k, x, y), g = got(k, x, y);
                    r.expected += wa;
                    r.printed += g;
                    r.missing += wa && !near(got, k, x, y);
                    r.extra += g && !near(want, k, x, y);
                }
        }
        return r;
    }
};

} // namespace printjobtest
