#include "StatePersist.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "Sim.h"

namespace sim {
namespace {

// The note: "path\n" then the file's bytes; "path\n" alone with a '-' marks a missing file.
std::string readFile(const std::string& path, bool& exists) {
    std::ifstream f(path, std::ios::binary);
    exists = static_cast<bool>(f);
    std::ostringstream o;
    if (f) o << f.rdbuf();
    return o.str();
}

bool writeAtomic(const std::string& path, const std::string& data) {
    const std::string tmp = path + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!(f << data) || !f.flush()) return false;
    }
    const int fd = ::open(tmp.c_str(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

} // namespace

std::string statePathFromEnvironment() {
    const char* env = std::getenv("CARVEX_SIM_STATE");
    return env && *env ? std::string(env) : std::string();
}

bool persistMachine(const std::string& hostFile, std::string* error) {
    const std::string path = statePathFromEnvironment();
    if (path.empty()) return true;
    std::string note;
    if (!hostFile.empty()) {
        bool exists = false;
        const std::string data = readFile(hostFile, exists);
        note = hostFile + (exists ? "\n+" : "\n-") + data;
    }
    return machine()->saveState(path, error, note);
}

bool restoreMachine(std::string* error) {
    const std::string path = statePathFromEnvironment();
    if (path.empty() || ::access(path.c_str(), F_OK) != 0) return true;
    std::string note;
    if (!machine()->loadState(path, error, &note)) return false;
    const size_t nl = note.find('\n');
    if (nl == std::string::npos || nl + 1 >= note.size()) return true;
    const std::string hostFile = note.substr(0, nl);
    const bool existed = note[nl + 1] == '+';
    const std::string data = note.substr(nl + 2);
    bool exists = false;
    const std::string now = readFile(hostFile, exists);
    if (exists == existed && now == data) return true;
    if (!existed) {
        if (std::remove(hostFile.c_str()) == 0) return true;
        if (error) *error = "cannot remove " + hostFile;
        return false;
    }
    if (!writeAtomic(hostFile, data)) {
        if (error) *error = "cannot write " + hostFile;
        return false;
    }
    return true;
}

} // namespace sim
