#!/usr/bin/env python3
"""Writes fund pages of our own for tests, benchmarks and the demo.

    make_fund_pages.py --out DIR [--seed N]

Every page has the markup the holdings reader meets on the fund site: the
holdings box with linked rows, rows of foreign stocks shown as <div title=...>
without a link, the total line, "持仓截止日期:" after the box and a bond table
that repeats "持仓占比" and "持仓截止日期:". Around the box comes filler of
the kinds and sizes of a real page (styles, scripts, navigation, news lists,
chart drawings, forum lists): 430-500 KB a page, about 5 % of the bytes in
multi-byte UTF-8. All names are invented.

Writes DIR/<code>.html for every fund, DIR/codes.txt (the codes, one a line,
in generation order, the one fund without holdings last) and DIR/holdings.tsv (code, report date, fund name,
stock name, ratio, link; one line per holdings row, no link for <div> rows).
The funds below with fixed codes keep their holdings whatever the seed; the
seed chooses the other funds and all filler.

Beside the pages come the fund's answers of the site's two other sources
(fund_answers.py): DIR/archive/<code>.js (and <code>-<year>-12.js for a
first quarter), DIR/mobile/<code>.json, DIR/assets/<code>.json (the fund's
asset allocation; 703001 holds mostly bonds, 704001 is a money fund),
DIR/netvalues/<code>.json (its published net values; 702001's refused),
DIR/archive/no-referer.html, the page the archive sends to a request without
the right Referer, DIR/netvalues/refused.json, the net values' refusal, and
DIR/quotes.json, the quote services' table of every linked stock
(fund_answers.quote_table). The feeder funds 707001-707003 come after the
others in codes.txt: their mobile answer names their target ETF 707009 (with
their share in it for 707001; 707002's share is its asset mix's funds share,
707003's is unknown), and they list a few stocks of their own. The funds of
DIR/source-codes.txt have a page without the holdings box, or with an empty
one, and are answered only by those sources.
"""

import argparse
import itertools
import json
import os
import random

import fund_answers

STOCK_HOST = "//quote.example.com/r/"
FORUM_HOST = "https://talk.example.com/fund/"
DETAIL_HOST = "http://detail.example.com/holdings_"
DEFAULT_DATE = "2022-09-30"

# Stock: (name as in title=, short text shown, symbol; None for a <div> row).
# The linked names of the special funds also join the pool of the others, so
# merges across any set of funds find shared stocks.
SPECIAL_FUNDS = [
    # Demo fund: ten linked rows, domestic and Hong Kong stocks.
    ("701001", "青禾新兴消费混合A", DEFAULT_DATE, [
        ("岚溪酒业", "1.603871", "9.41"), ("澄岫食品", "0.002915", "8.87"),
        ("霁川乳业", "1.600733", "7.92"), ("檀湾家电", "0.000962", "6.35"),
        ("杉屿服饰-W", "116.06618", "5.48"), ("荻洲调味", "1.603520", "4.76"),
        ("泓樾汽车", "0.002781", "3.64"), ("瑾澜医药", "1.688239", "3.12"),
        ("漪汀旅游", "0.300952", "2.57"), ("栎峰物流", "1.601688", "2.08"),
    ]),
    # Its C share class: the same portfolio, the same table.
    ("701002", "青禾新兴消费混合C", DEFAULT_DATE, None),
    # Demo fund: ten rows, two of them foreign stocks without a link.
    ("702001", "澄川全球消费精选混合人民币C", DEFAULT_DATE, [
        ("Quillfield Outfitters Inc", "105.QLFD", "6.84"), ("杉屿服饰-W", "116.06618", "5.73"),
        ("Brackenmoor Motors", "105.BRKM", "4.26"), ("Harrowgate Home Supply", "106.HGHS", "3.91"),
        ("Tallowmere Brands Inc", "105.TLWB", "3.18"), ("韦芒时装集团", None, "2.96"),
        ("Ostlund Wholesale Club", "105.OWCL", "2.71"), ("Penrose Household Goods", "106.PHGX", "2.63"),
        ("Kestrel Athletic", "106.KSTL", "2.55"), ("蓓娜雅美妆", None, "2.37"),
    ]),
    # Fewer than ten rows.
    ("703001", "蔚岑稳健配置混合A", DEFAULT_DATE, [
        ("璟屿银行", "1.601936", "5.12"), ("岚溪酒业", "1.603871", "4.83"),
        ("苒溪电力", "1.600571", "3.27"), ("汀芷高速", "0.000738", "2.64"),
        ("楠岫化工", "1.603186", "1.95"), ("沅芷水务", "0.000891", "1.41"),
        ("槿川港口", "1.601276", "0.88"),
    ]),
    # No holdings: the 暂无数据 box.
    ("704001", "珩渚货币增利债券A", DEFAULT_DATE, []),
    # A report one quarter older than the others.
    ("705001", "篁岭科技先锋股票", "2022-06-30", [
        ("枫硒半导体", "1.688417", "9.86"), ("荻洲软件", "0.300684", "8.72"),
        ("澄岫食品", "0.002915", "6.43"), ("汀芷光伏", "1.601358", "5.97"),
        ("泓樾汽车", "0.002781", "5.21"), ("岑溪通信", "0.002519", "4.64"),
        ("漪汀芯材", "1.688761", "3.88"), ("沅芷电子", "0.300437", "3.35"),
        ("璟屿储能", "0.300918", "2.74"), ("篁川算力", "1.603892", "2.19"),
    ]),
]

