#!/usr/bin/env python3
"""Writes a second web tuning corpus, made differently from tuning-pages.py: billing e-mails laid out
as real mailers are (nested tables at a fixed width, a wordmark or emoji for a logo, preheader text,
buttons that are links, dividers, tiny footers) and app-store purchase receipts (icons, label and
value rows, account lines), in web typefaces, captured by Chromium with other hinting, at fractional
device scales, and re-scaled or re-compressed afterwards as shared screenshots are.

    scripts/mail-store-pages.py --out DIR [--count N] [--seed S]

Same folder format as tuning-pages.py (bench_ocr --tuning-folder DIR). Needs `chromium` and the
fonts (scripts/install-deps.sh --corpus).
"""

import datetime
import html
import random
import sys
import time

from web_capture import Browser, corpus_options, finish_corpus, intended_row, style_row, write_page

LATIN_FACES = ["Roboto", "Open Sans", "Lato", "FreeSans", "FreeSerif", "Liberation Sans", "DejaVu Sans",
               "Liberation Serif", "Roboto Condensed"]
CJK_FACES = ["Noto Sans CJK SC", "Noto Serif CJK SC", "WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "AR PL UMing CN",
             "AR PL UKai CN", "Droid Sans Fallback", "Noto Sans CJK SC Light", "Noto Sans CJK TC"]

# (brand, product, language, price range, cycles, logo)
SERVICES = [
    ("Fantastical", "Premium", "en", (5, 57), ["monthly", "yearly"], "📅"),
    ("Raycast", "Pro", "en", (8, 96), ["monthly", "yearly"], "⚡"),
    ("Setapp", "Power User", "en", (10, 150), ["monthly", "yearly"], "◆"),
    ("Obsidian", "Sync Standard", "en", (4, 48), ["monthly", "yearly"], "◈"),
    ("Pocket Casts", "Plus", "en", (4, 40), ["monthly", "yearly"], "🎧"),
    ("Day One", "Premium", "en", (3, 35), ["monthly", "yearly"], "📓"),
    ("Fastmail", "Standard", "en", (5, 60), ["monthly", "yearly"], "✉"),
    ("Backblaze", "Personal Backup", "en", (9, 99), ["monthly", "yearly"], "☁"),
    ("Babbel", "Complete", "en", (7, 90), ["monthly", "quarterly", "yearly"], "🗣"),
    ("Blinkist", "Premium", "en", (8, 80), ["monthly", "yearly"], "📖"),
    ("MasterClass", "Individual", "en", (10, 120), ["yearly"], "🎬"),
    ("Brilliant", "Premium", "en", (13, 150), ["monthly", "yearly"], "💡"),
    ("Coursera", "Plus", "en", (49, 399), ["monthly", "yearly"], "🎓"),
    ("Bear", "Pro", "en", (3, 30), ["monthly", "yearly"], "🐻"),
    ("Mullvad VPN", "Account", "en", (5, 60), ["monthly"], "🔒"),
    ("Sketch", "Standard", "en", (10, 120), ["monthly", "yearly"], "💎"),
    ("Pixelmator Pro", "Licence", "en", (40, 50), ["once"], "🖌"),
    ("Overcast", "Premium", "en", (1, 10), ["monthly", "yearly"], "📻"),
    ("小宇宙", "会员", "zh", (12, 128), ["monthly", "yearly"], "🪐"),
    ("Keep", "会员", "zh", (15, 168), ["monthly", "quarterly", "yearly"], "🏃"),
    ("百词斩", "VIP", "zh", (18, 128), ["monthly", "yearly"], "📚"),
    ("石墨文档", "个人高级版", "zh", (9, 199), ["monthly", "yearly"], "📝"),
    ("印象笔记", "专业版", "zh", (15, 298), ["monthly", "yearly"], "🐘"),
    ("滴答清单", "高级会员", "zh", (12, 139), ["monthly", "yearly"], "✔"),
    ("墨迹天气", "会员", "zh", (6, 68), ["monthly", "yearly"], "⛅"),
    ("樊登读书", "年卡", "zh", (365, 365), ["yearly"], "📗"),
    ("番茄畅听", "VIP", "zh", (10, 98), ["monthly", "quarterly"], "🍅"),
    ("腾讯体育", "超级会员", "zh", (30, 268), ["monthly", "yearly"], "🏀"),
    ("猫眼", "影音会员", "zh", (15, 158), ["monthly", "yearly"], "🎞"),
    ("GoodNotes", "买断版", "zh", (68, 98), ["once"], "✏"),
]

