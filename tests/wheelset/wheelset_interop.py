#!/usr/bin/python3
"""A simulated measuring wheelset calibrated and computed through mvtervik-cli, checked
from outside against the forces the simulator put on the wheel.

mvt-wheelsim writes the stand runs, the running tests (with Q_true .. L_true and the
contact angle) and the Log with its CalibrWS block. The CLI fits the Q3 coefficients and
both tables into the Log; openpyxl reads the block back; the running tests go through
`qytl`, and the native files it saves are read here byte by byte and compared with the
truth after the tracking has locked (HWP_OK = 8).

usage: wheelset_interop.py --cli MVTERVIK_CLI --sim MVT_WHEELSIM [--keep DIR]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

import numpy as np
import openpyxl
from scipy import signal

DEVICE = 5
FIRST = (DEVICE - 1) * 362  # sheet row of block row r is FIRST + r
failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
    return cond


def read_native(path):
    with open(path, "rb") as f:
        raw = f.read()
    return float(np.frombuffer(raw[128:136], "<f8")[0]), np.frombuffer(raw[1024:], "<f4")


def run(cmd):
    r = subprocess.run(cmd, capture_output=True, text=True)
    if r.returncode != 0:
        print(" ".join(cmd), "\n", r.stderr, file=sys.stderr)
    return r.returncode, r.stdout, r.stderr


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", required=True)
    ap.add_argument("--sim", required=True)
    ap.add_argument("--keep")
    a = ap.parse_args()
    work = a.keep or tempfile.mkdtemp(prefix="wheelset-interop-")
    try:
        code, out, _ = run([a.sim, work, "--speeds", "1,5,-4"])
        if not check(code == 0, "mvt-wheelsim failed"):
            return 1
        tests = [line.split("\t") for line in out.splitlines()]
        log = os.path.join(work, "Log.xlsx")
        base = [a.cli, "calibrate", "--log", log, "--device", str(DEVICE), "--wheel-name", "W1"]
        for extra in (["--id", "1", "--direction", "forward", "--q3"],
                      ["--id", "1", "--direction", "forward", "--table"],
                      ["--id", "2", "--direction", "backward", "--table"]):
            code, _, _ = run(base + extra)
            if not check(code == 0, "calibrate " + " ".join(extra)):
                return 1

        ws = openpyxl.load_workbook(log)["CalibrWS"]
        cell = lambda r, c: ws.cell(FIRST + r, c).value
        for h in range(4):
            r2 = cell(35 + 9 * h + 5, 2)
            check(r2 is not None and r2 > 0.999, f"Q3 group {h + 1}: R2 {r2}")
        check(cell(5, 2) in (1, -1), f"DirSign {cell(5, 2)}")
        for col, name in ((2, "forward"), (3, "backward")):
            check(cell(14, col) == 1, f"{name} table not marked as compensated")
            check(str(cell(16, col)).endswith("/"), f"{name} path {cell(16, col)}")
        # The worst standard error of the stand fit, per load, both directions.
        max_s = [max(cell(29 + o, 2), cell(29 + o, 3)) for o in range(4)]
        print("stand fit max s: Q %.3f Y %.3f T %.3f kN, moment %.2f kN mm" % tuple(max_s))
        # Position 1 of the forward Q table: B8 in column H, count in D.
        check(isinstance(cell(3, 8), float), "H of position 1 holds no coefficient")
        check(cell(3, 4) and cell(3, 4) > 10, f"position 1 count {cell(3, 4)}")

        outdir = os.path.join(work, "out")
        running = [t for t in tests if t[1] == "track"]
        code, _, _ = run([a.cli, "qytl", "--log", log, "--from", running[0][0], "--to",
                          running[-1][0], "--wheel", f"{DEVICE}:W1:0:0.05:80",
                          "--save-fn", "11,12,13,14,26,27", "--out", outdir])
        if not check(code == 0, "qytl failed"):
            return 1
        # The angle the low-passed bridges stand for is the contact angle of tau ago.
        b, a_ = signal.butter(5, 80 / 600)
        tau = signal.group_delay((b, a_), w=[1e-4])[1][0]
        for tid, _, rps, _, folder in running:
            rps = float(rps)
            got = {n: read_native(os.path.join(outdir, tid, n + "1.mvn"))[1] for n in "QYTL"}
            ok = read_native(os.path.join(outdir, tid, "HWP_OK_W1.mvn"))[1]
            swp = read_native(os.path.join(outdir, tid, "SWP_W1.mvn"))[1]
            truth = {n: read_native(os.path.join(folder, n + "_true.mvn"))[1] for n in "QYTL"}
            angle = read_native(os.path.join(folder, "Angle_true.mvn"))[1].astype(float)
            sel = np.zeros(len(ok), bool)
            sel[2000:] = ok[2000:] == 8
            check(sel.sum() > 0.8 * len(ok), f"ID {tid}: locked only {sel.sum()} samples")
            rms = [float(np.sqrt(np.mean((got[n][sel] - truth[n][sel]) ** 2))) for n in "QYTL"]
            delayed = angle - 360.0 * rps / 1200.0 * tau
            diff = np.remainder(swp[sel] - 1.0 - delayed[sel] + 180.0, 360.0) - 180.0
            print("ID %s at %+g rev/s: rms Q %.3f Y %.3f T %.3f kN, L %.3f mm; "
                  "angle %.2f .. %.2f deg" % (tid, rps, *rms, diff.min(), diff.max()))
            for o, n in enumerate("QYT"):
                check(rms[o] < 3 * max_s[o], f"ID {tid}: rms {n} {rms[o]:.3f} above 3 x {max_s[o]:.3f}")
            check(rms[3] < 1.0, f"ID {tid}: rms L {rms[3]:.3f} mm")
            check(np.abs(np.mean(diff)) < 1.5, f"ID {tid}: mean angle error {np.mean(diff):.2f}")
    finally:
        if not a.keep:
            shutil.rmtree(work, ignore_errors=True)
    for f in failures:
        print("FAIL:", f, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
