#!/usr/bin/env python3
"""Writes receipt screenshots made as web pages and captured by a real browser (Chromium headless).

    scripts/html-receipts.py --out DIR [--count N] [--seed S] [--cli PATH/renewly-cli]
                             [--typefaces A,B] [--layouts A,B] [--languages A,B] [--theme dark|light]

For each receipt DIR gets LABEL.png or LABEL.jpg (the capture) and LABEL.txt (the visible text, one
visual line per line, top to bottom, the pieces of one row joined left to right with one blank),
where LABEL is <index>-<layout>-<language>-<theme>-<N>px (N = body text size in CSS px). Also
styles.tsv (label, typeface, file, width, scale: the capture's style) and intended.tsv (the name,
amount, currency, cycle, billing type and date each receipt was written with). With --cli, the
parser of that renewly-cli reads every TXT file and the receipts it reads differently from what was
intended are counted and listed.

Subscription receipts, store purchase sheets, e-mails, plan pages and payment confirmations in
Chinese, English and both, in every CJK and Latin typeface Debian's font packages install, light and
dark, at phone width (2x/3x) and desktop width (1x/2x), some as JPEG. The same seed gives the same
receipts. --typefaces (parts of family names), --layouts, --languages and --theme narrow the mix to
make a tuning corpus in a few styles; without them a seed still gives the receipts it always gave. Needs `chromium` and the fonts (scripts/install-deps.sh --corpus).
"""
import argparse
import datetime
import html
import json
import os
import random
import re
import subprocess
import sys
import time

from web_capture import Browser, intended_row, style_row, write_tables

TYPEFACES = [
    # family, generic family it falls back to
    ("WenQuanYi Micro Hei", "sans-serif"),
    ("WenQuanYi Zen Hei", "sans-serif"),
    ("AR PL UMing CN", "serif"),
    ("AR PL UKai CN", "serif"),
    ("Noto Sans CJK SC", "sans-serif"),
    ("Noto Serif CJK SC", "serif"),
    ("Droid Sans Fallback", "sans-serif"),
    ("DejaVu Sans", "sans-serif"),
    ("DejaVu Serif", "serif"),
    ("Liberation Sans", "sans-serif"),
    ("Liberation Serif", "serif"),
]

# ----------------------------------------------------------------------------------------------
# What the receipts are about

# key, name (en), name (zh), plans [(en, zh)], domain, company (en), company (zh),
# monthly price in USD, monthly price in CNY (None: converted), brand colour
SERVICES = [
    ("netflix", "Netflix", "Netflix", [("Standard", "标准套餐"), ("Premium", "高级套餐"), ("Basic", "基本套餐")],
     "netflix.com", "Netflix, Inc.", "Netflix", 15.49, None, "#e50914"),
    ("spotify", "Spotify", "Spotify", [("Premium Individual", "Premium 个人版"), ("Premium Duo", "Premium 双人版"),
                                       ("Premium Family", "Premium 家庭版")],
     "spotify.com", "Spotify AB", "Spotify", 11.99, None, "#1db954"),
    ("youtube", "YouTube Premium", "YouTube Premium", [("Individual", "个人会员"), ("Family", "家庭会员")],
     "youtube.com", "Google LLC", "Google", 13.99, None, "#ff0033"),
    ("disney", "Disney+", "Disney+", [("Standard", "标准版"), ("Premium", "高级版")],
     "disneyplus.com", "Disney Streaming", "Disney", 9.99, None, "#113ccf"),
    ("chatgpt", "ChatGPT Plus", "ChatGPT Plus", [("Plus", "Plus 会员")],
     "openai.com", "OpenAI, L.L.C.", "OpenAI", 20.00, 148.0, "#10a37f"),
    ("claude", "Claude Pro", "Claude Pro", [("Pro", "Pro 套餐")],
     "claude.ai", "Anthropic, PBC", "Anthropic", 20.00, 148.0, "#d97757"),
    ("icloud", "iCloud+", "iCloud+", [("50 GB", "50GB 存储"), ("200 GB", "200GB 存储"), ("2 TB", "2TB 存储")],
     "icloud.com", "Apple Inc.", "Apple", 2.99, 21.0, "#3b82f6"),
    ("applemusic", "Apple Music", "Apple Music", [("Individual", "个人"), ("Family", "家庭")],
     "apple.com", "Apple Inc.", "Apple", 10.99, 11.0, "#fa243c"),
    ("m365", "Microsoft 365", "Microsoft 365", [("Personal", "个人版"), ("Family", "家庭版")],
     "microsoft.com", "Microsoft Corporation", "微软", 9.99, 39.8, "#d83b01"),
    ("adobe", "Adobe Creative Cloud", "Adobe Creative Cloud", [("Photography plan", "摄影计划"), ("All Apps", "全部应用")],
     "adobe.com", "Adobe Inc.", "Adobe", 19.99, 88.0, "#fa0f00"),
    ("notion", "Notion", "Notion", [("Plus", "Plus 套餐"), ("Business", "商业版")],
     "notion.so", "Notion Labs, Inc.", "Notion", 10.00, None, "#191919"),
    ("figma", "Figma", "Figma", [("Professional", "专业版")],
     "figma.com", "Figma, Inc.", "Figma", 15.00, None, "#a259ff"),
    ("copilot", "GitHub Copilot", "GitHub Copilot", [("Pro", "Pro 个人版")],
     "github.com", "GitHub, Inc.", "GitHub", 10.00, None, "#24292f"),
    ("cursor", "Cursor", "Cursor", [("Pro", "Pro 套餐")],
     "cursor.com", "Anysphere, Inc.", "Anysphere", 20.00, None, "#222222"),
    ("dropbox", "Dropbox", "Dropbox", [("Plus", "Plus 套餐"), ("Essentials", "Essentials 套餐")],
     "dropbox.com", "Dropbox, Inc.", "Dropbox", 11.99, None, "#0061fe"),
    ("duolingo", "Duolingo", "多邻国", [("Super", "Super 会员")],
     "duolingo.com", "Duolingo, Inc.", "多邻国", 12.99, 68.0, "#58cc02"),
    ("kindle", "Kindle Unlimited", "Kindle Unlimited", [("Membership", "包月服务")],
     "amazon.com", "Amazon.com Services LLC", "亚马逊", 11.99, 12.0, "#ff9900"),
    ("setapp", "Setapp", "Setapp", [("Mac plan", "Mac 套餐")],
     "setapp.com", "MacPaw Way Ltd.", "MacPaw", 9.99, None, "#e0245e"),
    ("gamepass", "Xbox Game Pass", "Xbox Game Pass", [("Ultimate", "终极版")],
     "xbox.com", "Microsoft Corporation", "微软", 16.99, None, "#107c10"),
    ("switch", "Nintendo Switch Online", "Nintendo Switch Online", [("Individual", "个人计划")],
     "nintendo.com", "Nintendo", "任天堂", 3.99, None, "#e60012"),
    ("canva", "Canva Pro", "Canva 可画", [("Pro", "高级版")],
     "canva.com", "Canva Pty Ltd", "可画", 14.99, 35.0, "#00c4cc"),
    ("perplexity", "Perplexity Pro", "Perplexity Pro", [("Pro", "Pro 会员")],
     "perplexity.ai", "Perplexity AI, Inc.", "Perplexity", 20.00, None, "#20808d"),
    ("googleone", "Google One", "Google One", [("100 GB", "100GB"), ("2 TB", "2TB")],
     "one.google.com", "Google LLC", "Google", 1.99, None, "#4285f4"),
    ("iqiyi", "iQIYI", "爱奇艺", [("Gold VIP", "黄金VIP会员"), ("Platinum VIP", "白金VIP会员")],
     "iqiyi.com", "iQIYI, Inc.", "北京爱奇艺科技有限公司", 3.99, 25.0, "#00be06"),
    ("tencentvideo", "Tencent Video", "腾讯视频", [("VIP", "VIP会员"), ("SVIP", "超级影视SVIP")],
     "v.qq.com", "Tencent", "深圳市腾讯计算机系统有限公司", 3.99, 25.0, "#ff6a00"),
    ("youku", "Youku", "优酷", [("VIP", "VIP会员"), ("SVIP", "酷喵SVIP")],
     "youku.com", "Youku", "优酷信息技术（北京）有限公司", 3.99, 25.0, "#1f8cff"),
    ("mango", "Mango TV", "芒果TV", [("VIP", "会员"), ("Full-screen VIP", "全屏影视会员")],
     "mgtv.com", "Hunan Happy Sunshine", "湖南快乐阳光互动娱乐传媒有限公司", 3.49, 22.0, "#ff5f00"),
    ("bilibili", "bilibili", "哔哩哔哩", [("Premium", "大会员")],
     "bilibili.com", "Shanghai Kuanyu", "上海宽娱数码科技有限公司", 3.49, 25.0, "#fb7299"),
    ("neteasemusic", "NetEase Cloud Music", "网易云音乐", [("Black Vinyl VIP", "黑胶VIP")],
     "music.163.com", "NetEase", "杭州网易云音乐科技有限公司", 2.49, 15.0, "#e60026"),
    ("qqmusic", "QQ Music", "QQ音乐", [("Green Diamond", "豪华绿钻")],
     "y.qq.com", "Tencent Music", "腾讯音乐娱乐科技（深圳）有限公司", 2.49, 15.0, "#31c27c"),
    ("baidupan", "Baidu Netdisk", "百度网盘", [("SVIP", "超级会员"), ("VIP", "会员")],
     "pan.baidu.com", "Baidu", "北京百度网讯科技有限公司", 4.49, 30.0, "#06a7ff"),
    ("aliyunpan", "Alipan", "阿里云盘", [("Premium", "超级会员")],
     "alipan.com", "Alibaba Cloud", "阿里云计算有限公司", 2.49, 16.0, "#637dff"),
    ("wps", "WPS Office", "WPS", [("Super Member", "超级会员")],
     "wps.cn", "Kingsoft Office", "珠海金山办公软件有限公司", 4.49, 30.0, "#d8382f"),
    ("weread", "WeChat Reading", "微信读书", [("Membership", "付费会员")],
     "weread.qq.com", "Tencent", "深圳市腾讯计算机系统有限公司", 2.99, 19.0, "#1f80e6"),
    ("ximalaya", "Ximalaya", "喜马拉雅", [("VIP", "VIP会员")],
     "ximalaya.com", "Ximalaya", "上海喜马拉雅科技有限公司", 3.49, 25.0, "#f86442"),
    ("zhihu", "Zhihu", "知乎", [("Salt Select", "盐选会员")],
     "zhihu.com", "Zhihu", "北京智者天下科技有限公司", 2.99, 19.0, "#0066ff"),
    ("jdplus", "JD PLUS", "京东PLUS", [("PLUS Membership", "PLUS会员")],
     "jd.com", "JD.com", "北京京东世纪贸易有限公司", 2.49, 16.5, "#e1251b"),
    ("xunlei", "Xunlei", "迅雷", [("Super VIP", "超级会员")],
     "xunlei.com", "Xunlei", "深圳市迅雷网络技术有限公司", 4.49, 30.0, "#3a7cf6"),
    ("keep", "Keep", "Keep", [("Premium", "会员")],
     "gotokeep.com", "Keep", "北京卡路里信息技术有限公司", 2.99, 19.0, "#584f60"),
]
CHINESE_SERVICES = {"iqiyi", "tencentvideo", "youku", "mango", "bilibili", "neteasemusic", "qqmusic", "baidupan",
                    "aliyunpan", "wps", "weread", "ximalaya", "zhihu", "jdplus", "xunlei", "keep"}

