// Prints its argument back: a program that ran says so, one that was never started says nothing.
#include <cstdio>

int main(int argc, char** argv) {
    std::puts(argc > 1 ? argv[1] : "");
    return 0;
}
