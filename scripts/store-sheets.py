#!/usr/bin/env python3
"""Writes a third web tuning corpus, made differently from tuning-pages.py and mail-store-pages.py:
subscription sheets as app stores and phones lay them out (an app's icon beside its name and
developer, plan options with prices on the right, struck-out old prices, free trials, renewal
lines, several subscriptions listed on one page, a desktop store with a sidebar) and short notices
whose service is named only in a logo line, the sender or a sentence. Prices are written in many
forms ("US$4.99", "CN¥25", "JP¥1,200", "9,99 €", "HK$ 78", "68 元"), set after leaders or far to
the right. Captured by Chromium at phone and desktop widths, 1x to 3x, light and dark, PNG or JPEG.

    scripts/store-sheets.py --out DIR [--count N] [--seed S]

Same folder format as tuning-pages.py (bench_ocr --tuning-folder DIR). Needs `chromium` and the
fonts (scripts/install-deps.sh --corpus).
"""

import datetime
import html
import random
import sys
import time

from web_capture import Browser, corpus_options, finish_corpus, intended_row, style_row, write_page

FACES = {"en": ["Lato", "Liberation Sans", "DejaVu Sans", "FreeSans", "Noto Sans CJK SC", "DejaVu Serif",
                "Liberation Serif"],
         "zh": ["Noto Sans CJK SC", "Noto Sans CJK SC Medium", "WenQuanYi Micro Hei", "Droid Sans Fallback",
                "Noto Serif CJK SC", "AR PL UMing CN", "Noto Sans CJK TC", "IPAPGothic"]}

# (app, plan, developer, language, price range in US dollars, cycles)
APPS = [
    ("Calm", "Premium", "Calm.com, Inc.", "en", (8, 70), ["monthly", "yearly"]),
    ("YNAB", "Subscription", "You Need A Budget LLC", "en", (15, 109), ["monthly", "yearly"]),
    ("Miro", "Starter", "RealtimeBoard, Inc.", "en", (8, 96), ["monthly", "yearly"]),
    ("Descript", "Creator", "Descript, Inc.", "en", (12, 144), ["monthly", "yearly"]),
    ("Speechify", "Premium", "Speechify Inc.", "en", (11, 139), ["monthly", "yearly"]),
    ("VSCO", "Membership", "Visual Supply Company", "en", (3, 30), ["yearly"]),
    ("Picsart", "Gold", "PicsArt, Inc.", "en", (5, 56), ["monthly", "yearly"]),
    ("Flo", "Premium", "Flo Health UK Limited", "en", (10, 50), ["monthly", "quarterly", "yearly"]),
    ("ExpressVPN", "12 Months", "ExpressVPN", "en", (8, 100), ["monthly", "yearly"]),
    ("Surfshark", "One", "Surfshark B.V.", "en", (3, 60), ["monthly", "yearly"]),
    ("MUBI", "Standard", "MUBI, Inc.", "en", (10, 96), ["monthly", "yearly"]),
    ("Nebula", "Annual", "Standard Broadcast LLC", "en", (3, 30), ["monthly", "yearly"]),
    ("Lightroom", "Photography Plan", "Adobe Inc.", "en", (10, 120), ["monthly", "yearly"]),
    ("CapCut", "Pro", "Bytedance Pte. Ltd.", "en", (7, 75), ["monthly", "yearly"]),
    ("Toggl Track", "Starter", "Toggl OU", "en", (9, 108), ["monthly", "yearly"]),
    ("Darkroom", "Lifetime", "Bergen Co.", "en", (50, 80), ["once"]),
    ("Ulysses", "Yearly", "Ulysses GmbH & Co. KG", "en", (6, 40), ["monthly", "yearly"]),
    ("懒人听书", "VIP会员", "深圳市懒人在线科技有限公司", "zh", (2, 25), ["monthly", "yearly"]),
    ("作业帮", "学习会员", "北京作业盒子科技有限公司", "zh", (4, 40), ["monthly", "quarterly", "yearly"]),
    ("饿了么", "超级吃货卡", "拉扎斯网络科技（上海）有限公司", "zh", (2, 15), ["monthly"]),
    ("美团", "神会员", "北京三快在线科技有限公司", "zh", (2, 15), ["monthly", "quarterly"]),
    ("搜狐视频", "黄金会员", "飞狐信息技术（天津）有限公司", "zh", (3, 30), ["monthly", "quarterly", "yearly"]),
    ("起点读书", "畅读卡", "上海玄霆娱乐信息科技有限公司", "zh", (2, 25), ["monthly", "yearly"]),
    ("全民K歌", "VIP", "深圳市腾讯计算机系统有限公司", "zh", (2, 25), ["monthly", "yearly"]),
    ("蜻蜓FM", "超级会员", "上海麦克风文化传媒有限公司", "zh", (2, 25), ["monthly", "yearly"]),
    ("115网盘", "年费VIP", "广东一一五科技股份有限公司", "zh", (70, 70), ["yearly"]),
    ("醒图", "高级会员", "北京字节跳动科技有限公司", "zh", (2, 20), ["monthly", "yearly"]),
    ("Xmind", "专业版", "Xmind Ltd.", "zh", (6, 70), ["yearly", "once"]),
    ("Keep健身", "连续包月", "北京卡路里信息技术有限公司", "zh", (2, 25), ["monthly"]),
]

