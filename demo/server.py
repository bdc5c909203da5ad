#!/usr/bin/env python3
"""The demo share index: a small local web site the client scrapes.

    python3 demo/server.py [--port 8360] [--host 127.0.0.1] [--data entries.tsv] [--verbose]

Prints "demo index on http://HOST:PORT" once it listens (--port 0 picks a free port).
"""

import argparse
import html
import math
import os
import re
import sys
import urllib.parse
import zlib
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PER_PAGE = 20
DEFAULT_DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "entries.tsv")

SEARCH_RE = re.compile(r"^/search-all-(.*)-([0-9]{1,9})/$", re.S)
FILEVIEW_RE = re.compile(r"^/fileview/?([A-Za-z0-9]{8})$")
SHARE_RE = re.compile(r"^/s/([A-Za-z0-9]{8})$")
ID_RE = re.compile(r"^[A-Za-z0-9]{8}$")
DATE_RE = re.compile(r"^2[0-9]{3}-[0-9]{2}-[0-9]{2}$")
HOST_RE = re.compile(r"^[A-Za-z0-9.\-]+(:[0-9]{1,5})?$|^\[[0-9A-Fa-f:.]+\](:[0-9]{1,5})?$")

# The client cuts each entry out of the page between these exact pieces,
# so the markup is byte for byte what the real index sends, CR LF and tabs included.
ENTRY = ('<div class="item">\n'
         '<div class="title"><a href="/fileview{id}" target="_blank" title="{title}">{title}</a>\r\n'
         '\t\t\t\t</div>\n'
         '<div class="sharer">分享者：<a href="/u/{sharer_no}/" target="_blank">{sharer}</a></div>\n'
         '<div class="c_ft">{date}</div>\n'
         '</div>\n')

# Closing mark first, then the opening one: that is how the index prints it.
NO_RESULTS = "没有找到\u201d{keyword}\u201c的相关记录，你可能感兴趣的资源"
EXPIRED = "啊哦，你来晚了，分享的文件已经被取消了"

SUGGESTED = ["教程", "Python", "电影", "纪录片", "中文字幕", "Linux"]

STYLE = """body { margin: 0; font: 14px/1.6 "Microsoft YaHei", sans-serif; color: #333; background: #f4f5f7; }
.nav { background: #2b6cb0; padding: 8px 24px; }
.nav a { color: #fff; margin-right: 18px; text-decoration: none; }
.main { width: 860px; margin: 16px auto; background: #fff; padding: 16px 24px; }
.item { border-bottom: 1px dashed #ddd; padding: 8px 0; }
.item .title a { font-size: 15px; color: #1a4f8b; }
.sharer, .c_ft { color: #888; font-size: 12px; display: inline-block; margin-right: 16px; }
.pager { margin: 16px 0; text-align: center; }
.pager a, .pager span { margin: 0 6px; }
.empty { color: #c53030; margin: 24px 0; }
.btn { display: inline-block; padding: 6px 28px; background: #3182ce; color: #fff; border-radius: 3px; }
.footer { text-align: center; color: #999; font-size: 12px; padding: 16px; }
"""


class Entry:
    __slots__ = ("id", "title", "sharer", "date", "alive", "folded", "sharer_no")

    def __init__(self, entry_id, title, sharer, date, alive):
        self.id = entry_id
        self.title = title
        self.sharer = sharer
        self.date = date
        self.alive = alive
        self.folded = title.casefold()
        # Stable across runs and data sets, so a sharer keeps its link.
        self.sharer_no = zlib.crc32(sharer.encode("utf-8")) % 900000 + 100000


def load_entries(path):
    entries = []
    seen = set()
    with open(path, encoding="utf-8") as f:
        for lineno, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line:
                continue
            fields = line.split("\t")
            if len(fields) != 5:
                raise ValueError(f"{path}:{lineno}: want 5 tab-separated fields, got {len(fields)}")
            entry_id, title, sharer, date, alive = fields
            if not ID_RE.match(entry_id) or entry_id in seen:
                raise ValueError(f"{path}:{lineno}: bad or repeated id {entry_id!r}")
            if not title or set(title) & set('"<>&%\'\r'):
                raise ValueError(f"{path}:{lineno}: title needs escaping: {title!r}")
            if not DATE_RE.match(date) or alive not in ("0", "1"):
                raise ValueError(f"{path}:{lineno}: bad date or alive flag")
            seen.add(entry_id)
            entries.append(Entry(entry_id, title, sharer, date, alive == "1"))
    return entries