# Funds that only the other sources answer: (code, name, date, rows, page
# kind, answer options). "nobox": the page lacks the holdings box; "empty":
# its box says 暂无数据.
SOURCE_FUNDS = [
    # Demo fund: the archive answers (two quarters); the mobile answer is the failure JSON.
    ("706001", "禾川消费升级混合A", "2022-09-30", [
        ("岚溪酒业", "1.603871", "8.95"), ("霁川乳业", "1.600733", "8.12"),
        ("沅芷电子", "0.300437", "6.74"), ("澄岫食品", "0.002915", "6.02"),
        ("苒溪电力", "1.600571", "5.33"), ("泓樾汽车", "0.002781", "4.81"),
        ("檀湾家电", "0.000962", "4.15"), ("汀芷光伏", "1.601358", "3.66"),
        ("漪汀旅游", "0.300952", "2.94"), ("栎峰物流", "1.601688", "2.27"),
    ], "nobox", {"mobile_failure": True}),
    # The page's box is empty and the archive sends its 404 page: the mobile answer gives the rows.
    ("706002", "蔚川红利精选股票C", "2022-09-30", [
        ("璟屿银行", "1.601936", "9.21"), ("汀芷高速", "0.000738", "7.45"),
        ("槿川港口", "1.601276", "6.38"), ("苒溪电力", "1.600571", "5.12"),
        ("楠岫化工", "1.603186", "3.07"),
    ], "empty", {"not_apidata": True}),
    # A first quarter alone in the archive's answer: the previous quarter
    # needs the request for the year before.
    ("706003", "篁溪医药创新混合", "2023-03-31", [
        ("瑾澜医药", "1.688239", "9.64"), ("枫硒半导体", "1.688417", "8.30"),
        ("荻洲软件", "0.300684", "7.12"), ("岑溪通信", "0.002519", "5.56"),
        ("沅芷水务", "0.000891", "4.48"), ("璟屿储能", "0.300918", "3.92"),
    ], "nobox", {"older_style": 0}),
    # Twelve rows, foreign rows (one linked only in its code cell), the
    # stock-code list, older columns in the other order, no blank after
    # "{", a GBK body.
    ("706004", "珩岭全球配置混合人民币A", "2022-09-30", [
        ("Quillfield Outfitters Inc", "105.QLFD", "7.41"), ("杉屿服饰-W", "116.06618", "6.92"),
        ("岚溪酒业", "1.603871", "6.05"), ("Kestrel Athletic", "106.KSTL", "5.48"),
        ("霁川乳业", "1.600733", "4.87"), ("韦芒时装集团", None, "4.36"),
        ("Brackenmoor Motors", "105.BRKM", "3.95"), ("澄岫食品", "0.002915", "3.41"),
        ("荻洲调味", "1.603520", "2.83"), ("泓樾汽车", "0.002781", "2.26"),
    ], "nobox", {"extra_rows": [("蓓娜雅美妆", "116.02298", "1.84"), ("漪汀旅游", "0.300952", "1.52")],
                 "gpdm_list": True, "code_link_only": True, "older_style": 1, "tight": True,
                 "encoding": "gbk"}),
    # Content written with \uXXXX and \/ escapes, older heading linked too.
    ("706005", "汀兰稳进优选混合", "2022-09-30", [
        ("苒溪电力", "1.600571", "8.80"), ("璟屿银行", "1.601936", "7.60"),
        ("沅芷电子", "0.300437", "6.40"), ("枫硒半导体", "1.688417", "5.20"),
        ("栎峰物流", "1.601688", "4.00"), ("漪汀旅游", "0.300952", "2.80"),
    ], "nobox", {"escape_unicode": True, "escape_slash": True, "older_linked": True}),
]

