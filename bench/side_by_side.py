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
asset mix from the mobile host, each fund's two together). The run's
download engine alone (bench_download_engine, asking as curl -Z does and
reading nothing) shows how much of the difference is the downloading's.
Both programs' start alone (`--version`: the process and its shared
libraries, which for libcurl are some thirty) is timed in the same rounds,
and the ratios are given again without it.
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
        print("    %-24s median %7.1f ms  (min %.1f, max %.1f)  %d lines" %
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


def same_requests(page_urls, mobile_base, codes):
    """What qinghe-analyse asks, in its order: each fund's page, and its
    asset mix from the mobile host beside it."""
    return [url for page, code in zip(page_urls, codes)
            for url in (page, asset_mix_url(mobile_base, code))]


def like_for_like(urls):
    """curl fetching `urls` 8 at once: 4 at once to each of the two hosts."""
    return ["curl", "-s", "-Z", "--parallel-max", str(2 * CURL_AT_ONCE)] + \
        [arg for url in urls for arg in ("-o", "/dev/null", url)]


def engine_commands(engine, pages, urls):
    """The download engine alone (bench_download_engine), asking as curl -Z
    does: the pages 4 at once, and the same requests as qinghe-analyse 8 at once."""
    return {"engine (4 at once)": [str(engine), str(CURL_AT_ONCE)] + pages,
            "engine, same requests": [str(engine), str(2 * CURL_AT_ONCE)] + urls}


def print_floor(medians, name="qinghe-analyse"):
    """qinghe-analyse's median against curl's, both ways; then, when both
    programs' start was timed, each without it."""
    if "curl -Z (4 at once)" in medians:
        print("    %s takes %.2f x curl one at a time, %.2f x curl 4 at once" %
              (name, medians[name] / medians["curl (fetch only)"],
               medians[name] / medians["curl -Z (4 at once)"]))
    if "curl -Z, same requests" in medians:
        print("    %s takes %.2f x curl asking the same requests (pages and asset mixes)" %
              (name, medians[name] / medians["curl -Z, same requests"]))
    for engine, curl in (("engine (4 at once)", "curl -Z (4 at once)"),
                         ("engine, same requests", "curl -Z, same requests")):
        if engine in medians:
            print("    the download engine alone takes %.2f x %s" %
                  (medians[engine] / medians[curl], curl))
    if "curl --version" not in medians:
        return
    ours = medians[name] - medians[name + " --version"]
    for curl in ("curl -Z (4 at once)", "curl -Z, same requests"):
        theirs = medians[curl] - medians["curl --version"]
        print("    without either program's start: %.1f ms against %.1f ms of %s, %.2f x" %
              (ours * 1000, theirs * 1000, curl, ours / theirs))


def compare(analyse, codes, server, rounds, engine):
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
        urls = same_requests(pages, base.replace("127.0.0.1", "localhost"), codes)
        commands["curl -Z, same requests"] = like_for_like(urls)
        if engine:
            commands.update(engine_commands(engine, pages, urls))
        commands["qinghe-analyse --version"] = [analyse, "--version"]
        commands["curl --version"] = ["curl", "--version"]
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
    build = pathlib.Path(analyse).resolve().parent.parent
    native = build / "bench" / "bench_page_server"
    engine = build / "bench" / "bench_download_engine"
    if not engine.exists():
        print("  (no %s: build the target bench_download_engine for the engine alone)" % engine)
        engine = None
    print("%d pages on loopback, %d rounds, alternating" % (len(codes), rounds))
    if native.exists():
        print("  native keep-alive server (bench_page_server)")
        server = NativeServer(native, build / "fixtures" / "fund-pages")
        compare(analyse, codes, server, rounds, engine)
        server.close()
    else:
        print("  (no %s: build the target bench_page_server for the native server)" % native)
    print("  Python server (bench_server.py)")
    server = Server(Settings(pages))
    compare(analyse, codes, server, rounds, engine)
    server.close()


if __name__ == "__main__":
    sys.exit(main())
