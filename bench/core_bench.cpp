// Runs the classifier core over a corpus index, as the benchmark protocol describes:
//   online: for each message in order, score it, then learn it with its gold label;
//   batch (--train IDX): learn every message of IDX, then score the index without learning.
// Writes "path judge score" lines for roca.py and prints ranking figures on the integer scores and
// on the raw margins, the error rates at the user's thresholds, throughput, model size, load time.
//
// With --orders, runs the online protocol over several orders of the corpus in one process (each
// with a fresh model, files read once) and prints per order and over all orders: the fast path for
// tuning, seconds per order.
//
// usage: core_bench --corpus DIR --index IDX [--train IDX] [--out FILE] [parameter options]
//        core_bench --corpus DIR --orders IDX[,IDX...] [--out-dir DIR] [parameter options]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "sfl_ipc/core/classifier.h"
#include "sfl_ipc/core/model_file.h"

namespace {

constexpr int kSpamThreshold = 85;
constexpr int kUnsureThreshold = 75;

struct message {
  std::string path;
  bool spam;
  std::string raw;
};

struct result {
  bool spam;
  int score;
  double margin;
};

using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point t0) {
  return std::chrono::duration<double>(clock_type::now() - t0).count();
}

bool read_file(const std::string& path, std::string* out) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  std::ostringstream s;
  s << f.rdbuf();
  *out = s.str();
  return true;
}

// `cache`, if given, keeps the files read so far by path: orders of one corpus read each file once.
bool load_index(const std::string& corpus, const std::string& index, std::vector<message>* out,
                std::map<std::string, std::string>* cache = nullptr) {
  std::ifstream f(index);
  if (!f) return false;
  std::string label, path;
  while (f >> label >> path) {
    message m{path, label == "spam", std::string()};
    auto hit = cache ? cache->find(path) : decltype(cache->end())();
    if (cache && hit != cache->end()) {
      m.raw = hit->second;
    } else if (!read_file(corpus + "/" + path, &m.raw)) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return false;
    } else if (cache) {
      cache->emplace(path, m.raw);
    }
    out->push_back(std::move(m));
  }
  return !out->empty();
}

void write_results(const std::string& path, const std::vector<message>& msgs,
                   const std::vector<result>& rows) {
  std::ofstream out(path);
  for (size_t i = 0; i < msgs.size(); ++i)
    out << msgs[i].path << (rows[i].score >= kSpamThreshold ? " spam " : " ham ") << rows[i].score << "\n";
}

// 100 * (1 - AUC), ties counting one half, over the given key.
template <class Key>
double one_minus_roca(std::vector<result> rows, Key key) {
  std::sort(rows.begin(), rows.end(), [&](const result& a, const result& b) { return key(a) < key(b); });
  double wins = 0, n_spam = 0, n_ham = 0, ham_below = 0;
  for (size_t i = 0; i < rows.size();) {
    size_t j = i;
    double s = 0, h = 0;
    for (; j < rows.size() && key(rows[j]) == key(rows[i]); ++j) (rows[j].spam ? s : h) += 1;
    wins += s * (ham_below + 0.5 * h);
    ham_below += h;
    n_spam += s;
    n_ham += h;
    i = j;
  }
  return (n_spam && n_ham) ? 100.0 * (1.0 - wins / (n_spam * n_ham)) : 50.0;
}

// Errors at the user's thresholds: good mail at 85+, spam below 75, and either class in 75..84.
struct threshold_counts {
  int ham = 0, spam = 0, ham_high = 0, spam_low = 0, unsure_spam = 0, unsure_ham = 0;
};

threshold_counts count_thresholds(const std::vector<result>& rows) {
  threshold_counts c;
  for (const result& r : rows) {
    bool unsure = r.score >= kUnsureThreshold && r.score < kSpamThreshold;
    if (r.spam) {
      ++c.spam;
      c.spam_low += r.score < kUnsureThreshold;
      c.unsure_spam += unsure;
    } else {
      ++c.ham;
      c.ham_high += r.score >= kSpamThreshold;
      c.unsure_ham += unsure;
    }
  }
  return c;
}