# Feeder funds of an ETF: (code, name, date, rows, answer options); a row
# of None takes the table of the fund before it.
FEEDER_ETF = ("707009", "篁川沪深300ETF")
FEEDER_FUNDS = [
    ("707009", "篁川沪深300ETF", DEFAULT_DATE, [
        ("璟屿银行", "1.601936", "9.86"), ("岚溪酒业", "1.603871", "8.40"),
        ("苒溪电力", "1.600571", "6.72"), ("枫硒半导体", "1.688417", "5.95"),
        ("汀芷光伏", "1.601358", "5.10"), ("泓樾汽车", "0.002781", "4.66"),
        ("瑾澜医药", "1.688239", "3.98"), ("槿川港口", "1.601276", "3.21"),
        ("荻洲软件", "0.300684", "2.87"), ("沅芷水务", "0.000891", "2.35"),
    ], {}),
    ("707001", "篁川沪深300ETF联接A", DEFAULT_DATE, [
        ("岚溪酒业", "1.603871", "1.12"), ("霁川乳业", "1.600733", "0.96"),
        ("栎峰物流", "1.601688", "0.54"),
    ], {"etf": FEEDER_ETF, "fof_share": "93.40"}),
    ("707002", "篁川沪深300ETF联接C", DEFAULT_DATE, None, {"etf": FEEDER_ETF}),
    ("707003", "篁川沪深300ETF联接E", DEFAULT_DATE, None, {"etf": FEEDER_ETF}),
]
FEEDER_OPTIONS = {fund[0]: fund[4] for fund in FEEDER_FUNDS}

EXCLUDED_CODES = {"160127", "006309", "900001", "900002", "900003"}
BULK_FUNDS = 58

BRANDS = "岚溪 澄岫 霁川 檀湾 杉屿 荻洲 泓樾 瑾澜 漪汀 栎峰 蔚岑 璟屿 苒溪 汀芷 楠岫 沅芷 槿川 珩渚 篁岭 枫硒".split()
TRADES = "科技 电子 食品 医药 能源 材料 酒业 乳业 汽车 光伏 电力 物流 家电 软件 化工 传媒 环保 机械".split()
FUND_STYLES = "成长 价值 优选 精选 稳健 均衡 领先 智选 新动力 远见 睿享 恒利".split()
FUND_KINDS = ["混合A", "混合C", "股票A", "股票", "灵活配置混合", "行业精选股票"]
WORDS = ("市场 震荡 回暖 板块 消费 科技 估值 配置 季度 收益 波动 策略 行业 景气 修复 布局 观点 复盘 展望 "
         "基金经理 投资者 长期 持有 分红 净值 定投 风险 利率 债市 权益 指数 走势 资金 流入 流出 调仓 "
         "龙头 赛道 周期 弹性 盈利 预期 数据 公告 解读 看点 机会 谨慎 乐观 今日 本周 年内").split()
