#!/usr/bin/python3
"""The demo's evaluation workspace through `mvtervik-cli bulk --slurm` on a real, one-node
Slurm cluster started here, compared with a plain `bulk --jobs 2` run.

munged, slurmctld and slurmd run in the foreground as children of this script, with a key,
a slurm.conf and every state and log file in a temporary folder; they are stopped by their
process ids at the end, whatever happened. The submission (3 array tasks, --wait) must
write the EvaLog and the signal files a plain run writes (time stamps aside). The wall time
of both is printed: the overhead of submission, scheduling and merge.

usage: slurm_bulk_interop.py --cli MVTERVIK_CLI --demo MVT_DEMO [--keep DIR]
Exits 77 (skipped) when not run as root or when Slurm or munge is not installed.
"""
import argparse
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from demo_bulk_interop import LAST_ID, comparable_sheets  # noqa: E402

DAEMONS = ["munged", "mungekey", "slurmctld", "slurmd", "sbatch", "scontrol", "sinfo"]


def which(name):
    return shutil.which(name) or shutil.which(name, path="/usr/sbin:/sbin")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def write_conf(tmp, host):
    ports = (free_port(), free_port())
    conf = os.path.join(tmp, "slurm.conf")
    text = f"""ClusterName=mvtest
SlurmctldHost={host}(127.0.0.1)
SlurmctldPort={ports[0]}
SlurmdPort={ports[1]}
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket={tmp}/munge.socket
StateSaveLocation={tmp}/state
SlurmdSpoolDir={tmp}/spool
SlurmctldPidFile={tmp}/slurmctld.pid
SlurmdPidFile={tmp}/slurmd.pid
SlurmctldLogFile={tmp}/slurmctld.log
SlurmdLogFile={tmp}/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SchedulerType=sched/builtin
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
JobCompType=jobcomp/none
MpiDefault=none
ReturnToService=2
MinJobAge=600
NodeName={host} NodeAddr=127.0.0.1 CPUs={os.cpu_count() or 1} State=UNKNOWN
PartitionName=mvt Nodes={host} Default=YES MaxTime=INFINITE State=UP
"""
    with open(conf, "w") as f:
        f.write(text)
    for d in ("state", "spool"):
        os.makedirs(os.path.join(tmp, d), exist_ok=True)
    return conf


class Cluster:
    """munged, slurmctld and slurmd as children; stop() ends exactly those."""

    def __init__(self, tmp):
        self.tmp = tmp
        self.procs = []
        self.env = dict(os.environ)

    def start(self, name, args):
        log = open(os.path.join(self.tmp, name + ".stdout"), "w")
        p = subprocess.Popen([which(name)] + args, stdout=log, stderr=subprocess.STDOUT,
                             env=self.env, start_new_session=True)
        self.procs.append((name, p))
        return p

    def up(self):
        tmp = self.tmp
        key = os.path.join(tmp, "munge.key")
        subprocess.run([which("mungekey"), "--create", "--keyfile", key], check=True,
                       capture_output=True)
        os.chmod(key, 0o600)
        self.start("munged", ["-F", "--force", "--key-file=" + key,
                              "--socket=" + os.path.join(tmp, "munge.socket"),
                              "--pid-file=" + os.path.join(tmp, "munged.pid"),
                              "--log-file=" + os.path.join(tmp, "munged.log"),
                              "--seed-file=" + os.path.join(tmp, "munged.seed")])
        deadline = time.time() + 10
        while not os.path.exists(os.path.join(tmp, "munge.socket")):
            if time.time() > deadline:
                raise RuntimeError("munged did not start: " + self.log("munged"))
            time.sleep(0.1)
        host = socket.gethostname().split(".")[0]
        self.env["SLURM_CONF"] = write_conf(tmp, host)
        self.start("slurmctld", ["-D", "-i"])
        self.start("slurmd", ["-D", "-N", host])
        deadline = time.time() + 60
        while True:
            r = subprocess.run([which("sinfo"), "-h", "-o", "%T"], capture_output=True,
                               text=True, env=self.env)
            if r.returncode == 0 and r.stdout.strip() in ("idle", "mixed", "allocated"):
                return
            if time.time() > deadline:
                raise RuntimeError("the node did not come up (%s): %s\n%s" % (
                    r.stdout.strip() or r.stderr.strip(), self.log("slurmctld"),
                    self.log("slurmd")))
            for name, p in self.procs:
                if p.poll() is not None:
                    raise RuntimeError("%s ended (%d): %s" % (name, p.returncode,
                                                              self.log(name)))
            time.sleep(0.2)

    def log(self, name):
        out = ""
        for f in (name + ".log", name + ".stdout"):
            path = os.path.join(self.tmp, f)
            if os.path.exists(path):
                with open(path, errors="replace") as fh:
                    out += fh.read()[-3000:]
        return out

    def stop(self):
        for name, p in reversed(self.procs):
            if p.poll() is None:
                os.kill(p.pid, signal.SIGTERM)
                try:
                    p.wait(timeout=15)
                except subprocess.TimeoutExpired:
                    os.kill(p.pid, signal.SIGKILL)
                    p.wait()
        self.procs = []


