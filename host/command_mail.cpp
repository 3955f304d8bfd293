// check, train and run: the host's main job. Each message is read once into a reused buffer,
// published in the message table and handed to the plug-in by MSID; the plug-in fetches it back
// through the data callback.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

#include "common/verdict.h"
#include "host/commands.h"
#include "host/mail_source.h"
#include "host/message_table.h"
#include "host/progress.h"
#include "host/session.h"

namespace {

// The plug-in's default thresholds; -1 means no score. The results file judges spam from here.
constexpr int kSpamThreshold = kDefaultSpamThreshold;
// This driver is single-threaded and uses the first slot of the message table.
constexpr int kSlot = 0;

const char* const kVerdictNames[kVerdictCount] = {"spam", "probable-spam", "good"};

// Exit codes of check, as scripts know them from other mail filters: with one message its verdict,
// with several 0 once every one was checked; 3 on any error.
constexpr int kExitChecked = 0;
constexpr int kExitError = 3;
int verdict_exit_code(verdict v) { return v == kVerdictSpam ? 0 : v == kVerdictGood ? 1 : 2; }

verdict classify(int score) { return classify_score(score, kDefaultSpamThreshold, kDefaultUnsureThreshold); }

class stopwatch {
 public:
  stopwatch() { QueryPerformanceCounter(&start_); }
  double seconds() const {
    LARGE_INTEGER now, rate;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&rate);
    return static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(rate.QuadPart);
  }

 private:
  LARGE_INTEGER start_;
};

// Reads a message and makes it the current one of the table.
class message_feed {
 public:
  // The MSID, or 0 (with a note on stderr) when the message cannot be read.
  int open(const message_ref& m) {
    std::string error;
    if (!reader_.read(m, &error)) {
      std::fprintf(stderr, "plughost: %s\n", error.c_str());
      return 0;
    }
    utc_time time;
    // Without a usable Date the file's time stands in, as a client would use the arrival time.
    if (!message_date(reader_.data(), reader_.size(), &time) && !utc_from_unix(reader_.file_time(), &time))
      utc_from_unix(0, &time);
    bytes_ += reader_.size();
    return publish_message(kSlot, reader_.data(), reader_.size(), time);
  }
  void close() { retire_message(kSlot); }
  uint64_t bytes() const { return bytes_; }

 private:
  message_reader reader_;
  uint64_t bytes_ = 0;
};

void print_throughput(size_t messages, uint64_t bytes, double seconds) {
  double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
  double rate = seconds > 0 ? static_cast<double>(messages) / seconds : 0.0;
  std::printf("messages: %zu, %.2f MB, %.3f s, %.1f messages/s, %.2f MB/s\n", messages, mb, seconds, rate,
              seconds > 0 ? mb / seconds : 0.0);
}

bool gather(const std::vector<std::string>& paths, std::vector<message_ref>* messages) {
  std::string error;
  if (collect_messages(paths, messages, &error)) return true;
  std::fprintf(stderr, "plughost: %s\n", error.c_str());
  return false;
}

}  // namespace

int command_check(const std::vector<std::string>& args, const host_options& options) {
  if (args.empty()) {
    std::fprintf(stderr, "plughost: check needs at least one file or folder, or - for standard input\n");
    return kExitError;
  }
  std::vector<message_ref> messages;
  if (!gather(args, &messages)) return kExitError;
  // A message on standard input is read as bytes: no line-end translation, no end at a ^Z.
  for (const std::string& a : args)
    if (a == kStandardInput) _setmode(_fileno(stdin), _O_BINARY);
  plugin_session session;
  if (!session.start(options)) return kExitError;
  message_feed feed;
  size_t counts[kVerdictCount] = {}, failed = 0;
  verdict last = kVerdictGood;
  stopwatch clock;
  for (const message_ref& m : messages) {
    int msid = feed.open(m);
    if (!msid) {
      ++failed;
      continue;
    }
    int score = session.plugin().GetSpamScore(msid, serve_message_request);
    feed.close();
    verdict v = last = classify(score);
    ++counts[v];
    std::printf("%d %s %s\n", score, kVerdictNames[v], m.name.c_str());
  }
  double seconds = clock.seconds();
  session.stop();
  std::printf("verdicts: spam %zu, probable-spam %zu, good %zu\n", counts[kVerdictSpam],
              counts[kVerdictProbableSpam], counts[kVerdictGood]);
  if (failed) std::printf("unreadable: %zu\n", failed);
  print_throughput(messages.size() - failed, feed.bytes(), seconds);
  if (failed) return kExitError;
  return messages.size() == 1 ? verdict_exit_code(last) : kExitChecked;
}

