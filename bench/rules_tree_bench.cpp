// How long the rules tree takes to fill from a list file of many rules: the page's dialog from the
// resource library, a list of 1,000 (or argv[1]) rules in a scratch folder, the tree filled and
// drawn once. Prints the figures; run under Wine on a display:
//   build/wine-run build/bin/rules_tree_bench.exe [rules]
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/plugin_settings.h"
#include "ui/framework/gui_module.h"
#include "ui/framework/resource_ids.h"
#include "ui/pages/rules_tree_dialogue.h"

namespace {

class bench_tree : public rules_tree_dialogue {
 public:
  explicit bench_tree(HWND owner) : owner_(owner) {}
  HWND owner_window() override { return owner_; }
  void notify_changed() override {}

 private:
  HWND owner_;
};

INT_PTR CALLBACK plain_dialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::string folder_of_program() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p = path;
  return p.substr(0, p.rfind('\\') + 1);
}

double seconds_since(LARGE_INTEGER start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  int rules = argc > 1 ? std::atoi(argv[1]) : 1000;
  gui_module module(GetModuleHandleA(nullptr));
  module.set_resource_instance(LoadLibraryA((folder_of_program() + "rk_gui.dll").c_str()));
  module.ensure_common_controls();
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  plugin_settings record;
  record.working_directory = temp;
  std::string list;
  for (int i = 0; i < rules; ++i) {
    list += "#Rule " + std::to_string(i) + "\r\n" + (i % 7 == 0 ? "##" : "") + "From :sender" +
            std::to_string(i) + "@example.org\r\n\r\n";
  }
  std::string path = std::string(temp) + "bench_whitelist.txt";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 1;
  std::fwrite(list.data(), 1, list.size(), f);
  std::fclose(f);

  // The page template is a child dialog; a plain frame holds it as a sheet would.
  HWND frame = CreateWindowExA(0, "STATIC", "bench", WS_POPUP | WS_VISIBLE, 0, 0, 600, 500, nullptr, nullptr,
                               nullptr, nullptr);
  HWND page =
      CreateDialogParamA(resource_instance(), MAKEINTRESOURCEA(IDD_WHITE_LIST_PAGE), frame, plain_dialog, 0);
  if (!page) {
    std::fprintf(stderr, "rules_tree_bench: the page template is missing\n");
    return 1;
  }
  ShowWindow(page, SW_SHOW);
  bench_tree tree(page);
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  tree.init("bench_whitelist.txt");
  double filled = seconds_since(start);
  UpdateWindow(tree.tree());
  double drawn = seconds_since(start);
  std::printf("rules: %d, tree items: %d, load and fill: %.3f s, with the first paint: %.3f s\n", rules,
              static_cast<int>(TreeView_GetCount(tree.tree())), filled, drawn);
  DestroyWindow(frame);
  DeleteFileA(path.c_str());
  return 0;
}
