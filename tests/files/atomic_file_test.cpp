// The atomic file writer: whole replacement, permissions, links and special targets, and what each
// failure point leaves behind (the previous content, and no temporary file).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "util/files/atomic_file.h"
#include "util/files/failure_injection.h"

namespace fs = std::filesystem;
using files::AtomicFile;
using files::Step;
using files::WriteResult;
using ::testing::ElementsAre;

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "atomic-file-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        files::testing::clearFailure();
        fs::remove_all(dir);
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    static void write(const std::string& file, const std::string& content) {
        std::ofstream(file, std::ios::binary) << content;
    }
    static std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    // Replaces target with text through the convenience function.
    static WriteResult replaceWith(const std::string& target, const std::string& text,
                                   const files::AtomicFileOptions& options = {}) {
        const auto write = [&](std::ostream& out) { return bool(out << text); };
        return files::writeFileAtomically(target, write, options);
    }
    static unsigned mode(const std::string& file) {
        struct stat info {};
        return ::lstat(file.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
    }
    // Every name in the directory, sorted: temporary files would show up here.
    std::vector<std::string> names() const {
        std::vector<std::string> all;
        for (const auto& entry : fs::directory_iterator(dir)) all.push_back(entry.path().filename().string());
        std::sort(all.begin(), all.end());
        return all;
    }

    fs::path dir;
};

TEST_F(AtomicFileTest, ReplacesTheWholeFileOnlyAtCommit) {
    write(path("out"), "previous content, longer than the new one\n");
    AtomicFile file;
    ASSERT_TRUE(file.open(path("out")).ok());
    ASSERT_TRUE(file.append("new ").ok());
    file.stream() << "content" << '\n';
    EXPECT_EQ(read(path("out")), "previous content, longer than the new one\n");
    ASSERT_TRUE(file.commit().ok());
    EXPECT_EQ(read(path("out")), "new content\n");
    EXPECT_THAT(names(), ElementsAre("out"));
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(file.stream() << "x") << "a committed file takes nothing more";
}

TEST_F(AtomicFileTest, TemporaryIsBesideTheTargetHiddenAndOwnerOnlyUntilTheFinalMode) {
    const mode_t saved = ::umask(0);
    AtomicFile file;
    const WriteResult opened = file.open(path("out"), {0644, files::SpecialTarget::Replace});
    ::umask(saved);
    ASSERT_TRUE(opened.ok());
    const std::string temporary = fs::path(file.temporaryPath()).filename().string();
    EXPECT_EQ(fs::path(file.temporaryPath()).parent_path(), dir);
    EXPECT_THAT(temporary, ::testing::MatchesRegex("\\.out\\.[A-Za-z0-9]{12}"));
    EXPECT_EQ(mode(file.temporaryPath()), 0600u);
    ASSERT_TRUE(file.commit().ok());
    EXPECT_EQ(mode(path("out")), 0644u);
}

TEST_F(AtomicFileTest, FinishedFileIsOwnerOnlyByDefaultWhateverTheOldOneWas) {
    write(path("out"), "old");
    ::chmod(path("out").c_str(), 0664);
    ASSERT_TRUE(replaceWith(path("out"), "new").ok());
    EXPECT_EQ(mode(path("out")), 0600u);
}

TEST_F(AtomicFileTest, AbandonedOrDestroyedFileLeavesTheTargetAsItWas) {
    write(path("out"), "old");
    {
        AtomicFile file;
        ASSERT_TRUE(file.open(path("out")).ok());
        ASSERT_TRUE(file.append("partial").ok());
    }
    AtomicFile file;
    ASSERT_TRUE(file.open(path("fresh")).ok());
    ASSERT_TRUE(file.append("partial").ok());
    file.abandon();
    EXPECT_EQ(read(path("out")), "old");
    EXPECT_THAT(names(), ElementsAre("out"));
}

// One failure at each step of a replacement that writes in several pieces (the stream hands its
// buffer over in 64 KiB pieces, so ten pieces of 20 KiB make four writes).
struct FailurePoint {
    const char* name;
    Step step;
    int count;
    int error;
};

class AtomicFileFailureTest : public AtomicFileTest, public ::testing::WithParamInterface<FailurePoint> {};

TEST_P(AtomicFileFailureTest, LeavesThePreviousContentAndNoTemporary) {
    const FailurePoint point = GetParam();
    write(path("out"), "previous content\n");
    const std::string piece(20 * 1024, 'x');
    files::testing::ScopedFailure failure(point.step, point.count, point.error);
    const WriteResult result = files::writeFileAtomically(path("out"), [&](std::ostream& out) {
        for (int i = 0; i < 10; ++i) out << piece;
        return true;
    });
    EXPECT_FALSE(files::testing::failurePending());
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.step(), point.step);
    EXPECT_EQ(result.error(), point.error);
    EXPECT_EQ(result.message(), std::strerror(point.error));
    EXPECT_TRUE(read(path("out")) == "previous content\n");
    EXPECT_THAT(names(), ElementsAre("out"));
}

INSTANTIATE_TEST_SUITE_P(EachStep, AtomicFileFailureTest,
                         ::testing::Values(FailurePoint{"Create", Step::Create, 1, EACCES},
                                           FailurePoint{"FirstWrite", Step::Write, 1, ENOSPC},
                                           FailurePoint{"LastWrite", Step::Write, 4, EIO},
                                           FailurePoint{"Sync", Step::Sync, 1, EIO},
                                           FailurePoint{"Rename", Step::Rename, 1, EXDEV}),
                         [](const ::testing::TestParamInfo<FailurePoint>& point) { return point.param.name; });

