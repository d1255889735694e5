"""Turns the benchmark results into one table, with every target checked.

Usage: bench_table.py MICRO_JSON LONG_RUN_TXT STREAMED_TXT RECORDED_TXT REPLAY_TXT LOAD_BEFORE
                      [--readme]

--readme puts the table into bench/README.md, between its bench markers.
"""

import json
import platform
import re
import subprocess
import sys

# Where --readme writes the table, from the repository's root.
BENCH_README = "bench/README.md"


# Wall-clock medians, shown beside the processor times the targets are
# checked against: on a shared machine the wall clock also counts the time
# other programs held the processor.
wall = {}


def medians(path):
    with open(path) as f:
        data = json.load(f)
    result = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "median":
            scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
            result[b["run_name"]] = b["cpu_time"] * scale  # ns
            wall[b["run_name"]] = b["real_time"] * scale
    return data["context"], result


def long_run(path):
    values = {}
    with open(path) as f:
        for line in f:
            name, value = line.split()
            values[name] = float(value)
    return values


def ns(value):
    for unit, size in (("s", 1e9), ("ms", 1e6), ("µs", 1e3)):
        if value >= size:
            return f"{value / size:.3g} {unit}"
    return f"{value:.3g} ns"


def mb(value):
    return f"{value / 2**20:.1f} MiB"


def machine(context, load_before):
    cpu = platform.processor() or "unknown CPU"
    try:
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    memory = ""
    try:
        for line in open("/proc/meminfo"):
            if line.startswith("MemTotal"):
                memory = f", {int(line.split()[1]) / 2**20:.0f} GiB"
    except OSError:
        pass
    compiler = subprocess.run(["g++", "--version"], capture_output=True, text=True).stdout
    compiler = compiler.splitlines()[0] if compiler else "g++"
    return (f"{cpu}, {context['num_cpus']} cores{memory}; {platform.system()} "
            f"{platform.release()}; {compiler}, Release; load average before the run "
            f"{load_before}")


