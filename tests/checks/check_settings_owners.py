#!/usr/bin/env python3
"""Every settings key has one owner: the source file that reads and writes it.

Reads the settings store's calls whose section and key are literals
(writeString, writeInteger, writeOrDelete, writeWords, deleteKey, readString,
readInteger, readWords, readSettingsList) in every source file under the given
folder, and fails when one key is written from two files, or read outside the
file that writes it. Other parts go through the owner's accessors.
    check_settings_owners.py SRC_FOLDER
"""

import pathlib
import re
import sys

LITERAL = r'(?:u"([^"\\]*)"(?:_s)?|QStringLiteral\("([^"\\]*)"\))'
WRITES = ("writeString", "writeInteger", "writeOrDelete", "writeWords", "deleteKey")
READS = ("readString", "readInteger", "readWords")
STORE_CALL = re.compile(
    r"\b(" + "|".join(WRITES + READS) + r")\s*\(\s*" + LITERAL + r"\s*,\s*" + LITERAL)
# readSettingsList(settings, u"Config", u"Pos"): the store comes first.
LIST_READ = re.compile(r"\breadSettingsList\s*\(\s*[^,()]+,\s*" + LITERAL + r"\s*,\s*" + LITERAL)
# The store itself and its helpers take section and key as parameters.
STORE_FILES = {"core/zkw_ini.cpp", "core/zkw_ini.h"}


def line_of(text, offset):
    return text.count("\n", 0, offset) + 1


def main():
    if len(sys.argv) != 2:
        print("usage: check_settings_owners.py SRC_FOLDER", file=sys.stderr)
        return 2
    src = pathlib.Path(sys.argv[1])
    if not src.is_dir():
        print(f"{src}: not a folder", file=sys.stderr)
        return 2
    writers = {}  # (section, key) -> {file: first line}
    readers = {}
    for path in sorted(list(src.rglob("*.cpp")) + list(src.rglob("*.h"))):
        name = path.relative_to(src).as_posix()
        if name in STORE_FILES:
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        for m in STORE_CALL.finditer(text):
            section = (m.group(2) or m.group(3) or "").lower()
            key = (m.group(4) or m.group(5) or "").lower()
            table = writers if m.group(1) in WRITES else readers
            table.setdefault((section, key), {}).setdefault(name, line_of(text, m.start()))
        for m in LIST_READ.finditer(text):
            section = (m.group(1) or m.group(2) or "").lower()
            key = (m.group(3) or m.group(4) or "").lower()
            readers.setdefault((section, key), {}).setdefault(name, line_of(text, m.start()))

    faults = []
    for (section, key), files in sorted(writers.items()):
        if len(files) > 1:
            places = ", ".join(f"{f}:{line}" for f, line in files.items())
            faults.append(f"[{section}] {key}: written from {len(files)} files: {places}")
    for (section, key), files in sorted(readers.items()):
        owners = set(writers.get((section, key), {}))
        outside = {f: line for f, line in files.items() if owners and f not in owners}
        if outside:
            places = ", ".join(f"{f}:{line}" for f, line in outside.items())
            faults.append(f"[{section}] {key}: read outside its owner "
                          f"{', '.join(sorted(owners))}: {places}")
        elif not owners and len(files) > 1:
            places = ", ".join(f"{f}:{line}" for f, line in files.items())
            faults.append(f"[{section}] {key}: read from {len(files)} files: {places}")
    if faults:
        print("settings keys with more than one owner (go through the owner's accessors):")
        for fault in faults:
            print("  " + fault)
        return 1
    print(f"settings owners: ok ({len(set(writers) | set(readers))} keys, one owner each)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
