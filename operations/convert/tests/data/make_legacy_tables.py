#!/usr/bin/python3
"""Writes the legacy diary tables of this folder with a real xBase library (Debian's python3-dbf),
so that the conversion is proven on tables a program other than ours laid out. Run once by hand
from this folder; the tests only read the results:

  /usr/bin/python3 make_legacy_tables.py

foxpro/ and visualfoxpro/ each get INKWEND.DBF with INKWEND.FPT holding the same records;
expected/ gets one YYYYMMDD.KWE per live date: the memo of the latest live record of that date,
as the library was given it, which is what a conversion must write.
"""
import os
import shutil

import dbf

CRLF = "\r\n"


def rtf(body):
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}" + CRLF + "\\f0 " + body + "\\par }" + CRLF


def sized(length, seed):
    """An RTF text of exactly `length` characters (length >= 40)."""
    head = "{\\rtf1\\ansi " + seed + " "
    tail = "\\par }" + CRLF
    fill = length - len(head) - len(tail)
    line = "line of a long entry " + seed + CRLF
    body = (line * (fill // len(line) + 1))[:fill]
    return head + body + tail


# (deleted, DATE, ENTRY) in table order. python3-dbf makes FoxPro memo blocks of 128 bytes, 8 of them the
# block's header: 120 characters fill one block exactly and 121 spill into a second.
RECORDS = [
    (False, "20240101", rtf("New year")),
    (True, "20240102", rtf("deleted before the later record of the same day")),
    (False, "        ", rtf("a record without a date is skipped")),
    (False, "20240102", rtf("first live record of 2 January")),
    (False, "20240103", ""),                       # an empty memo: an empty entry file
    (False, "20240104", "x"),                      # one character
    (False, "20240105", sized(120, "fills one block")),
    (False, "20240106", sized(121, "spills over")),
    (False, "20240107", sized(600, "several blocks")),
    (False, "20240108", sized(70000, "over 64 KB")),
    (False, "20241332", rtf("an invalid date still names the file")),
    (False, "20240102", rtf("caf\u00e9: the latest live record of 2 January wins")),
    (False, "20240109", rtf("kept: the later record of this day is deleted")),
    (True, "20240109", rtf("deleted, so it does not overwrite")),
    (False, "20240110", "line one\nline two\rline three" + CRLF),  # line ends kept as stored
]


def write_table(folder, kind):
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    os.makedirs(folder)
    table = dbf.Table(os.path.join(folder, "INKWEND.DBF"), "DATE C(8); ENTRY M", dbf_type=kind,
                      codepage="cp1252")
    table.open(dbf.READ_WRITE)
    for deleted, date, entry in RECORDS:
        table.append((date, entry))
        if deleted:
            dbf.delete(table[-1])
    table.close()
    # The library names the memo file in lower case; the diary looks for INKWEND.FPT.
    for name in os.listdir(folder):
        if name.lower() == "inkwend.fpt" and name != "INKWEND.FPT":
            os.rename(os.path.join(folder, name), os.path.join(folder, "INKWEND.FPT"))


def write_expected(folder):
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    os.makedirs(folder)
    latest = {}
    for deleted, date, entry in RECORDS:
        if not deleted and date.strip():
            latest[date] = entry
    for date, entry in latest.items():
        with open(os.path.join(folder, date + ".KWE"), "wb") as f:
            f.write(entry.encode("cp1252"))


write_table("foxpro", "fp")
write_table("visualfoxpro", "vfp")
write_expected("expected")
