#!/usr/bin/env python3
"""Self-test for the demo index: python3 -m unittest demo/test_server.py

Starts the server on a free port of 127.0.0.1, checks the pages byte for byte
against entries.tsv read independently here, then shuts the server down.
"""

import os
import queue
import re
import socket
import subprocess
import sys
import tempfile
import threading
import unittest
import urllib.error
import urllib.parse
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import server  # noqa: E402

TIMEOUT = 10
DATA = os.path.join(HERE, "entries.tsv")

# Every piece the client cuts entries by; outside an entry none may appear.
MARKERS = ['target="_blank" title="', '</a>\r\n\t\t\t\t</div>', '/" target="_blank">',
           '</a></div>', 'div class="c_ft">2', 'a href="/fileview']

ENTRY_RE = re.compile(
    '<div class="item">\n'
    '<div class="title"><a href="/fileview([A-Za-z0-9]{8})" target="_blank" title="([^"]*)">([^<]*)</a>\r\n'
    '\t\t\t\t</div>\n'
    '<div class="sharer">分享者：<a href="/u/([0-9]+)/" target="_blank">([^<]*)</a></div>\n'
    '<div class="c_ft">([^<]*)</div>\n'
    '</div>\n')


def read_rows():
    with open(DATA, encoding="utf-8", newline="") as f:
        return [line.rstrip("\n").split("\t") for line in f if line.strip()]


ROWS = read_rows()
BY_ID = {r[0]: r for r in ROWS}


def matching(keyword):
    k = keyword.casefold()
    return [r for r in ROWS if k in r[1].casefold()]


