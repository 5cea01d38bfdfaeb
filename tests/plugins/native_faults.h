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
