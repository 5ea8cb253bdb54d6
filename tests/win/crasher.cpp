// A program that writes through a null pointer: the prefix must end it at once, with Wine's
// backtrace on its stderr, instead of leaving it waiting on a crash dialog.
#include <cstdio>

int main() {
    std::puts("antes da falha");
    std::fflush(stdout);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}
