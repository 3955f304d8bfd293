// plugin_settings: the plug-in's per-user options, kept in "relaymx.dat" in the working directory.
// One process-wide instance; later code reaches it through current_plugin_settings().
#pragma once
#include <cstdint>

#include "common/product_keys.h"
#include "common/text.h"
#include "settings/record.h"


// The options with their defaults, written once: a reset assigns a default-built copy.
struct plugin_options {
  text target_spam_folder;
  text target_unsure_folder;
  int32_t target_spam_folder_id = -1;
  int32_t target_unsure_folder_id = -1;
  int32_t ft_hi = 0;
  int32_t ft_lo = 0;
  bool mark_spam_as_read = false;
  bool mark_unsure_as_read = true;
  bool target_spam_folder_valid = false;
  bool target_unsure_folder_valid = false;
  int32_t delete_spam_strategy = 2;
  int32_t age_of_spam_to_delete = 30;
  int32_t last_received_ltr1 = 0;
  int32_t last_received_ltr2 = 0;
  bool ask_or_not_for_train = false;
  bool train_by_sent_items = true;
  bool train_by_sent_address_book = true;
  bool bayes_train_by_sent_items = true;
  bool grade_marks_in_subject = false;
  double max_single_path_level = 0.5;
};

class plugin_settings : public settings_record, public plugin_options {
 public:
  plugin_settings();
  ~plugin_settings() override;

  void bind(uint32_t mode) override;
  // Loads the record from the working directory plus file_name; a missing file leaves the values.
  void load_settings_file(const char* file_name);
  // Saves when modified; modified stays set when the save fails, so the change is tried again.
  bool save_if_modified();

  text storage_path;
  bool modified = false;

 private:
  void reset_defaults();
};

// The first record built; null before that and after it is destroyed.
plugin_settings* current_plugin_settings();
