#pragma once
// Writing a file under a temporary name beside it and renaming it into place, so that a failed
// write never leaves a partial file under the final name.

#include <string>
#include <string_view>

namespace trellmark {

// A new, empty temporary file in the target's directory, open for writing. Move-only; closes
// and removes the temporary file unless committed.
class ReplacementFile {
  public:
    // failure() says why when the target cannot be replaced: it names a directory or something
    // else that is not a regular file, its directory does not exist or is not writable.
    explicit ReplacementFile(const std::string& target);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    bool ok() const { return failure_.empty(); }
    const std::string& failure() const { return failure_; }

    // Appends bytes; false (with failure() set) when they could not all be written.
    bool write(std::string_view bytes);

    // Closes and renames the temporary file to the target; false with failure() set
    // (and the temporary file removed) when any step fails.
    bool commit();

  private:
    void fail(const std::string& what, int error);
    void abandon();

    std::string target_;
    std::string temporary_;
    int descriptor_ = -1;
    std::string failure_;
};

}  // namespace trellmark
