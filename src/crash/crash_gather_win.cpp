#include "crash/crash_gather_win.h"

#include <dbghelp.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "crash/report_text.h"
#include "crash/text_codec.h"
#include "system/win_handles_win.h"

namespace swiftlane::crash {

using win::U;
using win::W;

namespace {

struct TModule {
  std::uintptr_t base = 0;
  std::uintptr_t size = 0;
  std::u16string name;
  std::u16string path;
};

std::vector<TModule> Modules() {
  std::vector<TModule> out;
  win::unique_handle snap(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId()));
  if (snap.get() == INVALID_HANDLE_VALUE) {
    snap.release();
    return out;
  }
  MODULEENTRY32W m{};
  m.dwSize = sizeof(m);
  for (BOOL ok = Module32FirstW(snap.get(), &m); ok; ok = Module32NextW(snap.get(), &m))
    out.push_back({reinterpret_cast<std::uintptr_t>(m.modBaseAddr), m.modBaseSize, U(m.szModule), U(m.szExePath)});
  std::sort(out.begin(), out.end(), [](const TModule& a, const TModule& b) { return a.base < b.base; });
  return out;
}

const TModule* ModuleOf(const std::vector<TModule>& modules, std::uintptr_t address) {
  for (const auto& m : modules)
    if (address >= m.base && address - m.base < m.size) return &m;
  return nullptr;
}

std::u16string Printf(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, sizeof(buffer), format, args);
  va_end(args);
  if (n < 0) return {};
  return FromUtf8(std::string_view(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof(buffer) - 1)));
}

std::u16string FormatTime(const SYSTEMTIME& t) {
  return Printf("%04u-%02u-%02u, %02u:%02u:%02u:%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                t.wMilliseconds);
}

std::u16string FileTime(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(W(path), GetFileExInfoStandard, &data)) return {};
  FILETIME local{};
  SYSTEMTIME st{};
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &st)) return {};
  return Printf("%04u-%02u-%02u, %02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
}

std::u16string FileVersion(const std::u16string& path) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(W(path), &ignored);
  if (!size) return {};
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(W(path), 0, size, block.data())) return {};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info || len < sizeof(*info))
    return {};
  return Printf("%lu.%lu.%lu.%lu", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
}

std::u16string RegistryText(const wchar_t* key, const wchar_t* value) {
  wchar_t buffer[256] = {};
  DWORD size = sizeof(buffer) - sizeof(wchar_t);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key, value, RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, buffer, &size) !=
      ERROR_SUCCESS)
    return {};
  return U(buffer);
}

std::u16string Duration(ULONGLONG ms) {
  ULONGLONG s = ms / 1000;
  return Printf("%llu days %llu hours %llu minutes %llu seconds", s / 86400, s / 3600 % 24, s / 60 % 60, s % 60);
}

std::u16string OperatingSystem() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof(v);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto fn = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                  : nullptr;
  if (!fn || fn(&v) != 0) return {};
  std::u16string product = RegistryText(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"ProductName");
  return (product.empty() ? u"Windows" : product) +
         Printf(" x64 build %lu (%lu.%lu)", v.dwBuildNumber, v.dwMajorVersion, v.dwMinorVersion);
}

