// Owned, zero-terminated 8-bit string in the system code page. c_str() never yields null.
// Storage grows in fixed steps (see text.cpp) and comes from text_storage_allocate, which the
// module points at its small-block pool.
#pragma once
#include <cstdarg>
#include <cstddef>

class text {
 public:
  // Capacity steps: 50 when a text is assigned or appended, 100 for single characters, reserved
  // buffers and loaded resource strings.
  static constexpr size_t kTextStep = 50;
  static constexpr size_t kCharStep = 100;

  text() = default;
  text(const char* s);  // NOLINT: implicit on purpose, texts are passed as literals everywhere
  text(const char* s, size_t n);
  text(const text& other);
  text(text&& other) noexcept;
  ~text();
  text& operator=(const text& other);
  text& operator=(text&& other) noexcept;
  text& operator=(const char* s) { return assign(s); }

  text& assign(const char* s);
  text& assign(const char* s, size_t n);
  text& append(const char* s);
  text& append(const char* s, size_t n);
  text& append(const text& s) { return append(s.c_str(), s.size()); }
  text& push_back(char c);
  text& operator+=(const char* s) { return append(s); }
  text& operator+=(const text& s) { return append(s); }
  text& operator+=(char c) { return push_back(c); }

  // printf-style formatting without a length limit; format() replaces, append_format() appends.
  text& format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  text& append_format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  text& append_vformat(const char* fmt, va_list args);

  // Makes room for n characters plus the terminator, growing by the character step.
  void reserve(size_t n);
  // Writable buffer of at least n characters plus terminator; the caller fixes the length with
  // set_length() afterwards.
  char* buffer(size_t n);
  void set_length(size_t n);
  void truncate(size_t n);
  void clear() { truncate(0); }

  const char* c_str() const { return data_ ? data_ : ""; }
  size_t size() const { return len_; }
  size_t capacity() const { return cap_; }
  bool empty() const { return len_ == 0; }
  // Index size() is the terminator, also of a text that never held storage.
  char operator[](size_t i) const { return c_str()[i]; }
  char back() const { return len_ ? data_[len_ - 1] : '\0'; }

  bool equals(const char* s) const;
  bool operator==(const char* s) const { return equals(s); }
  bool operator==(const text& s) const { return equals(s.c_str()); }
  bool operator!=(const char* s) const { return !equals(s); }
  bool operator!=(const text& s) const { return !equals(s.c_str()); }

 private:
  void ensure(size_t n, size_t step);

  char* data_ = nullptr;
  size_t len_ = 0;
  size_t cap_ = 0;
};

// Where text storage comes from; the module installs its pool here.
void* text_storage_allocate(size_t size);
void text_storage_release(void* p, size_t size);
