#!/usr/bin/env python3
"""Demo shop server for Tolvane.

Serves the shop site (catalogue pages, /1.txt, /new.txt) and the official
site (home, merchant sign-up) on 127.0.0.1, optionally bending its answers
according to a JSON script so tests can feed the client awkward responses.
README.md beside this file documents the options and the script format.

Python 3 standard library only.
"""

import argparse
import base64
import binascii
import html
import http
import json
import math
import signal
import socket
import socketserver
import sys
import threading
import time
from pathlib import Path
from urllib.parse import parse_qs, urlsplit

import chaos

BIND_HOST = "127.0.0.1"
DEFAULT_SHOP_PORT = 8765
DEFAULT_OFFICIAL_PORT = 8766
DEFAULT_DATA_DIR = Path(__file__).resolve().parent.parent.parent / "demo" / "shop"
SERVER_NAME = "TolvaneDemoShop/1.0"

MAX_HEAD = 64 * 1024
MAX_BODY = 1024 * 1024
# A script typo like 5000 instead of 5 should fail loudly, not hang a test run.
MAX_DELAY = 3600.0

SECTION_URLS = {
    "nine": "/?mod=goods&ac=nine",
    "nineteen": "/?mod=goods&ac=nineteen",
    "jingpin": "/?mod=goods&ac=jingpin",
    "brand": "/?mod=brand",
}
GOODS_SECTIONS = ("nine", "nineteen", "jingpin")

HTML_TYPE = "text/html; charset=utf-8"
STATUS_TYPE = "text/plain"
NOTICE_TYPE = "text/plain; charset=gbk"


class ConfigError(Exception):
    """Bad command line, data or script: reported and exit status 2."""


def reason_phrase(code):
    try:
        return http.HTTPStatus(code).phrase
    except ValueError:
        return "Status"


# ---------------------------------------------------------------- catalogue


class Catalog:
    def __init__(self, data):
        self.shop_name = data["shop_name"]
        self.slogan = data["slogan"]
        self.banner = data["banner"]
        self.sections = data["sections"]
        self.by_key = {s["key"]: s for s in self.sections}

    @classmethod
    def load(cls, path):
        try:
            data = json.loads(Path(path).read_text(encoding="utf-8"))
        except (OSError, ValueError) as e:
            raise ConfigError(f"cannot read catalogue {path}: {e}") from e
        problems = validate_catalog(data)
        if problems:
            raise ConfigError(f"bad catalogue {path}: " + "; ".join(problems))
        return cls(data)


def validate_catalog(data):
    """Return a list of problems; empty when the catalogue is usable."""
    problems = []
    if not isinstance(data, dict):
        return ["top level must be an object"]
    for key in ("shop_name", "slogan", "banner"):
        if not isinstance(data.get(key), str) or not data.get(key):
            problems.append(f"{key} must be a non-empty string")
    sections = data.get("sections")
    if not isinstance(sections, list):
        return problems + ["sections must be a list"]
    keys = [s.get("key") for s in sections if isinstance(s, dict)]
    if sorted(keys) != sorted(SECTION_URLS) or len(keys) != len(sections):
        problems.append(f"sections must be exactly {sorted(SECTION_URLS)}, got {keys}")
    for s in sections:
        if not isinstance(s, dict):
            continue
        where = s.get("key", "?")
        for key in ("nav", "title", "blurb"):
            if not isinstance(s.get(key), str):
                problems.append(f"{where}: {key} must be a string")
        items = s.get("items")
        if not isinstance(items, list) or not items:
            problems.append(f"{where}: items must be a non-empty list")
            continue
        for i, item in enumerate(items):
            if not isinstance(item, dict):
                problems.append(f"{where}[{i}]: must be an object")
                continue
            for key in ("name", "color", "glyph"):
                if not isinstance(item.get(key), str) or not item.get(key):
                    problems.append(f"{where}[{i}]: {key} must be a non-empty string")
            for key in ("price", "was"):
                if not isinstance(item.get(key), (int, float)) or item.get(key) <= 0:
                    problems.append(f"{where}[{i}]: {key} must be a positive number")
            if not isinstance(item.get("sold", 0), int):
                problems.append(f"{where}[{i}]: sold must be an integer")
            if not all(isinstance(t, str) for t in item.get("tags", [])):
                problems.append(f"{where}[{i}]: tags must be strings")
    return problems


# ---------------------------------------------------------------- pages

