#include "pipeline/files_left_out.hpp"

#include <dirent.h>
#include <sys/stat.h>

namespace trellmark {

int filesLeftOut(const FileSet& set) {
    if (set.count < maxFilesPerSet) return 0;
    const std::string pattern = fileSetPattern(set.coreName);
    int matching = 0;
    // Counted as the set was found: visible regular files (or links to them)
    // whose names match.
    if (DIR* dir = ::opendir(set.directory.empty() ? "/" : set.directory.c_str())) {
        const int handle = ::dirfd(dir);
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name.empty() || name.front() == '.' || !wildcardMatch(pattern, name)) continue;
            struct stat status {};
            if (::fstatat(handle, entry->d_name, &status, 0) == 0 && S_ISREG(status.st_mode)) {
                ++matching;
            }
        }
        ::closedir(dir);
    }
    return matching > set.count ? matching - set.count : 0;
}

std::string filesLeftOutNote(const FileSet& set, int leftOut) {
    return std::to_string(set.count + leftOut) + " files match: the " + std::to_string(leftOut) +
           " after the first " + std::to_string(set.count) + " are left out.";
}

}  // namespace trellmark
