// A water taken into the run input the solver starts from (CaseInput): the
// defaults of the run input, its checks, its messages and its STOPs, one
// part of the water at a time. The reader of WQCASE.DAT takes each part as
// soon as it has read it, so that a fault is found, and named with its line,
// where the file has it; a water given as a value takes every part at once
// (caseOfWater), and a fault of a value names no line.
#pragma once

#include <string_view>

#include "input/run_input.hpp"
#include "input/water.hpp"

namespace wq {

struct Channels;
class TextFile;

class WaterIntake {
public:
    // `file`: the file the water is read from, whose current line a fault
    // names; null for a water given as a value.
    WaterIntake(Channels& io, const TextFile* file) : io_(io), file_(file) {}

    // The next title line (its first 80 columns), written to the plot file.
    void title(std::string_view text);
    // The temperature, pressure, pH, alkalinity, fixed activity and the
    // reals of the controls: each finite, the defaults of the run input.
    void conditions(const Water& water);
    // The pressure kind, the charge balance, the fixed-activity species and
    // the switches of the controls; the loop limit checked; the skip-list
    // notice and the run-kind banner written.
    void controls(const Water& water);
    // The next component record: its starting values defaulted, its number
    // checked.
    void component(const WaterComponent& component);
    // More components than the tables hold.
    [[noreturn]] void tooManyComponents();
    // After the last component: H+ and H2O first, not O2,aq and HS- both,
    // the fixed-activity species a component; the carbonate component of an
    // alkalinity; the conditions of the first run.
    void endComponents();
    // The next forced phase, held by a component.
    void forced(const ForcedPhase& phase);
    // How many forced phases are taken.
    int forcedCount() const { return out_.forced.count; }
    // The run input, once the charge-balance species is checked.
    CaseInput finish();

private:
    [[noreturn]] void failure(std::string_view what);
    void requireFinite(double value, std::string_view listed, std::string_view said);
    void store(int position, int number, double total, double molality, double gamma);

    Channels& io_;
    const TextFile* file_;
    CaseInput out_;
    int titles_ = 0;
};

// A water given as a value taken whole: what the reader makes of a file
// whose lines hold it (a forced list ends at a blank name or at MAX_FORCED).
CaseInput caseOfWater(const Water& water, Channels& io);

}  // namespace wq
