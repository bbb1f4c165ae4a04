// Where the fronts write: an output never replaces a file the command reads
// (the Pitzer model's PITZER.DAT as much as the run input), however it is
// spelled; a name that is no regular file is written through in place
// (standard output, a FIFO the test makes), a symbolic link keeps being a
// link. The built program runs in a folder of its own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/folder.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;
using testing::Command;

const fs::path EXAMPLES = fs::path(WQSPEC_SOURCE_DIR) / "examples";

// The seawater of the evaporation example on copies of the Pitzer data.
class PitzerFolder : public testing::Folder {
public:
    explicit PitzerFolder(const std::string& tag) : testing::Folder("outputs-" + tag) {
        copy(EXAMPLES / "evaporation" / "WQCASE.DAT", "WQCASE.DAT");
        copy(EXAMPLES / "pitzer" / "LOGKDATA.KDB", "LOGKDATA.KDB");
        copy(EXAMPLES / "pitzer" / "PITZER.DAT", "PITZER.DAT");
        write("t.csv", "name,T,pH,Na [mmol/kgw],Cl [mmol/kgw]\nbrine,25,7,500,500\n");
    }
};

// Every front that reads PITZER.DAT refuses it as its output, by its name
// or through a link, and leaves it as it was.
TEST(Outputs, TheActivityModelsDataIsNeverAnOutput) {
    PitzerFolder folder("pitzer-data");
    fs::create_symlink("PITZER.DAT", folder.path() / "pz.csv");
    const std::string parameters = folder.read("PITZER.DAT");
    const std::string pitzer = " --activity pitzer --db LOGKDATA.KDB ";
    const std::string commands[] = {
        "evaporate" + pitzer + "--steps 2 --to 2 --out PITZER.DAT",
        "sweep" + pitzer + "--from 25 --to 30 --step 5 --out PITZER.DAT",
        "sweep" + pitzer + "--from 25 --to 30 --step 5 --out ./pz.csv",
        "batch t.csv" + pitzer + "--out pz.csv",
        "--activity pitzer --db LOGKDATA.KDB --results PITZER.DAT",
    };
    for (const std::string& args : commands) {
        const Command run = folder.run(args);
        EXPECT_NE(run.status, 0) << args;
        EXPECT_NE(run.err.find("PITZER.DAT"), std::string::npos) << args << ": " << run.err;
        EXPECT_EQ(folder.read("PITZER.DAT"), parameters) << args;
    }
}

// /dev/stdout is the program's standard output, written through; a FIFO
// gets the records as a reader takes them (renaming a file over it would
// leave the reader waiting forever); a link to a regular file stays a link
// and its target gets the records.
TEST(Outputs, ANameThatIsNoRegularFileIsWrittenInPlace) {
    PitzerFolder folder("in-place");
    const Command toStdout = folder.run("batch t.csv --activity pitzer --db LOGKDATA.KDB --out /dev/stdout");
    EXPECT_EQ(toStdout.status, 0) << toStdout.err;
    EXPECT_EQ(toStdout.out.rfind("name,status,", 0), 0u) << toStdout.out;
    EXPECT_NE(toStdout.out.find("\nbrine,converged,"), std::string::npos) << toStdout.out;

    const fs::path fifo = folder.path() / "fifo.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string fromFifo;
    std::thread reader([&] {
        std::ifstream in(fifo);
        std::ostringstream all;
        all << in.rdbuf();
        fromFifo = all.str();
    });
    const Command toFifo = folder.run("batch t.csv --activity pitzer --db LOGKDATA.KDB --out fifo.csv", "/dev/null", "", 60);
    reader.join();
    EXPECT_EQ(toFifo.status, 0) << toFifo.err;
    EXPECT_EQ(fromFifo, toStdout.out);
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));

    fs::create_directory(folder.path() / "results");
    fs::create_symlink("results/target.csv", folder.path() / "link.csv");
    folder.write("results/target.csv", "old\n");
    const Command viaLink = folder.run("batch t.csv --activity pitzer --db LOGKDATA.KDB --out link.csv");
    EXPECT_EQ(viaLink.status, 0) << viaLink.err;
    EXPECT_TRUE(fs::is_symlink(folder.path() / "link.csv"));
    EXPECT_EQ(folder.read("results/target.csv"), toStdout.out);
}

}  // namespace
}  // namespace wq
