#!/usr/bin/env python3
"""Writes a long Rich Text document for the benchmarks: headings, bullet and numbered lists,
small tables and paragraphs of varied character formatting, in the manner of a word
processor's output.

    make_long_rtf.py PAGES OUT.rtf            (about 4 KB of RTF a page)
    make_long_rtf.py PAGES OUT.rtf --tables   (a bordered table of 100 cells a page)
    make_long_rtf.py PAGES OUT.rtf --long-table
        (the same rows as --tables, but all in one table: no headings between the pages)
"""
import random
import sys

WORDS = ("the quick brown fox jumps over lazy dog report quarterly figures market share "
         "growth revenue customer product service team project budget plan review meeting "
         "schedule delivery quality design system user interface document section chapter "
         "analysis result method data table figure summary conclusion introduction").split()


def sentence(rng, n):
    words = [rng.choice(WORDS) for _ in range(n)]
    words[0] = words[0].capitalize()
    return " ".join(words) + "."


def formatted_paragraph(rng):
    parts = []
    for _ in range(rng.randint(4, 7)):
        s = sentence(rng, rng.randint(8, 16))
        style = rng.random()
        if style < 0.12:
            parts.append(r"{\b " + s + "}")
        elif style < 0.22:
            parts.append(r"{\i " + s + "}")
        elif style < 0.28:
            parts.append(r"{\ul " + s + "}")
        elif style < 0.32:
            parts.append(r"{\cf2 " + s + "}")
        elif style < 0.35:
            parts.append(r"{\f1\fs20 " + s + "}")
        else:
            parts.append(s)
    align = rng.choice([r"\ql", r"\ql", r"\qj", r"\qc"])
    return r"\pard" + align + r"\sa120\fi360 " + " ".join(parts) + r"\par" + "\n"


def heading(text, level):
    size = {1: 36, 2: 30, 3: 26}[level]
    return r"\pard\sb240\sa120\keepn{\b\fs%d %s}\par" % (size, text) + "\n"


def bullets(rng):
    out = []
    for _ in range(rng.randint(3, 5)):
        out.append(r"\pard{\pntext\f3\'B7\tab}{\*\pn\pnlvlblt\pnf3\pnindent0{\pntxtb\'B7}}"
                   r"\fi-360\li720 " + sentence(rng, rng.randint(6, 12)) + r"\par" + "\n")
    return "".join(out)


def numbered(rng):
    out = []
    for i in range(1, rng.randint(3, 5) + 1):
        out.append(r"\pard{\pntext %d.\tab}{\*\pn\pnlvlbody\pndec\pnstart1\pnindent0{\pntxta .}}"
                   r"\fi-360\li720 " % i + sentence(rng, rng.randint(6, 12)) + r"\par" + "\n")
    return "".join(out)


def table(rng):
    out = []
    for _ in range(rng.randint(2, 4)):
        out.append(r"\trowd\trgaph108\trleft0\cellx3000\cellx6000\cellx9000" + "\n")
        for _ in range(3):
            out.append(r"\pard\intbl " + " ".join(rng.choice(WORDS) for _ in range(3)) + r"\cell ")
        out.append(r"\row" + "\n")
    out.append(r"\pard" + "\n")
    return "".join(out)


def table_page(rng, page, headed=True):
    """A heading (unless not headed) and 33 rows of three bordered cells (the header row shaded), one cell in
    eleven with a second paragraph."""
    border = "".join(r"\clbrdr%s\brdrs\brdrw10" % side for side in "tlbr")
    out = [heading("Table %d" % page, 2)] if headed else []
    for row in range(34 if page % 3 == 0 else 33):
        shade = r"\clcbpat3" if row == 0 else ""
        out.append(r"\trowd\trgaph108\trleft0" + "".join(
            border + shade + r"\cellx%d" % x for x in (2000, 6000, 9000)) + "\n")
        for cell in range(3):
            text = " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, 4)))
            if (row * 3 + cell) % 11 == 5:
                text += r"\par " + sentence(rng, 4)
            out.append(r"\pard\intbl " + text + r"\cell ")
        out.append(r"\row" + "\n")
    if headed:
        out.append(r"\pard" + "\n")
    return "".join(out)


def main():
    pages = int(sys.argv[1])
    tables = "--tables" in sys.argv[3:]
    long_table = "--long-table" in sys.argv[3:]
    rng = random.Random(1234)
    out = [r"{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\froman\fcharset0 Times New Roman;}"
           r"{\f1\fswiss\fcharset0 Arial;}{\f2\fmodern\fcharset0 Courier New;}"
           r"{\f3\fnil\fcharset2 Symbol;}}" + "\n"
           r"{\colortbl ;\red0\green0\blue0;\red192\green0\blue0;\red220\green220\blue220;}"
           + "\n"
           r"\viewkind4\uc1\pard\f0\fs24" + "\n"]
    for page in range(1, pages + 1):
        if long_table:
            out.append(table_page(rng, page, headed=False))
            continue
        if tables:
            out.append(table_page(rng, page))
            continue
        # One page: a heading every page, then prose, a list and sometimes a table.
        out.append(heading("Chapter %d" % page if page % 10 == 1 else "Section %d" % page,
                           1 if page % 10 == 1 else 2))
        out.append(formatted_paragraph(rng))
        out.append(formatted_paragraph(rng))
        out.append(bullets(rng) if page % 2 else numbered(rng))
        out.append(formatted_paragraph(rng))
        if page % 3 == 0:
            out.append(table(rng))
        out.append(formatted_paragraph(rng))
        out.append(heading("Subsection %d.1" % page, 3))
        out.append(formatted_paragraph(rng))
        out.append(formatted_paragraph(rng))
    if long_table:
        out.append(r"\pard" + "\n")
    out.append("}\n")
    with open(sys.argv[2], "w", encoding="ascii") as f:
        f.write("".join(out))


if __name__ == "__main__":
    main()
