// How vellor-host saves, on a copy of the sample book: through links, never
// over a file it may not replace; against another program that changes a
// file meanwhile and another run on the same files; when a signal stops it
// (and what a killed run leaves, which the next run removes); with names as
// long as the file system takes; and not at all when the bytes would not
// change. A run is paused at a known point of a save by the test hook
// VELLOR_TEST_SAVE_HOLD (a folder where the save writes "held" and waits for "go").
// Not on Windows: the program is run as a child through fork, pipes and
// signals.
#ifndef _WIN32
#include "host_program_run.h"

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <thread>

namespace {

namespace fs = std::filesystem;

// A run left going in the background, its output into files. One that a
// failed test leaves paused is killed, not left waiting.
struct Child {
    pid_t pid = -1;
    std::string logs;
    ~Child() {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
};

// Starts vellor-host with `args`, its saves pausing in `hold`, its output into `logs`.
void StartHost(Child& child, const std::vector<std::string>& args, const std::string& hold, const std::string& logs) {
    child.logs = logs;
    child.pid = fork();
    if (child.pid == 0) {
        int out = open((logs + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open((logs + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        setenv("VELLOR_TEST_SAVE_HOLD", hold.c_str(), 1);
        std::vector<std::string> copies = args;
        std::string program = VELLOR_HOST_PROGRAM;
        std::vector<char*> argv{program.data()};
        for (std::string& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
}

HostResult Finish(Child& child) {
    int status = 0;
    while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    child.pid = -1;
    return HostResult{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(child.logs + "/out"),
                      ReadBytes(child.logs + "/err")};
}

// Waits (a minute at most, so that a fault fails rather than hangs) until
// the paused run has written "held"; its text is the file being saved.
std::string WaitHeld(const std::string& hold) {
    for (int i = 0; i < 12000 && !fs::exists(hold + "/held"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return ReadBytes(hold + "/held");
}

// Lets the paused save go on, and waits until it has.
void Release(const std::string& hold) {
    WriteBytes(hold + "/go", "");
    for (int i = 0; i < 12000 && fs::exists(hold + "/go"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// The temporary files of saves in `folder`.
std::vector<std::string> Temporaries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind(".vellor-", 0) == 0) names.push_back(entry.path().string());
    return names;
}

class HostProgramSaves : public ::testing::Test {
protected:
    ScratchFolder scratch, hold, logs;
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        CopySample(scratch.path());
    }
    std::string Book() { return scratch / "Manual.book"; }
};

struct Refusal {
    const char* situation;
    std::function<std::vector<std::string>(const ScratchFolder&)> setUp; // the arguments; none: cannot be set up
    const char* message;                                                 // on stderr, after the folder's path
};

// What may not be replaced is refused before the plug-in runs (exit 2),
// whatever the user's privileges, and so is what is no regular file even
// for reading; a dry run refuses what the real run would.
TEST_F(HostProgramSaves, LinksAndPermissions) {
    const std::vector<Refusal> refusals = {
        {"a read-only file", [](const ScratchFolder& s) { chmod((s / "ch1.mif").c_str(), 0444);
             return std::vector<std::string>{"apply", s / "ch1.mif"}; }, "/ch1.mif is read-only (mode 0444)"},
        {"a read-only file, dry run", [](const ScratchFolder& s) { chmod((s / "ch1.mif").c_str(), 0444);
             return std::vector<std::string>{"--dry-run", "apply", s / "ch1.mif"}; }, "/ch1.mif is read-only"},
        {"a read-only chapter", [](const ScratchFolder& s) { chmod((s / "ch3.mif").c_str(), 0444);
             return std::vector<std::string>{"apply-book", s / "Manual.book"}; }, "/ch3.mif is read-only"},
        {"a read-only report", [](const ScratchFolder& s) { WriteBytes(s / "out.mif", "old");
             chmod((s / "out.mif").c_str(), 0444);
             return std::vector<std::string>{"list", "--report", s / "out.mif", s / "ch1.mif"}; },
         "/out.mif is read-only"},
        {"a file with two hard links", [](const ScratchFolder& s) { link((s / "ch1.mif").c_str(), (s / "same.mif").c_str());
             return std::vector<std::string>{"apply", s / "ch1.mif"}; }, "/ch1.mif has 2 hard links"},
        {"a folder that cannot be written", [](const ScratchFolder& s) { chmod(s.path().c_str(), 0555);
             return std::vector<std::string>{"apply", s / "ch2.mif"}; }, "/ch2.mif is in a folder this user cannot write in"},
        {"another user's file", [](const ScratchFolder& s) {
             bool owned = geteuid() == 0 && chown((s / "ch1.mif").c_str(), 65534, 65534) == 0;
             return owned ? std::vector<std::string>{"apply", s / "ch1.mif"} : std::vector<std::string>{}; },
         "/ch1.mif belongs to another user (uid 65534)"},
        {"a fifo, even to list", [](const ScratchFolder& s) { mkfifo((s / "pipe.mif").c_str(), 0644);
             return std::vector<std::string>{"list", s / "pipe.mif"}; }, "/pipe.mif is a fifo, not a regular file"},
        {"/dev/stdin", [](const ScratchFolder&) { return std::vector<std::string>{"apply", "/dev/stdin"}; },
         "/dev/stdin is a device or a process's file"},
    };
    std::string skipped;
    for (const Refusal& row : refusals) {
        SCOPED_TRACE(row.situation);
        ScratchFolder s;
        CopySample(s.path());
        std::vector<std::string> args = row.setUp(s);
        if (args.empty()) {
            skipped += std::string(row.situation) + " (needs root to set up); ";
            continue;
        }
        std::map<std::string, std::string> before = FolderBytes(s.path());
        HostResult r = RunHostProgram(args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Updating Master Pages"), std::string::npos) << "the plug-in ran: " << r.err;
        EXPECT_EQ(FolderBytes(s.path()), before);
        EXPECT_TRUE(Temporaries(s.path()).empty());
    }

    // A save through a link writes the link's target, in its own folder,
    // and keeps the link and the target's mode; a read-only file lists.
    fs::create_directory(scratch / "real");
    fs::rename(scratch / "ch1.mif", scratch / "real/ch1.mif");
    fs::create_symlink("real/ch1.mif", scratch / "ch1.mif");
    chmod((scratch / "real/ch1.mif").c_str(), 0640);
    HostResult linked = RunHostProgram({"apply", scratch / "ch1.mif"});
    EXPECT_EQ(linked.status, 0) << linked.err;
    EXPECT_TRUE(fs::is_symlink(scratch / "ch1.mif"));
    EXPECT_NE(ReadBytes(scratch / "real/ch1.mif"), ReadBytes(SamplePath("ch1.mif")));
    struct stat st;
    ASSERT_EQ(stat((scratch / "real/ch1.mif").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(Temporaries(scratch.path()).empty() && Temporaries(scratch / "real").empty());
    chmod((scratch / "ch2.mif").c_str(), 0444);
    EXPECT_EQ(RunHostProgram({"list", scratch / "ch2.mif"}).status, 0);
    if (!skipped.empty()) GTEST_SKIP() << "not set up: " << skipped;
}

// Another program changes a chapter while apply-book is saving it: the save
// is refused and that program's text kept, though only the bytes tell (same
// size, same time stamp). Another run on the book's files meanwhile is
// refused before it writes anything, naming the run that holds them.
TEST_F(HostProgramSaves, OtherWriters) {
    Child book;
    StartHost(book, {"apply-book", Book()}, hold.path(), logs.path());
    ASSERT_EQ(WaitHeld(hold.path()), scratch / "ch1.mif" + "\n");
    std::map<std::string, std::string> before = FolderBytes(scratch.path());
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"insert-marker", scratch / "appendix.mif", "--page", "A-3", "--category", "X"},
          std::vector<std::string>{"list-book", Book()}}) {
        HostResult other = RunHostProgram(args);
        EXPECT_EQ(other.status, 2) << other.err;
        EXPECT_NE(other.err.find("is in use by another run (process " + std::to_string(book.pid) + ")"),
                  std::string::npos)
            << other.err;
    }
    EXPECT_EQ(FolderBytes(scratch.path()), before);

    // An editor's save: the same size and, put back, the same time stamp.
    struct stat st;
    ASSERT_EQ(stat((scratch / "ch1.mif").c_str(), &st), 0);
    std::string edited = ReadBytes(scratch / "ch1.mif");
    size_t at = edited.find("Right");
    ASSERT_NE(at, std::string::npos);
    edited[at] = 'r';
    WriteBytes(scratch / "ch1.mif", edited);
    timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, (scratch / "ch1.mif").c_str(), times, 0), 0);
    for (int chapter = 0; chapter < 6; ++chapter) {
        Release(hold.path());
        if (chapter < 5) WaitHeld(hold.path());
    }
    HostResult r = Finish(book);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("warning: could not save " + scratch / "ch1.mif" +
                         ": another program changed it after this run read it: it keeps that program's text"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadBytes(scratch / "ch1.mif"), edited);
    EXPECT_NE(ReadBytes(scratch / "ch2.mif"), before[("ch2.mif")]) << "the other chapters are saved";
    EXPECT_TRUE(Temporaries(scratch.path()).empty());
}

// A signal stops the run with every file whole and no temporary file left:
// a save under way is abandoned, what was saved before stays saved, and the
// exit status is 128 + the signal's number. A killed run's temporary file is
// removed by the next run in the folder; a live run's is not.
TEST_F(HostProgramSaves, SignalsAndLeftovers) {
    const std::vector<std::string> chapters = {"ch1.mif", "ch2.mif", "ch3.mif"};
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    const char* names[] = {"SIGINT", "SIGTERM", "SIGHUP"};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(names[i]);
        ScratchFolder s, h;
        CopySample(s.path());
        std::map<std::string, std::string> before = FolderBytes(s.path());
        // Paused at the save of chapter i + 1: the chapters before it are saved.
        Child child;
        StartHost(child, {"apply-book", s / "Manual.book"}, h.path(), logs.path());
        for (size_t saved = 0; saved < i; ++saved) {
            WaitHeld(h.path());
            Release(h.path());
        }
        ASSERT_EQ(WaitHeld(h.path()), s / chapters[i] + "\n");
        EXPECT_EQ(Temporaries(s.path()).size(), 1u);
        kill(child.pid, signals[i]);
        HostResult r = Finish(child);
        EXPECT_EQ(r.status, 128 + signals[i]) << r.err;
        std::string saved;
        for (size_t c = 0; c < i; ++c) saved += (c ? ", " : "") + s / chapters[c];
        EXPECT_NE(r.err.find(std::string("vellor-host: stopped by ") + names[i] + "; every file is whole: " +
                             (i ? "saved before the stop: " + saved + "; no other was changed" : "none was changed")),
                  std::string::npos)
            << r.err;
        EXPECT_TRUE(Temporaries(s.path()).empty());
        std::map<std::string, std::string> after = FolderBytes(s.path());
        for (const auto& [name, bytes] : before) {
            bool saved = std::find(chapters.begin(), chapters.begin() + (long)i, name) != chapters.begin() + (long)i;
            EXPECT_EQ(after[name] != bytes, saved) << name;
        }
    }

    Child live, killed;
    StartHost(live, {"apply", scratch / "ch1.mif"}, hold.path(), logs.path());
    WaitHeld(hold.path());
    ScratchFolder otherHold, otherLogs;
    StartHost(killed, {"apply", scratch / "ch2.mif"}, otherHold.path(), otherLogs.path());
    WaitHeld(otherHold.path());
    kill(killed.pid, SIGKILL);
    Finish(killed);
    ASSERT_EQ(Temporaries(scratch.path()).size(), 2u);
    HostResult next = RunHostProgram({"list", scratch / "ch3.mif"});
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(Temporaries(scratch.path()).size(), 1u) << "the live run's stays";
    Release(hold.path());
    EXPECT_EQ(Finish(live).status, 0);
    EXPECT_TRUE(Temporaries(scratch.path()).empty());
}

// A chapter's name may be as long as the file system takes (255 bytes):
// the temporary name beside it is short whatever the name.
TEST_F(HostProgramSaves, LongNames) {
    std::string name = std::string(251, 'c') + ".mif";
    fs::rename(scratch / "ch1.mif", scratch / name);
    std::string book = ReadBytes(Book());
    book.replace(book.find("<c>ch1.mif"), 10, "<c>" + name);
    WriteBytes(Book(), book);
    HostResult r = RunHostProgram({"apply-book", Book()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadBytes(scratch / name), ReadBytes(SamplePath("ch1.mif")));
    EXPECT_TRUE(Temporaries(scratch.path()).empty());
}

// A second apply-book changes no page: no file is written, every time stamp
// stays, and the table says so.
TEST_F(HostProgramSaves, UnchangedFiles) {
    ASSERT_EQ(RunHostProgram({"apply-book", Book()}).status, 0);
    const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    for (const auto& entry : fs::directory_iterator(scratch.path()))
        ASSERT_EQ(utimensat(AT_FDCWD, entry.path().c_str(), old, 0), 0);
    HostResult r = RunHostProgram({"apply-book", Book()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("No master page changed."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ch1.mif: no page changed (4 pages)"), std::string::npos) << r.out;
    for (const auto& entry : fs::directory_iterator(scratch.path())) {
        struct stat st;
        ASSERT_EQ(stat(entry.path().c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, 1000000000) << entry.path();
    }
}

} // namespace
#endif