int command_train(const std::vector<std::string>& args, const host_options& options) {
  int spam = -1;
  std::vector<std::string> paths;
  for (const std::string& a : args) {
    if (a == "--spam" || a == "--ham")
      spam = a == "--spam" ? 1 : 0;
    else
      paths.push_back(a);
  }
  if (spam < 0 || paths.empty()) {
    std::fprintf(stderr, "plughost: train needs --spam or --ham and at least one file or folder\n");
    return 2;
  }
  std::vector<message_ref> messages;
  if (!gather(paths, &messages)) return 1;
  plugin_session session;
  if (!session.start(options)) return 1;
  message_feed feed;
  size_t failed = 0, done = 0;
  progress_line progress(messages.size());
  stopwatch clock;
  for (const message_ref& m : messages) {
    progress.update(done++);
    int msid = feed.open(m);
    if (!msid) {
      ++failed;
      continue;
    }
    session.plugin().FeedSpam(msid, spam, serve_message_request);
    feed.close();
  }
  double seconds = clock.seconds();
  progress.finish();
  session.stop();
  std::printf("trained as %s: %zu\n", spam ? "spam" : "ham", messages.size() - failed);
  if (failed) std::printf("unreadable: %zu\n", failed);
  print_throughput(messages.size() - failed, feed.bytes(), seconds);
  return failed ? 1 : 0;
}

namespace {

struct run_options {
  std::string spam_dir, ham_dir, index, root, results;
  bool verbose = false;
  bool check = true;  // --train-only clears it: the batch protocol's training pass
  bool train = true;  // --check-only clears it: the batch protocol's test pass
};

// 2 for a usage error, 0 when the options make sense.
int parse_run(const std::vector<std::string>& args, run_options* o) {
  const struct {
    const char* name;
    std::string* value;
  } named[] = {{"--spam-dir", &o->spam_dir},
               {"--ham-dir", &o->ham_dir},
               {"--index", &o->index},
               {"--root", &o->root},
               {"--results", &o->results}};
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--verbose" || args[i] == "--check-only" || args[i] == "--train-only") {
      o->verbose |= args[i] == "--verbose";
      o->check &= args[i] != "--train-only";
      o->train &= args[i] != "--check-only";
      continue;
    }
    std::string* target = nullptr;
    for (const auto& n : named)
      if (args[i] == n.name) target = n.value;
    if (!target || i + 1 >= args.size()) {
      std::fprintf(stderr, "plughost: run: '%s' is unknown or lacks its value\n", args[i].c_str());
      return 2;
    }
    *target = args[++i];
  }
  bool dirs = !o->spam_dir.empty() && !o->ham_dir.empty();
  bool index = !o->index.empty();
  if (dirs == index) {
    std::fprintf(stderr, "plughost: run needs either --spam-dir and --ham-dir, or --index (with --root)\n");
    return 2;
  }
  if (index && o->root.empty()) o->root = ".";
  if (!o->check && !o->train) {
    std::fprintf(stderr, "plughost: run: --check-only and --train-only exclude each other\n");
    return 2;
  }
  return 0;
}

// Spreads the two classes evenly over the run, as mail arrives mixed, rather than one class first.
std::vector<message_ref> interleave(const std::vector<message_ref>& spam,
                                    const std::vector<message_ref>& ham) {
  std::vector<message_ref> out;
  size_t s = 0, h = 0;
  while (s < spam.size() || h < ham.size()) {
    bool take_spam = h == ham.size() || (s < spam.size() && s * ham.size() <= h * spam.size());
    out.push_back(take_spam ? spam[s++] : ham[h++]);
  }
  return out;
}

bool gather_run(const run_options& o, std::vector<message_ref>* messages) {
  std::string error;
  if (!o.index.empty()) {
    if (read_index(o.index, o.root, messages, &error)) return true;
  } else {
    std::vector<message_ref> spam, ham;
    if (collect_folder(o.spam_dir, message_label::spam, &spam, &error) &&
        collect_folder(o.ham_dir, message_label::ham, &ham, &error)) {
      *messages = interleave(spam, ham);
      return true;
    }
  }
  std::fprintf(stderr, "plughost: %s\n", error.c_str());
  return false;
}

