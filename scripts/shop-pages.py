#!/usr/bin/env python3
"""Writes a web tuning corpus of shop pages, made differently from the other corpus scripts: checkout
pages with a plan picker (several plans, each with a big price and a small "/mo", "/月", "per year"
suffix, struck-out original prices, intro offers such as "首月¥1", the chosen plan marked) beside an
order summary with subtotal, discount, tax and total rows; in-app purchase dialogs over a dimmed
app; order history tables; subscription management lists beside a sidebar; invoices with line
items. Prices in the signs and codes of many countries (¥ ￥ CN¥ JP¥ HK$ NT$ US$ A$ C$ S$ € £ ₩ ₹
CHF, codes before or after). Desktop widths at 1x and 2x and phone widths at 2x and 3x, light and
dark, Chinese, English and mixed pages, several CJK and Latin faces, PNG and JPEG, captured by
Chromium.

    scripts/shop-pages.py --out DIR [--count N] [--seed S]

Same folder format as tuning-pages.py (bench_ocr --tuning-folder DIR). Needs `chromium` and the
fonts (scripts/install-deps.sh --corpus).
"""

import datetime
import html
import random
import sys
import time

from web_capture import Browser, corpus_options, finish_corpus, intended_row, style_row, write_page

LATIN = ["Liberation Sans", "DejaVu Sans", "Lato", "FreeSans", "Liberation Serif", "FreeSerif", "DejaVu Sans Mono"]
CJK = ["Noto Sans CJK SC", "WenQuanYi Zen Hei", "WenQuanYi Micro Hei", "AR PL UKai CN", "AR PL UMing CN",
       "Droid Sans Fallback", "Noto Serif CJK SC", "Noto Sans CJK TC", "IPAPGothic"]

# (service, plan names by cycle, home language)
SERVICES = [
    ("Headspace", "Plus", "en"), ("Notion", "Plus", "en"), ("Grammarly", "Premium", "en"), ("Duolingo", "Super", "en"),
    ("Dropbox", "Plus", "en"), ("Canva", "Pro", "en"), ("Spotify", "Premium Duo", "en"), ("Strava", "Subscription", "en"),
    ("1Password", "Families", "en"), ("Evernote", "Personal", "en"), ("Audible", "Premium Plus", "en"),
    ("Figma", "Professional", "en"), ("Todoist", "Pro", "en"), ("Setapp", "Power User", "en"), ("Blinkist", "Premium", "en"),
    ("NordVPN", "Standard", "en"), ("Bear", "Pro", "en"), ("Fantastical", "Premium", "en"),
    ("爱奇艺", "黄金VIP会员", "zh"), ("腾讯视频", "VIP会员", "zh"), ("优酷", "酷喵VIP", "zh"), ("哔哩哔哩", "大会员", "zh"),
    ("网易云音乐", "黑胶VIP", "zh"), ("QQ音乐", "豪华绿钻", "zh"), ("百度网盘", "超级会员", "zh"), ("WPS", "超级会员", "zh"),
    ("喜马拉雅", "巅峰会员", "zh"), ("芒果TV", "全屏会员", "zh"), ("知乎", "盐选会员", "zh"), ("夸克", "超级会员", "zh"),
    ("得到", "年度会员", "zh"), ("微信读书", "付费会员卡", "zh"), ("迅雷", "白金会员", "zh"), ("京东", "PLUS会员", "zh"),
]

