// The database is read as it is on disk at every run: an edit made while the
// dialogue waits for its answers is seen by the next run, a file deleted
// meanwhile stops it; a database that is no regular file is refused.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "support/program_run.hpp"

namespace {

namespace fs = std::filesystem;
using wq::testing::slurp;
using wq::testing::spit;

// Reads the program's console until `text` has come (or the output ends).
bool readUntil(int fd, const std::string& text, std::string& seen) {
    char buf[4096];
    while (seen.find(text) == std::string::npos) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        seen.append(buf, static_cast<std::size_t>(n));
    }
    return true;
}

void writeAll(int fd, const std::string& text) {
    ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

// The console program in `dir`, its console read until the first question
// of the dialogue; `meanwhile` runs then, `answers` are typed, and the rest
// of the console is read until the program ends. The exit status.
int dialogueWithChange(const fs::path& dir, const std::function<void()>& meanwhile, const std::string& answers,
                       std::string& console, std::string& rest) {
    int toProgram[2], fromProgram[2];
    if (::pipe(toProgram) != 0 || ::pipe(fromProgram) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        ::dup2(toProgram[0], 0);
        ::dup2(fromProgram[1], 1);
        ::close(toProgram[1]);
        ::close(fromProgram[0]);
        if (::chdir(dir.c_str()) != 0) ::_exit(126);
        ::freopen("errors", "w", stderr);
        ::execl(WQSPEC_EXE, WQSPEC_EXE, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(toProgram[0]);
    ::close(fromProgram[1]);
    EXPECT_TRUE(readUntil(fromProgram[0], "Do you want to change the temperature?", console));
    meanwhile();
    writeAll(toProgram[1], answers);
    ::close(toProgram[1]);
    readUntil(fromProgram[0], "\x01", rest);
    ::close(fromProgram[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The dialogue reads LOGKDATA.KDB as it is when each run starts: a file
// deleted while it waits stops the next run with a clear line, and
// everything the first run wrote stays.
TEST(DatabaseEdit, AFileDeletedWhileTheDialogueWaitsStopsTheNextRun) {
    const fs::path dir = fs::temp_directory_path() / ("wqspec_database_gone_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path tests = fs::path(WQSPEC_GOLDEN_DIR).parent_path();
    fs::copy_file(tests / "golden" / "dialogue-sat-150" / "WQCASE.DAT", dir / "WQCASE.DAT");
    fs::copy_file(tests / "data" / "small.kdb", dir / "LOGKDATA.KDB");
    std::string console, rest;
    const int status = dialogueWithChange(
        dir, [&] { fs::remove(dir / "LOGKDATA.KDB"); }, "y\n25\n\n", console, rest);
    EXPECT_EQ(status, 1) << console << rest;
    EXPECT_EQ(slurp(dir / "errors"), "wqspec: cannot read LOGKDATA.KDB: No such file or directory\n");
    const std::string listing = slurp(dir / "WQLIST.DAT");
    EXPECT_NE(listing.find("Number of loops used"), std::string::npos) << "the first run's listing stays";
    fs::remove_all(dir);
}

// A database that is no regular file is refused before the first run: a
// FIFO is not waited on.
TEST(DatabaseEdit, ADatabaseThatIsNoRegularFileIsRefusedAtTheStart) {
    const fs::path dir = fs::temp_directory_path() / ("wqspec_database_fifo_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path tests = fs::path(WQSPEC_GOLDEN_DIR).parent_path();
    fs::copy_file(tests / "golden" / "dialogue-sat-150" / "WQCASE.DAT", dir / "WQCASE.DAT");
    ASSERT_EQ(::mkfifo((dir / "LOGKDATA.KDB").c_str(), 0600), 0);
    const std::string command = "cd '" + dir.string() + "' && timeout 20 '" + WQSPEC_EXE +
                                "' < /dev/null > console 2> errors; echo $? > status";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(slurp(dir / "status"), "1\n");
    EXPECT_EQ(slurp(dir / "errors"), "wqspec: cannot open LOGKDATA.KDB: a FIFO (a named pipe), not a regular file\n");
    fs::remove_all(dir);
}

TEST(DatabaseEdit, TheNextRunOfTheDialogueSeesTheEditedFile) {
    const fs::path dir = fs::temp_directory_path() / ("wqspec_database_edit_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path tests = fs::path(WQSPEC_GOLDEN_DIR).parent_path();
    fs::copy_file(tests / "golden" / "dialogue-sat-150" / "WQCASE.DAT", dir / "WQCASE.DAT");
    const std::string original = slurp(tests / "data" / "small.kdb");
    spit(dir / "LOGKDATA.KDB", original);
    // A file left alone for an hour: only its new times can tell the edit.
    struct timespec past[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "LOGKDATA.KDB").c_str(), past, 0), 0);
    // The edit suppresses NaCl,aq: four blanks become "SUPR" in columns 81-84
    // of its name line, so the file keeps its size and its inode.
    const std::string nameLine = "\nNaCl,aq ";
    const std::size_t at = original.find(nameLine);
    ASSERT_NE(at, std::string::npos);
    const std::size_t code = at + 1 + 80;
    ASSERT_EQ(original.substr(code, 4), "    ");

    std::string console, rest;
    // The same temperature again, then the end.
    const int status = dialogueWithChange(
        dir,
        [&] {
            std::fstream edit(dir / "LOGKDATA.KDB", std::ios::in | std::ios::out | std::ios::binary);
            edit.seekp(static_cast<std::streamoff>(code));
            edit.write("SUPR", 4);
        },
        "y\n25\n\n\n", console, rest);
    EXPECT_EQ(status, 0) << console << rest;

    const std::string notice = "  NaCl,aq      is SUPPRESSED in the LOGKDATA database\n";
    EXPECT_EQ(console.find(notice), std::string::npos) << "the first run used the file as it was";
    EXPECT_NE(rest.find(notice), std::string::npos) << "the second run must use the edited file:\n" << rest;
    const std::string skip = slurp(dir / "Skip_Species.txt");
    EXPECT_EQ(skip.find(notice), skip.rfind(notice)) << skip;
    EXPECT_NE(skip.find(notice), std::string::npos) << skip;
    fs::remove_all(dir);
}

}  // namespace