def pages_for(n):
    return -(-n // 20)


def url_for(keyword, page):
    return f"/search-all-{urllib.parse.quote(keyword, safe='')}-{page}/"


def setUpModule():
    global SERVER, THREAD, BASE
    SERVER = server.make_server("127.0.0.1", 0, DATA)
    THREAD = threading.Thread(target=SERVER.serve_forever, kwargs={"poll_interval": 0.1}, daemon=True)
    THREAD.start()
    BASE = "http://127.0.0.1:%d" % SERVER.server_address[1]


def tearDownModule():
    SERVER.shutdown()
    SERVER.server_close()
    THREAD.join(TIMEOUT)


def get(path, headers=None):
    """Returns (status, headers, text); 4xx and 5xx come back rather than raise."""
    req = urllib.request.Request(BASE + path, headers=headers or {})
    try:
        with urllib.request.urlopen(req, timeout=TIMEOUT) as resp:
            return resp.status, resp.headers, resp.read().decode("utf-8")
    except urllib.error.HTTPError as e:
        with e:
            return e.code, e.headers, e.read().decode("utf-8")


def raw_request(data):
    """Sends bytes as they are and returns the whole reply."""
    with socket.create_connection(("127.0.0.1", SERVER.server_address[1]), timeout=TIMEOUT) as s:
        s.sendall(data)
        chunks = []
        while True:
            chunk = s.recv(65536)
            if not chunk:
                return b"".join(chunks)
            chunks.append(chunk)


class DataSet(unittest.TestCase):
    def test_rows_are_well_formed(self):
        self.assertTrue(300 <= len(ROWS) <= 400, len(ROWS))
        self.assertEqual(len(BY_ID), len(ROWS), "ids repeat")
        for row in ROWS:
            self.assertEqual(len(row), 5, row)
            entry_id, title, sharer, date, alive = row
            self.assertRegex(entry_id, r"^[A-Za-z0-9]{8}$")
            self.assertTrue(title and not set(title) & set('"<>&%\t\r\n'), title)
            self.assertTrue(sharer)
            # The client works in GBK; a character outside it would come back mangled.
            title.encode("gbk")
            sharer.encode("gbk")
            self.assertRegex(date, r"^20(1[2-9]|2[0-4])-(0[1-9]|1[0-2])-(0[1-9]|[12][0-9]|3[01])$")
            self.assertIn(alive, ("0", "1"))
        alive = sum(r[4] == "1" for r in ROWS) / len(ROWS)
        self.assertTrue(0.7 <= alive <= 0.9, alive)

    def test_keywords_cover_one_and_many_pages(self):
        self.assertGreaterEqual(pages_for(len(matching("教程"))), 3)
        self.assertGreaterEqual(pages_for(len(matching("Python"))), 2)
        self.assertTrue(1 <= len(matching("Photoshop")) <= 5)
        titles = [r[1] for r in matching("python")]
        # Mixed spellings, or a case-sensitive search would pass unnoticed.
        self.assertTrue(any("Python" in t for t in titles))
        self.assertTrue(any("python" in t for t in titles))

    def test_generator_reproduces_the_file(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "entries.tsv")
            subprocess.run([sys.executable, os.path.join(HERE, "make_entries.py"), out],
                           check=True, capture_output=True, timeout=60)
            with open(out, "rb") as a, open(DATA, "rb") as b:
                self.assertEqual(a.read(), b.read())


class ResultPages(unittest.TestCase):
    def entries(self, text):
        found = ENTRY_RE.findall(text)
        self.assertEqual(len(found), text.count('<div class="item">'), "an entry strays from the markup")
        return found

    def check_entries(self, text, rows):
        found = self.entries(text)
        self.assertEqual([f[0] for f in found], [r[0] for r in rows])
        sharer_nos = {}
        blocks = []
        for (entry_id, attr, link_text, sharer_no, sharer, date), row in zip(found, rows):
            self.assertEqual((attr, link_text, sharer, date), (row[1], row[1], row[2], row[3]))
            self.assertEqual(sharer_nos.setdefault(sharer, sharer_no), sharer_no, "sharer number changes")
            blocks.append(server.ENTRY.format(id=row[0], title=row[1], sharer_no=sharer_no,
                                              sharer=row[2], date=row[3]))
        # Entries sit back to back, nothing between them.
        self.assertIn("".join(blocks), text)

    def check_markers(self, text, entries, first_page):
        low = text.casefold()
        for marker in MARKERS:
            self.assertEqual(low.count(marker.casefold()), entries, marker)
        self.assertEqual(text.count("第1/"), 1 if first_page else 0)

    def test_headers_and_charset(self):
        status, headers, text = get(url_for("教程", 1))
        self.assertEqual(status, 200)
        self.assertEqual(headers["Content-Type"], "text/html; charset=utf-8")
        head = text[text.index("<head>"):]
        self.assertTrue(head[:40].find('<meta charset="utf-8">') > 0, head[:80])

    def test_chinese_keyword_full_and_last_page(self):
        rows = matching("教程")
        n = pages_for(len(rows))
        status, _, text = get(url_for("教程", 1))
        self.assertEqual(status, 200)
        self.check_entries(text, rows[:20])
        self.assertEqual(text.count(f"第1/{n}页"), 1)
        self.check_markers(text, 20, True)

        status, _, text = get(url_for("教程", 2))
        self.check_entries(text, rows[20:40])
        self.assertEqual(text.count(f"第2/{n}页"), 1)
        self.check_markers(text, 20, False)

        status, _, text = get(url_for("教程", n))
        last = rows[(n - 1) * 20:]
        self.assertTrue(0 < len(last) < 20, "pick data whose last page is short")
        self.check_entries(text, last)
        self.assertEqual(text.count(f"第{n}/{n}页"), 1)
        self.check_markers(text, len(last), False)

    def test_page_beyond_the_last(self):
        n = pages_for(len(matching("Python")))
        status, _, text = get(url_for("Python", n + 1))
        self.assertEqual(status, 200)
        self.assertEqual(self.entries(text), [])
        self.assertEqual(text.count(f"第{n + 1}/{n}页"), 1)
        self.check_markers(text, 0, False)

    def test_latin_keyword_ignores_case(self):
        rows = matching("Python")
        for spelling in ("Python", "python", "PYTHON", "pYtHoN"):
            with self.subTest(spelling=spelling):
                _, _, text = get(url_for(spelling, 1))
                self.check_entries(text, rows[:20])
                self.assertEqual(text.count(f"第1/{pages_for(len(rows))}页"), 1)
                _, _, text = get(url_for(spelling, 2))
                self.check_entries(text, rows[20:40])

    def test_empty_keyword_lists_everything(self):
        status, _, text = get("/search-all--1/")
        self.assertEqual(status, 200)
        self.check_entries(text, ROWS[:20])
        self.assertEqual(text.count(f"第1/{pages_for(len(ROWS))}页"), 1)
        self.check_markers(text, 20, True)

    def test_keyword_with_a_dash_and_a_space(self):
        rows = matching("Excel 教程")
        self.assertTrue(rows, "data has no 'Excel 教程'")
        _, _, text = get(url_for("Excel 教程", 1))
        self.check_entries(text, rows[:20])
        _, _, text = get(url_for("a-b", 1))
        self.assertIn("没有找到\u201da-b\u201c的相关记录", text)

    def test_no_results_sentence(self):
        keyword = "不存在的关键词"
        self.assertEqual(matching(keyword), [])
        status, _, text = get(url_for(keyword, 1))
        self.assertEqual(status, 200)
        sentence = ("没有找到\u201d" + keyword + "\u201c的相关记录，你可能感兴趣的资源").encode("utf-8")
        self.assertEqual(text.encode("utf-8").count(sentence), 1)
        self.assertIn(b"\xe6\x89\xbe\xe5\x88\xb0\xe2\x80\x9d", sentence)  # 到 then U+201D
        self.assertNotIn("第1/", text)
        self.check_markers(text, 0, False)

    def test_keyword_with_markup_is_escaped(self):
        keyword = 'x"<b>&</a></div>'
        _, _, text = get(url_for(keyword, 1))
        self.assertIn("没有找到\u201dx&quot;&lt;b&gt;&amp;&lt;/a&gt;&lt;/div&gt;\u201c的相关记录", text)
        self.assertNotIn("<b>", text)
        self.check_markers(text, 0, False)

    def test_search_form_redirects(self):
        req = urllib.request.Request(BASE + "/search?q=" + urllib.parse.quote("Python"))
        with urllib.request.urlopen(req, timeout=TIMEOUT) as resp:
            self.assertTrue(resp.url.endswith("/search-all-Python-1/"), resp.url)
            self.assertEqual(len(ENTRY_RE.findall(resp.read().decode("utf-8"))), 20)


class OtherPages(unittest.TestCase):
    def test_home(self):
        status, _, text = get("/")
        self.assertEqual(status, 200)
        self.assertIn('<form action="/search"', text)
        self.assertIn(url_for("教程", 1), text)
        for marker in MARKERS + ["第1/"]:
            self.assertNotIn(marker.casefold(), text.casefold())

    def test_detail_page(self):
        row = ROWS[5]
        port = SERVER.server_address[1]
        for path in ("/fileview" + row[0], "/fileview/" + row[0]):
            with self.subTest(path=path):
                status, _, text = get(path)
                self.assertEqual(status, 200)
                link = f"http://127.0.0.1:{port}/s/{row[0]}"
                self.assertEqual(text.count(f'<span style="color:red;">{link}</span><br>'), 1)
                self.assertEqual(text.count('<span style="color:red;">'), 1)
                for part in row[1:4]:
                    self.assertIn(part, text)
                for marker in MARKERS:
                    self.assertNotIn(marker.casefold(), text.casefold())

    def test_detail_link_follows_host_header(self):
        # Only a header: nothing is sent to these names.
        row = ROWS[0]
        port = SERVER.server_address[1]
        for host, want in (("demo.test:8360", "demo.test:8360"), ("demo.test", f"demo.test:{port}"),
                           ("bad host/x", f"127.0.0.1:{port}")):
            with self.subTest(host=host):
                _, _, text = get("/fileview" + row[0], {"Host": host})
                self.assertIn(f'<span style="color:red;">http://{want}/s/{row[0]}</span><br>', text)

    def test_share_pages(self):
        alive = next(r for r in ROWS if r[4] == "1")
        dead = next(r for r in ROWS if r[4] == "0")
        status, _, text = get("/s/" + alive[0])
        self.assertEqual(status, 200)
        self.assertIn("文件名：" + alive[1], text)
        self.assertNotIn(server.EXPIRED, text)

        status, _, text = get("/s/" + dead[0])
        self.assertEqual(status, 200)
        self.assertIn("啊哦，你来晚了，分享的文件已经被取消了", text)
        self.assertNotIn(dead[1], text)

        status, _, text = get("/s/Zz9Zz9Zz")
        self.assertNotIn("Zz9Zz9Zz", BY_ID)
        self.assertEqual(status, 200)
        self.assertIn(server.EXPIRED, text)

    def test_unknown_paths_are_404(self):
        self.assertNotIn("Zz9Zz9Zz", BY_ID)
        for path in ("/fileviewZz9Zz9Zz", "/fileview/short", "/nothing", "/search-all-x-0/",
                     "/search-all-x-abc/", "/search-all-x-1", "/s/", "/u/1/", "/%00"):
            with self.subTest(path=path):
                status, headers, text = get(path)
                self.assertEqual(status, 404)
                self.assertEqual(headers["Content-Type"], "text/html; charset=utf-8")

    def test_bad_encoding_does_not_crash(self):
        for path in ("/search-all-%ff%zz%-1/", "/search-all-%E4%B8-1/", "/search-all-%-1/",
                     "/search-all-" + "%E6%95%99" * 3000 + "-1/", "/search-all-x-99999999999/"):
            with self.subTest(path=path[:40]):
                status, _, text = get(path)
                self.assertIn(status, (200, 404))
                self.assertIn("</html>", text)
        # Still serving afterwards.
        self.assertEqual(get("/")[0], 200)

    def test_raw_utf8_path_and_garbage(self):
        reply = raw_request("GET /search-all-教程-1/ HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n".encode("utf-8"))
        self.assertTrue(reply.startswith(b"HTTP/1.1 200"), reply[:40])
        ids = [m[0] for m in ENTRY_RE.findall(reply.decode("utf-8"))]
        self.assertEqual(ids, [r[0] for r in matching("教程")[:20]])

        # http.server answers a request line it cannot read HTTP/0.9 style, with no status line.
        reply = raw_request(b"\xff\xfe garbage\r\n\r\n")
        self.assertIn(b"400", reply)
        self.assertEqual(get("/")[0], 200)


class CommandLine(unittest.TestCase):
    def test_prints_the_real_port_and_stays_quiet(self):
        proc = subprocess.Popen([sys.executable, os.path.join(HERE, "server.py"), "--port", "0"],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, encoding="utf-8")
        try:
            lines = queue.Queue()
            threading.Thread(target=lambda: lines.put(proc.stdout.readline()), daemon=True).start()
            line = lines.get(timeout=TIMEOUT)
            m = re.fullmatch(r"demo index on http://127\.0\.0\.1:([0-9]+)\n", line)
            self.assertTrue(m, repr(line))
            port = int(m.group(1))
            self.assertNotEqual(port, 0)
            with urllib.request.urlopen(f"http://127.0.0.1:{port}{url_for('教程', 1)}", timeout=TIMEOUT) as r:
                self.assertEqual(len(ENTRY_RE.findall(r.read().decode("utf-8"))), 20)
        finally:
            proc.terminate()
            out, err = proc.communicate(timeout=TIMEOUT)
        self.assertEqual(err, "", "request lines leak to stderr")


if __name__ == "__main__":
    unittest.main()
