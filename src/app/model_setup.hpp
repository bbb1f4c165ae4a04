// The shared options (model_options.hpp) taken by a front end that reads one
// run input: the database and the activity model before the run input is
// read, the redox state, what is left out and the charge balance after it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/model_options.hpp"

namespace wq {

struct Program;

// The database of `o` read once and the activity model made on it; the
// database path is set (the model's default filled in before).
void loadModel(Program& p, const ModelOptions& o);

// A run input read into `p` by `read`: a STOP of the reading becomes a
// CannotStart naming `name`; where `mineralsFor` says why the front end
// follows minerals ("a sweep compares minerals"), a run input that asks for
// none (option 2 is 0) is refused with it.
void readRunInputOf(Program& p, const std::string& name, const std::function<void(Program&)>& read,
                    std::string_view mineralsFor = {});

// The choices of `o` on the run input `p` has read; a CannotStart, in one
// line, for a choice that cannot be taken.
void takeModelChoices(Program& p, const ModelOptions& o);

}  // namespace wq