# currency: (forms as (before, after), rate to a dollar, decimals, thousands mark, decimal mark)
MONEY = {
    "CNY": ([("¥", ""), ("￥", ""), ("CN¥", ""), ("RMB ", ""), ("", "元"), ("", " CNY"), ("¥ ", "")], 7.1, 2),
    "JPY": ([("JP¥", ""), ("¥", ""), ("", "円"), ("JPY ", "")], 150, 0),
    "USD": ([("$", ""), ("US$", ""), ("USD ", ""), ("", " USD")], 1, 2),
    "HKD": ([("HK$", ""), ("HK$ ", ""), ("HKD ", "")], 7.8, 2),
    "TWD": ([("NT$", ""), ("NT$ ", "")], 31, 0),
    "AUD": ([("A$", ""), ("AU$", "")], 1.5, 2),
    "CAD": ([("C$", ""), ("CA$", "")], 1.35, 2),
    "SGD": ([("S$", "")], 1.35, 2),
    "EUR": ([("€", ""), ("", " €"), ("EUR ", "")], 0.92, 2),
    "GBP": ([("£", ""), ("GBP ", "")], 0.79, 2),
    "KRW": ([("₩", "")], 1350, 0),
    "INR": ([("₹", "")], 83, 0),
    "CHF": ([("CHF ", ""), ("", " CHF")], 0.9, 2),
}
PER = {"en": {"monthly": ["/mo", "/month", " per month", " a month"], "yearly": ["/yr", "/year", " per year", " billed yearly"],
              "quarterly": ["/quarter", " every 3 months"]},
       "zh": {"monthly": ["/月", "/每月", " 每月"], "yearly": ["/年", " 每年"], "quarterly": ["/季", "/季度"]}}
CYCLE_WORD = {"en": {"monthly": "Monthly", "yearly": "Yearly", "quarterly": "Quarterly"},
              "zh": {"monthly": "连续包月", "yearly": "连续包年", "quarterly": "连续包季"}}
MONTHS = ["January", "February", "March", "April", "May", "June", "July", "August", "September", "October", "November",
          "December"]


class Page:
    """What one page shows and how it is drawn."""

    def __init__(self, r, layout):
        self.r = r
        self.lang = r.choices(["en", "zh", "mixed"], [35, 40, 25])[0]
        pool = [s for s in SERVICES if self.lang == "mixed" or s[2] == self.lang]
        self.service, self.plan, home = r.choice(pool)
        self.zh = self.lang == "zh" or (self.lang == "mixed" and home == "zh")
        if home == "zh":
            self.currency = r.choices(["CNY", "HKD", "TWD", "USD"], [75, 10, 8, 7])[0]
        else:
            self.currency = r.choice(list(MONEY))
        self.form = r.choice(MONEY[self.currency][0])
        self.cycle = r.choices(["monthly", "yearly", "quarterly"], [50, 38, 12])[0]
        self.date = datetime.date(2026, 1, 1) + datetime.timedelta(days=r.randrange(300))
        # Desktop pages are the main matter here, at 1x and 2x.
        self.phone = layout == "dialog" and r.random() < 0.5 or r.random() < 0.2
        if self.phone:
            self.width, self.height, self.scale = r.choice([(390, 844), (414, 896), (360, 780)]) + (r.choice([2, 3]),)
        else:
            self.width, self.height = r.choice([(1280, 800), (1440, 900), (1366, 768), (1536, 864)])
            self.scale = r.choice([1, 1, 2])
        self.latin = r.choice(LATIN)
        self.cjk = r.choice(CJK)
        self.face = self.cjk if self.zh or self.lang == "mixed" else self.latin
        self.dark = r.random() < 0.35
        hue = r.randrange(360)
        if self.dark:
            self.bg, self.panel, self.ink, self.soft = r.choice(
                [("#121212", "#1e1e1e", "#f1f1f1", "#9a9a9a"), ("#0d1117", "#161b22", "#e6edf3", "#8b949e"),
                 ("#202124", "#2d2e31", "#e8eaed", "#9aa0a6")])
            self.accent = f"hsl({hue}, 70%, 62%)"
        else:
            self.bg, self.panel, self.ink, self.soft = r.choice(
                [("#f6f7f9", "#ffffff", "#111827", "#6b7280"), ("#ffffff", "#f9fafb", "#222222", "#777777"),
                 ("#eef1f5", "#ffffff", "#1b1f24", "#5f6b7a")])
            self.accent = f"hsl({hue}, 72%, 42%)"
        self.size = r.choice([12, 13, 14, 14, 15, 16])
        self.jpeg = r.random() < 0.3
        self.quality = r.choice([55, 70, 85, 92])
        low = {"monthly": 3, "quarterly": 8, "yearly": 25}[self.cycle]
        self.amount = self.value(r.uniform(low, low * 6))

    def t(self, en, zh):
        return zh if self.zh else en

    def value(self, dollars):
        _, rate, decimals = MONEY[self.currency]
        v = dollars * rate
        if decimals == 0:
            return float(round(v, -1 if v > 1000 else 0))
        return round(int(v) + self.r.choice([0.99, 0.0, 0.5, 0.9]), 2)

    def money(self, v=None, negative=False):
        v = self.amount if v is None else v
        digits = f"{v:,.0f}" if MONEY[self.currency][2] == 0 else f"{v:,.2f}"
        if self.form == ("", " €") or (self.currency in ("EUR", "CHF") and self.r.random() < 0.2):
            digits = digits.replace(",", " ").replace(".", ",")
        before, after = self.form
        return ("-" if negative else "") + f"{before}{digits}{after}"

    def per(self, cycle=None):
        return self.r.choice(PER["zh" if self.zh else "en"][cycle or self.cycle])

    def day(self, shift=0):
        d = self.date + datetime.timedelta(days=shift)
        if self.zh:
            return self.r.choice([f"{d.year}年{d.month}月{d.day}日", f"{d.year}-{d.month:02d}-{d.day:02d}"])
        return self.r.choice([f"{MONTHS[d.month - 1]} {d.day}, {d.year}", f"{d.day} {MONTHS[d.month - 1][:3]} {d.year}",
                              f"{d.year}-{d.month:02d}-{d.day:02d}"])

    def title(self):
        return f"{self.service} {self.plan}" if not self.zh or self.r.random() < 0.5 else f"{self.service}{self.plan}"

    def intended(self):
        return {"name": f"{self.service} {self.plan}", "amount": self.amount, "currency": self.currency,
                "cycle": self.cycle, "billingType": "subscription", "startDate": self.date.isoformat()}


