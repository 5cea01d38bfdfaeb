// The fault guard on functions of this program: what it must leave alone, and
// the thread it hands back after a fault. The faults themselves, of every
// kind, come from the test plug-in (plugin_fault_test.cpp).
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "native_faults.h"
#include "plugins/fault_guard_win.h"

namespace {

template <typename F>
FARPROC Raw(F function) {
  FARPROC raw;
  std::memcpy(&raw, &function, sizeof raw);
  return raw;
}

int32_t Call(FARPROC function, TGuardFault& fault, uintptr_t first = 0) {
  const uintptr_t args[kGuardedArgs] = {first};
  return CallGuarded(function, args, fault);
}

int __stdcall NullWrite() {
  WriteThroughNull();
  return 1;
}

int __stdcall Weighted(int a, int b, int c, int d, int e, int f, int g) {
  return a + 2 * b + 4 * c + 8 * d + 16 * e + 32 * f + 64 * g;
}

// Caller-cleaned, unlike the plug-in convention: the guard restores the stack anyway.
int __cdecl Tripled(int a) { return a * 3; }

// Raises and handles exceptions itself: the system's probe of an unmapped
// address and a C++ exception caught here.
int __stdcall HandlesItsOwn() {
  int result = IsBadWritePtr(reinterpret_cast<void*>(16), 4) ? 4 : 0;
  try {
    throw std::runtime_error("inside");
  } catch (const std::runtime_error&) {
    result += 5;
  }
  return result;
}

// A fault in a guarded call made inside a guarded call stays inside.
int __stdcall GuardsItsOwnCall() {
  TGuardFault inner;
  Call(Raw(&NullWrite), inner);
  return inner.Faulted ? 11 : 0;
}

uint16_t ControlWord() {
  uint16_t word;
  asm volatile("fnstcw %0" : "=m"(word));
  return word;
}

uint32_t SseControl() {
  uint32_t value;
  asm volatile("stmxcsr %0" : "=m"(value));
  return value;
}

// The x87 tag word: two bits a register, 0xFFFF when all eight are empty. The
// store masks every exception, so the control word is put back after it.
uint16_t FpuTagWord() {
  uint16_t env[14];
  asm volatile("fnstenv %0" : "=m"(env));
  asm volatile("fldcw %0" : : "m"(env[0]));
  return env[4];
}

// What the program's floating-point arithmetic gives for 3 x 7, in x87 code on
// both widths (long double is the x87 format there).
long double X87Product() {
  volatile long double a = 3, b = 7;
  return a * b;
}

// Leaves every x87 register in use, as floating-point or MMX code does when a
// fault interrupts it or it returns without emms.
int __stdcall FillsTheFpuStack(int fault) {
  asm volatile("fld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1");
  if (fault) WriteThroughNull();
  return 1;
}

// Changes the floating-point control state as foreign runtimes do, then faults or returns.
int __stdcall ChangesFloatingPointControl(int fault) {
  const uint16_t word = 0x0F7F;  // truncating, extended precision
  asm volatile("fldcw %0" : : "m"(word));
  const uint32_t sse = 0x7F80;  // flush to zero, truncating
  asm volatile("ldmxcsr %0" : : "m"(sse));
  if (fault) WriteThroughNull();
  return 1;
}

#if defined(__i386__)
// The thread's chain of exception registrations, which only 32-bit code has.
void* HandlerChain() {
  void* chain;
  asm volatile("movl %%fs:0, %0" : "=r"(chain));
  return chain;
}
#endif

}  // namespace

TEST(FaultGuard, CallsThatReturnOrHandleTheirOwnExceptionsAreLeftAlone) {
  TGuardFault fault;
  const uintptr_t args[kGuardedArgs] = {1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(CallGuarded(Raw(&Weighted), args, fault), 1 + 4 + 12 + 32 + 80 + 192 + 448);
  EXPECT_FALSE(fault.Faulted);
  EXPECT_EQ(Call(Raw(&Tripled), fault, 14), 42);
  EXPECT_FALSE(fault.Faulted);
  EXPECT_EQ(Call(Raw(&HandlesItsOwn), fault), 9);
  EXPECT_FALSE(fault.Faulted);
  EXPECT_EQ(Call(Raw(&GuardsItsOwnCall), fault), 11);
  EXPECT_FALSE(fault.Faulted);
}

TEST(FaultGuard, TheThreadComesBackAsItWasWhetherTheCallFaultedOrNot) {
  const uint16_t word = ControlWord();
  const uint32_t sse = SseControl();
  ASSERT_NE(word, 0x0F7F);
  ASSERT_NE(sse, 0x7F80u);
#if defined(__i386__)
  void* chain = HandlerChain();
#endif
  for (uintptr_t faults : {0, 1, 1}) {
    TGuardFault fault;
    EXPECT_EQ(Call(Raw(&ChangesFloatingPointControl), fault, faults), faults ? 0 : 1);
    EXPECT_EQ(fault.Faulted, faults == 1);
    EXPECT_EQ(fault.Code, faults ? static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION) : 0u);
    EXPECT_EQ(ControlWord(), word);
    EXPECT_EQ(SseControl(), sse);
#if defined(__i386__)
    EXPECT_EQ(HandlerChain(), chain);
#endif
  }
  // The program's own exceptions still work afterwards.
  EXPECT_THROW(throw std::runtime_error("after"), std::runtime_error);
}

TEST(FaultGuard, TheFpuRegistersAreEmptyAndArithmeticRightAfterAFullStack) {
  ASSERT_EQ(X87Product(), 21);
  for (uintptr_t faults : {1, 0}) {
    SCOPED_TRACE(faults ? "faulted with the stack full" : "returned with the stack full");
    TGuardFault fault;
    EXPECT_EQ(Call(Raw(&FillsTheFpuStack), fault, faults), faults ? 0 : 1);
    EXPECT_EQ(fault.Faulted, faults == 1);
    EXPECT_EQ(FpuTagWord(), 0xFFFF);
    EXPECT_EQ(X87Product(), 21);
  }
}