// Verdicts by gold label: index 0 spam, 1 ham; within each, the verdict's counter.
struct run_counts {
  size_t by_label[2][kVerdictCount] = {};
  size_t failed = 0;
  size_t total(int label) const {
    return by_label[label][kVerdictSpam] + by_label[label][kVerdictProbableSpam] +
           by_label[label][kVerdictGood];
  }
};

// Probable spam is its own band: neither caught nor missed.
void print_run_summary(const run_counts& c) {
  const size_t* s = c.by_label[0];
  const size_t* h = c.by_label[1];
  std::printf("spam: %zu: spam %zu, probable-spam %zu, good %zu (missed)\n", c.total(0), s[kVerdictSpam],
              s[kVerdictProbableSpam], s[kVerdictGood]);
  std::printf("ham: %zu: spam %zu (false positives), probable-spam %zu, good %zu\n", c.total(1),
              h[kVerdictSpam], h[kVerdictProbableSpam], h[kVerdictGood]);
}

}  // namespace

int command_run(const std::vector<std::string>& args, const host_options& options) {
  run_options o;
  if (int usage = parse_run(args, &o)) return usage;
  std::vector<message_ref> messages;
  if (!gather_run(o, &messages)) return 1;
  FILE* results = nullptr;
  if (!o.results.empty() && !(results = std::fopen(o.results.c_str(), "wb"))) {
    std::fprintf(stderr, "plughost: cannot write %s\n", o.results.c_str());
    return 1;
  }
  plugin_session session;
  if (!session.start(options)) {
    if (results) std::fclose(results);
    return 1;
  }
  message_feed feed;
  run_counts c;
  progress_line progress(o.verbose ? 0 : messages.size());
  size_t done = 0;
  stopwatch clock;
  // Where the time goes: reading messages in the host, the check export, the training export.
  double reading = 0, checking = 0, training = 0;
  for (const message_ref& m : messages) {
    if (!o.verbose) progress.update(done++);
    double t0 = clock.seconds();
    int msid = feed.open(m);
    if (!msid) {
      ++c.failed;
      continue;
    }
    bool gold_spam = m.label == message_label::spam;
    double t1 = clock.seconds();
    int score = o.check ? session.plugin().GetSpamScore(msid, serve_message_request) : -1;
    double t2 = clock.seconds();
    if (o.train) session.plugin().FeedSpam(msid, gold_spam ? 1 : 0, serve_message_request);
    double t3 = clock.seconds();
    feed.close();
    reading += t1 - t0;
    checking += t2 - t1;
    training += t3 - t2;
    bool judged_spam = score >= kSpamThreshold;
    ++c.by_label[gold_spam ? 0 : 1][classify(score)];
    if (results && o.check)
      std::fprintf(results, "%s %s %d\n", m.name.c_str(), judged_spam ? "spam" : "ham", score);
    if (o.verbose)
      std::printf("%d %s %s %s\n", score, judged_spam ? "spam" : "ham", gold_spam ? "spam" : "ham",
                  m.name.c_str());
  }
  double seconds = clock.seconds();
  progress.finish();
  session.stop();
  bool written = !results || (std::fflush(results) == 0 && !std::ferror(results));
  if (results) written = std::fclose(results) == 0 && written;
  if (o.check)  // a training pass judges nothing
    print_run_summary(c);
  else
    std::printf("trained: %zu spam, %zu ham\n", c.total(0), c.total(1));
  if (c.failed) std::printf("unreadable: %zu\n", c.failed);
  print_throughput(messages.size() - c.failed, feed.bytes(), seconds);
  std::printf("time: host reading %.3f s, TBP_GetSpamScore %.3f s, TBP_FeedSpam %.3f s, rest %.3f s\n",
              reading, checking, training, seconds - reading - checking - training);
  if (!written) std::fprintf(stderr, "plughost: cannot write %s\n", o.results.c_str());
  return c.failed || !written ? 1 : 0;
}

int command_report(const std::vector<std::string>& args, const host_options& options) {
  if (!args.empty()) {
    std::fprintf(stderr, "plughost: report takes no arguments\n");
    return 2;
  }
  plugin_session session;
  if (!session.start(options)) return 1;
  std::string text = plugin_text(session.plugin().GetInfo);
  session.stop();
  std::printf("%s\n", text.c_str());
  return 0;
}
