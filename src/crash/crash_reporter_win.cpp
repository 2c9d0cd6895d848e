#include "crash/crash_reporter_win.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <typeinfo>
#include <vector>
#if defined(__GNUC__)
#include <cxxabi.h>
#endif

#include "crash/crash_box_win.h"
#include "crash/crash_config.h"
#include "crash/crash_gather_win.h"
#include "crash/crash_upload_win.h"
#include "crash/embedded_data.h"
#include "crash/multipart.h"
#include "crash/text_codec.h"
#include "service_hosts.h"
#include "system/win_handles_win.h"

namespace swiftlane::crash {

using win::U;
using win::W;

namespace {

// Everything the reporter needs at crash time is made at installation, so that a crash
// (even a stack overflow) only has to copy its context and wake the guard thread.
struct TReporter {
  std::u16string reportUrl;
  std::u16string appName;
  TSymbolTable symbols;
  HANDLE crashSignal = nullptr;   // set by the crashing thread
  HANDLE reportDone = nullptr;    // set by the assembling thread
  DWORD guardThreadId = 0;
  std::atomic<DWORD> assemblerThreadId{0};
  std::atomic<DWORD> uploadThreadId{0};
  HANDLE uploadDone = nullptr;    // set by the upload thread when its work is over
  std::atomic<bool> claimed{false};
  std::atomic<int> exceptionCount{0};
  TCrashEvent event;              // written by the claiming thread before crashSignal
  std::u16string report;          // written by the assembler before reportDone
};
TReporter* gReporter = nullptr;

[[noreturn]] void EndProcess() {
  TerminateProcess(GetCurrentProcess(), 1);
  ExitProcess(1);
}

[[noreturn]] void BlockForever() {
  for (;;) Sleep(INFINITE);
}

bool IsReporterThread(DWORD id) {
  return gReporter && (id == gReporter->guardThreadId || id == gReporter->assemblerThreadId ||
                       id == gReporter->uploadThreadId);
}

DWORD WINAPI UploadThread(void*) noexcept {
  try {
    UploadReport(ToUtf8(gReporter->report), gReporter->reportUrl);
  } catch (...) {
    // A failed upload is silent.
  }
  // Signalled here rather than waited for on the thread's handle: a thread's exit needs
  // the loader lock, which a stuck helper (the shell, say) may hold.
  SetEvent(gReporter->uploadDone);
  return 0;
}

// A new thread cannot start while another holds the loader lock (its attach waits for
// it); wait for the lock up to 250 ms in 10 ms steps.
bool LoaderLockFree() {
  using LockFn = LONG(NTAPI*)(ULONG, ULONG*, ULONG_PTR*);
  using UnlockFn = LONG(NTAPI*)(ULONG, ULONG_PTR);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll) return true;
  auto lock = reinterpret_cast<LockFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrLockLoaderLock")));
  auto unlock = reinterpret_cast<UnlockFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrUnlockLoaderLock")));
  if (!lock || !unlock) return true;
  constexpr ULONG kTryOnly = 2, kAcquired = 1;
  for (int waited = 0; waited <= 250; waited += 10) {
    ULONG disposition = 0;
    ULONG_PTR cookie = 0;
    if (lock(kTryOnly, &disposition, &cookie) == 0 && disposition == kAcquired) {
      unlock(0, cookie);
      return true;
    }
    Sleep(10);
  }
  return false;
}

void RunUpload() {
  if (!LoaderLockFree()) {
    UploadThread(nullptr);
    return;
  }
  DWORD id = 0;
  HANDLE t = CreateThread(nullptr, 0, UploadThread, nullptr, CREATE_SUSPENDED, &id);
  if (!t) {
    // Without a thread of its own the upload runs here.
    UploadThread(nullptr);
    return;
  }
  gReporter->uploadThreadId = id;
  ResumeThread(t);
  CloseHandle(t);
}

DWORD WINAPI AssemblerThread(void*) noexcept {
  try {
    std::vector<DWORD> own = {gReporter->guardThreadId, GetCurrentThreadId()};
    gReporter->report = AssembleReport(gReporter->event, gReporter->symbols, own);
  } catch (...) {
    if (gReporter->report.empty()) gReporter->report = u"date/time : ?\r\nreport incomplete";
  }
  // The report is complete: the automatic upload starts at once.
  try {
    RunUpload();
  } catch (...) {
  }
  SetEvent(gReporter->reportDone);
  return 0;
}

BOOL CALLBACK DisableProcessWindow(HWND hwnd, LPARAM guardThread) noexcept {
  DWORD pid = 0;
  DWORD thread = GetWindowThreadProcessId(hwnd, &pid);
  if (pid == GetCurrentProcessId() && thread != static_cast<DWORD>(guardThread) && IsWindowVisible(hwnd))
    EnableWindow(hwnd, FALSE);
  return TRUE;
}

DWORD WINAPI DisableWindowsThread(void* guardThread) noexcept {
  EnumWindows(DisableProcessWindow, reinterpret_cast<LPARAM>(guardThread));
  return 0;
}

// The box is modal for the whole program: the other windows are disabled from a thread
// nobody waits for, since a window whose thread is blocked by the crash never answers.
void DisableOtherWindows() {
  HANDLE t = CreateThread(nullptr, 0, DisableWindowsThread,
                          reinterpret_cast<void*>(static_cast<ULONG_PTR>(GetCurrentThreadId())), 0, nullptr);
  if (t) CloseHandle(t);
}

void RunReport() {
  TReporter& r = *gReporter;
  TCrashEvent& e = r.event;
  if (!e.cpp) DescribeStructuredException(e.record, e.exceptionClass, e.exceptionMessage);

  DWORD id = 0;
  win::unique_handle assembler(CreateThread(nullptr, 0, AssemblerThread, nullptr, CREATE_SUSPENDED, &id));
  if (assembler) {
    r.assemblerThreadId = id;
    ResumeThread(assembler.get());
  } else {
    AssemblerThread(nullptr);
  }

  std::u16string title = ReplacePlaceholders(TCrashConfig::kTitleBar, {{u"%appname%", r.appName}});
  std::u16string message =
      ReplacePlaceholders(TCrashConfig::kExceptMsg, {{u"%exceptMsg%", ErrorBoxMessage(e.exceptionMessage)}});
  DisableOtherWindows();
  ShowErrorBox(title, message);

  if (WaitForSingleObject(r.reportDone, 0) != WAIT_OBJECT_0) {
    if (assembler) SetThreadPriority(assembler.get(), THREAD_PRIORITY_HIGHEST);
    WaitWithPleaseWaitBox(r.reportDone, TCrashConfig::kPlWaitTitle, TCrashConfig::kPlWaitText);
  }
  WaitForSingleObject(r.uploadDone, INFINITE);
  EndProcess();
}

DWORD WINAPI GuardThread(void*) noexcept {
  WaitForSingleObject(gReporter->crashSignal, INFINITE);
  try {
    RunReport();
  } catch (...) {
  }
  EndProcess();
}

// The first exception takes the reporter; the thread that raised it waits here while the
// guard thread reports, so its stack stays intact for the walk. Later ones just wait.
[[noreturn]] void Report(const EXCEPTION_RECORD* record, const CONTEXT* context, bool cpp,
                         std::u16string* exceptionClass, std::u16string* exceptionMessage) {
  int number = ++gReporter->exceptionCount;
  if (IsReporterThread(GetCurrentThreadId())) EndProcess();  // the reporter itself failed
  if (gReporter->claimed.exchange(true)) BlockForever();
  TCrashEvent& e = gReporter->event;
  if (record) e.record = *record;
  e.context = *context;
  e.threadId = GetCurrentThreadId();
  e.cpp = cpp;
  e.number = number;
  GetLocalTime(&e.when);
  if (exceptionClass) e.exceptionClass.swap(*exceptionClass);
  if (exceptionMessage) e.exceptionMessage.swap(*exceptionMessage);
  if (!gReporter->guardThreadId) {
    // No guard thread could be made at start-up: report from here.
    try {
      RunReport();
    } catch (...) {
    }
    EndProcess();
  }
  SetEvent(gReporter->crashSignal);
  BlockForever();
}

bool IsFatalCode(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_IN_PAGE_ERROR:
      return true;
  }
  return false;
}