NICKS = ("稳稳的小禾 慢慢变富 定投十年 山间晨雾 青禾老用户 随缘持有 追风少年 北窗听雨 "
         "长线老张 不看盘的人 小白学基金 看天吃饭").split()
MENU = ("首页 基金排行 基金筛选 定投计算 净值查询 基金经理 基金公司 新发基金 指数基金 债券基金 "
        "货币基金 理财工具 资讯中心 投资课堂 帮助中心 关于我们 联系客服 手机版").split()


def expand_funds():
    """The special funds, with the C class taking the A class's table."""
    funds, tables = [], {}
    for code, name, date, rows in SPECIAL_FUNDS:
        if rows is None:
            rows = tables[name[:-1] + "A"]
        tables[name] = rows
        funds.append((code, name, date, list(rows)))
    return funds


def feeder_funds():
    """The ETF and its feeders, each feeder without a table taking the one before."""
    funds = []
    for code, name, date, rows, _ in FEEDER_FUNDS:
        funds.append((code, name, date, list(rows if rows is not None else funds[-1][3])))
    return funds


def stock_pool(rng):
    """Linked stocks for the other funds: the special funds' plus invented ones."""
    pool = {}
    for _, _, _, rows in expand_funds():
        for name, symbol, _ in rows:
            if symbol:
                pool[name] = symbol
    while len(pool) < 48:
        name = rng.choice(BRANDS) + rng.choice(TRADES)
        if name not in pool:
            pool[name] = rng.choice(["0.00", "1.60", "0.30", "1.68"]) + "%04d" % rng.randrange(10000)
    return sorted(pool.items())


def descending_ratios(rng, count):
    ratios = sorted((rng.uniform(1.2, 9.9) for _ in range(count)), reverse=True)
    return ["%.2f" % r for r in ratios]


def bulk_funds(rng, taken):
    pool = stock_pool(rng)
    foreign = ["Ambergate Textiles SA", "Lindqvist Timber AB", "Marlowe Optics plc", "Corvan Beverages NV"]
    funds = []
    while len(funds) < BULK_FUNDS:
        code = "%06d" % rng.randrange(1000, 690000)
        if code in taken or code in EXCLUDED_CODES:
            continue
        taken.add(code)
        name = rng.choice(BRANDS) + rng.choice(FUND_STYLES) + rng.choice(FUND_KINDS)
        stocks = rng.sample(pool, 10)
        if rng.random() < 0.15:
            stocks[rng.randrange(3, 10)] = (rng.choice(foreign), None)
        rows = [(n, s, r) for (n, s), r in zip(stocks, descending_ratios(rng, 10))]
        funds.append((code, name, DEFAULT_DATE, rows))
    return funds


# ---- filler ---------------------------------------------------------------

def chinese(rng, low, high):
    return "".join(rng.choice(WORDS) for _ in range(rng.randint(low, high)))


def style_block(rng):
    rules = []
    for _ in range(rng.randint(30, 60)):
        selector = ".qh-%s .%s" % (rng.choice(["card", "nav", "panel", "list", "chart", "tab"]),
                                   "".join(rng.choice("abcdefghkmnprstw") for _ in range(5)))
        props = ";".join("%s:%s" % (rng.choice(["margin", "padding", "line-height", "width", "height"]),
                                    "%dpx" % rng.randint(0, 300)) for _ in range(rng.randint(2, 5)))
        rules.append("%s{%s;color:#%06x}" % (selector, props, rng.randrange(1 << 24)))
    return '<style type="text/css">' + "".join(rules) + "</style>"


