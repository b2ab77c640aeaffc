#!/usr/bin/python3
"""Writes the dBase fixtures of this folder with LibreOffice's own dBase driver, so that the tests
read tables that a real program wrote. Run once by hand; the tests only read the results.

  soffice --headless --invisible --norestore --accept="socket,host=localhost,port=2083;urp;" &
  /usr/bin/python3 make_libreoffice_fixtures.py OUTDIR

Needs the Debian packages libreoffice-calc-nogui, libreoffice-base-drivers and python3-uno.
LibreOffice writes dBase III tables (version byte 0x83) with .dbt memo files.
"""
import os
import sys
import time

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.sdbc.DataType import BIT, DATE, DECIMAL, LONGVARCHAR, VARCHAR


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def connect():
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    for _ in range(60):
        try:
            return resolver.resolve("uno:socket,host=localhost,port=2083;urp;StarOffice.ComponentContext")
        except Exception:
            time.sleep(1)
    sys.exit("soffice is not listening")


def create_table(driver, connection, name, columns):
    tables = driver.getDataDefinitionByConnection(connection).getTables()
    descriptor = tables.createDataDescriptor()
    descriptor.Name = name
    for column_name, column_type, precision, scale in columns:
        column = descriptor.getColumns().createDataDescriptor()
        column.Name = column_name
        column.Type = column_type
        column.Precision = precision
        column.Scale = scale
        descriptor.getColumns().appendByDescriptor(column)
    tables.appendByDescriptor(descriptor)


def sql_text(value):
    return "NULL" if value is None else "'" + value.replace("'", "''") + "'"


def main():
    out = os.path.abspath(sys.argv[1])
    os.makedirs(out, exist_ok=True)
    ctx = connect()
    manager = ctx.ServiceManager.createInstanceWithContext("com.sun.star.sdbc.DriverManager", ctx)
    url = "sdbc:dbase:" + uno.systemPathToFileUrl(out)
    connection = manager.getConnectionWithInfo(url, (prop("CharSet", "windows-1252"),))
    driver = manager.getDriverByURL(url)
    statement = connection.createStatement()

    # The diary's own legacy table: a character DATE and a memo ENTRY.
    create_table(driver, connection, "INKWEND", [("DATE", VARCHAR, 8, 0), ("ENTRY", LONGVARCHAR, 10, 0)])
    long_entry = "".join("line %05d\r\n" % i for i in range(5600))  # 67200 bytes, over 64 KB
    rows = [
        ("20240101", "{\\rtf1 New year}\r\n"),
        ("20240102", "deleted entry"),
        ("", "entry without a date"),
        ("20240103", "{\\rtf1 " + "two blocks " * 60 + "}"),  # 667 bytes, over one 512-byte block
        ("20240102", "second entry of 2 January, caf\u00e9"),
        ("20241332", "entry with an invalid date"),
        ("20240104", long_entry),
        ("20240105", ""),
    ]
    for date, entry in rows:
        statement.executeUpdate(
            'INSERT INTO "INKWEND" ("DATE","ENTRY") VALUES (%s,%s)' % (sql_text(date), sql_text(entry)))
    statement.executeUpdate('DELETE FROM "INKWEND" WHERE "ENTRY" = \'deleted entry\'')

    # A table with the other field types LibreOffice writes.
    create_table(driver, connection, "TYPES", [
        ("NAME", VARCHAR, 12, 0), ("AMOUNT", DECIMAL, 8, 2), ("DAY", DATE, 8, 0),
        ("DONE", BIT, 1, 0), ("NOTE", LONGVARCHAR, 10, 0)])
    # A value left out of the column list stays blank, as a null is stored in dBase.
    for row in [
            {"NAME": "'Gr\u00fcn'", "AMOUNT": "12.50", "DAY": "'2023-02-28'", "DONE": "1", "NOTE": "'first note'"},
            {"NAME": "'no date'", "AMOUNT": "3.75", "DONE": "0"},
            {"NAME": "'gone'", "AMOUNT": "0", "DAY": "'1999-12-31'", "DONE": "1", "NOTE": "'deleted note'"},
            {"NAME": "'last'", "AMOUNT": "100.25", "DAY": "'2024-02-29'", "NOTE": "'\u00e0 la carte'"}]:
        statement.executeUpdate('INSERT INTO "TYPES" (%s) VALUES (%s)' % (
            ",".join('"%s"' % column for column in row), ",".join(row.values())))
    statement.executeUpdate('DELETE FROM "TYPES" WHERE "NAME" = \'gone\'')
    connection.close()


main()
