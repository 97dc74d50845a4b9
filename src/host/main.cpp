#include <cstdio>
int main() { std::puts("zentabo"); return 0; }
