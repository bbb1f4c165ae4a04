// The options every front end shares, made from their one table: each
// subcommand's help lists every one in the same words; the console program
// takes those that are not the run input's to say.
#include <gtest/gtest.h>

#include <string>

#include "app/model_options.hpp"
#include "support/folder.hpp"

namespace wq {
namespace {

// The line of `help` that lists `flag`; "" when none does.
std::string lineOf(const std::string& help, std::string_view flag) {
    for (std::size_t at = help.find(flag); at != std::string::npos; at = help.find(flag, at + 1)) {
        const std::size_t start = help.rfind('\n', at) + 1;
        const std::string line = help.substr(start, help.find('\n', at) - start);
        // The flag itself, not its name inside another option's words.
        if (line.find_first_not_of(' ') == at - start) return line;
    }
    return {};
}

TEST(ModelOptions, EverySubcommandListsEverySharedOptionInTheSameWords) {
    testing::Folder folder("model-options-help");
    for (const char* subcommand : {"batch", "sweep", "evaporate"}) {
        const testing::Command c = folder.run(std::string(subcommand) + " --help");
        ASSERT_EQ(c.status, 0) << subcommand;
        for (const ModelOptionEntry& entry : modelOptionTable()) {
            const std::string line = lineOf(c.out, entry.flag);
            EXPECT_NE(line.find(entry.help), std::string::npos) << subcommand << " " << entry.flag << ":\n" << c.out;
            const std::string shown = std::string(entry.flag) + " TEXT=" + modelOptionValue(entry, {}) + " ";
            EXPECT_EQ(line.find(shown) != std::string::npos, entry.showDefault) << subcommand << ": " << line;
        }
    }
}

TEST(ModelOptions, TheConsoleProgramTakesThoseItsRunInputDoesNotSay) {
    testing::Folder folder("model-options-console");
    const testing::Command c = folder.run("--help");
    ASSERT_EQ(c.status, 0);
    for (const ModelOptionEntry& entry : modelOptionTable())
        EXPECT_EQ(lineOf(c.out, entry.flag).empty(), entry.flag == "--balance") << entry.flag << ":\n" << c.out;
}

}  // namespace
}  // namespace wq
