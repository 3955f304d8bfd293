// Entry points of the engine library: the factory at ordinal 1, an explanation export for the host
// program, and the module entry that sets up the log and saves what is new when the library unloads.
#include <windows.h>

#include <cstring>

#include "common/copy_out.h"
#include "common/guard.h"
#include "common/paths.h"
#include "common/registry_key.h"
#include "log/log.h"
#include "settings/environment.h"
#include "settings/folders.h"
#include "sfl_ipc/engine_object.h"

namespace {

// The per-user folder the plug-in keeps its files in, expanded, ending in a backslash.
std::string user_folder() {
  text raw = common_settings::getsettingsfolder();
  if (raw.empty()) return std::string();
  text expanded;
  expand_environment(raw.c_str(), &expanded);
  path_add_backslash(expanded);
  return expanded.c_str();
}

std::string statistics_file() {
  text file;
  return statistics_file_path(&file) ? std::string(file.c_str()) : std::string();
}

void setup_log(HINSTANCE instance) {
  // The plug-in's log folder, so that both modules write beside each other.
  text folder;
  get_product_path(kLogValue, folder);
  log_set_module(instance);
  log_set_folder(folder.c_str());
}

int explain_text(const char* message, int size, bool features, char* out, int out_size) {
  if (!message || size < 0) return 0;
  std::string text;
  if (sfl::engine_object* live = sfl::acquire_live_engine()) {
    text = live->explain(message, static_cast<size_t>(size), features);
    live->Release();
  } else {
    std::string folder = user_folder();
    if (folder.empty()) return 0;
    sfl::engine_object transient(folder, std::string());
    text = transient.explain(message, static_cast<size_t>(size), features);
  }
  return copy_out_text(text.c_str(), out, out_size);
}

}  // namespace

extern "C" {

// Ordinal 1: one engine object per process; a second request shares it.
HRESULT WINAPI create_engine(engine_interface** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  // Serialised, so that two threads asking at once share one engine.
  static SRWLOCK factory = SRWLOCK_INIT;
  AcquireSRWLockExclusive(&factory);
  HRESULT result = S_OK;
  if (sfl::engine_object* live = sfl::acquire_live_engine()) {
    *out = live;
  } else if (std::string folder = user_folder(); folder.empty()) {
    RLOG("[-] sfl: no per-user folder, the engine cannot start");
    result = E_FAIL;
  } else if (auto* engine = new (std::nothrow) sfl::engine_object(folder, statistics_file())) {
    engine->AddRef();
    engine->start();
    sfl::publish_live_engine(engine);
    *out = engine;
  } else {
    result = E_OUTOFMEMORY;
  }
  ReleaseSRWLockExclusive(&factory);
  return result;
}

// Why a message scores as it does, as text; copied like the plug-in's texts (no NUL; a null buffer
// asks for the length). Uses the live engine, or one loaded from the model file for the call.
// In words a reader knows: header fields, words and phrases of the message.
int WINAPI sfl_explain(const char* message, int size, char* out, int out_size) {
  return explain_text(message, size, false, out, out_size);
}

// The model's own features (hashed fragments: "h4g:" header and "b4g:" body 4-grams, "h:" header
// and "b:" body words), for whoever tunes the model.
int WINAPI sfl_explain_features(const char* message, int size, char* out, int out_size) {
  return explain_text(message, size, true, out, out_size);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    setup_log(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    // A host that never released the engine: keep what it learned. At process exit other threads are
    // gone and may have left the engine's lock taken, so only try.
    if (sfl::engine_object* live = sfl::live_engine_at_unload()) live->persist(reserved != nullptr);
  }
  return TRUE;
}

}  // extern "C"
