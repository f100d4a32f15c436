#!/usr/bin/env python3
"""Writes the web tuning corpus: subscription pages of its own design captured by a real browser.

    scripts/tuning-pages.py --out DIR [--count N] [--seed S]

The recogniser is tuned on these pages; the browser-made evaluation corpus (html-receipts.py) is
written independently of them and only measured on. Each page gets LABEL.png or LABEL.jpg and
LABEL.txt (the visible text, one visual row per line), LABEL = <index>-<layout>-<language>-<theme>-
<N>px; styles.tsv (label, typeface, file, width, scale) and intended.tsv (what each page was written
with), in the format bench_ocr reads with --tuning-folder.

Layouts: app-store purchase sheets, mail-client views of billing e-mails (serif text, headers,
footers, price rows in two columns, small grey text), desktop invoices, account pages with a
sidebar and wallet payment notices; Chinese, English and both; light and dark; phone width at 2x/3x
and desktop width at 1x/2x; PNG and JPEG at several qualities. Needs `chromium` and the fonts
(scripts/install-deps.sh --corpus).
"""

import datetime
import html
import random
import sys
import time

from web_capture import Browser, corpus_options, finish_corpus, intended_row, style_row, write_page

# (CSS family, generic fallback, kind)
LATIN_FACES = [("Liberation Serif", "serif"), ("DejaVu Serif", "serif"), ("Liberation Sans", "sans-serif"),
               ("DejaVu Sans", "sans-serif"), ("DejaVu Sans Condensed", "sans-serif")]
CJK_FACES = ["Noto Sans CJK SC", "Noto Serif CJK SC", "AR PL UMing CN", "AR PL UKai CN", "WenQuanYi Zen Hei",
             "WenQuanYi Micro Hei", "Droid Sans Fallback"]

# (name shown, plan, language it is sold in, price range, cycles it is sold in)
SERVICES = [
    ("Audible", "Premium Plus", "en", (7, 15), ["monthly", "yearly"]),
    ("Duolingo", "Super", "en", (6, 13), ["monthly", "yearly"]),
    ("1Password", "Families", "en", (4, 60), ["monthly", "yearly"]),
    ("Grammarly", "Premium", "en", (12, 144), ["monthly", "quarterly", "yearly"]),
    ("Evernote", "Personal", "en", (8, 130), ["monthly", "yearly"]),
    ("LinkedIn", "Premium Career", "en", (29, 40), ["monthly"]),
    ("Headspace", "Annual", "en", (12, 70), ["monthly", "yearly"]),
    ("Strava", "Subscription", "en", (5, 80), ["monthly", "yearly"]),
    ("NordVPN", "Complete", "en", (4, 90), ["monthly", "yearly"]),
    ("Canva", "Pro", "en", (12, 120), ["monthly", "yearly"]),
    ("Paramount+", "Essential", "en", (6, 12), ["monthly"]),
    ("Crunchyroll", "Mega Fan", "en", (8, 12), ["monthly"]),
    ("Tidal", "HiFi", "en", (10, 20), ["monthly"]),
    ("Proton Mail", "Plus", "en", (4, 50), ["monthly", "yearly"]),
    ("Todoist", "Pro", "en", (4, 48), ["monthly", "yearly"]),
    ("Kagi Search", "Professional", "en", (10, 108), ["monthly", "yearly"]),
    ("Zoom Workplace", "Pro", "en", (13, 150), ["monthly", "yearly"]),
    ("Perplexity", "Pro", "en", (20, 200), ["monthly", "yearly"]),
    ("Google One", "2 TB", "en", (10, 100), ["monthly", "yearly"]),
    ("Nintendo Switch Online", "Family", "en", (4, 35), ["quarterly", "yearly"]),
    ("JetBrains", "All Products Pack", "en", (25, 290), ["monthly", "yearly"]),
    ("Things 3", "Mac", "en", (30, 50), ["once"]),
    ("Affinity Photo", "Licence", "en", (50, 70), ["once"]),
    ("Readwise", "Reader", "en", (8, 10), ["monthly"]),
    ("喜马拉雅", "VIP会员", "zh", (15, 198), ["monthly", "yearly"]),
    ("京东PLUS", "会员", "zh", (99, 149), ["yearly"]),
    ("芒果TV", "会员", "zh", (15, 218), ["monthly", "quarterly", "yearly"]),
    ("WPS", "超级会员", "zh", (20, 179), ["monthly", "yearly"]),
    ("知乎", "盐选会员", "zh", (15, 198), ["monthly", "yearly"]),
    ("微信读书", "付费会员", "zh", (19, 228), ["monthly", "yearly"]),
    ("夸克网盘", "超级会员", "zh", (25, 228), ["monthly", "yearly"]),
    ("迅雷", "白金会员", "zh", (15, 149), ["monthly", "quarterly", "yearly"]),
    ("酷狗音乐", "豪华VIP", "zh", (15, 138), ["monthly", "yearly"]),
    ("百度文库", "VIP", "zh", (20, 199), ["monthly", "yearly"]),
    ("阿里云盘", "SVIP", "zh", (22, 258), ["monthly", "yearly"]),
    ("得到", "听书会员", "zh", (30, 365), ["quarterly", "yearly"]),
    ("咪咕视频", "钻石会员", "zh", (15, 188), ["monthly", "yearly"]),
    ("美图秀秀", "VIP", "zh", (18, 168), ["monthly", "yearly"]),
    ("网易有道词典", "超级会员", "zh", (18, 198), ["monthly", "yearly"]),
    ("扫描全能王", "高级账户", "zh", (28, 228), ["monthly", "yearly"]),
    ("Procreate", "买断", "zh", (68, 98), ["once"]),
]

