// Owners for Win32 resources: each releases its resource on every path.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace swiftlane::win {

// Texts are UTF-16 on both sides of the boundary; on Windows the bytes are the same.
inline const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline std::u16string U(const wchar_t* s) { return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string(); }
inline std::u16string U(const wchar_t* s, size_t n) { return std::u16string(reinterpret_cast<const char16_t*>(s), n); }

template <typename T, typename Traits>
class unique_resource {
 public:
  unique_resource() = default;
  explicit unique_resource(T v) : v_(v) {}
  unique_resource(const unique_resource&) = delete;
  unique_resource& operator=(const unique_resource&) = delete;
  unique_resource(unique_resource&& o) noexcept : v_(std::exchange(o.v_, Traits::invalid())) {}
  unique_resource& operator=(unique_resource&& o) noexcept {
    if (this != &o) reset(std::exchange(o.v_, Traits::invalid()));
    return *this;
  }
  ~unique_resource() { reset(); }
  void reset(T v = Traits::invalid()) {
    if (v_ != Traits::invalid()) Traits::close(v_);
    v_ = v;
  }
  T get() const { return v_; }
  T* put() { reset(); return &v_; }
  T release() { return std::exchange(v_, Traits::invalid()); }
  explicit operator bool() const { return v_ != Traits::invalid(); }

 private:
  T v_ = Traits::invalid();
};

struct HKeyTraits {
  static HKEY invalid() { return nullptr; }
  static void close(HKEY k) { RegCloseKey(k); }
};
struct HandleTraits {
  static HANDLE invalid() { return nullptr; }
  static void close(HANDLE h) { CloseHandle(h); }
};
struct HModuleTraits {
  static HMODULE invalid() { return nullptr; }
  static void close(HMODULE h) { FreeLibrary(h); }
};
struct GdiTraits {
  static HGDIOBJ invalid() { return nullptr; }
  static void close(HGDIOBJ h) { DeleteObject(h); }
};

using unique_hkey = unique_resource<HKEY, HKeyTraits>;
using unique_handle = unique_resource<HANDLE, HandleTraits>;
using unique_hmodule = unique_resource<HMODULE, HModuleTraits>;
using unique_gdi = unique_resource<HGDIOBJ, GdiTraits>;

// COM pointer that releases its reference.
template <typename I>
class com_ptr {
 public:
  com_ptr() = default;
  com_ptr(const com_ptr&) = delete;
  com_ptr& operator=(const com_ptr&) = delete;
  ~com_ptr() { reset(); }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  I** put() { reset(); return &p_; }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  I* get() const { return p_; }
  I* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  I* p_ = nullptr;
};

}  // namespace swiftlane::win
