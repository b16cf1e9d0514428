// The yardstick of start-up: a C++ program that loads libstdc++, prints one
// line as `tunemoss --version` does, and exits.
#include <iostream>

int main() {
    std::cout << "empty_program 0\n";
    return 0;
}
