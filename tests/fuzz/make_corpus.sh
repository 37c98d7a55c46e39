#!/usr/bin/env bash
# Regenerates the seed corpora under tests/fuzz/corpus from the project's own fixtures
# and demo files: BUILD is a fuzz tree (or any tree) with fuzz_make_seeds and mvt-demo
# built. Seeds stay small (a few KB) so the repository keeps them.
#   tests/fuzz/make_corpus.sh build/fuzz
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "${1:?usage: make_corpus.sh BUILD_DIR}" && pwd)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

# Signal readers: our writers and the recorders' layouts.
"$BUILD/tests/fuzz/fuzz_make_seeds" "$HERE"
# The demo workspace: its Log, EvaLog, track workbook and settings.
ASAN_OPTIONS=detect_leaks=0 "$BUILD/tools/demo/mvt-demo" "$TMP/demo" >/dev/null

/usr/bin/python3 - "$HERE" "$TMP/demo" <<'PY'
import os, re, sys, zipfile, openpyxl

here, demo = sys.argv[1], sys.argv[2]
corpus = os.path.join(here, "corpus")

def put(target, name, data):
    d = os.path.join(corpus, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))

ev = os.path.join(demo, "evaluation")
books = {"Log": os.path.join(ev, "Log.xlsx"), "EvaLog": os.path.join(ev, "EvaLog.xlsx"),
         "Track": os.path.join(ev, "Track", "TRK01_Velim.xlsx")}

# Workbook engine: each package as its parts in text, sheets cut to their first rows.
def cut_sheet(xml, rows):
    m = list(re.finditer(r"<row [^>]*>.*?</row>", xml, re.S))
    if len(m) <= rows:
        return xml
    return xml[:m[rows].start()] + xml[m[-1].end():]

for name, path in books.items():
    if not os.path.exists(path):
        continue
    with zipfile.ZipFile(path) as z:
        # Sheets last, each cut to its first rows, so that the seed stays a few KB and
        # every other part is whole.
        infos = sorted(z.infolist(), key=lambda i: i.filename.startswith("xl/worksheets/"))
        parts = []
        for info in infos:
            text = z.read(info).decode("utf-8", "replace")
            if info.filename.startswith("xl/worksheets/"):
                text = cut_sheet(text, 8)
            parts.append("==> " + info.filename + "\n" + text)
        blob = "\n".join(parts)
        put("workbook", name + ".parts", blob[:16000])
put("workbook", "sheet-only.xml",
    '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
    '<row r="1"><c r="A1"><v>1.5</v></c><c r="B1" t="inlineStr"><is><t>Test ID</t></is></c>'
    '<c r="C1" t="b"><v>1</v></c><c r="D1" t="e"><v>#N/A</v></c></row></sheetData>'
    '<mergeCells count="1"><mergeCell ref="A3:B4"/></mergeCells></worksheet>')
# A small whole .xlsx as our writer makes it: the smallest demo package.
small = min((p for p in books.values() if os.path.exists(p)), key=os.path.getsize)
if os.path.getsize(small) <= 16000:
    put("workbook", "small.xlsx", open(small, "rb").read())

# Table readers: the demo's Log and EvaLog as grid text, their first rows.
def cell_text(c):
    v = c.value
    if v is None:
        return ""
    if isinstance(v, bool):
        return "1" if v else "0"
    if isinstance(v, float) and v.is_integer():
        v = int(v)
    t = str(v).replace("\t", " ").replace("\n", " ")
    if c.font is not None and c.font.b:
        t = "*" + t
    return t

def grid(ws, first, last, maxcol=40):
    out = []
    for r in range(first, min(last, ws.max_row) + 1):
        cells = [cell_text(ws.cell(r, c)) for c in range(1, min(ws.max_column, maxcol) + 1)]
        while cells and cells[-1] == "":
            cells.pop()
        out.append("\t".join(cells))
    return out

def book_grid(path, book, rows):
    wb = openpyxl.load_workbook(path)
    lines = ["%" + book]
    first = True
    for ws in wb.worksheets:
        lines.append("#" + ws.title)
        lines += grid(ws, 1, rows.get(ws.title, 14))
    for dn in wb.defined_names.values() if hasattr(wb.defined_names, "values") else wb.defined_names.definedName:
        for title, ref in dn.destinations:
            m = re.match(r"\$?([A-Z]+)\$?(\d+)", ref)
            if m and title in wb.sheetnames:
                col = openpyxl.utils.column_index_from_string(m.group(1))
                lines.append("#" + title)
                lines.append("!%s=%s,%d" % (dn.name, m.group(2), col))
    return lines

log = book_grid(books["Log"], "Log.xlsx", {"Log": 30})
eva = book_grid(books["EvaLog"], "EvaLog.xlsx", {"PARAM": 40, "EvaLog": 20})
put("tables", "log.grid", "\n".join(log)[:6000])
put("tables", "evalog.grid", "\n".join(eva)[:8000])
put("tables", "log-and-evalog.grid", ("\n".join(log)[:4000] + "\n" + "\n".join(eva)[:6000]))

# Polygraph block: PARAM rows 151..246 of the demo EvaLog, when it holds any, and a
# hand-made block of two polygraphs.
wb = openpyxl.load_workbook(books["EvaLog"])
if "PARAM" in wb.sheetnames:
    rows = grid(wb["PARAM"], 151, 246, 26)
    if any(r.strip() for r in rows):
        put("polygraph", "demo.grid", "\n".join(rows))

# Settings: the demo session's file and one with a BOM, comments and escapes.
settings = open(os.path.join(demo, "settings.ini"), encoding="utf-8", errors="replace").read()
put("settings", "demo.ini", settings[:6000])
put("settings", "escapes.ini",
    "\ufeff[General]\nLoadFileFormat=3\nDestinationPath=\"/tmp/a, b\"\n; note\n"
    "[Signals]\n001\\DecPlaces=2\n001\\SigColor=255\n[DevFn]\nQYTL_filter=0.5\n"
    "DevChannelSet=@ByteArray(1010)\n[WindowPos]\nMainLeft=10\nMainWidth=800\n"
    "[%General]\nx=y\\\n continued\n")

# Function chains: the texts the unit tests attach, up to four steps a seed.
texts = []
for f in ("FnTextTest.cpp", "FnFunctionsTest.cpp", "ProcessSignalTest.cpp"):
    src = open(os.path.join(here, "..", "processing", f), encoding="utf-8").read()
    texts += re.findall(r'"([A-Z][A-Za-z0-9_-]*\( [^"]*\))"', src)
seen = []
for t in texts:
    if t not in seen:
        seen.append(t)
for i in range(0, len(seen), 3):
    put("chain", "chain-%02d.txt" % (i // 3), "\n".join(seen[i:i + 3]))
PY
echo "make_corpus: $(find "$HERE/corpus" -type f | wc -l) seeds, $(du -sh "$HERE/corpus" | cut -f1)"