def e(text):
    return html.escape(text, quote=False)


def style(p):
    family = f'"{p.latin}", "{p.cjk}"' if p.lang == "mixed" else f'"{p.face}"'
    return f"""
    * {{ box-sizing:border-box; margin:0; }}
    body {{ background:{p.bg}; color:{p.ink}; font:{p.size}px/1.45 {family}, sans-serif; }}
    .soft {{ color:{p.soft}; }} .small {{ font-size:{max(10, p.size - 3)}px; }} .big {{ font-size:{p.size + 12}px; font-weight:700; }}
    .panel {{ background:{p.panel}; border:1px solid {p.soft}44; border-radius:10px; padding:16px 20px; }}
    .line {{ display:flex; justify-content:space-between; gap:20px; padding:6px 0; }}
    .strike {{ text-decoration:line-through; color:{p.soft}; font-size:{max(10, p.size - 2)}px; margin-left:6px; }}
    .tag {{ background:{p.accent}; color:#fff; border-radius:4px; padding:1px 6px; font-size:{max(10, p.size - 3)}px; }}
    .go {{ background:{p.accent}; color:#fff; border-radius:8px; padding:10px 18px; text-align:center; font-weight:600; }}
    .tile {{ display:inline-block; width:{p.size * 2 + 8}px; height:{p.size * 2 + 8}px; border-radius:8px; flex:none;
             background:linear-gradient(150deg, hsl({p.r.randrange(360)}, 70%, 55%), hsl({p.r.randrange(360)}, 60%, 35%)); }}
    table {{ border-collapse:collapse; width:100%; }} td, th {{ text-align:left; padding:9px 12px; border-bottom:1px solid {p.soft}33; }}
    th {{ color:{p.soft}; font-weight:500; font-size:{max(10, p.size - 2)}px; }}"""


def nav(p):
    links = p.t(["Home", "Pricing", "Help", "Sign in"], ["首页", "会员", "帮助", "我的"])
    inner = "".join(f'<span class="soft" style="margin-left:22px">{e(x)}</span>' for x in links)
    return (f'<div style="display:flex; align-items:center; padding:14px 28px; border-bottom:1px solid {p.soft}33">'
            f'<span class="tile" style="width:22px; height:22px; margin-right:10px"></span><b>{e(p.service)}</b>'
            f'<span style="flex:1"></span>{inner}</div>')