CSS = """
*{box-sizing:border-box}
body{margin:0;background:#f4f4f4;color:#333;font:12px/1.5 "Microsoft YaHei","PingFang SC","Noto Sans CJK SC","WenQuanYi Micro Hei",sans-serif}
a{color:inherit;text-decoration:none}
.top{background:#e8383d;color:#fff;height:46px;padding:0 12px}
.top .logo{float:left;font-size:22px;font-weight:bold;line-height:46px;letter-spacing:1px}
.top .logo b{display:inline-block;background:#fff;color:#e8383d;border-radius:4px;font-size:15px;line-height:22px;padding:0 5px;margin-right:6px;vertical-align:3px}
.top .slogan{float:right;line-height:46px;font-size:12px;opacity:.9}
.nav{background:#fff;border-bottom:2px solid #e8383d;height:34px;padding:0 6px;white-space:nowrap;overflow:hidden}
.nav a{display:inline-block;line-height:32px;padding:0 14px;font-size:14px;color:#333}
.nav a.on{background:#e8383d;color:#fff}
.nav .side{float:right;font-size:12px;color:#999}
.wrap{padding:6px 8px 10px}
.banner{background:#ff7a45;background-image:linear-gradient(90deg,#ff5b4a,#ffa53d);color:#fff;height:54px;line-height:54px;font-size:18px;font-weight:bold;text-align:center;border-radius:4px;margin-bottom:6px;letter-spacing:2px}
.head{height:28px;line-height:28px;padding:0 2px}
.head h2{display:inline;margin:0;font-size:15px;color:#e8383d}
.head span{color:#999;margin-left:8px}
.head .more{float:right;color:#999}
.grid{margin:0 -4px}
.grid:after{content:"";display:block;clear:both}
.card{float:left;width:25%;padding:4px}
.card .in{background:#fff;border:1px solid #ececec;border-radius:3px;overflow:hidden}
.pic{position:relative;height:92px;line-height:92px;text-align:center;color:#fff;font-size:42px;font-weight:bold;background-image:radial-gradient(circle at 50% 50%,rgba(255,255,255,.28) 0,rgba(255,255,255,.28) 34px,rgba(255,255,255,0) 35px)}
.pic .off{position:absolute;right:0;top:0;background:rgba(0,0,0,.28);font-size:11px;line-height:17px;padding:0 5px;font-weight:normal;border-bottom-left-radius:3px}
.pic .flag{position:absolute;left:0;top:0;background:#ffd23f;color:#c0392b;font-size:11px;line-height:17px;padding:0 5px;font-weight:normal;border-bottom-right-radius:3px}
.name{padding:4px 6px 0;height:36px;line-height:16px;overflow:hidden;font-size:12px}
.name em{font-style:normal;color:#e8383d}
.row{padding:0 6px 6px;height:26px;line-height:24px;white-space:nowrap;overflow:hidden}
.price{color:#e8383d;font-size:16px;font-weight:bold}
.price i{font-style:normal;font-size:12px}
.was{color:#aaa;text-decoration:line-through;margin-left:3px}
.tag{float:right;margin-top:5px;border:1px solid #e8383d;color:#e8383d;font-size:11px;line-height:13px;padding:0 2px;border-radius:2px}
.sold{color:#aaa;font-size:11px;padding:0 6px 4px;margin-top:-4px}
.foot{clear:both;color:#aaa;text-align:center;padding:10px 0 14px}
.foot a{color:#888;margin:0 6px}
.box{background:#fff;border:1px solid #ececec;border-radius:4px;padding:12px 16px;margin-bottom:8px}
.box h2{margin:0 0 6px;font-size:16px;color:#e8383d}
.hero{background:#e8383d;background-image:linear-gradient(135deg,#e8383d,#ff8a3d);color:#fff;border-radius:4px;padding:18px 22px;margin-bottom:8px}
.hero h1{margin:0;font-size:24px}
.hero p{margin:6px 0 12px;font-size:14px;opacity:.95}
.btn{display:inline-block;background:#fff;color:#e8383d;border-radius:3px;padding:4px 16px;font-size:14px;font-weight:bold;margin-right:8px;border:0}
.btn.red{background:#e8383d;color:#fff}
.cols{margin:0 -4px}
.cols:after{content:"";display:block;clear:both}
.col{float:left;width:33.333%;padding:0 4px}
.col .box{height:92px}
.col b{display:block;font-size:14px;color:#e8383d}
ul.rules{margin:0;padding-left:18px}
form .f{margin:5px 0}
form label{display:inline-block;width:80px;text-align:right;margin-right:6px;color:#666}
form input{width:240px;border:1px solid #ccc;border-radius:2px;padding:3px 5px;font:inherit}
.ok{color:#2e8b57;font-size:14px;font-weight:bold}
.missing{text-align:center;padding:40px 0}
.missing h1{color:#e8383d;font-size:40px;margin:0}
"""


def esc(text):
    return html.escape(str(text), quote=True)


def money(value):
    return f"{value:.1f}"


def page(title, header_html, nav_html, main_html, foot_html):
    return (
        "<!DOCTYPE html>\n"
        '<html lang="zh-CN">\n<head>\n<meta charset="utf-8">\n'
        '<meta name="viewport" content="width=device-width, initial-scale=1">\n'
        f"<title>{esc(title)}</title>\n<style>{CSS}</style>\n</head>\n<body>\n"
        f"{header_html}\n{nav_html}\n<div class=\"wrap\">\n{main_html}\n"
        f"<div class=\"foot\">{foot_html}</div>\n</div>\n</body>\n</html>\n"
    ).encode("utf-8")


