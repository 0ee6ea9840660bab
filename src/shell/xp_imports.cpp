// Windows XP lacks GetTickCount64, which the static POSIX-threads runtime imports: the program carries the
// import itself, found at run time where Windows has it and made from the performance counter where not.
#include <windows.h>

namespace {

ULONGLONG WINAPI mGetTickCount64() {
  using Fn = ULONGLONG(WINAPI*)();
  static const Fn native =
      reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
  if (native != nullptr) return native();
  // XP: the performance counter never wraps in a lifetime, unlike the 32-bit tick count.
  static LARGE_INTEGER frequency{};
  if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return frequency.QuadPart > 0 ? static_cast<ULONGLONG>(now.QuadPart / (frequency.QuadPart / 1000))
                                : GetTickCount();
}

}  // namespace

// The import slot the runtime calls through, under the name the linker gives it for each architecture.
#if defined(__i386__)
extern "C" __attribute__((used)) ULONGLONG(WINAPI* const velnor_imp_GetTickCount64)() __asm__("__imp__GetTickCount64@0") =
    mGetTickCount64;
#else
extern "C" __attribute__((used)) ULONGLONG(WINAPI* const velnor_imp_GetTickCount64)() __asm__("__imp_GetTickCount64") =
    mGetTickCount64;
#endif
