#!/usr/bin/env python3
"""Runs the benchmark: makes the data (half and full size), times every
library job warm (repeated calls in one process, at both sizes) and as a
host's whole job in a fresh process (full size), runs the peers as whole
processes right before each fresh run, on the same files, and prints one
table and the goals, each marked PASS or FAIL.

Start it through bench/run.sh, which builds the library, the driver and the
naive C++ peer.
"""
import argparse
import filecmp
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PEERS = os.path.join(HERE, "peers")
DATA_VERSION = 2  # made anew when the data files change

# The library's jobs: name, label, input file, speed goal. A speed goal is
# ("MB/s", minimum of the fresh median) or ("load share", maximum of the
# warm "ini-load" median) or None.
JOBS = [
    ("ini", "loadINIFile+writeINIFile", "settings.ini", ("MB/s", 400)),
    ("ini-load", "loadINIFile alone", "settings.ini", None),
    ("ini-sections", "getSectionList", "settings.ini", ("load share", 0.05)),
    ("ini-keys", "getKeyList, last section", "settings.ini", ("load share", 0.05)),
    ("ini-edit", "changeKeyName, last section", "settings.ini", ("load share", 0.05)),
    ("ini-move", "moveSection last<->1", "settings.ini", ("load share", 0.05)),
    ("ini-sjis", "INI load+write, cp932", "settings-sjis.ini", None),
    ("csv", "transCSVToINI", "table.csv", ("MB/s", 300)),
    ("csv-sjis", "transCSVToINI, cp932", "table-sjis.csv", None),
    ("csv-element", "createINIFromCSVElement", "table.csv", None),
    ("words", "word list fill/sort/unique/makeINIDB", "words.txt", None),
    ("text-words", "word list, a text's words", "text-words.txt", None),
    ("dictionary", "loadMultiLineDic+1000 searches+1000 counts", "dictionary.txt", None),
    ("replace", "replace every quill", "text.txt", None),
    ("replace-sjis", "replace, cp932", "text-sjis.txt", None),
    ("unescape", "parseBackSlashString", "text.txt", None),
    ("unescape-sjis", "parseBackSlashString, cp932", "text-sjis.txt", None),
]

# The conversions that stream: their peak beyond the "[csvinfo]" head rows.
STREAMING = ("csv", "csv-sjis", "csv-element")
STREAM_LIMIT = 64e6
GROWTH_LIMIT = 2.2
MEMORY_FACTOR = 3.0


class Peer:
    """A peer of a job: a whole process on the same file. output: the file
    it writes (None: none), removed before each run as the library's is;
    goal: the ratio (peer seconds / the job's fresh seconds) it must reach,
    or None; same: its output must equal the library's; about: what its row
    names beside it (the job's name unless given)."""

    def __init__(self, name, job, command, output, goal=None, same=False, about=None):
        self.name, self.job, self.command, self.output = name, job, command, output
        self.goal, self.same, self.about = goal, same, about or job


