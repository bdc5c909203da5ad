"""quellmarsh-cli against the bundled demo index, started here on a free loopback port.

    python3 tests/e2e/cli_demo_test.py --cli PATH/quellmarsh-cli
"""
import argparse
import os
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.join(HERE, "..", "..", "demo", "server.py")
CLI = None


def start_demo():
    server = subprocess.Popen([sys.executable, DEMO, "--port", "0"], stdout=subprocess.PIPE, text=True)
    line = server.stdout.readline().strip()  # "demo index on http://127.0.0.1:PORT"
    if not line.startswith("demo index on http://127.0.0.1:"):
        server.kill()
        raise RuntimeError("demo index did not start: %r" % line)
    return server, line.rsplit(" ", 1)[1]


class CliAgainstDemoTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server, cls.site = start_demo()

    @classmethod
    def tearDownClass(cls):
        cls.server.terminate()
        cls.server.wait(timeout=10)

    def run_cli(self, *args):
        return subprocess.run([CLI, *args], capture_output=True, timeout=60)

    def search(self, keyword):
        done = self.run_cli("--site", self.site, "search", keyword)
        self.assertEqual(done.returncode, 0, done.stderr)
        rows = [line.split("\t") for line in done.stdout.decode("utf-8").splitlines()]
        return rows, done.stderr.decode("utf-8").splitlines()

    def test_chinese_keyword_fills_the_first_page(self):
        rows, notes = self.search("教程")
        self.assertEqual(notes, ["正在搜索中", "搜索完成"])
        self.assertEqual(len(rows), 20)  # the first of several pages
        for title, sharer, date in rows:
            self.assertIn("教程", title)
            # the title piece: attribute, the closing quote and bracket, the link text
            attribute, _, text = title.partition('">')
            self.assertEqual(attribute, text)
            self.assertTrue(sharer)
            self.assertRegex(date, r"^2\d{3}-\d{2}-\d{2}$")

    def test_latin_keyword_keeps_only_titles_in_its_case(self):
        rows, _ = self.search("Python")
        self.assertTrue(rows)
        # the site matches any case; the client's filter does not
        for title, _, _ in rows:
            self.assertIn("Python", title)

    def test_unknown_keyword_gives_the_no_results_message(self):
        rows, notes = self.search("没有这个词zz")
        self.assertEqual(rows, [])
        self.assertEqual(notes, ["正在搜索中", "对不起，没有分享", "搜素完成"])

    def test_unreachable_site_ends_with_an_empty_list(self):
        done = self.run_cli("--site", "http://127.0.0.1:9", "search", "x")
        self.assertEqual(done.returncode, 0)
        self.assertEqual(done.stdout, b"")
        self.assertEqual(done.stderr.decode("utf-8").splitlines(), ["正在搜索中", "搜索完成"])

    def test_usage_errors_exit_2(self):
        for args in ([], ["search"], ["--site"], ["find", "x"], ["search", "a", "b"], ["--site", self.site]):
            done = self.run_cli(*args)
            self.assertEqual(done.returncode, 2, args)
            self.assertIn(b"usage:", done.stderr)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    options, rest = parser.parse_known_args()
    CLI = options.cli
    unittest.main(argv=[sys.argv[0], *rest])