class Pages:
    """Renders both sites' pages from the catalogue and the known ports."""

    def __init__(self, catalog, ports):
        self.catalog = catalog
        self.ports = ports  # site name -> port, filled in once bound

    def site_url(self, site, path="/"):
        return f"http://{BIND_HOST}:{self.ports[site]}{path}"

    # -- shop

    def shop_header(self):
        c = self.catalog
        return (f'<div class="top"><a class="logo" href="/"><b>包邮</b>{esc(c.shop_name)}</a>'
                f'<span class="slogan">{esc(c.slogan)}</span></div>')

    def shop_nav(self, active):
        links = [("home", "/", "首页")]
        links += [(s["key"], SECTION_URLS[s["key"]], s["nav"]) for s in self.catalog.sections]
        parts = []
        for key, url, label in links:
            cls = ' class="on"' if key == active else ""
            parts.append(f'<a{cls} href="{esc(url)}">{esc(label)}</a>')
        biz = self.site_url("official", "/?mod=business")
        parts.append(f'<a class="side" href="{esc(biz)}">商家报名</a>')
        return '<div class="nav">' + "".join(parts) + "</div>"

    def shop_foot(self):
        return (f"&copy; {esc(self.catalog.shop_name)} 演示商城 · 全场包邮 · 假一赔十"
                f'<br><a href="{esc(self.site_url("official"))}">官方网站</a>'
                f'<a href="{esc(self.site_url("official", "/?mod=business"))}">商家报名</a>')

    @staticmethod
    def card(item):
        price, was = item["price"], item["was"]
        discount = f"{price / was * 10:.1f}折" if was > price else ""
        flags = item.get("tags", [])
        flag = f'<span class="flag">{esc(flags[0])}</span>' if flags else ""
        off = f'<span class="off">{esc(discount)}</span>' if discount else ""
        brand = f'<em>【{esc(item["brand"])}】</em>' if item.get("brand") else ""
        return (
            '<div class="card"><div class="in">'
            f'<div class="pic" style="background-color:{esc(item["color"])}">{flag}{off}{esc(item["glyph"])}</div>'
            f'<div class="name" title="{esc(item["name"])}">{brand}{esc(item["name"])}</div>'
            f'<div class="row"><span class="price"><i>¥</i>{money(price)}</span>'
            f'<del class="was">¥{money(was)}</del><span class="tag">包邮</span></div>'
            f'<div class="sold">已售 {int(item.get("sold", 0))} 件</div>'
            "</div></div>"
        )

    def grid(self, items):
        return '<div class="grid">' + "".join(self.card(i) for i in items) + "</div>"

    def shop_home(self):
        c = self.catalog
        parts = [f'<div class="banner">{esc(c.banner)}</div>']
        for s in c.sections:
            parts.append(
                f'<div class="head"><h2>{esc(s["title"])}</h2><span>{esc(s["blurb"])}</span>'
                f'<a class="more" href="{esc(SECTION_URLS[s["key"]])}">更多 &gt;</a></div>'
                + self.grid(s["items"][:4]))
        return page(f"{c.shop_name} - {c.slogan}", self.shop_header(),
                    self.shop_nav("home"), "\n".join(parts), self.shop_foot())

    def shop_section(self, key):
        c = self.catalog
        s = c.by_key[key]
        main = (f'<div class="head"><h2>{esc(s["title"])}</h2><span>{esc(s["blurb"])}</span>'
                f'<span class="more">共 {len(s["items"])} 件</span></div>' + self.grid(s["items"]))
        return page(f'{s["title"]} - {c.shop_name}', self.shop_header(),
                    self.shop_nav(key), main, self.shop_foot())

    # -- official site

    def official_header(self):
        return (f'<div class="top"><a class="logo" href="/"><b>官方</b>{esc(self.catalog.shop_name)}</a>'
                '<span class="slogan">官方网站 · 桌面客户端</span></div>')

    def official_nav(self, active):
        links = [("home", "/", "首页"), ("business", "/?mod=business", "商家报名")]
        parts = []
        for key, url, label in links:
            cls = ' class="on"' if key == active else ""
            parts.append(f'<a{cls} href="{esc(url)}">{esc(label)}</a>')
        parts.append(f'<a href="{esc(self.site_url("shop"))}">进入商城</a>')
        return '<div class="nav">' + "".join(parts) + "</div>"

    def official_foot(self):
        return f"&copy; {esc(self.catalog.shop_name)} 官方网站 · 演示站点"

    def official_home(self):
        name = self.catalog.shop_name
        main = (
            f'<div class="hero"><h1>{esc(name)} 桌面客户端</h1>'
            "<p>每天10点准时上新，9块9起全场包邮，打开客户端即可浏览当日特卖。</p>"
            f'<a class="btn" href="{esc(self.site_url("shop"))}">进入商城</a>'
            '<a class="btn" href="/?mod=business">商家报名</a></div>'
            '<div class="cols">'
            '<div class="col"><div class="box"><b>每日上新</b>每天上午10点更新数百款特价商品，错过再等一天。</div></div>'
            '<div class="col"><div class="box"><b>全场包邮</b>9块9、19块9频道商品全部包邮，偏远地区除外。</div></div>'
            '<div class="col"><div class="box"><b>品质保障</b>商家经人工审核，支持七天无理由退换。</div></div>'
            "</div>"
            '<div class="box"><h2>版本说明</h2>客户端启动时会检查服务状态并显示最新公告；'
            "如遇打不开商城，请稍后重试。</div>")
        return page(f"{name} 官方网站", self.official_header(), self.official_nav("home"),
                    main, self.official_foot())

    def business(self, fields=None):
        name = self.catalog.shop_name
        if fields is not None:
            shop = fields.get("shop", "").strip() or "（未填写）"
            main = ('<div class="box"><h2>报名已提交</h2>'
                    f'<p class="ok">店铺「{esc(shop)}」的报名已收到。</p>'
                    "<p>我们会在3个工作日内完成审核，并通过您留下的电话联系您。</p>"
                    '<a class="btn red" href="/?mod=business">返回</a></div>')
        else:
            form_fields = [("shop", "店铺名称"), ("contact", "联系人"), ("phone", "手机号码"),
                           ("item", "商品链接"), ("price", "活动价")]
            inputs = "".join(f'<div class="f"><label for="{k}">{esc(t)}</label>'
                             f'<input id="{k}" name="{k}" type="text"></div>'
                             for k, t in form_fields)
            main = ('<div class="box"><h2>商家报名</h2><ul class="rules">'
                    "<li>活动价须为近30天最低价，9块9、19块9频道须全国包邮（偏远地区除外）；</li>"
                    "<li>店铺信誉一钻以上，动态评分不低于4.7；</li>"
                    "<li>报名后3个工作日内审核，通过后安排排期上线。</li></ul></div>"
                    '<div class="box"><form method="post" action="/?mod=business">'
                    f'{inputs}<div class="f"><label></label>'
                    '<button class="btn red" type="submit">提交报名</button></div></form></div>')
        return page(f"商家报名 - {name} 官方网站", self.official_header(),
                    self.official_nav("business"), main, self.official_foot())

    @staticmethod
    def not_found(target):
        body = ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>404 页面不存在</title>"
                f"<style>{CSS}</style></head><body><div class=\"missing\"><h1>404</h1>"
                f"<p>页面不存在：{esc(target)}</p><p><a href=\"/\">返回首页</a></p></div></body></html>\n")
        return body.encode("utf-8")