def peers(data, out, naive_ini):
    py = sys.executable
    p = lambda *a: os.path.join(PEERS, *a)
    d = lambda name: os.path.join(data, name)
    o = lambda name: os.path.join(out, name)
    sort = ["env", "LC_ALL=C", "sort", "-u"]
    sed = 'LC_ALL=C exec sed "s/quill/feather pen/g" "$0" > "$1"'
    return [
        Peer("naive C++", "ini", [naive_ini, d("settings.ini"), o("naive.ini")], o("naive.ini"), 2.5),
        Peer("configparser", "ini", [py, p("configparser_rw.py"), d("settings.ini"), o("peer.ini")], o("peer.ini")),
        Peer("naive C++", "ini-sjis", [naive_ini, d("settings-sjis.ini"), o("naive-sjis.ini")], o("naive-sjis.ini")),
        Peer("configparser cp932", "ini-sjis",
             [py, p("configparser_rw.py"), d("settings-sjis.ini"), o("peer-sjis.ini"), "cp932"], o("peer-sjis.ini")),
        Peer("python csv", "csv", [py, p("csv_table.py"), d("table.csv"), o("csv.ini")], o("csv.ini"), 15, True),
        Peer("python csv cp932", "csv-sjis", [py, p("csv_table.py"), d("table-sjis.csv"), o("csv-sjis.ini"), "cp932"],
             o("csv-sjis.ini"), 10, True),
        Peer("sort -u", "words", sort + [d("words.txt"), "-o", o("words.txt")], o("words.txt"), 3),
        Peer("sort -u --parallel=1", "words", sort + ["--parallel=1", d("words.txt"), "-o", o("words1.txt")],
             o("words1.txt")),
        Peer("sort -u", "text-words", sort + [d("text-words.txt"), "-o", o("text-words.txt")], o("text-words.txt"),
             3),
        Peer("sort -u --parallel=1", "text-words",
             sort + ["--parallel=1", d("text-words.txt"), "-o", o("text-words1.txt")], o("text-words1.txt")),
        Peer("python dict", "dictionary",
             [py, p("dict_lookup.py"), d("dictionary.txt"), d("searches.txt"), o("dict.txt"), "#"], o("dict.txt"),
             20, True),
        Peer("str.replace", "replace",
             [py, p("str_replace.py"), d("text.txt"), o("replace.txt"), "quill", "feather pen"], o("replace.txt"),
             4, True),
        Peer("sed", "replace", ["sh", "-c", sed, d("text.txt"), o("sed.txt")], o("sed.txt"), same=True),
        Peer("str.replace decoded", "replace-sjis",
             [py, p("str_replace.py"), d("text-sjis.txt"), o("replace-sjis.txt"), "quill", "feather pen", "cp932"],
             o("replace-sjis.txt"), same=True),
        Peer("unicode_escape", "unescape", [py, p("unicode_escape.py"), d("text.txt"), o("unescape.txt")],
             o("unescape.txt"), 5, True),
    ]


def floors(data, out):
    """cat FILE > /dev/null and cat FILE > a file, for every input file, with
    the first job that reads it."""
    rows, seen = [], set()
    for name, _, input_name, _ in JOBS:
        if input_name in seen:
            continue
        seen.add(input_name)
        source = os.path.join(data, input_name)
        rows.append(Peer("cat > /dev/null", name, ["sh", "-c", 'exec cat "$0" > /dev/null', source], None,
                         about=input_name))
        target = os.path.join(out, "cat-" + input_name)
        rows.append(Peer("cat > file", name, ["sh", "-c", 'exec cat "$0" > "$1"', source, target], target,
                         about=input_name))
    return rows


def generate(driver, folder, scale, files=()):
    stamp = os.path.join(folder, "scale")
    want = "%d %r %s" % (DATA_VERSION, scale, " ".join(files))
    if os.path.exists(stamp) and open(stamp).read().strip() == want.strip():
        return False
    os.makedirs(folder, exist_ok=True)
    subprocess.run([driver, "gen", folder, repr(scale)] + list(files), check=True)
    with open(stamp, "w") as f:
        f.write(want)
    return True


def measure(driver, command, capture=False):
    """Runs a whole process once, started by the driver's "time"; returns
    (wall seconds, user seconds, system seconds, peak bytes, standard output)
    or an error text."""
    with tempfile.TemporaryFile() as err, tempfile.NamedTemporaryFile("r") as report:
        proc = subprocess.Popen([driver, "time", report.name] + command,
                                stdout=subprocess.PIPE if capture else subprocess.DEVNULL, stderr=err)
        out = proc.stdout.read().decode() if capture else ""
        code = proc.wait()
        if capture:
            proc.stdout.close()
        if code != 0:
            err.seek(0)
            text = err.read().decode(errors="replace").strip()[-300:]
            return ("missing: " if code == 3 else "failed (%d): " % code) + text
        wall, user, system, peak = report.read().split()
    return float(wall), float(user), float(system), int(peak), out


class Runs:
    """The fresh runs of a job or a peer: wall, user and system seconds, peak
    bytes, and for a job the seconds of its calls and its byte counts."""

    def __init__(self):
        self.wall, self.user, self.system, self.peak, self.calls = [], [], [], [], []
        self.in_bytes = self.out_bytes = 0
        self.error = None

    def add(self, r):
        if isinstance(r, str):
            self.error = r
            return
        wall, user, system, peak, out = r
        self.wall.append(wall)
        self.user.append(user)
        self.system.append(system)
        self.peak.append(peak)
        if out:
            in_bytes, out_bytes, calls = out.split()
            self.in_bytes, self.out_bytes = int(in_bytes), int(out_bytes)
            self.calls.append(float(calls))

    def median(self):
        return statistics.median(self.wall)