void FillFacts(TReportFacts& f, const TCrashEvent& e, const std::vector<TModule>& modules) {
  f.dateTime = FormatTime(e.when);
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 64] = {};
  DWORD len = static_cast<DWORD>(std::size(name));
  if (GetComputerNameW(name, &len)) f.computerName = U(name);
  wchar_t user[256] = {};
  len = static_cast<DWORD>(std::size(user));
  if (GetUserNameW(user, &len)) f.userName = U(user);
  std::u16string owner = RegistryText(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"RegisteredOwner");
  if (!owner.empty()) f.registeredOwner = owner;
  if (auto os = OperatingSystem(); !os.empty()) f.operatingSystem = os;
  wchar_t language[LOCALE_NAME_MAX_LENGTH * 2] = {};
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SENGLISHLANGUAGENAME, language, static_cast<int>(std::size(language))))
    f.systemLanguage = U(language);
  f.systemUpTime = Duration(GetTickCount64());
  FILETIME created{}, exited{}, kernel{}, userTime{}, now{};
  if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &userTime)) {
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER a{{created.dwLowDateTime, created.dwHighDateTime}}, b{{now.dwLowDateTime, now.dwHighDateTime}};
    if (b.QuadPart > a.QuadPart) f.programUpTime = Duration((b.QuadPart - a.QuadPart) / 10000);
  }
  SYSTEM_INFO si{};
  GetNativeSystemInfo(&si);
  f.processorCount = static_cast<int>(si.dwNumberOfProcessors);
  std::u16string cpu = RegistryText(L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", L"ProcessorNameString");
  f.processor = Printf("%lux ", si.dwNumberOfProcessors) + (cpu.empty() ? u"x64" : cpu);
  MEMORYSTATUSEX mem{};
  mem.dwLength = sizeof(mem);
  if (GlobalMemoryStatusEx(&mem))
    f.physicalMemory = Printf("%llu/%llu MB (free/total)", mem.ullAvailPhys >> 20, mem.ullTotalPhys >> 20);
  std::u16string exe = ExecutablePath();
  ULARGE_INTEGER freeBytes{};
  std::u16string root = exe.size() >= 3 && exe[1] == u':' ? exe.substr(0, 3) : u"C:\\";
  if (GetDiskFreeSpaceExW(W(root), &freeBytes, nullptr, nullptr))
    f.freeDiskSpace = u"(" + root.substr(0, 2) + u") " + Printf("%.2f GB", freeBytes.QuadPart / 1073741824.0);
  if (HDC dc = GetDC(nullptr)) {
    f.displayMode = Printf("%dx%d, %d bit", GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES),
                           GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES));
    ReleaseDC(nullptr, dc);
  }
  f.processId = Printf("$%lx", GetCurrentProcessId());
  PROCESS_MEMORY_COUNTERS pmc{};
  if (GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc)))
    f.allocatedMemory = Printf("%.2f MB", pmc.PagefileUsage / 1048576.0);
  f.commandLine = U(GetCommandLineW());
  f.executable = FileNameOf(exe);
  const TModule* faultModule = e.cpp ? nullptr : ModuleOf(modules, reinterpret_cast<std::uintptr_t>(e.record.ExceptionAddress));
  std::u16string modulePath = faultModule ? faultModule->path : exe;
  f.currentModule = FileNameOf(modulePath);
  f.execDateTime = FileTime(exe);
  f.moduleDateTime = FileTime(modulePath);
  f.version = FileVersion(exe);
  f.exceptionNumber = e.number;
  f.exceptionClass = e.exceptionClass;
  if (!e.exceptionMessage.empty()) f.exceptionMessage = e.exceptionMessage;
}

// --- call stacks ---------------------------------------------------------------------

struct TFrame {
  std::uintptr_t address;
  std::u16string line;  // as shown
  std::u16string id;    // address-independent, for the checksums
};

struct TWalkContext {
  const std::vector<TModule>* modules;
};
TWalkContext* gWalk = nullptr;  // the assembling thread is the only walker

PVOID CALLBACK FunctionTableAccess(HANDLE, DWORD64 address) {
  DWORD64 base = 0;
  return RtlLookupFunctionEntry(address, &base, nullptr);
}

DWORD64 CALLBACK ModuleBase(HANDLE, DWORD64 address) {
  if (!gWalk) return 0;
  const TModule* m = ModuleOf(*gWalk->modules, static_cast<std::uintptr_t>(address));
  return m ? m->base : 0;
}

TFrame DescribeFrame(std::uintptr_t address, bool returnAddress, const std::vector<TModule>& modules,
                     const TSymbolTable& symbols, std::uintptr_t ownBase) {
  // A return address points past the call; the call itself names the caller's line.
  std::uintptr_t lookup = returnAddress && address ? address - 1 : address;
  TFrame f{address, {}, {}};
  const TModule* m = ModuleOf(modules, lookup);
  std::u16string where = m ? m->name : u"?";
  std::u16string function;
  std::uint32_t offset = m ? static_cast<std::uint32_t>(address - m->base) : 0;
  std::u16string relative = u"    ";
  if (m && m->base == ownBase) {
    if (auto hit = symbols.Lookup(static_cast<std::uint32_t>(lookup - m->base))) {
      function = FromUtf8(*hit->name);
      relative = u"+" + Hex(hit->offset + (lookup != address ? 1 : 0), 3);
    }
  }
  f.line = Hex(address, 16) + u" " + relative + u" " + where + Printf(" +%x", offset);
  if (!function.empty()) f.line += u"  " + function;
  f.id = where + Printf("+%x", offset);
  return f;
}

