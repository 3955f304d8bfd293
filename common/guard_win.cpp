// The trampoline carries its own unwind data and a language-specific handler, as a Windows compiler's
// __try block would. On a fault below it that no inner frame handles, the handler unwinds to the
// recovery label, which returns 0 from guard_call.
#include <windows.h>

#include "common/guard.h"

extern "C" EXCEPTION_DISPOSITION guard_frame_handler(EXCEPTION_RECORD* record, void* frame, CONTEXT* context,
                                                     DISPATCHER_CONTEXT* dispatch);

extern "C" char guard_call_recover[];

__asm__(
    "  .text\n"
    "  .globl guard_call\n"
    "  .def guard_call; .scl 2; .type 32; .endef\n"
    "  .seh_proc guard_call\n"
    "guard_call:\n"
    "  subq $40, %rsp\n"
    "  .seh_stackalloc 40\n"
    "  .seh_endprologue\n"
    "  .seh_handler guard_frame_handler, @except\n"
    "  movq %rcx, %rax\n"
    "  movq %rdx, %rcx\n"
    "  callq *%rax\n"
    "  movl $1, %eax\n"
    "  addq $40, %rsp\n"
    "  ret\n"
    "  .globl guard_call_recover\n"
    "guard_call_recover:\n"
    "  xorl %eax, %eax\n"
    "  addq $40, %rsp\n"
    "  ret\n"
    "  .seh_endproc\n");

namespace {

// Faults and errors of error severity (access violations, in-page errors, illegal instructions, integer
// division, stack overflow) and C++ exceptions of foreign compilers. Informational codes such as
// debugger output or break points, and our own C++ exceptions, pass on.
bool is_caught(DWORD code) {
  constexpr DWORD kSeverityError = 0xC0000000;
  constexpr DWORD kForeignCxx = 0xE06D7363;
  return (code & kSeverityError) == kSeverityError || code == kForeignCxx;
}

}  // namespace

extern "C" EXCEPTION_DISPOSITION guard_frame_handler(EXCEPTION_RECORD* record, void* frame, CONTEXT* context,
                                                     DISPATCHER_CONTEXT* dispatch) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
  if (!is_caught(record->ExceptionCode)) return ExceptionContinueSearch;
  RtlUnwindEx(frame, guard_call_recover, record, nullptr, context, dispatch->HistoryTable);
  return ExceptionContinueSearch;  // not reached: the unwind resumes at the recovery label
}
