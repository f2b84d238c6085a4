#!/usr/bin/env python3
"""Replays the hostile corpus against vestura-cli.

Every tests/hostile/gen_<class>.py OUTDIR writes its inputs into OUTDIR and prints one line
per input: RELPATH<TAB>COMMAND<TAB>EXPECTED[<TAB>heavy][<TAB>as=MiB][<TAB>keeps=RELPATH]
[<TAB>fsize=BYTES]

  COMMAND   convert  vestura-cli convert OUTDIR/RELPATH out.bmp
            render   a catalogue folder whose seven list files name the picture as entry 1,
                     vestura-cli render --folder F with every category 1 and --output
            list, check  RELPATH is a folder of list files: vestura-cli list|check --folder
            doctor   RELPATH is a game folder: vestura-cli doctor --game OUTDIR/RELPATH --fix
            games    RELPATH is a home folder: vestura-cli games with HOME set to it
            recipes  RELPATH is a recipes file: vestura-cli render --recipes over the
                     shipped catalogue, run in the work folder
            view     RELPATH is a .dff file: vestura-cli view --model, at 1024 x 1024
            viewbig  the same at the largest size
            viewgame RELPATH is a game folder: vestura-cli view --game
            base     RELPATH is a picture: vestura-cli render over the shipped catalogue with
                     --base RELPATH and every part in a colour
            record   RELPATH is a game folder: vestura-cli render over the shipped catalogue
                     into its skins folder, recording the outfit in skins/outfits.txt
  EXPECTED  ok       exit 0 and, where a bitmap is written, a 24-bit BMP of more than 0 x 0
            text     exit 1 with the text in the program's output (stderr, or stdout for check)
  heavy     the sanitizer pass leaves the input out
  as=MiB    the address-space cap for this input instead of the default 1 GiB
  keeps=P   the node OUTDIR/P is the same afterwards: its kind, device and (for a regular
            file) every byte
  fsize=B   the child may write no file past B bytes, as on a full disk

Each input runs in its own child process under an address-space cap and a hang timeout.

  replay.py --cli PATH [--sanitize] GEN.py...      assert every outcome (exit 1 on a failure)
  replay.py --cli PATH --bench [GEN.py...]         also print per class the worst CPU time
                                                   and peak memory above an idle run, of one
                                                   picture: a render input is timed in each
                                                   slot on its own
"""

import argparse
import glob
import os
import resource
import shutil
import signal
import stat
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import files  # noqa: E402

MIB = 1 << 20
DEFAULT_AS_MIB = 1024
HANG_SECONDS = 20
OUTPUT_KEPT = 256 * 1024
EXTRA_ENV = {}
VIEW_SIZE = 1024
VIEW_LARGEST = 4096  # the largest picture vestura-cli view draws
CATEGORIES = ("glasses", "beard", "chain", "watch", "shirt", "jeans", "boots")


class Outcome:
    def __init__(self, rc, output, cpu, peak_kib, timed_out):
        self.rc, self.output, self.cpu, self.peak_kib, self.timed_out = (
            rc, output, cpu, peak_kib, timed_out)


def read_bounded(out, keep=OUTPUT_KEPT):
    """The child's output, its middle left out when it is long: this process forks every
    child, and a child's peak memory counts this process's own, so it must stay small."""
    size = out.seek(0, os.SEEK_END)
    out.seek(0)
    if size <= 2 * keep:
        return out.read().decode("latin-1")
    head = out.read(keep)
    out.seek(size - keep)
    return (head + b"\n[...]\n" + out.read(keep)).decode("latin-1")


def run_child(argv, as_mib, timeout, cwd, env_extra=None, fsize=None):
    """Runs argv with its own address-space cap (and file-size cap, whose signal is ignored so
    writes come back short); returns its exit, output, CPU and peak RSS."""

    def limit():
        os.setsid()
        if as_mib:
            resource.setrlimit(resource.RLIMIT_AS, (as_mib * MIB, as_mib * MIB))
        if fsize is not None:
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (fsize, fsize))

    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", **EXTRA_ENV, **(env_extra or {}))
    for name in ("XDG_DATA_HOME", "WINEPREFIX"):
        if env_extra and name not in env_extra:
            env.pop(name, None)
    with tempfile.TemporaryFile() as out:
        child = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                                 cwd=cwd, env=env, preexec_fn=limit)
        deadline = time.monotonic() + timeout
        timed_out = False
        while True:
            pid, status, usage = os.wait4(child.pid, os.WNOHANG)
            if pid:
                break
            if time.monotonic() > deadline:
                timed_out = True
                os.killpg(child.pid, signal.SIGKILL)
                pid, status, usage = os.wait4(child.pid, 0)
                break
            time.sleep(0.01)
        child.returncode = 0  # reaped here, not by Popen
        text = read_bounded(out)
    rc = os.waitstatus_to_exitcode(status)
    return Outcome(rc, text, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, timed_out)


