#!/usr/bin/python3
"""The demo's evaluation workspace through `mvtervik-cli bulk`, checked from outside.

The EvaLog and the zone sheets are read back with openpyxl, and the statistics of the
result rows are recomputed with numpy from the signal files the run saved (native files
read here byte by byte). Each test ID of the demo is made to take one path of the
evaluation; its outcome is checked against that path.

usage: demo_bulk_interop.py --cli MVTERVIK_CLI --demo MVT_DEMO [--keep DIR]
Exits 77 (skipped) when the command-line front has no `bulk` subcommand.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

import numpy as np
import openpyxl

PERCENTILES = [0.0015, 0.025, 0.5, 0.975, 1 - 0.0015]

# What the demo's tests exercise (tools/demo/DemoEvaluation.cpp) and the outcome each
# must have with the EvaLog as the demo writes it (no user conditions).
PROCESSED = {1, 2, 3, 4, 5, 6, 7, 10, 12, 13}
FAILED = {
    8: "Can not open 6 measured files",  # AccZ.mvn is missing
    9: "Save Off",  # the Log has no "Save off" row for it
    11: "Can not create Zone signal from Excel",  # its track has no track information
}
REVERSE = {3, 4, 10, 13}
WITH_DROPS = {6, 13}
LAST_ID = 13
COMPUTED = ["SumY", "YQ11", "dQ1", "PowerY11", "AccY_f", "AccZ_dyn", "Y11_0", "SumY_2m"]
MEASURED = ["Y11", "Y12", "Q11", "Q12", "AccY", "AccZ"]

failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
    return cond


def read_native(path):
    with open(path, "rb") as f:
        raw = f.read()
    fs = np.frombuffer(raw[128:136], "<f8")[0]
    return float(fs), np.frombuffer(raw[1024:], "<f4")


def run(cmd):
    r = subprocess.run(cmd, capture_output=True, text=True)
    return r.returncode, r.stdout, r.stderr


def bulk(cli, ws, evalog, out, first, last, extra):
    cmd = [cli, "bulk", "--log", os.path.join(ws, "Log.xlsx"), "--evalog", evalog,
           "--from", str(first), "--to", str(last), "--track-subdir", "Track", "--json"]
    # The saved files keep the computed signals' names (no function-chain suffix).
    cmd += ["--keep-names"]
    cmd += extra
    rc, so, se = run(cmd)
    if rc != 0:
        print("bulk failed (%d): %s\n%s" % (rc, " ".join(cmd), se), file=sys.stderr)
        sys.exit(1)
    try:
        return json.loads(so)
    except ValueError:
        print("bulk printed no JSON:\n" + so + "\n" + se, file=sys.stderr)
        sys.exit(1)


def named_cell(wb, name):
    dn = wb.defined_names[name]
    sheet, ref = next(iter(dn.destinations))
    cell = wb[sheet][ref.replace("$", "").split(":")[0]]
    return wb[sheet], cell.row, cell.column


def log_rows(wb):
    """The processing log: rows under Proc_ID as (id, message, bold, counts by column)."""
    sheet, row, col = named_cell(wb, "Proc_ID")
    rows = []
    for r in range(row + 1, sheet.max_row + 1):
        ident = sheet.cell(r, col).value
        if ident is None:
            continue
        msg = sheet.cell(r, col + 2)
        cells = {k: sheet.cell(r, col + k - 1).value for k in range(1, 21)}
        rows.append((str(ident), str(msg.value or ""), bool(msg.font and msg.font.b), cells))
    return rows


def zone_rows(sheet):
    """Result rows: sections from row 3, transitions from row 1099."""
    out = []
    for first, last, transition in ((3, 1097, False), (1099, sheet.max_row, True)):
        for r in range(first, last + 1):
            if sheet.cell(r, 1).value is None:
                continue
            out.append((transition, [sheet.cell(r, c).value for c in range(1, 51 + 8 * 8)]))
    return out


def zone_class(radius, zones):
    a = abs(radius)
    if a == 0:
        return 1
    if a == 1:
        return 7
    # zones[z - 1] holds P1..P8 of zone z.
    if a < zones[4][0]:
        return 6
    if a < zones[4][1]:
        return 5
    if a < zones[3][1]:
        return 4
    if a < zones[2][1]:
        return 3
    return 2


def close(a, b, rel=1e-5, abs_=1e-5):
    return a is not None and abs(float(a) - float(b)) <= abs_ + rel * abs(float(b))


def check_main_run(ws, out, result, wb):
    by_id = {e["id"]: e for e in result["ids"]}
    check(sorted(by_id) == list(range(1, LAST_ID + 1)), "JSON lists IDs 1..%d" % LAST_ID)
    for i in PROCESSED:
        e = by_id.get(i, {})
        check(e.get("outcome") == "processed", "ID %d processed, not %s" % (i, e.get("outcome")))
        files = e.get("files", [])
        check(len(files) == len(MEASURED) + len(COMPUTED),
              "ID %d saved %d files, not 14" % (i, len(files)))
        check(all(os.path.isfile(f) for f in files), "ID %d: every saved file exists" % i)
    for i, text in FAILED.items():
        e = by_id.get(i, {})
        check(e.get("outcome") == "failed", "ID %d failed, not %s" % (i, e.get("outcome")))
        check(not e.get("files"), "ID %d saved nothing" % i)
        msgs = " | ".join(str(m.get("text", m)) if isinstance(m, dict) else str(m)
                          for m in e.get("messages", []))
        check(text in msgs, "ID %d says %r: %s" % (i, text, msgs))

    log = log_rows(wb)
    processed_rows = {int(r[0]): r for r in log if r[1] == "Processed"}
    check(set(processed_rows) == PROCESSED,
          "'Processed' log rows for exactly %s, got %s" % (sorted(PROCESSED), sorted(processed_rows)))
    errors = {int(r[0]) for r in log if r[2]}
    check(set(FAILED) <= errors, "failed IDs have a bold error line: %s" % sorted(errors))
    check(any(r[0] == "8" and FAILED[8] in r[1] and r[2] for r in log),
          "ID 8: bold line %r in the EvaLog" % FAILED[8])

    zones = []
    param = wb["PARAM"]
    _, zr, zc = named_cell(wb, "ZoneListRng")
    for z in range(7):
        zones.append([param.cell(zr + z, zc + 1 + k).value for k in range(8)])

    rows_by_zone = {}
    for z in range(1, 7):
        sheet = wb["Zone%d" % z]
        for k, name in enumerate(COMPUTED):
            check(sheet.cell(2, 51 + 8 * k).value == name, "Zone%d heading %s kept" % (z, name))
        rows_by_zone[z] = zone_rows(sheet)
        check(any(not t for t, _ in rows_by_zone[z]), "Zone%d has an accepted section" % z)
    check(any(t for z in range(2, 7) for t, _ in rows_by_zone[z]), "some transition accepted")

    # Counts on each "Processed" row agree with the result rows written for that ID.
    for i, row in processed_rows.items():
        counts = row[3]
        for z in range(1, 7):
            secs = sum(1 for t, c in rows_by_zone[z] if not t and str(c[0]) == str(i))
            trans = sum(1 for t, c in rows_by_zone[z] if t and str(c[0]) == str(i))
            check(counts.get(7 + z - 1) == secs,
                  "ID %d zone %d: count %s, %d section rows" % (i, z, counts.get(7 + z - 1), secs))
            check(counts.get(13 + z - 1) == trans,
                  "ID %d zone %d: count %s, %d transition rows" % (i, z, counts.get(13 + z - 1),
                                                                   trans))
        rejected = counts.get(5)
        if i in WITH_DROPS:
            check(rejected and rejected > 0, "ID %d rejects sections for Drop = 0" % i)
        else:
            check(rejected == 0, "ID %d rejects nothing for Drop (%s)" % (i, rejected))

    levels_of = {}
    for e in result["ids"]:
        if e.get("files"):
            levels_of[e["id"]] = os.path.dirname(os.path.abspath(e["files"][0]))

    signals = {}
    checked = 0
    for z in range(1, 7):
        for transition, c in rows_by_zone[z]:
            ident = int(c[0])
            what = "Zone%d %s row of ID %d at t=%s" % (z, "transition" if transition else
                                                        "section", ident, c[2])
            check(ident in PROCESSED, what + ": only processed IDs have rows")
            if ident not in levels_of:
                continue
            folder = levels_of[ident]
            if folder not in signals:
                signals[folder] = {n: read_native(os.path.join(folder, n + ".mvn"))
                                   for n in COMPUTED + ["Y11"]}
                src = folder.replace(out, ws, 1)
                signals[folder].update({n: read_native(os.path.join(src, n + ".mvn"))
                                        for n in ("Speed", "Track_km", "uf_mm")})
            sig = signals[folder]
            fs = sig["Speed"][0]
            first = int(round(c[2] * fs))
            last = int(round(c[3] * fs))
            if not check(1 <= first <= last <= len(sig["Speed"][1]), what + ": sample range"):
                continue
            check(close(c[4], (last - first) / fs), what + ": duration")
            v = sig["Speed"][1][first - 1:last].astype(np.float64)
            check(close(c[5], v.min()) and close(c[6], v.max()) and close(c[7], v.mean()),
                  what + ": speed min/max/mean %s %s %s" % (c[5], c[6], c[7]))
            km = sig["Track_km"][1]
            check(close(c[8], km[first - 1]) and close(c[9], km[last - 1]), what + ": km")
            if ident in REVERSE:
                check(c[8] > c[9], what + ": kilometres decrease in a reverse run")
            check(close(c[10], v.sum() / (3.6 * fs), rel=1e-4), what + ": length")
            uf = sig["uf_mm"][1][first - 1:last].astype(np.float64)
            # Zeroing moves uf by a constant: its spread stays.
            check(close(c[12] - c[11], uf.max() - uf.min(), rel=1e-4, abs_=1e-3),
                  what + ": uf spread")
            check(c[20] == "TRK01_Velim.xlsx" and c[21] is None, what + ": track label")
            check(zone_class(c[22], zones) == (7 if transition else z),
                  what + ": section radius %s belongs to the zone" % c[22])
            for col in [20, 24, 26, 28, 29] + list(range(44, 51)):
                check(c[col - 1] is None, what + ": column %d empty" % col)
            for k, name in enumerate(COMPUTED):
                x = sig[name][1][first - 1:last].astype(np.float64)
                expect = list(np.quantile(x, PERCENTILES, method="linear"))
                expect += [x.mean(), np.sqrt(np.mean(x * x)), x.max()]
                got = c[50 + 8 * k:58 + 8 * k]
                scale = max(1.0, float(np.abs(x).max()))
                ok = all(close(g, e, rel=1e-5, abs_=1e-6 * scale) for g, e in zip(got, expect))
                check(ok, what + ": %s statistics %s, numpy %s" % (name, got, expect))
            checked += 1
    check(checked >= 20, "at least 20 result rows recomputed (%d)" % checked)

    # Zeroing subtracts one constant from the whole signal.
    for folder, sig in signals.items():
        d = sig["Y11_0"][1].astype(np.float64) - sig["Y11"][1].astype(np.float64)
        check(np.ptp(d) < 1e-3 and abs(d.mean()) > 0.1, folder + ": Y11_0 is Y11 less a constant")
    return checked


def comparable_sheets(wb):
    """Every cell of every sheet, but the log's time stamps."""
    sheet, row, col = named_cell(wb, "Proc_ID")
    cells = {}
    for s in wb.worksheets:
        for r in s.iter_rows():
            for c in r:
                if c.value is None:
                    continue
                if s.title == sheet.title and c.row > row and c.column == col + 1:
                    continue
                cells[(s.title, c.row, c.column)] = (c.value, bool(c.font and c.font.b))
    return cells


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", required=True)
    ap.add_argument("--demo", required=True)
    ap.add_argument("--keep")
    a = ap.parse_args()

    rc, so, _ = run([a.cli, "--help"])
    if not any(line.strip().startswith("bulk ") for line in so.splitlines()):
        print("SKIPPED: %s has no bulk subcommand" % a.cli)
        return 77

    tmp = a.keep or tempfile.mkdtemp(prefix="mv-bulk-interop-")
    try:
        ws = os.path.join(tmp, "ws")
        shutil.rmtree(ws, ignore_errors=True)
        rc, so, se = run([a.demo, "--evaluation", ws])
        if rc != 0:
            print("mvt-demo failed: " + se, file=sys.stderr)
            return 1
        evalog = os.path.join(ws, "EvaLog.xlsx")
        with open(evalog, "rb") as f:
            evalog_bytes = f.read()

        outs = {}
        for jobs in (1, 2):
            out = os.path.join(tmp, "out%d" % jobs)
            shutil.rmtree(out, ignore_errors=True)
            os.makedirs(out)
            result = bulk(a.cli, ws, evalog, out, 1, LAST_ID,
                          ["--dest", out, "--out-evalog", os.path.join(out, "EvaLog.xlsx"),
                           "--jobs", str(jobs)])
            outs[jobs] = (out, result)
        with open(evalog, "rb") as f:
            check(f.read() == evalog_bytes, "--out-evalog leaves the EvaLog itself alone")

        out, result = outs[1]
        check(os.path.abspath(result.get("evalog", "")) == os.path.join(out, "EvaLog.xlsx"),
              "JSON names the EvaLog written")
        wb1 = openpyxl.load_workbook(os.path.join(out, "EvaLog.xlsx"))
        checked = check_main_run(ws, out, result, wb1)

        # --jobs 2 writes the same workbook and the same signals.
        out2, result2 = outs[2]
        wb2 = openpyxl.load_workbook(os.path.join(out2, "EvaLog.xlsx"))
        c1, c2 = comparable_sheets(wb1), comparable_sheets(wb2)
        diff = [k for k in set(c1) | set(c2) if c1.get(k) != c2.get(k)]
        check(not diff, "--jobs 1 and --jobs 2 workbooks differ at %s" % sorted(diff)[:5])
        check([e["outcome"] for e in result["ids"]] == [e["outcome"] for e in result2["ids"]],
              "--jobs 2 has the outcomes of --jobs 1")
        for e in result["ids"]:
            for f in e.get("files", []):
                f = os.path.abspath(f)
                g = f.replace(out, out2, 1)
                with open(f, "rb") as x, open(g, "rb") as y:
                    # The text header (bytes 0..127) and the signal note (499..753) carry
                    # the time of writing and of processing.
                    p, q = x.read(), y.read()
                    check(p[128:499] + p[754:] == q[128:499] + q[754:],
                          "%s equals under --jobs 2" % g)

        # A user condition: Dir_Track "TRK01" skips test 11, which ran on another track.
        cond = os.path.join(tmp, "EvaLog_cond.xlsx")
        wbc = openpyxl.load_workbook(evalog)
        sheet, r, c = named_cell(wbc, "Dir_Track")
        sheet.cell(r, c).value = "TRK01"
        wbc.save(cond)
        result3 = bulk(a.cli, ws, cond, None, 10, 11, ["--no-save"])
        by_id = {e["id"]: e["outcome"] for e in result3["ids"]}
        check(by_id == {10: "processed", 11: "skipped"},
              "Dir_Track TRK01: 10 processed, 11 skipped, got %s" % by_id)
        log = log_rows(openpyxl.load_workbook(cond))
        check(any(r[0] == "11" and r[1].startswith("User condition skip") and not r[2]
                  for r in log), "ID 11: 'User condition skip' in the EvaLog")
        check(not any(r[0] == "11" and r[1] == "Processed" for r in log), "ID 11 not processed")
    finally:
        if not a.keep:
            shutil.rmtree(tmp, ignore_errors=True)

    for f in failures[:40]:
        print("FAIL: " + f)
    if failures:
        print("%d checks failed" % len(failures))
        return 1
    print("ok: %d result rows recomputed with numpy" % checked)
    return 0


if __name__ == "__main__":
    sys.exit(main())
