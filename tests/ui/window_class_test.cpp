// The framework class registered on demand: a registration that fails is tried again at the next
// creation. A program of its own, as the registered state is process-wide.
#include <gtest/gtest.h>

#include "ui/framework/window_base.h"

namespace {

LRESULT CALLBACK squatter_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

TEST(WindowClass, RegistrationFailingOnceSucceedsAtTheNextCreation) {
  // A class of the same name and instance makes the framework's registration fail.
  WNDCLASSA squatter = {};
  squatter.lpfnWndProc = squatter_procedure;
  squatter.hInstance = GetModuleHandleA(nullptr);
  squatter.lpszClassName = kFrameworkClassName;
  ASSERT_NE(RegisterClassA(&squatter), 0);

  window_base object;
  RECT rect = {0, 0, 100, 80};
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(object.create(WS_OVERLAPPEDWINDOW, rect, "first", nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  EXPECT_EQ(object.window(), nullptr);
  EXPECT_EQ(register_framework_class(), nullptr);

  ASSERT_TRUE(UnregisterClassA(kFrameworkClassName, GetModuleHandleA(nullptr)));
  ASSERT_TRUE(object.create(WS_OVERLAPPEDWINDOW, rect, "second", nullptr, nullptr, nullptr, 0));
  ASSERT_NE(object.window(), nullptr);
  WNDCLASSA found = {};
  ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), kFrameworkClassName, &found));
  EXPECT_NE(found.lpfnWndProc, squatter_procedure);
  EXPECT_STREQ(register_framework_class(), kFrameworkClassName);
  DestroyWindow(object.window());
}

}  // namespace
