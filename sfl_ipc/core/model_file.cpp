#include "sfl_ipc/core/model_file.h"

#include <cmath>

#include "sfl_ipc/core/byte_io.h"

namespace sfl {

namespace {

constexpr uint8_t magic[4] = {'S', 'F', 'L', 'M'};
constexpr size_t magic_size = sizeof magic;
constexpr size_t checksum_size = 4;
constexpr uint8_t dense_weights = 0;
constexpr uint8_t sparse_weights = 1;
constexpr uint32_t max_raw_prefix = 1 << 20;  // sane bounds for parameters read back
constexpr uint32_t max_word_limit = 1 << 20;

size_t count_nonzero(const std::vector<float>& w) {
    size_t n = 0;
    for (float x : w) n += x != 0.0f;
    return n;
}

void put_weights(const std::vector<float>& w, std::vector<uint8_t>* out) {
    size_t nonzero = count_nonzero(w);
    if (nonzero * 6 >= w.size() * 4) {  // a gap of 1..2 bytes + 4: dense is smaller past 2/3 full
        put_u8(out, dense_weights);
        for (float x : w) put_f32(out, x);
        return;
    }
    put_u8(out, sparse_weights);
    put_u32(out, static_cast<uint32_t>(nonzero));
    uint32_t next = 0;
    for (uint32_t i = 0; i < w.size(); ++i) {
        if (w[i] == 0.0f) continue;
        put_varint(out, i - next);
        put_f32(out, w[i]);
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

bool read_params(byte_view* in, classifier_params* p) {
    uint8_t bits;
    tokenizer_params& t = p->tokens;
    if (!read_u32(in, &t.raw_prefix) || t.raw_prefix > max_raw_prefix) return false;
    if (!read_flag(in, &t.header_words) || !read_flag(in, &t.body_words) || !read_flag(in, &t.body_pairs)) return false;
    if (!read_u32(in, &t.max_words) || t.max_words > max_word_limit) return false;
    if (!read_u32(in, &t.max_field_bytes) || t.max_field_bytes > max_raw_prefix) return false;
    if (!read_u8(in, &bits) || bits < min_table_bits || bits > max_table_bits) return false;
    p->model.table_bits = bits;
    if (!read_finite(in, &p->model.learn_rate) || p->model.learn_rate <= 0) return false;
    if (!read_f32(in, &p->model.thick_margin) || !(p->model.thick_margin > 0)) return false;  // may be huge
    return read_finite(in, &p->calibration.ham_slope) && p->calibration.ham_slope > 0 &&
           read_finite(in, &p->calibration.spam_slope) && p->calibration.spam_slope > 0;
}

bool read_counters(byte_view* in, learn_counters* c) {
    for (uint64_t* field : {&c->messages[0], &c->messages[1], &c->tokens[0], &c->tokens[1], &c->marks[0], &c->marks[1]})
        if (!read_u64(in, field)) return false;
    return true;
}

bool read_sparse(byte_view* in, std::vector<float>* w) {
    uint32_t count;
    if (!read_u32(in, &count) || count > w->size()) return false;
    uint64_t next = 0;
    for (uint32_t k = 0; k < count; ++k) {
        uint32_t gap;
        float v;
        if (!read_varint(in, &gap) || !read_finite(in, &v) || v == 0.0f) return false;
        uint64_t slot = next + gap;
        if (slot >= w->size()) return false;
        (*w)[slot] = v;
        next = slot + 1;
    }
    return true;
}

bool read_weights(byte_view* in, std::vector<float>* w) {
    uint8_t encoding;
    if (!read_u8(in, &encoding)) return false;
    if (encoding == sparse_weights) return read_sparse(in, w);
    if (encoding != dense_weights || in->size / 4 < w->size()) return false;
    for (float& x : *w)
        if (!read_finite(in, &x)) return false;
    return true;
}

}  // namespace

std::vector<uint8_t> encode_model(const classifier& c) {
    const classifier_params& p = c.params();
    const linear_model& m = c.model();
    const learn_counters& k = c.counters();
    std::vector<uint8_t> out(magic, magic + magic_size);
    put_u16(&out, model_format_version);
    put_u16(&out, static_cast<uint16_t>(tokenizer_version));
    put_u32(&out, p.tokens.raw_prefix);
    put_u8(&out, p.tokens.header_words);
    put_u8(&out, p.tokens.body_words);
    put_u8(&out, p.tokens.body_pairs);
    put_u32(&out, p.tokens.max_words);
    put_u32(&out, p.tokens.max_field_bytes);
    put_u8(&out, static_cast<uint8_t>(m.params.table_bits));
    put_f32(&out, m.params.learn_rate);
    put_f32(&out, m.params.thick_margin);
    put_f32(&out, p.calibration.ham_slope);
    put_f32(&out, p.calibration.spam_slope);
    for (uint64_t v : {k.messages[0], k.messages[1], k.tokens[0], k.tokens[1], k.marks[0], k.marks[1]}) put_u64(&out, v);
    put_f32(&out, m.bias);
    put_weights(m.weights, &out);
    put_u32(&out, crc32(out.data(), out.size()));
    return out;
}

model_load decode_model(const uint8_t* data, size_t size, classifier* out) {
    if (!data || size < magic_size + 4 + checksum_size) return model_load::corrupt;
    byte_view in{data, size - checksum_size};
    byte_view tail{data + size - checksum_size, checksum_size};
    uint32_t stored;
    if (!read_u32(&tail, &stored) || stored != crc32(data, size - checksum_size)) return model_load::corrupt;
    for (uint8_t m : magic) {
        uint8_t b;
        if (!read_u8(&in, &b) || b != m) return model_load::corrupt;
    }
    uint16_t format, tokens;
    if (!read_u16(&in, &format) || !read_u16(&in, &tokens)) return model_load::corrupt;
    if (format != model_format_version || tokens != tokenizer_version) return model_load::other_version;
    classifier_params params;
    learn_counters counters;
    float bias;
    if (!read_params(&in, &params) || !read_counters(&in, &counters) || !read_finite(&in, &bias))
        return model_load::corrupt;
    linear_model model = make_model(params.model);
    model.bias = bias;
    if (!read_weights(&in, &model.weights) || in.size != 0) return model_load::corrupt;
    out->restore(params, std::move(model), counters);
    return model_load::ok;
}

}  // namespace sfl
