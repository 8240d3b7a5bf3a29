// Holds a named mutex until its standard input ends: the guard another
// program takes while it runs. Prints "held" once it has it.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  HANDLE mutex = CreateMutexA(nullptr, TRUE, argv[1]);
  if (!mutex) return 1;
  std::puts("held");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  CloseHandle(mutex);
  return 0;
}