# How each currency is written around an amount: (before, after) the number, and the decimal mark.
FORMS = {
    "USD": [("$", "", "."), ("US$", "", "."), ("US$ ", "", "."), ("", " USD", "."), ("USD ", "", ".")],
    "CNY": [("¥", "", "."), ("CN¥", "", "."), ("￥", "", "."), ("RMB ", "", "."), ("", " 元", "."), ("", "元", "."),
            ("¥ ", "", ".")],
    "EUR": [("€", "", "."), ("", " €", ","), ("", "€", ","), ("€", "", ","), ("EUR ", "", ".")],
    "GBP": [("£", "", "."), ("GBP ", "", ".")],
    "HKD": [("HK$", "", "."), ("HK$ ", "", "."), ("HKD ", "", ".")],
    "JPY": [("JP¥", "", "."), ("¥", "", "."), ("", "円", "."), ("JPY ", "", ".")],
}
RATE = {"USD": 1, "CNY": 7, "EUR": 0.95, "GBP": 0.8, "HKD": 7.8, "JPY": 150}
PER = {"en": {"monthly": ["/month", "/mo", " a month", " per month"], "yearly": ["/year", "/yr", " a year", " per year"],
              "quarterly": [" every 3 months", "/quarter"], "once": [""]},
       "zh": {"monthly": ["/月", "/每月", " 每月"], "yearly": ["/年", " 每年", "/年付"], "quarterly": ["/季", "/3个月"],
              "once": ["", "（买断）"]}}
SPAN = {"en": {"monthly": "1 Month", "yearly": "1 Year", "quarterly": "3 Months", "once": "Lifetime"},
        "zh": {"monthly": "1个月", "yearly": "12个月", "quarterly": "3个月", "once": "永久"}}
PLAN_WORD = {"en": {"monthly": "Monthly", "yearly": "Annual", "quarterly": "Quarterly", "once": "One-time purchase"},
             "zh": {"monthly": "连续包月", "yearly": "连续包年", "quarterly": "连续包季", "once": "一次性购买"}}
MONTH = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sept", "Oct", "Nov", "Dec"]
OWNERS = ["dana.k", "lio", "mfranke", "zoe.w", "chen.yu", "hiro88", "pat.o"]