// A function without unwind data (a leaf, or assembly such as the stack probe) keeps its
// return address at the stack pointer: pop it so the walk can go on from the caller.
bool UnwindLeaf(CONTEXT& context) {
  DWORD64 base = 0;
  if (RtlLookupFunctionEntry(context.Rip, &base, nullptr)) return false;
  DWORD64 returnAddress = 0;
  SIZE_T got = 0;
  if (!ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(context.Rsp), &returnAddress,
                         sizeof(returnAddress), &got) ||
      got != sizeof(returnAddress) || returnAddress == 0)
    return false;
  context.Rip = returnAddress;
  context.Rsp += 8;
  return true;
}

void StartFrame(STACKFRAME64& frame, const CONTEXT& context) {
  frame = STACKFRAME64{};
  frame.AddrPC.Offset = context.Rip;
  frame.AddrPC.Mode = AddrModeFlat;
  frame.AddrStack.Offset = context.Rsp;
  frame.AddrStack.Mode = AddrModeFlat;
  frame.AddrFrame.Offset = context.Rbp;
  frame.AddrFrame.Mode = AddrModeFlat;
}

std::vector<TFrame> WalkStack(HANDLE thread, CONTEXT context, const std::vector<TModule>& modules,
                              const TSymbolTable& symbols, std::uintptr_t ownBase) {
  constexpr size_t kMaxFrames = 64;
  std::vector<TFrame> frames;
  frames.push_back(DescribeFrame(context.Rip, false, modules, symbols, ownBase));
  STACKFRAME64 frame;
  StartFrame(frame, context);
  bool first = true;  // the walker reports the starting frame first
  DWORD64 lastSp = context.Rsp;
  while (frames.size() < kMaxFrames) {
    if (!StackWalk64(IMAGE_FILE_MACHINE_AMD64, GetCurrentProcess(), thread, &frame, &context, nullptr,
                     FunctionTableAccess, ModuleBase, nullptr)) {
      // The walker gives up on frames without unwind data; step over one and restart it.
      if (!UnwindLeaf(context)) break;
      frames.push_back(DescribeFrame(static_cast<std::uintptr_t>(context.Rip), true, modules, symbols, ownBase));
      lastSp = context.Rsp;
      StartFrame(frame, context);
      first = true;
      continue;
    }
    bool repeat = first && frame.AddrPC.Offset == frames.back().address;
    first = false;
    if (repeat) continue;
    if (frame.AddrPC.Offset == 0 || frame.AddrStack.Offset < lastSp) break;
    lastSp = frame.AddrStack.Offset;
    frames.push_back(DescribeFrame(static_cast<std::uintptr_t>(frame.AddrPC.Offset), true, modules, symbols, ownBase));
  }
  return frames;
}

std::vector<std::u16string> Lines(const std::vector<TFrame>& frames) {
  std::vector<std::u16string> out;
  for (const auto& f : frames) out.push_back(f.line);
  return out;
}

std::vector<std::u16string> Ids(const std::vector<TFrame>& frames) {
  std::vector<std::u16string> out;
  for (const auto& f : frames) out.push_back(f.id);
  return out;
}

// --- registers, memory -----------------------------------------------------------------

