#!/usr/bin/env python3
"""Writes a tuning corpus of Chinese and mixed Chinese/Latin payment pages, set in the Chinese
typefaces Debian ships (Ming, Kai, Hei, Noto Sans/Serif CJK, Droid), Latin included, at small and
normal sizes: a chat app's payment notice, a bank or wallet text message, an order's detail page,
an automatic-renewal list and a membership centre. Service names are composed from a brand, a tier
and a qualifier, joined as shops join them (run together, with a blank, "·", "+", digits,
full-width brackets), so that the pages test reading the names themselves. Light and dark, 1x to
3x, PNG and JPEG, some shrunk afterwards as messengers do.

    scripts/cjk-pages.py --out DIR [--count N] [--seed S]

Same folder format as tuning-pages.py (bench_ocr --tuning-folder DIR). Needs `chromium` and the
fonts (scripts/install-deps.sh --corpus).
"""

import datetime
import html
import random
import sys
import time

from web_capture import Browser, corpus_options, finish_corpus, intended_row, style_row, write_page

CJK_FACES = ["AR PL UMing CN", "AR PL UKai CN", "WenQuanYi Zen Hei", "WenQuanYi Micro Hei", "Noto Sans CJK SC",
             "Noto Serif CJK SC", "Droid Sans Fallback", "AR PL UMing TW", "Noto Sans CJK SC Light"]
LATIN_FACES = ["", "", "DejaVu Sans", "Liberation Sans", "Roboto", "FreeSerif", "Liberation Serif"]

BRANDS_ZH = ["爱奇艺", "腾讯视频", "优酷", "芒果TV", "哔哩哔哩", "网易云音乐", "QQ音乐", "酷狗音乐", "喜马拉雅", "知乎",
             "百度网盘", "夸克", "阿里云盘", "迅雷", "京东", "淘宝", "美团", "饿了么", "得到", "扇贝", "有道",
             "WPS", "讯飞", "樊登", "咪咕", "搜狐视频", "蜻蜓FM", "微信读书", "掌阅", "高德", "滴滴", "坚果云",
             "墨墨背单词", "懒人听书", "央视频", "虎扑", "小红书", "西瓜视频", "快看漫画", "起点读书"]
BRANDS_LATIN = ["Apple One", "iCloud+", "Microsoft 365", "Spotify", "YouTube", "Netflix", "ChatGPT", "Notion",
                "Adobe", "Dropbox", "1Password", "Canva", "Duolingo", "Kindle", "Xbox", "Nintendo", "Zoom",
                "GitHub", "Figma", "Evernote", "NordVPN", "Grammarly", "Audible", "Disney+", "Steam", "PS Plus"]
TIERS_ZH = ["会员", "VIP会员", "超级会员", "黄金会员", "白金会员", "大会员", "黑胶VIP", "豪华VIP", "SVIP", "钻石会员",
            "年度会员", "尊享会员", "PLUS会员", "88VIP", "听书会员", "学习卡", "星钻会员", "绿钻豪华版"]
TIERS_LATIN = ["Premium", "Plus", "Pro", "Family", "Standard", "Individual", "Basic", "Ultimate", "Team", "Lite"]
QUALIFIERS = ["年卡", "月卡", "季卡", "连续包月", "连续包年", "连续包季", "家庭版", "个人版", "学生版", "月付", "年付",
              "尊享版", "2TB", "200GB", "6人", "30天", "12个月", "体验版", "标准版", "高级版"]


def service_name(r):
    """A service's name as a shop writes it."""
    kind = r.random()
    if kind < 0.45:
        brand, tier = r.choice(BRANDS_ZH), r.choice(TIERS_ZH + TIERS_LATIN[:4])
    elif kind < 0.75:
        brand, tier = r.choice(BRANDS_LATIN), r.choice(TIERS_LATIN + TIERS_ZH[:6])
    else:
        brand, tier = r.choice(BRANDS_ZH + BRANDS_LATIN), r.choice(TIERS_ZH + TIERS_LATIN)
    join = r.choice(["", "", " ", " ", "·", " · ", "+"]) if not (brand[-1].isascii() and tier[0].isascii()) \
        else r.choice([" ", " ", "·", " · "])
    name = brand + join + tier
    if r.random() < 0.5:
        qualifier = r.choice(QUALIFIERS)
        name += r.choice([f"（{qualifier}）", f"({qualifier})", f" {qualifier}", f"·{qualifier}", f"-{qualifier}",
                          f"【{qualifier}】"])
    return name