class Look:
    """How a page is drawn and captured."""

    def __init__(self, r, lang, layout):
        self.phone = layout != "desktop" and (layout in ("manage", "offer") and r.random() < 0.75 or r.random() < 0.5)
        if self.phone:
            self.width, self.height = r.choice([(375, 667), (390, 844), (360, 800), (428, 926)])
            self.scale = r.choice([1, 2, 2, 3, 3])
        else:
            self.width, self.height = r.choice([(1280, 800), (1600, 900), (1920, 1080), (1280, 720)])
            self.scale = r.choice([1, 1, 2])
        self.face = r.choice(FACES["zh" if lang != "en" else "en"])
        self.dark = r.random() < 0.35
        hue = r.randrange(360)
        if self.dark:
            self.bg, self.card, self.text = r.choice([("#000000", "#1c1c1e", "#ffffff"), ("#17181c", "#25262b", "#e8e8ea")])
            self.grey = r.choice(["#98989f", "#8d8d93", "#a1a1aa"])
            self.accent = f"hsl({hue}, 80%, 66%)"
        else:
            self.bg, self.card, self.text = r.choice([("#f2f2f7", "#ffffff", "#000000"), ("#ffffff", "#ffffff", "#1d1d1f"),
                                                      ("#fafafa", "#ffffff", "#202124")])
            self.grey = r.choice(["#6e6e73", "#8a8a8e", "#70757a", "#9e9ea4"])
            self.accent = f"hsl({hue}, 75%, {r.choice([40, 45, 52])}%)"
        self.hue = hue
        self.size = r.choice([12, 13, 14, 15, 16, 17])
        self.jpeg = r.random() < 0.3
        self.quality = r.choice([50, 62, 75, 88])


class Facts:
    """What one page says: its main subscription and, on lists, a few others."""

    def __init__(self, r, lang, app=None):
        self.r = r
        self.lang = lang
        pool = [a for a in APPS if lang == "mixed" or a[3] == lang]
        self.app, self.plan, self.developer, home, (low, high), cycles = app or r.choice(pool)
        self.zh = lang == "zh" or (lang == "mixed" and home == "zh")
        self.words = "zh" if self.zh else "en"
        self.cycle = r.choice(cycles)
        if home == "zh":
            self.currency = "CNY" if r.random() < 0.8 else r.choice(["HKD", "USD"])
        else:
            self.currency = r.choice(["USD", "USD", "EUR", "GBP", "HKD", "CNY", "JPY"])
        value = r.uniform(low, high) * RATE[self.currency]
        if self.currency in ("JPY",):
            self.amount = float(round(value, -1 if value > 100 else 0))
        elif self.currency == "CNY" and r.random() < 0.5:
            self.amount = float(round(value))
        else:
            self.amount = round(int(value) + r.choice([0.99, 0.49, 0.0, 0.9]), 2)
        self.form = r.choice(FORMS[self.currency])
        self.date = datetime.date(2026, 1, 1) + datetime.timedelta(days=r.randrange(340))
        self.owner = r.choice(OWNERS) + "@" + r.choice(["gmail.com", "icloud.com", "qq.com", "proton.me"])

    def t(self, en, zh):
        return zh if self.zh else en

    def money(self, value=None):
        value = self.amount if value is None else value
        before, after, mark = self.form
        if self.currency == "JPY" or (value == int(value) and self.currency == "CNY" and after.strip() == "元"):
            digits = f"{value:,.0f}"
        else:
            digits = f"{value:,.2f}"
        if mark == ",":
            digits = digits.replace(",", " ").replace(".", ",").replace(" ", ".")
        return f"{before}{digits}{after}"

    def price(self, value=None):
        return self.money(value) + self.r.choice(PER[self.words][self.cycle])

    def day(self, shift=0):
        d = self.date + datetime.timedelta(days=shift)
        if self.zh:
            return self.r.choice([f"{d.year}年{d.month}月{d.day}日", f"{d.year}/{d.month}/{d.day}", f"{d.year}.{d.month:02d}.{d.day:02d}"])
        return self.r.choice([f"{MONTH[d.month - 1]} {d.day}, {d.year}", f"{d.day} {MONTH[d.month - 1]} {d.year}",
                              f"{d.year}-{d.month:02d}-{d.day:02d}"])

    def renews(self):
        days = {"monthly": 31, "quarterly": 92, "yearly": 365}.get(self.cycle)
        if not days:
            return self.t("Purchased " + self.day(), "购买于 " + self.day())
        return self.r.choice([self.t(f"Renews {self.day(days)}", f"{self.day(days)} 续订"),
                              self.t(f"Next billing date: {self.day(days)}", f"下次扣费日期：{self.day(days)}"),
                              self.t(f"Started {self.day()}", f"开通时间 {self.day()}")])

    def name(self):
        return f"{self.app} {self.plan}" if not self.zh or self.plan.isascii() or self.r.random() < 0.5 \
            else f"{self.app}{self.plan}"

    def intended(self):
        return {"name": f"{self.app} {self.plan}", "amount": self.amount, "currency": self.currency,
                "cycle": "" if self.cycle == "once" else self.cycle,
                "billingType": "oneTime" if self.cycle == "once" else "subscription", "startDate": self.date.isoformat()}


