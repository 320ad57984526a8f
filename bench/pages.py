"""The fund pages the benchmarks serve: the generated pages of the build
(QINGHE_GENERATED_PAGES_DIR, default build/fixtures/fund-pages; the build's
target fund_pages writes them)."""
import os
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
DEFAULT = HERE.parent / "build" / "fixtures" / "fund-pages"


def fund_pages(count):
    """(codes, {path: body}) for the first `count` generated codes."""
    folder = pathlib.Path(os.environ.get("QINGHE_GENERATED_PAGES_DIR") or DEFAULT)
    if not (folder / "codes.txt").exists():
        sys.exit("no generated pages in %s: build the target fund_pages first" % folder)
    codes = (folder / "codes.txt").read_text().split()[:count]
    return codes, {"/%s.html" % c: (folder / ("%s.html" % c)).read_bytes() for c in codes}
