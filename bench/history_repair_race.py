#!/usr/bin/env python3
"""Six qinghe-analyse runs at once on a damaged history, round after round.

Each round copies a history of 100 stored funds, cut to its first 10,000
bytes, beside a copy of the program, then starts six runs together, each
reading 10 funds of its own from fund_page_server.py. Afterwards every run
must have exited 0, and each of its 60 funds must be in the history the runs
left, unless that run said on standard error that it did not store them.
Prints, per round that broke this, what went wrong, and at the end the
totals: funds lost (stored nowhere without a word), runs that said they
could not store, and how many files were moved aside per round.

    bench/history_repair_race.py build/analysis/qinghe-analyse [ROUNDS]
"""
import collections
import os
import pathlib
import shutil
import sqlite3
import subprocess
import sys
import tempfile

from pages import other_hosts_at

RUNS, FUNDS_EACH, CUT_AT = 6, 10, 10_000
HERE = pathlib.Path(__file__).resolve().parent


def start_server():
    server = subprocess.Popen([sys.executable, str(HERE / "fund_page_server.py")],
                              stdout=subprocess.PIPE, text=True)
    return server, f"http://127.0.0.1:{server.stdout.readline().strip()}/"


def analyse(program, base, codes, wait=True):
    args = [str(program), "--base-url", base, "--archive-url", base, "--mobile-url", base,
            *other_hosts_at(base), *codes]
    run = subprocess.Popen(args, cwd=program.parent, stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, text=True)
    return run.communicate() and run if wait else run


def what_it_said(stderr):
    """What a run said, without its progress lines."""
    return " | ".join(line for line in stderr.splitlines() if line.startswith("qinghe-analyse:"))


def stored_codes(history):
    try:
        with sqlite3.connect(f"file:{history}?mode=ro", uri=True) as db:
            return {code for (code,) in db.execute("SELECT code FROM report")}
    except sqlite3.Error as error:
        return error


def one_round(program, base, template):
    folder = program.parent
    for old in folder.glob("history.sqlite3*"):
        old.unlink()
    (folder / "history.sqlite3").write_bytes(template[:CUT_AT])
    codes = [[str(100000 + run * FUNDS_EACH + n) for n in range(FUNDS_EACH)]
             for run in range(RUNS)]
    runs = [analyse(program, base, c, wait=False) for c in codes]
    errors = [what_it_said(run.communicate()[1]) for run in runs]
    stored = stored_codes(folder / "history.sqlite3")
    faults, lost, told = [], 0, 0
    if isinstance(stored, Exception):
        return [f"history unreadable: {stored}"], RUNS * FUNDS_EACH, 0, 0
    for run, err, its_codes in zip(runs, errors, codes):
        missing = [c for c in its_codes if c not in stored]
        said = "not stored" in err or "history off" in err
        told += said
        if said:
            faults.append(f"said it could not store: {err}")
        if run.returncode != 0:
            faults.append(f"status {run.returncode}: {err}")
        if missing and not said:
            lost += len(missing)
            faults.append(f"{len(missing)} funds lost without a word: {err or '(nothing said)'}")
        if "disk I/O error" in err:
            faults.append(f"I/O error: {err}")
    return faults, lost, told, len(list(folder.glob("history.sqlite3.broken-*[0-9]")))


def main():
    program_given = pathlib.Path(sys.argv[1]).resolve()
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 500
    server, base = start_server()
    try:
        with tempfile.TemporaryDirectory() as folder:
            program = pathlib.Path(folder) / "qinghe-analyse"
            shutil.copy(program_given, program)
            analyse(program, base, [str(900000 + n) for n in range(100)])
            template = (program.parent / "history.sqlite3").read_bytes()
            assert len(template) > CUT_AT, len(template)
            lost_total, told_total, asides = 0, 0, collections.Counter()
            for number in range(1, rounds + 1):
                faults, lost, told, aside = one_round(program, base, template)
                lost_total, told_total = lost_total + lost, told_total + told
                asides[aside] += 1
                for fault in faults:
                    print(f"round {number}: {fault}", flush=True)
            print(f"{rounds} rounds of {RUNS} runs: {lost_total} funds lost, "
                  f"{told_total} runs said they could not store, "
                  f"files moved aside per round: {dict(sorted(asides.items()))}")
            return 1 if lost_total else 0
    finally:
        server.kill()
        server.wait()


if __name__ == "__main__":
    sys.exit(main())