def run_warm(driver, library, name, folder, runs, quick_seconds, sweep_mb):
    """Times one job warm in a child; returns (inBytes, outBytes, wall
    times, peakBytes, processor times) or an error text."""
    r = measure(driver, [driver, "run", library, name, folder, str(runs), repr(quick_seconds), str(sweep_mb)],
                capture=True)
    if isinstance(r, str):
        return r
    _, _, _, peak, out = r
    sizes, wall, processor = out.split("\n")[:3]
    in_bytes, out_bytes, sweep_bytes = map(int, sizes.split())
    # The cache sweep's buffer is resident throughout; the rest is the job's.
    return (in_bytes, out_bytes, [float(t) for t in wall.split()], peak - sweep_bytes,
            [float(t) for t in processor.split()])


def pool(first, second):
    """One warm result from two timings of the same job and size."""
    if isinstance(second, str):
        return second
    return (first[0], first[1], first[2] + second[2], max(first[3], second[3]), first[4] + second[4])


def head_bytes(path):
    """The size of the "[csvinfo]" head of a transCSVToINI output file: up
    to the empty line before the first section."""
    mark = b"\r\n\r\n[0]\r\n"
    with open(path, "rb") as f:
        offset, tail = 0, b""  # tail: the last bytes before offset
        while True:
            block = f.read(1 << 24)
            if not block:
                return offset
            at = (tail + block).find(mark)
            if at >= 0:
                return offset - len(tail) + at + 2
            offset += len(block)
            tail = (tail + block)[-len(mark):]


def remove(path):
    try:
        os.remove(path)
    except FileNotFoundError:
        pass


def run_fresh(driver, library, name, folder, runs, job_peers, slow):
    """The job's fresh runs, each right after one run of each of its peers
    (a peer slower than slow seconds runs once); returns the job's Runs and
    one Runs per peer. The last outputs stay for the caller to compare."""
    mine, theirs = Runs(), [Runs() for _ in job_peers]
    out = os.path.join(folder, "out-" + name)
    for _ in range(runs):
        for peer, r in zip(job_peers, theirs):
            if r.error or (r.wall and r.wall[0] > slow):
                continue
            if peer.output:
                remove(peer.output)
            r.add(measure(driver, peer.command))
        remove(out)
        mine.add(measure(driver, [driver, "job", library, name, folder], capture=True))
        if mine.error:
            break
    return mine, theirs


