#pragma once
// The faults of native code, made so that the optimizer can neither prove
// nor remove them.

inline void WriteThroughNull() {
  int* target = nullptr;
  asm volatile("" : "+r"(target));
  *reinterpret_cast<volatile int*>(target) = 1;
}

inline int DivideByZero() {
  int dividend = 7, divisor = 0;
  asm volatile("cltd\n\tidivl %1" : "+a"(dividend) : "r"(divisor) : "edx");
  return dividend;
}

inline void IllegalInstruction() { asm volatile("ud2"); }

// Privileged in user mode.
inline void PrivilegedInstruction() { asm volatile("hlt"); }

// Recursion that ends only when the stack runs out (no depth it reaches is -1).
[[gnu::noinline]] inline int RecurseWithoutEnd(int depth) {
  if (depth == -1) return 0;
  volatile char frame[256];
  frame[0] = static_cast<char>(depth);
  return RecurseWithoutEnd(depth + 1) + frame[0];
}
