#include "run/driver.hpp"

int main() { return wq::runProgram(); }