PEOPLE_EN = ["Alex Chen", "Jordan Lee", "Sam Taylor", "Emily Wang", "Chris Martin", "Mia Zhang", "Daniel Kim",
             "Olivia Brown", "Lucas Müller", "Grace Liu"]
PEOPLE_ZH = ["张伟", "李娜", "王芳", "陈晨", "刘洋", "赵敏", "周杰", "孙悦", "黄磊", "林小雨"]
MAIL_USERS = ["alex.chen", "jordanlee", "sam.t", "emily.wang88", "chris_m", "miazhang", "dkim", "olivia.b", "zhangwei1990",
              "lina_0312", "chenchen", "liuyang.dev"]
MAIL_HOSTS = ["gmail.com", "outlook.com", "icloud.com", "163.com", "qq.com", "foxmail.com", "proton.me"]

ADDRESSES_EN = ["1455 Market Street, San Francisco, CA 94103", "410 Terry Avenue North, Seattle, WA 98109",
                "One Microsoft Way, Redmond, WA 98052", "4 New York Plaza, New York, NY 10004",
                "Regeringsgatan 19, 111 53 Stockholm, Sweden", "70 Sir John Rogerson's Quay, Dublin 2, Ireland",
                "2 Kingdom Street, London W2 6BD, United Kingdom", "345 Park Avenue, San Jose, CA 95110"]
ADDRESSES_ZH = ["北京市海淀区上地十街10号", "广东省深圳市南山区科技中一路", "上海市杨浦区政立路485号",
                "浙江省杭州市滨江区网商路599号", "北京市朝阳区北辰西路8号院", "湖南省长沙市开福区金鹰影视文化城"]

WEEKDAYS_EN = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
WEEKDAYS_ZH = ["周一", "周二", "周三", "周四", "周五", "周六", "周日"]
MONTHS_EN = ["January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
             "November", "December"]


def esc(text):
    return html.escape(text, quote=False)