def script_block(rng):
    points = ",".join("[%d,%.4f]" % (1600000000000 + i * 86400000, rng.uniform(0.8, 3.2))
                      for i in range(rng.randint(60, 160)))
    labels = ",".join('"%s"' % chinese(rng, 1, 3) for _ in range(rng.randint(4, 12)))
    return ('<script type="text/javascript">var navSeries=[%s];var tabLabels=[%s];'
            "function qhPick(i){return navSeries[i%%navSeries.length][1].toFixed(4);}</script>"
            % (points, labels))


def nav_block(rng):
    items = "".join('<li><a href="http://www.example.com/%s/%d.html">%s</a></li>'
                    % (rng.choice(["rank", "tools", "news", "help"]), rng.randrange(1000), rng.choice(MENU))
                    for _ in range(rng.randint(40, 90)))
    return '<div class="qh-nav"><ul>' + items + "</ul></div>"


def news_block(rng):
    items = "".join('<li><a title="%s" href="http://news.example.com/a/%d.html">%s</a><span>%02d-%02d</span></li>'
                    % ((title := chinese(rng, 4, 9)), rng.randrange(10 ** 6), title,
                       rng.randint(1, 12), rng.randint(1, 28))
                    for _ in range(rng.randint(15, 35)))
    return '<div class="qh-news"><ul>' + items + "</ul></div>"


def chart_block(rng):
    x, y = 0.0, rng.uniform(20, 40)
    parts = ["M 0 %r" % y]
    for _ in range(rng.randint(70, 130)):
        nx, ny = x + rng.uniform(0.3, 1.5), min(60.0, max(0.0, y + rng.uniform(-1.5, 1.5)))
        parts.append("C %r %r %r %r %r %r" % (x + 0.27, y, nx - 0.27, ny, nx, ny))
        x, y = nx, ny
    return ('<svg width="700" height="260"><g class="qh-series"><path fill="none" d="%s" '
            'stroke="#4a7fb0" stroke-width="1"></path></g></svg>' % " ".join(parts))


def forum_block(rng):
    rows = "".join('<tr><td class="c1">%d</td><td class="c2"><a href="%spost/%d.html" title="%s">%s</a></td>'
                   '<td class="c3">%s</td><td class="c4">%02d-%02d %02d:%02d</td></tr>'
                   % (rng.randrange(3000), FORUM_HOST, rng.randrange(10 ** 9), (t := chinese(rng, 3, 8)), t,
                      rng.choice(NICKS), rng.randint(1, 12), rng.randint(1, 28), rng.randint(0, 23),
                      rng.randint(0, 59))
                   for _ in range(rng.randint(20, 40)))
    return '<table class="qh-forum"><tbody>' + rows + "</tbody></table>"


def blank_run(rng):
    return " " * rng.randint(200, 3000)


# The body after the box repeats this sequence of kinds, each block picked at
# random from its kind: mostly chart drawings and scripts, some text lists.
BODY_CYCLE = [chart_block, chart_block, script_block, forum_block, chart_block, chart_block,
              blank_run, chart_block, news_block, chart_block, script_block, chart_block, chart_block,
              nav_block]


def filler_pool(rng):
    """Blocks shared by all pages, grouped by kind, with their byte sizes."""
    def make(kind, count):
        return [(b, len(b.encode())) for b in (kind(rng) for _ in range(count))]
    pool = {kind: make(kind, 24) for kind in dict.fromkeys(BODY_CYCLE)}
    pool[style_block] = make(style_block, 8)
    return pool


# ---- the page -------------------------------------------------------------

def stock_row(name, symbol, ratio, rng):
    change = rng.uniform(-4, 4)
    if symbol is None:
        return ('<tr>  <td class="alignLeft">   <div title="%s">%s</div>  </td>  '
                '<td class="alignRight bold">%s%%</td>  <td class="alignRight bold" stockcode="stock_X">'
                '<span class="">--</span>  </td>  <td class="RelatedInfo alignRight10">'
                '<span style="padding-right:5px">讨论</span>  </td>   </tr>' % (name, name[:6], ratio))
    return ('<tr>  <td class="alignLeft">   <a href="%s%s" title="%s">%s</a>  </td>  '
            '<td class="alignRight bold">%s%%</td>  <td class="alignRight bold" stockcode="stock_%s">'
            '<span class="ui-color-%s">%.2f%%</span></td>  <td class="RelatedInfo alignRight10">'
            '<a style="padding-right:5px" href="%sboard?code=%s">讨论</a>  </td>   </tr>'
            % (STOCK_HOST, symbol, name, name[:6], ratio, symbol.split(".")[1],
               "red" if change >= 0 else "green", change, FORUM_HOST, symbol))