def main():
    context, m = medians(sys.argv[1])
    run = long_run(sys.argv[2])
    streamed = long_run(sys.argv[3])
    recorded = long_run(sys.argv[4])
    replayed = long_run(sys.argv[5])
    load_before = sys.argv[6]
    readme = len(sys.argv) > 7 and sys.argv[7] == "--readme"
    rows = []
    missed = []

    def row(measure, value, target="", met=None, name=None):
        mark = "" if met is None else ("yes" if met else "**no**")
        if met is False:
            missed.append(measure)
        if name:
            rows.append((measure, value, ns(wall[name]), target, mark))
        else:
            rows.append((measure, "", value, target, mark))

    f, s, o, t = (m["BM_FormatNumber"], m["BM_Snprintf"], m["BM_FreshOstringstream"],
                  m["BM_ToChars"])
    row("`formatNumber`, value mix", ns(f),
        f"≤ 1/8 of fresh ostringstream: {f / o:.3f}; below to_chars: {f / t:.2f}×",
        f <= o / 8 and f < t, "BM_FormatNumber")
    row("fresh `std::ostringstream` (exponent widened)", ns(o), name="BM_FreshOstringstream")
    row("`snprintf(\"%.6g\")` (exponent widened)", ns(s), name="BM_Snprintf")
    row("`std::to_chars` general, precision 6 (exponent widened)", ns(t), name="BM_ToChars")
    row("sampled frame: eleven stores and a 20-column row", ns(m["BM_SampledFrame"]),
        "≤ 600 ns", m["BM_SampledFrame"] <= 600, "BM_SampledFrame")
    row("unsampled `Elapse` (through the export)", ns(m["BM_UnsampledElapse"]), "≤ 5 ns",
        m["BM_UnsampledElapse"] <= 5, "BM_UnsampledElapse")
    plain, events, period = (m["BM_UnsampledElapse"], m["BM_UnsampledElapseEvents"],
                             m["BM_UnsampledElapsePeriod"])
    row("unsampled `Elapse` without events, `Events=1`", ns(events),
        f"within 1 ns of the above: {events - plain:+.2f} ns", abs(events - plain) <= 1,
        "BM_UnsampledElapseEvents")
    row("unsampled `Elapse`, rows by time (`Period`)", ns(period),
        f"≤ 2 ns more than by `Skip`: {period - plain:+.2f} ns", period - plain <= 2,
        "BM_UnsampledElapsePeriod")
    for name in ("SetPower", "SetBrake", "SetReverser", "SetSignal", "SetBeaconData"):
        row(f"`{name}`", ns(m["BM_" + name]), name="BM_" + name)
    row("`DoorOpen` / `DoorClose`", ns(m["BM_DoorOpenClose"]), name="BM_DoorOpenClose")
    row("reading a 20-line column file", ns(m["BM_ReadColumnFile"]), name="BM_ReadColumnFile")
    # Writing is mostly waiting on the system: compared by the wall clock.
    d, w = wall["BM_Dispose"], wall["BM_OneFwrite"]
    row("`Dispose` of a 200 MiB log", ns(m["BM_Dispose"]), f"≤ 2× one fwrite: {d / w:.2f}×",
        d <= 2 * w, "BM_Dispose")
    row("one `fwrite` of the same bytes", ns(m["BM_OneFwrite"]), name="BM_OneFwrite")
    frames = int(run["frames"])
    row(f"long run, {frames:,} frames: mean `Elapse`", ns(run["elapse_mean_ns"]),
        "(includes reading the clock twice)")
    row("long run: 99.9th percentile `Elapse`", ns(run["elapse_p999_ns"]))
    switches = run.get("involuntary_switches")
    row("long run: worst single `Elapse`", ns(run["elapse_worst_ns"]),
        "≤ 1 ms" + ("" if switches is None else
                    f" (the system preempted the run {int(switches):,} times)"),
        run["elapse_worst_ns"] <= 1e6)
    if "elapse_worst_cpu_ns" in run:
        row("long run: most processor time in one `Elapse`", ns(run["elapse_worst_cpu_ns"]),
            "(time other programs held the processor left out)")
    row("same timing around an empty call: worst", ns(run["empty_call_worst_ns"]),
        "(what the machine adds to any call)")
    row("long run: `Dispose`", ns(run["dispose_ns"]))
    log, peak = run["log_bytes"], run["peak_resident_bytes"]
    limit = 1.1 * log + 16 * 2**20
    row("long run: peak resident memory", f"{mb(peak)} for a {mb(log)} log",
        f"≤ 1.1 × log + 16 MiB = {mb(limit)}", peak <= limit)
    mean, plain = streamed["elapse_mean_ns"], run["elapse_mean_ns"]
    row("streamed (Flush=1): mean `Elapse`", ns(mean),
        f"within 10% of the default mode: {mean / plain:.2f}×", mean <= 1.1 * plain)
    row(f"streamed: the {int(streamed['flush_calls']):,} calls that wrote, mean",
        ns(streamed["flush_mean_ns"]))
    row("streamed: the calls that wrote, 99th percentile", ns(streamed["flush_p99_ns"]),
        "≤ 100 µs", streamed["flush_p99_ns"] <= 100e3)
    row("streamed: worst single `Elapse`", ns(streamed["elapse_worst_ns"]))
    row("streamed: `Dispose`", ns(streamed["dispose_ns"]))
    row("streamed: peak resident memory", mb(streamed["peak_resident_bytes"]), "≤ 32 MiB",
        streamed["peak_resident_bytes"] <= 32 * 2**20)
    u, r = m["BM_UnsampledElapse"], m["BM_UnsampledElapseRecorded"]
    row("unsampled `Elapse`, every call recorded (Record=1)", ns(r),
        f"≤ 200 ns more than without: {r - u:+.0f} ns", r - u <= 200, "BM_UnsampledElapseRecorded")
    mean = recorded["elapse_mean_ns"]
    row("recorded (Record=1), a row every frame: mean `Elapse`", ns(mean),
        f"≤ 1.3× the default mode: {mean / plain:.2f}×", mean <= 1.3 * plain)
    row("recorded: bytes per frame", f"{recorded['recording_bytes'] / recorded['frames']:.1f} B",
        "an hour at 60 fps under 20 MB: "
        f"{recorded['recording_bytes'] / recorded['frames'] * 216000 / 1e6:.1f} MB")
    row("recorded: peak resident memory", mb(recorded["peak_resident_bytes"]))
    speed = replayed["replay_frames_per_second"]
    row(f"replay of {int(replayed['frames']):,} frames into a plug-in that does nothing",
        f"{speed / 1e6:.2f} million frames/s", "≥ 1 million frames/s", speed >= 1e6)

    lines = [f"Measured on: {machine(context, load_before)}.", "",
             "Microbenchmarks: medians of five repetitions, processor time per call (targets "
             "checked on it) and wall-clock time. Long run: wall clock, every call timed.", "",
             "| measure | processor | wall clock | target | met |", "|---|---|---|---|---|"]
    lines += [f"| {a} | {b} | {c} | {d} | {e} |" for a, b, c, d, e in rows]
    table = "\n".join(lines)
    print(table)
    if missed:
        print("\nmissed: " + "; ".join(missed))

    if readme:
        with open(BENCH_README) as f:
            readme = f.read()
        block = f"<!-- bench:begin -->\n{table}\n<!-- bench:end -->"
        pattern = re.compile(r"<!-- bench:begin -->.*?<!-- bench:end -->", re.S)
        if pattern.search(readme):
            readme = pattern.sub(lambda _: block, readme)
        else:
            readme = readme.rstrip("\n") + (
                "\n\n## The table as last measured\n\n" + block + "\n")
        with open(BENCH_README, "w") as f:
            f.write(readme)
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
