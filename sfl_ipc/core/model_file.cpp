#include "sfl_ipc/core/model_file.h"

#include <cmath>
#include <cstring>

#include "common/byte_io.h"

namespace sfl {

namespace {

constexpr uint8_t kMagic[4] = {'S', 'F', 'L', 'M'};
constexpr size_t kMagicSize = sizeof kMagic;
constexpr size_t kChecksumSize = 4;
constexpr uint8_t kDenseSlots = 0;
constexpr uint8_t kSparseSlots = 1;
constexpr size_t kDenseEntrySize = 6;        // f32 + u16
constexpr size_t kSparseEntrySize = 8;       // typical: 1..3-byte gap + f32 + u16
constexpr uint32_t kMaxRawPrefix = 1 << 20;  // sane bounds for parameters read back
constexpr uint32_t kMaxWordLimit = 1 << 20;

uint16_t to_bf16(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  bits += 0x7fff + ((bits >> 16) & 1);  // round to nearest even; sums are finite and >= 0
  return static_cast<uint16_t>(bits >> 16);
}

float from_bf16(uint16_t h) {
  uint32_t bits = static_cast<uint32_t>(h) << 16;
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// Judged on the stored form, so that a slot dropped by rounding is one the decoder never sees.
bool slot_used(const linear_model& m, size_t i) { return m.weights[i] != 0.0f || to_bf16(m.grad_sq[i]) != 0; }

// The encoder's choice of layout, which the decoder also demands: one encoding per state.
bool prefers_dense(size_t used, size_t slots) { return used * kSparseEntrySize >= slots * kDenseEntrySize; }

void put_slot(const linear_model& m, size_t i, std::vector<uint8_t>* out) {
  put_f32(out, m.weights[i]);
  put_u16(out, to_bf16(m.grad_sq[i]));
}

void put_slots(const linear_model& m, std::vector<uint8_t>* out) {
  size_t used = 0;
  for (size_t i = 0; i < m.weights.size(); ++i) used += slot_used(m, i);
  if (prefers_dense(used, m.weights.size())) {
    put_u8(out, kDenseSlots);
    for (size_t i = 0; i < m.weights.size(); ++i) put_slot(m, i, out);
    return;
  }
  put_u8(out, kSparseSlots);
  put_u32(out, static_cast<uint32_t>(used));
  uint32_t next = 0;
  for (uint32_t i = 0; i < m.weights.size(); ++i) {
    if (!slot_used(m, i)) continue;
    put_varint(out, i - next);
    put_slot(m, i, out);
    next = i + 1;
  }
}

bool read_flag(byte_view* in, bool* v) {
  uint8_t b;
  if (!read_u8(in, &b) || b > 1) return false;
  *v = b != 0;
  return true;
}

bool read_finite(byte_view* in, float* v) { return read_f32(in, v) && std::isfinite(*v); }

bool read_calibration(byte_view* in, calibration_params* c) {
  return read_finite(in, &c->ham_slope) && c->ham_slope > 0 && read_finite(in, &c->spam_slope) &&
         c->spam_slope > 0 && read_finite(in, &c->spam_power) && c->spam_power > 0 &&
         read_finite(in, &c->prior_weight) && c->prior_weight >= 0 && read_finite(in, &c->prior_free_ratio) &&
         c->prior_free_ratio > 0 && read_finite(in, &c->max_prior_shift) && c->max_prior_shift >= 0;
}

bool read_params(byte_view* in, uint16_t format, classifier_params* p) {
  uint8_t bits;
  tokenizer_params& t = p->tokens;
  if (!read_u32(in, &t.raw_prefix) || t.raw_prefix > kMaxRawPrefix) return false;
  if (!read_flag(in, &t.header_words) || !read_flag(in, &t.body_words) || !read_flag(in, &t.body_pairs))
    return false;
  if (!read_u32(in, &t.max_words) || t.max_words > kMaxWordLimit) return false;
  if (!read_u32(in, &t.max_field_bytes) || t.max_field_bytes > kMaxRawPrefix) return false;
  if (!read_u32(in, &t.body_prefix) || t.body_prefix > kMaxRawPrefix) return false;
  if (!read_u32(in, &t.header_prefix) || t.header_prefix > kMaxRawPrefix) return false;
  t.received_pairs = false;
  if (format >= 5 && !read_flag(in, &t.received_pairs)) return false;
  if (!read_u8(in, &bits) || bits < kMinTableBits || bits > kMaxTableBits) return false;
  p->model.table_bits = bits;
  if (!read_finite(in, &p->model.learn_rate) || p->model.learn_rate <= 0) return false;
  if (!read_finite(in, &p->model.adaptive_floor) || p->model.adaptive_floor <= 0) return false;
  if (!read_f32(in, &p->model.thick_margin) || !(p->model.thick_margin > 0)) return false;  // may be huge
  uint8_t steps;
  if (!read_u8(in, &steps) || steps == 0 || steps > kMaxLearnSteps) return false;
  p->model.max_steps = steps;
  return read_calibration(in, &p->calibration);
}

bool read_counters(byte_view* in, learn_counters* c) {
  for (uint64_t* field :
       {&c->messages[0], &c->messages[1], &c->tokens[0], &c->tokens[1], &c->marks[0], &c->marks[1]})
    if (!read_u64(in, field)) return false;
  return true;
}

bool read_slot(byte_view* in, linear_model* m, size_t i) {
  uint16_t g;
  if (!read_finite(in, &m->weights[i]) || !read_u16(in, &g)) return false;
  m->grad_sq[i] = from_bf16(g);
  return std::isfinite(m->grad_sq[i]) && m->grad_sq[i] >= 0.0f;
}

bool read_sparse(byte_view* in, linear_model* m) {
  uint32_t count;
  if (!read_u32(in, &count) || prefers_dense(count, m->weights.size())) return false;
  uint64_t next = 0;
  for (uint32_t k = 0; k < count; ++k) {
    uint32_t gap;
    if (!read_varint(in, &gap) || next + gap >= m->weights.size()) return false;
    size_t slot = static_cast<size_t>(next + gap);
    if (!read_slot(in, m, slot) || !slot_used(*m, slot)) return false;  // one encoding per state
    next = slot + 1;
  }
  return true;
}

bool read_slots(byte_view* in, linear_model* m) {
  uint8_t encoding;
  if (!read_u8(in, &encoding)) return false;
  if (encoding == kSparseSlots) return read_sparse(in, m);
  if (encoding != kDenseSlots || in->size / kDenseEntrySize < m->weights.size()) return false;
  size_t used = 0;
  for (size_t i = 0; i < m->weights.size(); ++i) {
    if (!read_slot(in, m, i)) return false;
    used += slot_used(*m, i);
  }
  return prefers_dense(used, m->weights.size());
}

}  // namespace

std::vector<uint8_t> encode_model(const classifier& c) {
  const classifier_params& p = c.params();
  const linear_model& m = c.model();
  const learn_counters& k = c.counters();
  std::vector<uint8_t> out(kMagic, kMagic + kMagicSize);
  put_u16(&out, kModelFormatVersion);
  put_u16(&out, static_cast<uint16_t>(kTokenizerVersion));
  put_u32(&out, p.tokens.raw_prefix);
  put_u8(&out, p.tokens.header_words);
  put_u8(&out, p.tokens.body_words);
  put_u8(&out, p.tokens.body_pairs);
  put_u32(&out, p.tokens.max_words);
  put_u32(&out, p.tokens.max_field_bytes);
  put_u32(&out, p.tokens.body_prefix);
  put_u32(&out, p.tokens.header_prefix);
  put_u8(&out, p.tokens.received_pairs);
  put_u8(&out, static_cast<uint8_t>(m.params.table_bits));
  put_f32(&out, m.params.learn_rate);
  put_f32(&out, m.params.adaptive_floor);
  put_f32(&out, m.params.thick_margin);
  put_u8(&out, static_cast<uint8_t>(m.params.max_steps));
  put_f32(&out, p.calibration.ham_slope);
  put_f32(&out, p.calibration.spam_slope);
  put_f32(&out, p.calibration.spam_power);
  put_f32(&out, p.calibration.prior_weight);
  put_f32(&out, p.calibration.prior_free_ratio);
  put_f32(&out, p.calibration.max_prior_shift);
  for (uint64_t v : {k.messages[0], k.messages[1], k.tokens[0], k.tokens[1], k.marks[0], k.marks[1]})
    put_u64(&out, v);
  put_f32(&out, m.bias);
  put_slots(m, &out);
  put_u32(&out, crc32(out.data(), out.size()));
  return out;
}

model_load decode_model(const uint8_t* data, size_t size, classifier* out) {
  if (!data || size < kMagicSize + 4 + kChecksumSize) return model_load::corrupt;
  byte_view in{data, size - kChecksumSize};
  byte_view tail{data + size - kChecksumSize, kChecksumSize};
  uint32_t stored;
  if (!read_u32(&tail, &stored) || stored != crc32(data, size - kChecksumSize)) return model_load::corrupt;
  for (uint8_t m : kMagic) {
    uint8_t b;
    if (!read_u8(&in, &b) || b != m) return model_load::corrupt;
  }
  uint16_t format, tokens;
  if (!read_u16(&in, &format) || !read_u16(&in, &tokens)) return model_load::corrupt;
  if (format < kOldestModelFormat || format > kModelFormatVersion || tokens != kTokenizerVersion)
    return model_load::other_version;
  classifier_params params;
  learn_counters counters;
  float bias;
  if (!read_params(&in, format, &params) || !read_counters(&in, &counters) || !read_finite(&in, &bias))
    return model_load::corrupt;
  linear_model model = make_model(params.model);
  model.bias = bias;
  if (!read_slots(&in, &model) || in.size != 0) return model_load::corrupt;
  out->restore(params, std::move(model), counters);
  return model_load::ok;
}

}  // namespace sfl