def plan_card(p, label, v, cycle, chosen):
    r = p.r
    price = f'<span class="big">{e(p.money(v))}</span><span class="soft small">{e(p.per(cycle))}</span>'
    if r.random() < 0.35:
        price += f'<span class="strike">{e(p.money(p.value(v / MONEY[p.currency][1] * 1.6)))}</span>'
    mark = f'<span class="tag">{e(p.t("Selected", "已选"))}</span>' if chosen else ""
    border = f"2px solid {p.accent}" if chosen else f"1px solid {p.soft}55"
    offer = ""
    if r.random() < 0.3:
        first = p.money(p.value(0.15))
        offer = f'<div class="small" style="color:{p.accent}">{e(p.t(f"First month {first}", f"首月{first}"))}</div>'
    return (f'<div class="panel" style="border:{border}; flex:1"><div class="line"><b>{e(label)}</b>{mark}</div>'
            f'<div style="margin:6px 0">{price}</div>{offer}</div>')


def checkout(p):
    """A checkout page: plan cards side by side, an order summary with its rows and the total."""
    r, t = p.r, p.t
    cycles = [c for c in ["monthly", "quarterly", "yearly"] if c == p.cycle or r.random() < 0.6]
    cards = "".join(plan_card(p, CYCLE_WORD["zh" if p.zh else "en"][c],
                              p.amount if c == p.cycle else p.value(p.amount / MONEY[p.currency][1] *
                                                                    {"monthly": 0.3, "quarterly": 0.6, "yearly": 3}[c]),
                              c, c == p.cycle) for c in cycles)
    discount = p.value(r.uniform(0.5, 3)) if r.random() < 0.5 else 0
    tax = round(p.amount * 0.08, 2 if MONEY[p.currency][2] else 0) if r.random() < 0.5 else 0
    subtotal = round(p.amount + discount - tax, 2)
    rows = [(t("Subtotal", "小计"), p.money(subtotal))]
    if discount:
        rows.append((t("Discount", "优惠"), p.money(discount, negative=True)))
    if tax:
        rows.append((t("Tax", "税费"), p.money(tax)))
    rows.append((t("Total due today", "应付金额"), p.money()))
    summary = "".join(f'<div class="line"><span class="soft">{e(a)}</span><span>{e(b)}</span></div>' for a, b in rows[:-1])
    summary += f'<div class="line" style="border-top:1px solid {p.soft}55; padding-top:10px"><b>{e(rows[-1][0])}</b><b>{e(rows[-1][1])}</b></div>'
    renew = t(f"Renews {p.day({'monthly': 31, 'quarterly': 92, 'yearly': 365}[p.cycle])} at {p.money()}{p.per()}",
              f"{p.day({'monthly': 31, 'quarterly': 92, 'yearly': 365}[p.cycle])}起按{p.money()}{p.per()}自动续费")
    direction = "column" if p.phone else "row"
    return f"""{nav(p)}<div style="display:flex; flex-direction:{direction}; gap:28px; padding:28px; max-width:1200px; margin:auto">
      <div style="flex:2"><div class="big" style="margin-bottom:6px">{e(t(f"Choose your {p.service} plan", f"选择{p.service}会员套餐"))}</div>
        <div class="soft" style="margin-bottom:16px">{e(p.title())}</div>
        <div style="display:flex; flex-direction:{direction}; gap:14px">{cards}</div></div>
      <div style="flex:1"><div class="panel"><b>{e(t("Order summary", "订单信息"))}</b>
        <div class="line"><span class="soft">{e(t("Start date", "开通日期"))}</span><span>{e(p.day())}</span></div>
        {summary}<div class="soft small" style="margin-top:8px">{e(renew)}</div>
        <div class="go" style="margin-top:14px">{e(t("Pay now", "立即支付"))}</div></div></div></div>"""


