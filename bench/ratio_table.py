#!/usr/bin/env python3
"""Prints the reference-against-production table of bench/README.md from a
glowmarsh_bench JSON report run with repetitions (medians of frames/second)."""
import json
import sys


def main(path):
    with open(path) as f:
        report = json.load(f)
    medians = {}
    for b in report["benchmarks"]:
        if b.get("aggregate_name") == "median":
            medians[b["run_name"]] = b["items_per_second"]
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


if __name__ == "__main__":
    main(sys.argv[1])
