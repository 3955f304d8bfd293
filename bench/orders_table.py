#!/usr/bin/env python3
"""The table of bench/run_all.sh --orders: ours (the plug-in under Wine and the native core) and each
peer over the same orders of the corpus, the tuning and the held-out seeds apart, with ratios to
the best peer.

usage: orders_table.py OUT SHARED_BENCH "TUNING SEEDS" "HELD-OUT SEEDS" PEER...
Reads, in OUT: idx-SEED/online.idx, idx-2026/batch-test.idx, plugin-online-SEED.{res,log},
core-online-idx-SEED.txt, core-orders.txt, plugin-batch.{res,log}, core-batch.{res,txt},
PEER-online-SEED.{res,log}, PEER-batch.{res,log}.
"""
import json
import os
import re
import statistics
import subprocess
import sys

SPAM_AT, UNSURE_AT = 85, 75


def roca(shared, res, idx):
    out = subprocess.check_output(["python3", os.path.join(shared, "roca.py"), res, idx, "--json"])
    return json.loads(out)["1-ROCA%"]


def errors(res, idx, ours):
    """Good mail at 85+ and the share of spam below 75; for a peer, at its own cut-off (its verdict)."""
    gold = dict(reversed(line.split()) for line in open(idx))
    ham_high = spam_low = spam = 0
    for line in open(res):
        path, judge, score = line.split()
        if gold[path] == "ham":
            ham_high += (float(score) >= SPAM_AT) if ours else judge == "spam"
        else:
            spam += 1
            spam_low += (float(score) < UNSURE_AT) if ours else judge == "ham"
    return ham_high, 100.0 * spam_low / max(spam, 1)


def log_rate(path):
    """messages/s from a run's log: plughost's "messages: ..., 123.4 messages/s" or run_peer's msgs_per_s=."""
    text = open(path).read()
    m = re.search(r"([\d.]+) messages/s", text) or re.search(r"msgs_per_s=([\d.]+)", text)
    return float(m.group(1))


def main():
    out, shared, tuning, held, peers = sys.argv[1], sys.argv[2], sys.argv[3].split(), sys.argv[4].split(), sys.argv[5:]
    filters = [("ours, plug-in", "plugin-online-%s.res", True), ("ours, core", "core-online-idx-%s.txt", True)]
    filters += [(p, p + "-online-%s.res", False) for p in peers]
    per = {}  # (filter, seed) -> (roca, ham_high, spam_low%)
    for name, pattern, ours in filters:
        for seed in tuning + held:
            res, idx = os.path.join(out, pattern % seed), os.path.join(out, "idx-%s" % seed, "online.idx")
            if os.path.exists(res):
                per[name, seed] = (roca(shared, res, idx),) + errors(res, idx, ours)

    def summary(name, seeds):
        rows = [per[name, s] for s in seeds if (name, s) in per]
        if not rows:
            return None
        r = [x[0] for x in rows]
        return dict(n=len(rows), mean=statistics.mean(r), worst=max(r), sd=statistics.pstdev(r),
                    ham_high=max(x[1] for x in rows), spam_low=statistics.mean(x[2] for x in rows))

    print("### Online, over orders of the corpus (make_index.py --seed N)\n")
    print("| filter | seeds | orders | mean (1-ROCA)% | worst | spread (sd) | mean / best peer's | "
          "most good mail at 85+ (peers: judged spam) in one order | mean spam below 75 (peers: judged good) |")
    print("|---|---|---|---|---|---|---|---|---|")
    for half, seeds in (("tuning", tuning), ("held-out", held), ("all", tuning + held)):
        peer_means = [summary(p, seeds)["mean"] for p in peers if summary(p, seeds)]
        best = min(peer_means) if peer_means else None
        for name, _, _ in filters:
            s = summary(name, seeds)
            if not s:
                continue
            ratio = "%.2f" % (s["mean"] / best) if best else "-"
            print("| %s | %s | %d | %.4f | %.4f | %.4f | %s | %d | %.2f%% |" % (
                name, half, s["n"], s["mean"], s["worst"], s["sd"], ratio, s["ham_high"], s["spam_low"]))

    print("\n### Per order: (1-ROCA)% / good mail at 85+ / spam below 75 (peers at their own cut-offs)\n")
    print("| seed | half | " + " | ".join(n for n, _, _ in filters) + " |")
    print("|---|---|" + "---|" * len(filters))
    for seed in tuning + held:
        cells = []
        for name, _, _ in filters:
            v = per.get((name, seed))
            cells.append("%.4f / %d / %.1f%%" % v if v else "-")
        print("| %s | %s | %s |" % (seed, "tuning" if seed in tuning else "held-out", " | ".join(cells)))

    print("\n### Batch (train on batch-train, check batch-test; seed 2026)\n")
    idx = os.path.join(out, "idx-2026", "batch-test.idx")
    batch = [("ours, plug-in", "plugin-batch.res", True), ("ours, core", "core-batch.res", True)]
    batch += [(p, p + "-batch.res", False) for p in peers]
    vals = {n: roca(shared, os.path.join(out, f), idx) for n, f, _ in batch if os.path.exists(os.path.join(out, f))}
    best = min([vals[p] for p in peers if p in vals] or [0])
    print("| filter | (1-ROCA)% | / best peer's | good mail at 85+ (peers: judged spam) | spam below 75 (peers: judged good) |")
    print("|---|---|---|---|---|")
    for n, f, ours in batch:
        if n in vals:
            hh, sl = errors(os.path.join(out, f), idx, ours)
            print("| %s | %.4f | %s | %d | %.2f%% |" % (n, vals[n], "%.2f" % (vals[n] / best) if best else "-", hh, sl))

    print("\n### Throughput\n")
    core = open(os.path.join(out, "core-orders.txt")).read()
    core_mb = float(re.search(r"MB/s=([\d.]+)", core).group(1))
    plugin = [log_rate(os.path.join(out, "plugin-online-%s.log" % s)) for s in tuning + held
              if os.path.exists(os.path.join(out, "plugin-online-%s.log" % s))]
    print("| what | figure | ratio |")
    print("|---|---|---|")
    print("| core, check+learn online, CPU MB/s (mean over orders) | %.1f | %.2f of the 50 MB/s floor |" % (core_mb, core_mb / 50))
    if plugin:
        rate = statistics.mean(plugin)
        print("| plug-in under Wine, online messages/s (mean over orders, slowest %.0f) | %.0f | %.2f of the 1600 floor |"
              % (min(plugin), rate, rate / 1600))
        for p in peers:
            logs = [os.path.join(out, "%s-online-%s.log" % (p, s)) for s in tuning + held]
            rates = [log_rate(l) for l in logs if os.path.exists(l)]
            if rates:
                print("| %s online messages/s (its own processes, mean over %d orders) | %.1f | plug-in is %.0fx |"
                      % (p, len(rates), statistics.mean(rates), rate / statistics.mean(rates)))


if __name__ == "__main__":
    main()
