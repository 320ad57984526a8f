#!/usr/bin/python3
"""qinghe-analyse side by side with bench/fund_holdings.py (urllib + lxml) on
50 fund pages served on loopback: alternating runs, several rounds, the
median wall time of each and their ratio. The script runs two ways: reading
each page whole with lxml (the whole-page script), and cutting the holdings
section before lxml reads it (a script tuned as ours is). Every host qinghe-analyse asks
(the page, the archive, the mobile endpoint of the asset mix) is the
loopback server: a host left at its default would be looked up on the
network and time the resolver instead. Both clients run against two
servers in turn: the native keep-alive server of the build
(bench_page_server, beside qinghe-analyse's folder) and the Python server of
the other benchmarks, whose own time per page weighs on both clients. A
third and fourth line give the floor of the machine: curl fetching the same
pages one at a time and 4 at once, as qinghe-analyse does by default; a
fifth, curl asking all that qinghe-analyse asks (the pages and each fund's
asset mix from the mobile host).
usage: side_by_side.py PATH-TO-qinghe-analyse [ROUNDS]"""
import pathlib
import shutil
import statistics
import subprocess
import sys
import time

from bench_server import Server, Settings
from network import sources_at
from pages import HERE, fund_pages, keep_history_apart

CODES = 50


class NativeServer:
    """bench_page_server as a child process; it stops when its input ends."""

    def __init__(self, program, folder):
        self.process = subprocess.Popen([str(program), str(folder)], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE)
        self.base_url = "http://127.0.0.1:%d/" % int(self.process.stdout.readline())

    def close(self):
        self.process.stdin.close()
        self.process.wait()


def timed(command):
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start, done.stdout.count(b"\n")


def alternate(commands, rounds):
    """Runs the commands ({name: command}) in turn, `rounds` times over,
    prints each one's median, spread and output lines; gives the medians."""
    times = {name: [] for name in commands}
    lines = {}
    for _ in range(rounds):
        for name, command in commands.items():
            seconds, count = timed(command)
            times[name].append(seconds)
            lines[name] = count
    for name, values in times.items():
        print("    %-22s median %7.1f ms  (min %.1f, max %.1f)  %d lines" %
              (name, statistics.median(values) * 1000, min(values) * 1000,
               max(values) * 1000, lines[name]))
    return {name: statistics.median(values) for name, values in times.items()}


CURL_AT_ONCE = 4


def curl_commands(urls):
    """curl fetching `urls`, one at a time and CURL_AT_ONCE at once, nothing kept."""
    one = ["curl", "-s"] + [arg for url in urls for arg in ("-o", "/dev/null", url)]
    at_once = ["curl", "-s", "-Z", "--parallel-max", str(CURL_AT_ONCE)] + one[2:]
    return {"curl (fetch only)": one, "curl -Z (4 at once)": at_once}


def asset_mix_url(base, code):
    """The mobile endpoint's asset mix of `code`, as qinghe-analyse asks it."""
    return ("%sFundMNewApi/FundMNAssetAllocationNew?FCODE=%s&deviceid=Wap&plat=Wap"
            "&product=EFund&version=2.0.0" % (base, code))


def like_for_like(page_urls, mobile_base, codes):
    """curl fetching what qinghe-analyse asks: the pages and each fund's asset
    mix from the mobile host, 4 at once to each of the two hosts."""
    urls = page_urls + [asset_mix_url(mobile_base, c) for c in codes]
    return ["curl", "-s", "-Z", "--parallel-max", str(2 * CURL_AT_ONCE)] + \
        [arg for url in urls for arg in ("-o", "/dev/null", url)]


def print_floor(medians, name="qinghe-analyse"):
    """qinghe-analyse's median against curl's, both ways."""
    if "curl -Z (4 at once)" in medians:
        print("    %s takes %.2f x curl one at a time, %.2f x curl 4 at once" %
              (name, medians[name] / medians["curl (fetch only)"],
               medians[name] / medians["curl -Z (4 at once)"]))
    if "curl -Z, same requests" in medians:
        print("    %s takes %.2f x curl asking the same requests (pages and asset mixes)" %
              (name, medians[name] / medians["curl -Z, same requests"]))


def compare(analyse, codes, server, rounds):
    base = server.base_url
    commands = {
        "qinghe-analyse": [analyse, *sources_at(base)] + codes,
        "python whole page": ["/usr/bin/python3", str(HERE / "fund_holdings.py"), "--whole-page",
                              base] + codes,
        "python section": ["/usr/bin/python3", str(HERE / "fund_holdings.py"), base] + codes,
    }
    if shutil.which("curl"):
        pages = ["%s%s.html" % (base, c) for c in codes]
        commands.update(curl_commands(pages))
        commands["curl -Z, same requests"] = like_for_like(
            pages, base.replace("127.0.0.1", "localhost"), codes)
    medians = alternate(commands, rounds)
    for script in ("python whole page", "python section"):
        print("    qinghe-analyse runs at %.2f x the speed of the %s script" %
              (medians[script] / medians["qinghe-analyse"], script[len("python "):]))
    print_floor(medians)


def main():
    analyse = sys.argv[1]
    keep_history_apart(analyse)
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    codes, pages = fund_pages(CODES)
    native = pathlib.Path(analyse).resolve().parent.parent / "bench" / "bench_page_server"
    print("%d pages on loopback, %d rounds, alternating" % (len(codes), rounds))
    if native.exists():
        folder = pathlib.Path(analyse).resolve().parent.parent / "fixtures" / "fund-pages"
        print("  native keep-alive server (bench_page_server)")
        server = NativeServer(native, folder)
        compare(analyse, codes, server, rounds)
        server.close()
    else:
        print("  (no %s: build the target bench_page_server for the native server)" % native)
    print("  Python server (bench_server.py)")
    server = Server(Settings(pages))
    compare(analyse, codes, server, rounds)
    server.close()


if __name__ == "__main__":
    sys.exit(main())
