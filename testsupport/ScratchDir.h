#pragma once
// A fresh folder for one test, removed with everything in it afterwards. Every test binary uses
// this one (the test-support library): no test writes into a shared or fixed folder.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace testsupport {

class ScratchDir {
public:
    enum class Where { Temp, Memory };
    // `Memory` puts the folder in /dev/shm when there is one: jobs that write their printing status
    // with fsync after every pass then cost nothing for it.
    explicit ScratchDir(const std::string& prefix = "carvex-test", Where where = Where::Temp) {
        std::filesystem::path root = std::filesystem::temp_directory_path();
        std::error_code ec;
        if (where == Where::Memory && std::filesystem::is_directory("/dev/shm", ec)) root = "/dev/shm";
        std::string tmpl = (root / (prefix + "-XXXXXX")).string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("cannot make a scratch folder under " + root.string());
        path_ = tmpl;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(file(name), std::ios::binary) << bytes;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        std::ostringstream o;
        o << in.rdbuf();
        return o.str();
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(file(name)); }
    // Names of everything in the folder, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> v;
        for (const auto& e : std::filesystem::directory_iterator(path_)) v.push_back(e.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    }

private:
    std::string path_;
};

} // namespace testsupport