class Look:
    def __init__(self, r):
        self.phone = r.random() < 0.7
        if self.phone:
            self.width, self.height = r.choice([(360, 740), (375, 812), (393, 852), (414, 896)])
            self.scale = r.choice([1, 2, 2, 3, 3])
        else:
            self.width, self.height = r.choice([(1280, 800), (1366, 768), (1440, 900)])
            self.scale = r.choice([1, 1, 2])
        self.cjk = r.choice(CJK_FACES)
        self.latin = r.choice(LATIN_FACES)
        self.size = r.choice([11, 12, 13, 14, 14, 15, 16, 17])
        self.dark = r.random() < 0.3
        if self.dark:
            self.bg, self.card, self.text, self.grey = r.choice(
                [("#111111", "#1f1f1f", "#e5e5e5", "#8a8a8a"), ("#000000", "#1c1c1e", "#f2f2f2", "#98989d"),
                 ("#181a1f", "#23262d", "#d8dbe0", "#7d8590")])
        else:
            self.bg, self.card = r.choice([("#ededed", "#ffffff"), ("#f5f5f5", "#ffffff"), ("#ffffff", "#f7f8fa"),
                                           ("#f4f5f7", "#ffffff")])
            self.text = r.choice(["#191919", "#333333", "#222222", "#1a1a1a"])
            self.grey = r.choice(["#888888", "#999999", "#7f7f7f", "#a0a0a0"])
        self.accent = r.choice(["#07c160", "#1677ff", "#ff5000", "#fb7299", "#e1251b", "#00a1d6", "#c9a063"])
        self.bold_name = r.random() < 0.5
        self.hinting = r.choice(["none", "slight", "full"])
        self.resize = r.choice([1, 1, 1, 0.5, 0.67]) if self.scale >= 2 else 1
        self.jpeg = r.random() < 0.4
        self.quality = r.choice([55, 65, 75, 85, 95])


class Facts:
    def __init__(self, r):
        self.r = r
        self.name = service_name(r)
        self.cycle = r.choice(["monthly", "monthly", "quarterly", "yearly", "yearly", "once"])
        self.currency = r.choices(["CNY", "USD", "HKD"], [85, 10, 5])[0]
        low, high = {"monthly": (6, 45), "quarterly": (18, 120), "yearly": (68, 698), "once": (8, 328)}[self.cycle]
        self.amount = round(r.randrange(low, high) + r.choice([0.0, 0.0, 0.9, 0.8, 0.5, 0.99]), 2)
        self.sign = {"CNY": r.choice(["¥", "¥", "￥", "CN¥"]), "USD": r.choice(["$", "US$"]), "HKD": "HK$"}[self.currency]
        self.date = datetime.date(2026, 1, 1) + datetime.timedelta(days=r.randrange(320))
        self.card = str(r.randrange(1000, 9999))

    def money(self):
        return f"{self.sign}{self.amount:.2f}"

    def day(self, shift=0):
        d = self.date + datetime.timedelta(days=shift)
        return self.r.choice([f"{d.year}年{d.month}月{d.day}日", f"{d.year}-{d.month:02d}-{d.day:02d}",
                              f"{d.year}/{d.month:02d}/{d.day:02d}", f"{d.year}年{d.month:02d}月{d.day:02d}日"])

    def clock(self):
        return f"{self.r.randrange(0, 24):02d}:{self.r.randrange(60):02d}"

    def cycle_word(self):
        return {"monthly": self.r.choice(["连续包月", "按月续费", "每月自动续费"]),
                "quarterly": self.r.choice(["连续包季", "按季续费"]),
                "yearly": self.r.choice(["连续包年", "按年续费", "每年自动续费"]),
                "once": self.r.choice(["单次购买", "一次性购买"])}[self.cycle]

    def renewal(self):
        days = {"monthly": 30, "quarterly": 91, "yearly": 365}.get(self.cycle)
        return self.day(days) if days else ""

    def intended(self):
        return {"name": self.name, "amount": self.amount, "currency": self.currency,
                "cycle": "" if self.cycle == "once" else self.cycle,
                "billingType": "oneTime" if self.cycle == "once" else "subscription", "startDate": self.date.isoformat()}


