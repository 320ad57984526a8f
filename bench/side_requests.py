#!/usr/bin/python3
"""What the requests beside each fund's holdings cost: its asset mix, and for
a feeder (named 联接) the mobile answer naming its ETF and the ETF's holdings.
20 codes at 4 downloads at once from a loopback server that delays every
response by 100 ms and sends 2 MB/s per connection, the mobile endpoint on
a host name of its own; timed with those requests answered by that server
and with the mobile endpoint on a closed port (each of its requests fails
at once, so it costs the run nothing: the time without them). Rounds
alternate; medians are printed, as other programs may load the machine.
Two sets: the first 20 generated codes (no feeder), and 17 of them with
the feeders 707001-707003 last (their ETF 707009 read once for them).
usage: side_requests.py PATH-TO-qinghe-analyse [ROUNDS]"""
import os
import pathlib
import socket
import statistics
import sys

from bench_server import Server, Settings
from network import run
from pages import DEFAULT, fund_pages, keep_history_apart

QUERY = "?FCODE=%s&deviceid=Wap&plat=Wap&product=EFund&version=2.0.0"
FEEDERS = ["707001", "707002", "707003", "707009"]


def with_answers(pages, codes):
    """The pages and every code's mobile and asset-mix answers."""
    folder = pathlib.Path(os.environ.get("QINGHE_GENERATED_PAGES_DIR") or DEFAULT)
    served = dict(pages)
    for code in codes:
        served["/%s.html" % code] = (folder / ("%s.html" % code)).read_bytes()
        for path, kind in (("FundMNInverstPosition", "mobile"),
                           ("FundMNAssetAllocationNew", "assets")):
            answer = folder / kind / ("%s.json" % code)
            if answer.exists():
                served["/FundMNewApi/" + path + QUERY % code] = answer.read_bytes()
    return served


def closed_port():
    """A loopback port nothing listens on."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def timed(analyse, server, codes, mobile):
    base = server.base_url
    seconds, _, status = run([analyse, "--base-url", base, "--archive-url", base,
                              "--mobile-url", mobile, "--parallel", "4", *codes])
    return seconds, status


def main():
    analyse = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    keep_history_apart(analyse)
    codes, pages = fund_pages(20)
    sets = (("20 funds, no feeder", codes), ("17 funds + 3 feeders", codes[:17] + FEEDERS[:3]))
    print("%d rounds, 100 ms per response, 2 MB/s per connection, 4 downloads at once" % rounds)
    for label, chosen in sets:
        settings = Settings(with_answers(pages, chosen + FEEDERS), delay=0.1, rate=2_000_000)
        server = Server(settings)
        asked = server.base_url.replace("127.0.0.1", "localhost")
        closed = "http://localhost:%d/" % closed_port()
        times = {"asked": [], "not asked": []}
        for _ in range(rounds):
            for name, mobile in (("asked", asked), ("not asked", closed)):
                seconds, status = timed(analyse, server, chosen, mobile)
                times[name].append(seconds if status == 0 else float("nan"))
        server.close()
        with_side = statistics.median(times["asked"])
        without = statistics.median(times["not asked"])
        print("  %-22s mix and feeder requests %6.3f s, without %6.3f s: %+5.1f %%" %
              (label, with_side, without, 100 * (with_side / without - 1)))


if __name__ == "__main__":
    main()
