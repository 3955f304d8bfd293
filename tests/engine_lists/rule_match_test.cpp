// List rules applied to parsed messages: every part, operator, case and negation, fields that occur
// more than once, and the order in which the white and black lists decide.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "rules/rule_entry.h"
#include "sfl_ipc/core/mime.h"
#include "sfl_ipc/lists/rule_match.h"

namespace {

// Encoded subject and base64 body: the rules must see the decoded text, not the transfer form.
const char kEncoded[] =
    "From: Alice Example <alice@example.com>\r\n"
    "To: bob@example.org\r\n"
    "To: carol@example.net\r\n"
    "Cc: dave@example.com, erin@example.com\r\n"
    "Cc: frank@example.com\r\n"
    "Bcc: hidden@example.com\r\n"
    "Subject: =?UTF-8?B?Q2hlYXAgT2ZmZXIgaW5zaWRl?=\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: text/plain; charset=utf-8\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "SGVsbG8gQm9iLAp0aGUgbWVldGluZyBpcyBhdCBub29uLgo=\r\n";

// No Cc, no Bcc, a plain body.
const char kPlain[] =
    "From: mallory@spam.example\r\n"
    "To: bob@example.org\r\n"
    "Subject: Lunch\r\n"
    "\r\n"
    "See you at noon.\r\n";

struct match_case {
  const char* rule;
  const char* message;
  bool expected;
};

const match_case kMatchCases[] = {
    // any part: raw header block and decoded body
    {":meeting is at noon", kEncoded, true},
    {":content-transfer-encoding", kEncoded, true},
    {":nowhere", kEncoded, false},
    // header: the raw block, not the body
    {"Header:Content-Transfer-Encoding: base64", kEncoded, true},
    {"Header:meeting", kEncoded, false},
    {"Header matches:*base64*", kEncoded, true},
    // subject, decoded from RFC 2047
    {"Subject:offer", kEncoded, true},
    {"Subject:Q2hlYXA", kEncoded, false},
    {"Subject case:offer", kEncoded, false},
    {"Subject case:Offer", kEncoded, true},
    {"Subject starts:CHEAP", kEncoded, true},
    {"Subject starts case:cheap", kEncoded, false},
    {"Subject starts:offer", kEncoded, false},
    {"Subject ends:INSIDE", kEncoded, true},
    {"Subject ends:cheap", kEncoded, false},
    {"Subject equals:cheap offer inside", kEncoded, true},
    {"Subject equals case:cheap offer inside", kEncoded, false},
    {"Subject equals:cheap offer", kEncoded, false},
    {"Subject matches:*offer*", kEncoded, true},
    {"Subject matches:offer", kEncoded, false},
    {"Subject matches:ch?ap [m-p]ffer *", kEncoded, true},
    {"Subject matches case:*offer*", kEncoded, false},
    {"Subject not contains:offer", kEncoded, false},
    {"Subject not contains:lunch", kEncoded, true},
    // from
    {"From:alice@example.com", kEncoded, true},
    {"From equals:alice@example.com", kEncoded, false},
    {"From ends:@example.com>", kEncoded, true},
    {"From:alice", kPlain, false},
    // to: two occurrences, each tested on its own; "not" negates the whole
    {"To equals:bob@example.org", kEncoded, true},
    {"To equals:carol@example.net", kEncoded, true},
    {"To not equals:carol@example.net", kEncoded, false},
    {"To not contains:zed", kEncoded, true},
    {"To starts:carol", kEncoded, true},
    // cc: two occurrences
    {"Cc:erin", kEncoded, true},
    {"Cc equals:frank@example.com", kEncoded, true},
    {"Cc equals:dave@example.com", kEncoded, false},
    // bcc
    {"Bcc:hidden", kEncoded, true},
    {"Bcc:bob", kEncoded, false},
    // body: decoded base64, not its transfer form
    {"Body:meeting is at noon", kEncoded, true},
    {"Body:SGVsbG8", kEncoded, false},
    {"Body starts:hello bob", kEncoded, true},
    {"Body case:hello bob", kEncoded, false},
    {"Body:From:", kEncoded, false},
    {"Body:see you", kPlain, true},
    // missing fields are one empty text
    {"Cc equals:", kPlain, true},
    {"Cc:x", kPlain, false},
    {"Bcc not contains:x", kPlain, true},
    {"Cc matches:*", kPlain, true},
};

TEST(rule_matches, parts_operators_case_and_negation) {
  for (size_t i = 0; i < sizeof(kMatchCases) / sizeof(kMatchCases[0]); ++i) {
    const match_case& c = kMatchCases[i];
    rule_entry rule("", c.rule);
    ASSERT_FALSE(rule.failed()) << "row " << i << ": rule " << c.rule;
    sfl::parsed_message m = sfl::parse_message(c.message);
    EXPECT_EQ(sfl::rule_matches(rule, m), c.expected) << "row " << i << ": rule " << c.rule;
  }
}

struct list_case {
  const char* white;
  const char* black;
  const char* message;
  sfl::list_verdict expected;
  const char* rule_name;  // the deciding rule's label, when one decides
};

using sfl::list_verdict;

const list_case kListCases[] = {
    // nothing listed
    {"", "", kEncoded, list_verdict::none, ""},
    // white beats black
    {"#Friend\r\nFrom:alice@example.com\r\n", "#Offers\r\nSubject:offer\r\n", kEncoded, list_verdict::white,
     "Friend"},
    // black when white does not match
    {"#Friend\r\nFrom:alice@example.com\r\n", "#Offers\r\nSubject:offer\r\n", kPlain, list_verdict::none, ""},
    {"#Friend\r\nFrom:bob@\r\n", "#Offers\r\nSubject:offer\r\n", kEncoded, list_verdict::black, "Offers"},
    // a disabled white rule does nothing
    {"#Friend\r\n##From:alice@example.com\r\n", "#Offers\r\nSubject:offer\r\n", kEncoded, list_verdict::black,
     "Offers"},
    // a disabled black rule does nothing
    {"", "##Subject:offer\r\n", kEncoded, list_verdict::none, ""},
    // a rule that did not parse is skipped, the next one decides
    {"#Broken\r\nfrobnicate:alice\r\n#Second\r\nTo:carol\r\n", "", kEncoded, list_verdict::white, "Second"},
    {"", "subject subject:offer\r\n", kEncoded, list_verdict::none, ""},
    // the first matching rule decides; an unnamed rule is labelled by its text
    {"", "Body:noon\r\n#Later\r\nSubject:lunch\r\n", kPlain, list_verdict::black, "Body :noon"},
    {"", "Body:midnight\r\n#Later\r\nSubject:lunch\r\n", kPlain, list_verdict::black, "Later"},
};

TEST(rule_lists, white_beats_black_and_skips_disabled_and_failed_rules) {
  for (size_t i = 0; i < sizeof(kListCases) / sizeof(kListCases[0]); ++i) {
    const list_case& c = kListCases[i];
    sfl::rule_lists lists;
    lists.set_white(c.white, strlen(c.white));
    lists.set_black(c.black, strlen(c.black));
    std::string name = "unchanged";
    sfl::list_verdict v = lists.classify(sfl::parse_message(c.message), &name);
    EXPECT_EQ(static_cast<int>(v), static_cast<int>(c.expected)) << "row " << i;
    // No verdict leaves the name alone.
    EXPECT_EQ(name, c.expected == list_verdict::none ? std::string("unchanged") : std::string(c.rule_name))
        << "row " << i;
  }
}

TEST(rule_lists, set_replaces_the_previous_rules) {
  sfl::rule_lists lists;
  const char first[] = "Subject:offer\r\nSubject:lunch\r\n";
  lists.set_black(first, sizeof(first) - 1);
  EXPECT_EQ(lists.black_rules(), 2u);
  const char second[] = "Subject:nothing here\r\n";
  lists.set_black(second, sizeof(second) - 1);
  EXPECT_EQ(lists.black_rules(), 1u);
  EXPECT_EQ(lists.classify(sfl::parse_message(kPlain), nullptr), list_verdict::none);
  lists.set_black("", 0);
  EXPECT_EQ(lists.black_rules(), 0u);
}

}  // namespace
