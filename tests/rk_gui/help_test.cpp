// The built help file, read back: every help id that the dialog templates carry has its popup text
// in the help file's Cshelp.txt.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "tests/rk_gui/rk_gui_fixture.h"
#include "tests/support/test_support.h"

using namespace rk_gui_test;

namespace {

// ".topic N" lines, each followed by its text up to the next topic.
std::map<uint32_t, std::string> popup_topics(const std::string& file) {
  std::map<uint32_t, std::string> topics;
  std::istringstream in(file);
  std::string* current = nullptr;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(".topic ", 0) == 0) {
      current = &topics[static_cast<uint32_t>(std::stoul(line.substr(7)))];
      continue;
    }
    if (current && !line.empty()) *current += line;
  }
  return topics;
}

}  // namespace

TEST(HelpFile, HasAPopupTextForEveryHelpIdOfTheTemplates) {
  // The test command takes the built help_en.chm apart with a CHM reader before this program runs.
  std::string popups = testing_support::read_file(RELAYMX_HELP_EXTRACTED "Cshelp.txt");
  ASSERT_FALSE(popups.empty()) << "no Cshelp.txt in the built help file";
  std::map<uint32_t, std::string> topics = popup_topics(popups);
  for (int id : kTemplates)
    for (uint32_t help_id : help_ids_of(read_template(id))) {
      auto topic = topics.find(help_id);
      ASSERT_NE(topic, topics.end()) << id << ": no popup for help id " << help_id;
      EXPECT_GT(topic->second.size(), 20u) << id << ": help id " << help_id << " has hardly any text";
    }
  for (const char* page : {"index.htm", "lists.htm", "rule_dialog.htm", "rules.htm"})
    EXPECT_NE(testing_support::read_file(std::string(RELAYMX_HELP_EXTRACTED) + page).find("<h1>"),
              std::string::npos)
        << page;
}