CURRENCIES = {  # code: ways it is written before an amount
    "USD": ["$", "US$", "USD "],
    "CNY": ["¥", "CN¥", "RMB ", "¥ "],
    "EUR": ["€", "€ ", "EUR "],
    "GBP": ["£", "GBP "],
    "HKD": ["HK$", "HKD "],
    "JPY": ["JP¥", "JPY "],
}

CYCLE_EN = {"monthly": ["/month", " per month", " monthly", "/mo"], "yearly": ["/year", " per year", " yearly", "/yr"],
            "quarterly": [" per quarter", " quarterly"], "weekly": ["/week", " weekly"], "once": [" one-time", ""]}
CYCLE_ZH = {"monthly": ["/月", "每月", "（按月）"], "yearly": ["/年", "每年", "（年付）"], "quarterly": ["/季", "每季"],
            "weekly": ["/周", "每周"], "once": ["（买断）", "（永久）"]}
CYCLE_WORD_EN = {"monthly": "Monthly", "yearly": "Annual", "quarterly": "Quarterly", "weekly": "Weekly",
                 "once": "Lifetime"}
CYCLE_WORD_ZH = {"monthly": "连续包月", "yearly": "连续包年", "quarterly": "连续包季", "weekly": "每周",
                 "once": "永久买断"}

FIRST_NAMES = ["Robin", "Priya", "Marco", "Hannah", "Kenji", "Lucía", "Tomás", "Ingrid", "Wei", "Oluwaseun"]
LAST_NAMES = ["Okafor", "Lindqvist", "Moreau", "Nakamura", "Silva", "Horvath", "Zhou", "Ferreira"]
ZH_NAMES = ["吴思远", "郑晓琳", "冯一鸣", "何佳怡", "许文博", "曹雨桐", "邓子轩", "彭嘉欣"]
HOSTS = ["fastmail.com", "hey.com", "posteo.de", "yahoo.com", "126.com", "sina.com", "aliyun.com"]
STREETS = ["88 Harbour Road, Wan Chai", "17 Rue de la Paix, 75002 Paris", "200 Aldersgate, London EC1A 4HD",
           "3-1-1 Marunouchi, Chiyoda-ku, Tokyo", "浙江省杭州市余杭区文一西路969号", "江苏省南京市玄武区中山路18号"]
