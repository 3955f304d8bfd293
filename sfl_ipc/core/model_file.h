// The saved model: the classifier's whole state as bytes, and back.
//
// Format (all integers little-endian):
//   0   4  magic "SFLM"
//   4   2  format version (kModelFormatVersion)
//   6   2  tokenizer version (a model is only valid for the tokenizer that trained it)
//   8      tokenizer parameters: u32 raw_prefix, u8 header_words, u8 body_words, u8 body_pairs,
//          u32 max_words, u32 max_field_bytes
//          u32 body_prefix, u32 header_prefix, u8 received_pairs (format 5 on; format 4 has none,
//          and a model of format 4 is read with received_pairs off, as it was trained)
//          model parameters: u8 table_bits, f32 learn_rate, f32 adaptive_floor, f32 thick_margin,
//          u8 max_steps
//          calibration: f32 ham_slope, f32 spam_slope, f32 spam_power, f32 prior_weight,
//          f32 prior_free_ratio, f32 max_prior_shift
//          counters: u64 messages[2], tokens[2], marks[2] (good first, then spam)
//          f32 bias
//          u8 slot encoding: 0 dense: per slot f32 weight, u16 squared-gradient sum;
//                            1 sparse: u32 count, then per used slot the varint gap from the
//                            previous used slot + 1, f32 weight, u16 squared-gradient sum
//          The squared-gradient sum is kept as the top 16 bits of its f32 (bfloat16): it only
//          scales future steps, so 3 significant digits do; the file is a fifth to a quarter smaller.
//  end-4   4  CRC-32 of every byte before it
// Decoding reads the bytes as hostile: every field is bounds-checked, every value range-checked,
// nothing may follow the checksum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sfl_ipc/core/classifier.h"

namespace sfl {

constexpr uint16_t kModelFormatVersion = 5;
// The oldest format still read: format 4 is format 5 without received_pairs.
constexpr uint16_t kOldestModelFormat = 4;

enum class model_load { ok, corrupt, other_version };

std::vector<uint8_t> encode_model(const classifier& c);

// On ok, *out holds the decoded state; otherwise *out is untouched.
model_load decode_model(const uint8_t* data, size_t size, classifier* out);

}  // namespace sfl
