#!/usr/bin/python3
"""Network benchmark of qinghe-analyse.
(1) 20 codes from a loopback server that delays every response by 100 ms,
    sends at most 2 MB/s per connection, compresses when asked and keeps
    connections alive: wall time and connections opened, one download at a
    time and with the default.
(2) Peak resident memory on an endless body and on a compressed bomb
    (1 GiB of zeros in about 1 MB).
usage: network.py PATH-TO-qinghe-analyse"""
import os
import subprocess
import sys
import time

from bench_server import BOMB_CODE, ENDLESS_CODE, Server, Settings
from pages import fund_pages, keep_history_apart, other_hosts_at


def sources_at(base):
    """The options that send every source's requests to `base`; the mobile
    endpoint (holdings and asset mix) under another host name, "localhost",
    as the site has it on a host of its own: the run keeps N connections to
    each host."""
    mobile = base.replace("127.0.0.1", "localhost")
    return ["--base-url", base, "--archive-url", base, "--mobile-url", mobile, *other_hosts_at(base)]


def run(command):
    """Wall seconds and peak resident memory (MB) of one run."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    return time.perf_counter() - start, usage.ru_maxrss / 1024, os.waitstatus_to_exitcode(status)


def slow_network(analyse):
    codes, pages = fund_pages(20)
    print("20 codes, 100 ms per response, 2 MB/s per connection, gzip when asked")
    for label, options in (("--parallel 1", ["--parallel", "1"]), ("default (4)", [])):
        settings = Settings(pages, delay=0.1, rate=2_000_000, compress=True)
        server = Server(settings)
        seconds, _, status = run([analyse, *sources_at(server.base_url), *options, *codes])
        server.close()
        print("  %-13s %6.3f s  %2d connections  exit %d" %
              (label, seconds, settings.connections, status))


def memory(analyse):
    print("peak resident memory")
    server = Server(Settings({}), with_bomb=True)
    for label, code in (("endless body", ENDLESS_CODE), ("compressed bomb", BOMB_CODE)):
        seconds, peak, status = run([analyse, *sources_at(server.base_url), code])
        print("  %-16s %7.1f MB  %6.3f s  exit %d" % (label, peak, seconds, status))
    server.close()


def main():
    analyse = sys.argv[1]
    keep_history_apart(analyse)
    slow_network(analyse)
    memory(analyse)


if __name__ == "__main__":
    sys.exit(main())
