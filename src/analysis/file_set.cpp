#include "analysis/file_set.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/utf8.hpp"

namespace trellmark {
namespace {

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool sameCharacter(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (upperAscii(a[k]) != upperAscii(b[k])) return false;
    }
    return true;
}

// The order a case-insensitive disk lists names in; the raw bytes break ties
// so that the order is total and every run picks the same first file.
bool listedBefore(const std::string& a, const std::string& b) {
    std::size_t common = std::min(a.size(), b.size());
    for (std::size_t k = 0; k < common; ++k) {
        auto x = static_cast<unsigned char>(upperAscii(a[k]));
        auto y = static_cast<unsigned char>(upperAscii(b[k]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

bool isRegularFile(int directoryHandle, const char* name) {
    struct stat status {};
    // Follows symbolic links: a link to a wave file counts, a dangling one not.
    if (fstatat(directoryHandle, name, &status, 0) != 0) return false;
    return S_ISREG(status.st_mode);
}

bool matchesSet(const std::string& coreName, std::string_view name, SetExtensions extensions) {
    if (extensions == SetExtensions::waveOnly) return wildcardMatch(fileSetPattern(coreName), name);
    return std::any_of(std::begin(supportedExtensions), std::end(supportedExtensions),
                       [&](std::string_view extension) {
                           return wildcardMatch(coreName + "*" + std::string(extension), name);
                       });
}

// The name without its supported extension, upper-cased: names that differ
// only in extension (or its case) give the same stem.
std::string takeStem(const std::string& name) {
    std::string stem = name;
    for (const std::string_view extension : supportedExtensions) {
        if (name.size() > extension.size() &&
            sameCharacter(std::string_view(name).substr(name.size() - extension.size()),
                          extension)) {
            stem.resize(name.size() - extension.size());
            break;
        }
    }
    for (char& c : stem) c = upperAscii(c);
    return stem;
}

}  // namespace

std::string fileSetPattern(const std::string& coreName) {
    return coreName + "*.wav";
}

std::string fileSetName(const FileSet& set) {
    return set.directory + "/" + fileSetPattern(set.coreName);
}

bool wildcardMatch(std::string_view pattern, std::string_view name) {
    std::vector<std::string> p = splitCharacters(pattern);
    std::vector<std::string> n = splitCharacters(name);
    // Greedy scan that returns to the last "*" on a mismatch. A later "*" makes
    // every earlier one irrelevant, so the work stays within pattern x name
    // steps however many stars are typed.
    std::size_t pi = 0, ni = 0;
    std::size_t starAt = p.size(), resumeAt = 0;
    while (ni < n.size()) {
        if (pi < p.size() && p[pi] == "*") {
            starAt = pi++;
            resumeAt = ni;
        } else if (pi < p.size() && (p[pi] == "?" || sameCharacter(p[pi], n[ni]))) {
            ++pi;
            ++ni;
        } else if (starAt < p.size()) {
            pi = starAt + 1;
            ni = ++resumeAt;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == "*") ++pi;
    return pi == p.size();
}

FileSet findFileSet(const std::string& directory, const std::string& coreName,
                    SetExtensions extensions) {
    FileSet set;
    set.directory = directory;
    set.coreName = coreName;

    std::vector<std::string> found;
    if (DIR* dir = opendir(directory.empty() ? "/" : directory.c_str())) {
        const int handle = dirfd(dir);
        while (const dirent* entry = readdir(dir)) {
            std::string_view name = entry->d_name;
            if (name.empty() || name.front() == '.') continue;  // ".", ".." and hidden
            if (!matchesSet(coreName, name, extensions)) continue;
            if (!isRegularFile(handle, entry->d_name)) continue;
            found.emplace_back(name);
        }
        closedir(dir);
    }

    const std::size_t kept = std::min<std::size_t>(found.size(), maxFilesPerSet);
    std::partial_sort(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(kept), found.end(),
                      listedBefore);
    found.resize(kept);

    set.count = static_cast<std::int16_t>(kept);
    set.paths.reserve(kept);
    for (const std::string& name : found) set.paths.push_back(directory + "/" + name);
    set.names = std::move(found);
    return set;
}

std::vector<SameTakeTwice> sameTakesTwice(const FileSet& set) {
    std::vector<SameTakeTwice> pairs;
    std::vector<std::string> stems;
    for (const std::string& name : set.names) stems.push_back(takeStem(name));
    for (std::size_t i = 0; i < stems.size(); ++i) {
        for (std::size_t j = i + 1; j < stems.size(); ++j) {
            if (stems[i] == stems[j]) pairs.push_back({set.names[i], set.names[j]});
        }
    }
    return pairs;
}

}  // namespace trellmark
