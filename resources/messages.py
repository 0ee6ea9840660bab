#!/usr/bin/env python3
"""Builds the message database sys\\msg from resources/messages.tsv.

usage: messages.py SOURCE.tsv OUTPUT PASSWORD

The database holds table t_MSG (CODE, MSG, DLGFLG) and, in t_GATE, the SHA-256 of the password that the program
must give to open it. That password is a gate against opening the wrong file, not encryption: the texts are
stored in the clear. PRAGMA application_id marks the file as a Velnor message database.
"""
import hashlib
import os
import sqlite3
import sys

APPLICATION_ID = 0x564C4D53  # "VLMS"; the program refuses any other SQLite file


def read_rows(path):
    rows, seen = [], set()
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            where = f"{path}:{number}"
            parts = line.split("\t")
            if len(parts) != 3:
                sys.exit(f"{where}: expected CODE<TAB>DLGFLG<TAB>MSG")
            try:
                code, style = int(parts[0]), int(parts[1])
            except ValueError:
                sys.exit(f"{where}: CODE and DLGFLG must be whole numbers")
            # Both columns are 16-bit integers for the program.
            if not -32768 <= code <= 32767 or not 0 <= style <= 32767:
                sys.exit(f"{where}: CODE or DLGFLG outside the 16-bit range")
            if code in seen:
                sys.exit(f"{where}: code {code} appears twice")
            text = parts[2].replace("\\n", "\r\n")
            if not text.strip():
                sys.exit(f"{where}: empty message")
            seen.add(code)
            rows.append((code, text, style))
    return rows


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    source, output, password = sys.argv[1:]
    rows = read_rows(source)
    temp = output + ".tmp"
    if os.path.exists(temp):
        os.remove(temp)
    db = sqlite3.connect(temp)
    db.executescript(f"""
        PRAGMA application_id = {APPLICATION_ID};
        CREATE TABLE t_MSG (CODE INTEGER PRIMARY KEY, MSG TEXT NOT NULL, DLGFLG INTEGER NOT NULL);
        CREATE TABLE t_GATE (PWDHASH TEXT NOT NULL);
    """)
    db.executemany("INSERT INTO t_MSG (CODE, MSG, DLGFLG) VALUES (?, ?, ?)", rows)
    db.execute("INSERT INTO t_GATE (PWDHASH) VALUES (?)",
               (hashlib.sha256(password.encode("utf-8")).hexdigest(),))
    db.commit()
    db.close()
    os.replace(temp, output)  # never leave a half-written database behind


if __name__ == "__main__":
    main()