def dialog(p):
    """An in-app purchase confirmation sheet over the dimmed app behind it."""
    r, t = p.r, p.t
    behind = "".join(f'<div style="padding:10px 24px">{e(x)}</div>' for x in
                     r.sample(p.t(["Library", "Recently played", "Made for you", "Settings", "Downloads", "Profile"],
                                  ["首页", "推荐", "最近播放", "我的收藏", "下载", "设置"]), 4))
    offer = ""
    if r.random() < 0.4:
        first = p.money(p.value(0.15))
        offer = f'<div class="line"><span class="soft">{e(t("Intro offer", "首月特惠"))}</span><span>{e(t(f"{first} first month", f"首月{first}"))}</span></div>'
    rows = [(t("Plan", "套餐"), p.title()), (t("Billing", "续费方式"), CYCLE_WORD["zh" if p.zh else "en"][p.cycle]),
            (t("Price", "价格"), p.money() + p.per()), (t("Starts", "生效日期"), p.day()),
            (t("Account", "账号"), r.choice(["li.wei@icloud.com", "mk_2049", "jo.park@gmail.com", "1388****012"]))]
    body = "".join(f'<div class="line"><span class="soft">{e(a)}</span><span>{e(b)}</span></div>' for a, b in rows)
    width = "92%" if p.phone else "440px"
    return f"""<div style="position:relative; min-height:{p.height}px">{nav(p)}{behind}
      <div style="position:absolute; inset:0; background:rgba(0,0,0,{r.choice([0.35, 0.5, 0.6])})"></div>
      <div class="panel" style="position:absolute; left:50%; top:{r.choice([80, 140])}px; transform:translateX(-50%); width:{width};
           background:{p.panel}; box-shadow:0 10px 40px #0008">
        <div style="display:flex; gap:12px; align-items:center; margin-bottom:10px"><span class="tile"></span>
          <div><b>{e(t("Confirm subscription", "确认订阅"))}</b><div class="soft small">{e(p.service)}</div></div></div>
        {body}{offer}<div class="go" style="margin-top:14px">{e(t("Subscribe", "确认支付"))}</div>
        <div class="soft small" style="margin-top:8px">{e(t("Cancel anytime in Settings.", "可随时在设置中取消自动续费。"))}</div></div></div>"""


def orders(p):
    """An order history: a table of past orders, the newest holding this subscription."""
    r, t = p.r, p.t
    others = [Page(random.Random(r.getrandbits(32)), "orders") for _ in range(r.randrange(1, 4))]
    head = [t("Date", "日期"), t("Order", "订单号"), t("Item", "商品"), t("Amount", "金额"), t("Status", "状态")]
    rows = []
    for i, x in enumerate([p] + others):
        q = p if i == 0 else x
        rows.append([q.day() if i == 0 else p.day(-31 * i), f"{r.randrange(10**9, 10**10)}", q.title(),
                     (p.money(q.amount) if i else p.money()) + (p.per() if r.random() < 0.4 else ""),
                     t("Paid", "已支付")])
    table = "<tr>" + "".join(f"<th>{e(h)}</th>" for h in head) + "</tr>" + "".join(
        "<tr>" + "".join(f"<td>{e(c)}</td>" for c in row) + "</tr>" for row in rows)
    return f"""{nav(p)}<div style="padding:28px; max-width:1100px; margin:auto"><div class="big">{e(t("Order history", "我的订单"))}</div>
      <div class="soft" style="margin:4px 0 16px">{e(t("Orders from the past year", "近一年的订单记录"))}</div>
      <div class="panel" style="padding:4px 8px; overflow:hidden"><table>{table}</table></div></div>"""


def manage(p):
    """Subscription management: a sidebar of sections beside cards of the active subscriptions."""
    r, t = p.r, p.t
    menu = t(["Overview", "Subscriptions", "Payment methods", "Invoices", "Security"], ["账号概览", "自动续费管理", "支付方式", "发票", "安全"])
    side = "".join(f'<div style="padding:8px 0{"; font-weight:700" if i == 1 else ""}">{e(x)}</div>' for i, x in enumerate(menu))
    others = [Page(random.Random(r.getrandbits(32)), "manage") for _ in range(r.randrange(0, 3))]
    cards = []
    for x in [p] + others:
        q = x if x is not p else p
        due = q.day({"monthly": 31, "quarterly": 92, "yearly": 365}[q.cycle])
        cards.append(f"""<div class="panel" style="display:flex; gap:14px; align-items:center; margin-bottom:12px">
          <span class="tile"></span><div style="flex:1"><b>{e(q.title())}</b>
          <div class="soft small">{e(p.t(f"Next charge {due}", f"下次扣费 {due}"))}</div></div>
          <div style="text-align:right"><span style="font-weight:600">{e(p.money(q.amount) if q is not p else p.money())}</span>
          <span class="soft small">{e(p.per(q.cycle))}</span><div class="soft small">{e(p.t("Manage", "管理"))} ›</div></div></div>""")
    return f"""<div style="display:flex; min-height:{p.height}px"><div style="width:{180 if not p.phone else 0}px; overflow:hidden;
      padding:24px {20 if not p.phone else 0}px; background:{p.panel}; border-right:1px solid {p.soft}33" class="soft">{side}</div>
      <div style="flex:1; padding:26px 34px; max-width:900px"><div class="big">{e(t("Your subscriptions", "我的自动续费"))}</div>
      <div class="soft" style="margin:4px 0 18px">{e(t(f"Member since {p.day()}", f"开通时间 {p.day()}"))}</div>{''.join(cards)}</div></div>"""


