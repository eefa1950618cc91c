#!/usr/bin/env python3
"""Prints the tables of bench/README.md from a JSON report run with
repetitions: reference against production (glowmarsh_bench, medians of
frames/second) and engine over floor (glowmarsh_floor_ratio, median ratio of
the repetitions, with their lowest and highest)."""
import json
import sys


def main(path):
    with open(path) as f:
        report = json.load(f)
    medians = {}
    floor = {}
    for b in report["benchmarks"]:
        if b["run_name"].startswith("BM_FloorRatio"):
            if b.get("aggregate_name") in ("median", "min", "max"):
                floor.setdefault(b["run_name"], {})[b["aggregate_name"]] = b
        elif b.get("aggregate_name") == "median":
            medians[b["run_name"]] = b["items_per_second"]
    if floor:
        print_floor(floor)
        return
    taps = {"0": "0 (7 taps)", "7": "0.7 (83 taps)", "10": "1.0 (163 taps)"}
    print("| call | Grain | block | reference, frames/s | production, frames/s | ratio |")
    print("|---|---|---|---|---|---|")
    for precision in ("Float", "Double"):
        for block in ("64", "512", "4096"):
            for grain in ("0", "7", "10"):
                args = f"/grainTenths:{grain}/block:{block}"
                ref = medians.get(f"BM_{precision}Reference{args}")
                fast = medians.get(f"BM_{precision}Fast{args}")
                if ref is None or fast is None:
                    continue
                call = "processReplacing" if precision == "Float" else "processDoubleReplacing"
                print(f"| {call} | {taps[grain]} | {block} | {ref / 1e6:.2f} M | {fast / 1e6:.2f} M | {fast / ref:.1f}x |")
    others = [(n, v) for n, v in medians.items() if "Sse2" in n or "Portable" in n]
    if others:
        print()
        print("| lower level (32-bit call, block 512) | frames/s |")
        print("|---|---|")
        for name, value in others:
            print(f"| {name} | {value / 1e6:.2f} M |")


def print_floor(floor):
    print("| call | Grain | best level: ratio (lowest to highest) | engine, frames/s | floor, frames/s "
          "| AVX2: ratio (lowest to highest) | engine, frames/s | floor, frames/s |")
    print("|---|---|---|---|---|---|---|---|")
    for precision in ("Float", "Double"):
        call = "processReplacing" if precision == "Float" else "processDoubleReplacing"
        for grain in ("7", "10"):
            cells = []
            for level in ("", "Avx2"):
                run = floor.get(f"BM_FloorRatio{precision}{level}/grainTenths:{grain}/iterations:400")
                if run is None:
                    cells.append("- | - | -")
                    continue
                m, lo, hi = run["median"], run["min"], run["max"]
                cells.append(f"{m['ratio']:.2f} ({lo['ratio']:.2f} to {hi['ratio']:.2f}) | "
                             f"{m['engine_Mfps']:.1f} M | {m['floor_Mfps']:.1f} M")
            print(f"| {call} | {int(grain) / 10:.1f} | {cells[0]} | {cells[1]} |")


if __name__ == "__main__":
    main(sys.argv[1])
