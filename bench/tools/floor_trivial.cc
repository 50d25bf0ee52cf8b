// The start-up floor: a program that does nothing but print a line, linked (by the benchmark
// script) to the same shared libraries as qorcli, so that loading them is part of the floor.
#include <cstdio>

int main() {
  std::puts("floor");
  return 0;
}