std::vector<std::u16string> Registers(const CONTEXT& c) {
  auto r = [](const char* n, DWORD64 v) { return Ascii16(n) + u" = " + Hex(v, 16); };
  return {
      r("rax", c.Rax) + u"   " + r("rbx", c.Rbx) + u"   " + r("rcx", c.Rcx) + u"   " + r("rdx", c.Rdx),
      r("rsi", c.Rsi) + u"   " + r("rdi", c.Rdi) + u"   " + r("rbp", c.Rbp) + u"   " + r("rsp", c.Rsp),
      r("r8 ", c.R8) + u"   " + r("r9 ", c.R9) + u"   " + r("r10", c.R10) + u"   " + r("r11", c.R11),
      r("r12", c.R12) + u"   " + r("r13", c.R13) + u"   " + r("r14", c.R14) + u"   " + r("r15", c.R15),
      r("rip", c.Rip) + u"   eflags = " + Hex(c.EFlags, 8) + Printf("   cs = %04x   ss = %04x", c.SegCs, c.SegSs),
  };
}

// One line of 16 bytes: address, hex bytes ("??" where unreadable), printable characters.
std::u16string DumpLine(std::uintptr_t address, std::uintptr_t mark) {
  std::u16string hex, text;
  for (int i = 0; i < 16; ++i) {
    unsigned char b = 0;
    SIZE_T got = 0;
    bool ok = ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(address + i), &b, 1, &got) && got == 1;
    hex += (address + i == mark) ? u">" : u" ";
    hex += ok ? Hex(b, 2) : u"??";
    text += ok && b >= 0x20 && b < 0x7F ? static_cast<char16_t>(b) : u'.';
  }
  return Hex(address, 16) + u" " + hex + u"  " + text;
}

std::vector<std::u16string> StackDump(const CONTEXT& c) {
  std::vector<std::u16string> out;
  std::uintptr_t start = static_cast<std::uintptr_t>(c.Rsp) & ~std::uintptr_t(15);
  for (int i = 0; i < 32; ++i) out.push_back(DumpLine(start + 16 * i, 0));
  return out;
}

// The code bytes around the fault: five rows of 16, the fault's row in the middle with
// its byte marked by ">".
std::vector<std::u16string> CodeBytes(std::uintptr_t address, const TFrame& where) {
  std::vector<std::u16string> out{where.line};
  std::uintptr_t row = address & ~std::uintptr_t(15);
  for (int i = -2; i <= 2; ++i) out.push_back(DumpLine(row + 16 * i, address));
  return out;
}

std::vector<std::u16string> ModuleLines(const std::vector<TModule>& modules) {
  std::vector<std::u16string> out;
  for (const auto& m : modules) {
    std::u16string version = FileVersion(m.path);
    version.resize(std::max<size_t>(version.size(), 16), u' ');
    out.push_back(Hex(m.base, 16) + u" " + Hex(m.size, 8) + u" " + version + u" " + m.path);
  }
  return out;
}

std::vector<std::u16string> ProcessLines() {
  std::vector<std::u16string> out;
  win::unique_handle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snap.get() == INVALID_HANDLE_VALUE) {
    snap.release();
    return out;
  }
  PROCESSENTRY32W p{};
  p.dwSize = sizeof(p);
  for (BOOL ok = Process32FirstW(snap.get(), &p); ok; ok = Process32NextW(snap.get(), &p))
    out.push_back(Printf("%08lx %4lu ", p.th32ProcessID, p.cntThreads) + U(p.szExeFile));
  return out;
}

std::u16string ThreadTitle(DWORD id, DWORD mainThread, bool crashing) {
  std::u16string kind = id == mainThread ? u"main thread" : u"thread";
  return kind + Printf(" ($%lx)", id) + (crashing ? u" (crashed)" : u"");
}

// The first thread of the process is the window thread.
DWORD MainThreadId(const std::vector<DWORD>& threads) { return threads.empty() ? 0 : threads.front(); }

std::vector<DWORD> ProcessThreads() {
  std::vector<DWORD> out;
  win::unique_handle snap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (snap.get() == INVALID_HANDLE_VALUE) {
    snap.release();
    return out;
  }
  THREADENTRY32 t{};
  t.dwSize = sizeof(t);
  for (BOOL ok = Thread32First(snap.get(), &t); ok; ok = Thread32Next(snap.get(), &t))
    if (t.th32OwnerProcessID == GetCurrentProcessId()) out.push_back(t.th32ThreadID);
  return out;
}

}  // namespace