bool InOwnImage(const void* address) {
  HMODULE module = nullptr;
  return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module) &&
         module == GetModuleHandleW(nullptr);
}

// Faults in our own code are taken before any frame handler sees them: a fault inside a
// window procedure would otherwise be swallowed by the system's callback dispatch. Our
// code has no structured handlers of its own, so nothing legitimate is lost.
LONG CALLBACK FirstChanceHandler(EXCEPTION_POINTERS* ep) noexcept {
  if (!ep || !ep->ExceptionRecord || !IsFatalCode(ep->ExceptionRecord->ExceptionCode) ||
      !InOwnImage(ep->ExceptionRecord->ExceptionAddress))
    return EXCEPTION_CONTINUE_SEARCH;
  Report(ep->ExceptionRecord, ep->ContextRecord, false, nullptr, nullptr);
}

LONG WINAPI UnhandledFilter(EXCEPTION_POINTERS* ep) noexcept {
  if (!ep || !ep->ExceptionRecord || !ep->ContextRecord) EndProcess();
  Report(ep->ExceptionRecord, ep->ContextRecord, false, nullptr, nullptr);
}

std::u16string Demangle(const char* name) {
#if defined(__GNUC__)
  int status = 0;
  char* readable = abi::__cxa_demangle(name, nullptr, nullptr, &status);
  if (readable && status == 0) {
    std::u16string out = FromUtf8(readable);
    std::free(readable);
    return out;
  }
  std::free(readable);
#endif
  return FromUtf8(name);
}