MONTHS = ["January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
          "November", "December"]


class Look:
    """How a page is drawn and captured."""

    def __init__(self, r, layout, lang):
        self.dark = r.random() < 0.4
        self.phone = layout in ("sheet", "notice") or (layout != "invoice" and r.random() < 0.45)
        if self.phone:
            self.width, self.height = r.choice([(360, 740), (375, 812), (393, 852), (414, 896)])
            self.scale = r.choice([2, 3])
        else:
            self.width, self.height = r.choice([(1280, 800), (1366, 768), (1440, 900), (1024, 768)])
            self.scale = r.choice([1, 1, 2])
        self.size = r.choice([11, 12, 13, 14, 15, 16, 17])
        latin = r.choice(LATIN_FACES)
        cjk = r.choice(CJK_FACES)
        # Mails are set in a Latin face first, CJK only as fallback; Chinese pages the other way round.
        if lang == "zh" or (lang == "mixed" and r.random() < 0.5):
            self.typeface = cjk
            self.family = f'"{cjk}", "{latin[0]}", {latin[1]}'
        else:
            self.typeface = latin[0]
            self.family = f'"{latin[0]}", "{cjk}", {latin[1]}'
        self.jpeg = r.random() < 0.3
        self.quality = r.choice([55, 65, 75, 85, 92])
        hue = r.randrange(360)
        if self.dark:
            self.bg, self.card, self.text = r.choice(["#101214", "#1b1b1f", "#0d1117"]), r.choice(
                ["#23262b", "#2a2a30", "#161b22"]), r.choice(["#f2f2f2", "#e6e6e6", "#d0d7de"])
            self.grey = r.choice(["#8b949e", "#9a9aa0", "#7d8590"])
            self.accent = f"hsl({hue}, 70%, 65%)"
        else:
            self.bg, self.card, self.text = r.choice(["#ffffff", "#f4f5f7", "#eef1f4"]), r.choice(
                ["#ffffff", "#fafafa"]), r.choice(["#111111", "#222831", "#333333"])
            self.grey = r.choice(["#8a8f98", "#999999", "#a0a4ab", "#6b7280"])
            # Some brands' colours are light: orange, green, sky blue text and buttons on white.
            self.accent = f"hsl({hue}, 65%, {r.choice([38, 42, 50, 58])}%)"
        # Buttons flat, in a gradient, or pale with text in the accent colour; panels tinted.
        self.button = r.choice(["flat", "flat", "gradient", "pale"])
        self.tint = r.choice(["none", "none", f"hsl({hue}, 60%, {92 if not self.dark else 16}%)"])

    def file_kind(self):
        return f"JPEG q{self.quality}" if self.jpeg else "PNG"


