#!/usr/bin/env python3
"""Writes docs/PERFORMANCE.md from the results of scripts/bench.

Usage: bench/report.py RESULTS_DIR PAGE

The section between the interpretation markers of an existing page is kept as it is: it is
written by hand.
"""
import json
import os
import statistics
import sys

BEGIN = "<!-- interpretation: written by hand, kept by scripts/bench -->"
END = "<!-- end of interpretation -->"

TIME_GOAL = 1.3
MEMORY_GOAL = 1.2
AUTO_CPU_GOAL = 1.0  # percent of one core

# (figure, case, baseline, how many baselines, what the baseline is)
FIGURES = [
    ("One reading, live substitute stack", "reading/live", "reading/raw-driver", 1,
     "the driver calls of one reading, made directly"),
    ("One reading, emulated instrument", "reading/emulated", "reading/raw-driver", 1,
     "the driver calls of one reading, made directly"),
    ("One reading, emulated instrument", "reading/emulated", "stock/readout-repaint", 3,
     "three repaints of a stock read-out"),
    ("Single-register refresh, live", "refresh/live", "refresh/raw-driver", 1,
     "the driver calls of one register, made directly"),
    ("Single-register refresh, emulated", "refresh/emulated", "stock/readout-repaint", 1,
     "one repaint of a stock read-out"),
    ("Radix switch (Dec/Hex)", "radix/emulated", "stock/radix", 1,
     "stock radio click and three stock read-out repaints"),
    ("Paint of the whole panel", "paint/panel", "stock/panel-paint", 1,
     "paint of the same template with stock controls"),
    ("Start-up to panel shown, emulated", "startup/emulated", "stock/startup", 1,
     "the same windows and controls made and shown by stock Qt"),
    ("Start-up to panel shown, live", "startup/live", "stock/startup", 1,
     "the same windows and controls made and shown by stock Qt"),
]


def key_values(path):
    values = {}
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                if "=" in line:
                    key, value = line.rstrip("\n").split("=", 1)
                    values[key.strip()] = value.strip()
    return values


def operations(path):
    """Per case: median, min and max CPU time and median real time, in microseconds."""
    runs = {}
    errors = {}
    with open(path) as f:
        data = json.load(f)
    for b in data["benchmarks"]:
        if b.get("run_type") != "iteration":
            continue
        name = b["run_name"]
        if b.get("error_occurred"):
            errors[name] = b.get("error_message", "error")
            continue
        scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b.get("time_unit", "ns")]
        runs.setdefault(name, []).append((b["cpu_time"] * scale, b["real_time"] * scale))
    result = {}
    for name, samples in runs.items():
        cpu = [s[0] for s in samples]
        real = [s[1] for s in samples]
        result[name] = {
            "cpu": statistics.median(cpu), "min": min(cpu), "max": max(cpu),
            "real": statistics.median(real), "n": len(samples),
        }
    return result, errors


def instructions(path):
    counts = {}
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                parts = line.split()
                if len(parts) == 3 and parts[1].isdigit():
                    counts[parts[0]] = int(parts[1]) / int(parts[2])
    return counts


def first_paints(path):
    kinds = {}
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                parts = line.split()
                if len(parts) < 2:
                    continue
                values = dict(p.split("=", 1) for p in parts[1:] if "=" in p)
                if "paint_ms" in values:
                    kinds.setdefault(parts[0], []).append({k: float(v) for k, v in values.items()})
    return {
        kind: {k: statistics.median(r[k] for r in rows) for k in rows[0]} | {"n": len(rows)}
        for kind, rows in kinds.items()
    }


def fmt_us(value):
    return f"{value:,.1f}" if value < 100 else f"{value:,.0f}"


def fmt_ratio(value):
    return "–" if value is None else f"{value:.2f}×"


def met(ok):
    return "**met**" if ok else "**not met**"


def interpretation(page):
    if os.path.exists(page):
        with open(page) as f:
            text = f.read()
        if BEGIN in text and END in text:
            return text[text.index(BEGIN):text.index(END) + len(END)]
    return f"{BEGIN}\n_Not written yet._\n{END}"


