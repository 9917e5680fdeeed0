#include "analysis/file_set.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/scratch_directory.hpp"

namespace trellmark {
namespace {

using testing::ScratchDirectory;
using Names = std::vector<std::string>;

TEST(WildcardMatch, StarsQuestionMarksAndLetterCase) {
    EXPECT_TRUE(wildcardMatch("*.wav", "a.wav"));
    EXPECT_TRUE(wildcardMatch("*.wav", ".wav"));  // "*" may stand for nothing
    EXPECT_FALSE(wildcardMatch("*.wav", "a.wavx"));
    EXPECT_FALSE(wildcardMatch("*.wav", "a.wa"));
    EXPECT_TRUE(wildcardMatch("*.wav", "A.WAV"));
    EXPECT_TRUE(wildcardMatch("REF*.wav", "ref1.Wav"));
    EXPECT_TRUE(wildcardMatch("a*b*c", "abc"));
    EXPECT_TRUE(wildcardMatch("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(wildcardMatch("a*b*c", "acb"));
    EXPECT_TRUE(wildcardMatch("*x*y", "axbxcy"));
    EXPECT_TRUE(wildcardMatch("a*?c", "abc"));
    EXPECT_FALSE(wildcardMatch("a*?c", "ac"));
    EXPECT_TRUE(wildcardMatch("*", ""));
    EXPECT_TRUE(wildcardMatch("", ""));
    EXPECT_FALSE(wildcardMatch("", "a"));
    EXPECT_FALSE(wildcardMatch("?", ""));
    EXPECT_FALSE(wildcardMatch("*a*", ""));
    EXPECT_TRUE(wildcardMatch("A?C", "abc"));
    EXPECT_FALSE(wildcardMatch("a?c", "abbc"));
    EXPECT_FALSE(wildcardMatch("[ab]", "a"));  // brackets are plain characters
    EXPECT_TRUE(wildcardMatch("[ab]", "[AB]"));
}

TEST(WildcardMatch, AUtf8SequenceIsOneCharacter) {
    EXPECT_TRUE(wildcardMatch("?.wav", "\xC3\xA9.wav"));  // e acute, 2 bytes
    EXPECT_FALSE(wildcardMatch("??.wav", "\xC3\xA9.wav"));
    EXPECT_TRUE(wildcardMatch("x?y", "x\xE2\x82\xACy"));      // euro sign, 3 bytes
    EXPECT_TRUE(wildcardMatch("x?y", "x\xF0\x9F\x98\x80y"));  // emoji, 4 bytes
    EXPECT_TRUE(wildcardMatch("x?y", "x\xFFy"));              // a stray byte is one
    EXPECT_TRUE(wildcardMatch("x??y",
                              "x\xC3"
                              "ay"));                                   // a broken sequence: two
    EXPECT_FALSE(wildcardMatch("x?y", "x\xE0\x80\x80y"));               // overlong form: three
    EXPECT_TRUE(wildcardMatch("\xC3\xA9*", "\xC3\xA9t\xC3\xA9.wav"));   // same bytes match
    EXPECT_FALSE(wildcardMatch("\xC3\xA9*", "\xC3\x89t\xC3\xA9.wav"));  // only ASCII is folded
}

TEST(WildcardMatch, ManyStarsTakePolynomialTime) {
    // Naive backtracking would take longer than the age of the universe here.
    std::string pattern;
    for (int k = 0; k < 300; ++k) pattern += "*a";
    pattern += "b";
    EXPECT_FALSE(wildcardMatch(pattern, std::string(3000, 'a')));
    EXPECT_TRUE(wildcardMatch(pattern, std::string(3000, 'a') + "b"));
}

TEST(FindFileSet, CoreNamePatternGivesNamesAndPaths) {
    ScratchDirectory dir;
    for (const char* name : {"ref2.wav", "ref1.wav", "other.wav", "ref1.txt", "ref3.wav.bak",
                             "xref4.wav", "ref.wav"}) {
        dir.writeFile(name, "RIFF");
    }
    FileSet set = findFileSet(dir.path(), "ref");
    EXPECT_EQ(set.directory, dir.path());
    EXPECT_EQ(set.coreName, "ref");
    EXPECT_EQ(set.count, 3);
    EXPECT_EQ(set.names, (Names{"ref.wav", "ref1.wav", "ref2.wav"}));
    EXPECT_EQ(set.paths, (Names{dir / "ref.wav", dir / "ref1.wav", dir / "ref2.wav"}));
}

TEST(FindFileSet, EmptyCoreNameTakesEveryWaveFile) {
    ScratchDirectory dir;
    for (const char* name : {"b.wav", "a.WAV", "notes.txt", "c.Wav", "wav", "d.wave"}) {
        dir.writeFile(name);
    }
    FileSet set = findFileSet(dir.path(), "");
    EXPECT_EQ(set.coreName, "");
    EXPECT_EQ(set.count, 3);
    EXPECT_EQ(set.names, (Names{"a.WAV", "b.wav", "c.Wav"}));
}

TEST(FindFileSet, WildcardsInTheCoreNameTakePart) {
    ScratchDirectory dir;
    for (const char* name : {"ref1.wav", "rif2.wav", "rf.wav", "roof.wav", "REF9.WAV",
                             "r\xC3\xA9"
                             "f.wav",
                             "left.wav", "take01.wav"}) {
        dir.writeFile(name);
    }
    FileSet set = findFileSet(dir.path(), "r?f");
    EXPECT_EQ(set.names, (Names{"ref1.wav", "REF9.WAV", "rif2.wav",
                                "r\xC3\xA9"
                                "f.wav"}));
    set = findFileSet(dir.path(), "*f");
    EXPECT_EQ(set.names,
              (Names{"left.wav", "ref1.wav", "REF9.WAV", "rf.wav", "rif2.wav", "roof.wav",
                     "r\xC3\xA9"
                     "f.wav"}));
}

TEST(FindFileSet, OnlyVisibleRegularFilesAreTaken) {
    ScratchDirectory dir;
    dir.writeFile("take1.wav");
    dir.writeFile(".take2.wav");                              // hidden
    ASSERT_EQ(mkdir((dir / "take3.wav").c_str(), 0755), 0);   // a directory
    ASSERT_EQ(mkfifo((dir / "take4.wav").c_str(), 0644), 0);  // opening it would block
    ASSERT_EQ(symlink("take1.wav", (dir / "take5.wav").c_str()), 0);
    ASSERT_EQ(symlink("missing.wav", (dir / "take6.wav").c_str()), 0);
    ASSERT_EQ(symlink("take3.wav", (dir / "take7.wav").c_str()), 0);  // link to a directory
    ASSERT_EQ(symlink("/dev/null", (dir / "take8.wav").c_str()), 0);  // link to a device
    FileSet set = findFileSet(dir.path(), "take");
    EXPECT_EQ(set.count, 2);
    EXPECT_EQ(set.names, (Names{"take1.wav", "take5.wav"}));
}

TEST(FindFileSet, DirectoryIsUsedAsTyped) {
    ScratchDirectory dir;
    dir.writeFile("a.wav");
    FileSet set = findFileSet(dir.path() + "/", "");
    EXPECT_EQ(set.directory, dir.path() + "/");
    EXPECT_EQ(set.paths, (Names{dir.path() + "//a.wav"}));

    ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
    dir.writeFile("sub/b.wav");
    set = findFileSet(dir.path() + "/sub/../sub", "");
    EXPECT_EQ(set.paths, (Names{dir.path() + "/sub/../sub/b.wav"}));
}

TEST(FindFileSet, OrderIgnoresLetterCaseAndTiesGoByBytes) {
    ScratchDirectory dir;
    // Upper-cased, "_" (5F) comes after every letter and "." (2E) before them;
    // bytes above 7F come last. "A.wav" and "a.wav" tie and go by raw bytes; a
    // name that is the start of another comes first whatever its case.
    for (const char* name : {"_x.wav", "b.wav", "\xC3\xA9.wav", "C.wav", "ab.wav", "a.wav", "Z.wav",
                             "A.wav", "1.wav", "X.wav.wav", "x.wav"}) {
        dir.writeFile(name);
    }
    FileSet set = findFileSet(dir.path(), "");
    EXPECT_EQ(set.names, (Names{"1.wav", "A.wav", "a.wav", "ab.wav", "b.wav", "C.wav", "x.wav",
                                "X.wav.wav", "Z.wav", "_x.wav", "\xC3\xA9.wav"}));
}

TEST(FindFileSet, AtMostTheFirstThousandInOrder) {
    ScratchDirectory dir;
    char name[32];
    for (int k = 1000; k >= 0; --k) {  // 1001 files, created last first
        std::snprintf(name, sizeof name, "T%04d.wav", k);
        dir.writeFile(name);
    }
    dir.writeFile("s.wav");  // lies before all of them: pushes T0999 out too
    FileSet set = findFileSet(dir.path(), "");
    ASSERT_EQ(set.count, 1000);
    ASSERT_EQ(set.names.size(), 1000u);
    ASSERT_EQ(set.paths.size(), 1000u);
    EXPECT_EQ(set.names.front(), "s.wav");
    EXPECT_EQ(set.names[1], "T0000.wav");
    EXPECT_EQ(set.names.back(), "T0998.wav");
    EXPECT_EQ(set.paths.back(), dir / "T0998.wav");
}

TEST(FindFileSet, NothingFoundGivesAnEmptySet) {
    ScratchDirectory dir;
    dir.writeFile("ref1.wav");
    FileSet set = findFileSet(dir.path(), "cmp");
    EXPECT_EQ(set.count, 0);
    EXPECT_TRUE(set.names.empty());
    EXPECT_TRUE(set.paths.empty());

    set = findFileSet(dir / "missing", "");
    EXPECT_EQ(set.count, 0);
    EXPECT_EQ(set.directory, dir / "missing");
    EXPECT_TRUE(set.paths.empty());

    set = findFileSet(dir / "ref1.wav", "");  // a file, not a directory
    EXPECT_EQ(set.count, 0);
}

}  // namespace
}  // namespace trellmark

namespace trellmark {
namespace {

// With every supported extension a set takes each format's files, in the one
// order, and still only names that match the core name; ".wav" alone stays
// the default.
TEST(FindFileSet, EverySupportedExtensionWhenAskedFor) {
    testing::ScratchDirectory dir;
    for (const char* name : {"take1.wav", "take2.FLAC", "take3.aif", "Take4.aiff", "take5.AIFC",
                             "take6.caf", "take7.w64", "take8.rf64", "take9.bwf", "take10.wave",
                             "take11.mp3", "take12.flac.txt", "other.flac", "take13.wavx"}) {
        dir.writeFile(name);
    }
    const FileSet every = findFileSet(dir.path(), "take", SetExtensions::everySupported);
    EXPECT_EQ(every.names, (std::vector<std::string>{
                               "take1.wav", "take10.wave", "take2.FLAC", "take3.aif", "Take4.aiff",
                               "take5.AIFC", "take6.caf", "take7.w64", "take8.rf64", "take9.bwf"}));
    EXPECT_EQ(every.count, 10);
    EXPECT_EQ(findFileSet(dir.path(), "take").names, (std::vector<std::string>{"take1.wav"}));
}

// Names that differ only in their extension, letter case ignored, are the same
// take twice; every pair is named, in set order.
TEST(SameTakesTwice, NamesThatDifferOnlyInTheirExtension) {
    FileSet set;
    set.names = {"a.wav", "A.flac", "ab.wav", "b.aif", "b.AIFF", "b.caf", "c.wav.flac", "c.wav"};
    const std::vector<SameTakeTwice> pairs = sameTakesTwice(set);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"a.wav", "A.flac"}, {"b.aif", "b.AIFF"}, {"b.aif", "b.caf"}, {"b.AIFF", "b.caf"}};
    ASSERT_EQ(pairs.size(), expected.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        EXPECT_EQ(pairs[i].first, expected[i].first);
        EXPECT_EQ(pairs[i].second, expected[i].second);
    }
    set.names = {"take1.wav", "take2.wav", "take10.wav"};
    EXPECT_TRUE(sameTakesTwice(set).empty());
}

}  // namespace
}  // namespace trellmark