SIGNS = {"USD": ["$", "US$", "USD "], "CNY": ["¥", "CN¥", "RMB ", "￥"], "EUR": ["€", "€ ", "EUR "],
         "GBP": ["£", "GBP "], "HKD": ["HK$", "HKD "], "JPY": ["¥", "JP¥", "JPY "]}
EN_CYCLE = {"monthly": ("month", "Monthly"), "yearly": ("year", "Yearly"), "quarterly": ("quarter", "Quarterly"),
            "once": ("", "One-time purchase")}
ZH_CYCLE = {"monthly": ("月", "按月订阅"), "yearly": ("年", "按年订阅"), "quarterly": ("季", "按季订阅"),
            "once": ("", "一次性购买")}
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]
PEOPLE_EN = ["Alex Doyle", "Sam Whitford", "Nadia Berg", "Jonas Keller", "Maya Castillo", "Tariq Haddad"]
PEOPLE_ZH = ["林一舟", "宋可欣", "高子墨", "孙晓萌", "罗嘉树", "韩若溪"]


class Look:
    def __init__(self, r, phone):
        self.phone = phone
        if phone:
            self.width, self.height = r.choice([(360, 780), (390, 844), (412, 915), (430, 932)])
            self.scale = r.choice([1.75, 2, 2.625, 3])
        else:
            self.width, self.height = r.choice([(1280, 800), (1536, 864), (1440, 900), (1180, 820)])
            self.scale = r.choice([1, 1.25, 1.5, 2])
        self.latin = r.choice(LATIN_FACES)
        self.cjk = r.choice(CJK_FACES)
        self.dark = r.random() < 0.2
        if self.dark:
            self.bg, self.card, self.text = r.choice([("#121212", "#1e1e1e", "#ececec"), ("#0b1320", "#152033", "#dde3ea")])
            self.grey = r.choice(["#8e8e93", "#7a8599"])
        else:
            self.bg = r.choice(["#ffffff", "#f6f9fc", "#f2f2f7", "#eef2f6", "#fbf7f0"])
            self.card = r.choice(["#ffffff", "#ffffff", "#fcfcfd"])
            self.text = r.choice(["#1f2328", "#32325d", "#3c4043", "#444444", "#525f7f"])
            # Light grey captions, as mailers set their small print.
            self.grey = r.choice(["#8898aa", "#9aa0a6", "#a3acb9", "#b0b0b0", "#86868b", "#aab7c4"])
        hue = r.randrange(360)
        self.accent = f"hsl({hue}, {r.choice([55, 70, 85])}%, {r.choice([40, 48, 56]) if not self.dark else 65}%)"
        self.band = f"hsl({hue}, 50%, {r.choice([94, 96, 30])}%)"
        self.size = r.choice([12, 13, 14, 14, 15, 16])
        self.hinting = r.choice(["none", "slight", "full"])
        # How the capture reaches the scanner: as taken, as JPEG, or re-scaled (a HiDPI shot halved,
        # a phone shot shrunk by a messenger) and then maybe compressed.
        self.resize = r.choice([1, 1, 1, 0.75, 0.5, 0.67]) if self.scale >= 2 else r.choice([1, 1, 0.8])
        self.jpeg = r.random() < 0.45
        self.quality = r.choice([40, 50, 60, 70, 80, 90])

    def file_kind(self):
        return f"JPEG q{self.quality}" if self.jpeg else "PNG"


