"""The archive and mobile answers of the generated funds (make_fund_pages.py).

For every fund the archive answer holds two quarters, the newest with the
page's rows and the one before it derived from them (ratios moved, a stock
or two new, a stock or two gone), and the mobile answer holds the newest
rows with each stock's change against that previous quarter. The variants
the site was seen to send are spread over the funds: 9-column newest blocks
and 7-column older ones in two column orders, headings with and without the
fund's link, foreign rows, a stock-code list after the table, answers with
12 rows, content escaped as \\uXXXX and \\/, a GBK body, empty content, the
failure JSON, and a first-quarter answer whose previous quarter needs a
second request for the year before. Each fund's published net values cover
the twenty trading days up to NET_VALUES_END, the trading day before the
quotes' (QUOTE_DAY); the endpoint refuses the funds of NET_VALUES_REFUSED.

The quote services answer from one table of every linked stock the funds
hold (quote_table): the list endpoint in both number forms, with "-" for a
suspended stock, rc 102 when it knows no stock asked, a second host that
also knows the Hong Kong stocks and keys its list by number, and the text
endpoint in GBK, which alone knows one stock. No host knows the US stocks,
so the quotes of 702001 fail. All names and figures are invented."""

import datetime
import json
import random

STOCK_HOST = "//quote.example.com/r/"
FOREIGN_MARKETS = ("116", "105", "106")
NO_REFERER_PAGE = ("<!DOCTYPE html><html><head><title>404</title></head><body>"
                   "<h1>404</h1><p>您访问的页面不存在</p></body></html>")
FAILURE_JSON = '{"Datas":null,"ErrCode":61,"Success":false,"ErrMsg":"无效的基金代码","TotalCount":0}'

NEWEST_HEADER = ["序号", "股票代码", "股票名称", "最新价", "涨跌幅", "相关资讯",
                 "占净值<br />比例", "持股数<br />（万股）", "持仓市值<br />（万元）"]
# The older blocks: with line breaks in the headers, or plain and in another order.
OLDER_HEADERS = [
    ["序号", "股票代码", "股票名称", "相关资讯", "占净值<br />比例", "持股数<br />（万股）",
     "持仓市值<br />（万元人民币）"],
    ["序号", "股票代码", "股票名称", "占净值比例", "持股数", "持仓市值", "相关资讯"],
]


def quarter_of(date):
    year, month = int(date[:4]), int(date[5:7])
    return year, (month + 2) // 3


def quarter_end(year, quarter):
    return "%d-%s" % (year, ["03-31", "06-30", "09-30", "12-31"][quarter - 1])


def previous_date(date):
    year, quarter = quarter_of(date)
    return quarter_end(year - 1, 4) if quarter == 1 else quarter_end(year, quarter - 1)


def previous_rows(rows, pool, rng):
    """The quarter before: most stocks kept with moved ratios (one unchanged),
    one or two of the newest not yet held, one or two held then and gone now."""
    kept = list(rows)
    for _ in range(min(2, max(0, len(kept) - 3))):
        kept.pop(rng.randrange(1, len(kept)))
    held = {name for name, _, _ in rows}
    gone = [(n, s) for n, s in pool if n not in held][:40]
    before = []
    for i, (name, symbol, ratio) in enumerate(kept):
        moved = float(ratio) if i == 1 else max(0.3, float(ratio) + rng.uniform(-1.5, 1.5))
        before.append((name, symbol, "%.2f" % moved))
    for name, symbol in rng.sample(gone, min(len(gone), rng.randint(1, 2))):
        before.append((name, symbol, "%.2f" % rng.uniform(0.5, 6.0)))
    before.sort(key=lambda row: -float(row[2]))
    return before[:10]


def changes(rows, before):
    """(word, points text) of each newest row against the rows before."""
    then = {}
    for name, _, ratio in before:
        then.setdefault(name, ratio)
    out = []
    for name, _, ratio in rows:
        if name not in then:
            out.append(("新增", "--"))
            continue
        cents = round(float(ratio) * 100) - round(float(then[name]) * 100)
        word = "增持" if cents > 0 else "减持" if cents < 0 else "持平"
        out.append((word, "%.2f" % (cents / 100)))
    return out


