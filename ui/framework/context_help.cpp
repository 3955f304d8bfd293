#include "ui/framework/context_help.h"

#include <htmlhelp.h>

#include <cstdio>

#include "common/guard.h"
#include "common/paths.h"
#include "log/log.h"
#include "ui/framework/activation_context.h"
#include "ui/framework/gui_module.h"

namespace {

constexpr char kHelpEngine[] = "hhctrl.ocx";
constexpr char kHelpEntry[] = "HtmlHelpA";
constexpr char kPopupTopicFile[] = "::/Cshelp.txt";
constexpr size_t kFontStringMax = 200;
constexpr COLORREF kEngineDefaultColour = static_cast<COLORREF>(-1);

static_assert(sizeof(HH_POPUP) == 72, "the engine's popup record");

typedef HWND(WINAPI* html_help_fn)(HWND window, LPCSTR file, UINT command, DWORD_PTR data);

// Null until found; a failed load leaves it null so that the next request tries again.
html_help_fn g_html_help = nullptr;

// "face, points, charset" of the stock dialog font, as the engine takes its popup font.
text popup_font_string() {
  LOGFONTA font = {};
  GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
  HDC screen = GetDC(nullptr);
  const int points = -MulDiv(font.lfHeight, 72, GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  char buffer[kFontStringMax + 1];
  std::snprintf(buffer, sizeof(buffer), "%s, %d, %d", font.lfFaceName, points, font.lfCharSet);
  return text(buffer);
}

html_help_fn help_engine(HWND window) {
  if (g_html_help) return g_html_help;
  HMODULE engine = load_library_in_context(kHelpEngine);
  if (engine)
    g_html_help = reinterpret_cast<html_help_fn>(reinterpret_cast<void*>(GetProcAddress(engine, kHelpEntry)));
  if (!g_html_help) MessageBoxA(window, "Can't load library or get proc address", nullptr, MB_OK);
  return g_html_help;
}

// A fault inside the engine becomes "nothing shown" rather than taking the host down.
int call_help_engine(HWND window, const char* target, UINT command, HH_POPUP* popup) {
  html_help_fn engine = help_engine(window);
  if (!engine) return 0;
  HWND answer = nullptr;
  if (!guarded([&] { answer = engine(window, target, command, reinterpret_cast<DWORD_PTR>(popup)); }))
    return 0;
  return answer ? 1 : 0;
}

}  // namespace

// The module instance is not needed: the help root, base name and language live in the module object.
const text& get_help_file_path(HINSTANCE, text* path) {
  gui_module* gui = current_gui_module();
  text result;
  if (gui && !gui->help_root().empty()) {
    result = gui->help_root();
  } else {
    result = module_file_name(GetModuleHandleA(nullptr));
    path_remove_file_name(result);
    // Without the executable's name there is no folder to look in: no path at all.
    if (!result.empty()) path_append(result, "help");
  }
  if (!result.empty()) {
    const text base = gui && !gui->help_file_base().empty() ? gui->help_file_base() : text("help");
    path_append(result, base.c_str());
    path_remove_extension(result);
    result.push_back('_');
    const text language = gui ? gui->language() : text();
    text localised = result;
    localised.append(language);
    localised.append(".chm");
    const bool found = !language.empty() && GetFileAttributesA(localised.c_str()) != INVALID_FILE_ATTRIBUTES;
    result.append(found ? language.c_str() : "en");
    path_append_extension(result, ".chm");
  }
  *path = result;
  return *path;
}

int display_help_popup(HINSTANCE module_instance, HWND window, unsigned context_id, POINT mouse) {
  text target;
  if (get_help_file_path(module_instance, &target).empty()) {
    if (log_enabled(1)) log_printf(nullptr, "[-] display_help_popup:can't get filename for help");
    return 0;
  }
  if (context_id == 0) return 0;
  target.append(kPopupTopicFile);

  const text font = popup_font_string();
  HH_POPUP popup = {};
  popup.cbStruct = sizeof(popup);
  popup.hinst = nullptr;
  popup.idString = context_id;
  popup.pszText = target.c_str();
  popup.pt = mouse;
  popup.clrForeground = kEngineDefaultColour;
  popup.clrBackground = kEngineDefaultColour;
  popup.rcMargins = RECT{-1, -1, -1, -1};
  popup.pszFont = font.c_str();

  if (log_flags() & kLogHelpIds) {
    text message;
    message.format("ID=%08X (%d), File:%s", context_id, static_cast<int>(context_id), target.c_str());
    MessageBoxA(window, message.c_str(), nullptr, MB_OK);
    return 1;
  }
  return call_help_engine(window, target.c_str(), HH_DISPLAY_TEXT_POPUP, &popup);
}
