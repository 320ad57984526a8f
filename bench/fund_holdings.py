#!/usr/bin/python3
"""The analysis as a short script, for comparison: fetch each fund's page
with urllib, cut the holdings section, read its rows with lxml, merge by
stock name and print name<TAB>ratio<TAB>count<TAB>link, largest ratio first.
With --whole-page it reads each page whole with lxml, as a script written
without an eye on speed does, and takes the rows of the holdings table.
usage: fund_holdings.py [--whole-page] BASE-URL CODE..."""
import sys
import urllib.request

import lxml.html

SECTION_START, SECTION_END = "持仓占比", "持仓截止日期:"


def table_rows(table):
    """(name, ratio, link) of the first ten linked rows of `table`."""
    found = []
    for link in table.xpath(".//tr/td/a[@title]")[:10]:
        cells = link.getparent().getparent().xpath("./td")
        ratio = cells[1].text_content().strip().rstrip("%") if len(cells) > 1 else ""
        try:
            value = float(ratio)
        except ValueError:
            value = 0.0
        found.append((link.get("title"), value, link.get("href")))
    return found


def whole_page_rows(page):
    if not page.strip():
        return []
    tables = lxml.html.fromstring(page).xpath('//li[@id="position_shares"]//table')
    return table_rows(tables[0]) if tables else []


def rows(page):
    start = page.find(SECTION_START)
    end = page.find(SECTION_END, start)
    if start < 0 or end < 0:
        return []
    return table_rows(lxml.html.fragment_fromstring(page[start + len(SECTION_START):end],
                                                    create_parent="div"))


def main():
    args = sys.argv[1:]
    read = rows
    if args and args[0] == "--whole-page":
        read = whole_page_rows
        args = args[1:]
    base, codes = args[0], args[1:]
    merged = {}
    for code in codes:
        try:
            with urllib.request.urlopen(base + code + ".html", timeout=30) as reply:
                page = reply.read().decode("utf-8", "replace")
        except OSError:
            continue
        for name, ratio, link in read(page):
            entry = merged.setdefault(name, [0.0, 0, link])
            entry[0] += ratio
            entry[1] += 1
    ordered = sorted(merged.items(), key=lambda item: -item[1][0])
    out = sys.stdout
    for name, (ratio, count, link) in ordered:
        out.write("%s\t%g\t%d\t%s\n" % (name, ratio, count, link))


if __name__ == "__main__":
    main()