# ---- the archive answer -------------------------------------------------

def market_and_code(symbol):
    return tuple(symbol.split(".", 1)) if symbol else ("", "")


def archive_row(index, row, columns, code_link_only, rng):
    name, symbol, ratio = row
    market, stock = market_and_code(symbol)
    foreign = market in FOREIGN_MARKETS or not symbol
    link = STOCK_HOST + symbol if symbol else ""
    code_cell = "<td><a href='%s'>%s</a></td>" % (link, stock) if link else "<td>%s</td>" % (stock or "—")
    cell_class = "toc" if foreign else "tol"
    if link and not (foreign and code_link_only):
        name_cell = "<td class='%s'><a href='%s'>%s</a></td>" % (cell_class, link, name)
    else:
        name_cell = "<td class='%s'>%s</td>" % (cell_class, name)
    cells = {
        "序号": "<td>%d</td>" % index,
        "股票代码": code_cell,
        "股票名称": name_cell,
        "最新价": "<td class='tor'><span id='dq%s'></span></td>" % stock,
        "涨跌幅": "<td class='tor'><span id='zd%s'></span></td>" % stock,
        "相关资讯": "<td class='xglj'><a href='ccmx_x.html' class='red'>变动详情</a>"
                    "<a href='//talk.example.com/list,%s.html'>股吧</a></td>" % stock,
        "占净值比例": ("<td>%s%%</td>" if foreign else "<td class='tor'>%s%%</td>") % ratio,
        "持股数": "<td class='tor'>%.2f</td>" % rng.uniform(10, 9000),
        "持仓市值": "<td class='tor'>%s</td>" % format(round(rng.uniform(1000, 99999), 2), ",.2f"),
    }
    return "<tr>" + "".join(cells[header_key(c)] for c in columns) + "</tr>"


def header_key(title):
    plain = title.replace("<br />", "")
    for key in ("占净值比例", "持股数", "持仓市值"):
        if plain.startswith(key):
            return key
    return plain


def archive_block(fund_name, code, date, rows, columns, linked_heading, options, rng):
    year, quarter = quarter_of(date)
    title = "%d年%d季度股票投资明细" % (year, quarter)
    if linked_heading:
        left = ("<a title='%s' href='http://fund.example.com/%s.html'>%s</a>&nbsp;&nbsp;%s"
                % (fund_name, code, fund_name, title))
    else:
        left = "%s&nbsp;&nbsp;%s" % (fund_name, title)
    heading = ("<h4 class='t'><label class='left'>%s</label><label class='right lab2 xq505'>"
               "&nbsp;&nbsp;来源：季度报告&nbsp;&nbsp;&nbsp;&nbsp;截止至：<font class='px12'>%s</font>"
               "</label></h4>" % (left, date))
    head = "".join("<th%s>%s</th>" % (" class='first'" if i == 0 else "", c) for i, c in enumerate(columns))
    body = "".join(archive_row(i + 1, row, columns, options.get("code_link_only"), rng)
                   for i, row in enumerate(rows))
    table = ("<div class='space0'></div><table class='w782 comm tzxq'><thead><tr>%s</tr></thead>"
             "<tbody>%s</tbody></table>" % (head, body))
    if options.get("gpdm_list"):
        table += "<div id='gpdmList'>%s</div>" % "".join(
            "%s," % (s or "") for _, s, _ in rows if s)
    more = ("<div class='tfoot'><font class='px12'><a href='ccmx_%s.html'>显示全部持仓明细&gt;&gt;</a>"
            "</font></div>" % code)
    return "<div class='boxitem w790'>%s%s%s</div>" % (heading, table, more)


def js_string(text, escape_slash=False, escape_unicode=False):
    out = []
    for ch in text:
        if ch in '"\\':
            out.append("\\" + ch)
        elif ch == "\n":
            out.append("\\n")
        elif ch == "\r":
            out.append("\\r")
        elif ch == "/" and escape_slash:
            out.append("\\/")
        elif ord(ch) > 0x7F and escape_unicode:
            units = ch.encode("utf-16-be")
            out.extend("\\u%02x%02x" % (units[i], units[i + 1]) for i in range(0, len(units), 2))
        else:
            out.append(ch)
    return "".join(out)