void TerminateHandler() noexcept {
  HandleException(std::current_exception());
}

// The checksum the build appended; a damaged file is reported and the process ends.
bool VerifyOwnFile(const std::u16string& exePath, TSymbolTable& symbols) {
  win::unique_handle f(CreateFileW(W(exePath), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  if (f.get() == INVALID_HANDLE_VALUE) {
    f.release();
    return false;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(f.get(), &size) || size.QuadPart > (512 << 20)) return false;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!ReadFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size())
    return false;
  auto data = ParseEmbeddedData(bytes);
  if (!data || !data->checksumOk) return false;
  symbols = std::move(data->symbols);
  return true;
}

}  // namespace

void InstallCrashReporter() { InstallCrashReporter(TCrashReporterOptions{}); }

void InstallCrashReporter(const TCrashReporterOptions& options) {
  if (gReporter) return;
  auto* r = new TReporter;  // lives until the process ends
  r->reportUrl = options.reportUrl.empty()
                     ? u"https://" + std::u16string(build::kReportHost) + TCrashConfig::kHttpPath
                     : options.reportUrl;
  std::u16string exe = ExecutablePath();
  r->appName = FileNameOf(exe);
  if (!VerifyOwnFile(exe, r->symbols)) {
    ShowErrorBox(ReplacePlaceholders(TCrashConfig::kTitleBar, {{u"%appname%", r->appName}}),
                 ReplacePlaceholders(TCrashConfig::kBitFaultMsg, {{u"%modname%", r->appName}}));
    EndProcess();
  }
  ProcessBoundary();  // made now, from the clock, once per process
  r->crashSignal = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  r->reportDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  r->uploadDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  gReporter = r;
  DWORD id = 0;
  HANDLE guard = CreateThread(nullptr, 256 * 1024, GuardThread, nullptr, CREATE_SUSPENDED, &id);
  if (guard) {
    r->guardThreadId = id;
    ResumeThread(guard);
    CloseHandle(guard);  // it runs until the process ends; nobody joins it
  }
  // Room for the handler on a thread whose stack has overflowed.
  ULONG guarantee = 64 * 1024;
  SetThreadStackGuarantee(&guarantee);
  AddVectoredExceptionHandler(1, FirstChanceHandler);
  SetUnhandledExceptionFilter(UnhandledFilter);
  std::set_terminate(TerminateHandler);
}

void HandleException(std::exception_ptr error) noexcept {
  if (!gReporter) EndProcess();
  std::u16string exceptionClass, exceptionMessage;
  try {
    if (error) std::rethrow_exception(error);
    exceptionClass = u"std::terminate";
  } catch (const std::exception& e) {
    try {
      exceptionClass = Demangle(typeid(e).name());
      exceptionMessage = FromUtf8(e.what());
    } catch (...) {
    }
  } catch (...) {
    exceptionClass = u"unknown C++ exception";
  }
  CONTEXT context{};
  RtlCaptureContext(&context);
  EXCEPTION_RECORD record{};
  record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
  Report(&record, &context, true, &exceptionClass, &exceptionMessage);
}

}  // namespace swiftlane::crash