class Facts:
    """What one receipt says: the service, the money, the cycle and the date, and how it words them."""

    def __init__(self, r, lang):
        self.r = r
        self.lang = lang
        chinese = lang != "en" and r.random() < 0.55
        pool = [s for s in SERVICES if (s[0] in CHINESE_SERVICES) == chinese]
        if lang == "en" and r.random() < 0.12:
            pool = [s for s in SERVICES if s[0] in CHINESE_SERVICES]
        (self.key, name_en, name_zh, plans, self.domain, company_en, company_zh, usd, cny,
         self.color) = r.choice(pool)
        plan_en, plan_zh = r.choice(plans)
        english_names = lang == "en" or (lang == "mixed" and r.random() < 0.6)
        self.name = name_en if english_names else name_zh
        self.plan = plan_en if english_names else plan_zh
        self.company = company_en if lang == "en" or (lang == "mixed" and english_names) else company_zh

        self.currency = self._currency(chinese)
        roll = r.random()
        self.one_time = roll < 0.15
        self.cycle = None if self.one_time else \
            r.choices(["monthly", "yearly", "quarterly", "weekly"], [55, 30, 9, 6])[0]
        self.amount = self._price(usd, cny)
        self.form = self._money_form()
        self.date = datetime.date(2025, 6, 1) + datetime.timedelta(days=r.randrange(0, 540)) \
            if r.random() < 0.92 else None
        self.date_style = self._date_style()
        self.person = r.choice(PEOPLE_EN if lang == "en" or r.random() < 0.3 else PEOPLE_ZH)
        self.mail = f"{r.choice(MAIL_USERS)}@{r.choice(MAIL_HOSTS)}"

    def _currency(self, chinese):
        r = self.r
        if self.lang == "zh":
            weights = {"CNY": 88, "USD": 6, "HKD": 4, "JPY": 2}
        elif self.lang == "mixed":
            weights = {"CNY": 64, "USD": 24, "HKD": 6, "JPY": 3, "EUR": 2, "GBP": 1}
        else:
            weights = {"USD": 54, "CNY": 12, "EUR": 11, "GBP": 10, "HKD": 6, "JPY": 7}
        if chinese and self.lang != "en":
            weights = {"CNY": 95, "HKD": 3, "USD": 2}
        return r.choices(list(weights), list(weights.values()))[0]

    def _price(self, usd, cny):
        r = self.r
        factor = {"monthly": 1, "yearly": r.choice([10, 10, 11, 12]), "quarterly": r.choice([2.7, 3]),
                  "weekly": 0.3, None: r.choice([3, 5, 8, 12, 20])}[self.cycle]
        c = self.currency
        if c == "CNY":
            base = (cny if cny else round(usd * 7)) * factor
            return float(max(1, round(base)) if r.random() < 0.8 else round(base, 1))
        if c == "JPY":
            return float(max(100, round(usd * 150 * factor, -1)))
        if c == "HKD":
            return float(max(8, round(usd * 7.8 * factor)))
        rate = {"USD": 1.0, "EUR": 1.0, "GBP": 0.85}[c]
        value = usd * rate * factor
        return max(0.99, int(value) + 0.99 if r.random() < 0.7 else round(value))

    def _money_form(self):
        r = self.r
        forms = {
            "CNY": [("¥{}", 40), ("￥{}", 16), ("¥ {}", 6), ("CN¥{}", 8), ("RMB {}", 8), ("{}元", 14), ("{} 元", 8)],
            "USD": [("${}", 62), ("US${}", 18), ("USD {}", 12), ("USD ${}", 8)],
            "HKD": [("HK${}", 80), ("HKD {}", 20)],
            "EUR": [("€{}", 65), ("EUR {}", 20), ("{} €", 15)],
            "GBP": [("£{}", 80), ("GBP {}", 20)],
            # a bare "¥" is the Chinese currency to a reader: the Japanese one is always marked
            "JPY": [("JP¥{}", 40), ("{}円", 30), ("JPY {}", 30)],
        }[self.currency]
        form = r.choices([f for f, _ in forms], [w for _, w in forms])[0]
        if self.currency == "CNY" and self.amount == int(self.amount):
            self.decimals = r.random() < 0.6
        else:
            self.decimals = self.currency != "JPY"
        self.grouping = self.currency == "JPY" and r.random() < 0.7 or self.amount >= 1000 and r.random() < 0.5
        return form

    def number(self, value):
        if self.decimals:
            text = f"{value:,.2f}" if self.grouping else f"{value:.2f}"
        else:
            text = f"{value:,.0f}" if self.grouping else f"{value:.0f}"
        if self.form == "{} €":
            text = text.replace(",", " ").replace(".", ",")
        return text

    def money(self, value=None):
        return self.form.format(self.number(self.amount if value is None else value))

    # --- wording -------------------------------------------------------------------------------
    def t(self, zh, en):
        """The Chinese or the English wording; mixed receipts mostly use Chinese labels with some
        English ones."""
        if self.lang == "zh":
            return zh
        if self.lang == "en":
            return en
        return en if self.r.random() < 0.35 else zh

    def zh_ui(self):
        return self.lang != "en"

    def pick_zh(self):
        """Whether a phrase is worded in Chinese: always in Chinese receipts, mostly in mixed ones."""
        return self.lang == "zh" or self.lang == "mixed" and self.r.random() < 0.7

    def per(self):
        """A price suffix for the cycle: "/月", "/mo", " per year"."""
        r = self.r
        if self.one_time:
            return ""
        zh = {"monthly": ["/月", " / 月", "/月"], "yearly": ["/年", " / 年"], "quarterly": ["/季"],
              "weekly": ["/周"]}[self.cycle]
        en = {"monthly": ["/mo", "/month", " per month", " / month"], "yearly": ["/yr", "/year", " per year"],
              "quarterly": ["/quarter", " per quarter"], "weekly": ["/week", " per week"]}[self.cycle]
        return r.choice(zh) if self.pick_zh() else r.choice(en)

    def billed(self):
        """A phrase that names the cycle or the one-time purchase on its own."""
        r = self.r
        if self.one_time:
            zh = ["一次性购买", "永久会员", "终身会员", "买断版，永久使用", "永久解锁"]
            en = ["One-time purchase", "Lifetime access", "Lifetime license", "One-time payment"]
        else:
            zh = {"monthly": ["连续包月", "按月自动续费", "每月自动续费", "月度会员", "包月"],
                  "yearly": ["连续包年", "按年自动续费", "每年自动续费", "年度会员", "年付"],
                  "quarterly": ["连续包季", "季度会员", "每季自动续费"],
                  "weekly": ["每周自动续费", "周付会员", "连续包周"]}[self.cycle]
            en = {"monthly": ["Billed monthly", "Monthly", "Renews monthly", "Monthly plan"],
                  "yearly": ["Billed annually", "Yearly", "Annual plan", "Renews yearly"],
                  "quarterly": ["Billed quarterly", "Quarterly plan", "Every 3 months"],
                  "weekly": ["Billed weekly", "Weekly", "Renews every week"]}[self.cycle]
        return r.choice(zh) if self.pick_zh() else r.choice(en)

    def duration(self):
        """ "1个月", "1 year" …, the term a store sheet shows beside the plan."""
        r = self.r
        if self.one_time:
            return self.t("永久", "Lifetime")
        zh = {"monthly": "1个月", "yearly": r.choice(["1年", "12个月"]), "quarterly": "3个月", "weekly": "1周"}
        en = {"monthly": "1 month", "yearly": r.choice(["1 year", "12 months"]), "quarterly": "3 months",
              "weekly": "1 week"}
        return zh[self.cycle] if self.pick_zh() else en[self.cycle]

    def _date_style(self):
        r = self.r
        if self.lang == "zh":
            return r.choices(["iso", "slash", "zh", "zh0", "dot"], [30, 12, 40, 10, 8])[0]
        if self.lang == "mixed":
            return r.choices(["iso", "slash", "zh", "dot", "us"], [35, 15, 35, 5, 10])[0]
        return r.choices(["iso", "slash", "us", "uslong", "eu", "dmy", "mdy"], [50, 12, 14, 6, 6, 6, 6])[0]

    def fmt_date(self, d, style=None, with_time=False):
        style = style or self.date_style
        text = {
            "iso": f"{d.year}-{d.month:02d}-{d.day:02d}",
            "slash": f"{d.year}/{d.month}/{d.day}",
            "zh": f"{d.year}年{d.month}月{d.day}日",
            "zh0": f"{d.year}年{d.month:02d}月{d.day:02d}日",
            "dot": f"{d.year}.{d.month:02d}.{d.day:02d}",
            "us": f"{MONTHS_EN[d.month - 1][:3]} {d.day}, {d.year}",
            "uslong": f"{MONTHS_EN[d.month - 1]} {d.day}, {d.year}",
            "eu": f"{d.day} {MONTHS_EN[d.month - 1][:3]} {d.year}",
            "dmy": f"{d.day:02d}/{d.month:02d}/{d.year}",
            "mdy": f"{d.month:02d}/{d.day:02d}/{d.year}",
        }[style]
        if with_time:
            text += f" {self.r.randrange(0, 24):02d}:{self.r.randrange(0, 60):02d}"
            if self.r.random() < 0.6:
                text += f":{self.r.randrange(0, 60):02d}"
        return text

    def date_text(self, with_time=False):
        return self.fmt_date(self.date, with_time=with_time) if self.date else ""

    def next_date(self):
        if not self.date or self.one_time:
            return None
        days = {"monthly": 30, "yearly": 365, "quarterly": 91, "weekly": 7}[self.cycle]
        return self.date + datetime.timedelta(days=days)

    # --- distracting numbers ---------------------------------------------------------------------
    def uuid(self):
        h = "".join(self.r.choice("0123456789abcdef") for _ in range(32))
        return f"{h[:8]}-{h[8:12]}-{h[12:16]}-{h[16:20]}-{h[20:]}"

    def order_id(self):
        r = self.r
        kind = r.randrange(5)
        if kind == 0:
            return self.uuid()
        if kind == 1:
            return "".join(r.choice("ABCDEFGHJKLMNPQRSTUVWXYZ0123456789") for _ in range(10))
        if kind == 2:
            return f"GPA.33{r.randrange(10, 99)}-{r.randrange(1000, 9999)}-{r.randrange(1000, 9999)}-" \
                   f"{r.randrange(10000, 99999)}"
        if kind == 3:
            return "".join(str(r.randrange(10)) for _ in range(r.choice([18, 20, 28])))
        return f"{r.choice(['INV', 'RC', 'ORD'])}-{r.randrange(100000, 999999)}-{r.randrange(1000, 9999)}"

    def phone(self):
        r = self.r
        if self.zh_ui():
            return r.choice([f"400-{r.randrange(100, 999)}-{r.randrange(1000, 9999)}",
                             f"95{r.randrange(100, 999)}", f"010-{r.randrange(5000, 8999)}{r.randrange(1000, 9999)}"])
        return r.choice([f"+1 (888) {r.randrange(200, 999)}-{r.randrange(1000, 9999)}",
                         f"1-800-{r.randrange(200, 999)}-{r.randrange(1000, 9999)}",
                         f"+44 20 {r.randrange(1000, 9999)} {r.randrange(1000, 9999)}"])

    def card(self):
        r = self.r
        last = r.randrange(1000, 9999)
        if self.zh_ui() and r.random() < 0.7:
            return r.choice(["微信支付", "支付宝", "零钱", f"招商银行储蓄卡({last})", f"工商银行信用卡({last})", "花呗",
                             "Apple Pay", "余额宝"])
        return r.choice([f"Visa •••• {last}", f"Mastercard ending in {last}", "PayPal", "Apple Pay",
                         f"Amex ···· {last}", f"Visa - {last}", "Google Pay"])

    def masked_phone(self):
        return f"1{self.r.choice('3578')}{self.r.randrange(10)}****{self.r.randrange(1000, 9999)}"

    def address(self):
        return self.r.choice(ADDRESSES_ZH if self.zh_ui() and self.r.random() < 0.7 else ADDRESSES_EN)

    def intended(self):
        return {"name": self.name, "amount": self.amount, "currency": self.currency,
                "cycle": self.cycle or "", "billingType": "oneTime" if self.one_time else "recurring",
                "startDate": self.date.isoformat() if self.date else ""}