class Facts:
    def __init__(self, r, lang):
        self.r = r
        pool = [s for s in SERVICES if lang == "mixed" or s[2] == lang]
        self.brand, self.product, home, (low, high), cycles, self.logo = r.choice(pool)
        self.zh = lang == "zh" or (lang == "mixed" and home == "zh")
        self.cycle = r.choice(cycles)
        self.currency = "CNY" if home == "zh" and r.random() < 0.85 else r.choice(["USD", "USD", "EUR", "GBP", "HKD", "JPY"])
        value = r.uniform(low, high) * (140 if self.currency == "JPY" else 7.8 if self.currency == "HKD" else 1)
        self.amount = float(round(value)) if self.currency == "JPY" else round(int(value) + r.choice([0.99, 0.0, 0.95, 0.5]), 2)
        self.sign = r.choice(SIGNS[self.currency])
        self.date = datetime.date(2026, 1, 1) + datetime.timedelta(days=r.randrange(330))
        self.person = r.choice(PEOPLE_ZH if self.zh else PEOPLE_EN)
        self.mail = f"{r.choice(['alex', 'sam.w', 'nberg', 'jk', 'maya'])}{r.randrange(1, 99)}@{r.choice(['gmail.com', 'icloud.com', 'outlook.com', 'qq.com', '163.com'])}"
        self.order = r.choice(["", "GPA.", "M"]) + "".join(r.choice("0123456789ABCDEFGHKLMNPRSTWXYZ") for _ in range(12))
        self.joined = self.zh and not self.product.isascii() and r.random() < 0.5

    def t(self, en, zh):
        return zh if self.zh else en

    def name(self):
        return f"{self.brand}{self.product}" if self.joined else f"{self.brand} {self.product}"

    def money(self, value=None):
        value = self.amount if value is None else value
        return self.sign + (f"{value:,.0f}" if self.currency == "JPY" else f"{value:,.2f}")

    def per(self):
        unit = (ZH_CYCLE if self.zh else EN_CYCLE)[self.cycle][0]
        if not unit:
            return ""
        return self.r.choice([f"/{unit}", f" / {unit}"] if not self.zh else [f"/{unit}", f" 每{unit}"])

    def cycle_word(self):
        return (ZH_CYCLE if self.zh else EN_CYCLE)[self.cycle][1]

    def day(self, shift=0):
        d = self.date + datetime.timedelta(days=shift)
        if self.zh:
            return self.r.choice([f"{d.year}年{d.month}月{d.day}日", f"{d.year}-{d.month:02d}-{d.day:02d}"])
        return self.r.choice([f"{MONTHS[d.month - 1]} {d.day}, {d.year}", f"{d.day} {MONTHS[d.month - 1]} {d.year}",
                              f"{d.year}-{d.month:02d}-{d.day:02d}"])

    def renewal(self):
        months = {"monthly": 30, "quarterly": 91, "yearly": 365}.get(self.cycle, 0)
        return self.day(months) if months else ""

    def intended(self):
        return {"name": self.name(), "amount": self.amount, "currency": self.currency,
                "cycle": "" if self.cycle == "once" else self.cycle,
                "billingType": "oneTime" if self.cycle == "once" else "subscription", "startDate": self.date.isoformat()}


def e(text):
    return html.escape(text, quote=False)


def sheet_css(k, f):
    first, second = (k.cjk, k.latin) if f.zh else (k.latin, k.cjk)
    return f"""
    body {{ margin:0; background:{k.bg}; color:{k.text}; font-family:"{first}", "{second}", sans-serif;
           font-size:{k.size}px; line-height:1.5; }}
    a {{ color:{k.accent}; text-decoration:none; }}
    .g {{ color:{k.grey}; }} .tiny {{ font-size:{max(9, k.size - 4)}px; }} .s {{ font-size:{max(10, k.size - 2)}px; }}
    td {{ font-family:inherit; }}
    .picture::before {{ content: attr(data-picture); }}  /* a pictogram, drawn but not written */"""