def invoice(p):
    """An invoice: seller, buyer, line items with quantity, and subtotal, tax and total."""
    r, t = p.r, p.t
    tax_rate = r.choice([0, 0.06, 0.1, 0.2])
    net = round(p.amount / (1 + tax_rate), 2 if MONEY[p.currency][2] else 0)
    tax = round(p.amount - net, 2)
    rows = [(f"{p.title()} ({CYCLE_WORD['zh' if p.zh else 'en'][p.cycle]})", "1", p.money(net))]
    lines = "".join(f"<tr><td>{e(a)}</td><td>{e(b)}</td><td style='text-align:right'>{e(c)}</td></tr>" for a, b, c in rows)
    sums = [(t("Subtotal", "小计"), p.money(net))]
    if tax_rate:
        sums.append((t(f"VAT {tax_rate:.0%}", f"税额 {tax_rate:.0%}"), p.money(tax)))
    sums.append((t("Total", "合计"), p.money()))
    tail = "".join(f'<div class="line" style="width:300px; margin-left:auto"><span class="soft">{e(a)}</span><span>{e(b)}</span></div>'
                   for a, b in sums)
    return f"""<div style="max-width:760px; margin:30px auto" class="panel"><div class="line"><div><b class="big">{e(p.service)}</b>
      <div class="soft small">{e(t("Invoice", "电子发票"))} #{r.randrange(10000, 99999)}-{r.randrange(100, 999)}</div></div>
      <div style="text-align:right" class="small"><div>{e(t("Date paid", "支付日期"))}</div><div>{e(p.day())}</div></div></div>
      <div class="soft small" style="margin:14px 0">{e(t("Billed to", "购买方"))}: {e(r.choice(["Avery Chen", "王小明", "Sam Ortiz", "陈静"]))}</div>
      <table><tr><th>{e(t("Description", "项目"))}</th><th>{e(t("Qty", "数量"))}</th><th style="text-align:right">{e(t("Amount", "金额"))}</th></tr>{lines}</table>
      <div style="margin-top:10px">{tail}</div>
      <div class="soft small" style="margin-top:16px">{e(t(f"Paid with Visa •••• {r.randrange(1000, 9999)}", f"支付方式：微信支付"))}</div></div>"""


LAYOUTS = {"checkout": checkout, "dialog": dialog, "orders": orders, "manage": manage, "invoice": invoice}


def main():
    opts = corpus_options(__doc__, count=150, seed=4409)
    r = random.Random(opts.seed)
    started = time.monotonic()
    browser = Browser("none")
    styles, intended = [], []
    try:
        for index in range(opts.count):
            layout = r.choices(list(LAYOUTS), [30, 20, 15, 20, 15])[0]
            p = Page(random.Random(r.getrandbits(64)), layout)
            markup = (f'<!doctype html><html lang="{"zh-CN" if p.zh else "en"}"><head><meta charset="utf-8">'
                      f'<style>{style(p)}</style></head><body>{LAYOUTS[layout](p)}</body></html>')
            text, image, _ = browser.render(markup, p)
            label = f"{index:04d}-{layout}-{p.lang}-{'dark' if p.dark else 'light'}-{p.size}px"
            write_page(opts.out, label, image, p.jpeg, text)
            styles.append(style_row(label, p.face, "JPEG" if p.jpeg else "PNG", p.phone, f"{p.scale:g}"))
            intended.append(intended_row(label, p.intended()))
    finally:
        browser.close()
    return finish_corpus(opts, styles, intended, started)


if __name__ == "__main__":
    sys.exit(main())
