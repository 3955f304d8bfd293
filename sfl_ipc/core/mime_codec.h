// Content decoders for mail text: transfer encodings, header encoded-words and HTML to text.
// All are linear in the input, never fail, and keep undecodable bytes as they are (mail in the wild
// is often slightly broken, and the bytes still carry signal). Charsets are not converted.
#pragma once

#include <string>
#include <string_view>

namespace sfl {

// Base64: characters outside the alphabet are skipped, decoding stops at the first '='.
void decode_base64(std::string_view in, std::string* out);

// Quoted-printable. In header mode ("Q" encoding) '_' stands for a space.
void decode_quoted_printable(std::string_view in, bool header_mode, std::string* out);

// Replaces RFC 2047 encoded-words (=?charset?B|Q?text?=) by their decoded bytes; whitespace between
// two adjacent encoded-words is dropped. A malformed word is copied literally.
void decode_encoded_words(std::string_view in, std::string* out);

// HTML to text: tags become a space, script/style contents and comments are dropped, href and src
// values are kept as text (link targets are telling), common and numeric entities are decoded.
void html_to_text(std::string_view in, std::string* out);

}  // namespace sfl
