// The plug-in's module object: its own instance, the instance that every user-interface resource is
// loaded from (the resource library once it is loaded), the help language, file and folder.
#pragma once
#include <windows.h>

#include "common/text.h"

class gui_module {
 public:
  // The first module object constructed becomes the current one.
  explicit gui_module(HINSTANCE instance);
  virtual ~gui_module();
  gui_module(const gui_module&) = delete;
  gui_module& operator=(const gui_module&) = delete;

  // Takes the instance as both module and resource instance and registers the common controls.
  virtual bool init(HINSTANCE instance);
  virtual bool term();
  virtual int run_message_loop();
  // Registers the common control classes inside the module's activation context, once; true when
  // they are registered.
  bool ensure_common_controls();

  HINSTANCE module_instance() const { return module_instance_; }
  HINSTANCE resource_instance() const { return resource_instance_; }
  void set_resource_instance(HINSTANCE instance) { resource_instance_ = instance; }
  const text& language() const { return language_; }
  void set_language(const char* code) { language_.assign(code); }
  // Empty means "help".
  const text& help_file_base() const { return help_file_base_; }
  void set_help_file_base(const char* name) { help_file_base_.assign(name); }
  const text& help_root() const { return help_root_; }
  // Always ends in a backslash unless empty.
  void set_help_root(const char* path);

 private:
  HINSTANCE module_instance_ = nullptr;
  HINSTANCE resource_instance_ = nullptr;
  bool controls_ready_ = false;
  text language_;
  text help_file_base_;
  text help_root_;
};

gui_module* current_gui_module();

// Instance that resources are loaded from: the current module object's resource instance, or null.
HINSTANCE resource_instance();

// Loads a string resource from instance (null: the resource instance); empty when it is missing.
text load_string(unsigned id, HINSTANCE instance = nullptr);
// load_string from the resource instance.
text load_resource_string(unsigned id);