def status_page(code, text=None):
    """Small HTML body for error and redirect answers."""
    phrase = reason_phrase(code)
    extra = f"<p>{text}</p>" if text else ""
    return (f"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>{code} {esc(phrase)}</title>"
            f"</head><body><h1>{code} {esc(phrase)}</h1>{extra}</body></html>\n").encode("utf-8")


# ---------------------------------------------------------------- routing


class Response:
    def __init__(self, code, ctype, body, headers=()):
        self.code = code
        self.ctype = ctype
        self.body = body
        self.headers = list(headers)


class StatusSource:
    """What /1.txt answers: a fixed word, or a file read on every request."""

    def __init__(self, given):
        self.given = given
        if given in ("yes", "no"):
            self.fixed = given.encode("ascii")
            self.path = None
        else:
            self.fixed = None
            self.path = Path(given)
            if not self.path.is_file():
                raise ConfigError(f"--status: {given!r} is neither yes, no nor a readable file")

    def read(self):
        if self.fixed is not None:
            return self.fixed
        try:
            return self.path.read_bytes()
        except OSError:
            return None


def normalise_target(target):
    """Reduce a request target to path?query as scripts and routes see it.

    The client may send the bare host (empty target) or an absolute URL.
    """
    if target.startswith(("http://", "https://")):
        parts = urlsplit(target)
        target = parts.path + (f"?{parts.query}" if parts.query else "")
    if not target:
        return "/"
    return target


class Router:
    def __init__(self, pages, data_dir, status):
        self.pages = pages
        self.data_dir = Path(data_dir)
        self.status = status

    def route(self, site, method, target, form=None):
        parts = urlsplit(target)
        path = parts.path or "/"
        query = {k: v[-1] for k, v in parse_qs(parts.query, keep_blank_values=True).items()}
        if method not in ("GET", "HEAD", "POST"):
            return Response(405, HTML_TYPE, status_page(405), [("Allow", "GET, HEAD, POST")])
        if site == "shop":
            resp = self.shop(path, query)
        else:
            resp = self.official(path, query, method, form)
        if resp is None:
            return Response(404, HTML_TYPE, Pages.not_found(target))
        if method == "POST" and resp.code == 200 and not (site == "official" and query.get("mod") == "business"):
            return Response(405, HTML_TYPE, status_page(405), [("Allow", "GET, HEAD")])
        return resp

    def shop(self, path, query):
        if path in ("/", "/index.php"):
            mod = query.get("mod")
            if mod is None:
                return Response(200, HTML_TYPE, self.pages.shop_home())
            if mod == "brand":
                return Response(200, HTML_TYPE, self.pages.shop_section("brand"))
            if mod == "goods" and query.get("ac") in GOODS_SECTIONS:
                return Response(200, HTML_TYPE, self.pages.shop_section(query["ac"]))
            return None
        if path == "/1.txt":
            body = self.status.read()
            if body is None:
                return None
            return Response(200, STATUS_TYPE, body, [("Cache-Control", "no-cache")])
        if path == "/new.txt":
            try:
                body = (self.data_dir / "new.txt").read_bytes()
            except OSError:
                return None
            return Response(200, NOTICE_TYPE, body, [("Cache-Control", "no-cache")])
        return None

    def official(self, path, query, method, form):
        if path in ("/", "/index.php"):
            mod = query.get("mod")
            if mod is None:
                return Response(200, HTML_TYPE, self.pages.official_home())
            if mod == "business":
                return Response(200, HTML_TYPE,
                                self.pages.business(form if method == "POST" else None))
        return None