def e(text):
    return html.escape(text, quote=False)


def css(k):
    faces = f'"{k.latin}", "{k.cjk}"' if k.latin else f'"{k.cjk}"'
    return f"""body {{ margin:0; background:{k.bg}; color:{k.text}; font-family:{faces}, sans-serif;
      font-size:{k.size}px; line-height:1.55; }}
    .g {{ color:{k.grey}; }} .sm {{ font-size:{max(10, k.size - 2)}px; }}
    .nm {{ font-weight:{700 if k.bold_name else 400}; }}
    .card {{ background:{k.card}; border-radius:8px; padding:14px 16px; margin:10px 12px; }}
    .row {{ display:flex; justify-content:space-between; padding:5px 0; gap:16px; }}
    .row span:last-child {{ text-align:right; }}"""


def rows(pairs):
    return "".join(f'<div class="row"><span class="g">{e(a)}</span><span>{e(b)}</span></div>' for a, b in pairs)


def chat_notice(f, k):
    """A payment notice in a chat app's service account: a card with the charge and its rows."""
    r = f.r
    title = r.choice(["扣费凭证", "自动续费成功通知", "支付成功", "付款凭证"])
    pairs = [(r.choice(["扣费服务", "商品", "服务名称"]), f.name), (r.choice(["扣费时间", "支付时间"]), f"{f.day()} {f.clock()}"),
             (r.choice(["支付方式", "扣款方式"]), r.choice(["零钱", "零钱通", f"招商银行储蓄卡({f.card})", "余额"])),
             ("扣费方式", f.cycle_word())]
    if r.random() < 0.5:
        pairs.append(("交易单号", "4200" + "".join(r.choice("0123456789") for _ in range(16))))
    return f"""<div class="sm g" style="text-align:center; padding:10px">{e(f.clock())}</div>
      <div class="card"><div>{e(title)}</div>
      <div style="text-align:center; padding:14px 0"><div class="g sm">{e(r.choice(["付款金额", "扣费金额"]))}</div>
      <div style="font-size:{k.size + 16}px; font-weight:600">{e(f.money())}</div></div>
      {rows(pairs)}<div class="sm g" style="border-top:1px solid {k.grey}44; margin-top:8px; padding-top:8px">{e("查看账单详情")}</div></div>"""


def sms(f, k):
    """A bank or wallet text message in a phone's messages app."""
    r = f.r
    bank = r.choice(["招商银行", "工商银行", "建设银行", "支付宝", "中国银行", "交通银行"])
    body = (f"【{bank}】您尾号{f.card}的账户于{f.day()} {f.clock()}向{f.name}支付{f.money()}，"
            f"{f.cycle_word()}，详询客服。")
    other = f"【{bank}】您的验证码为{r.randrange(100000, 999999)}，5分钟内有效，请勿泄露。"
    bubble = f'style="background:{k.card}; border-radius:14px; padding:10px 12px; margin:8px 40px 8px 12px"'
    return f"""<div style="text-align:center; padding:12px" class="nm">{e(bank)}</div>
      <div class="sm g" style="text-align:center">{e(r.choice(["短信", "信息"]))} · {e(f.day(-3))}</div>
      <div {bubble}>{e(other)}</div><div class="sm g" style="text-align:center">{e(f.day())}</div>
      <div {bubble}>{e(body)}</div>"""


def order(f, k):
    """An order's detail page: status, the item with its icon, the price rows and the order facts."""
    r = f.r
    icon = f'<div style="width:{k.size * 4}px; height:{k.size * 4}px; border-radius:8px; background:{k.accent}33; flex:none"></div>'
    item = f"""<div style="display:flex; gap:12px"><div>{icon}</div><div style="flex:1"><div class="nm">{e(f.name)}</div>
      <div class="g sm">{e(f.cycle_word())}</div></div><div>{e(f.money())}</div></div>"""
    pairs = [("订单编号", str(r.randrange(10 ** 15, 10 ** 16))), ("下单时间", f"{f.day()} {f.clock()}"),
             ("支付方式", r.choice(["微信支付", "支付宝", "Apple Pay", "花呗"]))]
    r.shuffle(pairs)
    return f"""<div style="padding:12px 16px; text-align:center">{e(r.choice(["订单详情", "订单信息"]))}</div>
      <div class="card"><div style="font-size:{k.size + 4}px">{e(r.choice(["交易成功", "已完成", "支付成功"]))}</div></div>
      <div class="card">{item}<div style="border-top:1px solid {k.grey}33; margin:10px 0"></div>
      {rows([("商品总价", f.money()), ("实付款", f.money())])}</div><div class="card">{rows(pairs)}</div>"""