class Facts:
    """What one page says."""

    def __init__(self, r, lang):
        self.r = r
        self.lang = lang
        pool = [s for s in SERVICES if lang == "mixed" or s[2] == lang]
        self.service, self.plan, home, (low, high), cycles = r.choice(pool)
        self.zh = lang == "zh" or (lang == "mixed" and home == "zh" and r.random() < 0.6)
        self.cycle = r.choice(cycles)
        if home == "zh" and r.random() < 0.8:
            self.currency = "CNY"
        else:
            self.currency = r.choice(["USD", "USD", "EUR", "GBP", "HKD", "CNY", "JPY"])
        value = r.uniform(low, high) * (120 if self.currency == "JPY" else 7 if self.currency == "HKD" else 1)
        self.amount = float(round(value)) if self.currency == "JPY" else round(int(value) + r.choice(
            [0.99, 0.0, 0.49, 0.9, 0.5]), 2)
        self.sign = r.choice(CURRENCIES[self.currency])
        self.date = datetime.date(2026, 1, 1) + datetime.timedelta(days=r.randrange(330))
        self.person = r.choice(ZH_NAMES) if self.zh else f"{r.choice(FIRST_NAMES)} {r.choice(LAST_NAMES)}"
        self.mail = f"{r.choice(['r', 'p', 'm', 'h', 'k'])}{r.choice(LAST_NAMES).lower()}{r.randrange(10, 99)}@{r.choice(HOSTS)}"
        self.number = "".join(r.choice("ABCDEFGHJKLMNPQRSTUVWXYZ0123456789") for _ in range(10))
        self.card = str(r.randrange(1000, 9999))
        joined = self.zh and not self.plan.isascii() and r.random() < 0.5
        self.name = f"{self.service}{self.plan}" if joined else f"{self.service} {self.plan}"

    def money(self):
        digits = f"{self.amount:,.0f}" if self.currency == "JPY" else f"{self.amount:,.2f}"
        return f"{self.sign}{digits}"

    def price(self):
        cycles = CYCLE_ZH if self.zh else CYCLE_EN
        return self.money() + self.r.choice(cycles[self.cycle])

    def day(self, style=None):
        d = self.date
        style = style if style is not None else self.r.randrange(4)
        if self.zh:
            return [f"{d.year}年{d.month}月{d.day}日", f"{d.year}-{d.month:02d}-{d.day:02d}", f"{d.year}/{d.month:02d}/{d.day:02d}",
                    f"{d.year}年{d.month:02d}月{d.day:02d}日"][style]
        return [f"{MONTHS[d.month - 1][:3]} {d.day}, {d.year}", f"{d.day} {MONTHS[d.month - 1]} {d.year}",
                f"{MONTHS[d.month - 1]} {d.day}, {d.year}", f"{d.year}-{d.month:02d}-{d.day:02d}"][style]

    def title(self):
        return self.name

    def intended(self):
        return {"name": self.title(), "amount": self.amount, "currency": self.currency,
                "cycle": "" if self.cycle == "once" else self.cycle,
                "billingType": "oneTime" if self.cycle == "once" else "subscription", "startDate": self.date.isoformat()}

    def t(self, en, zh):
        return zh if self.zh else en


def e(text):
    return html.escape(text, quote=False)


def button_look(k):
    if k.button == "gradient":
        return f"background: linear-gradient(90deg, {k.accent}, hsl(0, 0%, 30%)); color: #fff;"
    if k.button == "pale":
        return f"background: {k.tint if k.tint != 'none' else '#e8eefc'}; color: {k.accent};"
    return f"background: {k.accent}; color: #fff;"


def style_sheet(k, extra=""):
    return f"""
    * {{ box-sizing: border-box; }}
    body {{ margin: 0; background: {k.bg}; color: {k.text}; font-family: {k.family}; font-size: {k.size}px;
           line-height: 1.45; }}
    .card {{ background: {k.card}; border-radius: 10px; padding: 16px 18px; margin: 12px; }}
    .tinted {{ background: {k.tint if k.tint != 'none' else k.card}; border-radius: 8px; padding: 6px 10px; }}
    .grey {{ color: {k.grey}; }}
    .small {{ font-size: {max(10, k.size - 3)}px; }}
    .big {{ font-size: {k.size + 10}px; font-weight: 700; }}
    .accent {{ color: {k.accent}; }}
    .pair {{ display: flex; justify-content: space-between; gap: 24px; padding: 7px 0; }}
    .rule {{ border-top: 1px solid {k.grey}55; }}
    .button {{ display: block; text-align: center; border-radius: 9px; {button_look(k)}
               padding: 11px; font-weight: 600; margin-top: 14px; }}
    .logo {{ display: inline-block; width: 46px; height: 46px; border-radius: 11px; background: {k.accent};
             vertical-align: middle; margin-right: 12px; }}
    {extra}"""


def pair(left, right, cls=""):
    return f'<div class="pair {cls}"><span class="grey">{e(left)}</span><span>{e(right)}</span></div>'


