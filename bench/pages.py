"""The fund pages the benchmarks serve: the generated pages of the build
(QINGHE_GENERATED_PAGES_DIR, default build/fixtures/fund-pages; the build's
target fund_pages writes them)."""
import atexit
import os
import pathlib
import shutil
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
DEFAULT = HERE.parent / "build" / "fixtures" / "fund-pages"


# The hosts a run may ask beside the fund site's three sources, by their
# names of `qinghe-analyse --url NAME=BASE` (analysis/host_table.h).
OTHER_HOSTS = ("quote", "quote2", "tencent", "nav")


def other_hosts_at(base):
    """The options that point every host but the three sources at `base`:
    no run of a benchmark reaches a real host through a default."""
    return [word for name in OTHER_HOSTS for word in ("--url", "%s=%s" % (name, base))]


def fund_pages(count):
    """(codes, {path: body}) for the first `count` generated codes."""
    folder = pathlib.Path(os.environ.get("QINGHE_GENERATED_PAGES_DIR") or DEFAULT)
    if not (folder / "codes.txt").exists():
        sys.exit("no generated pages in %s: build the target fund_pages first" % folder)
    codes = (folder / "codes.txt").read_text().split()[:count]
    return codes, {"/%s.html" % c: (folder / ("%s.html" % c)).read_bytes() for c in codes}


def keep_history_apart(analyse):
    """Makes the runs of `analyse` keep their settings and history store
    (which would lie beside the program) in a folder of this benchmark,
    removed at its end: no run takes rows stored by an earlier one, and the
    benchmark's funds never reach a history of the user's."""
    folder = tempfile.mkdtemp(prefix="qinghe-bench-history-")
    atexit.register(shutil.rmtree, folder, True)
    os.environ["QINGHE_SYSTEM_PREFIXES"] = str(pathlib.Path(analyse).resolve().parent)
    os.environ["XDG_CONFIG_HOME"] = folder + "/config"
    os.environ["XDG_DATA_HOME"] = folder + "/data"
