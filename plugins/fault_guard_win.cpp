// The guard is a small assembly function that calls the foreign function from
// a stack frame of its own carrying an exception handler, the same structured
// exception handling that a compiler's __try/__except builds (GCC has no such
// statement):
//
// - 32-bit: an exception registration record pushed on the thread's handler
//   chain (FS:[0]), extended by the fault record and the guard's frame pointer.
// - 64-bit: unwind information for the guard (.seh_proc ... .seh_handler)
//   that names the handler; the system finds it through the program's
//   function table, as it finds the handlers of compiled code.
//
// The system offers an exception to the handlers of the newest frames first,
// so the guard's handler is asked only when every frame of the foreign code
// has declined it. It then records the code and unwinds the frames above it as
// __except does (their termination handlers and destructors run, so locks
// the foreign code or the system code it called had taken are released), and
// resumes at the instruction after the call with the guard's own frame. The
// guard restores what it saved on entry from that frame: the callee-saved
// registers, the stack pointer (a 32-bit callee may have removed the wrong
// number of arguments), the x87 control word and the SSE control register
// (foreign runtimes, Delphi's among them, change them), and clears the
// direction flag. The x87 unit is reset before its control word goes back: a
// fault in the middle of floating-point work, or MMX code that returns without
// emms, leaves registers in use, and the 32-bit program's own double
// arithmetic (x87 code) would then give NaN. The guarded functions return an
// integer, so no x87 register carries a result. None of the host's frames lies between the guard and the
// foreign code, so no code of ours is unwound: the host's caller sees a plain
// return and the fault record.

#include "plugins/fault_guard_win.h"

#include <malloc.h>

extern "C" {
int32_t OrvGuardedCall(FARPROC function, const uintptr_t* args, TGuardFault* fault);
void OrvGuardResume();
EXCEPTION_DISPOSITION OrvGuardHandler(EXCEPTION_RECORD* exception, void* frame, CONTEXT* context, void* dispatch);
#if defined(__i386__)
[[noreturn]] void OrvGuardUnwind(void* registration, EXCEPTION_RECORD* exception);
#endif
}

#if defined(__x86_64__)

// Where the fault record sits, counted from the frame's stack pointer (the
// establisher frame the system hands the handler).
constexpr int kFaultSlot = 64;

// Frame, from the stack pointer after the prologue: 32 bytes of home space
// for the callee and its arguments 5 to 7 (0-63), the fault record (64), the
// SSE control register (72), the x87 control word (76), XMM6-XMM15 (80-239),
// padding to keep the call 16-byte aligned, then the eight pushed registers.
asm(R"(
    .text
    .p2align 4
    .globl OrvGuardedCall
    .globl OrvGuardResume
    .def OrvGuardedCall; .scl 2; .type 32; .endef
    .seh_proc OrvGuardedCall
OrvGuardedCall:
    pushq %rbp
    .seh_pushreg %rbp
    pushq %rbx
    .seh_pushreg %rbx
    pushq %rsi
    .seh_pushreg %rsi
    pushq %rdi
    .seh_pushreg %rdi
    pushq %r12
    .seh_pushreg %r12
    pushq %r13
    .seh_pushreg %r13
    pushq %r14
    .seh_pushreg %r14
    pushq %r15
    .seh_pushreg %r15
    subq $248, %rsp
    .seh_stackalloc 248
    movaps %xmm6, 80(%rsp)
    .seh_savexmm %xmm6, 80
    movaps %xmm7, 96(%rsp)
    .seh_savexmm %xmm7, 96
    movaps %xmm8, 112(%rsp)
    .seh_savexmm %xmm8, 112
    movaps %xmm9, 128(%rsp)
    .seh_savexmm %xmm9, 128
    movaps %xmm10, 144(%rsp)
    .seh_savexmm %xmm10, 144
    movaps %xmm11, 160(%rsp)
    .seh_savexmm %xmm11, 160
    movaps %xmm12, 176(%rsp)
    .seh_savexmm %xmm12, 176
    movaps %xmm13, 192(%rsp)
    .seh_savexmm %xmm13, 192
    movaps %xmm14, 208(%rsp)
    .seh_savexmm %xmm14, 208
    movaps %xmm15, 224(%rsp)
    .seh_savexmm %xmm15, 224
    .seh_endprologue
    .seh_handler OrvGuardHandler, @except
    movq %r8, 64(%rsp)
    stmxcsr 72(%rsp)
    fnstcw 76(%rsp)
    movq %rcx, %rax
    movq %rdx, %r10
    movq 32(%r10), %r11
    movq %r11, 32(%rsp)
    movq 40(%r10), %r11
    movq %r11, 40(%rsp)
    movq 48(%r10), %r11
    movq %r11, 48(%rsp)
    movq (%r10), %rcx
    movq 8(%r10), %rdx
    movq 16(%r10), %r8
    movq 24(%r10), %r9
    callq *%rax
OrvGuardResume:
    fninit
    fldcw 76(%rsp)
    ldmxcsr 72(%rsp)
    cld
    movaps 80(%rsp), %xmm6
    movaps 96(%rsp), %xmm7
    movaps 112(%rsp), %xmm8
    movaps 128(%rsp), %xmm9
    movaps 144(%rsp), %xmm10
    movaps 160(%rsp), %xmm11
    movaps 176(%rsp), %xmm12
    movaps 192(%rsp), %xmm13
    movaps 208(%rsp), %xmm14
    movaps 224(%rsp), %xmm15
    addq $248, %rsp
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rdi
    popq %rsi
    popq %rbx
    popq %rbp
    ret
    .seh_endproc
)");