TEST_F(AtomicFileTest, AFailedAppendIsStickyAndTheCommitReportsIt) {
    write(path("out"), "old");
    AtomicFile file;
    ASSERT_TRUE(file.open(path("out")).ok());
    ASSERT_TRUE(file.append("first").ok());
    files::testing::failAt(Step::Write, 1, ENOSPC);
    const WriteResult failed = file.append("second piece");
    EXPECT_EQ(failed.step(), Step::Write);
    EXPECT_EQ(failed.message(), "No space left on device");
    EXPECT_THAT(names(), ElementsAre("out")) << "the temporary goes at the failure, not at the commit";
    EXPECT_EQ(file.append("third").error(), ENOSPC);
    EXPECT_FALSE(file.stream() << "fourth" << std::flush);
    EXPECT_EQ(file.commit().error(), ENOSPC);
    EXPECT_EQ(read(path("out")), "old");
}

TEST_F(AtomicFileTest, ATakenTemporaryNameMakesItTryAnother) {
    files::testing::ScopedFailure taken(Step::Create, 1, EEXIST);
    ASSERT_TRUE(replaceWith(path("out"), "x").ok());
    EXPECT_EQ(read(path("out")), "x");
    EXPECT_THAT(names(), ElementsAre("out"));
}

TEST_F(AtomicFileTest, AWriterThatGivesUpLeavesThePreviousContent) {
    write(path("out"), "old");
    const WriteResult result = files::writeFileAtomically(path("out"), [](std::ostream& out) {
        out << "half of it";
        return false;
    });
    EXPECT_EQ(result.step(), Step::Write);
    EXPECT_EQ(result.error(), ECANCELED);
    EXPECT_EQ(read(path("out")), "old");
    EXPECT_THAT(names(), ElementsAre("out"));
}

TEST_F(AtomicFileTest, LargeAndSmallWritesArriveInOrder) {
    std::string expected;
    const WriteResult result = files::writeFileAtomically(path("out"), [&](std::ostream& out) {
        for (int i = 0; i < 50; ++i) {
            const std::size_t size = static_cast<std::size_t>(i) * 7919 % 100000;
            const std::string piece(size, static_cast<char>('a' + i % 26));
            out << piece << i << '\n';
            expected += piece + std::to_string(i) + '\n';
        }
        return true;
    });
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(read(path("out")), expected);
}

TEST_F(AtomicFileTest, ALinkAtTheTargetIsReplacedAndWhatItPointedToIsUntouched) {
    write(path("real"), "real content");
    fs::create_symlink(path("real"), path("link"));
    fs::create_symlink(path("nowhere"), path("dangling"));
    for (const char* name : {"link", "dangling"}) ASSERT_TRUE(replaceWith(path(name), "new").ok());
    EXPECT_EQ(read(path("real")), "real content");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path("link"))));
    EXPECT_EQ(read(path("link")), "new");
    EXPECT_FALSE(fs::exists(path("nowhere")));
    EXPECT_THAT(names(), ElementsAre("dangling", "link", "real"));
}

TEST_F(AtomicFileTest, ADirectoryOrAMissingDirectoryIsRefused) {
    fs::create_directory(path("sub"));
    for (const std::string& target : {path("sub"), path("sub") + "/"}) {
        AtomicFile file;
        const WriteResult result = file.open(target);
        EXPECT_EQ(result.step(), Step::Create) << target;
        EXPECT_EQ(result.error(), EISDIR) << target;
        EXPECT_FALSE(file.stream() << "x" << std::flush) << "a file that did not open takes nothing";
        EXPECT_EQ(file.commit().error(), EISDIR);
    }
    EXPECT_TRUE(fs::is_empty(path("sub")));
    const WriteResult missing = files::writeFileAtomically(path("no/such/out"), [](std::ostream&) { return true; });
    EXPECT_EQ(missing.step(), Step::Create);
    EXPECT_EQ(missing.message(), "No such file or directory");
}

TEST_F(AtomicFileTest, SpecialTargetsAreWrittenInPlaceOrReplacedAsAsked) {
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    AtomicFile replaced;
    ASSERT_TRUE(replaced.open(path("pipe")).ok());
    EXPECT_FALSE(replaced.writesInPlace());
    ASSERT_TRUE(replaced.append("file now").ok());
    ASSERT_TRUE(replaced.commit().ok());
    EXPECT_TRUE(fs::is_regular_file(path("pipe")));

    const files::AtomicFileOptions inPlace{0600, files::SpecialTarget::WriteInPlace};
    AtomicFile null;
    ASSERT_TRUE(null.open("/dev/null", inPlace).ok());
    EXPECT_TRUE(null.writesInPlace());
    EXPECT_EQ(null.temporaryPath(), "");
    ASSERT_TRUE(null.append("dropped").ok());
    EXPECT_TRUE(null.commit().ok());
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    const WriteResult full = replaceWith("/dev/full", "x", inPlace);
    EXPECT_EQ(full.step(), Step::Write);
    EXPECT_EQ(full.error(), ENOSPC);
}

}  // namespace