def mb(n):
    return n / 1e6


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--driver", required=True, help="the quillet_bench program")
    ap.add_argument("--lib", required=True, help="the library to measure (libquillet.so)")
    ap.add_argument("--naive-ini", help="the naive C++ INI peer (default: naive_ini beside the driver)")
    ap.add_argument("--scale", type=float, default=1.0, help="data size, 1 = the default sizes")
    ap.add_argument("--fresh-runs", type=int, default=5,
                    help="fresh processes of each job, each right after a run of each of its peers")
    ap.add_argument("--runs", type=int, default=5, help="warm: timed runs of each job (after a warm-up)")
    ap.add_argument("--rounds", type=int, default=3, help="warm: rounds of timing at each size, taken in turn")
    ap.add_argument("--quick-seconds", type=float, default=0.25,
                    help="warm: a quick job runs more often, until this many seconds are spent in it")
    ap.add_argument("--sweep-mb", type=int, default=96,
                    help="warm: the buffer that sweeps the processor caches before each run (MB)")
    ap.add_argument("--slow-peer", type=float, default=15.0,
                    help="a peer whose first run takes longer than this many seconds runs once")
    ap.add_argument("--big-csv", type=float, nargs="?", const=1000.0, metavar="MB",
                    help="also run the CSV conversions fresh on a CSV file of this many MB (1000 when no"
                         " number is given)")
    ap.add_argument("--big-runs", type=int, default=1, help="fresh runs of each job on the --big-csv file")
    ap.add_argument("--data", default=os.path.join(tempfile.gettempdir(), "quillet-bench"),
                    help="folder for the data files (kept for the next run)")
    ap.add_argument("--only", default="", help="comma-separated jobs to run (default all)")
    ap.add_argument("--no-peers", action="store_true", help="time the library only")
    ap.add_argument("--no-warm", action="store_true", help="fresh processes only, no warm figures")
    args = ap.parse_args()
    naive_ini = args.naive_ini or os.path.join(os.path.dirname(os.path.abspath(args.driver)), "naive_ini")

    started = time.time()
    full = os.path.join(args.data, "full")
    half = os.path.join(args.data, "half")
    big = os.path.join(args.data, "big")
    out = os.path.join(args.data, "peer-out")
    os.makedirs(out, exist_ok=True)
    folders = [(full, args.scale, ())]
    if not args.no_warm:
        folders.append((half, args.scale / 2, ()))
    if args.big_csv:
        folders.append((big, args.big_csv / 100, ("table.csv",)))
    for folder, scale, files in folders:
        t0 = time.time()
        if generate(args.driver, folder, scale, files):
            print("generated %s (scale %g) in %.1f s" % (folder, scale, time.time() - t0), flush=True)

    # Page cache warm: every file read once before anything is timed.
    for folder, _, _ in folders:
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
    all_peers = [] if args.no_peers else peers(full, out, naive_ini) + floors(full, out)
    results, peer_results, differing = {}, [], []
    for name, label, _, _ in JOBS:
        if only and name not in only:
            continue
        # Warm: the two sizes' medians are taken seconds apart, and other
        # load on the machine (or the page cache losing a file meanwhile)
        # shifts one and not the other: both sizes are timed in rounds, taken
        # in turn, and the runs pooled.
        h = f = None
        for _ in range(0 if args.no_warm else args.rounds):
            rh = run_warm(args.driver, args.lib, name, half, args.runs, args.quick_seconds, args.sweep_mb)
            rf = run_warm(args.driver, args.lib, name, full, args.runs, args.quick_seconds, args.sweep_mb)
            h = rh if h is None else pool(h, rh)
            f = rf if f is None else pool(f, rf)
            if isinstance(h, str) or isinstance(f, str):
                break
        job_peers = [p for p in all_peers if p.job == name]
        fresh, theirs = run_fresh(args.driver, args.lib, name, full, args.fresh_runs, job_peers, args.slow_peer)
        library_out = os.path.join(full, "out-" + name)
        head = head_bytes(library_out) if name in ("csv", "csv-sjis") and not fresh.error else 0
        for peer, r in zip(job_peers, theirs):
            peer_results.append((peer, r))
            if peer.same and not r.error and not fresh.error:
                if not filecmp.cmp(peer.output, library_out, shallow=False):
                    differing.append(peer)
            if peer.output:
                remove(peer.output)
        remove(library_out)
        results[name] = (h, f, fresh, head)
        shown = fresh.error or "fresh %.4f s" % fresh.median()
        if f is not None:
            shown += ", warm " + (f if isinstance(f, str) else "%.4f s" % statistics.median(f[2]))
        print("  %-14s %s" % (name, shown), flush=True)
    for name in os.listdir(out):
        os.remove(os.path.join(out, name))

    big_results = []
    if args.big_csv:
        for name in ("csv", "csv-element"):
            if only and name not in only:
                continue
            fresh, _ = run_fresh(args.driver, args.lib, name, big, args.big_runs, [], args.slow_peer)
            library_out = os.path.join(big, "out-" + name)
            head = head_bytes(library_out) if name == "csv" and not fresh.error else 0
            remove(library_out)
            big_results.append((name, fresh, head))
            print("  %-14s %s" % (name + " big", fresh.error or "fresh %.4f s" % fresh.median()), flush=True)

    # The warm runs' outputs too; the data stays for the next run.
    for folder, _, _ in folders:
        for name in os.listdir(folder):
            if name.startswith("out-"):
                os.remove(os.path.join(folder, name))

    print_table(results, peer_results, big_results, differing)
    try:
        load = os.getloadavg()
        print("load average after: %.2f %.2f %.2f" % load)
    except OSError:
        pass
    print("benchmark took %.0f s" % (time.time() - started))
    failures = [n for n, (h, f, fresh, _) in results.items()
                if any(isinstance(x, str) and not x.startswith("missing") for x in (h, f, fresh.error))]
    failures += [n for n, fresh, _ in big_results if fresh.error and not fresh.error.startswith("missing")]
    failures += [p.name for p, r in peer_results if r.error]
    if differing:
        failures.append("outputs")
    return 1 if failures else 0


