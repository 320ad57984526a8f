#!/usr/bin/python3
"""qinghe-analyse side by side with bench/fund_holdings.py (urllib + lxml) on
50 fund pages served on loopback: alternating runs, several rounds, the
median wall time of each and their ratio.
usage: side_by_side.py PATH-TO-qinghe-analyse [ROUNDS]"""
import os
import statistics
import subprocess
import sys
import time

from bench_server import Server, Settings
from pages import HERE, fund_pages

CODES = 50


def timed(command):
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start, done.stdout.count(b"\n")


def main():
    analyse = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    codes, pages = fund_pages(CODES)
    server = Server(Settings(pages))
    ours = [analyse, "--base-url", server.base_url] + codes
    script = ["/usr/bin/python3", str(HERE / "fund_holdings.py"), server.base_url] + codes
    times = {"qinghe-analyse": [], "python script": []}
    lines = {}
    for _ in range(rounds):
        for name, command in (("qinghe-analyse", ours), ("python script", script)):
            seconds, count = timed(command)
            times[name].append(seconds)
            lines[name] = count
    server.close()
    print("%d pages on loopback, %d rounds, alternating" % (len(codes), rounds))
    for name, values in times.items():
        print("  %-15s median %7.1f ms  (min %.1f, max %.1f)  %d lines" %
              (name, statistics.median(values) * 1000, min(values) * 1000,
               max(values) * 1000, lines[name]))
    ratio = statistics.median(times["python script"]) / statistics.median(times["qinghe-analyse"])
    print("  qinghe-analyse runs at %.2f x the script's speed" % ratio)


if __name__ == "__main__":
    sys.exit(main())
