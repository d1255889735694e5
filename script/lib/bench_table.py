"""Turns the benchmark results into one table, with every target checked.

Usage: bench_table.py MICRO_JSON LONG_RUN_TXT LOAD_BEFORE [--readme]
"""

import json
import platform
import re
import subprocess
import sys


def medians(path):
    with open(path) as f:
        data = json.load(f)
    result = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "median":
            scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
            result[b["run_name"]] = b["real_time"] * scale  # ns
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
    rows = []
    missed = []

    def row(measure, value, target="", met=None):
        mark = "" if met is None else ("yes" if met else "**no**")
        if met is False:
            missed.append(measure)
        rows.append((measure, value, target, mark))

    f, s, o, t = (m["BM_FormatNumber"], m["BM_Snprintf"], m["BM_FreshOstringstream"],
                  m["BM_ToChars"])
    row("`formatNumber`, value mix", ns(f),
        f"≤ 1/8 of fresh ostringstream: {f / o:.3f}; below to_chars: {f / t:.2f}×",
        f <= o / 8 and f < t)
    row("fresh `std::ostringstream` (exponent widened)", ns(o))
    row("`snprintf(\"%.6g\")` (exponent widened)", ns(s))
    row("`std::to_chars` general, precision 6 (exponent widened)", ns(t))
    row("sampled frame: eleven stores and a 20-column row", ns(m["BM_SampledFrame"]),
        "≤ 600 ns", m["BM_SampledFrame"] <= 600)
    row("unsampled `Elapse` (through the export)", ns(m["BM_UnsampledElapse"]), "≤ 5 ns",
        m["BM_UnsampledElapse"] <= 5)
    for name in ("SetPower", "SetBrake", "SetReverser", "SetSignal", "SetBeaconData"):
        row(f"`{name}`", ns(m["BM_" + name]))
    row("`DoorOpen` / `DoorClose`", ns(m["BM_DoorOpenClose"]))
    row("reading a 20-line column file", ns(m["BM_ReadColumnFile"]))
    d, w = m["BM_Dispose"], m["BM_OneFwrite"]
    row("`Dispose` of a 200 MiB log", ns(d), f"≤ 2× one fwrite: {d / w:.2f}×", d <= 2 * w)
    row("one `fwrite` of the same bytes", ns(w))
    frames = int(run["frames"])
    row(f"long run, {frames:,} frames: mean `Elapse`", ns(run["elapse_mean_ns"]),
        "(includes reading the clock twice)")
    row("long run: 99.9th percentile `Elapse`", ns(run["elapse_p999_ns"]))
    switches = run.get("involuntary_switches")
    row("long run: worst single `Elapse`", ns(run["elapse_worst_ns"]),
        "≤ 1 ms" + ("" if switches is None else
                    f" (the system preempted the run {int(switches):,} times)"),
        run["elapse_worst_ns"] <= 1e6)
    row("long run: `Dispose`", ns(run["dispose_ns"]))
    log, peak = run["log_bytes"], run["peak_resident_bytes"]
    limit = 1.1 * log + 16 * 2**20
    row("long run: peak resident memory", f"{mb(peak)} for a {mb(log)} log",
        f"≤ 1.1 × log + 16 MiB = {mb(limit)}", peak <= limit)

    lines = [f"Measured on: {machine(context, sys.argv[3])}.", "",
             "| measure | median | target | met |", "|---|---|---|---|"]
    lines += [f"| {a} | {b} | {c} | {d} |" for a, b, c, d in rows]
    table = "\n".join(lines)
    print(table)
    if missed:
        print("\nmissed: " + "; ".join(missed))

    if len(sys.argv) > 4 and sys.argv[4] == "--readme":
        with open("README.md") as f:
            readme = f.read()
        block = f"<!-- bench:begin -->\n{table}\n<!-- bench:end -->"
        pattern = re.compile(r"<!-- bench:begin -->.*?<!-- bench:end -->", re.S)
        if pattern.search(readme):
            readme = pattern.sub(lambda _: block, readme)
        else:
            readme = readme.rstrip("\n") + (
                "\n\n## Performance\n\n`script/bench` builds Release and runs every benchmark; "
                "the table below is its output as last measured.\n\n" + block + "\n")
        with open("README.md", "w") as f:
            f.write(readme)
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