# ---------------------------------------------------------------- scripts

MISSING = object()

ANSWER_KEYS = {
    "code", "reason", "type", "headers", "cookies", "body", "body_b64", "encoding",
    "length", "delay", "hold", "pause_after", "pause", "cut", "redirect", "close",
    "linger", "raw", "raw_b64",
}
# Anything else would describe headers or body that raw already spells out.
RAW_COMPANIONS = {"raw", "raw_b64", "delay", "hold", "linger", "encoding"}


def _seconds(value, key, where):
    if isinstance(value, bool) or not isinstance(value, (int, float)) or not math.isfinite(value):
        raise ConfigError(f"{where}: {key} must be a number of seconds")
    if value < 0 or value > MAX_DELAY:
        raise ConfigError(f"{where}: {key} must be between 0 and {MAX_DELAY:g} seconds")
    return float(value)


def _count(value, key, where):
    if isinstance(value, bool) or not isinstance(value, int) or value < 0:
        raise ConfigError(f"{where}: {key} must be a non-negative integer")
    return value


def _bytes_field(given, name, encoding, where):
    """Read NAME (text) or NAME_b64 (base64) from given; None if neither is set."""
    has_text, has_b64 = name in given, f"{name}_b64" in given
    if has_text and has_b64:
        raise ConfigError(f"{where}: give {name} or {name}_b64, not both")
    if has_text:
        if not isinstance(given[name], str):
            raise ConfigError(f"{where}: {name} must be a string")
        try:
            return given[name].encode(encoding)
        except UnicodeEncodeError as e:
            raise ConfigError(f"{where}: {name} cannot be encoded as {encoding}: {e}") from e
    if has_b64:
        try:
            return base64.b64decode(given[f"{name}_b64"], validate=True)
        except (binascii.Error, TypeError, ValueError) as e:
            raise ConfigError(f"{where}: {name}_b64 is not valid base64") from e
    return None


class Answer:
    """One scripted reply; unset fields fall back to the path's normal reply."""

    def __init__(self, given, where):
        if isinstance(given, str):
            given = {"body": given}
        if not isinstance(given, dict):
            raise ConfigError(f"{where}: an answer must be a string or an object")
        unknown = set(given) - ANSWER_KEYS
        if unknown:
            raise ConfigError(f"{where}: unknown keys {sorted(unknown)}")
        encoding = given.get("encoding", "utf-8")
        try:
            "".encode(encoding)
        except (LookupError, TypeError) as e:
            raise ConfigError(f"{where}: unknown encoding {encoding!r}") from e

        self.code = None
        if "code" in given:
            self.code = _count(given["code"], "code", where)
            if not 100 <= self.code <= 999:
                raise ConfigError(f"{where}: code must be 100..999")
        self.reason = given.get("reason")
        if self.reason is not None and not isinstance(self.reason, str):
            raise ConfigError(f"{where}: reason must be a string")
        self.ctype = given.get("type")
        if self.ctype is not None and not isinstance(self.ctype, str):
            raise ConfigError(f"{where}: type must be a string")

        self.headers = []  # (name, value or None to drop the header)
        headers = given.get("headers", {})
        if not isinstance(headers, dict):
            raise ConfigError(f"{where}: headers must be an object")
        for name, value in headers.items():
            values = value if isinstance(value, list) else [value]
            for v in values:
                if v is not None and not isinstance(v, (str, int)):
                    raise ConfigError(f"{where}: header {name} must be text, a number, a list or null")
                self.headers.append((name, None if v is None else str(v)))
        cookies = given.get("cookies", [])
        if isinstance(cookies, str):
            cookies = [cookies]
        if not isinstance(cookies, list) or not all(isinstance(c, str) for c in cookies):
            raise ConfigError(f"{where}: cookies must be a string or a list of strings")
        self.headers += [("Set-Cookie", c) for c in cookies]

        self.body = _bytes_field(given, "body", encoding, where)
        self.raw = _bytes_field(given, "raw", encoding, where)

        # Absent: the true length; null or false: no Content-Length; a number: that, true or not.
        self.length = given.get("length", MISSING)
        if self.length is False:
            self.length = None
        elif self.length is not MISSING and self.length is not None:
            self.length = _count(self.length, "length", where)

        if "delay" in given and "hold" in given:
            raise ConfigError(f"{where}: delay and hold mean the same; give one")
        self.delay = _seconds(given.get("delay", given.get("hold", 0)), "delay/hold", where)
        self.pause = _seconds(given.get("pause", 0), "pause", where)
        self.pause_after = _count(given.get("pause_after", 0), "pause_after", where)
        if "pause_after" in given and "pause" not in given:
            raise ConfigError(f"{where}: pause_after needs pause (seconds)")
        self.cut = None if given.get("cut") is None else _count(given["cut"], "cut", where)
        self.linger = _seconds(given.get("linger", 0), "linger", where)
        self.close = given.get("close", False)
        if not isinstance(self.close, bool):
            raise ConfigError(f"{where}: close must be true or false")
        self.redirect = given.get("redirect")
        if self.redirect is not None and not isinstance(self.redirect, str):
            raise ConfigError(f"{where}: redirect must be a URL string")
        if self.redirect is not None and self.code is None:
            self.code = 302
        if self.raw is not None and set(given) - RAW_COMPANIONS:
            raise ConfigError(f"{where}: raw goes only with {sorted(RAW_COMPANIONS - {'raw', 'raw_b64'})}")