def mailer(f, k):
    """A billing e-mail as mailers lay it out: a centred table of fixed width, nested tables inside."""
    t, r = f.t, f.r
    width = "100%" if k.phone else f"{r.choice([560, 600, 640])}px"
    preheader = e(t(f"Thanks for subscribing to {f.brand}. Here is your receipt.", f"感谢您订阅{f.brand}，以下是您的电子收据。"))
    logo = r.choice([f'<span style="font-size:{k.size + 14}px" class="picture" data-picture="{f.logo}"></span> <b style="font-size:{k.size + 6}px">{e(f.brand)}</b>',
                     f'<b style="font-size:{k.size + 8}px; letter-spacing:1px">{e(f.brand.upper() if f.brand.isascii() else f.brand)}</b>',
                     f'<span style="display:inline-block; background:{k.accent}; color:#fff; border-radius:6px; padding:4px 10px; font-weight:700">{e(f.brand)}</span>'])
    band = r.random() < 0.35
    head_style = f"background:{k.accent}; color:#fff;" if band else ""
    greeting = t(f"Hi {f.person.split()[0]},", f"亲爱的{f.person}：")
    lead = r.choice([t(f"Your payment for {f.name()} went through. Keep this e-mail for your records.",
                       f"您已成功开通{f.name()}，本邮件可作为付款凭证。"),
                     t("Thank you for your purchase! Below is a summary of your order.", "感谢您的购买！以下是您的订单摘要。")])
    rows = [(t("Product", "产品"), f.name()), (t("Plan", "计费方式"), f.cycle_word()),
            (t("Order ID", "订单编号"), f.order), (t("Order date", "下单时间"), f.day())]
    if f.renewal() and r.random() < 0.5:
        rows.append((t("Next billing date", "下次扣费"), f.renewal()))
    r.shuffle(rows[2:])
    cells = "".join(
        f'<tr><td class="g" style="padding:8px 0; border-bottom:1px solid {k.grey}33">{e(a)}</td>'
        f'<td align="right" style="padding:8px 0; border-bottom:1px solid {k.grey}33">{e(b)}</td></tr>' for a, b in rows)
    total = t(r.choice(["Total", "Amount charged", "Total paid"]), r.choice(["合计", "实付款", "支付金额"]))
    price = f.money() + (f.per() if r.random() < 0.5 else "")
    button = t(r.choice(["View receipt", "Manage subscription", "Open in app"]), r.choice(["查看订单", "管理订阅", "打开 App"]))
    footer = t(f"You are receiving this e-mail because you bought {f.brand}. "
               "Unsubscribe · Privacy policy · Help centre", f"此邮件由系统自动发送，请勿直接回复。退订 · 隐私政策 · 帮助中心")
    address = r.choice(["2261 Market Street #4242, San Francisco, CA 94114", "Unit 5, 12 Canal Street, Dublin 2, Ireland",
                        "上海市徐汇区虹桥路1号", "北京市海淀区中关村大街27号"])
    social = " · ".join(r.sample(["Twitter", "Instagram", "YouTube", "微博", "Blog"], 3))
    inner = f"""
    <table width="100%" cellpadding="0" cellspacing="0" style="background:{k.card}; border-radius:{r.choice([0, 6, 12])}px">
      <tr><td style="padding:22px 28px; {head_style}">{logo}</td></tr>
      <tr><td style="padding:8px 28px 0"><h1 style="font-size:{k.size + r.choice([6, 9, 12])}px; margin:10px 0">{e(t(r.choice(["Your receipt", "Payment received", "Order confirmation"]), r.choice(["付款成功", "订单确认", "电子收据"])))}</h1>
        <p>{e(greeting)}</p><p>{e(lead)}</p></td></tr>
      <tr><td style="padding:0 28px">
        <table width="100%" cellpadding="0" cellspacing="0">{cells}
          <tr><td style="padding:12px 0"><b>{e(total)}</b></td><td align="right" style="padding:12px 0"><b style="font-size:{k.size + 2}px">{e(price)}</b></td></tr>
        </table></td></tr>
      <tr><td align="center" style="padding:18px 28px"><a href="#" style="display:inline-block; padding:10px 22px; border-radius:{r.choice([3, 20])}px; {'background:' + k.accent + '; color:#fff' if r.random() < 0.7 else 'border:1px solid ' + k.accent}">{e(button)}</a></td></tr>
      <tr><td style="padding:0 28px 22px" class="s g">{e(t("Questions? Reply to this e-mail or visit our help centre.", "如有疑问，请访问帮助中心或联系在线客服。"))}</td></tr>
    </table>
    <table width="100%" cellpadding="0" cellspacing="0"><tr><td align="center" class="tiny g" style="padding:18px 20px">
      {e(social)}<br>{e(footer)}<br>{e(address)}</td></tr></table>"""
    mail = f"""<table align="center" width="{width}" cellpadding="0" cellspacing="0" style="margin:0 auto">
      <tr><td class="tiny g" style="padding:8px 4px">{preheader if r.random() < 0.5 else ''}</td></tr>
      <tr><td>{inner}</td></tr></table>"""
    # Seen in a mail client: subject, sender with an avatar, time on the right.
    if r.random() < 0.6:
        subject = t(f"Your {f.brand} receipt [#{f.order[-6:]}]", f"【{f.brand}】付款成功通知")
        initial = f.brand[0]
        clock = f"{r.randrange(7, 23)}:{r.randrange(60):02d}"
        chrome = f"""<div style="padding:14px 20px; border-bottom:1px solid {k.grey}44">
          <div style="font-size:{k.size + 5}px; margin-bottom:10px">{e(subject)}</div>
          <table width="100%"><tr><td width="44"><span style="display:inline-block; width:36px; height:36px; border-radius:18px; background:{k.accent}; color:#fff; text-align:center; line-height:36px">{e(initial)}</span></td>
            <td><b>{e(f.brand)}</b> <span class="g s">&lt;no-reply@{e(f.brand.lower().replace(' ', '') if f.brand.isascii() else 'mail')}.example&gt;</span><br><span class="g s">{e(t("to me", "发送给 我"))}</span></td>
            <td align="right" class="g s">{e(f.day() if r.random() < 0.5 else clock)}</td></tr></table></div>"""
        return chrome + f'<div style="background:{k.bg}; padding:{0 if k.phone else 20}px 0">{mail}</div>'
    return f'<div style="padding:{0 if k.phone else 24}px 0">{mail}</div>'


