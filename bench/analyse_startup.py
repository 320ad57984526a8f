#!/usr/bin/python3
"""Start-up of qinghe-analyse: the wall time of `--version` (the process
started, its libraries loaded and relocated, the answer printed), several
runs, and the shared libraries it loads.
usage: analyse_startup.py PATH-TO-qinghe-analyse [RUNS]"""
import statistics
import subprocess
import sys
import time


def main():
    analyse = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run([analyse, "--version"], stdout=subprocess.DEVNULL, check=True)
        times.append((time.perf_counter() - start) * 1000)
    listed = subprocess.run(["ldd", analyse], capture_output=True, text=True).stdout
    loaded = [line for line in listed.splitlines() if "=>" in line or "ld-linux" in line]
    print("qinghe-analyse --version, %d runs: median %.1f ms (min %.1f, max %.1f)"
          % (runs, statistics.median(times), min(times), max(times)))
    print("  %d shared libraries loaded" % len(loaded))


if __name__ == "__main__":
    main()