def verdict(ok):
    return "PASS" if ok else "FAIL"


def spread(values):
    return "%.4g-%.4g" % (min(values), max(values))


def cpu(r):
    return "%.3g (%.3g)" % (statistics.median([u + s for u, s in zip(r.user, r.system)]), statistics.median(r.system))


def memory(name, runs, head):
    """The memory goals of a job's fresh runs: (peak / (input + output), that
    goal met, peak beyond the head rows or None for a job that need not
    stream, that goal met)."""
    peak = max(runs.peak)
    share = peak / max(1, runs.in_bytes + runs.out_bytes)
    beyond = peak - head if name in STREAMING else None
    return share, share <= MEMORY_FACTOR, beyond, beyond is None or beyond <= STREAM_LIMIT


def memory_cell(m):
    share, share_ok, beyond, beyond_ok = m
    text = "%.1fx" % share
    if beyond is not None:
        text += ", %.0f MB beyond head" % mb(beyond)
    return verdict(share_ok and beyond_ok) + " " + text


def beyond_goal(what, runs, head, m):
    return ("%s: peak at most %.0f MB beyond the head rows" % (what, mb(STREAM_LIMIT)),
            "%.0f MB (peak %.0f MB, head rows %.1f MB)" % (mb(m[2]), mb(max(runs.peak)), mb(head)), m[3])