double integer_roca(const std::vector<result>& rows) {
  return one_minus_roca(rows, [](const result& r) { return double(r.score); });
}

double margin_roca(const std::vector<result>& rows) {
  return one_minus_roca(rows, [](const result& r) { return r.margin; });
}

void print_figures(const char* name, const std::vector<result>& rows) {
  threshold_counts c = count_thresholds(rows);
  std::vector<double> ham_margins, spam_margins;
  for (const result& r : rows) (r.spam ? spam_margins : ham_margins).push_back(r.margin);
  std::sort(ham_margins.rbegin(), ham_margins.rend());
  std::printf(
      "%s: n=%zu  (1-ROCA)%% integer=%.4f margin=%.4f  ham>=85: %d/%d (%.3f%%)  spam<75: %d/%d (%.2f%%)"
      "  75..84: %d spam %d ham\n",
      name, rows.size(), integer_roca(rows), margin_roca(rows), c.ham_high, c.ham,
      100.0 * c.ham_high / std::max(c.ham, 1), c.spam_low, c.spam, 100.0 * c.spam_low / std::max(c.spam, 1),
      c.unsure_spam, c.unsure_ham);
  std::printf("  top ham margins:");
  for (size_t i = 0; i < std::min<size_t>(5, ham_margins.size()); ++i) std::printf(" %.2f", ham_margins[i]);
  std::sort(spam_margins.begin(), spam_margins.end());
  if (!spam_margins.empty())
    std::printf("  spam margin quantiles: 1%% %.2f  5%% %.2f  10%% %.2f",
                spam_margins[spam_margins.size() / 100], spam_margins[spam_margins.size() / 20],
                spam_margins[spam_margins.size() / 10]);
  std::printf("\n");
}

struct options {
  std::string corpus, index, train, out, margins, orders, out_dir;
  sfl::classifier_params params;
};

bool parse_options(int argc, char** argv, options* o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string k = argv[i];
    const char* v = argv[i + 1];
    auto& p = o->params;
    if (k == "--corpus")
      o->corpus = v;
    else if (k == "--index")
      o->index = v;
    else if (k == "--train")
      o->train = v;
    else if (k == "--out")
      o->out = v;
    else if (k == "--margins")
      o->margins = v;
    else if (k == "--orders")
      o->orders = v;
    else if (k == "--out-dir")
      o->out_dir = v;
    else if (k == "--prefix")
      p.tokens.raw_prefix = static_cast<uint32_t>(std::atoi(v));
    else if (k == "--body-prefix")
      p.tokens.body_prefix = static_cast<uint32_t>(std::atoi(v));
    else if (k == "--header-prefix")
      p.tokens.header_prefix = static_cast<uint32_t>(std::atoi(v));
    else if (k == "--header-words")
      p.tokens.header_words = std::atoi(v) != 0;
    else if (k == "--body-words")
      p.tokens.body_words = std::atoi(v) != 0;
    else if (k == "--body-pairs")
      p.tokens.body_pairs = std::atoi(v) != 0;
    else if (k == "--received-pairs")
      p.tokens.received_pairs = std::atoi(v) != 0;
    else if (k == "--max-words")
      p.tokens.max_words = static_cast<uint32_t>(std::atoi(v));
    else if (k == "--bits")
      p.model.table_bits = static_cast<uint32_t>(std::atoi(v));
    else if (k == "--rate")
      p.model.learn_rate = std::strtof(v, nullptr);
    else if (k == "--floor")
      p.model.adaptive_floor = std::strtof(v, nullptr);
    else if (k == "--max-steps")
      p.model.max_steps = static_cast<uint32_t>(std::atoi(v));
    else if (k == "--thick")
      p.model.thick_margin = std::strtof(v, nullptr);
    else if (k == "--max-field-bytes")
      p.tokens.max_field_bytes = static_cast<uint32_t>(std::atoi(v));
    else if (k == "--ham-slope")
      p.calibration.ham_slope = std::strtof(v, nullptr);
    else if (k == "--spam-power")
      p.calibration.spam_power = std::strtof(v, nullptr);
    else if (k == "--spam-slope")
      p.calibration.spam_slope = std::strtof(v, nullptr);
    else if (k == "--prior-weight")
      p.calibration.prior_weight = std::strtof(v, nullptr);
    else if (k == "--max-prior-shift")
      p.calibration.max_prior_shift = std::strtof(v, nullptr);
    else if (k == "--prior-free-ratio")
      p.calibration.prior_free_ratio = std::strtof(v, nullptr);
    else
      return false;
  }
  return !o->corpus.empty() && (!o->index.empty() || !o->orders.empty());
}

