"""The fund pages the benchmarks serve: the generated pages when
QINGHE_GENERATED_PAGES_DIR names a folder with codes.txt, else the two
saved pages alternating under made-up codes."""
import os
import pathlib

HERE = pathlib.Path(__file__).resolve().parent
SAVED = HERE.parent.parent / "shared" / "fixtures" / "fund-pages"


def fund_pages(count):
    """(codes, {path: body}) for `count` codes."""
    generated = os.environ.get("QINGHE_GENERATED_PAGES_DIR")
    if generated and (pathlib.Path(generated) / "codes.txt").exists():
        folder = pathlib.Path(generated)
        codes = (folder / "codes.txt").read_text().split()[:count]
        return codes, {"/%s.html" % c: (folder / ("%s.html" % c)).read_bytes() for c in codes}
    bodies = [(SAVED / name).read_bytes() for name in ("160127.html", "006309.html")]
    codes = [str(100000 + i) for i in range(count)]
    return codes, {"/%s.html" % c: bodies[i % 2] for i, c in enumerate(codes)}
