// The reaction-path examples (examples/react/*/), each run as its README
// says and compared with its table, blessed as the goldens are
// (WQSPEC_BLESS=1 writes them again). The first line of a table names the
// path file as it was given, from the example's folder in the README.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/folder.hpp"
#include "support/program_run.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;

const fs::path EXAMPLES = fs::path(WQSPEC_SOURCE_DIR) / "examples";

struct ReactExample {
    const char* name;     // its folder in examples/react and its path file's name
    const char* options;  // beyond --db
    const char* database; // from examples/
};

std::string afterFirstLine(const std::string& text) { return text.substr(std::min(text.find('\n') + 1, text.size())); }

TEST(ReactExamples, EachPathIsItsTable) {
    const ReactExample examples[] = {
        {"mixing", "", "LOGKDATA.KDB"},
        {"titration", "", "LOGKDATA.KDB"},
        {"gypsum-calcite", "", "LOGKDATA.KDB"},
        {"co2-brine", "--activity pitzer", "pitzer/LOGKDATA.KDB"},
    };
    testing::Folder folder("react-examples");
    // The examples' folders as the path files name one another.
    fs::create_directories(folder.path() / "examples");
    for (const char* part : {"react", "seawater", "pitzer"})
        fs::copy(EXAMPLES / part, folder.path() / "examples" / part, fs::copy_options::recursive);
    folder.copy(EXAMPLES / "LOGKDATA.KDB", "examples/LOGKDATA.KDB");
    for (const ReactExample& e : examples) {
        const std::string name = e.name;
        const std::string path = "examples/react/" + name + "/" + name + ".toml";
        const testing::Command c = folder.run("react " + path + " --db examples/" + e.database + " " + e.options +
                                              " --out " + name + ".csv");
        ASSERT_EQ(c.status, 0) << name << ": " << c.err;
        const std::string table = folder.read(name + ".csv");
        EXPECT_EQ(table.substr(0, table.find('\n')), "# wqspec react: " + path);
        const fs::path expected = EXAMPLES / "react" / name / (name + ".csv");
        const char* bless = std::getenv("WQSPEC_BLESS");
        if (bless && std::string(bless) == "1")
            testing::spit(expected, "# wqspec react: " + name + ".toml\n" + afterFirstLine(table));
        EXPECT_EQ(afterFirstLine(table), afterFirstLine(testing::slurp(expected))) << name;
    }
}

}  // namespace
}  // namespace wq