# ----------------------------------------------------------------------------------------------
# How they look

class Style:
    def __init__(self, r, layout, lang, typefaces=TYPEFACES, theme=None):
        self.typeface, self.generic = r.choice(typefaces)
        self.dark = r.random() < 0.38
        if theme:
            self.dark = theme == "dark"
        phone_share = {"receipt": 0.5, "email": 0.3, "plan": 0.5, "payment": 0.75, "store": 0.85}[layout]
        self.phone = r.random() < phone_share
        if self.phone:
            self.width, self.height = r.choice([(390, 844), (393, 852), (375, 812), (414, 896), (360, 800)])
            self.scale = r.choice([2, 3, 3])
        else:
            self.width, self.height = 1280, 800
            self.scale = r.choice([1, 1, 2])
        small = r.random() < 0.38
        self.size = r.choice([11, 12, 12, 13, 13]) if small else \
            (r.choice([15, 16, 16, 17]) if self.phone else r.choice([14, 14, 15, 16]))
        self.jpeg = r.random() < 0.3
        self.quality = r.randrange(60, 86)
        self.radius = r.choice([6, 8, 10, 12, 14, 16])
        if self.dark:
            self.bg = r.choice(["#000000", "#121212", "#1c1c1e", "#17181c", "#0d1117"])
            self.card = r.choice(["#1c1c1e", "#242426", "#2c2c2e", "#1e1f24"]) if self.bg != "#1c1c1e" else "#2c2c2e"
            self.text = r.choice(["#f5f5f7", "#ffffff", "#e8e8ea", "#e6edf3"])
            self.muted = r.choice(["#98989f", "#8e8e93", "#a1a1aa", "#9aa0a6"])
            self.line = r.choice(["#38383a", "#3a3a3c", "#30363d"])
        else:
            self.bg = r.choice(["#ffffff", "#f5f5f7", "#f2f3f5", "#f6f7f9", "#eef0f3", "#fafafa"])
            self.card = "#ffffff" if self.bg != "#ffffff" else r.choice(["#ffffff", "#f7f7f8"])
            self.text = r.choice(["#111111", "#1d1d1f", "#222222", "#1f2328", "#333333"])
            self.muted = r.choice(["#6e6e73", "#8a8a8a", "#666666", "#59636e", "#7a7a7a"])
            self.line = r.choice(["#e5e5ea", "#e6e6e6", "#d0d7de", "#ececec"])
        self.status_bar = self.phone and r.random() < 0.65
        self.mono_ids = r.random() < 0.25

    def font_stack(self):
        return f"'{self.typeface}', {self.generic}"

    def file_kind(self):
        return "JPEG" if self.jpeg else "PNG"


def luminance(colour):
    red, green, blue = (int(colour[i:i + 2], 16) / 255 for i in (1, 3, 5))
    return 0.2126 * red + 0.7152 * green + 0.0722 * blue


def readable_accent(s, colour):
    """The brand colour for text and links, unless it would vanish into the theme's background."""
    if s.dark and luminance(colour) < 0.35:
        return "#4c9aff"
    if not s.dark and luminance(colour) > 0.6:
        return "#0a66c2"
    return colour


def css(s, accent):
    accent = readable_accent(s, accent)
    return f"""
* {{ box-sizing: border-box; margin: 0; padding: 0; }}
html, body {{ background: {s.bg}; color: {s.text}; font-family: {s.font_stack()}; font-size: {s.size}px;
  line-height: 1.45; -webkit-font-smoothing: antialiased; }}
body {{ min-height: 100vh; display: flow-root; }}
.muted {{ color: {s.muted}; }}
.small {{ font-size: 0.86em; }}
.tiny {{ font-size: 0.78em; }}
.big {{ font-size: 2.3em; font-weight: 700; line-height: 1.2; }}
.title {{ font-size: 1.35em; font-weight: 700; }}
.h2 {{ font-size: 1.12em; font-weight: 600; }}
.bold {{ font-weight: 600; }}
.card {{ background: {s.card}; border-radius: {s.radius}px; padding: 1.1em 1.2em; margin: 0.8em 0; }}
.row {{ display: flex; justify-content: space-between; align-items: baseline; gap: 1.5em; padding: 0.42em 0; }}
.row > :first-child {{ flex-shrink: 0; white-space: nowrap; }}
.row > :last-child {{ text-align: right; overflow-wrap: anywhere; }}
.rule {{ border-top: 1px solid {s.line}; margin: 0.6em 0; }}
.accent {{ color: {accent}; }}
.btn {{ display: block; text-align: center; background: {accent}; color: #fff; border-radius: {s.radius}px;
  padding: 0.75em 1em; font-weight: 600; margin: 1em 0 0.4em; }}
.btn.ghost {{ background: transparent; color: {accent}; border: 1px solid {s.line}; }}
.strike {{ text-decoration: line-through; color: {s.muted}; }}
.tag {{ display: inline-block; border-radius: 4px; padding: 0 0.4em; font-size: 0.8em; background: {accent}22;
  color: {accent}; }}
.mono {{ font-family: 'DejaVu Sans Mono', 'Liberation Mono', monospace; font-size: 0.92em; }}
.center {{ text-align: center; }}
.statusbar {{ display: flex; justify-content: space-between; align-items: center; height: 44px;
  padding: 0 26px 0 30px; font-size: 15px; font-weight: 600; font-family: 'DejaVu Sans', 'Liberation Sans', sans-serif; }}
.navbar {{ display: flex; align-items: center; justify-content: center; position: relative; height: 44px;
  font-weight: 600; font-size: 1.06em; }}
.navbar svg {{ position: absolute; left: 12px; top: 12px; }}
.phone {{ padding: 0 16px 24px; }}
.desk {{ max-width: 760px; margin: 0 auto; padding: 24px 32px 40px; }}
.icon {{ display: inline-block; vertical-align: middle; }}
.flexc {{ display: flex; align-items: center; gap: 0.8em; }}
"""


def svg_icon(color, size=44, radius=10, shape=0):
    inner = [
        f'<circle cx="{size / 2}" cy="{size / 2}" r="{size / 4}" fill="#fff" fill-opacity="0.9"/>',
        f'<path d="M{size * .28} {size * .4} q{size * .22} -{size * .12} {size * .44} 0 M{size * .28} {size * .55} '
        f'q{size * .22} -{size * .1} {size * .44} 0" stroke="#fff" stroke-width="{size / 14}" fill="none"/>',
        f'<polygon points="{size * .38},{size * .28} {size * .38},{size * .72} {size * .74},{size * .5}" fill="#fff"/>',
        f'<rect x="{size * .27}" y="{size * .27}" width="{size * .46}" height="{size * .46}" rx="{size * .08}" '
        f'fill="none" stroke="#fff" stroke-width="{size / 12}"/>',
    ][shape % 4]
    return (f'<svg class="icon" width="{size}" height="{size}" viewBox="0 0 {size} {size}">'
            f'<rect width="{size}" height="{size}" rx="{radius}" fill="{color}"/>{inner}</svg>')


def svg_check(color, size=56):
    return (f'<svg class="icon" width="{size}" height="{size}" viewBox="0 0 56 56"><circle cx="28" cy="28" r="28" '
            f'fill="{color}"/><path d="M16 29 l8 8 l16 -17" stroke="#fff" stroke-width="4.5" fill="none" '
            f'stroke-linecap="round" stroke-linejoin="round"/></svg>')


def svg_back(color):
    return (f'<svg width="20" height="20" viewBox="0 0 20 20"><path d="M13 3 L6 10 L13 17" stroke="{color}" '
            f'stroke-width="2.4" fill="none" stroke-linecap="round"/></svg>')