def e(text):
    return html.escape(text, quote=False)


def css(k):
    return f"""
    * {{ box-sizing:border-box; }}
    body {{ margin:0; background:{k.bg}; color:{k.text}; font-family:"{k.face}", sans-serif; font-size:{k.size}px;
           line-height:1.4; }}
    .dim {{ color:{k.grey}; }} .sm {{ font-size:{max(10, k.size - 3)}px; }} .lg {{ font-size:{k.size + 5}px; font-weight:600; }}
    .box {{ background:{k.card}; border-radius:12px; padding:4px 16px; margin:12px 14px; }}
    .row {{ display:flex; align-items:center; gap:12px; padding:10px 0; border-bottom:1px solid {k.grey}33; }}
    .row:last-child {{ border-bottom:0; }}
    .grow {{ flex:1; min-width:0; }}
    .lead {{ flex:1; border-bottom:1px dotted {k.grey}; margin:0 6px 4px; align-self:flex-end; }}
    .icon {{ flex:none; border-radius:22%; display:inline-flex; align-items:center; justify-content:center; }}
    .icon::before {{ content:attr(data-glyph); }}
    .was {{ text-decoration:line-through; color:{k.grey}; margin-right:6px; }}
    .chip {{ border:1px solid {k.accent}; color:{k.accent}; border-radius:14px; padding:2px 10px; }}
    .btn {{ display:block; text-align:center; background:{k.accent}; color:#fff; border-radius:10px; padding:11px;
            margin:14px; font-weight:600; }}
    a {{ color:{k.accent}; text-decoration:none; }}"""


def icon(r, k, size):
    """An app icon: a coloured tile with a pictogram, drawn but not written."""
    hue = r.randrange(360)
    glyph = r.choice(["◐", "✦", "♪", "▶", "☾", "✎", "⬢", "❖", "☁", ""])
    fill = r.choice([f"hsl({hue}, 70%, 50%)", f"linear-gradient(135deg, hsl({hue}, 80%, 60%), hsl({(hue + 50) % 360}, 70%, 40%))",
                     "#ffffff" if not k.dark else "#2c2c2e"])
    return (f'<span class="icon" data-glyph="{glyph}" style="width:{size}px; height:{size}px; background:{fill}; '
            f'color:#fff; font-size:{size // 2}px; border:1px solid {k.grey}44"></span>')


def priced_row(f, k, left, right, r):
    """A row with a label on the left and its price far to the right, after leaders or a gap."""
    if r.random() < 0.3:
        return f'<div class="row" style="gap:0"><span>{left}</span><span class="lead"></span><span>{right}</span></div>'
    return f'<div class="row"><span class="grow">{left}</span><span>{right}</span></div>'