def store(f, k):
    """An app store's receipt or purchase history entry: account lines, an icon beside the item,
    rows of label and value, the total."""
    t, r = f.t, f.r
    icon = f'<span style="display:inline-block; width:{k.size * 3}px; height:{k.size * 3}px; border-radius:{k.size * 3 // 4}px; background:{k.band}; text-align:center; line-height:{k.size * 3}px; font-size:{k.size * 2 - 4}px" class="picture" data-picture="{f.logo}"></span>'
    caps = r.random() < 0.5

    def label(text):
        return f'<div class="tiny g" style="{"text-transform:uppercase; letter-spacing:.5px" if caps else ""}">{e(text)}</div>'

    meta = [(t("Account", "账户"), f.mail), (t("Date", "日期"), f.day()), (t("Order ID", "订单号"), f.order),
            (t("Document No.", "单据号"), str(r.randrange(10 ** 11, 10 ** 12)))]
    r.shuffle(meta)
    if k.phone:
        head = "".join(f'<div style="padding:6px 0">{label(a)}<div>{e(b)}</div></div>' for a, b in meta[:3])
    else:
        head = "<table width='100%'><tr>" + "".join(f'<td valign="top" style="padding:6px 12px 6px 0">{label(a)}<div>{e(b)}</div></td>' for a, b in meta[:3]) + "</tr></table>"
    sub = t(f"{f.cycle_word()}" + (f" (renews {f.renewal()})" if f.renewal() and r.random() < 0.5 else ""),
            f.cycle_word() + (f"（{f.renewal()} 续订）" if f.renewal() and r.random() < 0.5 else ""))
    item = f"""<table width="100%" style="margin:14px 0"><tr><td width="{k.size * 3 + 14}">{icon}</td>
      <td><b>{e(f.name() if r.random() < 0.6 else f.brand)}</b><br><span class="s g">{e(f.product if r.random() < 0.4 else sub)}</span>
        {'<br><span class="s g">' + e(t("Report a problem", "报告问题")) + '</span>' if r.random() < 0.4 else ''}</td>
      <td align="right" valign="top">{e(f.money())}</td></tr></table>"""
    vat = round(f.amount * 0.0, 2)
    totals = f"""<table width="{'100%' if k.phone else '45%'}" align="right" style="margin-top:6px">
      <tr><td class="g s">{e(t("Subtotal", "小计"))}</td><td align="right" class="s">{e(f.money())}</td></tr>
      {f'<tr><td class="g s">{e(t("Tax", "税"))}</td><td align="right" class="s">{e(f.money(vat))}</td></tr>' if r.random() < 0.5 else ''}
      <tr><td><b>{e(t("TOTAL", "总计"))}</b></td><td align="right"><b>{e(f.money())}</b></td></tr></table><div style="clear:both"></div>"""
    pay = t(r.choice(["Billed to Visa ···· ", "Paid with Mastercard ", "Apple Pay · Amex "]) + str(r.randrange(1000, 9999)),
            r.choice(["支付宝", "微信支付", "招商银行信用卡 (" + str(r.randrange(1000, 9999)) + ")"]))
    top = t(r.choice(["Receipt", "Purchase History", "Your order"]), r.choice(["收据", "购买记录", "订单详情"]))
    bar = f'<div style="padding:12px 16px; display:flex; justify-content:space-between" class="s"><a href="#">&lt; {e(t("Back", "返回"))}</a><b>{e(top)}</b><span class="g">{e(t("Help", "帮助"))}</span></div>' \
        if k.phone else f'<div style="padding:18px 0; font-size:{k.size + 10}px; font-weight:300">{e(top)}</div>'
    body = f"""{bar}<div style="background:{k.card}; {'' if k.phone else 'max-width:720px; margin:0 auto;'} padding:16px 20px; border-radius:{0 if k.phone else 10}px">
      {head}<div style="border-top:1px solid {k.grey}55; margin:10px 0"></div>
      <div class="s g">{e(t("App Store" if r.random() < 0.5 else "Subscriptions", "App Store" if r.random() < 0.5 else "订阅"))}</div>
      {item}<div style="border-top:1px solid {k.grey}55"></div>{totals}
      <div class="s g" style="margin-top:14px">{e(pay)}</div>
      <p class="tiny g">{e(t("Subscriptions renew automatically unless cancelled at least 24 hours before the end of the current period. "
                               "Privacy Policy · Terms of Sale · Get help with purchases",
                               "订阅将自动续期，除非在当前周期结束前至少 24 小时取消。隐私政策 · 销售条款 · 获取购买帮助"))}</p></div>"""
    return body if k.phone else f'<div style="padding:0 24px">{body}</div>'