size_t total_bytes(const std::vector<message>& msgs) {
  size_t n = 0;
  for (const message& m : msgs) n += m.raw.size();
  return n;
}

void report_persistence(const sfl::classifier& c) {
  auto t0 = clock_type::now();
  std::vector<uint8_t> bytes = sfl::encode_model(c);
  double save_s = seconds_since(t0);
  sfl::classifier loaded;
  t0 = clock_type::now();
  bool ok = sfl::decode_model(bytes.data(), bytes.size(), &loaded) == sfl::model_load::ok;
  double load_s = seconds_since(t0);
  std::printf("model file: %zu bytes (%.2f MB), save %.1f ms, load %.1f ms%s\n", bytes.size(),
              bytes.size() / 1048576.0, 1000 * save_s, 1000 * load_s, ok ? "" : "  LOAD FAILED");
}

// The online protocol over one order with a fresh model; returns the CPU seconds it took.
double run_online(const sfl::classifier_params& params, const std::vector<message>& msgs,
                  std::vector<result>* rows) {
  sfl::classifier c(params);
  rows->clear();
  std::clock_t cpu0 = std::clock();
  for (const message& m : msgs) {
    double margin;
    int score = c.score(m.raw, &margin);
    rows->push_back(result{m.spam, score, margin});
    c.learn(m.raw, m.spam, true);
  }
  return double(std::clock() - cpu0) / CLOCKS_PER_SEC;
}

// A name for an order: the folder that holds its index ("idx-333432/online.idx" gives "idx-333432").
std::string order_name(const std::string& index) {
  std::string dir = index.substr(0, index.find_last_of('/'));
  return dir.substr(dir.find_last_of('/') + 1);
}

