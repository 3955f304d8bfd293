// Black and white list files: 8-bit text, one item per line.
//   "#<name>"   names the next rule; "##<rule text>" is a disabled rule; any other non-blank line
//   is an enabled rule; a line of blanks clears a pending name.
// On reading, a line ends at the first CR or LF and the whole run of CR and LF after it is one
// separator (so empty lines are not lines); leading spaces and tabs of a line are ignored; the
// last line needs no separator. On writing, every line ends in CR LF and entries after the first
// are preceded by one empty line.
// A name that begins with "#" (or with a backslash followed by "#" or a backslash) is written with
// one backslash in front, which the reader removes; every other name is written as it is.
#pragma once
#include <cstddef>
#include <functional>
#include <string>

#include "common/text.h"

class rule_entry;

// Called for each rule line in file order with the rule's name and its rule text.
using list_rule_sink = std::function<void(const text& name, const char* rule, size_t size, bool disabled)>;

// Walks size bytes of a list file; reads nothing outside them.
void read_list_lines(const char* data, size_t size, const list_rule_sink& sink);

// Appends one entry in the written form (the empty line before it unless it is the first).
void append_list_entry(const rule_entry& entry, bool first, std::string& out);
