// carvex markfile FILE: writes the front and rear files with registration marks for double-sided
// printing beside a RIP print file.
#include <iostream>

#include "Session.h"
#include "preview/RipSource.h"

namespace cli {

namespace imagejob {
int follow(CDrvPrint& d, const char* unit);
uint32_t fileWord(const std::string& path, size_t at);
} // namespace imagejob

namespace {

void add(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("markfile", "write FILE_Front.prt and FILE_Rear.prt with registration marks");
    static std::string file;
    static float headDPI = 0;
    file.clear(); // fresh for every run of the program's parser
    headDPI = 0;
    cmd->add_option("file", file, "RIP print file")->required();
    cmd->add_option("--head-dpi", headDPI, "native head resolution (default: the setup's fHeadDPI)");
    cmd->callback([&s] {
        CDrvPrint& d = s.engine();
        if (headDPI > 0) d.fHeadDPI = headDPI;
        d.IMGMarkFile(file);
        const int result = imagejob::follow(d, "lines");
        const std::string front = preview::frontPathFor(file), rear = preview::rearPathFor(file);
        if (result == 1) {
            const uint32_t lines = imagejob::fileWord(front, 16), planes = imagejob::fileWord(front, 28),
                           bytes = imagejob::fileWord(front, 12);
            s.exitCode = reportOk("mark files " + front + " and " + rear + ": " + std::to_string(lines) +
                                  " lines of " + std::to_string(planes) + " x " + std::to_string(bytes) + " bytes");
        } else if (result == 2) {
            reportError("mark files of " + file + " cancelled, nothing written");
            s.exitCode = 130;
        } else {
            s.exitCode = reportError("no mark files for " + file + ": " + d.csImageError.load());
        }
    });
}

CommandRegistrar reg(add);

} // namespace
} // namespace cli