def decode_path_part(raw):
    # http.server hands the request line over as Latin-1; a client that sends
    # raw UTF-8 bytes instead of percent escapes still gets its keyword back.
    if not raw.isascii():
        raw = raw.encode("latin-1", "replace").decode("utf-8", "replace")
    return urllib.parse.unquote(raw, encoding="utf-8", errors="replace")


def search_url(keyword, page):
    return f"/search-all-{urllib.parse.quote(keyword, safe='')}-{page}/"


def page(title, body):
    return f"""<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<title>{title} - 云盘分享索引</title>
<meta name="viewport" content="width=device-width, initial-scale=1">
<style>
{STYLE}</style>
</head>
<body>
<div class="nav">
<a href="/">首页</a>
<a href="{search_url('教程', 1)}">教程</a>
<a href="{search_url('电影', 1)}">电影</a>
<a href="{search_url('纪录片', 1)}">纪录片</a>
<a href="{search_url('音乐', 1)}">音乐</a>
</div>
<div class="main">
{body}
</div>
<div class="footer">
<p>本站只收录网友公开分享的链接，不存储任何文件。演示数据，纯属虚构。</p>
<p><a href="/">云盘分享索引</a> &copy; 2012-2024</p>
</div>
</body>
</html>
"""


class Site:
    def __init__(self, entries):
        self.entries = entries
        self.by_id = {e.id: e for e in entries}

    def search(self, keyword):
        needle = keyword.casefold()
        return [e for e in self.entries if needle in e.folded]

    def home(self):
        links = "\n".join(f'<li><a href="{search_url(k, 1)}">{html.escape(k)}</a></li>' for k in SUGGESTED)
        body = f"""<h1>云盘分享索引</h1>
<form action="/search" method="get">
<input type="text" name="q" size="40" placeholder="输入关键词">
<input type="submit" value="搜索">
</form>
<p>共收录 {len(self.entries)} 条分享。热门搜索：</p>
<ul>
{links}
</ul>"""
        return page("首页", body)

    def results(self, keyword, page_no):
        shown = html.escape(keyword, quote=True)
        found = self.search(keyword)
        if not found:
            links = "\n".join(f'<li><a href="{search_url(k, 1)}">{html.escape(k)}</a></li>' for k in SUGGESTED)
            body = f"""<h2>搜索结果</h2>
<p class="empty">{NO_RESULTS.format(keyword=shown)}</p>
<ul class="suggest">
{links}
</ul>"""
            return page("搜索结果", body)
        pages = math.ceil(len(found) / PER_PAGE)
        chunk = found[(page_no - 1) * PER_PAGE: page_no * PER_PAGE]
        items = "".join(ENTRY.format(id=e.id, title=html.escape(e.title), sharer_no=e.sharer_no,
                                     sharer=html.escape(e.sharer), date=e.date) for e in chunk)
        pager = []
        if page_no > 1:
            pager.append(f'<a href="{search_url(keyword, min(page_no - 1, pages))}">上一页</a>')
        pager.append(f"<span>第{page_no}/{pages}页</span>")
        if page_no < pages:
            pager.append(f'<a href="{search_url(keyword, page_no + 1)}">下一页</a>')
        body = f"""<h2>“{shown}”的搜索结果</h2>
<p>找到相关分享 {len(found)} 条</p>
<div class="list">
{items}</div>
<div class="pager">
{" ".join(pager)}
</div>"""
        return page(f"{shown} 搜索结果", body)

    def detail(self, entry, link):
        body = f"""<h2>{html.escape(entry.title)}</h2>
<p>分享者：<a href="/u/{entry.sharer_no}/">{html.escape(entry.sharer)}</a><br>
分享时间：{entry.date}<br>
网盘链接：<span style="color:red;">{html.escape(link)}</span><br>
提示：链接失效请换一个搜索结果。</p>"""
        return page(html.escape(entry.title), body)

    def share(self, entry):
        if entry is None or not entry.alive:
            body = f"""<div class="share-error">
<h2>{EXPIRED}</h2>
<p>请联系分享者重新分享，或者去看看别的资源。</p>
</div>"""
            return page("分享无效", body)
        size = zlib.crc32(entry.id.encode("ascii")) % 4000 + 12
        body = f"""<div class="share-file">
<h2>文件名：{html.escape(entry.title)}</h2>
<p>大小：{size} MB　分享时间：{entry.date}</p>
<p><a class="btn" href="#" onclick="return false;">普通下载</a></p>
</div>"""
        return page(html.escape(entry.title), body)

    def not_found(self):
        return page("页面不存在", '<h2>404</h2>\n<p>页面不存在。<a href="/">回到首页</a>\n</p>')


