#!/usr/bin/env python3
"""qinghe-analyse on 10,000 codes with 100,000 distinct stock names.

Serves generated pages (bench/fund_page_server.py) on loopback, runs
qinghe-analyse on the codes 100000-109999 and times, from the moment each
line arrives: the downloads and extraction (start to the progress line of
the last code), the merge and sort (that line to the first line of output,
which also holds the last code's download, a few milliseconds) and the
printing (to the end of the process).

    bench/analyse_many_codes.py [PATH/TO/qinghe-analyse] [--sort count]
"""
import os
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import fund_page_server  # noqa: E402
from pages import keep_history_apart, other_hosts_at  # noqa: E402

CODES = [str(c) for c in range(100000, 110000)]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    analyse = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "build", "analysis", "qinghe-analyse"))
    keep_history_apart(analyse)
    extra = sys.argv[2:]
    server = fund_page_server.Server(("127.0.0.1", 0), fund_page_server.Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}/"

    last_progress = [None]
    first_output = [None]
    rows = [0]
    with tempfile.TemporaryDirectory() as work:  # the dump file goes there
        start = time.monotonic()
        hosts = ["--base-url", base, "--archive-url", base, "--mobile-url", base, *other_hosts_at(base)]
        process = subprocess.Popen([analyse, *hosts, *extra, *CODES], cwd=work,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)

        def read_progress():
            for line in process.stderr:
                if CODES[-1].encode() in line:
                    last_progress[0] = time.monotonic()

        def read_output():
            for _ in process.stdout:
                if first_output[0] is None:
                    first_output[0] = time.monotonic()
                rows[0] += 1

        readers = [threading.Thread(target=read_progress), threading.Thread(target=read_output)]
        for r in readers:
            r.start()
        status = process.wait()
        end = time.monotonic()
        for r in readers:
            r.join()
    server.shutdown()
    if last_progress[0] is None or first_output[0] is None:
        print(f"qinghe-analyse ended with status {status} before its output")
        return 1
    print(f"qinghe-analyse on {len(CODES)} codes ({analyse}): {rows[0]} rows, status {status}")
    print(f"  downloads and extraction  {last_progress[0] - start:8.2f} s")
    print(f"  merge and sort            {first_output[0] - last_progress[0]:8.2f} s")
    print(f"  printing                  {end - first_output[0]:8.2f} s")
    print(f"  whole process             {end - start:8.2f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
