// Turns a raw message into hashed features:
//  - byte 4-grams of the decoded header fields (Received and mailing-list fields left out) and of the decoded
//  body text,
//    each from a bounded prefix (robust to obfuscation, encodings and languages);
//  - words (ASCII case folded) of the decoded header fields, tagged by field name, and of the
//    decoded body;
//  - adjacent word pairs of the body, and pairs of words of each Received field that are adjacent
//    or one word apart: phrases tell what single words do not, and the relay path is told by its
//    steps ("from <host>", "by <host>");
//  - optionally: 4-grams of the raw text as it stands (measured no better on our corpus).
// Each feature is a 32-bit hash of its kind, tag and bytes. Any change here that alters the hashes
// must bump `kTokenizerVersion`: a stored model is only valid for the tokenizer that trained it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sfl_ipc/core/mime.h"

namespace sfl {

constexpr uint32_t kTokenizerVersion = 5;

struct tokenizer_params {
  uint32_t raw_prefix = 0;        // bytes of raw text that give 4-grams
  uint32_t header_prefix = 2000;  // bytes of decoded header text that give 4-grams
  // Body 4-grams from the opening of the text only, and at most 1000 body words: what a message
  // opens with tells most, and its long tail mostly adds noise (measured over six orders of the
  // public corpus, mean (1-ROCA)% online: 3000 bytes / 3000 words 0.087, 250 / 1000 0.064).
  uint32_t body_prefix = 250;  // bytes of decoded body text that give 4-grams
  bool header_words = true;
  bool body_words = true;
  // Word pairs (measured over six orders of the public corpus, mean (1-ROCA)% online: none 0.056,
  // body pairs 0.052, and Received pairs too 0.044; pairs of the other header fields made it worse,
  // 0.054, and the batch protocol too). Off in models saved before they existed.
  bool body_pairs = true;           // adjacent body word pairs, of the body words looked at
  bool received_pairs = true;       // pairs of words of each Received field, adjacent or one word apart
  uint32_t max_words = 1000;        // body words looked at
  uint32_t max_field_bytes = 1024;  // bytes of one header field looked at
  mime_limits limits;
};

// Kinds of text features; the values are hashed, so they never change.
enum class feature_kind : uint8_t {
  header_word = 2,
  body_word = 3,
  body_pair = 4,
  header_pair = 5,
  header_gap_pair = 6
};

struct named_feature {
  uint32_t hash;
  std::string name;  // printable: non-printing bytes escaped as \xNN
  // What a reader recognises it by, escaped likewise: the header field it came from as
  // "name: value" (value cut short), the body word (case folded) a word or 4-gram belongs to,
  // "first second" for a body word pair; a header pair is named by its field, as its words are.
  std::string source;
};

// Feature hashes of a message, in order of appearance, repeats included.
void extract_features(std::string_view raw, const tokenizer_params& params, std::vector<uint32_t>* hashes);

// The same features with printable names, for explanations and for pinning the tokenizer in tests.
void extract_named_features(std::string_view raw, const tokenizer_params& params,
                            std::vector<named_feature>* out);

}  // namespace sfl