def run(cmd, env=None):
    t0 = time.monotonic()
    r = subprocess.run(cmd, capture_output=True, text=True, env=env)
    return r, time.monotonic() - t0


def compare_files(out1, out2, failures):
    n = 0
    for dirpath, _, names in os.walk(out1):
        for name in names:
            if name == "EvaLog.xlsx":
                continue
            f = os.path.join(dirpath, name)
            g = f.replace(out1, out2, 1)
            if not os.path.exists(g):
                failures.append("%s written by the plain run only" % g)
                continue
            with open(f, "rb") as x, open(g, "rb") as y:
                p, q = x.read(), y.read()
            # The text header (bytes 0..127) and the signal note (499..753) carry the time
            # of writing and of processing.
            if p[128:499] + p[754:] != q[128:499] + q[754:]:
                failures.append("%s differs from the plain run's" % g)
            n += 1
    for dirpath, _, names in os.walk(out2):
        for name in names:
            g = os.path.join(dirpath, name)
            if name != "EvaLog.xlsx" and not os.path.exists(g.replace(out2, out1, 1)):
                failures.append("%s written under Slurm only" % g)
    return n


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", required=True)
    ap.add_argument("--demo", required=True)
    ap.add_argument("--keep")
    a = ap.parse_args()

    if os.geteuid() != 0:
        print("SKIPPED: the Slurm daemons of this test need root")
        return 77
    missing = [d for d in DAEMONS if not which(d)]
    if missing:
        print("SKIPPED: not installed: " + " ".join(missing))
        return 77
    r, _ = run([a.cli, "--help"])
    if "--slurm" not in r.stdout:
        print("SKIPPED: %s has no bulk --slurm" % a.cli)
        return 77
    import openpyxl

    tmp = a.keep or tempfile.mkdtemp(prefix="mv-slurm-interop-")
    os.makedirs(tmp, exist_ok=True)
    os.chmod(tmp, 0o755)
    cluster = Cluster(os.path.join(tmp, "cluster"))
    os.makedirs(cluster.tmp, exist_ok=True)
    failures = []
    try:
        ws = os.path.join(tmp, "ws")
        shutil.rmtree(ws, ignore_errors=True)
        r, _ = run([a.demo, "--evaluation", ws])
        if r.returncode != 0:
            print("mvt-demo failed: " + r.stderr, file=sys.stderr)
            return 1
        evalog = os.path.join(ws, "EvaLog.xlsx")
        common = ["--log", os.path.join(ws, "Log.xlsx"), "--evalog", evalog, "--from", "1",
                  "--to", str(LAST_ID), "--track-subdir", "Track", "--keep-names"]

        plain = os.path.join(tmp, "plain")
        os.makedirs(plain, exist_ok=True)
        r, t_plain = run([a.cli, "bulk"] + common +
                         ["--dest", plain, "--out-evalog", os.path.join(plain, "EvaLog.xlsx"),
                          "--jobs", "2"])
        if r.returncode != 0:
            print("plain bulk failed: " + r.stderr, file=sys.stderr)
            return 1

        t0 = time.monotonic()
        cluster.up()
        t_up = time.monotonic() - t0

        slurm = os.path.join(tmp, "slurm")
        os.makedirs(slurm, exist_ok=True)
        frag = os.path.join(tmp, "fragments")
        r, t_slurm = run([a.cli, "bulk"] + common +
                         ["--dest", slurm, "--out-evalog", os.path.join(slurm, "EvaLog.xlsx"),
                          "--fragment", frag, "--slurm", "--tasks", "3", "--wait", "--json"],
                         env=cluster.env)
        if r.returncode != 0:
            print("bulk --slurm failed (%d):\n%s\n%s" % (r.returncode, r.stdout, r.stderr),
                  file=sys.stderr)
            for f in sorted(os.listdir(os.path.join(frag, "slurm"))):
                if f.endswith(".out"):
                    with open(os.path.join(frag, "slurm", f), errors="replace") as fh:
                        print("--- %s\n%s" % (f, fh.read()[-2000:]), file=sys.stderr)
            print(cluster.log("slurmctld"), file=sys.stderr)
            return 1
        report = json.loads(r.stdout)
        if not (report.get("merged") and report.get("mergeState") == "COMPLETED"):
            failures.append("the submission reports %s" % r.stdout)
        if len(report.get("slices", [])) != 3:
            failures.append("3 slices submitted: %s" % report.get("slices"))
        merge = report.get("merge", {})
        if sorted(e["id"] for e in merge.get("ids", [])) != list(range(1, LAST_ID + 1)):
            failures.append("the merge committed IDs 1..%d" % LAST_ID)

        c1 = comparable_sheets(openpyxl.load_workbook(os.path.join(plain, "EvaLog.xlsx")))
        c2 = comparable_sheets(openpyxl.load_workbook(os.path.join(slurm, "EvaLog.xlsx")))
        diff = sorted(k for k in set(c1) | set(c2) if c1.get(k) != c2.get(k))
        if diff:
            failures.append("the merged EvaLog differs from the plain run's at %s" % diff[:5])
        if len(c1) < 1000:
            failures.append("the plain EvaLog holds only %d cells" % len(c1))
        files = compare_files(plain, slurm, failures)
        if files < 100:
            failures.append("only %d signal files compared" % files)

        # A slice that fails for real: a folder where the task must remove an old record.
        # Slurm cancels the merge (afterok never satisfied), the submission names the IDs
        # of that slice; --resume runs that slice alone and the merge then completes.
        again = os.path.join(tmp, "again")
        frag2 = os.path.join(tmp, "fragments2")
        os.makedirs(os.path.join(frag2, "record-6.json", "obstacle"))
        os.makedirs(again, exist_ok=True)
        cmd = [a.cli, "bulk"] + common + [
            "--dest", again, "--out-evalog", os.path.join(again, "EvaLog.xlsx"),
            "--fragment", frag2, "--slurm", "--tasks", "3", "--wait", "--json"]
        r, _ = run(cmd, env=cluster.env)
        rep = json.loads(r.stdout or "{}")
        if r.returncode != 1 or rep.get("mergeState") != "CANCELLED" or \
                rep.get("missing") != [5, 6, 7, 8]:
            failures.append("a failed slice: exit %d, %s\n%s" % (r.returncode, r.stdout,
                                                                  r.stderr))
        shutil.rmtree(os.path.join(frag2, "record-6.json"))
        r, _ = run(cmd + ["--resume"], env=cluster.env)
        rep = json.loads(r.stdout or "{}")
        if r.returncode != 0 or [s["task"] for s in rep.get("slices", [])] != [1]:
            failures.append("--resume: exit %d, %s\n%s" % (r.returncode, r.stdout, r.stderr))
        else:
            c3 = comparable_sheets(openpyxl.load_workbook(os.path.join(again, "EvaLog.xlsx")))
            diff = sorted(k for k in set(c1) | set(c3) if c1.get(k) != c3.get(k))
            if diff:
                failures.append("the resumed EvaLog differs from the plain run's at %s" %
                                diff[:5])

        print("single-node Slurm: cluster up in %.1f s; bulk --jobs 2 %.2f s; "
              "bulk --slurm --tasks 3 --wait %.2f s; overhead %.2f s" %
              (t_up, t_plain, t_slurm, t_slurm - t_plain))
    except Exception as e:  # the daemons are stopped below either way
        failures.append("%s: %s" % (type(e).__name__, e))
    finally:
        cluster.stop()
        if not a.keep:
            shutil.rmtree(tmp, ignore_errors=True)

    for f in failures[:40]:
        print("FAIL: " + f)
    if failures:
        return 1
    print("ok: the merged EvaLog and the signal files equal a plain run's")
    return 0


if __name__ == "__main__":
    sys.exit(main())
