#pragma once
// A call into foreign code that cannot take the process down with it: when the
// code raises an exception it does not handle itself (an access violation, an
// illegal or privileged instruction, a division by zero, a C++ or Delphi
// exception that nothing inside catches), the call ends and reports the fault
// on the calling thread instead of the system ending the program.
//
// Only the guard's own stack frame handles the exception, after every frame
// of the foreign code has declined it: exceptions the code raises and handles
// itself never reach the guard and are left alone.

#include <windows.h>

#include <cstdint>

// Every call passes this many pointer-sized arguments; a function taking
// fewer ignores the rest.
constexpr int kGuardedArgs = 7;

struct TGuardFault {
  bool Faulted = false;
  DWORD Code = 0;  // the exception code, EXCEPTION_ACCESS_VIOLATION and so on
};

// Calls function(args[0], ..., args[6]) as a Windows API function and returns
// its int result. The stack pointer, the callee-saved registers, the x87
// control word and the SSE control register are restored from the guard's
// frame whatever the function did with them, and the x87 register stack is
// left empty. After a fault, fault holds its code and the result is 0.
int32_t CallGuarded(FARPROC function, const uintptr_t (&args)[kGuardedArgs], TGuardFault& fault);