def bmp_check(path):
    """Why `path` is not a 24-bit BMP of more than 0 x 0 pixels, or None when it is one."""
    try:
        data = open(path, "rb").read(30)
    except OSError:
        return "no bitmap written"
    if len(data) < 30 or data[:2] != b"BM":
        return "output is not a BMP"
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24:
        return "output has %d bits per pixel" % bits
    if width == 0 or height == 0:
        return "output is %d x %d" % (width, abs(height))
    return None


def render_folder(outdir, relpath, index):
    folder = os.path.join(outdir, ".render", str(index))
    os.makedirs(folder, exist_ok=True)
    target = os.path.relpath(os.path.join(outdir, relpath), folder)
    for name in files.LIST_FILES:
        with open(os.path.join(folder, name), "w", newline="") as f:
            f.write("<NEW>\r\n%s\r\nhostile\r\n" % target)
    return folder


def command_for(cli, outdir, relpath, command, index, work, categories=CATEGORIES):
    output = os.path.join(work, "out%d.bmp" % index)
    if command == "convert":
        return [cli, "convert", os.path.join(outdir, relpath), output], output
    if command == "render":
        argv = [cli, "render", "--folder", render_folder(outdir, relpath, index)]
        for category in categories:
            argv += ["--" + category, "1"]
        return argv + ["--output", output], output
    if command in ("view", "viewbig", "viewgame"):
        source = "--game" if command == "viewgame" else "--model"
        size = VIEW_LARGEST if command == "viewbig" else VIEW_SIZE
        return [cli, "view", source, os.path.join(outdir, relpath), "--size", str(size),
                "--output", output], output
    if command in ("list", "check"):
        return [cli, command, "--folder", os.path.join(outdir, relpath)], None
    if command == "doctor":
        return [cli, "doctor", "--game", os.path.join(outdir, relpath), "--fix"], None
    if command == "games":
        return [cli, "games"], None
    if command == "recipes":
        return [cli, "render", "--folder", os.path.join(files.SOURCE, "catalogue"),
                "--recipes", os.path.join(outdir, relpath)], None
    if command == "base":
        argv = [cli, "render", "--folder", os.path.join(files.SOURCE, "catalogue"),
                "--base", os.path.join(outdir, relpath)]
        for number, category in enumerate(categories):
            argv += ["--" + category, "1", "--colour", "%s=#%06X" % (category, number * 0x242424)]
        return argv + ["--output", output], output
    if command == "record":
        output = os.path.join(outdir, relpath, "skins", "New.bmp")
        return [cli, "render", "--folder", os.path.join(files.SOURCE, "catalogue"), "--glasses",
                "1", "--output", output], output
    raise ValueError("unknown command %r" % command)


def verdict(outcome, expected, output):
    """None when the outcome is the expected one, else what went wrong."""
    if outcome.timed_out:
        return "still running after the hang timeout"
    if outcome.rc < 0:
        return "ended by signal %d" % -outcome.rc
    if expected == "ok":
        if outcome.rc != 0:
            return "exit %d" % outcome.rc
        return bmp_check(output) if output else None
    if outcome.rc != 1:
        return "exit %d, expected 1" % outcome.rc
    if expected not in outcome.output:
        return "message %r missing" % expected
    return None


def node_state(path):
    """What must not change about a node: its kind and device, and a regular file's bytes."""
    status = os.lstat(path)
    content = open(path, "rb").read() if stat.S_ISREG(status.st_mode) else None
    return stat.S_IFMT(status.st_mode), status.st_rdev, content


class Input:
    def __init__(self, line):
        fields = line.rstrip("\n").split("\t")
        self.relpath, self.command, self.expected = fields[:3]
        self.heavy = "heavy" in fields[3:]
        self.as_mib, self.keeps, self.fsize = DEFAULT_AS_MIB, None, None
        for field in fields[3:]:
            key, _, value = field.partition("=")
            if key == "as":
                self.as_mib = int(value)
            elif key == "keeps":
                self.keeps = value
            elif key == "fsize":
                self.fsize = int(value)