int run_orders(const options& o) {
  std::map<std::string, std::string> cache;
  std::vector<double> rocas;
  int worst_ham_high = 0;
  double spam_low_sum = 0, cpu = 0, megabytes = 0;
  std::stringstream list(o.orders);
  std::string index;
  std::printf("%-14s %10s %10s %8s %9s %8s\n", "order", "1-ROCA%", "margin", "ham>=85", "spam<75%", "MB/s");
  while (std::getline(list, index, ',')) {
    std::vector<message> msgs;
    if (!load_index(o.corpus, index, &msgs, &cache)) {
      std::fprintf(stderr, "cannot load %s or the corpus\n", index.c_str());
      return 1;
    }
    std::vector<result> rows;
    double s = run_online(o.params, msgs, &rows);
    threshold_counts c = count_thresholds(rows);
    double mb = total_bytes(msgs) / 1048576.0;
    rocas.push_back(integer_roca(rows));
    worst_ham_high = std::max(worst_ham_high, c.ham_high);
    spam_low_sum += 100.0 * c.spam_low / std::max(c.spam, 1);
    cpu += s;
    megabytes += mb;
    std::string name = order_name(index);
    std::printf("%-14s %10.4f %10.4f %8d %9.2f %8.1f\n", name.c_str(), rocas.back(), margin_roca(rows),
                c.ham_high, 100.0 * c.spam_low / std::max(c.spam, 1), mb / s);
    if (!o.out_dir.empty()) write_results(o.out_dir + "/core-online-" + name + ".txt", msgs, rows);
  }
  double n = static_cast<double>(rocas.size()), mean = 0, var = 0;
  for (double r : rocas) mean += r / n;
  for (double r : rocas) var += (r - mean) * (r - mean) / n;
  std::printf("orders=%zu mean=%.4f worst=%.4f sd=%.4f worst_ham>=85=%d mean_spam<75%%=%.2f MB/s=%.1f\n",
              rocas.size(), mean, *std::max_element(rocas.begin(), rocas.end()), std::sqrt(var),
              worst_ham_high, spam_low_sum / n, megabytes / cpu);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  options o;
  if (!parse_options(argc, argv, &o)) {
    std::fprintf(
        stderr,
        "usage: core_bench --corpus DIR --index IDX [--train IDX] [--out FILE] [--margins FILE] [--prefix "
        "N]\n"
        "       core_bench --corpus DIR --orders IDX[,IDX...] [--out-dir DIR] [options]\n"
        "  [--header-words 0|1] [--body-words 0|1] [--body-pairs 0|1] [--received-pairs 0|1] [--max-words N] "
        "[--max-field-bytes N]\n"
        "  [--body-prefix N] [--header-prefix N]\n"
        "  [--bits N] [--rate F] [--floor F] [--thick F] [--max-steps N]\n"
        "  [--ham-slope F] [--spam-slope F] [--spam-power F] [--prior-weight F] [--prior-free-ratio F] "
        "[--max-prior-shift F]\n");
    return 2;
  }
  if (!o.orders.empty()) return run_orders(o);
  std::vector<message> test, train;
  if (!load_index(o.corpus, o.index, &test) || (!o.train.empty() && !load_index(o.corpus, o.train, &train))) {
    std::fprintf(stderr, "cannot load the index or the corpus\n");
    return 1;
  }
  sfl::classifier c(o.params);
  std::vector<result> rows;
  rows.reserve(test.size());
  auto t0 = clock_type::now();
  for (const message& m : train) c.learn(m.raw, m.spam, true);
  double train_s = seconds_since(t0);
  t0 = clock_type::now();
  std::clock_t cpu0 = std::clock();
  for (const message& m : test) {
    double margin;
    int score = c.score(m.raw, &margin);
    rows.push_back(result{m.spam, score, margin});
    if (train.empty()) c.learn(m.raw, m.spam, true);
  }
  double test_s = seconds_since(t0);
  double test_cpu = double(std::clock() - cpu0) / CLOCKS_PER_SEC;  // wall time suffers from other load
  size_t bytes = total_bytes(test) + total_bytes(train);
  double wall = train_s + test_s;
  if (train.empty())
    std::printf(
        "online check+learn: %zu messages, %.1f MB, %.3f s: %.0f msgs/s, %.1f MB/s (CPU %.3f s: %.1f MB/s)\n",
        test.size(), bytes / 1048576.0, wall, test.size() / wall, bytes / 1048576.0 / wall, test_cpu,
        bytes / 1048576.0 / test_cpu);
  else
    std::printf("batch: %zu messages, %.1f MB, %.3f s (learn %.3f + check %.3f): %.0f msgs/s, %.1f MB/s\n",
                test.size() + train.size(), bytes / 1048576.0, wall, train_s, test_s,
                (test.size() + train.size()) / wall, bytes / 1048576.0 / wall);
  print_figures(train.empty() ? "online" : "batch", rows);
  report_persistence(c);
  if (!o.out.empty()) write_results(o.out, test, rows);
  if (!o.margins.empty()) {
    std::ofstream out(o.margins);
    for (size_t i = 0; i < test.size(); ++i)
      out << test[i].path << (test[i].spam ? " spam " : " ham ") << rows[i].margin << "\n";
  }
  return 0;
}
