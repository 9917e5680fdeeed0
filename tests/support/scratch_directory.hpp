#pragma once
// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace trellmark::testing {

class ScratchDirectory {
  public:
    ScratchDirectory() {
        std::string templ = (std::filesystem::temp_directory_path() / "trellmark-XXXXXX").string();
        if (mkdtemp(templ.data()) != nullptr) path_ = templ;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // Creates (or empties) a regular file with the given contents.
    void writeFile(const std::string& name, const std::string& contents = "") const {
        std::ofstream file(*this / name, std::ios::binary | std::ios::trunc);
        file << contents;
    }

  private:
    std::string path_;
};

}  // namespace trellmark::testing