def sheet(f, k):
    """An app store's purchase confirmation sheet sliding over a dimmed app."""
    t = f.t
    rows = [pair(t("Plan", "套餐"), f.t(f"{f.plan} ({CYCLE_WORD_EN[f.cycle]})", f"{f.plan}（{CYCLE_WORD_ZH[f.cycle]}）")),
            pair(t("Price", "价格"), f.price())]
    if f.cycle != "once":
        rows.append(pair(t("Starts", "开始日期"), f.day()))
        rows.append(pair(t("Renews", "续订"), t(f"{CYCLE_WORD_EN[f.cycle]} until cancelled", "到期自动续费")))
    else:
        rows.append(pair(t("Purchased", "购买日期"), f.day()))
    body = f"""
    <div style="height:{k.height // 4}px; opacity:.35; padding:20px" class="grey">{e(t("Settings", "设置"))}</div>
    <div class="card" style="margin:0; border-radius:16px 16px 0 0; min-height:{k.height * 3 // 4}px">
      <div style="display:flex; justify-content:space-between"><b>{e(t("Subscribe", "确认订阅"))}</b>
        <span class="accent">{e(t("Cancel", "取消"))}</span></div>
      <div style="margin:18px 0"><span class="logo"></span>
        <span style="display:inline-block; vertical-align:middle"><b>{e(f.title())}</b><br>
        <span class="grey small">{e(t("In-app purchase", "App 内购买项目"))}</span></span></div>
      <div class="rule"></div><div class="tinted">{''.join(rows)}</div><div class="rule"></div>
      <div class="pair"><span class="grey">{e(t("Account", "账户"))}</span><span>{e(f.mail)}</span></div>
      <p class="grey small">{e(t("Payment is charged to your account at confirmation of purchase. "
                                 "Cancel at least one day before each renewal date in Settings.",
                                 "确认购买后将从您的账户扣款。如需取消，请在续订日期前至少一天在设置中关闭自动续订。"))}</p>
      <span class="button">{e(f.r.choice([t("Confirm with side button", "按两下以支付"),
                                          t(f"Subscribe for {f.price()}", f"立即开通 {f.price()}")]))}</span>
    </div>"""
    return body, ""


def mail(f, k):
    """A billing e-mail as a mail client shows it: toolbar, headers, the message, its footer."""
    t = f.t
    sender = f"{f.service} <billing@{f.service.lower().replace(' ', '').replace('+', 'plus')}.example>" \
        if not f.zh or f.service.isascii() else f"{f.service} <noreply@service.example>"
    rows = [(t("Description", "商品"), f.title()),
            (t("Billing period", "服务周期"), t(CYCLE_WORD_EN[f.cycle], CYCLE_WORD_ZH[f.cycle])),
            (t("Date", "日期"), f.day()), (t("Order number", "订单号"), f.number),
            (t("Payment method", "支付方式"), t(f"Mastercard ending {f.card}", f"招商银行储蓄卡({f.card})"))]
    table = "".join(f'<tr><td class="grey" style="padding:5px 30px 5px 0">{e(a)}</td><td>{e(b)}</td></tr>' for a, b in rows)
    side = f'<div style="width:190px; padding:16px" class="grey small">' + "".join(
        f"<div style='padding:6px 0'>{e(x)}</div>" for x in t(["Inbox", "Starred", "Sent", "Drafts", "Archive"],
                                                              ["收件箱", "星标邮件", "已发送", "草稿箱", "归档"])) + "</div>" \
        if not k.phone else ""
    message = f"""
      <div class="small grey" style="display:flex; gap:22px">{''.join(f"<span>{e(x)}</span>" for x in
                                                                        t(["Reply", "Forward", "Archive", "Delete"], ["回复", "转发", "归档", "删除"]))}</div>
      <h2 style="font-size:{k.size + 6}px; margin:14px 0 6px">{e(t(f"Your {f.service} receipt", f"{f.service}付款成功通知"))}</h2>
      <div class="pair" style="padding:2px 0"><span><b>{e(sender)}</b></span><span class="grey small">{e(f.day(0 if not f.zh else 1))}</span></div>
      <div class="grey small">{e(t("to me", "发给 我"))}</div>
      <div class="card" style="margin:16px 0; border:1px solid {k.grey}44">
        <div class="big" style="font-size:{k.size + 4}px">{e(f.service)}</div>
        <p>{e(t(f"Hello {f.person.split()[0]}, we have received your payment.", f"{f.person}，您好：我们已收到您的付款。"))}</p>
        <table style="border-collapse:collapse">{table}</table>
        <div class="rule" style="margin-top:10px"></div>
        <div class="pair"><b>{e(t("Total charged", "实付金额"))}</b><b>{e(f.money())}</b></div>
        <p class="grey small">{e(t(f"Your plan renews automatically at {f.price()} unless cancelled.",
                                    f"服务到期后将按 {f.price()} 自动续费，可随时取消。"))}</p>
      </div>
      <div class="grey small" style="text-align:center">{e(t("Manage subscription · Privacy · Unsubscribe", "管理订阅 · 隐私政策 · 退订"))}<br>
        {e(f.r.choice(STREETS))}</div>"""
    body = f'<div style="display:flex">{side}<div style="flex:1; padding:16px; max-width:760px">{message}</div></div>'
    return body, ""