def svg_avatar(color, size=36):
    return (f'<svg class="icon" width="{size}" height="{size}" viewBox="0 0 36 36"><circle cx="18" cy="18" r="18" '
            f'fill="{color}"/><circle cx="18" cy="14" r="6" fill="#fff" fill-opacity=".85"/><path d="M7 31 q11 -13 22 0" '
            f'fill="#fff" fill-opacity=".85"/></svg>')


def status_bar(f, s):
    r = f.r
    clock = r.choice(["9:41", f"{r.randrange(7, 23)}:{r.randrange(0, 60):02d}"])
    icons = (f'<svg width="70" height="14" viewBox="0 0 70 14"><rect x="0" y="8" width="3" height="5" fill="{s.text}"/>'
             f'<rect x="5" y="6" width="3" height="7" fill="{s.text}"/><rect x="10" y="3" width="3" height="10" '
             f'fill="{s.text}"/><rect x="15" y="0" width="3" height="13" fill="{s.text}"/><path d="M27 5 q7 -6 14 0 '
             f'M30 8 q4 -3 8 0" stroke="{s.text}" stroke-width="2" fill="none"/><rect x="44" y="1" width="22" '
             f'height="12" rx="3" stroke="{s.text}" fill="none"/><rect x="46" y="3" width="{r.randrange(6, 18)}" '
             f'height="8" rx="1.5" fill="{s.text}"/></svg>')
    return f'<div class="statusbar"><span>{clock}</span>{icons}</div>' if s.status_bar else ""


def row(left, right, cls=""):
    return f'<div class="row {cls}"><span class="muted">{left}</span><span>{right}</span></div>'


def ident(f, s, text):
    return f'<span class="mono">{esc(text)}</span>' if s.mono_ids else esc(text)


def money_html(f, big=False):
    """The amount, sometimes with the number set apart from its sign as shops style it."""
    text = f.money()
    if big and f.r.random() < 0.35 and f.form in ("¥{}", "￥{}", "${}", "€{}", "£{}"):
        sign, number = text[0], text[1:]
        return f'<span style="font-size:0.6em">{esc(sign)}</span>{esc(number)}'
    return esc(text)


# ----------------------------------------------------------------------------------------------
# Layouts: each returns the page's body

def name_line(f):
    """The service and its plan, without repeating a word the name already has ("ChatGPT Plus")."""
    words = f.plan.split()
    if words and words[0].lower() in f.name.lower().split():
        words = words[1:]
    return " ".join([f.name] + words)


def old_price_html(f):
    """A struck-through list price and the saving, on some receipts."""
    if f.r.random() < 0.22 and f.amount >= 5:
        old = f.amount * f.r.choice([1.2, 1.25, 1.5, 2])
        old = round(old) if not f.decimals else round(old, 2)
        save = old - f.amount
        saving = f.t(f"省 {f.money(save)}", f"Save {f.money(save)}")
        return old, f'<span class="strike">{esc(f.money(old))}</span> <span class="tag">{esc(saving)}</span>'
    return None, ""


def layout_receipt(f, s):
    """A shop's receipt or order detail page."""
    r = f.r
    t = f.t
    parts = []
    wrap = "phone" if s.phone else "desk"
    if s.phone:
        parts.append(status_bar(f, s))
        parts.append(f'<div class="navbar">{svg_back(s.text)}<span>{esc(t("订单详情", "Order details"))}</span></div>')
    parts.append(f'<div class="{wrap}">')
    if not s.phone:
        parts.append(f'<div class="flexc" style="margin:8px 0 18px">{svg_icon(f.color, 36, 8, r.randrange(4))}'
                     f'<span class="title">{esc(f.company if r.random() < 0.5 else f.name)}</span></div>')
    heading = t(r.choice(["支付成功", "交易成功", "订单已完成"]), r.choice(["Receipt", "Payment receipt", "Your receipt"]))
    parts.append('<div class="card">')
    parts.append(f'<div class="muted">{esc(heading)}</div>')
    parts.append(f'<div class="big" style="margin:0.2em 0">{money_html(f, True)}</div>')
    if f.date:
        paid = t(f"支付时间 {f.date_text(True)}", f"Paid {f.date_text()}")
        parts.append(f'<div class="muted small">{esc(paid)}</div>')
    parts.append('</div><div class="card">')
    parts.append(f'<div class="flexc">{svg_icon(f.color, 40, 9, r.randrange(4))}<div>'
                 f'<div class="bold">{esc(name_line(f))}</div>'
                 f'<div class="muted small">{esc(f.billed())}</div></div></div>')
    parts.append('<div class="rule"></div>')
    old, old_html = old_price_html(f)
    if old:
        parts.append(row(esc(t("原价", "List price")), old_html))
        parts.append(row(esc(t(r.choice(["优惠", "优惠券", "活动立减"]), r.choice(["Discount", "Promo code"]))),
                         esc("-" + f.money(old - f.amount))))
    parts.append(row(esc(t("数量", "Qty")), r.choice(["1", "x1", "×1"])))
    tax = None
    if not f.zh_ui() and f.currency in ("USD", "EUR", "GBP") and r.random() < 0.3 and f.amount > 3:
        tax = round(f.amount * r.choice([0.07, 0.0825, 0.2 / 1.2]), 2)
        parts.append(row("Subtotal", esc(f.money(f.amount - tax))))
        parts.append(row(esc(r.choice(["Tax", "VAT", "Sales tax"])), esc(f.money(tax))))
    label = t(r.choice(["实付款", "实付金额", "合计", "应付金额"]), r.choice(["Total", "Amount paid", "Total due"]))
    parts.append(f'<div class="row"><span class="bold">{esc(label)}</span><span class="bold">{esc(f.money())}</span></div>')
    parts.append('</div><div class="card">')
    parts.append(row(esc(t("订单编号", "Order number")), ident(f, s, f.order_id())))
    if f.date:
        parts.append(row(esc(t("下单时间", "Order date")), esc(f.date_text(r.random() < 0.6))))
    parts.append(row(esc(t("支付方式", "Payment method")), esc(f.card())))
    nxt = f.next_date()
    if nxt and r.random() < 0.5:
        parts.append(row(esc(t("下次扣款", "Next charge")), esc(f.fmt_date(nxt))))
    if r.random() < 0.5:
        parts.append(row(esc(t("账号", "Account")), esc(f.masked_phone() if f.zh_ui() else f.mail)))
    parts.append('</div>')
    if r.random() < 0.6:
        parts.append(f'<p class="muted small center" style="margin-top:1em">'
                     f'{esc(t("如有疑问请联系客服 " + f.phone(), "Questions? Contact support at " + f.phone()))}</p>')
    parts.append('</div>')
    return "".join(parts)


def email_details(f, s):
    """Greeting, a sentence and a box of label/value rows."""
    r = f.r
    t = f.t
    out = []
    greeting = t(r.choice([f"{f.person}，您好：", "尊敬的用户，您好！", f"亲爱的 {f.person}："]),
                 r.choice([f"Hi {f.person.split()[0]},", f"Hello {f.person},", "Dear customer,"]))
    out.append(f'<p style="margin-bottom:12px">{esc(greeting)}</p>')
    if f.one_time:
        body = t(f"感谢您的购买！您已成功购买 {f.name} {f.plan}（{f.billed()}），以下是您的订单信息。",
                 f"Thanks for your purchase! You now have {f.name} {f.plan} ({f.billed()}). Here are your order details.")
    else:
        body = t(f"感谢您订阅 {f.name} {f.plan}。您的会员已开通，我们已从您的账户扣款 {f.money()}。",
                 f"Thanks for subscribing to {f.name} {f.plan}. We've charged {f.money()} to your payment method.")
    out.append(f'<p style="margin-bottom:16px">{esc(body)}</p>')
    out.append(f'<div style="border:1px solid {s.line};border-radius:{s.radius}px;padding:12px 16px">')
    out.append(row(esc(t("订单号", "Order ID")), ident(f, s, f.order_id())))
    if f.date:
        out.append(row(esc(t("日期", "Date")), esc(f.date_text())))
    out.append(row(esc(t("商品", "Item")), esc(f"{f.plan}" if f.plan not in f.name else f.name)))
    out.append(row(esc(t("周期", "Billing")), esc(f.billed() if f.one_time else f.duration())))
    if not f.one_time and r.random() < 0.7:
        out.append(row(esc(t("续订方式", "Renewal")), esc(f.billed())))
    out.append(row(esc(t("支付方式", "Paid with")), esc(f.card())))
    out.append('<div class="rule"></div>')
    out.append(f'<div class="row"><span class="bold">{esc(t("合计", "Total"))}</span>'
               f'<span class="bold">{esc(f.money())}</span></div>')
    out.append('</div>')
    return "".join(out)