def apidata(content, years, options):
    opening = "{content:" if options.get("tight") else "{ content:"
    return 'var apidata=%s"%s",arryear:[%s],curyear:%s};' % (
        opening, js_string(content, options.get("escape_slash"), options.get("escape_unicode")),
        ",".join(str(y) for y in years), years[0] if years else "2022")


def archive_answers(fund, before, options, rng):
    """{file name: bytes} of a fund's archive answers: CODE.js, and for a
    first quarter alone in its answer CODE-<year>-12.js as well."""
    code, name, date, rows = fund
    if not rows:
        return {code + ".js": apidata("", [], {}).encode()}
    if options.get("not_apidata"):
        return {code + ".js": NO_REFERER_PAGE.encode()}
    newest_rows = rows + options.get("extra_rows", [])
    newest = archive_block(name, code, date, newest_rows, NEWEST_HEADER, True, options, rng)
    older_columns = OLDER_HEADERS[options.get("older_style", rng.randrange(2))]
    older = archive_block(name, code, previous_date(date), before, older_columns,
                          options.get("older_linked", False), options, rng)
    year, quarter = quarter_of(date)
    encoding = options.get("encoding", "utf-8")
    box = "<div class='box'>%s</div>"
    if quarter == 1:
        answers = {code + ".js": apidata(box % newest, [year, year - 1], options),
                   "%s-%d-12.js" % (code, year - 1): apidata(box % older, [year - 1], options)}
    else:
        answers = {code + ".js": apidata(box % (newest + older), [year], options)}
    return {file: text.encode(encoding) for file, text in answers.items()}


# ---- the mobile answer --------------------------------------------------

def mobile_answer(fund, before, options):
    code, name, date, rows = fund
    if options.get("mobile_failure"):
        return FAILURE_JSON.encode()
    stocks = []
    for (stock, symbol, ratio), (word, points) in zip(rows, changes(rows, before)):
        market, number = market_and_code(symbol)
        stocks.append({"GPDM": number, "GPJC": stock, "JZBL": ratio, "TEXCH": "1", "ISINVISBL": "0",
                       "PCTNVCHGTYPE": word, "PCTNVCHG": points, "NEWTEXCH": market,
                       "INDEXCODE": "016", "INDEXNAME": "食品饮料"})
    etf_code, etf_name = options.get("etf", (None, None))
    fofs = []
    if options.get("fof_share"):
        fofs.append({"TZJJDM": etf_code, "TZJJMC": etf_name, "ZJZBL": options["fof_share"],
                     "PCTNVCHGTYPE": "增持", "PCTNVCHG": "0.52"})
    document = {"Datas": {"fundStocks": stocks, "fundboods": [], "fundfofs": fofs, "ETFCODE": etf_code,
                          "ETFSHORTNAME": etf_name},
                "ErrCode": 0, "Success": True, "ErrMsg": None, "Message": None, "ErrorCode": "0",
                "ErrorMessage": None, "ErrorMessageList": None, "TotalCount": len(stocks),
                "Expansion": date}
    return json.dumps(document, ensure_ascii=False, separators=(",", ":")).encode()


# ---- the asset-allocation answer -----------------------------------------

# Shares of net assets (percent) by fund: stocks, bonds, cash, funds, other;
# every other fund with holdings holds mostly stocks.
ASSET_MIXES = {
    "703001": ("28.40", "62.10", "8.30", "--", "1.20"),   # bond-heavy
    "704001": ("--", "20.50", "79.40", "--", "0.10"),     # a money fund
    # Feeders of 707009: the share in the ETF as their fund holdings, none
    # for the one whose share is unknown.
    "707001": ("2.62", "--", "3.71", "93.40", "0.27"),
    "707002": ("2.62", "--", "4.31", "92.80", "0.27"),
    "707003": ("2.62", "--", "3.71", "--", "0.27"),
}