class Handler(BaseHTTPRequestHandler):
    server_version = "DemoIndex/1.0"
    protocol_version = "HTTP/1.1"
    # Idle keep-alive connections and stalled clients let go of their thread.
    timeout = 30

    def do_GET(self):
        self.respond(send_body=True)

    def do_HEAD(self):
        self.respond(send_body=False)

    def respond(self, send_body):
        try:
            status, body, location = self.route()
        except Exception:  # a fault here must not take the site down
            if self.server.verbose:
                import traceback
                traceback.print_exc()
            status, body, location = 500, page("服务器错误", "<h2>500</h2>"), None
        data = body.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        if location:
            self.send_header("Location", location)
        self.end_headers()
        if send_body:
            self.wfile.write(data)

    def route(self):
        site = self.server.site
        path, _, query = self.path.partition("?")
        if path == "/":
            return 200, site.home(), None
        if path == "/search":
            q = urllib.parse.parse_qs(query, encoding="utf-8", errors="replace").get("q", [""])[0]
            target = search_url(q.strip(), 1)
            return 302, page("跳转", f'<p><a href="{target}">继续</a>\n</p>'), target
        m = SEARCH_RE.match(path)
        if m:
            page_no = int(m.group(2))
            if page_no < 1:
                return 404, site.not_found(), None
            return 200, site.results(decode_path_part(m.group(1)), page_no), None
        m = FILEVIEW_RE.match(path)
        if m and m.group(1) in site.by_id:
            return 200, site.detail(site.by_id[m.group(1)], self.share_link(m.group(1))), None
        m = SHARE_RE.match(path)
        if m:
            return 200, site.share(site.by_id.get(m.group(1))), None
        return 404, site.not_found(), None

    def share_link(self, entry_id):
        host, port = self.server.server_address[:2]
        given = (self.headers.get("Host") or "").strip()
        m = HOST_RE.match(given)
        if not m:
            # No usable Host header: point at the address we listen on.
            authority = f"{host}:{port}"
        elif m.group(1) or m.group(2):
            authority = given
        else:
            authority = f"{given}:{port}"
        return f"http://{authority}/s/{entry_id}"

    def log_message(self, format, *args):
        if self.server.verbose:
            super().log_message(format, *args)


class DemoServer(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, site, verbose=False):
        self.site = site
        self.verbose = verbose
        super().__init__(address, Handler)

    def handle_error(self, request, client_address):
        # Clients that hang up early are routine; keep stderr quiet.
        if self.verbose:
            super().handle_error(request, client_address)


def make_server(host="127.0.0.1", port=0, data=DEFAULT_DATA, verbose=False):
    return DemoServer((host, port), Site(load_entries(data)), verbose)


def main(argv=None):
    ap = argparse.ArgumentParser(description="Demo share index for the client.")
    ap.add_argument("--port", type=int, default=8360)
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--data", default=DEFAULT_DATA)
    ap.add_argument("--verbose", action="store_true")
    args = ap.parse_args(argv)
    server = make_server(args.host, args.port, args.data, args.verbose)
    host, port = server.server_address[:2]
    print(f"demo index on http://{host}:{port}", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
