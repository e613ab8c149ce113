#!/usr/bin/env python3
"""Runs the benchmark: makes the data (half and full size), times every
library operation at both sizes in a child process of its own, runs the peers
on the same files, and prints one table with a PASS/FAIL column per goal.

Start it through bench/run.sh, which builds the library and the driver.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PEERS = os.path.join(HERE, "peers")

# The library's operations: name, label, input file, speed goal.
# A speed goal is ("MB/s", minimum) or ("load share", maximum of the
# "ini-load" median) or None.
OPERATIONS = [
    ("ini", "loadINIFile+writeINIFile", "settings.ini", ("MB/s", 400)),
    ("ini-load", "loadINIFile alone", "settings.ini", None),
    ("ini-sections", "getSectionList", "settings.ini", ("load share", 0.05)),
    ("ini-keys", "getKeyList, last section", "settings.ini", ("load share", 0.05)),
    ("ini-edit", "changeKeyName, last section", "settings.ini", ("load share", 0.05)),
    ("ini-move", "moveSection last<->1", "settings.ini", ("load share", 0.05)),
    ("ini-sjis", "INI load+write, cp932", "settings-sjis.ini", None),
    ("csv", "transCSVToINI", "table.csv", ("MB/s", 300)),
    ("csv-sjis", "transCSVToINI, cp932", "table-sjis.csv", None),
    ("words", "word list fill/sort/unique/makeINIDB", "words.txt", None),
    ("dictionary", "loadMultiLineDic+1000 searches+1000 counts", "dictionary.txt", None),
    ("replace", "replace, every occurrence", "text.txt", None),
    ("replace-sjis", "replace, cp932", "text-sjis.txt", None),
    ("unescape", "parseBackSlashString", "text.txt", None),
    ("unescape-sjis", "parseBackSlashString, cp932", "text-sjis.txt", None),
]

GROWTH_LIMIT = 2.2
MEMORY_FACTOR = 3.0


def peers(data, out):
    """The peers: name -> (operation, command, goal ratio or None)."""
    py = sys.executable
    p = lambda *a: os.path.join(PEERS, *a)
    d = lambda name: os.path.join(data, name)
    o = lambda name: os.path.join(out, name)
    sort_env = "LC_ALL=C"
    return [
        ("configparser", "ini", [py, p("configparser_rw.py"), d("settings.ini"), o("peer.ini")], 50),
        ("configparser cp932", "ini-sjis",
         [py, p("configparser_rw.py"), d("settings-sjis.ini"), o("peer-sjis.ini"), "cp932"], None),
        ("python csv", "csv", [py, p("csv_table.py"), d("table.csv"), o("peer-csv.ini")], 15),
        ("python csv cp932", "csv-sjis",
         [py, p("csv_table.py"), d("table-sjis.csv"), o("peer-csv-sjis.ini"), "cp932"], None),
        ("sort -u", "words", ["env", sort_env, "sort", "-u", d("words.txt"), "-o", o("peer-words.txt")], 3),
        ("sort -u --parallel=1", "words",
         ["env", sort_env, "sort", "-u", "--parallel=1", d("words.txt"), "-o", o("peer-words1.txt")], None),
        ("python dict", "dictionary",
         [py, p("dict_lookup.py"), d("dictionary.txt"), d("searches.txt"), o("peer-dict.txt"), "#"], 10),
        ("str.replace", "replace",
         [py, p("str_replace.py"), d("text.txt"), o("peer-replace.txt"), "quill", "feather pen"], 4),
        ("sed", "replace",
         ["sh", "-c", 'LC_ALL=C exec sed "s/quill/feather pen/g" "$0" > "$1"', d("text.txt"),
          o("peer-sed.txt")], None),
        ("str.replace decoded", "replace-sjis",
         [py, p("str_replace.py"), d("text-sjis.txt"), o("peer-replace-sjis.txt"), "quill", "feather pen",
          "cp932"], 2),
        ("unicode_escape", "unescape", [py, p("unicode_escape.py"), d("text.txt"), o("peer-unescape.txt")], 4),
    ]


def floors(data):
    """cat FILE > /dev/null and wc -l FILE for every input file."""
    rows = []
    for name in sorted({op[2] for op in OPERATIONS}):
        rows.append(("cat " + name, name, ["sh", "-c", 'exec cat "$0" > /dev/null', os.path.join(data, name)]))
        rows.append(("wc -l " + name, name, ["sh", "-c", 'exec wc -l "$0" > /dev/null', os.path.join(data, name)]))
    return rows


def generate(driver, folder, scale):
    stamp = os.path.join(folder, "scale")
    if os.path.exists(stamp) and open(stamp).read().strip() == repr(scale):
        return False
    os.makedirs(folder, exist_ok=True)
    subprocess.run([driver, "gen", folder, repr(scale)], check=True)
    with open(stamp, "w") as f:
        f.write(repr(scale))
    return True


def run_operation(driver, library, name, folder, runs, quick_seconds):
    """Times one operation in a child; returns (inBytes, outBytes, wall
    times, peakBytes, processor times) or an error text."""
    proc = subprocess.Popen([driver, "run", library, name, folder, str(runs), repr(quick_seconds)],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    # wait4 gives the child's own peak memory.
    _, status, usage = os.wait4(proc.pid, 0)
    out = proc.stdout.read().decode()
    err = proc.stderr.read().decode().strip()
    proc.stdout.close()
    proc.stderr.close()
    code = os.waitstatus_to_exitcode(status)
    if code == 3:
        return "missing: " + err
    if code != 0:
        return "failed (%d): %s" % (code, err)
    sizes, wall, processor = out.split("\n")[:3]
    in_bytes, out_bytes, sweep_bytes = map(int, sizes.split())
    # The cache sweep's buffer is resident throughout; the rest is the operation's.
    return (in_bytes, out_bytes, [float(t) for t in wall.split()], usage.ru_maxrss * 1024 - sweep_bytes,
            [float(t) for t in processor.split()])


def pool(first, second):
    """One result from two timings of the same operation and size."""
    if isinstance(second, str):
        return second
    return (first[0], first[1], first[2] + second[2], max(first[3], second[3]), first[4] + second[4])


def run_peer(command, runs, slow):
    """Runs a whole process runs times (once when the first run takes longer
    than slow seconds); returns (median seconds, peak bytes, runs) or an error text."""
    times, peaks = [], []
    with tempfile.NamedTemporaryFile("r") as report:
        for i in range(runs):
            # The wall time is taken here, finer than the 10 ms steps of time(1).
            t0 = time.perf_counter()
            result = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report.name] + command,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            times.append(time.perf_counter() - t0)
            if result.returncode != 0:
                return "failed: " + result.stderr.decode().strip()[-300:]
            report.seek(0)
            peaks.append(int(report.read().split()[-1]) * 1024)
            if i == 0 and times[0] > slow:
                break
    return statistics.median(times), max(peaks), len(times)


def mb(n):
    return n / 1e6


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--driver", required=True, help="the quillet_bench program")
    ap.add_argument("--lib", required=True, help="the library to measure (libquillet.so)")
    ap.add_argument("--scale", type=float, default=1.0, help="data size, 1 = the default sizes")
    ap.add_argument("--runs", type=int, default=5, help="timed runs of each operation (after a warm-up)")
    ap.add_argument("--rounds", type=int, default=3, help="rounds of timing at each size, taken in turn")
    ap.add_argument("--quick-seconds", type=float, default=0.25,
                    help="a quick operation runs more often, until this many seconds are spent in it")
    ap.add_argument("--peer-runs", type=int, default=3, help="runs of each peer")
    ap.add_argument("--slow-peer", type=float, default=15.0,
                    help="a peer whose first run takes longer than this many seconds runs once")
    ap.add_argument("--data", default=os.path.join(tempfile.gettempdir(), "quillet-bench"),
                    help="folder for the data files (kept for the next run)")
    ap.add_argument("--only", default="", help="comma-separated operations to run (default all)")
    ap.add_argument("--no-peers", action="store_true", help="time the library only")
    args = ap.parse_args()

    started = time.time()
    full = os.path.join(args.data, "full")
    half = os.path.join(args.data, "half")
    out = os.path.join(args.data, "peer-out")
    os.makedirs(out, exist_ok=True)
    for folder, scale in ((full, args.scale), (half, args.scale / 2)):
        t0 = time.time()
        if generate(args.driver, folder, scale):
            print("generated %s (scale %g) in %.1f s" % (folder, scale, time.time() - t0), flush=True)

    # Page cache warm: every file read once before anything is timed.
    for folder in (full, half):
        for name in os.listdir(folder):
            if name.startswith("out-"):
                continue
            with open(os.path.join(folder, name), "rb") as f:
                while f.read(1 << 24):
                    pass

    try:
        load = os.getloadavg()
        print("load average before: %.2f %.2f %.2f on %d cores" % (load + (os.cpu_count(),)), flush=True)
    except OSError:
        pass

    only = set(filter(None, args.only.split(",")))
    results = {}
    for name, label, _, _ in OPERATIONS:
        if only and name not in only:
            continue
        # The two sizes' medians are taken seconds apart, and other load on
        # the machine (or the page cache losing a file meanwhile) shifts one
        # and not the other: both sizes are timed in rounds, taken in turn,
        # and the runs pooled.
        h = f = None
        for _ in range(args.rounds):
            rh = run_operation(args.driver, args.lib, name, half, args.runs, args.quick_seconds)
            rf = run_operation(args.driver, args.lib, name, full, args.runs, args.quick_seconds)
            h = rh if h is None else pool(h, rh)
            f = rf if f is None else pool(f, rf)
            if isinstance(h, str) or isinstance(f, str):
                break
        results[name] = (h, f)
        shown = f if isinstance(f, str) else "%.4f s" % statistics.median(f[2])
        print("  %-14s %s" % (name, shown), flush=True)

    peer_results = []
    if not args.no_peers:
        for peer, op, command, goal in peers(full, out):
            if only and op not in only:
                continue
            r = run_peer(command, args.peer_runs, args.slow_peer)
            peer_results.append((peer, op, goal, r))
            print("  peer %-22s %s" % (peer, r if isinstance(r, str) else "%.2f s" % r[0]), flush=True)
        used = {op[2] for op in OPERATIONS if not only or op[0] in only}
        for peer, file_name, command in floors(full):
            if file_name in used:
                peer_results.append((peer, file_name, None, run_peer(command, args.peer_runs, args.slow_peer)))
    for name in os.listdir(out):
        os.remove(os.path.join(out, name))
    # The library's outputs too; the data stays for the next run.
    for folder in (full, half):
        for name in os.listdir(folder):
            if name.startswith("out-"):
                os.remove(os.path.join(folder, name))

    print_table(results, peer_results)
    try:
        load = os.getloadavg()
        print("load average after: %.2f %.2f %.2f" % load)
    except OSError:
        pass
    print("benchmark took %.0f s" % (time.time() - started))
    failures = [n for n, (h, f) in results.items() if isinstance(f, str) and not f.startswith("missing")]
    failures += [p for p, _, _, r in peer_results if isinstance(r, str)]
    return 1 if failures else 0


def verdict(ok):
    return "PASS" if ok else "FAIL"


def print_table(results, peer_results):
    load_median = None
    if "ini-load" in results and not isinstance(results["ini-load"][1], str):
        load_median = statistics.median(results["ini-load"][1][2])

    header = ("operation", "input MB", "median s", "cpu s", "MB/s", "peak MB", "growth", "ratio to peers (peer s / ours)",
              "speed", "peers", "growth", "memory")
    rows = []
    for name, label, input_name, speed_goal in OPERATIONS:
        if name not in results:
            continue
        h, f = results[name]
        if isinstance(f, str):
            rows.append((label, "", "", "", "", "", "", f[:60], "", "", "", ""))
            continue
        in_bytes, out_bytes, times, peak, processor = f
        med = statistics.median(times)
        rate = mb(in_bytes) / med if med > 0 else float("inf")
        growth = statistics.median(times) / statistics.median(h[2]) if not isinstance(h, str) else None

        ratios, peer_ok = [], None
        for peer, op, goal, r in peer_results:
            if op != name and op != input_name:
                continue
            if isinstance(r, str):
                ratios.append("%s: %s" % (peer, r[:30]))
                if goal is not None:
                    peer_ok = False
                continue
            ratio = r[0] / med if med > 0 else float("inf")
            peer = peer.split(" ")[0] if peer.startswith(("cat ", "wc ")) else peer
            mark = " (goal %g)" % goal if goal is not None else ""
            ratios.append("%s %.3g%s" % (peer, ratio, mark))
            if goal is not None:
                peer_ok = (peer_ok is not False) and ratio >= goal
        speed = "-"
        if speed_goal and speed_goal[0] == "MB/s":
            speed = verdict(rate >= speed_goal[1]) + " >=%g" % speed_goal[1]
        elif speed_goal and speed_goal[0] == "load share" and load_median:
            speed = verdict(med <= speed_goal[1] * load_median) + " %.2f%%" % (100 * med / load_median)
        memory_limit = MEMORY_FACTOR * (in_bytes + out_bytes)
        rows.append((
            label,
            "%.1f" % mb(in_bytes),
            "%.4g" % med,
            "%.4g" % statistics.median(processor),
            "%.0f" % rate,
            "%.0f" % mb(peak),
            "%.2f" % growth if growth is not None else "?",
            ", ".join(ratios) or "-",
            speed,
            "-" if peer_ok is None else verdict(peer_ok),
            verdict(growth is not None and growth <= GROWTH_LIMIT),
            verdict(peak <= memory_limit) + " %.1fx" % (peak / (in_bytes + out_bytes)),
        ))
    for peer, op, goal, r in peer_results:
        if isinstance(r, str):
            rows.append(("peer: " + peer, "", "", "", "", "", "", r[:60], "", "", "", ""))
            continue
        seconds, peak, runs = r
        size = None
        for name, _, input_name, _ in OPERATIONS:
            if op in (name, input_name) and name in results and not isinstance(results[name][1], str):
                size = results[name][1][0]
                break
        rows.append(("peer: " + peer, "%.1f" % mb(size) if size else "", "%.4g" % seconds, "",
                     "%.0f" % (mb(size) / seconds) if size and seconds > 0 else "", "%.0f" % mb(peak), "",
                     "%d run%s" % (runs, "" if runs == 1 else "s"), "", "", "", ""))

    widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
    line = lambda r: " | ".join(str(c).ljust(w) for c, w in zip(r, widths)).rstrip()
    print()
    print(line(header))
    print("-+-".join("-" * w for w in widths))
    for r in rows:
        print(line(r))
    print()
    print("median s: wall time, which the goals use; cpu s: user + system time of the same runs (less"
          " sensitive to other load on the machine)")
    print("speed: MB/s of input (wall), or the share of the loadINIFile median; peers: the ratio goals marked in the"
          " ratio column; growth: full-size median / half-size median <= %g; memory: peak <= %g x (input +"
          " output)" % (GROWTH_LIMIT, MEMORY_FACTOR))


if __name__ == "__main__":
    sys.exit(main())