def print_table(results, peer_results, big_results, differing):
    load_median = None
    if "ini-load" in results and isinstance(results["ini-load"][1], tuple):
        load_median = statistics.median(results["ini-load"][1][2])

    header = ("job", "input MB", "fresh s", "spread", "cpu s (sys)", "calls s", "MB/s", "peak MB", "warm s",
              "growth", "ratio to peers (peer s / fresh s)", "speed", "peers", "memory")
    rows, goals, big_goals = [], [], []
    blank = ("",) * (len(header) - 1)
    for name, label, input_name, speed_goal in JOBS:
        if name not in results:
            continue
        h, f, fresh, head = results[name]
        if fresh.error:
            rows.append((label, "", "", "", "", "", "", "", "", "", fresh.error[:60], "", "", ""))
            continue
        med = fresh.median()
        rate = mb(fresh.in_bytes) / med
        warm = growth = None
        if isinstance(f, tuple):
            warm = statistics.median(f[2])
            if isinstance(h, tuple):
                growth = warm / statistics.median(h[2])

        ratios, peer_ok = [], None
        for peer, r in peer_results:
            if peer.job != name:
                continue
            if r.error:
                ratios.append("%s: %s" % (peer.name, r.error[:30]))
                if peer.goal is not None:
                    peer_ok = False
                continue
            ratio = r.median() / med
            mark = " (goal %g)" % peer.goal if peer.goal is not None else ""
            ratios.append("%s %.3g%s" % (peer.name, ratio, mark))
            if peer.goal is not None:
                peer_ok = (peer_ok is not False) and ratio >= peer.goal
                goals.append(("%s: %s, at least %gx %s" % (name, label, peer.goal, peer.name),
                              "%.2fx" % ratio, ratio >= peer.goal))
        speed = "-"
        if speed_goal and speed_goal[0] == "MB/s":
            speed = verdict(rate >= speed_goal[1]) + " >=%g" % speed_goal[1]
            goals.append(("%s: %s, at least %g MB/s of input" % (name, label, speed_goal[1]), "%.0f MB/s" % rate,
                          rate >= speed_goal[1]))
        elif speed_goal and speed_goal[0] == "load share" and load_median and warm is not None:
            speed = verdict(warm <= speed_goal[1] * load_median) + " %.2f%%" % (100 * warm / load_median)
        peak = max(fresh.peak)
        rows.append((
            label,
            "%.1f" % mb(fresh.in_bytes),
            "%.4g" % med,
            spread(fresh.wall),
            cpu(fresh),
            "%.4g" % statistics.median(fresh.calls),
            "%.0f" % rate,
            "%.0f" % mb(peak),
            "%.4g" % warm if warm is not None else "-",
            "%.2f %s" % (growth, verdict(growth <= GROWTH_LIMIT)) if growth is not None else "-",
            ", ".join(ratios) or "-",
            speed,
            "-" if peer_ok is None else verdict(peer_ok),
            memory_cell(memory(name, fresh, head)),
        ))
    sizes = {name: results[name][2].in_bytes for name in results if not results[name][2].error}
    for peer, r in peer_results:
        if r.error:
            rows.append(("peer: " + peer.name, "", "", "", "", "", "", "", "", "", r.error[:60], "", "", ""))
            continue
        size = sizes.get(peer.job)
        seconds = r.median()
        note = "%d run%s" % (len(r.wall), "" if len(r.wall) == 1 else "s")
        if peer.same:
            note += ", output differs from the library's" if peer in differing else ", same output"
        rows.append(("peer: %s (%s)" % (peer.name, peer.about), "%.1f" % mb(size) if size else "", "%.4g" % seconds,
                     spread(r.wall), cpu(r), "", "%.0f" % (mb(size) / seconds) if size else "",
                     "%.0f" % mb(max(r.peak)), "", "", note, "", "", ""))
    for name, fresh, head in big_results:
        label = "%s, %.4g MB" % (dict((j[0], j[1]) for j in JOBS)[name], mb(fresh.in_bytes))
        if fresh.error:
            rows.append((label,) + blank[:9] + (fresh.error[:60], "", "", ""))
            continue
        med = fresh.median()
        rate = mb(fresh.in_bytes) / med
        peak = max(fresh.peak)
        m = memory(name, fresh, head)
        speed = verdict(rate >= 300) + " >=300" if name == "csv" else "-"
        rows.append((label, "%.1f" % mb(fresh.in_bytes), "%.4g" % med, spread(fresh.wall), cpu(fresh),
                     "%.4g" % statistics.median(fresh.calls), "%.0f" % rate, "%.0f" % mb(peak), "-", "-", "-",
                     speed, "-", memory_cell(m)))
        big_goals.append(beyond_goal("%s on %.4g MB" % (name, mb(fresh.in_bytes)), fresh, head, m))

    # Memory: one goal for every job, and one for each streaming conversion.
    checked = {name: memory(name, r[2], r[3]) for name, r in results.items() if not r[2].error}
    if checked:
        highest = max(checked, key=lambda n: checked[n][0])
        over = [name for name, m in checked.items() if not m[1]]
        goals.append(("every job: peak at most %gx (input + output)" % MEMORY_FACTOR,
                      "highest %.1fx (%s)%s" % (checked[highest][0], highest,
                                                "; over: " + ", ".join(over) if over else ""), not over))
    for name in STREAMING:
        if name in checked:
            goals.append(beyond_goal(name, results[name][2], results[name][3], checked[name]))
    goals += big_goals

    widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
    line = lambda r: " | ".join(str(c).ljust(w) for c, w in zip(r, widths)).rstrip()
    print()
    print(line(header))
    print("-+-".join("-" * w for w in widths))
    for r in rows:
        print(line(r))
    print()
    print("fresh s: median wall time of the whole job in a fresh process (start, load the library, read, call,"
          " write, exit), which the goals use; spread: its lowest and highest; cpu s: user + system time of those"
          " processes (system time in brackets); calls s: the library calls alone in them; peak MB: their peak"
          " memory")
    print("warm s: median of repeated calls in one process after a warm-up, each after a cache sweep (replace and"
          " parseBackSlashString: the call on a text already in memory); growth: its full-size median / half-size"
          " median <= %g" % GROWTH_LIMIT)
    print("speed: MB/s of input (fresh), or the warm share of the loadINIFile median; peers: the ratio goals"
          " marked in the ratio column, each peer a whole process run right before each fresh run; memory: fresh"
          " peak <= %g x (input + output), and for the CSV conversions <= 64 MB beyond the \"[csvinfo]\" head"
          " rows" % MEMORY_FACTOR)
    print()
    width = max(len(g[0]) for g in goals) if goals else 0
    print("goals")
    for text, figure, ok in goals:
        print("  %s  %s  %s" % (verdict(ok), text.ljust(width), figure))


if __name__ == "__main__":
    sys.exit(main())