def replay(generator, cli, args, work):
    name = os.path.basename(generator)[len("gen_"):-len(".py")]
    outdir = os.path.join(work, name)
    listing = subprocess.run([sys.executable, generator, outdir], check=True,
                             stdout=subprocess.PIPE, text=True).stdout
    results = []
    for index, line in enumerate(l for l in listing.splitlines() if l.strip()):
        item = Input(line)
        relpath, command, expected, as_mib = item.relpath, item.command, item.expected, item.as_mib
        if args.sanitize and (item.heavy or as_mib != DEFAULT_AS_MIB):
            continue  # sanitizers reserve terabytes of shadow memory: no cap applies
        if args.sanitize or (args.no_cap and as_mib == DEFAULT_AS_MIB):
            cap = None
        else:
            cap = as_mib
        kept = os.path.join(outdir, item.keeps) if item.keeps else None
        before = node_state(kept) if kept else None
        # The test puts the picture in all seven slots at once. The benchmark's goals are for
        # one picture loaded and first drawn, so it times each slot on its own and keeps the
        # worst slot's figures; an input with a cap of its own is about running out of
        # memory with all seven, and runs as the test runs it.
        per_slot = args.bench and command == "render" and as_mib == DEFAULT_AS_MIB
        slots = [(c,) for c in CATEGORIES] if per_slot else [CATEGORIES]
        outcome, problem = None, None
        for categories in slots:
            argv, output = command_for(cli, outdir, relpath, command, index, work, categories)
            home = {"HOME": os.path.join(outdir, relpath)} if command == "games" else None
            tried = run_child(argv, cap, args.timeout, work, home, item.fsize)
            problem = problem or verdict(tried, expected, output)
            if outcome is None or (tried.timed_out, tried.cpu) > (outcome.timed_out, outcome.cpu):
                peak = max(tried.peak_kib, outcome.peak_kib) if outcome else tried.peak_kib
                outcome, outcome.peak_kib = tried, peak
            else:
                outcome.peak_kib = max(outcome.peak_kib, tried.peak_kib)
        if kept and problem is None and node_state(kept) != before:
            problem = "%s was replaced or changed" % item.keeps
        results.append((name, relpath, command, outcome, problem))
        status = "ok  " if problem is None else "FAIL"
        print("%s %-8s %-44s %6.2f s %7.1f MiB  %s" % (
            status, command, relpath, outcome.cpu, outcome.peak_kib / 1024.0,
            "" if problem is None else problem + " | " + outcome.output.strip()[-300:]),
            flush=True)
        if output and os.path.exists(output):
            os.remove(output)
    return results


def idle_reference(cli, work):
    """The CPU and peak memory of converting a tiny bitmap: the program's own floor."""
    tiny = os.path.join(work, "idle.bmp")
    with open(tiny, "wb") as f:
        f.write(files.bmp(2, 2, 24, pixels=b"\x00" * 16))
    best = None
    for _ in range(3):
        outcome = run_child([cli, "convert", tiny, os.path.join(work, "idle-out.bmp")],
                            None, HANG_SECONDS, work)
        if best is None or outcome.peak_kib < best.peak_kib:
            best = outcome
    return best


def report(results, idle):
    print()
    print("idle reference (convert of a 2 x 2 bitmap): %.2f s CPU, %.1f MiB peak" % (
        idle.cpu, idle.peak_kib / 1024.0))
    print("%-22s %10s %6s %14s %6s  %s" % ("class", "worst CPU", "goal", "peak above idle",
                                            "goal", "worst inputs (CPU; memory)"))
    classes = {}
    for name, relpath, command, outcome, problem in results:
        classes.setdefault(name, []).append((relpath, command, outcome, problem))
    for name, entries in sorted(classes.items()):
        cpu = max(entries, key=lambda e: (e[2].timed_out, e[2].cpu))
        mem = max(entries, key=lambda e: e[2].peak_kib)
        above = (mem[2].peak_kib - idle.peak_kib) / 1024.0
        cpu_text = (">%d s" % HANG_SECONDS) if cpu[2].timed_out else "%.2f s" % cpu[2].cpu
        failed = sum(1 for e in entries if e[3] is not None)
        print("%-22s %10s %6s %10.1f MiB %6s  %s; %s%s" % (
            name, cpu_text, "1 s", above, "256", cpu[0], mem[0],
            "  (%d of %d not as expected)" % (failed, len(entries)) if failed else ""))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--sanitize", action="store_true",
                        help="leave out heavy and capped inputs, no address-space cap")
    parser.add_argument("--bench", action="store_true", help="print the per-class figures")
    parser.add_argument("--no-cap", action="store_true", help="run without the default address-space cap")
    parser.add_argument("--timeout", type=float, default=HANG_SECONDS)
    parser.add_argument("generators", nargs="*")
    args = parser.parse_args()
    generators = args.generators or sorted(glob.glob(os.path.join(HERE, "gen_*.py")))
    cli = os.path.abspath(args.cli)
    if args.sanitize:
        # Font configuration keeps its caches until exit; that is not a leak of ours.
        EXTRA_ENV["LSAN_OPTIONS"] = "suppressions=" + os.path.join(
            files.SOURCE, "fuzz", "lsan.supp")
    work = tempfile.mkdtemp(prefix="vestura-hostile-")
    try:
        results = []
        for generator in generators:
            results += replay(generator, cli, args, work)
        if args.bench:
            report(results, idle_reference(cli, work))
    finally:
        # A generator may have made folders immutable; they must be freed to be removed.
        if shutil.which("chattr"):
            subprocess.run(["chattr", "-R", "-i", work], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        shutil.rmtree(work, ignore_errors=True)
    failures = [r for r in results if r[4] is not None]
    if failures and not args.bench:
        print("%d of %d inputs not as expected" % (len(failures), len(results)))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
