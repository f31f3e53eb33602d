#include <cstdio>

int main() {
    std::fputs("zorvik-sim: the simulated line is not built yet\n", stderr);
    return 2;
}
