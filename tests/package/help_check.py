#!/usr/bin/env python3
"""The help pages as a user meets them: every page declares UTF-8 and is UTF-8, reads as Japanese (no
mojibake), every link and picture leads to a file of the pages (and every #id to an element there), every
numbered message has its entry; then the index page and a Favorites index page made by a backup are shown
in headless Chromium and their screenshots kept.

    help_check.py HELP_FOLDER MESSAGES_TSV FAVORITES_INDEX_PAGE SCREENSHOT_FOLDER
"""
import html.parser
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

# Characters that Japanese UTF-8 text turns into when read as Shift-JIS: never in a page written right.
MOJIBAKE = re.compile("[縺繧繝譁蜷荳謨]|\ufffd")


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.links, self.ids, self.charset = [], set(), None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if "id" in a:
            self.ids.add(a["id"])
        for name in ("href", "src"):
            if a.get(name):
                self.links.append(a[name])
        if tag == "meta" and "charset=utf-8" in (a.get("content") or "").lower().replace(" ", ""):
            self.charset = "utf-8"


def main():
    help_dir, messages, favorites, shots = map(pathlib.Path, sys.argv[1:5])
    problems = []
    pages = {}
    for path in sorted(help_dir.glob("*.html")):
        raw = path.read_bytes()
        try:
            text = raw.decode("utf-8")
        except UnicodeDecodeError as e:
            problems.append(f"{path.name}: not UTF-8 ({e})")
            continue
        page = Page()
        page.feed(text)
        if page.charset != "utf-8" or text.lower().find("charset=utf-8") > text.lower().find("</head>"):
            problems.append(f"{path.name}: UTF-8 is not declared in its head")
        if MOJIBAKE.search(text):
            problems.append(f"{path.name}: mojibake: {MOJIBAKE.search(text).group(0)!r}")
        if not re.search("[ぁ-んァ-ン]", text):
            problems.append(f"{path.name}: no Japanese text")
        pages[path.name] = page
    if "index.html" not in pages:
        problems.append("no index.html")
    for name, page in pages.items():
        for link in page.links:
            if re.match(r"^(https?:|mailto:)", link):
                continue
            target, _, fragment = link.partition("#")
            file = help_dir / target if target else help_dir / name
            if not file.is_file():
                problems.append(f"{name}: link to {link}, which is not among the pages")
            elif fragment and target.endswith(".html") or (fragment and not target):
                ids = pages.get(file.name).ids if file.name in pages else set()
                if fragment not in ids:
                    problems.append(f"{name}: link to {link}, but {file.name} has no id {fragment}")
    codes = [line.split("\t")[0] for line in messages.read_text(encoding="utf-8").splitlines()
             if line and not line.startswith("#")]
    entries = pages.get("messages.html").ids if "messages.html" in pages else set()
    for code in codes:
        if f"msg{code}" not in entries:
            problems.append(f"messages.html: no entry for message {code}")

    chromium = shutil.which("chromium")
    if not chromium:
        problems.append("chromium is not installed")
    else:
        shots.mkdir(parents=True, exist_ok=True)
        for source, shot in ((help_dir / "index.html", "help_index.png"), (favorites, "favorites_index.png")):
            if not source.is_file():
                problems.append(f"nothing to show: {source}")
                continue
            with tempfile.TemporaryDirectory() as profile:
                subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                                "--no-first-run", "--disable-background-networking", "--disable-component-update",
                                "--disable-sync", f"--user-data-dir={profile}", "--window-size=1024,900",
                                "--hide-scrollbars", f"--screenshot={shots / shot}", source.resolve().as_uri()],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
            if not (shots / shot).is_file() or (shots / shot).stat().st_size < 2000:
                problems.append(f"no screenshot of {source}")
    for p in problems:
        print(p)
    print(f"{len(pages)} pages, {len(codes)} messages: " + ("all well" if not problems else f"{len(problems)} problems"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