def manage(f, k):
    """The list of a store account's subscriptions, with the chosen one's options below it."""
    t, r = f.t, f.r
    others = [Facts(r, f.lang) for _ in range(r.choice([0, 1, 2, 3]))]
    head = f'<div style="display:flex; justify-content:space-between; padding:14px 16px"><span class="dim">{e(t("Account", "账户"))}</span>' \
           f'<b>{e(t("Subscriptions", "订阅"))}</b><a>{e(t("Done", "完成"))}</a></div>'

    def entry(x, chosen):
        second = x.renews() if r.random() < 0.7 else x.plan
        price = f'<span class="dim">{e(x.price())}</span>' if r.random() < 0.5 else ""
        return (f'<div class="row">{icon(r, k, k.size * 3)}<div class="grow"><div>{e(x.name() if chosen or r.random() < 0.5 else x.app)}</div>'
                f'<div class="dim sm">{e(second)}</div></div>{price}<span class="dim">›</span></div>')

    listing = [entry(f, True)] + [entry(x, False) for x in others]
    r.shuffle(listing)
    options = []
    for cycle in ["monthly", "quarterly", "yearly"]:
        if cycle == f.cycle or r.random() < 0.4:
            value = f.amount if cycle == f.cycle else round(f.amount * {"monthly": 0.2, "quarterly": 0.5, "yearly": 4}[cycle], 2)
            mark = "✓" if cycle == f.cycle else ""
            price = f.money(value) if cycle != "once" else f.money(value)
            options.append(priced_row(f, k, e(f"{SPAN[f.words][cycle]} {mark}"), e(price), r))
    detail = f"""
      <div class="dim sm" style="padding:4px 30px">{e(t("ACTIVE", "有效"))}</div><div class="box">{''.join(listing)}</div>
      <div class="box" style="padding:14px 16px"><div style="display:flex; gap:12px; align-items:center">{icon(r, k, k.size * 4)}
        <div><div class="lg">{e(f.app)}</div><div class="dim sm">{e(f.plan)} · {e(f.developer)}</div>
        <div class="sm">{e(f.renews())}</div></div></div></div>
      <div class="dim sm" style="padding:4px 30px">{e(t("OPTIONS", "选项"))}</div><div class="box">{''.join(options)}</div>
      <div class="box" style="text-align:center; padding:12px; color:#e5484d">{e(t("Cancel Subscription", "取消订阅"))}</div>
      <p class="dim sm" style="padding:0 30px">{e(t("If you cancel, you can keep using the subscription until the end of the current period.",
                                                     "取消后，您可以继续使用至当前订阅期结束。"))}</p>"""
    return head + detail


def offer(f, k):
    """A store's page for an app: icon, name and developer, the purchase options, a trial."""
    t, r = f.t, f.r
    old = round(f.amount * r.choice([1.25, 1.5, 2]), 2 if f.currency != "JPY" else 0)
    struck = f'<span class="was">{e(f.money(old))}</span>' if r.random() < 0.5 else ""
    trial = r.choice([t(f"Free trial, then {f.price()}", f"免费试用7天，之后 {f.price()}"),
                      t(f"7 days free, then {f.price()}", f"首月免费，然后 {f.price()}"), ""])
    rating = t(f"{r.choice(['4.6', '4.8', '4.3'])} ★ · {r.randrange(2, 900)}K Ratings", f"{r.choice(['4.6', '4.8', '4.3'])} ★ · {r.randrange(2, 900)}万个评分")
    items = [(f"{f.app} {f.plan}", struck + e(f.money()))]
    for extra in r.sample([t("Remove Ads", "去除广告"), t("Pro Weekly", "周卡"), t("Family Plan", "家庭版"), t("Credits Pack", "点数包")], r.randrange(0, 3)):
        items.append((extra, e(f.money(round(f.amount * r.choice([0.3, 0.6, 1.6]), 2 if f.currency != "JPY" else 0)))))
    r.shuffle(items)
    rows = "".join(priced_row(f, k, e(a), b, r) for a, b in items)
    top = f'<div style="padding:12px 16px" class="sm"><a>‹ {e(t("Search", "搜索"))}</a></div>' if k.phone else ""
    body = f"""{top}
      <div style="display:flex; gap:16px; padding:14px 18px; align-items:center">{icon(r, k, k.size * 6)}
        <div class="grow"><div class="lg" style="font-size:{k.size + 8}px">{e(f.app)}</div>
          <div class="dim">{e(f.developer)}</div>
          <div style="margin-top:8px"><span class="chip">{e(t("Open", "打开"))}</span>
            <span class="dim sm" style="margin-left:8px">{e(t("In-App Purchases", "App 内购买项目"))}</span></div></div></div>
      <div class="dim sm" style="padding:0 18px">{e(rating)}</div>
      <div style="padding:12px 18px 0" class="lg">{e(t("In-App Purchases", "App 内购买"))}</div>
      <div class="box">{rows}</div>
      {f'<div class="box" style="padding:12px 16px"><b>{e(f.name())}</b><div class="dim">{e(trial)}</div></div>' if trial else ''}
      <div class="box" style="padding:10px 16px"><div class="dim sm">{e(t("Subscription starts", "订阅开始"))}</div><div>{e(f.day())}</div></div>
      <p class="dim sm" style="padding:0 18px">{e(t("Payment will be charged to your account. Subscriptions renew unless turned off 24 hours before the period ends.",
                                                     "购买确认后将从账户扣款。订阅会自动续期，除非在到期前24小时关闭。"))}</p>"""
    return body


