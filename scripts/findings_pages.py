#!/usr/bin/env python3
"""Writes the finding pages from check/finding_codes.txt, the one table of the check codes:
docs/check-findings.md (English) and docs/ja/04-findings-table.md (the table of the Japanese
guide's chapter 4).

  findings_pages.py            write both pages
  findings_pages.py --check    write nothing; fail when a page is not what the table gives, or
                               when a code in the sources is missing from the table or a page
"""
import configparser
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
TABLE = ROOT / "check" / "finding_codes.txt"
ENGLISH = ROOT / "docs" / "check-findings.md"
JAPANESE = ROOT / "docs" / "ja" / "04-findings-table.md"
# Where the checker's codes are raised (check mode reads files with the sections' readers).
SOURCE_FOLDERS = ["check", "sections", "run", "tecris"]

# Groups by the first digit of the code: English heading, its example column, Japanese heading.
GROUPS = {
    "1": ("Errors", "example line", "エラー"),
    "2": ("Sections not converted", "example", "変換されないセクション"),
    "3": ("Numbers", "example value", "数値"),
    "4": ("Depths", "example", "深度"),
    "5": ("Soils, colours and pattern data", "example", "土質・色・パターンデータ"),
    "6": ("Text", "example", "文字"),
    "9": ("Limits", "example", "上限"),
}
SEVERITY_JA = {"error": "エラー", "warning": "警告", "info": "情報"}

ENGLISH_HEAD = """# Findings of `tecris2nx check`

<!-- Written by scripts/findings_pages.py from check/finding_codes.txt: edit the table, not this page. -->

`tecris2nx check [--json] [--strict] [--patdat DIR] FILE...` reads each TECRIS file the way the
conversion reads it, writes nothing, and reports what it finds. Every finding has a stable code,
a severity, the file, the section letter, the record and value numbers where they apply, and the
1-based line and column in the file (columns count characters; an invalid byte counts as one).

- **error**: the file cannot be converted (the conversion stops at that section; earlier
  sections are written).
- **warning**: the file converts, but something is lost, skipped or suspicious.
- **info**: worth knowing; nothing is lost.

Exit status: 0 when no file has an error, 1 when one has (with `--strict`, also a warning), 2 for
a usage error. The JSON form is described by [`check.schema.json`](check.schema.json).
The Japanese user guide (`docs/ja/`) has the same table in Japanese.

In the examples below, the line shown is the one the finding points at; the column points at the
field named.
"""

JAPANESE_HEAD = """<!-- scripts/findings_pages.py が check/finding_codes.txt から書き出すページです。直すときは表の方を直してください。 -->

"""


def cell(text):
    return text.replace("|", "\\|")


def row(*cells):
    return "|" + "|".join(f" {cell(c)} " if c else " " for c in cells) + "|\n"


def read_table():
    parser = configparser.ConfigParser(interpolation=None, comment_prefixes=("#",))
    parser.optionxform = str
    parser.read(TABLE, encoding="utf-8")
    codes = {}
    for code in parser.sections():
        entry = dict(parser[code])
        if not re.fullmatch(r"T\d{3}", code):
            raise SystemExit(f"{TABLE}: [{code}] is not a finding code")
        if entry.get("severity") not in SEVERITY_JA:
            raise SystemExit(f"{TABLE}: [{code}] has no severity error, warning or info")
        if code[1] not in GROUPS:
            raise SystemExit(f"{TABLE}: [{code}] belongs to no group of scripts/findings_pages.py")
        codes[code] = entry
    return dict(sorted(codes.items()))


def by_group(codes):
    groups = {}
    for code, entry in codes.items():
        groups.setdefault(code[1], []).append((code, entry))
    return [(GROUPS[g], rows) for g, rows in sorted(groups.items())]


def english_page(codes):
    out = [ENGLISH_HEAD]
    for (heading, example_head, _), rows in by_group(codes):
        out.append(f"\n## {heading}\n\n| code | what | {example_head} | what to do |\n|---|---|---|---|\n")
        for code, e in rows:
            # Errors and warnings are told apart by their groups; infos say so.
            shown = code if e["severity"] != "info" else f"{code} (info)"
            out.append(row(shown, e["what"], e["example"], e["todo"]))
    return "".join(out)


def japanese_page(codes):
    out = [JAPANESE_HEAD]
    for (_, _, heading), rows in by_group(codes):
        out.append(f"\n### {heading}\n\n| コード | 内容 | 例 | すること |\n|---|---|---|---|\n")
        for code, e in rows:
            example = e["example_ja"]
            if e["message"]:
                example = f"{example}<br>「{e['message']}」" if example else f"「{e['message']}」"
            shown = f"{code}<br>{SEVERITY_JA[e['severity']]}"
            out.append(row(shown, e["what_ja"], example, e["todo_ja"]))
    return "".join(out)


def codes_in_sources():
    found = set()
    for folder in SOURCE_FOLDERS:
        for path in sorted((ROOT / folder).rglob("*.cpp")):
            found.update(re.findall(r'"(T\d{3})"', path.read_text(encoding="utf-8")))
    return found


def main():
    codes = read_table()
    pages = {ENGLISH: english_page(codes), JAPANESE: japanese_page(codes)}
    if sys.argv[1:] == ["--check"]:
        problems = []
        for path, text in pages.items():
            if not path.exists() or path.read_text(encoding="utf-8") != text:
                problems.append(f"{path.relative_to(ROOT)} is out of date: run scripts/findings_pages.py")
        for code in sorted(codes_in_sources() - codes.keys()):
            problems.append(f"{code} is raised in the sources but missing from {TABLE.relative_to(ROOT)}")
        for path, text in pages.items():
            for code in codes:
                if f"| {code}" not in text:
                    problems.append(f"{code} is missing from {path.relative_to(ROOT)}")
        for line in problems:
            print(line, file=sys.stderr)
        return 1 if problems else 0
    if len(sys.argv) > 1:
        print(__doc__, file=sys.stderr)
        return 2
    for path, text in pages.items():
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text, encoding="utf-8")
        print(f"wrote {path.relative_to(ROOT)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