def email_grid(f, s):
    """A store's receipt: small capital labels over their values in columns, then the purchase."""
    r = f.r
    t = f.t
    out = [f'<div class="title" style="margin-bottom:14px">{esc(t("收据", "Receipt"))}</div>']
    cells = [(t("账户", "ACCOUNT"), f.mail), (t("付款方式", "BILLED TO"), f.card())]
    if f.date:
        cells.insert(1, (t("日期", "DATE"), f.date_text()))
    cells.append((t("订单号", "ORDER ID"), f.order_id()))
    if r.random() < 0.6:
        cells.append((t("文档号", "DOCUMENT NO."), "".join(str(r.randrange(10)) for _ in range(12))))
    columns = 2 if s.phone else 3
    out.append(f'<div style="display:grid;grid-template-columns:repeat({columns}, 1fr);gap:12px 18px;'
               f'background:{s.bg};border-radius:{s.radius}px;padding:14px 16px">')
    for label, value in cells:
        out.append(f'<div><div class="muted tiny">{esc(label)}</div><div class="small">{ident(f, s, value)}</div></div>')
    out.append('</div>')
    out.append(f'<div class="h2" style="margin:18px 0 8px">{r.choice(["App Store", "Google Play", esc(f.company)])}</div>')
    nxt = f.next_date()
    renews = f.billed() if f.one_time or not nxt else \
        t(f"续订日期 {f.fmt_date(nxt)}", f"Renews {f.fmt_date(nxt)}")
    term = f"{f.plan}（{f.duration()}）" if f.zh_ui() else f"{f.plan} ({f.duration()})"
    out.append(f'<div style="display:flex;gap:12px;align-items:flex-start">{svg_icon(f.color, 48, 11, r.randrange(4))}'
               f'<div style="flex:1"><div class="bold">{esc(f.name)}</div><div class="muted small">{esc(term)}</div>'
               f'<div class="muted small">{esc(renews)}</div></div><div class="bold">{esc(f.money())}</div></div>')
    out.append('<div class="rule"></div>')
    out.append(f'<div class="row"><span class="bold">{esc(t("总计", "TOTAL"))}</span>'
               f'<span class="bold">{esc(f.money())}</span></div>')
    return "".join(out)


def email_letter(f, s):
    """A notice written as a letter: everything in sentences and "label: value" lines."""
    r = f.r
    t = f.t
    zh = f.zh_ui()
    colon = "：" if zh else ": "
    out = [f'<p style="margin-bottom:12px">{esc(t("尊敬的用户：", f"Dear {f.person},"))}</p>']
    when = f.date_text() if f.date else t("近日", "recently")
    if f.one_time:
        text = t(f"您于 {when} 购买的 {name_line(f)}（{f.billed()}）已支付成功，支付金额 {f.money()}。",
                 f"Your purchase of {name_line(f)} ({f.billed()}) on {when} was successful. Amount: {f.money()}.")
    else:
        text = t(f"您于 {when} 开通的 {name_line(f)}（{f.billed()}）已扣费成功，扣费金额 {f.money()}。",
                 f"Your {name_line(f)} subscription ({f.billed()}) started on {when}. Amount charged: {f.money()}.")
    out.append(f'<p style="margin-bottom:12px">{esc(text)}</p>')
    lines = [(t("订单号", "Order number"), f.order_id()), (t("支付方式", "Payment method"), f.card())]
    if r.random() < 0.5:
        lines.append((t("账号", "Account"), f.masked_phone() if zh else f.mail))
    for label, value in lines:
        out.append(f'<p>{esc(label + colon)}{ident(f, s, value)}</p>')
    out.append(f'<p style="margin-top:12px">{esc(t(f"如非本人操作，请及时联系客服 {f.phone()}。", f"If you did not make this purchase, call us at {f.phone()}."))}</p>')
    return "".join(out)


def layout_email(f, s):
    """A receipt e-mail as a web mail client shows it."""
    r = f.r
    t = f.t
    sender = f"{f.company if r.random() < 0.5 else f.name} <{r.choice(['no-reply', 'noreply', 'billing', 'receipts'])}@" \
             f"{r.choice(['', 'mail.', 'email.'])}{f.domain}>"
    subject = r.choice([
        t(f"您的 {f.name} 收据", f"Your {f.name} receipt"),
        t(f"{f.name} 订阅确认", f"Your subscription to {f.name} is confirmed"),
        t(f"付款成功：{f.name}", f"Payment received - {f.name}"),
        t("您的订单收据", f"Your receipt from {f.company}"),
    ])
    when = ""
    if f.date:
        d = f.date
        when = t(f"{d.year}年{d.month}月{d.day}日 {WEEKDAYS_ZH[d.weekday()]} {r.randrange(7, 23)}:{r.randrange(60):02d}",
                 f"{WEEKDAYS_EN[d.weekday()]}, {MONTHS_EN[d.month - 1][:3]} {d.day}, {r.randrange(1, 12)}:"
                 f"{r.randrange(60):02d} {r.choice(['AM', 'PM'])}")
    parts = []
    if s.phone:
        parts.append(status_bar(f, s))
        parts.append(f'<div class="navbar" style="justify-content:flex-start;padding-left:36px">{svg_back(s.text)}'
                     f'<span class="accent" style="font-weight:400">{esc(t("收件箱", "Inbox"))}</span></div>')
        parts.append('<div style="padding:4px 16px">')
    else:
        search = t("搜索邮件", "Search mail") if r.random() < 0.5 else ""
        parts.append(f'<div style="display:flex;align-items:center;gap:24px;padding:12px 24px;height:58px;'
                     f'border-bottom:1px solid {s.line}">{svg_avatar(f.color if r.random() < 0.3 else "#8886", 28)}'
                     f'<span class="muted" style="background:{s.card};border-radius:20px;padding:6px 18px;'
                     f'width:480px;min-height:2.2em">{esc(search)}</span></div>')
        parts.append('<div style="padding:16px 48px;max-width:1000px">')
    parts.append(f'<div class="title" style="margin:6px 0 12px">{esc(subject)}</div>')
    if s.phone:
        sender_name, address = sender.split(" <")
        short = f.fmt_date(f.date, "slash" if f.zh_ui() else "mdy") if f.date and r.random() < 0.5 else \
            f"{r.randrange(7, 23)}:{r.randrange(60):02d}"
        parts.append(f'<div style="display:flex;gap:12px;align-items:flex-start">{svg_avatar(f.color)}<div style="flex:1">'
                     f'<div class="row" style="padding:0"><span class="bold">{esc(sender_name)}</span>'
                     f'<span class="muted small" style="white-space:nowrap">{esc(short)}</span></div>'
                     f'<div class="muted small">{esc("<" + address)}</div>'
                     f'<div class="muted small">{esc(t("发送至 我", "To: me"))}</div></div></div>')
    else:
        parts.append(f'<div style="display:flex;gap:12px;align-items:flex-start">{svg_avatar(f.color)}<div style="flex:1">'
                     f'<div class="row" style="padding:0"><span class="bold">{esc(sender)}</span>'
                     f'<span class="muted small" style="white-space:nowrap">{esc(when)}</span></div>'
                     f'<div class="muted small">{esc(t("发送至 我", "to me"))}</div></div></div>')
    parts.append('</div>')
    mail_bg = s.card if s.bg == "#ffffff" or s.dark else "#ffffff"
    parts.append(f'<div style="max-width:620px;margin:16px auto;padding:{"0 12px" if s.phone else "0"}">')
    parts.append(f'<div style="background:{mail_bg};border-radius:{s.radius}px;padding:24px 28px">')
    parts.append(f'<div class="flexc" style="margin-bottom:18px">{svg_icon(f.color, 34, 8, r.randrange(4))}'
                 f'<span class="h2">{esc(f.name)}</span></div>')
    parts.append(r.choice([email_details, email_details, email_grid, email_letter])(f, s))
    nxt = f.next_date()
    if nxt and r.random() < 0.6:
        parts.append(f'<p style="margin-top:14px">{esc(t(f"下次扣费日期为 {f.fmt_date(nxt)}，您可以随时在账户设置中取消。", f"Your next payment is due on {f.fmt_date(nxt)}. You can cancel anytime in your account settings."))}</p>')
    parts.append(f'<p class="muted small" style="margin-top:18px">'
                 f'{esc(t(f"如有疑问，请致电 {f.phone()} 或访问 help.{f.domain}", f"Need help? Visit help.{f.domain} or call {f.phone()}."))}</p>')
    parts.append(f'<div class="rule" style="margin:18px 0 10px"></div><p class="muted tiny">'
                 f'{esc(t("此邮件由系统自动发送，请勿直接回复。", "This email was sent to " + f.mail + ". Please do not reply."))}</p>'
                 f'<p class="muted tiny">{esc(f.address())}</p>'
                 f'<p class="muted tiny">{esc(t(f"© {(f.date or datetime.date(2026, 1, 1)).year} {f.company} 版权所有", f"© {(f.date or datetime.date(2026, 1, 1)).year} {f.company} All rights reserved."))}'
                 f'  <span class="accent">{esc(t("退订", "Unsubscribe"))}</span></p>')
    parts.append('</div></div>')
    return "".join(parts)


