#include "common/text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {
size_t round_up(size_t n, size_t step) { return (n / step + 1) * step; }
}  // namespace

text::text(const char* s) { assign(s); }
text::text(const char* s, size_t n) { assign(s, n); }
text::text(const text& other) { assign(other.c_str(), other.len_); }
text::text(text&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      len_(std::exchange(other.len_, 0)),
      cap_(std::exchange(other.cap_, 0)) {}
text::~text() {
  if (data_) text_storage_release(data_, cap_);
}

text& text::operator=(const text& other) {
  if (this != &other) assign(other.c_str(), other.len_);
  return *this;
}

text& text::operator=(text&& other) noexcept {
  if (this != &other) {
    if (data_) text_storage_release(data_, cap_);
    data_ = std::exchange(other.data_, nullptr);
    len_ = std::exchange(other.len_, 0);
    cap_ = std::exchange(other.cap_, 0);
  }
  return *this;
}

// A buffer that needs n bytes and is not larger than n is reallocated to n rounded up to the step;
// the old contents are kept.
void text::ensure(size_t n, size_t step) {
  if (n < cap_) return;
  size_t cap = round_up(n, step);
  char* p = static_cast<char*>(text_storage_allocate(cap));
  if (!p) std::abort();  // out of memory: nothing sane is left to do inside a host
  if (data_) {
    std::memcpy(p, data_, len_);
    text_storage_release(data_, cap_);
  }
  p[len_] = '\0';
  data_ = p;
  cap_ = cap;
}

text& text::assign(const char* s) { return assign(s, s ? std::strlen(s) : 0); }

text& text::assign(const char* s, size_t n) {
  if (s && data_ && s >= data_ && s < data_ + cap_) {  // assigning a piece of ourselves
    text copy(s, n);
    return *this = std::move(copy);
  }
  len_ = 0;
  if (data_) data_[0] = '\0';  // assigning nothing must leave an empty text, not the old bytes
  return append(s, n);
}

text& text::append(const char* s) { return append(s, s ? std::strlen(s) : 0); }

text& text::append(const char* s, size_t n) {
  if (!s || n == 0) {
    if (!data_) ensure(0, kTextStep);
    return *this;
  }
  if (data_ && s >= data_ && s < data_ + cap_) {
    text copy(s, n);
    return append(copy.c_str(), n);
  }
  ensure(len_ + n, kTextStep);
  std::memcpy(data_ + len_, s, n);
  len_ += n;
  data_[len_] = '\0';
  return *this;
}

text& text::push_back(char c) {
  ensure(len_ + 1, kCharStep);
  data_[len_++] = c;
  data_[len_] = '\0';
  return *this;
}

text& text::format(const char* fmt, ...) {
  len_ = 0;
  if (data_) data_[0] = '\0';
  va_list args;
  va_start(args, fmt);
  append_vformat(fmt, args);
  va_end(args);
  return *this;
}

text& text::append_format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  append_vformat(fmt, args);
  va_end(args);
  return *this;
}

text& text::append_vformat(const char* fmt, va_list args) {
  if (!fmt) return *this;
  va_list probe;
  va_copy(probe, args);
  int need = std::vsnprintf(nullptr, 0, fmt, probe);
  va_end(probe);
  if (need <= 0) return *this;  // formatting error or empty result: the text stays as it was
  ensure(len_ + static_cast<size_t>(need), kTextStep);
  std::vsnprintf(data_ + len_, static_cast<size_t>(need) + 1, fmt, args);
  len_ += static_cast<size_t>(need);
  return *this;
}

void text::reserve(size_t n) { ensure(n, kCharStep); }

char* text::buffer(size_t n) {
  ensure(n, kCharStep);
  return data_;
}

void text::set_length(size_t n) {
  if (!data_) ensure(0, kCharStep);
  len_ = n < cap_ ? n : cap_ - 1;
  data_[len_] = '\0';
}

void text::truncate(size_t n) {
  if (n >= len_) return;
  len_ = n;
  data_[len_] = '\0';
}

bool text::equals(const char* s) const { return std::strcmp(c_str(), s ? s : "") == 0; }
