#!/usr/bin/env python3
"""Serves a folder of generated fund pages as the fund site's three sources,
on 127.0.0.1, for the demo and the benchmarks:

    serve_fund_site.py DIR [PORT]

  /<code>.html                                    DIR/<code>.html
  /FundArchivesDatas.aspx?...code=C...&year=Y&month=M
                                                  DIR/archive/C.js (C-Y-M.js for a year),
                                                  or DIR/archive/no-referer.html when the
                                                  request lacks "Referer: <base>ccmx_C.html"
  /FundMNewApi/FundMNInverstPosition?FCODE=C...   DIR/mobile/C.json
  /FundMNewApi/FundMNAssetAllocationNew?FCODE=C.. DIR/assets/C.json
  /f10/lsjz?fundCode=C&pageIndex=1&pageSize=20    DIR/netvalues/C.json (days up to the one
                                                  before the quotes' trading day), or the refusal
                                                  (ErrCode -999) when the request lacks
                                                  "Referer: https://fundf10.eastmoney.com/jjjz_C.html"
  /api/qt/ulist.np/get?...secids=1.600519,...     the first quote host's list answer
  /delay/api/qt/ulist.np/get?...                  the second quote host's
  /q=sh600519,...                                 the text endpoint's (GBK)

The quotes come from DIR/quotes.json (fund_answers.py says what each host
knows), in decimal numbers when the request has fltt=2, else scaled.
Anything else is 404. Keeps connections alive and queues 64 pending
connections. Prints the port on the first line, then serves until killed
or until its standard input ends."""
import http.server
import json
import os
import sys
import threading
import urllib.parse

import fund_answers

LIST_PATH = "/api/qt/ulist.np/get"


def answer_file(folder, path, query, headers, base):
    """The file that answers a request, or None."""
    if path == "/FundArchivesDatas.aspx":
        code = query.get("code", [""])[0]
        if headers.get("Referer") != "%sccmx_%s.html" % (base, code):
            return os.path.join(folder, "archive", "no-referer.html")
        year, month = query.get("year", [""])[0], query.get("month", [""])[0]
        name = "%s-%s-%s.js" % (code, year, month) if year or month else code + ".js"
        return os.path.join(folder, "archive", name)
    if path == "/FundMNewApi/FundMNInverstPosition":
        return os.path.join(folder, "mobile", query.get("FCODE", [""])[0] + ".json")
    if path == "/FundMNewApi/FundMNAssetAllocationNew":
        return os.path.join(folder, "assets", query.get("FCODE", [""])[0] + ".json")
    if path == "/f10/lsjz":
        code = query.get("fundCode", [""])[0]
        if headers.get("Referer") != "https://fundf10.eastmoney.com/jjjz_%s.html" % code:
            return os.path.join(folder, "netvalues", "refused.json")
        return os.path.join(folder, "netvalues", code + ".json")
    if path.endswith(".html") and "/" not in path[1:]:
        return os.path.join(folder, path[1:])
    return None


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    folder = "."

    def log_message(self, *args):
        pass

    def quote_answer(self, url):
        """The answer of a quote host, or None for any other request."""
        second = url.path == "/delay" + LIST_PATH
        if url.path != LIST_PATH and not second and not url.path.startswith("/q="):
            return None
        with open(os.path.join(self.folder, "quotes.json"), encoding="utf-8") as f:
            table = json.load(f)
        if url.path.startswith("/q="):
            return fund_answers.text_quote_answer(table, url.path[3:].split(","))
        query = urllib.parse.parse_qs(url.query, True)
        secids = query.get("secids", [""])[0].split(",")
        decimal = query.get("fltt", [""])[0] == "2"
        return fund_answers.list_quote_answer(table, secids, decimal, second)

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        quote = self.quote_answer(url)
        if quote is not None:
            self.send_response(200)
            self.send_header("Content-Type", "application/json; charset=utf-8"
                             if not url.path.startswith("/q=") else "text/plain; charset=GBK")
            self.send_header("Content-Length", str(len(quote)))
            self.end_headers()
            self.wfile.write(quote)
            return
        base = "http://%s/" % self.headers.get("Host", "")
        name = answer_file(self.folder, url.path, urllib.parse.parse_qs(url.query, True),
                           self.headers, base)
        body = None
        if name and os.path.basename(name) not in ("", ".", "..") and os.path.isfile(name):
            with open(name, "rb") as f:
                body = f.read()
        self.send_response(200 if body is not None else 404)
        json_answer = url.path.startswith("/FundMNewApi/") or url.path == "/f10/lsjz"
        kind = "application/json" if json_answer else "text/html"
        self.send_header("Content-Type", kind + "; charset=utf-8")
        body = body if body is not None else b"not found"
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 64


def main():
    Handler.folder = sys.argv[1]
    port = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    server = Server(("127.0.0.1", port), Handler)
    print(server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        sys.stdin.read() if not sys.stdin.isatty() else threading.Event().wait()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