std::u16string FileNameOf(const std::u16string& path) {
  size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::u16string ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  while (true) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return U(buffer.data(), n);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

void DescribeStructuredException(const EXCEPTION_RECORD& r, std::u16string& cls, std::u16string& msg) {
  auto address = Hex(reinterpret_cast<std::uintptr_t>(r.ExceptionAddress), 16);
  std::vector<TModule> modules = Modules();
  const TModule* m = ModuleOf(modules, reinterpret_cast<std::uintptr_t>(r.ExceptionAddress));
  std::u16string in = m ? u" in module '" + m->name + u"'" : u"";
  switch (r.ExceptionCode) {
    case EXCEPTION_ACCESS_VIOLATION: {
      cls = u"EAccessViolation";
      msg = u"Access violation at address " + address + in + u".";
      if (r.NumberParameters >= 2) {
        ULONG_PTR kind = r.ExceptionInformation[0];
        msg += kind == 1 ? u" Write of address " : kind == 8 ? u" Execution of address " : u" Read of address ";
        msg += Hex(r.ExceptionInformation[1], 16) + u".";
      }
      break;
    }
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
      cls = u"EDivByZero";
      msg = u"Division by zero at address " + address + in + u".";
      break;
    case EXCEPTION_STACK_OVERFLOW:
      cls = u"EStackOverflow";
      msg = u"Stack overflow at address " + address + in + u".";
      break;
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
      cls = u"EPrivilege";
      msg = u"Privileged or illegal instruction at address " + address + in + u".";
      break;
    case EXCEPTION_INT_OVERFLOW:
      cls = u"EIntOverflow";
      msg = u"Integer overflow at address " + address + in + u".";
      break;
    default:
      cls = u"EExternalException";
      msg = u"External exception " + Hex(r.ExceptionCode, 8) + u" at address " + address + in + u".";
  }
}

std::u16string AssembleReport(const TCrashEvent& event, const TSymbolTable& symbols,
                              const std::vector<DWORD>& ownThreads) {
  std::vector<TModule> modules = Modules();
  TWalkContext walk{&modules};
  gWalk = &walk;
  SymInitializeW(GetCurrentProcess(), nullptr, FALSE);
  auto ownBase = reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr));

  TReportFacts facts;
  FillFacts(facts, event, modules);

  std::vector<DWORD> threads = ProcessThreads();
  DWORD mainThread = MainThreadId(threads);
  std::vector<TReportSection> sections;

  win::unique_handle crashed(OpenThread(THREAD_QUERY_INFORMATION | THREAD_GET_CONTEXT, FALSE, event.threadId));
  std::vector<TFrame> crashFrames = WalkStack(crashed.get(), event.context, modules, symbols, ownBase);
  sections.push_back({ThreadTitle(event.threadId, mainThread, true), Lines(crashFrames)});

  std::vector<std::vector<std::u16string>> otherIds;
  for (DWORD id : threads) {
    if (id == event.threadId || std::find(ownThreads.begin(), ownThreads.end(), id) != ownThreads.end()) continue;
    win::unique_handle t(OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION, FALSE, id));
    if (!t) continue;
    // Only long enough to read its registers: the other threads keep running.
    CONTEXT c{};
    c.ContextFlags = CONTEXT_FULL;
    bool got = false;
    if (SuspendThread(t.get()) != static_cast<DWORD>(-1)) {
      got = GetThreadContext(t.get(), &c) != 0;
      ResumeThread(t.get());
    }
    if (!got) continue;
    std::vector<TFrame> frames = WalkStack(t.get(), c, modules, symbols, ownBase);
    sections.push_back({ThreadTitle(id, mainThread, false), Lines(frames)});
    otherIds.push_back(Ids(frames));
  }
  facts.callstackCrc = CallstackCrc(Ids(crashFrames), otherIds);

  sections.push_back({u"cpu registers", Registers(event.context)});
  sections.push_back({u"stack dump", StackDump(event.context)});
  sections.push_back({u"disassembling", CodeBytes(static_cast<std::uintptr_t>(event.context.Rip), crashFrames.front())});
  sections.push_back({u"modules", ModuleLines(modules)});
  sections.push_back({u"processes", ProcessLines()});
  SymCleanup(GetCurrentProcess());
  gWalk = nullptr;
  return FormatBugReport(facts, sections);
}

}  // namespace swiftlane::crash