class Rule:
    """Answers for one path, used in turn; afterwards repeat the last or fall back."""

    def __init__(self, given, where):
        then = "repeat"
        if isinstance(given, dict) and "seq" in given:
            extra = set(given) - {"seq", "then"}
            if extra:
                raise ConfigError(f"{where}: with seq only then may be given, not {sorted(extra)}")
            then = given.get("then", "repeat")
            if then not in ("repeat", "default"):
                raise ConfigError(f"{where}: then must be repeat or default")
            given = given["seq"]
        answers = given if isinstance(given, list) else [given]
        if not answers:
            raise ConfigError(f"{where}: empty list of answers")
        self.answers = [Answer(a, f"{where}[{i}]") for i, a in enumerate(answers)]
        self.then = then
        self.used = 0
        self.lock = threading.Lock()

    def next(self):
        with self.lock:
            i = self.used
            self.used += 1
        if i < len(self.answers):
            return self.answers[i]
        return self.answers[-1] if self.then == "repeat" else None


class Script:
    SITES = ("shop", "official")

    def __init__(self, rules):
        self.rules = rules  # (site or None, target) -> Rule

    @classmethod
    def load(cls, path):
        try:
            data = json.loads(Path(path).read_text(encoding="utf-8"))
        except (OSError, ValueError) as e:
            raise ConfigError(f"cannot read script {path}: {e}") from e
        if not isinstance(data, dict):
            raise ConfigError(f"script {path}: top level must be an object of path: answers")
        rules = {}
        for key, given in data.items():
            if key.startswith("#"):
                continue  # comment
            site, target = None, key
            head, sep, rest = key.partition(":")
            if sep and head in cls.SITES:
                site, target = head, rest
            if target != "*" and not target.startswith("/"):
                raise ConfigError(f"script {path}: key {key!r} must be a path starting with / "
                                  "(optionally shop: or official:), * or a #comment")
            rules[(site, target)] = Rule(given, f"{path}: {key}")
        return cls(rules)

    def answer_for(self, site, target):
        for k in ((site, target), (None, target), (site, "*"), (None, "*")):
            rule = self.rules.get(k)
            if rule is not None:
                return rule.next()
        return None


# ---------------------------------------------------------------- HTTP


class RequestLog:
    def __init__(self, path):
        self.lock = threading.Lock()
        self.file = open(path, "a", encoding="ascii")

    def write(self, entry):
        line = json.dumps(entry, ensure_ascii=True) + "\n"
        with self.lock:
            self.file.write(line)
            self.file.flush()


class Request:
    def __init__(self, raw):
        self.raw = raw
        self.method = self.target = self.version = ""
        self.headers = {}
        self.body = b""
        self.bad = None
        lines = raw.split(b"\n")
        line = lines[0].rstrip(b"\r").decode("latin-1")
        words = line.split(" ")
        if len(words) == 3:
            self.method, self.target, self.version = words
        elif len(words) == 2 and words[1].startswith("HTTP/"):
            self.method, self.version = words  # bare host: no target at all
        else:
            self.bad = "malformed request line"
            return
        if self.version not in ("HTTP/1.0", "HTTP/1.1"):
            self.bad = "unsupported HTTP version"
            return
        for raw_line in lines[1:]:
            text = raw_line.rstrip(b"\r").decode("latin-1")
            if not text:
                continue
            name, sep, value = text.partition(":")
            if not sep:
                self.bad = "malformed header"
                return
            self.headers[name.strip().lower()] = value.strip()

    def wants_close(self):
        conn = self.headers.get("connection", "").lower()
        if self.version == "HTTP/1.0":
            return "keep-alive" not in conn
        return "close" in conn