def layout_plan(f, s):
    """An account page that shows the current plan."""
    r = f.r
    t = f.t
    parts = []
    if s.phone:
        parts.append(status_bar(f, s))
        title = t(r.choice(["会员中心", "我的账户", "账户管理", "自动续费管理"]),
                  r.choice(["Manage plan", "Account", "Subscription", "Settings"]))
        parts.append(f'<div class="navbar">{svg_back(s.text)}<span>{esc(title)}</span></div>')
        parts.append('<div class="phone">')
    else:
        links = [t("首页", "Home"), t("发现", "Explore"), t("账户", "Account")]
        parts.append(f'<div style="display:flex;align-items:center;justify-content:space-between;padding:14px 40px;'
                     f'border-bottom:1px solid {s.line}"><div class="flexc">{svg_icon(f.color, 30, 7, r.randrange(4))}'
                     f'<span class="h2">{esc(f.name)}</span></div><div style="display:flex;gap:28px">'
                     + "".join(f'<span class="muted">{esc(x)}</span>' for x in links) +
                     f'</div>{svg_avatar("#8884", 30)}</div>')
        parts.append('<div class="desk">')
        if r.random() < 0.5:
            heading = t(r.choice(["订阅与账单", "账户设置"]), r.choice(["Subscription & billing", "Account settings"]))
            parts.append(f'<div class="title" style="margin:8px 0 4px">{esc(heading)}</div>')
    parts.append('<div class="card">')
    parts.append(f'<div class="muted small">{esc(t(r.choice(["当前套餐", "当前方案"]), r.choice(["Your plan", "Current plan", "You are on"])))}</div>')
    parts.append(f'<div class="flexc" style="margin:0.5em 0">{svg_icon(f.color, 44, 10, r.randrange(4))}<div>'
                 f'<div class="h2">{esc(name_line(f))}</div><div class="muted small">{esc(f.billed())}</div></div></div>')
    per = f.per()
    parts.append(f'<div style="margin:0.4em 0"><span class="big" style="font-size:1.9em">{money_html(f, True)}</span>'
                 f'<span class="muted">{esc(per)}</span></div>')
    parts.append('</div><div class="card">')
    if f.date:
        parts.append(row(esc(t(r.choice(["开通时间", "订阅日期"]), r.choice(["Member since", "Started on"]))),
                         esc(f.date_text())))
    nxt = f.next_date()
    if nxt:
        parts.append(row(esc(t("下次续费", "Next billing date")), esc(f.fmt_date(nxt))))
    parts.append(row(esc(t("支付方式", "Payment method")), esc(f.card())))
    if r.random() < 0.5:
        parts.append(row(esc(t("账号", "Account")), esc(f.mail)))
    if f.key in ("icloud", "googleone", "dropbox", "baidupan", "aliyunpan") and r.random() < 0.7:
        size = re.match(r"(\d+)\s*(GB|TB)", f.plan)
        total = r.choice([200, 1024, 2048]) if not size else int(size[1]) * (1024 if size[2] == "TB" else 1)
        used = round(r.uniform(0.05, 0.9) * total, 1)
        parts.append(row(esc(t("已用空间", "Storage used")), esc(f"{used} GB / {total} GB" if f.zh_ui() else f"{used} GB of {total} GB")))
    parts.append('</div>')
    if f.one_time:
        parts.append(f'<div class="btn ghost">{esc(t("查看购买记录", "View purchase history"))}</div>')
    else:
        parts.append(f'<div class="btn">{esc(t("更改套餐", "Change plan"))}</div>')
        parts.append(f'<div class="btn ghost">{esc(t("取消自动续费", "Cancel subscription"))}</div>')
    parts.append('</div>')
    return "".join(parts)


def layout_payment(f, s):
    """The confirmation a payment page or a wallet app shows after paying."""
    r = f.r
    t = f.t
    green = r.choice(["#07c160", "#1677ff", "#22a06b", "#635bff", f.color])
    parts = []
    if s.phone:
        parts.append(status_bar(f, s))
        parts.append(f'<div class="navbar">{svg_back(s.text)}<span>{esc(t("支付结果", "Payment"))}</span></div>')
        parts.append('<div class="phone" style="padding-top:24px">')
    else:
        parts.append('<div style="max-width:480px;margin:60px auto">')
        parts.append(f'<div class="card" style="padding:32px 36px">')
    parts.append(f'<div class="center">{svg_check(green)}</div>')
    parts.append(f'<div class="center title" style="margin-top:12px">'
                 f'{esc(t(r.choice(["支付成功", "付款成功", "开通成功"]), r.choice(["Payment successful", "Payment complete", "Thank you!"])))}</div>')
    parts.append(f'<div class="center big" style="margin:0.35em 0">{money_html(f, True)}</div>')
    parts.append(f'<div class="center h2">{esc(name_line(f))}</div>')
    if r.random() < 0.5:
        parts.append(f'<div class="center muted">{esc(t(f"已支付给 {f.company}", f"Paid to {f.company}"))}</div>')
    parts.append(f'<div class="{"card" if s.phone else ""}" style="margin-top:20px">')
    parts.append(row(esc(t("商品", "Product")), esc(name_line(f))))
    parts.append(row(esc(t("类型", "Type")), esc(f.billed())))
    parts.append(row(esc(t("收款方", "Merchant")), esc(f.company)))
    parts.append(row(esc(t("支付方式", "Payment method")), esc(f.card())))
    if f.date:
        parts.append(row(esc(t("支付时间", "Date")), esc(f.date_text(True))))
    parts.append(row(esc(t(r.choice(["交易单号", "订单号"]), r.choice(["Transaction ID", "Reference"]))),
                     ident(f, s, f.order_id())))
    if r.random() < 0.4:
        parts.append(row(esc(t("商户单号", "Invoice")), ident(f, s, f.order_id())))
    parts.append('</div>')
    parts.append(f'<div class="btn" style="background:{green}">{esc(t("完成", "Done"))}</div>')
    parts.append('</div>' if s.phone else '</div></div>')
    return "".join(parts)