def asset_mix_answer(fund, options):
    code, name, date, rows = fund
    if options.get("mobile_failure"):
        return FAILURE_JSON.encode()
    top_ten = sum(float(ratio) for _, _, ratio in rows)
    stocks = "%.2f" % min(95.0, max(top_ten + 30.0, 60.0))
    mix = ASSET_MIXES.get(code, (stocks, "3.20", "%.2f" % (100 - float(stocks) - 3.31), "--", "0.11"))
    newest = date or "2022-09-30"
    entries = []
    for when, scale in ((newest, 1.0), (previous_date(newest), 0.98)):
        shares = [part if part == "--" else "%.2f" % (float(part) * scale) for part in mix]
        entries.append({"FSRQ": when, "GP": shares[0], "ZQ": shares[1], "HB": shares[2],
                        "JJ": shares[3], "QT": shares[4], "JZC": "%.2f" % (5 + len(rows) * 1.25)})
    document = {"Datas": entries, "ErrCode": 0, "Success": True, "ErrMsg": None,
                "TotalCount": len(entries), "Expansion": None}
    return json.dumps(document, ensure_ascii=False, separators=(",", ":")).encode()


# ---- the published net values -----------------------------------------------

# The trading day of the quotes (the quote answers below).
QUOTE_DAY = 20261209