COUNT_WORDS = "一 二 三 四 五 六 七 八 九 十".split()
HEADER = ('<tr>   <th class="alignLeft">%s</th>   <th class="alignRight">持仓占比</th>   '
          '<th class="alignRight">涨跌幅</th>   <th class="alignRight10">相关讨论</th>  </tr>')


def table_box(box_class, style, header, rows, total, date, more):
    count = len(rows)
    table = ('<li class="%s" id="%s" style="%s"><div class="poptableWrap"><table class="ui-table-hover" '
             'width="100%%" border="0" cellspacing="0" cellpadding="0"> <tbody>%s'
             % (box_class, box_class, style, HEADER % header))
    if rows:
        table += "".join(rows) + '</tbody></table><p class="sum"><span class="sum-tit"><a href="%s">前%s持仓占比合计：</a>' \
            '</span><span class="sum-num">%s%%</span></p>' % (more, COUNT_WORDS[count - 1], total)
    else:
        table += '<tr>  <td colspan="4" style="color:#808080">暂无数据  </td>   </tr></tbody></table><p class="sum"></p>'
    return table + ('</div><div class="poptableWrap_footer"><span class="end_date">持仓截止日期: %s</span>'
                    '<a href="%s" class="poptab_more">查看全部持仓&gt;</a></div></li>' % (date, more))


def holdings_box(code, date, rows, rng):
    stock_rows = [stock_row(n, s, r, rng) for n, s, r in rows]
    total = "%.2f" % sum(float(r) for _, _, r in rows)
    bonds = [('<tr>  <td class="alignLeft">%s  </td>  <td class="alignRight bold">%.2f%%</td>  '
              '<td class="alignRight bold"><span class="">--</span>  </td>   </tr>'
              % (rng.choice(BRANDS) + rng.choice(["转债", "国债", "金融债"]), rng.uniform(0.01, 5)))
             for _ in range(3)]
    return ('<div class="qh-tabs"><h3>股票持仓</h3><h3>债券持仓</h3></div><div class="bd"><ul>'
            + table_box("position_shares", "display:block", "股票名称", stock_rows, total, date,
                        DETAIL_HOST + code + ".html")
            + table_box("position_bonds", "display: none;", "债券名称", bonds, "%.2f" % rng.uniform(1, 9),
                        date, DETAIL_HOST + "bonds_" + code + ".html")
            + "</ul></div>")