class Connection(socketserver.BaseRequestHandler):
    """Reads requests off one client socket and answers them in turn."""

    def setup(self):
        self.buf = b""
        self.request.settimeout(self.server.state.idle_timeout)

    def recv_more(self):
        data = self.request.recv(65536)
        if not data:
            raise EOFError
        self.buf += data

    def read_head(self):
        while True:
            for sep in (b"\r\n\r\n", b"\n\n"):
                i = self.buf.find(sep)
                if i >= 0:
                    head, self.buf = self.buf[:i + len(sep)], self.buf[i + len(sep):]
                    return head
            if len(self.buf) > MAX_HEAD:
                raise ValueError("request head too large")
            self.recv_more()

    def read_body(self, n):
        while len(self.buf) < n:
            self.recv_more()
        body, self.buf = self.buf[:n], self.buf[n:]
        return body

    def handle(self):
        try:
            while self.serve_one():
                pass
        except (EOFError, OSError, ValueError):
            pass  # client went away, timed out or sent garbage: nothing more to do

    def serve_one(self):
        state = self.server.state
        site = self.server.site
        port = self.server.server_address[1]
        try:
            head = self.read_head()
        except EOFError:
            if self.buf and state.log:
                # An unfinished head is still worth seeing in tests.
                state.log.write({"port": port, "site": site, "raw": self.buf.decode("latin-1"),
                                 "path": None, "complete": False})
            return False
        req = Request(head)
        plan = None
        if state.chaos and not req.bad:
            plan = state.chaos.plan_for(site, normalise_target(req.target))
        if state.log:
            entry = {"port": port, "site": site, "method": req.method or None,
                     "path": req.target if not req.bad else None, "raw": head.decode("latin-1")}
            if state.chaos:
                entry["chaos"] = plan.kind if plan else None
            state.log.write(entry)
        if req.bad:
            self.send_plain(req, Response(400, HTML_TYPE, status_page(400, esc(req.bad))), close=True)
            return False
        if "chunked" in req.headers.get("transfer-encoding", "").lower():
            self.send_plain(req, Response(411, HTML_TYPE, status_page(411)), close=True)
            return False
        try:
            length = int(req.headers.get("content-length", "0"))
        except ValueError:
            length = -1
        if length < 0 or length > MAX_BODY:
            self.send_plain(req, Response(400, HTML_TYPE, status_page(400, "bad Content-Length")),
                            close=True)
            return False
        req.body = self.read_body(length)

        target = normalise_target(req.target)
        form = None
        if req.method == "POST":
            form = {k: v[-1] for k, v in
                    parse_qs(req.body.decode("utf-8", "replace"), keep_blank_values=True).items()}
        resp = state.router.route(site, req.method, target, form)
        if plan is not None:
            version = "HTTP/1.0" if req.version == "HTTP/1.0" else "HTTP/1.1"
            normal = (resp.code, reason_phrase(resp.code), resp.ctype, resp.headers, resp.body)
            return chaos.send(self.request, version, req.method, not req.wants_close(), normal, plan,
                              SERVER_NAME)
        answer = state.script.answer_for(site, target) if state.script else None
        if answer is None:
            return self.send_plain(req, resp, close=req.wants_close())
        return self.send_scripted(req, resp, answer)

    def status_line(self, req, code, reason=None):
        version = "HTTP/1.0" if req.version == "HTTP/1.0" else "HTTP/1.1"
        return f"{version} {code} {reason if reason is not None else reason_phrase(code)}\r\n"

    @staticmethod
    def connection_header(req, close):
        if close:
            return [("Connection", "close")]
        return [("Connection", "keep-alive")] if req.version == "HTTP/1.0" else []

    def send_plain(self, req, resp, close):
        headers = [("Server", SERVER_NAME), ("Content-Type", resp.ctype),
                   ("Content-Length", str(len(resp.body)))]
        headers += resp.headers + self.connection_header(req, close)
        head = self.status_line(req, resp.code) + "".join(f"{n}: {v}\r\n" for n, v in headers) + "\r\n"
        data = head.encode("latin-1")
        if req.method != "HEAD":
            data += resp.body
        self.request.sendall(data)
        return not close

    def send_scripted(self, req, resp, ans):
        if ans.delay:
            time.sleep(ans.delay)
        if ans.raw is not None:
            self.request.sendall(ans.raw)
            self.finish_close(ans)
            return False

        # A scripted body is a page of its own: 200 unless told, even where the path has none.
        if ans.code is not None:
            code = ans.code
        else:
            code = 200 if ans.body is not None else resp.code
        if ans.body is not None:
            body = ans.body
        elif ans.redirect is not None:
            body = status_page(code, f'<a href="{esc(ans.redirect)}">{esc(ans.redirect)}</a>')
        elif ans.code is not None and ans.code != resp.code:
            body = status_page(code)
        else:
            body = resp.body
        ctype = ans.ctype or resp.ctype

        sent_len = len(body) if ans.length is MISSING else ans.length
        close = (req.wants_close() or ans.close or ans.length is not MISSING
                 or ans.cut is not None or ans.linger > 0)
        headers = [("Server", SERVER_NAME), ("Content-Type", ctype)]
        if sent_len is not None:
            headers.append(("Content-Length", str(sent_len)))
        if ans.redirect is not None:
            headers.append(("Location", ans.redirect))
        if ans.body is None and ans.code is None:
            headers += resp.headers
        headers += self.connection_header(req, close)
        # Script headers replace same-named defaults; null drops them; Set-Cookie adds up.
        replaced = {n.lower() for n, _ in ans.headers if n.lower() != "set-cookie"}
        headers = [(n, v) for n, v in headers if n.lower() not in replaced]
        headers += [(n, v) for n, v in ans.headers if v is not None]
        if any(n.lower() == "connection" and v.lower() == "close" for n, v in headers):
            close = True

        head = self.status_line(req, code, ans.reason) + "".join(f"{n}: {v}\r\n" for n, v in headers) + "\r\n"
        self.request.sendall(head.encode("latin-1"))
        if req.method != "HEAD":
            if ans.cut is not None:
                body = body[:ans.cut]
            first = body[:ans.pause_after] if ans.pause else body
            if first:
                self.request.sendall(first)
            if ans.pause:
                time.sleep(ans.pause)
                rest = body[ans.pause_after:]
                if rest:
                    self.request.sendall(rest)
        if close:
            self.finish_close(ans)
            return False
        return True

    def finish_close(self, ans):
        if ans.linger:
            time.sleep(ans.linger)
        try:
            self.request.shutdown(socket.SHUT_WR)
        except OSError:
            pass


