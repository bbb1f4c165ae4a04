#include "app/dialogue.hpp"

#include <cmath>
#include <string>

#include "app/program.hpp"
#include "input/run_input.hpp"
#include "run/next_run.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

bool isYes(char answer) { return answer == 'Y' || answer == 'y'; }

// A number typed at the console. The dialogue has no retry: a text that is not
// a number, a number that is not finite, or the end of input ends the program
// with a clear line.
double readNumber(Program& prog, const char* what) {
    bool bad = false;
    std::optional<double> value = prog.io.input.real(bad);
    if (!value)
        stop(ExitStatus::error, bad ? std::string("the answer is not a number: ") + what
                                    : std::string("end of input while reading ") + what);
    if (!std::isfinite(*value)) stop(ExitStatus::error, std::string("the answer is not a finite number: ") + what);
    return *value;
}

double previousPH(const Program& prog) {
    return -std::log10(prog.sp[HYDROGEN_SLOT].gamma * prog.sp[HYDROGEN_SLOT].molality);
}

char ask(Program& prog, const Layout& question) {
    prog.io.console.write(question, {});
    return prog.io.input.answer();
}

// Extended runs only: true when the user gave a new pressure.
bool askNewPressure(Program& prog) {
    static const Layout question(
        "(//5X,'Input parameters for this run allow',' conditions'/5X,'   other than L-V saturation.'"
        "//5X,'Do you want to change the pressure?',' (Yes/No, enter = NO)')");
    static const Layout previous("(//5X,'The previous pressure was: ',F7.2/5X,'Input the new pressure in BAR.')");
    if (!isYes(ask(prog, question))) return false;
    prog.io.console.write(previous, {prog.conditions.pressure});
    prog.conditions.pressure = readNumber(prog, "the new pressure");
    return true;
}

void askNewPH(Program& prog, double pH, bool emptyLineAfter) {
    static const Layout withLine("(//5X,'The previous pH was: ',F7.3/5X,'Input the new pH.'/)");
    static const Layout withoutLine("(//5X,'The previous pH was: ',F7.3/5X,'Input the new pH.')");
    prog.io.console.write(emptyLineAfter ? withLine : withoutLine, {pH});
    prog.conditions.pH = readNumber(prog, "the new pH");
}

const Layout& phQuestion() {
    static const Layout question("(//5X,'Do you want to change pH? (Yes/No, enter = NO)')");
    return question;
}

void newTemperature(Program& prog, double pH) {
    static const Layout previous(
        "(//5X,'The previous temperature was: ',F7.2/5X,'Input the new temperature in DEGREES C.')");
    static const Layout computed("(//5X,'The pH is going to be calculated.')");
    static const Layout separator("(1X)");
    prog.io.console.write(previous, {prog.conditions.temperature});
    prog.conditions.temperature = readNumber(prog, "the new temperature");
    if (prog.input.extendedRun()) askNewPressure(prog);
    prog.io.console.write(computed, {});
    prog.io.plot.write(separator, {});
    if (isYes(ask(prog, phQuestion()))) askNewPH(prog, pH, true);
}

// Extended run, temperature kept: a new pressure, or on to the stop question.
bool newPressureOnly(Program& prog, double pH) {
    if (!askNewPressure(prog)) return false;
    if (isYes(ask(prog, phQuestion()))) askNewPH(prog, pH, false);
    return true;
}

void newPHOrStop(Program& prog, double pH) {
    static const Layout question("(//5X,'Do you want to change the pH? (Yes/Stop, ','enter = STOP)')");
    if (!isYes(ask(prog, question))) endProgram();
    askNewPH(prog, pH, false);
}

}  // namespace

void rerunDialogue(Program& prog) {
    static const Layout summary(
        "(1X,A80/1X,A80/////5X,'The pH is: ',F5.2,2X,'Number of loops used = ',I3,'   Loop limit = ',I3"
        "////5X,'Do you want to change the temperature?',1X,'(Yes/No, enter = NO)')");
    prepareNextRun(prog);
    const double pH = previousPH(prog);
    prog.io.console.write(summary, {prog.input.title1.view(), prog.input.title2.view(), pH, prog.run.loops,
                                    prog.input.loopLimit});
    if (isYes(prog.io.input.answer())) {
        newTemperature(prog, pH);
        return;
    }
    if (prog.input.extendedRun() && newPressureOnly(prog, pH)) return;
    newPHOrStop(prog, pH);
}

}  // namespace wq