def renewals(f, k):
    """An automatic-renewal list with one entry and its details."""
    r = f.r
    renew = f.renewal()
    pairs = [("开通时间", f.day()), ("续费金额", f.money() + ({"monthly": "/月", "quarterly": "/季", "yearly": "/年"}.get(f.cycle, "")))]
    if renew:
        pairs.append(("下次扣费", renew))
    return f"""<div style="padding:12px 16px; font-size:{k.size + 3}px">{e(r.choice(["自动续费管理", "我的订阅", "自动续费项目"]))}</div>
      <div class="card"><div style="display:flex; justify-content:space-between"><span class="nm">{e(f.name)}</span>
      <span class="sm" style="color:{k.accent}">{e(r.choice(["已开通", "生效中"]))}</span></div>
      <div class="g sm">{e(f.cycle_word())}</div>{rows(pairs)}
      <div class="sm g" style="padding-top:8px">{e("关闭自动续费")}</div></div>"""


def members(f, k):
    """A membership centre: the member's card, the plan bought and when it runs out."""
    r = f.r
    user = r.choice(["用户_" + str(r.randrange(10 ** 5, 10 ** 6)), "小林同学", "momo", "阿泽", "Lily_W"])
    renew = f.renewal()
    card = f"""<div style="background:linear-gradient(120deg, {k.accent}, {k.accent}99); color:#fff; border-radius:12px; padding:16px; margin:10px 12px">
      <div>{e(user)}</div><div class="nm" style="font-size:{k.size + 3}px; padding:6px 0">{e(f.name)}</div>
      <div class="sm">{e(("有效期至 " + renew) if renew else "永久有效")}</div></div>"""
    pairs = [("购买时间", f.day()), ("支付金额", f.money()), ("续费方式", f.cycle_word())]
    return f"""<div style="padding:12px 16px; text-align:center">{e(r.choice(["会员中心", "我的会员"]))}</div>{card}
      <div class="card">{rows(pairs)}</div>"""


LAYOUTS = {"chat": chat_notice, "sms": sms, "order": order, "renewals": renewals, "members": members}


def main():
    opts = corpus_options(__doc__, count=150, seed=73114)
    r = random.Random(opts.seed)
    started = time.monotonic()
    browsers = {}
    styles, intended = [], []
    try:
        for index in range(opts.count):
            layout = r.choice(list(LAYOUTS))
            f = Facts(random.Random(r.getrandbits(64)))
            k = Look(f.r)
            lang = "mixed" if any(c.isascii() and c.isalnum() for c in f.name) else "zh"
            body = LAYOUTS[layout](f, k)
            if not k.phone:
                body = f'<div style="max-width:560px; margin:0 auto">{body}</div>'
            markup = (f'<!doctype html><html lang="zh-CN"><head><meta charset="utf-8">'
                      f'<meta name="viewport" content="width=device-width"><style>{css(k)}</style></head>'
                      f'<body>{body}</body></html>')
            if k.hinting not in browsers:
                browsers[k.hinting] = Browser(k.hinting)
            browser = browsers[k.hinting]
            jpeg_wanted = k.jpeg
            k.jpeg = jpeg_wanted and k.resize == 1
            text, image, _ = browser.render(markup, k)
            if k.resize != 1:
                image = browser.rescale(image, k.resize, k.quality if jpeg_wanted else None)
            k.jpeg = jpeg_wanted
            theme = "dark" if k.dark else "light"
            label = f"{index:04d}-{layout}-{lang}-{theme}-{round(k.size * k.scale * k.resize)}px"
            write_page(opts.out, label, image, k.jpeg, text)
            styles.append(style_row(label, k.cjk, "JPEG" if k.jpeg else "PNG", k.phone,
                                    f"{round(k.scale * k.resize, 2):g}"))
            intended.append(intended_row(label, f.intended()))
    finally:
        for browser in browsers.values():
            browser.close()
    return finish_corpus(opts, styles, intended, started)


if __name__ == "__main__":
    sys.exit(main())