def fund_page(fund, pool, rng, page_kind="box"):
    code, name, date, rows = fund
    head = ('<html><head><meta charset="utf-8"><title>%s(%s)净值、持仓与走势_青禾示例基金站</title>'
            '<meta name="keywords" content="%s,%s,%s持仓"><meta name="description" content="%s(%s)的净值、'
            '持仓明细和历史走势，数据仅供演示。">' % (name, code, name, code, name, name, code))
    parts = [head] + [rng.choice(pool[style_block])[0] for _ in range(4)]
    parts += [rng.choice(pool[script_block])[0] for _ in range(3)]
    parts.append("</head><body>")
    parts += [rng.choice(pool[nav_block])[0] for _ in range(3)]
    parts.append('<div class="fundDetail-header"><div class="fundDetail-tit"><div style="float: left">%s'
                 '<span>(</span><span class="ui-num">%s</span></div>)</div></div>' % (name, code))
    parts += [news_block(rng), rng.choice(pool[news_block])[0]]
    parts.append('<div class="bd" id="position_loading">加载中…</div>' if page_kind == "nobox"
                 else holdings_box(code, date, [] if page_kind == "empty" else rows, rng))
    size = sum(len(p.encode()) for p in parts)
    target = rng.randint(440_000, 490_000)
    tail = "</body></html>\n"
    for kind in itertools.cycle(BODY_CYCLE):
        block, block_size = rng.choice(pool[kind])
        if size + block_size + len(tail) > target:
            break
        parts.append(block)
        size += block_size
    parts.append(" " * (target - size - len(tail)) + tail)
    return "".join(parts)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--seed", type=int, default=11)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    funds = expand_funds()
    feeders = feeder_funds()
    funds += bulk_funds(rng, {f[0] for f in funds + feeders})
    funds += feeders
    # Funds without holdings last: any leading run of codes all reads.
    funds.sort(key=lambda fund: not fund[3])
    pool = filler_pool(rng)
    os.makedirs(args.out, exist_ok=True)
    for fund in funds:
        page = fund_page(fund, pool, random.Random("%d:%s" % (args.seed, fund[0])))
        with open(os.path.join(args.out, fund[0] + ".html"), "w", encoding="utf-8", newline="") as out:
            out.write(page)
    with open(os.path.join(args.out, "holdings.tsv"), "w", encoding="utf-8", newline="\n") as out:
        for code, name, date, rows in funds:
            for stock, symbol, ratio in rows:
                link = "http:" + STOCK_HOST + symbol if symbol else ""
                out.write("\t".join([code, date, name, stock, ratio, link]) + "\n")
    with open(os.path.join(args.out, "codes.txt"), "w", encoding="utf-8", newline="\n") as out:
        out.write("".join(code + "\n" for code, _, _, _ in funds))
    write_source_funds(args, pool, funds)


def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def write_answers(out, fund, options, stocks):
    """The archive and mobile answers of one fund."""
    rng = random.Random("answers:%s" % fund[0])
    before = fund_answers.previous_rows(fund[3], stocks, rng) if fund[3] else []
    for name, data in fund_answers.archive_answers(fund, before, options, rng).items():
        write_file(os.path.join(out, "archive", name), data)
    write_file(os.path.join(out, "mobile", fund[0] + ".json"),
               fund_answers.mobile_answer(fund, before, options))
    write_file(os.path.join(out, "assets", fund[0] + ".json"),
               fund_answers.asset_mix_answer(fund, options))
    write_file(os.path.join(out, "netvalues", fund[0] + ".json"),
               fund_answers.net_value_answer(fund[0]))


def write_source_funds(args, pool, funds):
    """Every fund's other answers, and the funds only those answer."""
    stocks = stock_pool(random.Random(args.seed))
    for fund in funds:
        write_answers(args.out, fund, FEEDER_OPTIONS.get(fund[0], {}), stocks)
    for code, name, date, rows, page_kind, options in SOURCE_FUNDS:
        fund = (code, name, date, rows)
        page = fund_page(fund, pool, random.Random("%d:%s" % (args.seed, code)), page_kind)
        write_file(os.path.join(args.out, code + ".html"), page.encode())
        write_answers(args.out, fund, options, stocks)
    write_file(os.path.join(args.out, "archive", "no-referer.html"), fund_answers.NO_REFERER_PAGE.encode())
    write_file(os.path.join(args.out, "netvalues", "refused.json"), fund_answers.REFUSED_JSON.encode())
    source_funds = [(code, name, date, rows) for code, name, date, rows, _, _ in SOURCE_FUNDS]
    write_file(os.path.join(args.out, "quotes.json"),
               json.dumps(fund_answers.quote_table(funds + source_funds, [FEEDER_ETF]), ensure_ascii=False,
                          sort_keys=True).encode())
    with open(os.path.join(args.out, "source-codes.txt"), "w", encoding="utf-8", newline="\n") as out:
        out.write("".join(fund[0] + "\n" for fund in SOURCE_FUNDS))


if __name__ == "__main__":
    main()