def confirm(f, k):
    """A purchase confirmation: the app, then rows of label and value, and the total."""
    t, r = f.t, f.r
    rows = [(t("Subscription", "订阅项目"), f.name()), (t("Billing", "计费周期"), PLAN_WORD[f.words][f.cycle]),
            (t("Price", "价格"), f.price()), (t("Starts", "生效日期"), f.day()),
            (t("Account", "账户"), f.owner)]
    if f.cycle != "once" and r.random() < 0.6:
        rows.append((t("Renews", "续订"), f.renews()))
    r.shuffle(rows[1:])
    body = "".join(priced_row(f, k, f'<span class="dim">{e(a)}</span>', e(b), r) for a, b in rows)
    title = r.choice([t("You're all set", "订阅成功"), t("Purchase confirmed", "购买成功"), t("Thanks for subscribing", "感谢订阅")])
    width = "" if k.phone else "max-width:560px; margin:30px auto;"
    total = f'<div class="row"><b class="grow">{e(t("Total", "合计"))}</b><b>{e(f.money())}</b></div>' if r.random() < 0.6 else ""
    return f"""<div style="{width}">
      <div style="text-align:center; padding:22px 0 6px">{icon(r, k, k.size * 4)}<div class="lg" style="margin-top:8px">{e(title)}</div>
        <div class="dim">{e(t(f"{f.app} by {f.developer}", f"{f.app} · {f.developer}"))}</div></div>
      <div class="box">{body}{total}</div>
      <span class="btn">{e(t("OK", "好"))}</span>
      <p class="dim sm" style="text-align:center">{e(t("Manage in Settings › Subscriptions", "可在 设置 › 订阅 中管理"))}</p></div>"""


def notice(f, k):
    """A short e-mail whose service is named only in its logo line, its sender or a sentence."""
    t, r = f.t, f.r
    where = r.choice(["logo", "sender", "sentence"])
    sender = f.app if where == "sender" else t("Billing team", "会员服务")
    address = f"no-reply@{''.join(c for c in f.app.lower() if c.isascii() and c.isalnum()) or 'service'}.example"
    logo = f'<div style="padding:18px 24px; font-size:{k.size + 9}px; font-weight:800; letter-spacing:2px">{e(f.app.upper() if f.app.isascii() else f.app)}</div>' \
        if where == "logo" else f'<div style="padding:18px 24px">{icon(r, k, k.size * 3)}</div>'
    what = f.t(f"your {f.app} {f.plan} subscription" if where == "sentence" else "your subscription",
               f"{f.app}{f.plan}" if where == "sentence" else "会员服务")
    sentence = r.choice([t(f"We've received your payment of {f.money()} for {what}.", f"我们已收到您为{what}支付的 {f.money()}。"),
                         t(f"Thanks for renewing {what}. You were charged {f.money()} today.", f"感谢续订{what}，本次扣款 {f.money()}。")])
    rows = [(t("Plan", "套餐"), PLAN_WORD[f.words][f.cycle]), (t("Amount", "金额"), f.price()), (t("Date", "日期"), f.day())]
    table = "".join(f'<tr><td class="dim" style="padding:4px 40px 4px 0">{e(a)}</td><td>{e(b)}</td></tr>' for a, b in rows)
    head = f"""<div style="padding:12px 20px; border-bottom:1px solid {k.grey}44">
      <div class="lg">{e(t("Payment received", "付款成功"))}</div>
      <div><b>{e(sender)}</b> <span class="dim sm">&lt;{e(address)}&gt;</span> <span class="dim sm" style="float:right">{e(f.day())}</span></div>
      <div class="dim sm">{e(t("To: ", "收件人：") + f.owner)}</div></div>"""
    width = "" if k.phone else "max-width:620px; margin:0 auto;"
    return f"""{head}<div style="{width}">{logo}<div style="padding:0 24px">
      <p>{e(t("Hello,", "您好："))}</p><p>{e(sentence)}</p><table>{table}</table>
      <p class="dim sm">{e(t("You can cancel anytime from your account settings.", "您可以随时在账户设置中取消自动续费。"))}</p></div></div>"""


