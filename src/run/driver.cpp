#include "run/driver.hpp"

namespace wq {

int runProgram() { return 0; }

}  // namespace wq
