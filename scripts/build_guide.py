#!/usr/bin/env python3
"""The Japanese user guide: docs/ja/*.md into one self-contained HTML file (pandoc).

  build_guide.py OUT.html   write the guide (styles and pictures inside the file)
  build_guide.py --check    write nothing; fail when a text the guide quotes as the program's
                            (in 「」) is in none of the program's sources

In the chapters, 「…」 holds only texts the program shows; 〈…〉 inside one stands for a part
that varies (a path, a reason), and so do runs of digits. The findings table is generated from
check/finding_codes.txt, whose messages the checker's tests compare, and is not searched here.
"""
import pathlib
import re
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parent.parent
GUIDE = ROOT / "docs" / "ja"
CHAPTERS = [
    "01-introduction.md",
    "02-install.md",
    "03-converting.md",
    "04-check.md",
    "04-findings-table.md",
    "05-boring-log.md",
    "06-report.md",
    "07-troubles.md",
    "08-history-licence.md",
]
GENERATED = {"04-findings-table.md"}
# Where the texts the user sees come from: C++ string literals, and the installer's and the
# desktop entry's own texts.
CODE_FOLDERS = ["app", "run", "report", "common", "check", "tecris", "sections", "log"]
PLAIN_FILES = ["packaging/windows/tecris2nx.nsi", "app/gui/tecris2nx-gui.desktop"]

LITERAL = re.compile(r'(?:u8|u|U|L)?"((?:[^"\\\n]|\\.)*)"')
ESCAPES = {"n": "\n", "t": "\t", '"': '"', "\\": "\\", "'": "'"}


def literals_of(source):
    """The string literals of a C++ source, adjacent ones joined as the compiler joins them."""
    texts, current, last_end = [], None, None
    for match in LITERAL.finditer(source):
        text = re.sub(r"\\(.)", lambda m: ESCAPES.get(m.group(1), m.group(0)), match.group(1))
        if current is not None and source[last_end:match.start()].strip() == "":
            current += text
        else:
            if current is not None:
                texts.append(current)
            current = text
        last_end = match.end()
    if current is not None:
        texts.append(current)
    return texts


def program_texts():
    texts = []
    for folder in CODE_FOLDERS:
        for path in sorted((ROOT / folder).rglob("*")):
            if path.suffix in (".cpp", ".h", ".rc"):
                texts.extend(literals_of(path.read_text(encoding="utf-8", errors="replace")))
    for name in PLAIN_FILES:
        texts.append((ROOT / name).read_text(encoding="utf-8"))
    return "\n\x00".join(texts)


def quotes_of(markdown):
    """Texts in 「」 outside code blocks, nested 「」 kept inside the outer one."""
    quotes, depth, start, fenced = [], 0, 0, False
    for line in markdown.splitlines():
        if line.startswith("```"):
            fenced = not fenced
            continue
        if fenced:
            continue
        for i, ch in enumerate(line):
            if ch == "「":
                if depth == 0:
                    start = i + 1
                depth += 1
            elif ch == "」" and depth > 0:
                depth -= 1
                if depth == 0:
                    quotes.append(line[start:i])
    return quotes


def missing_quotes():
    corpus = program_texts()
    problems = []
    for name in CHAPTERS:
        if name in GENERATED:
            continue
        for quote in quotes_of((GUIDE / name).read_text(encoding="utf-8")):
            # The program joins its texts with brackets and colons: each part is looked for alone.
            for piece in re.split(r"〈[^〉]*〉|[0-9]+|[（）]|: ", quote):
                piece = piece.strip()
                if piece and piece not in corpus:
                    problems.append(f"docs/ja/{name}: 「{quote}」: \"{piece}\" is in no source")
    return problems


def markdown():
    licence = (ROOT / "LICENSE").read_text(encoding="utf-8").rstrip("\n")
    parts = [(GUIDE / name).read_text(encoding="utf-8") for name in CHAPTERS]
    return "\n\n".join(parts).replace("@LICENSE@", licence)


def build(out):
    out = pathlib.Path(out).resolve()
    with tempfile.TemporaryDirectory() as scratch:
        source = pathlib.Path(scratch) / "guide.md"
        source.write_text(markdown(), encoding="utf-8")
        subprocess.run(
            ["pandoc", str(source), "--from", "markdown+east_asian_line_breaks-smart", "--to", "html5", "--standalone",
             "--self-contained", "--toc", "--toc-depth=2",
             "--css", str(GUIDE / "guide.css"), "--resource-path", str(GUIDE),
             "--metadata", "toc-title=目次", "--output", str(out)],
            check=True, cwd=GUIDE)


def main():
    if sys.argv[1:] == ["--check"]:
        problems = missing_quotes()
        for line in problems:
            print(line, file=sys.stderr)
        return 1 if problems else 0
    if len(sys.argv) != 2 or sys.argv[1].startswith("-"):
        print(__doc__, file=sys.stderr)
        return 2
    build(sys.argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main())