def invoice(f, k):
    """A desktop web invoice: header, two columns of parties, a table of items, totals."""
    t = f.t
    tax = round(f.amount * 0.0, 2)
    head = f"""
    <div class="card" style="max-width:860px; margin:24px auto; padding:32px">
      <div class="pair"><span class="big">{e(f.service)}</span><span class="grey">{e(t("INVOICE", "电子发票"))} {e(f.number)}</span></div>
      <div style="display:flex; gap:80px; margin:22px 0">
        <div><div class="grey small">{e(t("Billed to", "购买方"))}</div>{e(f.person)}<br>{e(f.mail)}</div>
        <div><div class="grey small">{e(t("Issued", "开票日期"))}</div>{e(f.day())}<br>
          <span class="grey small">{e(t("Paid", "已支付"))}</span></div>
      </div>
      <table style="width:100%; border-collapse:collapse">
        <tr class="grey small"><td>{e(t("Item", "项目"))}</td><td>{e(t("Qty", "数量"))}</td><td style="text-align:right">{e(t("Amount", "金额"))}</td></tr>
        <tr><td style="padding:10px 0">{e(f.title())} — {e(t(CYCLE_WORD_EN[f.cycle], CYCLE_WORD_ZH[f.cycle]))}</td><td>1</td>
            <td style="text-align:right">{e(f.money())}</td></tr>
      </table>
      <div class="rule"></div>
      <div style="margin-left:auto; width:300px">
        {pair(t("Subtotal", "小计"), f.money())}{pair(t("Tax", "税额"), f"{f.sign}{tax:.2f}" if f.currency != "JPY" else f"{f.sign}0")}
        <div class="pair"><b>{e(t("Amount paid", "合计"))}</b><b>{e(f.money())}</b></div>
      </div>
      <p class="grey small">{e(t("Questions? Contact support@example.org. Thank you for your business.", "如有疑问，请联系客服。感谢您的支持。"))}</p>
    </div>"""
    return head, ""