LAYOUTS = {"mailer": mailer, "store": store}


def main():
    opts = corpus_options(__doc__, count=160, seed=90517)
    r = random.Random(opts.seed)
    started = time.monotonic()
    browsers = {}
    styles, intended = [], []
    try:
        for index in range(opts.count):
            layout = r.choice(list(LAYOUTS))
            lang = r.choices(["zh", "en", "mixed"], [35, 40, 25])[0]
            f = Facts(random.Random(r.getrandbits(64)), lang)
            k = Look(f.r, layout == "store" and f.r.random() < 0.7 or f.r.random() < 0.4)
            markup = (f'<!doctype html><html lang="{"zh-CN" if f.zh else "en"}"><head><meta charset="utf-8">'
                      f'<meta name="viewport" content="width=device-width"><style>{sheet_css(k, f)}</style></head>'
                      f'<body>{LAYOUTS[layout](f, k)}</body></html>')
            if k.hinting not in browsers:
                browsers[k.hinting] = Browser(k.hinting)
            browser = browsers[k.hinting]
            direct_jpeg = k.jpeg and k.resize == 1
            jpeg_wanted, k.jpeg = k.jpeg, direct_jpeg
            text, image, _ = browser.render(markup, k)
            if k.resize != 1:
                image = browser.rescale(image, k.resize, k.quality if jpeg_wanted else None)
            k.jpeg = jpeg_wanted
            theme = "dark" if k.dark else "light"
            label = f"{index:04d}-{layout}-{lang}-{theme}-{round(min(k.size, k.size * k.scale * k.resize))}px"
            write_page(opts.out, label, image, k.jpeg, text)
            face = k.cjk if f.zh else k.latin
            styles.append(style_row(label, face, "JPEG" if k.jpeg else "PNG", k.phone,
                                    f"{round(k.scale * k.resize, 2):g}"))
            intended.append(intended_row(label, f.intended()))
    finally:
        for browser in browsers.values():
            browser.close()
    return finish_corpus(opts, styles, intended, started)


if __name__ == "__main__":
    sys.exit(main())
