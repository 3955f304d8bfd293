// The guard must turn real machine faults into a failure result while the process lives on.
#include "common/guard.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include "common/copy_out.h"

namespace {

int* volatile g_null = nullptr;
volatile int g_zero = 0;

char* read_only_page() {
  void* p = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  std::memset(p, 0xCC, 4096);
  DWORD old;
  VirtualProtect(p, 4096, PAGE_READONLY, &old);
  return static_cast<char*>(p);
}

}  // namespace

TEST(Guard, MachineFaultsBecomeFailures) {
  char* page = read_only_page();
  struct row {
    const char* what;
    void (*fault)(char*);
  } rows[] = {
      {"write through null", [](char*) { *g_null = 1; }},
      {"write to a read-only page", [](char* p) { p[10] = 1; }},
      {"read from an unmapped address",
       [](char*) {
         int* volatile p = reinterpret_cast<int*>(0x10);
         volatile int x = *p;
         (void)x;
       }},
      {"integer division by zero",
       [](char*) {
         volatile int x = 1000 / g_zero;
         (void)x;
       }},
      {"foreign exception code", [](char*) { RaiseException(0xE06D7363, 0, 0, nullptr); }},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    bool after = false;
    bool ok = guarded([&] {
      rows[i].fault(page);
      after = true;
    });
    EXPECT_FALSE(ok) << rows[i].what;
    EXPECT_FALSE(after) << rows[i].what;
  }
  EXPECT_EQ(static_cast<unsigned char>(page[10]), 0xCC);
  VirtualFree(page, 0, MEM_RELEASE);
}

TEST(Guard, NormalRunsAndExceptions) {
  int value = 0;
  EXPECT_TRUE(guarded([&] { value = 7; }));
  EXPECT_EQ(value, 7);
  EXPECT_FALSE(guarded([] { throw std::runtime_error("x"); }));
  EXPECT_FALSE(guarded([] { throw 5; }));
  // Debugger output is delivered as an informational exception: it must pass through the guard.
  EXPECT_TRUE(guarded([] { OutputDebugStringA("guard test\n"); }));
}

TEST(Guard, InnerGuardHandlesFirst) {
  bool inner = true;
  bool reached = false;
  bool outer = guarded([&] {
    inner = guarded([] { *g_null = 2; });
    reached = true;
  });
  EXPECT_FALSE(inner);
  EXPECT_TRUE(reached);
  EXPECT_TRUE(outer);
}

TEST(Guard, ManyThreadsFaultAtOnce) {
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i)
        if (!guarded([] { *g_null = 3; })) ++failures;
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 800);
}

TEST(CopyOut, Table) {
  const char* source = "abcdef";
  struct row {
    bool null_buffer;
    int size;
    int result;
    int copied;
  } rows[] = {
      {true, 10, 6, 0}, {false, -1, 6, 0}, {false, 0, 6, 0},
      {false, 3, 3, 3}, {false, 6, 6, 6},  {false, 20, 6, 6},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    char buf[32];
    std::memset(buf, 0xCC, sizeof(buf));
    int n = copy_out_text(source, rows[i].null_buffer ? nullptr : buf, rows[i].size);
    EXPECT_EQ(n, rows[i].result) << "row " << i;
    EXPECT_EQ(std::memcmp(buf, source, rows[i].copied), 0) << "row " << i;
    // No terminating NUL and nothing past the copied bytes.
    EXPECT_EQ(static_cast<unsigned char>(buf[rows[i].copied]), 0xCC) << "row " << i;
  }
  EXPECT_EQ(copy_out_text("", nullptr, 0), 0);
  EXPECT_EQ(copy_out_text(nullptr, nullptr, 5), 0);
}

TEST(CopyOut, FaultingBufferGivesZero) {
  char* page = read_only_page();
  EXPECT_EQ(copy_out_text("abcdef", page, 6), 0);
  EXPECT_EQ(copy_out_text("abcdef", reinterpret_cast<char*>(0x10), 6), 0);
  VirtualFree(page, 0, MEM_RELEASE);
}