def weekday_before(day):
    """The weekday before `day` (YYYYMMDD), as YYYY-MM-DD."""
    date = datetime.date(day // 10000, day // 100 % 100, day % 100)
    date -= datetime.timedelta(days=1)
    while date.weekday() >= 5:
        date -= datetime.timedelta(days=1)
    return date.isoformat()


# The newest trading day of every fund's net values: the one before the
# quotes' day, whose change a fund has published by then, so that the
# estimate stored that day shows beside it. The changes of the demo fund's
# two newest days are fixed (newest first), the others drawn.
NET_VALUES_END = weekday_before(QUOTE_DAY)
NET_VALUES_FIXED = {"701001": ("0.52", "-1.30")}
NET_VALUES_REFUSED = ("702001",)
REFUSED_JSON = '{"Data":"","ErrCode":-999,"Success":false,"ErrMsg":null,"TotalCount":0}'


def trading_days(end, count):
    """`count` weekdays up to `end`, newest first."""
    day = datetime.date.fromisoformat(end)
    days = []
    while len(days) < count:
        if day.weekday() < 5:
            days.append(day.isoformat())
        day -= datetime.timedelta(days=1)
    return days


def net_value_answer(code):
    """The first page of the fund's net values, or the refusal."""
    if code in NET_VALUES_REFUSED:
        return REFUSED_JSON.encode()
    rng = random.Random("net values:%s" % code)
    days = trading_days(NET_VALUES_END, 20)
    fixed = NET_VALUES_FIXED.get(code, ())
    changes = list(fixed) + ["%.2f" % rng.uniform(-2.5, 2.5) for _ in days[len(fixed):]]
    # From the oldest day on: each day's value is the day before's moved by its change.
    values, value = [], rng.uniform(0.8, 3.0)
    for change in reversed(changes):
        value *= 1 + float(change) / 100
        values.append(value)
    values.reverse()
    entries = [{"FSRQ": day, "DWJZ": "%.4f" % unit, "LJJZ": "%.4f" % (unit + 0.35), "SDATE": None,
                "ACTUALSYI": "", "NAVTYPE": "1", "JZZZL": change, "SGZT": "开放申购",
                "SHZT": "开放赎回", "FHFCZ": "", "FHFCBZ": "", "DTYPE": None, "FHSP": ""}
               for day, unit, change in zip(days, values, changes)]
    # The oldest day of the page as the fund's first: no change published.
    entries[-1]["JZZZL"] = ""
    document = {"Data": {"LSJZList": entries, "FundType": "001", "SYType": None, "isNewType": False,
                         "Feature": "050"},
                "ErrCode": 0, "ErrMsg": None, "TotalCount": len(entries), "Expansion": None,
                "PageSize": 20, "PageIndex": 1}
    return json.dumps(document, ensure_ascii=False, separators=(",", ":")).encode()

# ---- the quote answers ---------------------------------------------------

QUOTE_SECONDS = 1796790000  # 2026-12-09 12:20:00, Asia/Shanghai
HONG_KONG_DELAY = 15 * 60   # Hong Kong quotes come 15 minutes late
US_MARKETS = ("105", "106", "107")  # no quote host knows them: 702001's quotes fail
SUSPENDED = {"0.002781"}    # its price and change are "-"
TEXT_ONLY = {"1.601276"}    # only the text endpoint knows it


def quote_table(funds, listed=()):
    """{secid: [name, previous close, price]} of every linked stock the funds
    hold but the US ones, and of the `listed` funds ((code, name): an ETF is
    quoted as a stock, 5xxxxx in Shanghai, else in Shenzhen); the price None
    for a suspended stock."""
    symbols = [(name, symbol) for _, _, _, rows in funds for name, symbol, _ in rows]
    symbols += [(name, ("1." if code.startswith("5") else "0.") + code) for code, name in listed]
    table = {}
    for name, symbol in symbols:
        if not symbol or symbol in table or symbol.split(".")[0] in US_MARKETS:
            continue
        rng = random.Random("quote:" + symbol)
        previous = round(rng.uniform(5, 200), 2)
        price = None if symbol in SUSPENDED else round(previous * (1 + rng.uniform(-4, 4) / 100), 2)
        table[symbol] = [name, previous, price]
    return table


def quote_change(previous, price):
    return None if price is None else round((price / previous - 1) * 100, 2)


def list_entry(secid, quote, decimal):
    market, code = secid.split(".", 1)
    name, previous, price = quote
    scale = 1 if decimal else 1000 if market == "116" else 100
    change = quote_change(previous, price)

    def figure(value, by):
        return "-" if value is None else value if decimal else int(round(value * by))
    delay = HONG_KONG_DELAY if market == "116" else 0
    return {"f2": figure(price, scale), "f3": figure(change, 100), "f12": code, "f13": int(market),
            "f14": name, "f18": figure(previous, scale), "f124": QUOTE_SECONDS - delay,
            "f297": QUOTE_DAY}


def list_quote_answer(table, secids, decimal, second_host):
    """The list endpoint's answer for `secids`: decimal numbers when asked
    with fltt=2, else integers scaled by 100 (1000 for Hong Kong prices). The
    first host knows no Hong Kong stock; the second does and sends `diff` as
    an object keyed "0", "1", …; neither knows the text-only stock. rc 102
    when no stock asked is known."""
    entries = []
    for secid in secids:
        quote = table.get(secid)
        if quote is None or secid in TEXT_ONLY or (secid.startswith("116.") and not second_host):
            continue
        entries.append(list_entry(secid, quote, decimal))
    if not entries:
        document = {"rc": 102, "rt": 4, "svr": 1, "lt": 1, "full": 1, "data": None}
    else:
        diff = {str(i): e for i, e in enumerate(entries)} if second_host else entries
        document = {"rc": 0, "rt": 11, "svr": 1, "lt": 1, "full": 1,
                    "data": {"total": len(entries), "diff": diff}}
    return json.dumps(document, ensure_ascii=False, separators=(",", ":")).encode()


TEXT_PREFIXES = {"sh": "1", "sz": "0", "bj": "0", "hk": "116"}


def text_quote_line(symbol, table):
    secid = "%s.%s" % (TEXT_PREFIXES.get(symbol[:2], ""), symbol[2:])
    quote = table.get(secid)
    if quote is None:
        return 'v_pv_none_match="1";\n'
    name, previous, price = quote
    change = quote_change(previous, price)
    fields = [""] * 50
    fields[0], fields[1], fields[2] = "1", name, symbol[2:]
    fields[3] = "" if price is None else "%.2f" % price
    fields[4] = "%.2f" % previous
    if symbol.startswith("hk"):
        fields[30] = "2026/12/09 12:05:00"
    else:
        fields[30] = "20261209122000"
    fields[31] = "" if price is None else "%.2f" % (price - previous)
    fields[32] = "" if change is None else "%.2f" % change
    return 'v_%s="%s";\n' % (symbol, "~".join(fields))


def text_quote_answer(table, symbols):
    """The text endpoint's answer (GBK) for symbols such as sh600519."""
    return "".join(text_quote_line(s, table) for s in symbols).encode("gbk")
