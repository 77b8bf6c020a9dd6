#pragma once
// A fresh temporary directory for one test, removed with everything in it afterwards.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

class ScratchDir {
public:
    ScratchDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "carvex-test-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
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

    void write(const std::string& name, const std::string& text) const {
        std::ofstream(file(name), std::ios::binary) << text;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        std::ostringstream o;
        o << in.rdbuf();
        return o.str();
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(file(name)); }
    // Names of everything in the directory, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> v;
        for (const auto& e : std::filesystem::directory_iterator(path_)) v.push_back(e.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    }

private:
    std::string path_;
};