#elif defined(__i386__)

// The registration record, from its start: the next record of the chain (0),
// the handler (4), the fault record (8) and the guard's frame pointer (12),
// below the x87 control word, the SSE control register and the pushed
// registers.
constexpr int kFaultSlot = 8;

asm(R"(
    .text
    .p2align 4
    .globl _OrvGuardedCall
    .globl _OrvGuardResume
    .globl _OrvGuardUnwind
    .def _OrvGuardedCall; .scl 2; .type 32; .endef
_OrvGuardedCall:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    subl $8, %esp
    fnstcw (%esp)
    stmxcsr 4(%esp)
    pushl %ebp
    pushl 16(%ebp)
    pushl $_OrvGuardHandler
    pushl %fs:0
    movl %esp, %fs:0
    movl 12(%ebp), %esi
    pushl 24(%esi)
    pushl 20(%esi)
    pushl 16(%esi)
    pushl 12(%esi)
    pushl 8(%esi)
    pushl 4(%esi)
    pushl (%esi)
    call *8(%ebp)
_OrvGuardResume:
    leal -36(%ebp), %esp
    popl %ecx
    movl %ecx, %fs:0
    addl $12, %esp
    fninit
    fldcw (%esp)
    ldmxcsr 4(%esp)
    addl $8, %esp
    cld
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret

    .def _OrvGuardUnwind; .scl 2; .type 32; .endef
_OrvGuardUnwind:
    movl 4(%esp), %eax
    movl 8(%esp), %ecx
    pushl %eax
    pushl $0
    pushl %ecx
    pushl $1f
    pushl %eax
    call _RtlUnwind@16
1:
    popl %eax
    movl 12(%eax), %ebp
    jmp _OrvGuardResume
)");

#else
#error "the fault guard is written for x86 and x64 only"
#endif

#if defined(__x86_64__)
// A C++ exception of GCC's own x64 runtime (its code spells "GCC"). Frames of
// that runtime run their destructors during the unwind and then resume it
// towards the target recorded in the exception object, which the runtime sets
// only when one of its own handlers caught the exception. None did, so the
// guard's frame becomes the target. The object is libgcc's _Unwind_Exception:
// class and clean-up function, then six private words, of which the second
// to fourth hold the target frame, address and value for RDX.
void MakeGuardTheTarget(EXCEPTION_RECORD* exception, void* frame) {
  constexpr DWORD kGccException = 0x20474343;
  if (exception->ExceptionCode != kGccException || exception->NumberParameters < 1) return;
  auto* object = reinterpret_cast<uintptr_t*>(exception->ExceptionInformation[0]);
  if (!object) return;
  uintptr_t* target = object + 2 + 1;
  target[0] = reinterpret_cast<uintptr_t>(frame);
  target[1] = reinterpret_cast<uintptr_t>(&OrvGuardResume);
  target[2] = 0;
}
#endif

// Runs while the system dispatches an exception that every newer frame declined.
EXCEPTION_DISPOSITION OrvGuardHandler(EXCEPTION_RECORD* exception, void* frame, CONTEXT*, void* dispatch) {
  // Asked again while frames are unwound past it (by a later unwind of its own
  // or a collided one): nothing more to do.
  if (exception->ExceptionFlags & EXCEPTION_UNWIND) return ExceptionContinueSearch;
  TGuardFault* fault = *reinterpret_cast<TGuardFault**>(static_cast<char*>(frame) + kFaultSlot);
  // A second fault, raised by a termination handler during the unwind, keeps
  // the first one's code.
  if (!fault->Faulted) {
    fault->Faulted = true;
    fault->Code = exception->ExceptionCode;
  }
#if defined(__x86_64__)
  MakeGuardTheTarget(exception, frame);
  auto* context = static_cast<DISPATCHER_CONTEXT*>(dispatch);
  RtlUnwindEx(frame, reinterpret_cast<void*>(&OrvGuardResume), exception, nullptr, context->ContextRecord,
              context->HistoryTable);
#else
  (void)dispatch;
  // RtlUnwind returns once the frames above the record are unwound and
  // unlinked; the assembly then re-enters the guard's frame.
  OrvGuardUnwind(frame, exception);
#endif
  return ExceptionContinueSearch;  // not reached
}

int32_t CallGuarded(FARPROC function, const uintptr_t (&args)[kGuardedArgs], TGuardFault& fault) {
  fault = TGuardFault{};
  const int32_t result = OrvGuardedCall(function, args, &fault);
  if (!fault.Faulted) return result;
  // An overflow used up the guard page at the end of the stack; without a new
  // one the next overflow would end the process before any handler is asked.
  if (fault.Code == EXCEPTION_STACK_OVERFLOW) _resetstkoflw();
  return 0;
}
