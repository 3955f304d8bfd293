// Decoding of a raw RFC 822 message: its header block, decoded header fields and decoded body text.
//
// Bounded and linear: only the first `max_examined` bytes of the message are looked at (512 KiB by
// default, so a 50 MB message costs what its head costs), multipart nesting stops at `max_depth`,
// at most `max_parts` leaf parts are decoded and the body text is cut at `max_body_text` bytes.
// Any input parses: with no blank line after the headers, the header block ends at the first line
// that is neither a field nor a continuation, and what follows is the body.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sfl {

struct mime_limits {
  size_t max_examined = 512 * 1024;
  size_t max_depth = 8;
  size_t max_parts = 64;
  size_t max_body_text = 256 * 1024;
  size_t max_fields = 256;
};

struct header_field {
  std::string name;   // lower case
  std::string value;  // folded lines joined, encoded-words decoded, bytes kept as they are
};

// The parts of a message that list rules and the tokenizer look at.
enum class message_part { header_block, subject, from, to, cc, bcc, body };

struct parsed_message {
  std::string header_block;             // the raw top-level header block, as it stands
  std::vector<header_field> fields;     // top-level fields in order
  std::string body_text;                // decoded text of the text parts, HTML stripped
  std::vector<std::string> part_types;  // content types of the leaf parts ("text/plain", ...)
  bool truncated = false;               // a limit cut something off

  // Values of every field called `name` (any case), in order.
  std::vector<std::string> values(std::string_view name) const;
  // The text a rule on `part` matches: several fields of one name are joined by "\n".
  std::string part_text(message_part part) const;
};

parsed_message parse_message(std::string_view raw, const mime_limits& limits = mime_limits());

}  // namespace sfl