def desktop(f, k):
    """A desktop store's account page: a sidebar of sections beside the purchases of the account."""
    t, r = f.t, f.r
    menu = t(["Discover", "Create", "Work", "Play", "Develop", "Categories", "Updates"], ["探索", "创作", "工作", "娱乐", "开发", "类别", "更新"])
    side = "".join(f'<div style="padding:7px 0">{e(x)}</div>' for x in menu)
    others = [Facts(r, f.lang) for _ in range(r.randrange(1, 4))]
    entries = [f] + others
    r.shuffle(entries)
    lines = "".join(f'<div class="row">{icon(r, k, k.size * 3)}<div class="grow"><div>{e(x.name())}</div>'
                    f'<div class="dim sm">{e(x.renews())}</div></div><span style="width:140px">{e(PLAN_WORD[x.words][x.cycle])}</span>'
                    f'<span style="width:150px; text-align:right">{e(x.price())}</span></div>' for x in entries)
    main = f"""<div class="lg" style="font-size:{k.size + 10}px">{e(t("Account", "账户"))}</div>
      <div class="dim" style="margin:4px 0 16px">{e(f.owner)}</div>
      <div style="display:flex; gap:28px" class="sm"><b>{e(t("Subscriptions", "订阅"))}</b><span class="dim">{e(t("Purchased", "已购项目"))}</span>
        <span class="dim">{e(t("Gift Cards", "礼品卡"))}</span></div>
      <div class="box" style="margin:14px 0">{lines}</div>"""
    return f'<div style="display:flex"><div style="width:200px; padding:24px 20px; background:{k.card}" class="dim">' \
           f'<div style="margin-bottom:14px; border:1px solid {k.grey}66; border-radius:8px; padding:4px 8px">{e(t("Search", "搜索"))}</div>{side}</div>' \
           f'<div style="flex:1; padding:28px 40px; max-width:980px">{main}</div></div>'


LAYOUTS = {"manage": manage, "offer": offer, "confirm": confirm, "notice": notice, "desktop": desktop}


def main():
    opts = corpus_options(__doc__, count=180, seed=615073)
    r = random.Random(opts.seed)
    started = time.monotonic()
    browser = Browser("slight")
    styles, intended = [], []
    try:
        for index in range(opts.count):
            layout = r.choices(list(LAYOUTS), [25, 20, 20, 20, 15])[0]
            lang = r.choices(["zh", "en", "mixed"], [35, 40, 25])[0]
            f = Facts(random.Random(r.getrandbits(64)), lang)
            k = Look(f.r, lang, layout)
            markup = (f'<!doctype html><html lang="{"zh-CN" if f.zh else "en"}"><head><meta charset="utf-8">'
                      f'<meta name="viewport" content="width=device-width"><style>{css(k)}</style></head>'
                      f'<body>{LAYOUTS[layout](f, k)}</body></html>')
            text, image, _ = browser.render(markup, k)
            label = f"{index:04d}-{layout}-{lang}-{'dark' if k.dark else 'light'}-{k.size}px"
            write_page(opts.out, label, image, k.jpeg, text)
            styles.append(style_row(label, k.face, "JPEG" if k.jpeg else "PNG", k.phone, f"{k.scale:g}"))
            intended.append(intended_row(label, f.intended()))
    finally:
        browser.close()
    return finish_corpus(opts, styles, intended, started)


if __name__ == "__main__":
    sys.exit(main())
