// A Program set up as the run-input reader leaves it, with every output
// channel captured in a temporary file, for the tests of the database readers.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "grid/grid.hpp"
#include "app/program.hpp"
#include "text/stop.hpp"
#include "support/kdb_writer.hpp"

namespace wq::testing {

class ReaderHarness : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("wqspec_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
                std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        Channels& io = prog_->io;
        ASSERT_TRUE(io.console.open(path("console")));
        ASSERT_TRUE(io.listing.open(path("listing")));
        ASSERT_TRUE(io.plot.open(path("plot")));
        ASSERT_TRUE(io.skip.open(path("skip")));
        useComponents({1, 2});
        saturationRun(25.0);
    }
    void TearDown() override {
        prog_->io.console.close();
        prog_->io.listing.close();
        prog_->io.plot.close();
        prog_->io.skip.close();
        std::filesystem::remove_all(dir_);
    }

    Program& prog() { return *prog_; }

    // The components in run-input order (database numbers); the first one
    // with a charge, H+ by default, balances the charges.
    void useComponents(const std::vector<int>& numbers, int chargeBalanceNumber = 1) {
        ComponentMap& map = prog_->map;
        map.positionOf.fill(0);
        map.numberAt.fill(0);
        int position = 0;
        for (int number : numbers) {
            ++position;
            prog_->comp[position].dbNumber = number;
            map.positionOf[number] = position;
            map.numberAt[position] = number;
            if (number == chargeBalanceNumber) prog_->input.chargeBalancePosition = position;
        }
        prog_->comp.count = position;
    }
    void extendedRun(double t, double p) {
        prog_->input.runKind = 1;
        prog_->conditions.temperature = t;
        prog_->conditions.pressure = p;
        prog_->grid = GridLocation{};
        pt_indexer(p, t, prog_->grid);
    }
    void saturationRun(double t) {
        prog_->input.runKind = 0;
        prog_->conditions.temperature = t;
        prog_->conditions.pressure = saturationPressure(t);
    }
    void load(const KdbWriter& w) { load(w.text()); }
    void load(const std::string& text) { prog_->database = TextFile("LOGKDATA.KDB", text); }

    std::string console() { return contents("console", prog_->io.console); }
    std::string listing() { return contents("listing", prog_->io.listing); }
    std::string skip() { return contents("skip", prog_->io.skip); }

    // Runs f, which must end in a STOP; gives the status and the reason that
    // main writes to the error stream.
    template <class F>
    ExitStatus stopOf(F f, std::string* errors = nullptr) {
        ExitStatus status = ExitStatus::normal;
        bool stopped = false;
        std::string reason;
        try {
            f();
        } catch (const Stop& s) {
            stopped = true;
            status = s.status;
            reason = s.reason;
        }
        if (errors) *errors = reason;
        EXPECT_TRUE(stopped) << "expected a STOP";
        return status;
    }

private:
    std::string path(const char* name) const { return (dir_ / name).string(); }
    std::string contents(const char* name, Sink& sink) {
        sink.flush();
        std::ifstream in(path(name), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    std::unique_ptr<Program> prog_ = std::make_unique<Program>();
    std::filesystem::path dir_;
};

}  // namespace wq::testing