def main():
    results, page = sys.argv[1], sys.argv[2]
    machine = key_values(os.path.join(results, "machine.txt"))
    ops, errors = operations(os.path.join(results, "operations.json"))
    instr = instructions(os.path.join(results, "instructions.txt"))
    paints = first_paints(os.path.join(results, "first-paint.txt"))
    auto = {s: key_values(os.path.join(results, f"auto-{s}.txt")) for s in ("emulated", "live")}
    real = {s: key_values(os.path.join(results, f"real-auto-{s}.txt")) for s in ("emulated", "live")}

    out = []
    w = out.append
    w("# Performance")
    w("")
    w("Generated by `scripts/bench` (the hand-written interpretation at the end is kept from one "
      "run to the next). Every figure is a ratio against a baseline measured in the same run; "
      "absolute times are given only to size things.")
    if machine.get("quick") == "1":
        w("")
        w("**This page comes from a quick run (`scripts/bench --quick`): few repetitions, short "
          "runs.**")
    w("")
    w("## Machine")
    w("")
    w("| | |")
    w("|---|---|")
    for key, label in [("cpu", "CPU"), ("cores", "Cores"), ("memory", "Memory"), ("os", "OS"),
                       ("compiler", "Compiler"), ("qt", "Qt"), ("benchmark", "Google Benchmark"),
                       ("build", "Build type"), ("commit", "Commit"), ("date", "Run")]:
        w(f"| {label} | {machine.get(key, 'unknown')} |")
    w(f"| Load average (1, 5, 15 min) | {machine.get('load_start', '?')} at the start, "
      f"{machine.get('load_end', '?')} at the end |")
    w("")
    w("The machine was shared: other engineers were building on its two cores during the run. "
      "Hence ratios to a baseline of the same run, processor time rather than elapsed time for "
      "the in-process figures, repetitions interleaved at random, medians, and instruction "
      "counts (callgrind), which another process cannot disturb.")
    w("")

    w("## Operations in process")
    w("")
    w("The program started in process (`CSfpApp::InitInstance`, frame shown and exposed, panel "
      "painted) on the offscreen platform, so every repaint really paints, pixel for pixel. "
      "Processor time per operation, median of the repetitions; instructions per operation "
      "from callgrind.")
    w("")
    w("| Figure | Baseline (same run) | Ratio, CPU time | Ratio, instructions | "
      "Program, CPU µs | Program, instructions |")
    w("|---|---|---|---|---|---|")
    for label, case, base, factor, what in FIGURES:
        if case not in ops or base not in ops:
            w(f"| {label} | {what} | not measured | | | |")
            continue
        cpu_ratio = ops[case]["cpu"] / (factor * ops[base]["cpu"])
        instr_ratio = (instr[case] / (factor * instr[base])
                       if case in instr and base in instr else None)
        count = f"{instr[case]:,.0f}" if case in instr else "–"
        w(f"| {label} | {what} (`{base}`{' × ' + str(factor) if factor > 1 else ''}) | "
          f"{fmt_ratio(cpu_ratio)} | {fmt_ratio(instr_ratio)} | {fmt_us(ops[case]['cpu'])} | "
          f"{count} |")
    w("")
    w("Every case, for reference:")
    w("")
    w("| Case | CPU µs, median (min–max) | Elapsed µs, median | Repetitions | Instructions |")
    w("|---|---|---|---|---|")
    for name in sorted(ops):
        o = ops[name]
        count = f"{instr[name]:,.0f}" if name in instr else "–"
        w(f"| `{name}` | {fmt_us(o['cpu'])} ({fmt_us(o['min'])}–{fmt_us(o['max'])}) | "
          f"{fmt_us(o['real'])} | {o['n']} | {count} |")
    for name, message in sorted(errors.items()):
        w(f"| `{name}` | not run: {message} | | | |")
    w("")

    w("## The whole program: start to first panel paint, and peak memory")
    w("")
    if "program" in paints and "minimal" in paints:
        p, m = paints["program"], paints["minimal"]
        t = paints.get("minimal-text")
        k = paints.get("stock")
        time_ratio = p["paint_ms"] / m["paint_ms"]
        memory_ratio = p["hwm_kb"] / m["hwm_kb"]
        w(f"`aq3310-sfp` live on the substitute libraries (as `scripts/run` starts it on a "
          f"machine without VISA) against `bench/minimal-window`, under `xvfb-run`, taking turns, "
          f"{p['n']:.0f} runs each, medians.")
        w("")
        w("| | Start to first paint, ms | Processor time to first paint, ms | "
          "Peak resident memory, MiB |")
        w("|---|---|---|---|")
        w(f"| Program | {p['paint_ms']:.0f} | {p['cpu_ms']:.0f} | {p['hwm_kb'] / 1024:.1f} |")
        w(f"| Minimal window (floor) | {m['paint_ms']:.0f} | {m['cpu_ms']:.0f} | "
          f"{m['hwm_kb'] / 1024:.1f} |")
        if t:
            w(f"| Minimal window with one line of text | {t['paint_ms']:.0f} | {t['cpu_ms']:.0f} | "
              f"{t['hwm_kb'] / 1024:.1f} |")
        if k:
            w(f"| Stock Qt, the same window, menu and controls | {k['paint_ms']:.0f} | "
              f"{k['cpu_ms']:.0f} | {k['hwm_kb'] / 1024:.1f} |")
        w(f"| **Program / floor** | **{time_ratio:.2f}×** (goal ≤ {TIME_GOAL}×: "
          f"{met(time_ratio <= TIME_GOAL)}) | {p['cpu_ms'] / m['cpu_ms']:.2f}× | "
          f"**{memory_ratio:.2f}×** (goal ≤ {MEMORY_GOAL}×: {met(memory_ratio <= MEMORY_GOAL)}) |")
        if t:
            w(f"| Program / minimal window with text | {p['paint_ms'] / t['paint_ms']:.2f}× | "
              f"{p['cpu_ms'] / t['cpu_ms']:.2f}× | {p['hwm_kb'] / t['hwm_kb']:.2f}× |")
        if k:
            w(f"| Stock Qt window / floor | {k['paint_ms'] / m['paint_ms']:.2f}× | "
              f"{k['cpu_ms'] / m['cpu_ms']:.2f}× | {k['hwm_kb'] / m['hwm_kb']:.2f}× |")
            w(f"| Program / stock Qt window | {p['paint_ms'] / k['paint_ms']:.2f}× | "
              f"{p['cpu_ms'] / k['cpu_ms']:.2f}× | {p['hwm_kb'] / k['hwm_kb']:.2f}× |")
        w("")
    else:
        w("Not measured (no virtual display, or `first-paint` was not built).")
        w("")
    w("How the first paint is seen: `bench/first-paint` starts the program itself and, every "
      "2 ms, asks the X server (core protocol, `GetImage` of one pixel) whether the window with "
      "the program's title is mapped and its bottom-right pixel has the panel's dark grey "
      "(64, 64, 64). That corner belongs to the panel's background, which is painted in the "
      "same flush as the rest of the panel, so this is the moment a user would see the panel. "
      "The minimal window paints itself the same grey and is watched the same way, and so is "
      "`bench/stock-window`: the program's frame, menu bar and panel template built from the "
      "same resources with stock Qt controls (nothing owner-drawn, no icon, no instrument), "
      "the floor that the toolkit itself sets for this window. Nothing is "
      "added to the program: no switch, no environment variable. Peak memory is the program's "
      "`VmHWM` half a second after the paint; processor time to the paint is the sum over its "
      "threads of `/proc/<pid>/task/*/schedstat`.")
    w("")

    w("## Auto Update")
    w("")
    w("**In process, on the real timer** (`bench/sfp-auto-update`, offscreen): the program is "
      "started as `RunProgram` starts it (Qt platform services, `QApplication::exec`); its tick "
      "handler is wrapped so that each tick's start is time-stamped before the frame's own "
      "handler runs; idle ticks first, then Auto Update switched on through its menu item. "
      "Processor time from `getrusage` between the first and the last tick of each phase.")
    w("")
    w("| Stack | Ticks | Period, median ms | Worst deviation from 300 ms | CPU, idle | "
      "CPU, Auto Update | Tick handler, median / max µs |")
    w("|---|---|---|---|---|---|---|")
    for stack, a in auto.items():
        if "auto.periods" not in a:
            w(f"| {stack} | not measured | | | | | |")
            continue
        w(f"| {stack} | {a['auto.periods']} | {float(a['auto.period_median_ms']):.2f} | "
          f"{float(a['auto.period_worst_deviation_ms']):.2f} ms | "
          f"{float(a['idle.cpu_percent_of_core']):.3f} % | "
          f"{float(a['auto.cpu_percent_of_core']):.3f} % | "
          f"{float(a['auto.handler_median_us']):.0f} / {float(a['auto.handler_max_us']):.0f} |")
    w("")
    w("**The real program under a virtual display** (`bench/whole-program`): `aq3310-sfp` "
      "started under `xvfb-run` (the emulated one after closing its message that VISA is "
      "missing, from the keyboard), idle first, then Auto Update switched on from the keyboard "
      "(Alt+S, A) with `xdotool`, the same process throughout. Processor time of all its "
      "threads from `/proc/<pid>/stat` (user + system). The System menu is photographed before "
      "and after: the changed pixels are the check mark that Auto Update gained; live, the "
      "read-outs change as well.")
    w("")
    w("| Stack | CPU, idle | CPU, Auto Update | Check mark seen | Read-outs changing |")
    w("|---|---|---|---|---|")
    goal_value = None
    for stack, r in real.items():
        if "auto_cpu_ticks" not in r:
            w(f"| {stack} | not measured | | | |")
            continue
        hz = float(r["clock_ticks_per_second"])
        idle = 100 * float(r["idle_cpu_ticks"]) / hz / float(r["idle_seconds"])
        on = 100 * float(r["auto_cpu_ticks"]) / hz / float(r["auto_seconds"])
        if stack == "emulated":
            goal_value = on
        seen = "yes" if float(r.get("menu_changed_pixels", "0") or 0) > 0 else "no"
        changing = (f"idle {r['idle_changed_pixels']} px, Auto Update "
                    f"{r['auto_changed_pixels']} px")
        idle_ms = 1000 * float(r["idle_cpu_ticks"]) / hz
        on_ms = 1000 * float(r["auto_cpu_ticks"]) / hz
        w(f"| {stack} | {idle:.2f} % ({idle_ms:.0f} ms in {r['idle_seconds']} s) | "
          f"{on:.2f} % ({on_ms:.0f} ms in {r['auto_seconds']} s) | {seen} | {changing} |")
    w("")
    if goal_value is not None:
        w(f"Goal: Auto Update on the emulated instrument under {AUTO_CPU_GOAL:g} % of one core: "
          f"{goal_value:.2f} %, {met(goal_value < AUTO_CPU_GOAL)}. (One clock tick is 10 ms, so "
          f"over the Auto Update phase the resolution is "
          f"{100 * 0.01 / float(real['emulated']['auto_seconds']):.3f} % of a core.)")
        w("")

    w("## Reproducing")
    w("")
    w("```sh")
    w("bash scripts/bench            # as root on Debian 12 it installs what is missing first")
    w("bash scripts/bench --quick    # a short try-out; the page says so")
    w("```")
    w("")
    w("It builds the `release` preset (two jobs), then runs, in this order: `sfp-bench` (Google "
      "Benchmark, offscreen, with `LD_LIBRARY_PATH` at `build/release/sim/lib` so that the "
      "program finds the substitute `libvisa.so` and `libaqk3310.so` by name, repetitions "
      "interleaved at random); each of its cases again under `valgrind --tool=callgrind "
      "--toggle-collect=sfp_bench_measured` (`sfp-bench --instructions=CASE --count=N`); "
      "`sfp-auto-update` emulated and `--live`; and `bench/whole-program` under "
      "`xvfb-run -s '-screen 0 1024x768x24 -noreset'`. Raw results stay in "
      "`build/release/bench-results/`. One case by hand:")
    w("")
    w("```sh")
    w("LD_LIBRARY_PATH=build/release/sim/lib build/release/bench/sfp-bench "
      "--benchmark_filter='reading/'")
    w("```")
    w("")
    w("The benchmarks are built only with the CMake option `SFP_BENCH=ON`, which `scripts/bench` "
      "sets in `build/release`; the other presets, `ci` among them, leave them out, and CTest "
      "never runs them. By hand: `cmake --preset release -DSFP_BENCH=ON && cmake --build "
      "--preset release -j2`.")
    w("")
    w("What the cases are: `reading/*` is `OnTakeReading` (three registers, three read-outs "
      "redrawn at once); `refresh/*` is `OnPortValue`; `radix/emulated` clicks Hex or Dec, "
      "alternately; `paint/panel` is `repaint()` of the whole panel; `startup/*` is `CSfpApp` "
      "`InitInstance` to the panel shown and exposed, then the frame destroyed as at exit "
      "(`startup/emulated` takes the path of a system without VISA: both library names fail to "
      "load and the fallback's message is counted, not shown). Each operation is followed by "
      "the delivery of what it posted, so deferred paints count. `*/raw-driver` calls "
      "`aqk3310_measDigPort_Q`, `aqk3310_sensPosPortTran_Q` and `aqk3310_sensNegPortTran_Q` "
      "(or only the first), each followed by `aqk3310_error_query` as the program does, "
      "straight through `libaqk3310.so` loaded by name on a session of its own. `stock/*` builds "
      "the same main window, menu and panel template from the same resources with stock Qt "
      "controls, nothing taken over, no instrument.")
    w("")
    w("## Interpretation")
    w("")
    w(interpretation(page))
    w("")
    with open(page, "w") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main()