def layout_store(f, s):
    """An app store's subscription sheet or purchase confirmation."""
    r = f.r
    t = f.t
    google = r.random() < 0.4
    parts = []
    dim = "#5a5a5e" if not s.dark else "#0a0a0a"
    ghost = "#6c6c70" if not s.dark else "#1a1a1c"
    parts.append(f'<div style="min-height:100vh;display:flex;flex-direction:column;background:{dim}">')
    if s.phone:
        parts.append(status_bar(f, s).replace('class="statusbar"', 'class="statusbar" style="color:#fff"'))
    # the dimmed page behind the sheet
    parts.append(f'<div style="padding:12px 16px">' + "".join(
        f'<div style="height:{h}px;margin-bottom:12px;border-radius:10px;background:{ghost}"></div>'
        for h in ([120, 40, 40] if s.phone else [80, 30])) + '</div>')
    bottom = "0 0" if s.phone else f"{s.radius + 6}px {s.radius + 6}px"
    parts.append(f'<div style="width:{"100%" if s.phone else "440px"};margin:{"auto 0 0" if s.phone else "0 auto 48px"};'
                 f'background:{s.card};border-radius:{s.radius + 6}px {s.radius + 6}px {bottom};padding:18px 20px 28px">')
    store_name = "Google Play" if google else "App Store"
    parts.append(f'<div class="row" style="padding-top:0"><span class="h2">{store_name}</span>'
                 f'<span class="accent">{esc(t("取消", "Cancel"))}</span></div>')
    parts.append('<div class="rule"></div>')
    title = name_line(f)
    parts.append(f'<div class="flexc" style="margin:0.6em 0">{svg_icon(f.color, 56, 13, r.randrange(4))}<div>'
                 f'<div class="h2">{esc(f.name)}</div>'
                 f'<div class="muted small">{esc(f"{f.plan}（{f.duration()}）" if f.zh_ui() else f"{f.plan} ({f.duration()})")}</div>'
                 f'</div></div>')
    parts.append('<div class="rule"></div>')
    per = f.per()
    if f.one_time:
        parts.append(row(esc(t("价格", "Price")), esc(f.money())))
        parts.append(f'<p class="small muted" style="margin:0.6em 0">'
                     f'{esc(t(f"{f.billed()}：一次付款 {f.money()}，无需续订。", f"{f.billed()}: you pay {f.money()} once; nothing renews."))}</p>')
    else:
        what = f.plan if r.random() < 0.5 else t("订阅", "Subscription")
        parts.append(f'<div class="row"><span class="bold">{esc(what)}</span>'
                     f'<span class="bold">{esc(f.money())}{esc(per)}</span></div>')
        renew = t(f"订阅将以 {f.money()}{per} 自动续订，直至取消。{f.billed()}，可随时在设置中取消。",
                  f"{f.billed()}. Renews automatically at {f.money()}{per} until cancelled. Cancel anytime in Settings.")
        parts.append(f'<p class="small muted" style="margin:0.6em 0">{esc(renew)}</p>')
    if f.date:
        parts.append(row(esc(t("购买日期", "Purchase date")), esc(f.date_text())))
    parts.append(row(esc(t("账户", "Account")), esc(f.mail)))
    if google:
        parts.append(row(esc(t("付款方式", "Payment")), esc(f.card())))
    parts.append(f'<div class="btn" style="background:{"#01875f" if google else "#0a84ff"}">'
                 f'{esc(t(r.choice(["订阅", "确认"]), r.choice(["Subscribe", "Confirm"])) if not f.one_time else t("购买", "Buy"))}</div>')
    if r.random() < 0.5:
        parts.append(f'<p class="tiny muted center">{esc(t("订单号 ", "Order ") + f.order_id())}</p>')
    parts.append('</div></div>')
    return "".join(parts)


LAYOUTS = {"receipt": layout_receipt, "email": layout_email, "plan": layout_plan, "payment": layout_payment,
           "store": layout_store}


def page(f, s, body):
    lang = "en" if f.lang == "en" else "zh-CN"
    return (f'<!doctype html><html lang="{lang}"><head><meta charset="utf-8">'
            f'<meta name="viewport" content="width=device-width, initial-scale=1"><style>{css(s, f.color)}</style></head>'
            f'<body>{body}</body></html>')


# ----------------------------------------------------------------------------------------------

def check_fonts():
    listed = subprocess.run(["fc-list", ":", "family"], capture_output=True, text=True, check=True).stdout
    families = {name.strip() for line in listed.splitlines() for name in line.split(",")}
    missing = [name for name, _ in TYPEFACES if name not in families]
    if missing:
        sys.exit("missing fonts: " + ", ".join(missing) + " (scripts/install-deps.sh --corpus installs them)")


def parse_with(cli, text):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    done = subprocess.run([cli, "parse", "--json"], input=text.encode("utf-8"), capture_output=True, env=env,
                          check=True)
    return json.loads(done.stdout)


def differences(intended, proposal):
    """The fields the parser reads otherwise than the receipt was written."""
    wrong = []
    name = proposal.get("name") or ""
    if intended["name"].lower() not in name.lower():
        wrong.append(f"name {name!r}")
    if abs(float(proposal.get("amount") or 0) - intended["amount"]) > 0.005:
        wrong.append(f"amount {proposal.get('amount')}")
    if proposal.get("currency") != intended["currency"]:
        wrong.append(f"currency {proposal.get('currency')}")
    if proposal.get("billingType") != intended["billingType"]:
        wrong.append(f"type {proposal.get('billingType')}")
    if intended["cycle"] and proposal.get("cycle") != intended["cycle"]:
        wrong.append(f"cycle {proposal.get('cycle')}")
    if intended["startDate"] and (proposal.get("startDate") or "")[:10] != intended["startDate"]:
        wrong.append(f"date {(proposal.get('startDate') or '')[:10]}")
    return wrong


def main():
    args = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    args.add_argument("--out", required=True, help="the folder to write the receipts into")
    args.add_argument("--count", type=int, default=200)
    args.add_argument("--seed", type=int, default=1)
    args.add_argument("--keep-html", action="store_true", help="also write each page's LABEL.html")
    args.add_argument("--cli", help="a renewly-cli whose parser reads every truth text, to count what it misreads")
    args.add_argument("--typefaces", help="only typefaces whose family names contain one of these, comma-separated")
    args.add_argument("--layouts", help="only these layouts, comma-separated: " + ",".join(LAYOUTS))
    args.add_argument("--languages", help="only these languages, comma-separated: zh,en,mixed")
    args.add_argument("--theme", choices=["dark", "light"], help="only this theme")
    opts = args.parse_args()
    if opts.count < 1:
        sys.exit("--count must be at least 1")

    def narrowed(option, choices, key=lambda c: c, match=lambda part, c: part == c):
        if not option:
            return choices
        parts = [p.strip() for p in option.split(",") if p.strip()]
        kept = [c for c in choices if any(match(p, key(c)) for p in parts)]
        if not kept:
            sys.exit(f"nothing matches {option!r}; choose among {', '.join(key(c) for c in choices)}")
        return kept

    typefaces = narrowed(opts.typefaces, TYPEFACES, key=lambda t: t[0], match=lambda p, c: p.lower() in c.lower())
    layouts = narrowed(opts.layouts, list(LAYOUTS))
    languages = narrowed(opts.languages, ["zh", "en", "mixed"])
    check_fonts()
    os.makedirs(opts.out, exist_ok=True)

    r = random.Random(opts.seed)
    started = time.monotonic()
    browser = Browser()
    styles = []
    intended = []
    written = {}
    try:
        for index in range(opts.count):
            layout = r.choices(list(LAYOUTS), [20, 25, 20, 18, 17])[0]
            lang = r.choices(["zh", "en", "mixed"], [40, 35, 25])[0]
            layout = layout if layout in layouts else r.choice(layouts)
            lang = lang if lang in languages else r.choice(languages)
            f = Facts(random.Random(r.getrandbits(64)), lang)
            s = Style(f.r, layout, lang, typefaces, opts.theme)
            markup = page(f, s, LAYOUTS[layout](f, s))
            label = f"{index:04d}-{layout}-{lang}-{'dark' if s.dark else 'light'}-{s.size}px"
            text, image, _ = browser.render(markup, s)
            extension = ".jpg" if s.jpeg else ".png"
            with open(os.path.join(opts.out, label + extension), "wb") as out:
                out.write(image)
            with open(os.path.join(opts.out, label + ".txt"), "w", encoding="utf-8") as out:
                out.write(text + "\n")
            if opts.keep_html:
                with open(os.path.join(opts.out, label + ".html"), "w", encoding="utf-8") as out:
                    out.write(markup)
            styles.append(style_row(label, s.typeface, s.file_kind(), s.phone, s.scale))
            facts = f.intended()
            intended.append(intended_row(label, facts))
            written[label] = (text, facts)
    finally:
        browser.close()
    write_tables(opts.out, styles, intended)
    print(f"{opts.count} receipts in {opts.out} in {time.monotonic() - started:.1f} s")

    if opts.cli:
        misread = []
        for label, (text, facts) in written.items():
            wrong = differences(facts, parse_with(opts.cli, text))
            if wrong:
                misread.append(f"{label}: " + ", ".join(wrong))
        print(f"the parser reads {len(written) - len(misread)} of {len(written)} truth texts as intended")
        for line in misread:
            print("  " + line)
    return 0


if __name__ == "__main__":
    sys.exit(main())
