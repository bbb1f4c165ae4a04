#include "app/driver.hpp"

int main() { return wq::runProgram(); }
