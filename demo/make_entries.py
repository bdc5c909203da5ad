#!/usr/bin/env python3
"""Writes the demo index's data set, demo/entries.tsv.

One entry a line: id, title, sharer, date, alive (1 or 0), tab-separated.
Fixed seed, so a rerun gives the same bytes; the server only reads the file.

    python3 demo/make_entries.py [OUTPUT]
"""

import datetime
import os
import random
import sys

SEED = 8360
COUNT = 360

ID_CHARS = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"

# Characters a title must never hold: they would need escaping in the page,
# and the client compares titles byte for byte with what it scraped.
FORBIDDEN = set('"<>&%\'\t\r\n')

TAGS = ["", "", "", "【高清】", "【中文字幕】", "[精品]", "【完整版】", "[更新中]"]
YEARS = ["2012", "2014", "2016", "2017", "2018", "2019", "2019", "2020", "2021", "2022", "2023"]

# Python is spelt three ways on purpose: searches must ignore Latin case.
SUBJECTS = [
    ("Python", 14), ("python", 4), ("PYTHON", 2),
    ("Linux", 8), ("Excel", 7), ("English", 5), ("Java", 5), ("MySQL", 3),
    ("Photoshop", 1), ("Premiere", 1),
    ("数学", 6), ("物理", 5), ("历史", 4), ("考研数学", 3), ("考研英语", 3),
    ("化学", 3), ("摄影", 3), ("吉他", 2), ("日语", 3), ("会计", 2),
]
LEVELS = ["入门", "基础", "进阶", "零基础", "实战", "从入门到精通", "高级", ""]
TUTORIAL_KINDS = [("教程", 6), ("视频教程", 3), ("课程", 3), ("讲义", 1), ("真题", 1)]
SUFFIXES = ["", "", "合集", "全套", "全集", "资料包", "附源码", "PDF"]

MOVIES = ["星际旅人", "长夜将尽", "南方车站", "海上钢琴师", "无名之辈", "The Long Road",
          "Silent River", "Blue Harbor", "北方的雪", "少年时代", "Last Summer", "城南旧事"]
QUALITY = ["高清", "1080P", "720P", "蓝光", "BD", "HD"]
DOC_TOPICS = ["地球脉动", "宇宙时空之旅", "河西走廊", "舌尖上的中国", "Planet Earth",
              "故宫", "大国崛起", "人类星球", "历史的细节", "物理学的故事"]
MUSIC_KINDS = ["流行", "古典", "民谣", "影视", "English", "粤语", "经典老歌"]
AUTHORS = ["金庸", "古龙", "三毛", "路遥", "余华", "Tolkien", "Jane Austen", "张爱玲"]
NOVEL_KINDS = ["小说全集", "作品集", "小说合集", "有声小说"]
ANIME = ["龙猫", "千与千寻", "大鱼海棠", "Doraemon", "名侦探柯南", "海贼王", "灌篮高手"]

SHARERS = ["小明", "阿飞", "老王的网盘", "云端小站", "书虫", "影迷阿杰", "学习委员", "南山南",
           "夜猫子", "大白", "资料君", "lucky_cat", "MrFox", "tom2012", "pandaLi", "cloudbox",
           "bookworm", "xiaoyu88", "neo", "Amy_Chen", "studyhard", "老张", "风之谷", "Kevin"]

FIRST_DAY = datetime.date(2012, 1, 1).toordinal()
LAST_DAY = datetime.date(2024, 12, 31).toordinal()


def weighted(rng, pairs):
    words = [w for w, _ in pairs]
    weights = [n for _, n in pairs]
    return rng.choices(words, weights=weights)[0]


def join(*parts):
    # A space only where a Latin word meets another word; Chinese runs on.
    out = ""
    for part in parts:
        if not part:
            continue
        latin_before = out[-1:].isascii() and out[-1:].isalnum()
        latin_after = part[0].isascii() and part[0].isalnum()
        if out and (latin_before or latin_after and out[-1] not in "】]"):
            out += " "
        out += part
    return out


def tutorial(rng):
    subject = weighted(rng, SUBJECTS)
    kind = weighted(rng, TUTORIAL_KINDS)
    year = rng.choice(YEARS) if rng.random() < 0.4 else ""
    return join(rng.choice(TAGS), subject + rng.choice(LEVELS), kind, year, rng.choice(SUFFIXES))


def movie(rng):
    sub = "中文字幕" if rng.random() < 0.5 else ""
    return join(rng.choice(TAGS), rng.choice(MOVIES), rng.choice(YEARS), rng.choice(QUALITY), sub, "电影")


def documentary(rng):
    return join("纪录片", rng.choice(DOC_TOPICS), rng.choice(QUALITY), rng.choice(["", "全集", "合集"]))


def music(rng):
    return join(rng.choice(MUSIC_KINDS) + "音乐合集", str(rng.randrange(20, 300)) + "首",
                rng.choice(["MP3", "FLAC", "无损"]))


def novel(rng):
    return join(rng.choice(AUTHORS), rng.choice(NOVEL_KINDS), rng.choice(["TXT", "EPUB", "", "精校版"]))


def anime(rng):
    return join(rng.choice(TAGS), rng.choice(ANIME), "动画", "全" + str(rng.randrange(12, 120)) + "集",
                rng.choice(QUALITY))


KINDS = [(tutorial, 55), (movie, 14), (documentary, 8), (music, 8), (novel, 8), (anime, 7)]


def make(rng):
    seen_ids = set()
    rows = []
    for _ in range(COUNT):
        while True:
            entry_id = "".join(rng.choice(ID_CHARS) for _ in range(8))
            if entry_id not in seen_ids:
                break
        seen_ids.add(entry_id)
        title = weighted(rng, KINDS)(rng)
        assert title and not (set(title) & FORBIDDEN), title
        date = datetime.date.fromordinal(rng.randint(FIRST_DAY, LAST_DAY)).isoformat()
        alive = "1" if rng.random() < 0.8 else "0"
        rows.append((entry_id, title, rng.choice(SHARERS), date, alive))
    # Newest first, the way the index lists them; id breaks ties so the order is total.
    rows.sort(key=lambda r: (r[3], r[0]), reverse=True)
    return rows


def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "entries.tsv")
    rows = make(random.Random(SEED))
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        for row in rows:
            f.write("\t".join(row) + "\n")
    alive = sum(r[4] == "1" for r in rows)
    print(f"{len(rows)} entries, {alive} alive -> {out}")
    for word in ["教程", "Python", "电影", "2019", "中文字幕", "纪录片", "Linux", "Photoshop", "Premiere", "考研"]:
        n = sum(word.casefold() in r[1].casefold() for r in rows)
        print(f"  {word}: {n} ({-(-n // 20)} pages)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
