#!/usr/bin/python3
"""Benchmarks of the holdings sources of qinghe-analyse, side by side in one run:
(1) 50 generated funds whose pages have no holdings box, so that the archive
    answers each: qinghe-analyse against curl fetching the same pages and
    archive answers (the floor of the machine), alternating, several rounds,
    on loopback from the native keep-alive server (bench_page_server) and
    from the Python server of the other benchmarks;
(2) 20 such funds from the far server of network.py (100 ms a response,
    2 MB/s a connection, gzip when asked), with the default downloads at
    once (4) and with 8, and with 4 when page, archive and mobile endpoint
    are three hosts, as on the site;
(3) peak resident memory when every source of 12 funds sends a body that
    never ends, with 8 downloads at once and the default 4.
usage: sources.py PATH-TO-qinghe-analyse [ROUNDS]"""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time

from bench_server import Server, Settings
from pages import HERE, fund_pages, keep_history_apart, other_hosts_at
from side_by_side import NativeServer, alternate, curl_commands, print_floor

FUNDS = 50


def archive_target(code):
    return "/FundArchivesDatas.aspx?type=jjcc&code=%s&topline=10&year=&month=" % code


def no_box_site(count):
    """(codes, {target: body}): the pages without their box, the archive answers."""
    codes, pages = fund_pages(count)
    folder = pathlib.Path(os.environ.get("QINGHE_GENERATED_PAGES_DIR") or
                          HERE.parent / "build" / "fixtures" / "fund-pages")
    site = {}
    for code in codes:
        page = pages["/%s.html" % code]
        # Without "持仓占比" the page has no box to cut.
        site["/%s.html" % code] = page.replace("持仓占比".encode(), "持仓一览".encode())
        site[archive_target(code)] = (folder / "archive" / ("%s.js" % code)).read_bytes()
    return codes, site


def run(command):
    """Wall seconds, peak resident memory (MB), exit status and output lines of one run."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    out = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    return (time.perf_counter() - start, usage.ru_maxrss / 1024,
            os.waitstatus_to_exitcode(status), out.count(b"\n"))


def analyse_command(analyse, base, codes, options=(), archive_base=None, mobile_base=None):
    return [analyse, "--base-url", base, "--archive-url", archive_base or base,
            "--mobile-url", mobile_base or base, *other_hosts_at(base), *options, *codes]


def side_by_side(analyse, codes, base, rounds):
    commands = {"qinghe-analyse": analyse_command(analyse, base, codes)}
    commands.update(curl_commands(
        [base + t[1:] for c in codes for t in ("%s.html" % ("/" + c), archive_target(c))]))
    print_floor(alternate(commands, rounds))


def native_folder(site):
    """A folder whose file names are the targets, for bench_page_server."""
    folder = pathlib.Path(tempfile.mkdtemp(prefix="qinghe-sources-"))
    for target, body in site.items():
        (folder / target[1:]).write_bytes(body)
    return folder


def loopback(analyse, rounds):
    codes, site = no_box_site(FUNDS)
    print("(1) %d funds without a box, each answered by the archive, %d rounds, alternating"
          % (len(codes), rounds))
    native = pathlib.Path(analyse).resolve().parent.parent / "bench" / "bench_page_server"
    if native.exists() and shutil.which("curl"):
        folder = native_folder(site)
        print("  native keep-alive server (bench_page_server)")
        server = NativeServer(native, folder)
        side_by_side(analyse, codes, server.base_url, rounds)
        server.close()
        shutil.rmtree(folder)
    print("  Python server (bench_server.py)")
    server = Server(Settings(site))
    side_by_side(analyse, codes, server.base_url, rounds)
    server.close()


def far(analyse):
    codes, site = no_box_site(20)
    print("(2) 20 such funds, 100 ms a response, 2 MB/s a connection, gzip when asked")
    # The mobile endpoint (asked for every fund's asset mix) answers from a
    # host of its own (here "localhost" beside "127.0.0.1"); the run keeps N
    # connections to each host. On the site the archive is a host of its own
    # too: the last line gives each source a server of its own, as there.
    for label, options in (("default (4)", []), ("--parallel 8", ["--parallel", "8"])):
        settings = Settings(site, delay=0.1, rate=2_000_000, compress=True)
        server = Server(settings)
        mobile = server.base_url.replace("127.0.0.1", "localhost")
        seconds, _, status, lines = run(
            analyse_command(analyse, server.base_url, codes, options, None, mobile))
        server.close()
        print("  %-16s %6.3f s  %2d connections  %3d requests  %3d lines  exit %d"
              % (label, seconds, settings.connections, settings.requests, lines, status))
    hosts = [Settings(site, delay=0.1, rate=2_000_000, compress=True) for _ in range(3)]
    servers = [Server(settings) for settings in hosts]
    page, archive, mobile = (server.base_url for server in servers)
    seconds, _, status, lines = run(analyse_command(analyse, page, codes, [], archive, mobile))
    for server in servers:
        server.close()
    print("  %-16s %6.3f s  %s connections  %3d requests  %3d lines  exit %d"
          % ("4, three hosts", seconds, "+".join(str(h.connections) for h in hosts),
             sum(h.requests for h in hosts), lines, status))


def memory(analyse):
    codes, _ = fund_pages(12)
    keep_history_apart(analyse)  # nothing stored by (1) and (2) to fall back on
    print("(3) 12 funds, every source's body never ends: peak resident memory")
    for label, options in (("--parallel 8", ["--parallel", "8"]), ("default (4)", [])):
        server = Server(Settings({}, endless=True))
        seconds, peak, status, _ = run(analyse_command(analyse, server.base_url, codes, options))
        server.close()
        print("  %-13s %7.1f MB  %6.3f s  exit %d" % (label, peak, seconds, status))


def main():
    analyse = sys.argv[1]
    keep_history_apart(analyse)
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    loopback(analyse, rounds)
    far(analyse)
    memory(analyse)


if __name__ == "__main__":
    sys.exit(main())