def account(f, k):
    """A web account page: a navigation column beside the current plan."""
    t = f.t
    nav = "".join(f"<div style='padding:8px 0'>{e(x)}</div>" for x in
                  t(["Profile", "Security", "Billing", "Devices", "Help"], ["个人资料", "账号安全", "会员与支付", "设备管理", "帮助中心"]))
    main = f"""
      <div class="grey small">{e(t("Billing / Subscription", "会员与支付 / 我的会员"))}</div>
      <div class="card" style="margin:14px 0">
        <div class="small grey">{e(t("Current plan", "当前套餐"))}</div>
        <div class="big">{e(f.title())}</div>
        <div class="accent" style="font-size:{k.size + 3}px">{e(f.price())}</div>
        <div class="rule" style="margin:10px 0"></div>
        {pair(t("Member since", "开通时间"), f.day())}
        {pair(t("Payment method", "支付方式"), t(f"Visa •••• {f.card}", f"微信支付"))}
        {pair(t("Status", "状态"), t("Active", "生效中"))}
        <span class="button" style="display:inline-block; padding:8px 18px">{e(t("Change plan", "升级套餐"))}</span>
      </div>
      <p class="grey small">{e(t("Prices include VAT where applicable.", "价格已含税。开通后可在本页随时关闭自动续费。"))}</p>"""
    if k.phone:
        body = f'<div style="padding:12px">{main}</div>'
    else:
        body = f'<div style="display:flex; gap:40px; padding:28px"><div style="width:180px" class="grey">{nav}</div>' \
               f'<div style="flex:1; max-width:640px">{main}</div></div>'
    return body, ""


def notice(f, k):
    """A wallet's payment notice: the merchant, the amount in large type, rows of details."""
    t = f.t
    amount = f.money()
    body = f"""
    <div class="pair" style="padding:14px"><span class="accent">&lt; {e(t("Back", "返回"))}</span><b>{e(t("Payment details", "账单详情"))}</b><span></span></div>
    <div style="text-align:center; margin:20px 0"><span class="logo"></span><div style="margin-top:8px">{e(f.title())}</div>
      <div class="big" style="font-size:{k.size + 16}px">-{e(amount)}</div>
      <div class="grey small">{e(t("Payment successful", "交易成功"))}</div></div>
    <div class="card">
      {pair(t("Product", "商品说明"), f.title() + " " + t(CYCLE_WORD_EN[f.cycle], CYCLE_WORD_ZH[f.cycle]))}
      {pair(t("Paid on", "支付时间"), f.day() + " " + f"{f.r.randrange(8, 23):02d}:{f.r.randrange(60):02d}")}
      {pair(t("Pay with", "付款方式"), t(f"Debit card {f.card}", f"余额宝"))}
      {pair(t("Reference", "交易单号"), f.number)}
    </div>
    <div class="grey small" style="text-align:center">{e(t("Questions about this payment?", "对此订单有疑问"))}</div>"""
    return body, ""


LAYOUTS = {"sheet": sheet, "mail": mail, "invoice": invoice, "account": account, "notice": notice}


def main():
    opts = corpus_options(__doc__, count=200, seed=424242)
    r = random.Random(opts.seed)
    started = time.monotonic()
    browser = Browser()
    styles = []
    intended = []
    try:
        for index in range(opts.count):
            layout = r.choice(list(LAYOUTS))
            lang = r.choices(["zh", "en", "mixed"], [35, 40, 25])[0]
            f = Facts(random.Random(r.getrandbits(64)), lang)
            k = Look(f.r, layout, lang)
            body, extra = LAYOUTS[layout](f, k)
            lang_attr = "zh-CN" if f.zh else "en"
            markup = (f'<!doctype html><html lang="{lang_attr}"><head><meta charset="utf-8">'
                      f'<meta name="viewport" content="width=device-width"><style>'
                      f'{style_sheet(k, extra)}</style></head><body>{body}</body></html>')
            label = f"{index:04d}-{layout}-{lang}-{'dark' if k.dark else 'light'}-{k.size}px"
            text, image, _ = browser.render(markup, k)
            write_page(opts.out, label, image, k.jpeg, text)
            styles.append(style_row(label, k.typeface, "JPEG" if k.jpeg else "PNG", k.phone, k.scale))
            facts = f.intended()
            intended.append(intended_row(label, facts))
    finally:
        browser.close()
    return finish_corpus(opts, styles, intended, started)


if __name__ == "__main__":
    sys.exit(main())