class SiteServer(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True
    block_on_close = False
    request_queue_size = 64

    def __init__(self, port, site, state):
        self.site = site
        self.state = state
        super().__init__((BIND_HOST, port), Connection)


class State:
    def __init__(self, router, script, log, idle_timeout, chaos_source=None):
        self.router = router
        self.script = script
        self.log = log
        self.idle_timeout = idle_timeout
        self.chaos = chaos_source


# ---------------------------------------------------------------- main


def parse_args(argv):
    p = argparse.ArgumentParser(
        description="Demo shop and official sites for Tolvane, on 127.0.0.1 only.")
    p.add_argument("--site", choices=("both", "shop", "official"), default="both",
                   help="which site(s) to serve (default: both, one process, two ports)")
    p.add_argument("--port", type=int, default=DEFAULT_SHOP_PORT,
                   help=f"shop site port (default {DEFAULT_SHOP_PORT}; 0 picks a free one)")
    p.add_argument("--official-port", type=int, default=DEFAULT_OFFICIAL_PORT,
                   help=f"official site port (default {DEFAULT_OFFICIAL_PORT}; 0 picks a free one)")
    p.add_argument("--host", default=BIND_HOST,
                   help="bind address; only 127.0.0.1 is accepted")
    p.add_argument("--status", default="yes", metavar="yes|no|FILE",
                   help="answer of /1.txt: yes, no, or the bytes of FILE read on every request")
    p.add_argument("--data", default=str(DEFAULT_DATA_DIR), metavar="DIR",
                   help="folder with catalog.json and new.txt (default: demo/shop)")
    p.add_argument("--script", metavar="FILE", help="JSON script of scripted answers")
    p.add_argument("--log", metavar="FILE", help="append each request head as a JSON line")
    p.add_argument("--idle-timeout", type=float, default=30.0, metavar="SECONDS",
                   help="close a connection that sends nothing for this long (default 30)")
    p.add_argument("--chaos", type=int, metavar="SEED",
                   help="bend answers at random, the same way for the same seed (see chaos.py)")
    p.add_argument("--chaos-rate", type=float, default=0.5, metavar="P",
                   help="with --chaos, the share of answers bent (default 0.5)")
    p.add_argument("--chaos-wait", type=float, default=5.0, metavar="SECONDS",
                   help="with --chaos, the longest delay or stall of a bent answer (default 5)")
    p.add_argument("--check", action="store_true",
                   help="load data and script, report problems, and exit without serving")
    args = p.parse_args(argv)
    if args.host != BIND_HOST:
        raise ConfigError(f"refusing to bind {args.host!r}: this server listens on {BIND_HOST} only")
    for name in ("port", "official_port"):
        if not 0 <= getattr(args, name) <= 65535:
            raise ConfigError(f"--{name.replace('_', '-')} must be 0..65535")
    if not (0 < args.idle_timeout <= MAX_DELAY):
        raise ConfigError("--idle-timeout must be above 0")
    if not 0 <= args.chaos_rate <= 1:
        raise ConfigError("--chaos-rate must be between 0 and 1")
    if not 0 <= args.chaos_wait <= MAX_DELAY:
        raise ConfigError(f"--chaos-wait must be between 0 and {MAX_DELAY:g} seconds")
    if args.chaos is not None and args.script:
        raise ConfigError("--chaos and --script do not go together: a script says what each answer is")
    return args


def main(argv=None):
    try:
        args = parse_args(sys.argv[1:] if argv is None else argv)
        catalog = Catalog.load(Path(args.data) / "catalog.json")
        status = StatusSource(args.status)
        script = Script.load(args.script) if args.script else None
    except ConfigError as e:
        print(f"shop_server: {e}", file=sys.stderr)
        return 2
    if args.check:
        print("ok")
        return 0

    sites = ("shop", "official") if args.site == "both" else (args.site,)
    ports = {"shop": args.port, "official": args.official_port}
    log = RequestLog(args.log) if args.log else None
    pages = Pages(catalog, ports)
    chaos_source = None
    if args.chaos is not None:
        chaos_source = chaos.Chaos(args.chaos, args.chaos_rate, args.chaos_wait)
    state = State(Router(pages, args.data, status), script, log, args.idle_timeout, chaos_source)

    servers = []
    try:
        for site in sites:
            srv = SiteServer(ports[site], site, state)
            ports[site] = srv.server_address[1]  # the real one when 0 was asked for
            servers.append(srv)
    except OSError as e:
        print(f"shop_server: cannot listen: {e}", file=sys.stderr)
        return 1

    stop = threading.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stop.set())
    for srv in servers:
        threading.Thread(target=srv.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()
    # One write for all lines, so a reader that sees the first sees them all.
    sys.stdout.write("".join(f"listening on http://{BIND_HOST}:{s.server_address[1]}\n" for s in servers))
    sys.stdout.flush()

    while not stop.wait(1.0):
        pass
    for srv in servers:
        srv.shutdown()
        srv.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
