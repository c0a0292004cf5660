#!/usr/bin/env python3
"""How well veskor-fit's standard errors describe the example detector.

Generates the example scan with seeds 1..N (same detector, same settings,
other Poisson draws), fits each with veskor-fit --json and prints, per
channel, the mean bias of the fitted constants, the scatter of the fitted
constants against the mean standard error reported, how often the true
constant lies within three standard errors, and how many scans raise each
kind of warning.

    examples/generate/montecarlo.py [BUILD_DIR] [N]    (defaults: build 200)
"""
import json
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

TRUE_TAU0 = [0.75e-6, 0.81e-6, 0.70e-6, 0.78e-6]
TRUE_TAU = [2.60e-6, 2.70e-6, 2.55e-6, 2.66e-6]

build = Path(sys.argv[1] if len(sys.argv) > 1 else "build")
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 200
fits = []
with tempfile.TemporaryDirectory() as tmp:
    for seed in range(1, runs + 1):
        out = Path(tmp) / str(seed)
        subprocess.run([build / "examples/veskor-example-scan", "--seed", str(seed), out],
                       check=True)
        report = subprocess.run([build / "veskor-fit", "--json", out / "scan-table.dat"],
                                check=True, capture_output=True, text=True).stdout
        fits.append(json.loads(report))

within = total = warned = 0
by_check = {}
for fit in fits:
    warned += bool(fit["warnings"])
    for check in {w["check"] for w in fit["warnings"]}:
        by_check[check] = by_check.get(check, 0) + 1
for name, truth in (("tau0", TRUE_TAU0), ("tau", TRUE_TAU)):
    for ch, true in enumerate(truth):
        values = [f["results"][ch][name] for f in fits]
        errors = [f["results"][ch][name + "Error"] for f in fits]
        inside = sum(abs(v - true) <= 3 * e for v, e in zip(values, errors))
        within += inside
        total += len(values)
        print(f"channel {ch + 1} {name:4}: bias {statistics.mean(values) / true - 1:+.3f}, "
              f"error {statistics.mean(errors) / true:.3f} of the constant, "
              f"scatter / error {statistics.stdev(values) / statistics.mean(errors):.2f}, "
              f"within 3 errors {inside}/{len(values)}")
print(f"constants within 3 standard errors: {within}/{total}; scans with a warning: "
      f"{warned}/{len(fits)}")
for check, scans in sorted(by_check.items()):
    print(f"  scans warned of {check}: {scans}/{len(fits)}")
